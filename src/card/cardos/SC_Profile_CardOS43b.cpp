// CardOS 4.3b: the security environment and signature command depend on the profile
// type; keys live in directories; CardOS status mapping.
#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinPadStructures.h"
#include "card/cardos/CardOsFamily.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
// The layouts by the environment their signing key is set in: the decipherment
// template (B8, key 83), the signature template (B6, key 84), or a stored environment
// restored first (03 01, then B8 with key 84).
const std::initializer_list<int> kDecipherTemplateLayouts = {CP_QUORVEL, CP_QUOVADIS_CH, CP_SWISSSIGN_ID, CP_SUISSEID};
const std::initializer_list<int> kSignatureTemplateLayouts = {CP_DSIGN_MULTICARD,     CP_DTRUST_MULTICARD,
                                                              CP_DTRUST_CARD_24,      CP_DTRUST_CARD,
                                                              CP_DSIGN_MULTICARD_2CE, CP_DTRUST_CARD_2CE};
const std::initializer_list<int> kRestoredEnvironmentLayouts = {CP_TC_QSIGN_UNLIMITED, CP_TC_QSIGN};
// The Swiss layouts, whose 12-character key paths sign a DigestInfo as well.
const std::initializer_list<int> kSwissLayouts = {CP_SWISSSIGN_ID, CP_SUISSEID};
}  // namespace

void CSC_Profile_CardOS43b::SetMinMaxPINLength() { cardosPinLimits(m_profileType, true, m_minPinLen, m_maxPinLen); }

int CSC_Profile_CardOS43b::SCSelectMF() { return cardosSelectMF(*this); }

int CSC_Profile_CardOS43b::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, 0x04, id, 0x00, false);
}
int CSC_Profile_CardOS43b::SCSelectEF(unsigned char* id) {
    return selectId(*this, kApduCase4, 0x02, 0x04, id, 0x00, false);
}
int CSC_Profile_CardOS43b::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, false); }

int CSC_Profile_CardOS43b::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                   unsigned long* outLength) {
    return getDataNoLe(*this, 0x00, p1, p2, out, outLength);
}

int CSC_Profile_CardOS43b::returnResult() { return loggedResult(cardosResult(getSW(), m_remainingTries)); }

int CSC_Profile_CardOS43b::getUniqueChipID() { return cardosChipId(*this); }
void CSC_Profile_CardOS43b::ReadCardSerial() { getUniqueChipID(); }

std::string CSC_Profile_CardOS43b::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

// CardOS keys are objects of a directory: the directory that holds the key (the key
// path without its last identifier) is selected.
int CSC_Profile_CardOS43b::PreSigning(int profileType, std::string keyPath) {
    return cardosSelectKeyDirectory(*this, m_profileType, m_profileType2, m_keyPath, profileType, keyPath);
}

// The public key is not read from the card.
int CSC_Profile_CardOS43b::GetPubKey(std::string, unsigned char, unsigned char*, unsigned long*) {
    vn_log(1, "--CSC_Profile_CardOS43b::GetPubKey: not available\n");
    return SC_CMD_FAILED;
}

int CSC_Profile_CardOS43b::SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int) {
    const int type = m_profileType;
    bool sent = false;
    if (isProfileOf(type, kDecipherTemplateLayouts)) {
        sent =
            send(*this,
                 Command::iso(kApduCase3, kInsManageSe, kMseSet, kTemplateCipher).withData(Bytes{0x83, 0x01, keyRef}));
    } else if (isProfileOf(type, kSignatureTemplateLayouts)) {
        sent = send(*this,
                    Command::iso(kApduCase3, kInsManageSe, kMseSet, kTemplateSign).withData(Bytes{0x84, 0x01, keyRef}));
    } else if (isProfileOf(type, kRestoredEnvironmentLayouts)) {
        if (upperPath(keyPath).size() == 12)
            return 0;
        if (!send(*this, Command::iso(kApduCase1, kInsManageSe, 0x03, 0x01)) || !isSW(0x90, 0x00))
            return SC_CMD_FAILED;
        sent =
            send(*this,
                 Command::iso(kApduCase3, kInsManageSe, kMseSet, kTemplateCipher).withData(Bytes{0x84, 0x01, keyRef}));
    } else {
        return SC_CMD_FAILED;
    }
    return sent && isSW(0x90, 0x00) ? 0 : SC_CMD_FAILED;
}

int CSC_Profile_CardOS43b::SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                                      unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                      unsigned long* signatureLength, int profileType) {
    vn_log(1, "--entering CSC_Profile_CardOS43b::SCSignData\n");
    m_profileType = profileType;
    if (SCManageSE(keyPath, keyRef, algId) != 0)
        return SC_CMD_FAILED;
    const bool digestInfo =
        (isProfileOf(profileType, kSignatureTemplateLayouts) || isProfileOf(profileType, kRestoredEnvironmentLayouts) ||
         isProfileOf(profileType, kSwissLayouts)) &&
        upperPath(keyPath).size() == 12;
    SignBlock block;
    if (!buildSignBlock(*this, algId, keyBits, hash, hashLength, !digestInfo, block))
        return SC_CMD_FAILED;
    bool sent;
    if (digestInfo) {
        sent =
            send(*this, Command::iso(kApduCase4, kInsPso, kPsoSignature, kPsoToBeSigned).withData(block).withLe(0x00));
    } else {
        prependZero(block);
        sent = send(
            *this,
            Command::iso(kApduCase4Extended, kInsPso, kPsoPlain, kPsoPaddedCryptogram).withData(block).withLe(256));
    }
    if (!sent)
        return SC_CMD_FAILED;
    return signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied, kSwSmObjectsIncorrect});
}

int CSC_Profile_CardOS43b::SCRSADecrypt(std::string, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                        unsigned char* out, unsigned long* outLength, int) {
    return decipher(*this, Bytes{0x84, 0x01, keyRef}, 0x81, in, inLength, out, outLength, true);
}

PIN_VERIFY_STRUCTURE* CSC_Profile_CardOS43b::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_CardOS43b::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}

void CSC_Profile_CardOS43b::ModifyVerifyStruct(std::string, unsigned char, PIN_VERIFY_STRUCTURE* s) {
    adjustLimits(s, m_minPinLen, m_maxPinLen);
}

void CSC_Profile_CardOS43b::ModifyModifyStruct(std::string, unsigned char, PIN_MODIFY_STRUCTURE* s) {
    adjustLimits(s, m_minPinLen, m_maxPinLen);
}
