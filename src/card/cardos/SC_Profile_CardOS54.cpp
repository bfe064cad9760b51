// CardOS 5.4: stored security environments chosen by hash and key type (RSA or ECDSA);
// the card frames the hash itself; CardOS status mapping.
#include "SC_Profile_CardOS.h"
#include "card/CardTypes.h"
#include "card/IsoCommands.h"
#include "card/PinPadStructures.h"
#include "card/cardos/CardOsFamily.h"
#include "crypto/Algorithms.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
const unsigned char kSeEcdsa = 0x21;    // ECDSA
const unsigned char kSeSha384 = 0x1A;   // RSA with SHA-384
const unsigned char kSeSha512 = 0x1B;   // RSA with SHA-512
const unsigned char kSeDefault = 0x19;  // RSA with SHA-256 and the other hashes
const unsigned char kSeSignBt1 = 0x04;  // decipherment

// The card algorithm code carries the bits of `kind`'s code (so SHA-384 and SHA-512 also
// count as SHA-256 here).
bool hasCodeOf(unsigned int algId, vn_crypto::DigestKind kind) {
    const unsigned int code = vn_crypto::algorithm_of(kind).cardAlgId;
    return (algId & code) == code;
}
}  // namespace

bool CSC_Profile_CardOS54::isECCProfile() {
    return isProfileOf(m_profileType, {CP_DTRUST_41_M100_ECC, CP_DTRUST_41_MULTI_ECC, CP_DTRUST_44_MULTI_ECC});
}

// The rows of the D-TRUST 4.x layout carry the card type (17) as their profile type, and
// the key selection before signing is chosen by it (the key directory 3F000101 by its
// name). The profile the card was detected with (83 to 87) stays the card's own: it
// tells the ECC cards, whose keys sign under environment 21, from the RSA ones.
int CSC_Profile_CardOS54::PreSigning(int profileType, std::string keyPath) {
    const int detected = m_profileType;
    const int r = CSC_Profile_Base::PreSigning(profileType, keyPath);
    if (profileType == vn_card::kCardOs54 && detected != vn_card::kCardOs54)
        m_profileType = detected;
    return r;
}

void CSC_Profile_CardOS54::SetMinMaxPINLength() {
    m_minPinLen = 6;
    m_maxPinLen = 12;
}

int CSC_Profile_CardOS54::SCSelectMF() { return cardosSelectMF(*this); }

int CSC_Profile_CardOS54::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, 0x04, id, 0x00, false);
}

int CSC_Profile_CardOS54::SCSelectEF(unsigned char* id) { return selectFileFcp(*this, id); }

// Size from tag 80 of the FCP template in `fcp`.
int CSC_Profile_CardOS54::SearchSizeFCPTag(unsigned char* fcp, int length) {
    return length > 0 ? fcpFileSize(fcp, static_cast<unsigned>(length), false) : 0;
}

int CSC_Profile_CardOS54::GetFileLen() { return SearchSizeFCPTag(m_response.data(), m_respLen); }

int CSC_Profile_CardOS54::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                  unsigned long* outLength) {
    return getDataNoLe(*this, 0x00, p1, p2, out, outLength);
}

int CSC_Profile_CardOS54::returnResult() { return loggedResult(cardosResult(getSW(), m_remainingTries)); }

int CSC_Profile_CardOS54::getUniqueChipID() { return cardosChipId(*this); }
void CSC_Profile_CardOS54::ReadCardSerial() { getUniqueChipID(); }

std::string CSC_Profile_CardOS54::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

bool CSC_Profile_CardOS54::isSupportedHashAlgo(int a, int b) {
    if (a == 2)
        return b == 1;
    if (a == 1)
        return b >= 1 && b < 4;
    return true;
}

// The hash itself, in a buffer of keyBits / 4 bytes.
int CSC_Profile_CardOS54::BuildSignBuffer(unsigned int, int keyBits, unsigned char* hash, unsigned long hashLength,
                                          unsigned char** out, unsigned long* outLength, bool) {
    return hashOnlyBlock(keyBits, hash, hashLength, out, outLength);
}

int CSC_Profile_CardOS54::SCManageSE_restore(unsigned char se) { return cardosRestoreSE(*this, se); }

int CSC_Profile_CardOS54::SCManageSE(std::string, unsigned char keyRef, unsigned int) {
    return cardosSetDecipherKey(*this, keyRef);
}

int CSC_Profile_CardOS54::SCSignData(std::string, unsigned char, int keyBits, unsigned int algId, unsigned char* hash,
                                     unsigned long hashLength, unsigned char* signature, unsigned long* signatureLength,
                                     int profileType) {
    vn_log(1, "--entering CSC_Profile_CardOS54::SCSignData\n");
    if (profileType != CP_NONE && profileType != vn_card::kCardOs54)  // the card type keeps the detected profile
        m_profileType = profileType;
    unsigned char se = kSeDefault;
    if (isECCProfile() && hasCodeOf(algId, vn_crypto::DigestKind::SHA256))
        se = kSeEcdsa;
    else if (hasCodeOf(algId, vn_crypto::DigestKind::SHA384))
        se = kSeSha384;
    else if (hasCodeOf(algId, vn_crypto::DigestKind::SHA512))
        se = kSeSha512;
    SCManageSE_restore(se);
    SignBlock block;
    if (!buildSignBlock(*this, algId, keyBits, hash, hashLength, false, block))
        return SC_CMD_FAILED;
    if (!send(*this,
              Command::iso(kApduCase4Extended, kInsPso, kPsoSignature, kPsoToBeSigned).withData(block).withLe(0x0000)))
        return SC_CMD_FAILED;
    return signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied, kSwDataNotFound});
}

int CSC_Profile_CardOS54::SCRSADecrypt(std::string, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                       unsigned char* out, unsigned long* outLength, int) {
    return cardosDecipher(*this, kSeSignBt1, keyRef, in, inLength, out, outLength);
}

PIN_VERIFY_STRUCTURE* CSC_Profile_CardOS54::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_CardOS54::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}

void CSC_Profile_CardOS54::ModifyVerifyStruct(std::string, unsigned char, PIN_VERIFY_STRUCTURE* s) {
    adjustLimits(s, m_minPinLen, m_maxPinLen);
}

void CSC_Profile_CardOS54::ModifyModifyStruct(std::string, unsigned char, PIN_MODIFY_STRUCTURE* s) {
    adjustLimits(s, m_minPinLen, m_maxPinLen);
}
