// The test-only card OS: the shared ISO commands with its own values.
#include "TestOs.h"

#include "card/IsoCommands.h"
#include "card/PinPadStructures.h"

using namespace vn_cardos;

namespace {
const unsigned char kProprietaryClass = 0x80;
const unsigned char kChipSerial[2] = {0x01, 0x81};  // GET DATA P1 P2
const unsigned char kFcpTemplate = 0x04;            // SELECT P2: answer with the FCP
const unsigned char kKeyReference = 0x84;           // MANAGE SECURITY ENVIRONMENT tag
}  // namespace

std::string CSC_Profile_TestOs::getCardSerial() {
    unsigned char serial[32] = {0};
    unsigned long length = sizeof serial;
    if (GetData(kChipSerial[0], kChipSerial[1], 0, serial, &length) != 0)
        return std::string();
    static const char digits[] = "0123456789ABCDEF";
    m_serial.clear();
    for (unsigned long i = 0; i < length; ++i) {
        m_serial += digits[serial[i] >> 4];
        m_serial += digits[serial[i] & 0x0F];
    }
    return m_serial;
}

int CSC_Profile_TestOs::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, false); }

int CSC_Profile_TestOs::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                unsigned long* outLength) {
    return getDataNoLe(*this, kProprietaryClass, p1, p2, out, outLength);
}

int CSC_Profile_TestOs::SCSelectMF() { return selectMasterFile(*this, kApduCase4, kFcpTemplate, 0x00); }

int CSC_Profile_TestOs::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, kFcpTemplate, id, 0x00, false);
}

int CSC_Profile_TestOs::SCSelectEF(unsigned char* id) { return selectFileFcp(*this, id); }

int CSC_Profile_TestOs::PreSigning(int profileType, std::string keyPath) {
    m_profileType = profileType;
    m_keyPath = keyPath;
    return SelectPath(keyPath, false, false, false, false);
}

int CSC_Profile_TestOs::SCSignData(std::string, unsigned char keyRef, int keyBits, unsigned int algId,
                                   unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                   unsigned long* signatureLength, int) {
    const Bytes se = {kKeyReference, 0x01, keyRef};
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateSign).withData(se)) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    return signBlock(*this, psoSignature(kApduCase4, 0x00), keyBits, algId, hash, hashLength, signature,
                     signatureLength, {sw(0x69, 0x82)});
}

int CSC_Profile_TestOs::SCRSADecrypt(std::string, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                     unsigned char* out, unsigned long* outLength, int) {
    return decipher(*this, {kKeyReference, 0x01, keyRef}, 0x00, in, inLength, out, outLength, false);
}

PIN_VERIFY_STRUCTURE* CSC_Profile_TestOs::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_TestOs::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}
