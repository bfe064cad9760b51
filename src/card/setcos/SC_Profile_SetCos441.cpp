// SetCOS 4.4.1: a T=0 card; SELECT without Le (the FCI comes by GET RESPONSE), ASCII
// PINs, 1024-bit keys named by their key files in the security environment.

#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinPadStructures.h"
#include "card/setcos/SetCosFamily.h"
#include "vn_log.h"

using namespace vn_cardos;

// A selection with control parameters costs a GET RESPONSE on this T=0 card: the serial
// (EF 2F02 of the MF) is checked again by a selection of its path from the MF without
// them and one read, wherever the card was left.
CSC_Profile_SetCos441::CSC_Profile_SetCos441() {
    m_serialProbe = kSerialProbeSelectPathNoFci;
    m_serialFile[0] = 0x2F;
    m_serialFile[1] = 0x02;
}

void CSC_Profile_SetCos441::SetMinMaxKeyLength() {
    m_maxKeyLen = 1024;
    m_minKeyLen = 1024;
}

int CSC_Profile_SetCos441::SCSelectMF() { return selectMasterFile(*this, kApduCase3, 0x00, 0); }

int CSC_Profile_SetCos441::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase3, 0x01, 0x00, id, 0, false);
}
int CSC_Profile_SetCos441::SCSelectEF(unsigned char* id) {
    return selectId(*this, kApduCase3, 0x02, 0x00, id, 0, true);
}
int CSC_Profile_SetCos441::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, true); }

int CSC_Profile_SetCos441::GetData(unsigned char p1, unsigned char p2, unsigned char le, unsigned char* out,
                                   unsigned long* outLength) {
    if (!send(*this, Command::iso(kApduCase2, kInsGetData, p1, p2).withLe(le)) || !isSW(0x90, 0x00) ||
        !copyResponse(*this, out, outLength, 0))
        return SC_CMD_FAILED;
    return 0;
}

// From where the card was left: the serial is read first in detection, and after a
// refused probe the MF is selected without its control parameters.
void CSC_Profile_SetCos441::ReadCardSerial() { readSerialFile(*this, "3f002f02", true); }

std::string CSC_Profile_SetCos441::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

int CSC_Profile_SetCos441::EraseFile() { return sendForResult(*this, kApduLcOnly, 0x0E, Bytes()); }

int CSC_Profile_SetCos441::GenRSAKeyPair() { return setcosGenerate(*this, 1024); }

int CSC_Profile_SetCos441::GetPubKey(std::string keyPath, unsigned char, unsigned char* out, unsigned long* outLength) {
    return setcosPubKey(*this, keyPath, out, outLength);
}

int CSC_Profile_SetCos441::SCManageSE(std::string keyPath, unsigned char, unsigned int) {
    return setcosManageSE(*this, keyPath);
}

int CSC_Profile_SetCos441::SCSignData(std::string keyPath, unsigned char, int keyBits, unsigned int algId,
                                      unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                      unsigned long* signatureLength, int) {
    vn_log(1, "--entering CSC_Profile_SetCos441::SCSignData\n");
    return setcosSign(*this, keyPath, keyBits, algId, hash, hashLength, signature, signatureLength, 6, 0);
}

int CSC_Profile_SetCos441::SCRSADecrypt(std::string keyPath, unsigned char, unsigned char* in, unsigned long inLength,
                                        unsigned char* out, unsigned long* outLength, int) {
    return shortDecipher(*this, 0xB8, setcosEnvironment(keyPath), in, inLength, out, outLength);
}

PIN_VERIFY_STRUCTURE* CSC_Profile_SetCos441::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_SetCos441::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}
