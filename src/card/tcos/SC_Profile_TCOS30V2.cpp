// TCOS 3.0 version 2: selection as TCOS 3.0, applications selected by AID, ASCII PINs.
// The keys are elliptic-curve keys addressed through their application: the card signs
// the hash. Decipherment is not offered.
#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinPadStructures.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
const unsigned char kCipherTemplateKey = 0x81;  // this key takes the confidentiality template
}  // namespace

int CSC_Profile_TCOS30V2::SCSelectMF() { return selectMasterFile(*this, kApduCase4, 0x04, 0xFF); }

int CSC_Profile_TCOS30V2::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, 0x04, id, 0xFF, false);
}
int CSC_Profile_TCOS30V2::SCSelectEF(unsigned char* id) {
    return selectId(*this, kApduCase4, 0x02, 0x04, id, 0xFF, true);
}
int CSC_Profile_TCOS30V2::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, true); }

int CSC_Profile_TCOS30V2::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                  unsigned long* outLength) {
    return getDataNoLe(*this, 0x00, p1, p2, out, outLength);
}

void CSC_Profile_TCOS30V2::ReadCardSerial() { readSerialFile(*this, "3f002f02"); }

std::string CSC_Profile_TCOS30V2::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

// The keys of this card are reached through their applications and need no key
// agreement.
int CSC_Profile_TCOS30V2::InitSM() {
    vn_log(1, "--entering CSC_Profile_Base::InitSM\n");
    if (CSC_Profile_TCOS30::needsSecureMessaging(m_keyPath)) {
        m_smInitialized = false;
        vn_log(1, "CSC_Profile_TCOS30V2::InitSM: secure messaging not available for %s\n", m_keyPath.c_str());
        return SC_CMD_FAILED;
    }
    return 0;
}

int CSC_Profile_TCOS30V2::SCSelectAID(unsigned char* aid, unsigned int length) {
    if (aid == nullptr || length == 0 || length > 16 ||
        !send(*this, Command::iso(kApduCase4, kInsSelect, 0x04, 0x04).withData(aid, length).withLe(0xFF)))
        return SC_CMD_FAILED;
    return isSW(0x90, 0x00) ? 0 : SC_CMD_FAILED;
}

// Elliptic-curve keys (up to 521 bits) sign the hash itself; RSA keys the DigestInfo,
// padded when asked.
int CSC_Profile_TCOS30V2::BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash,
                                          unsigned long hashLength, unsigned char** out, unsigned long* outLength,
                                          bool pad) {
    if (keyBits > 521)
        return CSC_Profile_Base::BuildSignBuffer(algId, keyBits, hash, hashLength, out, outLength, pad);
    if (hash == nullptr || hashLength == 0)
        return SC_CMD_FAILED;
    return handOut(SignBlock(hash, hash + hashLength), out, outLength);
}

int CSC_Profile_TCOS30V2::InternalAuthenticate(unsigned char* in, unsigned long inLength, unsigned char* out,
                                               unsigned long* outLength) {
    return internalAuthenticate(*this, in, inLength, out, outLength);
}

int CSC_Profile_TCOS30V2::ExternalAuthenticate(unsigned char* in, unsigned long inLength) {
    return externalAuthenticate(*this, in, inLength);
}

int CSC_Profile_TCOS30V2::SCManageSE(std::string, unsigned char keyRef, unsigned int) {
    unsigned char p2 = keyRef == kCipherTemplateKey ? 0xB8 : 0xB6;
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, p2).withData(Bytes{0x84, 0x01, keyRef})) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    return 0;
}

int CSC_Profile_TCOS30V2::SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                                     unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                     unsigned long* signatureLength, int) {
    vn_log(1, "--entering CSC_Profile_TCOS30V2::SCSignData\n");
    if (SCManageSE(keyPath, keyRef, algId) != 0)
        return SC_CMD_FAILED;
    return signBlock(*this, psoSignature(kApduCase4, 0x00), keyBits, algId, hash, hashLength, signature,
                     signatureLength, {kSwSecurityNotSatisfied});
}

int CSC_Profile_TCOS30V2::SCRSADecrypt(std::string, unsigned char, unsigned char*, unsigned long, unsigned char*,
                                       unsigned long*, int) {
    return SC_CMD_FAILED;
}

// The pin pad takes PINs of 5 to 15 digits whatever the card's own limits.
PIN_VERIFY_STRUCTURE* CSC_Profile_TCOS30V2::InitPart10_Verify() { return defaultVerifyStructure(5, 15); }

PIN_MODIFY_STRUCTURE* CSC_Profile_TCOS30V2::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}
