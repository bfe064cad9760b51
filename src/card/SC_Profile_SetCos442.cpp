// SetCOS 4.4.2: as SetCOS 4.4.1 with selection by path, PINs of 6 to 8 characters sent
// zero-padded to 8 bytes, 2048-bit keys and decipherment in extended form.
#include <cstring>
#include <memory>

#include "CardOsCommon.h"
#include "SC_Profile_CardOS.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
const unsigned char kAlgPkcs1 = 0x02;  // RSA, PKCS#1 v1.5 padding by the card
// Key generation: 2048-bit modulus (80 02 08 00), public exponent 65537 (81 03 01 00 01).
const unsigned char kGenerate[9] = {0x80, 0x02, 0x08, 0x00, 0x81, 0x03, 0x01, 0x00, 0x01};

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

const unsigned kPinBlock = 8;

void CSC_Profile_SetCos442::SetMinMaxKeyLength() {
    m_maxKeyLen = 2048;
    m_minKeyLen = 2048;
}

void CSC_Profile_SetCos442::SetMinMaxPINLength() {
    m_minPinLen = 6;
    m_maxPinLen = 8;
}

int CSC_Profile_SetCos442::SCVerify(unsigned char ref, unsigned char* pin, unsigned char length) {
    Bytes block;
    if (!paddedBlock(pin, length, kPinBlock, block))
        return SC_CMD_FAILED;
    bool sent = send(*this, 6, 0x00, 0x20, 0x00, ref, block, 0);
    std::fill(block.begin(), block.end(), 0);
    return sent ? returnResult() : SC_CMD_FAILED;
}

namespace {
int twoPadded(CSC_Profile_Base& card, unsigned char ins, unsigned char ref, const unsigned char* a, unsigned aLength,
              const unsigned char* b, unsigned bLength) {
    Bytes first, second;
    if (!paddedBlock(a, aLength, kPinBlock, first) || !paddedBlock(b, bLength, kPinBlock, second))
        return CSC_Profile_Base::SC_CMD_FAILED;
    first.insert(first.end(), second.begin(), second.end());
    bool sent = send(card, 6, 0x00, ins, 0x00, ref, first, 0);
    std::fill(first.begin(), first.end(), 0);
    std::fill(second.begin(), second.end(), 0);
    return sent ? card.returnResult() : CSC_Profile_Base::SC_CMD_FAILED;
}
}  // namespace

int CSC_Profile_SetCos442::SCChangeRef(unsigned char ref, unsigned char* oldPin, unsigned char oldLength,
                                       unsigned char* newPin, unsigned char newLength) {
    SetMinMaxPINLength();
    if (newLength < m_minPinLen || newLength > m_maxPinLen)
        return SC_CMD_FAILED;
    return twoPadded(*this, 0x24, ref, oldPin, oldLength, newPin, newLength);
}

int CSC_Profile_SetCos442::SCUnblockPin(unsigned char ref, unsigned char* puk, unsigned char pukLength,
                                        unsigned char* newPin, unsigned char newLength) {
    SetMinMaxPINLength();
    if (newLength < m_minPinLen || newLength > m_maxPinLen)
        return SC_CMD_FAILED;
    return twoPadded(*this, 0x2C, ref, puk, pukLength, newPin, newLength);
}

int CSC_Profile_SetCos442::SCUnblockPin2(unsigned char ref, unsigned char* puk, unsigned char pukLength) {
    Bytes block;
    if (!paddedBlock(puk, pukLength, kPinBlock, block))
        return SC_CMD_FAILED;
    bool sent = send(*this, 6, 0x00, 0x2C, 0x01, ref, block, 0);
    std::fill(block.begin(), block.end(), 0);
    return sent ? returnResult() : SC_CMD_FAILED;
}

int CSC_Profile_SetCos442::SCSelectMF() {
    const Bytes mf = {0x3F, 0x00};
    m_currDF[0] = 0x3F;
    m_currDF[1] = 0x00;
    m_currDFLen = 2;
    m_currEFLen = 0;
    if (!send(*this, 6, 0x00, 0xA4, 0x00, 0x00, mf, 0))
        return SC_CMD_FAILED;
    return selectResult(getSW(), false);
}

// Directories and files by path from the current directory (P1 09).
int CSC_Profile_SetCos442::SCSelectDF(unsigned char* id, int length) {
    if (id == nullptr || length <= 0 || length > 16 || length % 2 ||
        !send(*this, 6, 0x00, 0xA4, 0x09, 0x00, Bytes(id, id + length), 0))
        return SC_CMD_FAILED;
    return selectResult(getSW(), false);
}

int CSC_Profile_SetCos442::SCSelectEF(unsigned char* id) { return selectId(*this, 6, 0x09, 0x00, id, 0, true); }
int CSC_Profile_SetCos442::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, true); }

int CSC_Profile_SetCos442::GetData(unsigned char p1, unsigned char p2, unsigned char le, unsigned char* out,
                                   unsigned long* outLength) {
    if (!send(*this, 2, 0x00, 0xCA, p1, p2, Bytes(), le))
        return SC_CMD_FAILED;
    if (m_sw1 == 0x61 && !send(*this, 2, 0x00, 0xC0, 0x00, 0x00, Bytes(), m_sw2))
        return SC_CMD_FAILED;
    if (!isSW(0x90, 0x00) || !copyResponse(*this, out, outLength, 0))
        return SC_CMD_FAILED;
    return 0;
}

void CSC_Profile_SetCos442::ReadCardSerial() { readSerialFile(*this, "3f002f02"); }

std::string CSC_Profile_SetCos442::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

int CSC_Profile_SetCos442::EraseFile() {
    if (!send(*this, 0, 0x00, 0x0E, 0x00, 0x00, Bytes(), 0))
        return SC_CMD_FAILED;
    return returnResult();
}

int CSC_Profile_SetCos442::GenRSAKeyPair() {
    if (!send(*this, 6, 0x00, 0x46, 0x00, 0x00, Bytes(kGenerate, kGenerate + sizeof(kGenerate)), 0))
        return SC_CMD_FAILED;
    return returnResult();
}

// Modulus (GET DATA 01 01) followed by the public exponent (GET DATA 01 02).
int CSC_Profile_SetCos442::GetPubKey(std::string keyPath, unsigned char, unsigned char* out,
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

int CSC_Profile_SetCos442::SCManageSE(std::string keyPath, unsigned char, unsigned int) {
    if (!send(*this, 6, 0x00, 0x22, 0x41, 0xB6, environment(keyPath), 0) || !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    return 0;
}

int CSC_Profile_SetCos442::SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                                      unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                      unsigned long* signatureLength, int) {
    vn_log(1, "--entering CSC_Profile_SetCos442::SCSignData\n");
    if (SCManageSE(keyPath, keyRef, algId) != 0)
        return SC_CMD_FAILED;
    unsigned char* block = nullptr;
    unsigned long blockLength = 0;
    if (BuildSignBuffer(algId, keyBits, hash, hashLength, &block, &blockLength, false) != 0)
        return SC_CMD_FAILED;
    std::unique_ptr<unsigned char[]> owned(block);
    // With Le: under T=1 the card returns the signature only when it is asked for.
    if (!send(*this, 5, 0x00, 0x2A, 0x9E, 0x9A, Bytes(block, block + blockLength), 0x00))
        return SC_CMD_FAILED;
    return signResult(*this, signature, signatureLength, {});
}

int CSC_Profile_SetCos442::SCRSADecrypt(std::string keyPath, unsigned char, unsigned char* in, unsigned long inLength,
                                        unsigned char* out, unsigned long* outLength, int) {
    return decipher(*this, environment(keyPath), 0x00, in, inLength, out, outLength, true);
}

PIN_VERIFY_STRUCTURE* CSC_Profile_SetCos442::InitPart10_Verify() {
    PIN_VERIFY_STRUCTURE* s = starcosVerifyStructure(m_minPinLen, m_maxPinLen);
    bytesOf(s)[pv::BlockString] = 0x08;
    return s;
}

PIN_MODIFY_STRUCTURE* CSC_Profile_SetCos442::InitPart10_Modify() {
    PIN_MODIFY_STRUCTURE* s = starcosModifyStructure(m_minPinLen, m_maxPinLen);
    bytesOf(s)[pm::BlockString] = 0x08;
    return s;
}

// ASCII PIN in an 8-byte field at byte 0 of the command data, zero-padded.
void CSC_Profile_SetCos442::ModifyVerifyStruct(std::string, unsigned char ref, PIN_VERIFY_STRUCTURE* s) {
    if (s == nullptr)
        return;
    unsigned char* b = bytesOf(s);
    b[pv::FormatString] = 0x82;
    b[pv::BlockString] = 0x08;
    b[pv::LengthFormat] = 0x00;
    setMaxExtra(b + pv::MaxExtra, m_minPinLen, m_maxPinLen);
    setDataLength(b + pv::DataLength, 13);
    b[pv::Data + 3] = ref;
}

void CSC_Profile_SetCos442::ModifyModifyStruct(std::string, unsigned char ref, PIN_MODIFY_STRUCTURE* s) {
    if (s == nullptr)
        return;
    unsigned char* b = bytesOf(s);
    b[pm::FormatString] = 0x82;
    b[pm::BlockString] = 0x08;
    b[pm::LengthFormat] = 0x00;
    b[pm::OffsetOld] = 0x00;
    b[pm::OffsetNew] = 0x08;
    setMaxExtra(b + pm::MaxExtra, m_minPinLen, m_maxPinLen);
    setDataLength(b + pm::DataLength, 21);
    b[pm::Data + 3] = ref;
}

// The structure, then Lc 08 and a zero-filled 8-byte template.
int CSC_Profile_SetCos442::startPinPadVerify() {
    if (m_pinVerify == nullptr)
        return 1;
    const unsigned char* b = bytesOf(m_pinVerify);
    Bytes m;
    m.reserve(64);
    m.insert(m.end(), b, b + VN_PIN_VERIFY_SIZE);
    m.push_back(0x08);
    m.insert(m.end(), 8, 0x00);
    return startPinPad(*this, false, m);
}

// The structure, then Lc 10 and two zero-filled 8-byte templates.
int CSC_Profile_SetCos442::startPinPadModify() {
    if (m_pinModify == nullptr)
        return 1;
    const unsigned char* b = bytesOf(m_pinModify);
    Bytes m;
    m.reserve(64);
    m.insert(m.end(), b, b + VN_PIN_MODIFY_SIZE);
    m.push_back(0x10);
    m.insert(m.end(), 16, 0x00);
    return startPinPad(*this, true, m);
}
