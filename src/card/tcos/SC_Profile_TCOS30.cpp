// TCOS 3.0: FCP selection with Le FF, ASCII PINs. Keys of the signature application are
// used under secure messaging (SC_Profile_TCOS30_SM.cpp); the others sign the
// DigestInfo or, through DECIPHER, the padded block.
#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinPadStructures.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
const char* const kSmKeys[] = {"3F00DF01C000", "3F00DF015344"};
const char kDirectKey[] = "3F00DF025344";
const unsigned char kDirectKeyRef = 0x80;
const unsigned char kAlgDecipher = 0x0A;  // RSA private-key operation without padding removal
}  // namespace

bool CSC_Profile_TCOS30::needsSecureMessaging(const std::string& keyPath) {
    std::string p = upperPath(keyPath);
    for (const char* k : kSmKeys)
        if (p == k)
            return true;
    return false;
}

int CSC_Profile_TCOS30::SCSelectMF() { return selectMasterFile(*this, kApduCase4, 0x04, 0xFF); }

int CSC_Profile_TCOS30::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, 0x04, id, 0xFF, false);
}
int CSC_Profile_TCOS30::SCSelectEF(unsigned char* id) {
    return selectId(*this, kApduCase4, 0x02, 0x04, id, 0xFF, true);
}
int CSC_Profile_TCOS30::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, true); }

int CSC_Profile_TCOS30::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                unsigned long* outLength) {
    return getDataNoLe(*this, 0x00, p1, p2, out, outLength);
}

void CSC_Profile_TCOS30::ReadCardSerial() { readSerialFile(*this, "3f002f02"); }

std::string CSC_Profile_TCOS30::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

int CSC_Profile_TCOS30::InternalAuthenticate(unsigned char* in, unsigned long inLength, unsigned char* out,
                                             unsigned long* outLength) {
    return internalAuthenticate(*this, in, inLength, out, outLength);
}

int CSC_Profile_TCOS30::ExternalAuthenticate(unsigned char* in, unsigned long inLength) {
    return externalAuthenticate(*this, in, inLength);
}

int CSC_Profile_TCOS30::SCManageSE(std::string, unsigned char keyRef, unsigned int) {
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateCipher)
                         .withData(Bytes{0x80, 0x01, kAlgDecipher, 0x84, 0x01, keyRef})) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    return 0;
}

int CSC_Profile_TCOS30::SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                                   unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                   unsigned long* signatureLength, int) {
    vn_log(1, "--entering CSC_Profile_TCOS30::SCSignData\n");
    keyPath = upperPath(keyPath);
    if (needsSecureMessaging(keyPath))
        return SignProtected(algId, keyBits, hash, hashLength, signature, signatureLength);
    SignBlock block;
    bool sent;
    if (keyPath == kDirectKey && keyRef == kDirectKeyRef) {
        if (!buildSignBlock(*this, algId, keyBits, hash, hashLength, false, block))
            return SC_CMD_FAILED;
        sent = send(
            *this,
            Command::iso(kApduCase4Extended, kInsPso, kPsoSignature, kPsoToBeSigned).withData(block).withLe(0x0000));
    } else {
        if (keyPath == kDirectKey && SCManageSE(keyPath, keyRef, algId) != 0)
            return SC_CMD_FAILED;
        if (!buildSignBlock(*this, algId, keyBits, hash, hashLength, true, block))
            return SC_CMD_FAILED;
        prependZero(block);
        sent = send(
            *this,
            Command::iso(kApduCase4Extended, kInsPso, kPsoPlain, kPsoPaddedCryptogram).withData(block).withLe(0x0000));
    }
    if (!sent)
        return SC_CMD_FAILED;
    return signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied});
}

int CSC_Profile_TCOS30::SCRSADecrypt(std::string, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                     unsigned char* out, unsigned long* outLength, int) {
    return decipher(*this, Bytes{0x80, 0x01, kAlgDecipher, 0x84, 0x01, keyRef}, 0x00, in, inLength, out, outLength,
                    true);
}

PIN_VERIFY_STRUCTURE* CSC_Profile_TCOS30::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_TCOS30::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}
