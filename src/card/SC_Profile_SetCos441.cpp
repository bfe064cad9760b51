// SetCOS 4.4.1: a T=0 card; SELECT without Le (the FCI comes by GET RESPONSE), ASCII
// PINs, 1024-bit keys named by their key files in the security environment.
#include <cstring>
#include <memory>

#include "CardOsCommon.h"
#include "SC_Profile_CardOS.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
const unsigned char kAlgPkcs1 = 0x02;  // RSA, PKCS#1 v1.5 padding by the card
// Key generation: 1024-bit modulus (80 02 04 00), public exponent 65537 (81 03 01 00 01).
const unsigned char kGenerate[9] = {0x80, 0x02, 0x04, 0x00, 0x81, 0x03, 0x01, 0x00, 0x01};

// Environment data: algorithm 80 01 02 and the key file 81 02 <last identifier>.
Bytes environment(const std::string& keyPath) {
    Bytes fid(2, 0x00);
    std::string p = upperPath(keyPath);
    if (p.size() >= 4) {
        unsigned short n = 2;
        CSC_Profile_Base::str2hex(p.substr(p.size() - 4).c_str(), fid.data(), &n);
    }
    return Bytes{0x80, 0x01, kAlgPkcs1, 0x81, 0x02, fid[0], fid[1]};
}
}  // namespace

void CSC_Profile_SetCos441::SetMinMaxKeyLength() {
    m_maxKeyLen = 1024;
    m_minKeyLen = 1024;
}

int CSC_Profile_SetCos441::SCSelectMF() {
    const Bytes mf = {0x3F, 0x00};
    m_currDF[0] = 0x3F;
    m_currDF[1] = 0x00;
    m_currDFLen = 2;
    m_currEFLen = 0;
    if (!send(*this, 6, 0x00, 0xA4, 0x00, 0x00, mf, 0))
        return SC_CMD_FAILED;
    return selectResult(getSW(), false);
}

int CSC_Profile_SetCos441::SCSelectDF(unsigned char* id, int) { return selectId(*this, 6, 0x01, 0x00, id, 0, false); }
int CSC_Profile_SetCos441::SCSelectEF(unsigned char* id) { return selectId(*this, 6, 0x02, 0x00, id, 0, true); }
int CSC_Profile_SetCos441::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, true); }

int CSC_Profile_SetCos441::GetData(unsigned char p1, unsigned char p2, unsigned char le, unsigned char* out,
                                   unsigned long* outLength) {
    if (!send(*this, 2, 0x00, 0xCA, p1, p2, Bytes(), le) || !isSW(0x90, 0x00) ||
        !copyResponse(*this, out, outLength, 0))
        return SC_CMD_FAILED;
    return 0;
}

void CSC_Profile_SetCos441::ReadCardSerial() { readSerialFile(*this, "3f002f02"); }

std::string CSC_Profile_SetCos441::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

int CSC_Profile_SetCos441::EraseFile() {
    if (!send(*this, 0, 0x00, 0x0E, 0x00, 0x00, Bytes(), 0))
        return SC_CMD_FAILED;
    return returnResult();
}

int CSC_Profile_SetCos441::GenRSAKeyPair() {
    if (!send(*this, 6, 0x00, 0x46, 0x00, 0x00, Bytes(kGenerate, kGenerate + sizeof(kGenerate)), 0))
        return SC_CMD_FAILED;
    return returnResult();
}

// Modulus (GET DATA 01 01) followed by the public exponent (GET DATA 01 02).
int CSC_Profile_SetCos441::GetPubKey(std::string keyPath, unsigned char, unsigned char* out,
                                     unsigned long* outLength) {
    if (out == nullptr || outLength == nullptr || SelectPath(keyPath, false, false, false, false) != 0)
        return SC_CMD_FAILED;
    unsigned long capacity = *outLength;
    unsigned char part[258];
    unsigned long modulus = 0, exponent = 0;
    if (GetData(0x01, 0x01, 0x00, part, &modulus) != 0 || (capacity && modulus > capacity))
        return SC_CMD_FAILED;
    std::memcpy(out, part, modulus);
    if (GetData(0x01, 0x02, 0x00, part, &exponent) != 0 || (capacity && modulus + exponent > capacity))
        return SC_CMD_FAILED;
    std::memcpy(out + modulus, part, exponent);
    *outLength = modulus + exponent;
    return 0;
}

int CSC_Profile_SetCos441::SCManageSE(std::string keyPath, unsigned char, unsigned int) {
    if (!send(*this, 6, 0x00, 0x22, 0x41, 0xB6, environment(keyPath), 0) || !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    return 0;
}

int CSC_Profile_SetCos441::SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                                      unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                      unsigned long* signatureLength, int) {
    vn_log(1, "--entering CSC_Profile_SetCos441::SCSignData\n");
    if (SCManageSE(keyPath, keyRef, algId) != 0)
        return SC_CMD_FAILED;
    unsigned char* block = nullptr;
    unsigned long blockLength = 0;
    if (BuildSignBuffer(algId, keyBits, hash, hashLength, &block, &blockLength, false) != 0)
        return SC_CMD_FAILED;
    std::unique_ptr<unsigned char[]> owned(block);
    if (!send(*this, 6, 0x00, 0x2A, 0x9E, 0x9A, Bytes(block, block + blockLength), 0))
        return SC_CMD_FAILED;
    return signResult(*this, signature, signatureLength, {});
}

int CSC_Profile_SetCos441::SCRSADecrypt(std::string keyPath, unsigned char, unsigned char* in, unsigned long inLength,
                                        unsigned char* out, unsigned long* outLength, int) {
    if (in == nullptr || inLength == 0 || inLength > 254 || outLength == nullptr)
        return SC_CMD_FAILED;
    if (!send(*this, 6, 0x00, 0x22, 0x41, 0xB8, environment(keyPath), 0) || !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    Bytes data(in, in + inLength);
    data.insert(data.begin(), static_cast<unsigned char>(0x00));
    if (!send(*this, 6, 0x00, 0x2A, 0x80, 0x86, data, 0))
        return SC_CMD_FAILED;
    return signResult(*this, out, outLength, {});
}

PIN_VERIFY_STRUCTURE* CSC_Profile_SetCos441::InitPart10_Verify() {
    return starcosVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_SetCos441::InitPart10_Modify() {
    return starcosModifyStructure(m_minPinLen, m_maxPinLen);
}
