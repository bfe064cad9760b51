// Micardo 2.1: a T=0 card with FCI answers, ASCII PINs of 6 to 8 digits and 1024-bit
// keys; the qualified key signs by INTERNAL AUTHENTICATE, the others by PSO.

#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinPadStructures.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
const char kInternalAuthKey[] = "3F0040160050";
// Key reference object of the environments: 83 03 80 <key> 00.
Bytes keyObject(unsigned char keyRef) { return Bytes{0x83, 0x03, 0x80, keyRef, 0x00}; }
}  // namespace

// A selection with control parameters costs a GET RESPONSE on this T=0 card: the serial
// (EF 5015 of the MF) is checked again by a selection without them and one read.
CSC_Profile_Micardo21::CSC_Profile_Micardo21() {
    m_serialProbe = kSerialProbeSelectNoFci;
    m_serialFile[0] = 0x50;
    m_serialFile[1] = 0x15;
}

void CSC_Profile_Micardo21::SetMinMaxPINLength() {
    m_minPinLen = 6;
    m_maxPinLen = 8;
}

void CSC_Profile_Micardo21::SetMinMaxKeyLength() {
    m_maxKeyLen = 1024;
    m_minKeyLen = 1024;
}

int CSC_Profile_Micardo21::SCSelectMF() {
    markMasterFile(*this);
    if (!send(*this, Command::iso(kApduCase2, kInsSelect, 0x00, 0x00).withLe(0x00)))
        return SC_CMD_FAILED;
    // Under T=0 the card may answer 6C xx (the FCI is shorter than 256 bytes): the MF is
    // selected all the same.
    if (m_sw1 == 0x6C)
        return 0;
    return selectResult(getSW(), false);
}

int CSC_Profile_Micardo21::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase3, 0x01, 0x00, id, 0, false);
}
int CSC_Profile_Micardo21::SCSelectEF(unsigned char* id) {
    return selectId(*this, kApduCase3, 0x02, 0x00, id, 0, true);
}
int CSC_Profile_Micardo21::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, true); }

int CSC_Profile_Micardo21::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                   unsigned long* outLength) {
    return getDataNoLe(*this, 0x00, p1, p2, out, outLength);
}

void CSC_Profile_Micardo21::ReadCardSerial() { readSerialFile(*this, "3f005015"); }

std::string CSC_Profile_Micardo21::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

// The qualified key takes the authentication template, the others the digital
// signature template.
int CSC_Profile_Micardo21::SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int) {
    unsigned char p2 = upperPath(keyPath) == kInternalAuthKey ? 0xA4 : 0xB6;
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, p2).withData(keyObject(keyRef))) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    return 0;
}

int CSC_Profile_Micardo21::SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                                      unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                      unsigned long* signatureLength, int) {
    vn_log(1, "--entering CSC_Profile_Micardo21::SCSignData\n");
    if (SCManageSE(keyPath, keyRef, algId) != 0)
        return SC_CMD_FAILED;
    const bool internalAuth = upperPath(keyPath) == kInternalAuthKey;
    const Command command =
        internalAuth ? Command::iso(kApduCase3, kInsInternalAuthenticate, 0x00, 0x00) : psoSignature(kApduCase3, 0);
    return signBlock(*this, command, keyBits, algId, hash, hashLength, signature, signatureLength, {});
}

int CSC_Profile_Micardo21::SCRSADecrypt(std::string, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                        unsigned char* out, unsigned long* outLength, int) {
    return shortDecipher(*this, 0xAA, keyObject(keyRef), in, inLength, out, outLength);
}

PIN_VERIFY_STRUCTURE* CSC_Profile_Micardo21::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_Micardo21::InitPart10_Modify() {
    PIN_MODIFY_STRUCTURE* s = defaultModifyStructure(m_minPinLen, m_maxPinLen);
    bytesOf(s)[pm::OffsetNew] = 0x08;
    setDataLength(bytesOf(s) + pm::DataLength, 21);
    return s;
}

// ASCII PIN as typed: byte positions, no length field, the reader sets Lc.
void CSC_Profile_Micardo21::ModifyVerifyStruct(std::string, unsigned char ref, PIN_VERIFY_STRUCTURE* s) {
    asciiAdjustVerify(s, ref, 0x00, 4, m_minPinLen, m_maxPinLen);
}

// Old and new PIN as ASCII, each in an 8-byte field padded with FF.
void CSC_Profile_Micardo21::ModifyModifyStruct(std::string, unsigned char ref, PIN_MODIFY_STRUCTURE* s) {
    asciiAdjustModify(s, ref, m_minPinLen, m_maxPinLen);
}

// The structure, then Lc 10 and two 8-byte FF templates.
int CSC_Profile_Micardo21::startPinPadModify() { return startPinPadTemplate(*this, true, 0x10, 0xFF); }
