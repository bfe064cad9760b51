// CardOS 5.0: stored security environments restored by number; the card frames the hash
// itself (RSA-PSS or PKCS#1 v1.5 as the environment says); CardOS status mapping.
#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinPadStructures.h"
#include "card/cardos/CardOsFamily.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
const unsigned char kSeSign = 0x09;     // signature, RSA-PSS where the card's key allows it
const unsigned char kSeSignBt1 = 0x04;  // signature with block type 1 (PKCS#1 v1.5), decipherment
}  // namespace

void CSC_Profile_CardOS50::SetMinMaxPINLength() {
    m_minPinLen = 6;
    m_maxPinLen = 12;
}

int CSC_Profile_CardOS50::SCSelectMF() { return cardosSelectMF(*this); }

int CSC_Profile_CardOS50::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, 0x04, id, 0x00, false);
}

int CSC_Profile_CardOS50::SCSelectEF(unsigned char* id) { return selectFileFcp(*this, id); }

// Size from tag 80 of the FCP template in `fcp`.
int CSC_Profile_CardOS50::SearchSizeFCPTag(unsigned char* fcp, int length) {
    return length > 0 ? fcpFileSize(fcp, static_cast<unsigned>(length), false) : 0;
}

int CSC_Profile_CardOS50::GetFileLen() { return SearchSizeFCPTag(m_response.data(), m_respLen); }

int CSC_Profile_CardOS50::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                  unsigned long* outLength) {
    return getDataNoLe(*this, 0x00, p1, p2, out, outLength);
}

int CSC_Profile_CardOS50::returnResult() { return loggedResult(cardosResult(getSW(), m_remainingTries)); }

int CSC_Profile_CardOS50::getUniqueChipID() { return cardosChipId(*this); }
void CSC_Profile_CardOS50::ReadCardSerial() { getUniqueChipID(); }

std::string CSC_Profile_CardOS50::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

bool CSC_Profile_CardOS50::isSupportedHashAlgo(int a, int b) { return a == 1 ? b == 1 : b < 4; }

// The hash itself, in a buffer of keyBits / 4 bytes.
int CSC_Profile_CardOS50::BuildSignBuffer(unsigned int, int keyBits, unsigned char* hash, unsigned long hashLength,
                                          unsigned char** out, unsigned long* outLength, bool) {
    return hashOnlyBlock(keyBits, hash, hashLength, out, outLength);
}

int CSC_Profile_CardOS50::SCManageSE_restore(unsigned char se) { return cardosRestoreSE(*this, se); }

int CSC_Profile_CardOS50::SCManageSE(std::string, unsigned char keyRef, unsigned int) {
    return cardosSetDecipherKey(*this, keyRef);
}

int CSC_Profile_CardOS50::SCSignData(std::string, unsigned char, int keyBits, unsigned int algId, unsigned char* hash,
                                     unsigned long hashLength, unsigned char* signature, unsigned long* signatureLength,
                                     int) {
    vn_log(1, "--entering CSC_Profile_CardOS50::SCSignData\n");
    // The stored environment 09 lets the card sign with RSA-PSS; where PSS is not
    // allowed and not asked for, environment 04 signs with block type 1 (PKCS#1 v1.5).
    unsigned char se = kSeSign;
    if ((algId & kAlgFlagBlockType1) || (m_noRsaPss && !(algId & kAlgFlagPss))) {
        se = kSeSignBt1;
        vn_log(3, "using RSAPSS BT1\n");
    } else if (algId & kAlgFlagPss) {
        vn_log(3, "using RSAPSS\n");
    }
    SCManageSE_restore(se);  // the card keeps the last environment when this one is refused
    SignBlock block;
    if (!buildSignBlock(*this, algId, keyBits, hash, hashLength, false, block))
        return SC_CMD_FAILED;
    if (!send(*this, Command::iso(kApduCase4Extended, kInsPso, kPsoSignature, kPsoToBeSigned)
                         .withData(block)
                         .withLe(keyBits == 3072 ? 0x0000 : 0x0100)))
        return SC_CMD_FAILED;
    return signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied, kSwSmObjectsIncorrect});
}

int CSC_Profile_CardOS50::SCRSADecrypt(std::string, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                       unsigned char* out, unsigned long* outLength, int) {
    // Its decipherment environment removes PKCS#1 v1.5 padding; it has none for OAEP.
    if (m_rsaOaep) {
        vn_log(1, "CSC_Profile_CardOS50::SCRSADecrypt: RSA-OAEP is not offered by the card\n");
        return SC_CMD_FAILED;
    }
    return cardosDecipher(*this, kSeSignBt1, keyRef, in, inLength, out, outLength);
}

PIN_VERIFY_STRUCTURE* CSC_Profile_CardOS50::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_CardOS50::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}

void CSC_Profile_CardOS50::ModifyVerifyStruct(std::string, unsigned char, PIN_VERIFY_STRUCTURE* s) {
    adjustLimits(s, m_minPinLen, m_maxPinLen);
}

void CSC_Profile_CardOS50::ModifyModifyStruct(std::string, unsigned char, PIN_MODIFY_STRUCTURE* s) {
    adjustLimits(s, m_minPinLen, m_maxPinLen);
}
