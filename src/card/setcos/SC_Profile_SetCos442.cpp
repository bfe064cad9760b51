// SetCOS 4.4.2: as SetCOS 4.4.1 with selection by path, PINs of 6 to 8 characters sent
// zero-padded to 8 bytes, 2048-bit keys and decipherment in extended form.

#include <algorithm>

#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinBlocks.h"
#include "card/PinPadStructures.h"
#include "card/setcos/SetCosFamily.h"
#include "vn_log.h"

using namespace vn_cardos;

const unsigned kPinBlock = 8;

void CSC_Profile_SetCos442::SetMinMaxKeyLength() {
    m_maxKeyLen = 2048;
    m_minKeyLen = 2048;
}

void CSC_Profile_SetCos442::SetMinMaxPINLength() {
    m_minPinLen = 6;
    m_maxPinLen = 8;
}

namespace {
// One ASCII block: VERIFY (20 00) or the PUK alone of RESET RETRY COUNTER (2C 01).
int onePadded(CSC_Profile_Base& card, unsigned char ins, unsigned char p1, unsigned char ref, const unsigned char* pin,
              unsigned length) {
    vn_secret::WipedBytes block;
    if (!paddedBlock(pin, length, kPinBlock, block))
        return CSC_Profile_Base::SC_CMD_FAILED;
    bool sent = send(card, Command::iso(kApduCase3, ins, p1, ref).withData(block.data(), block.size()));
    return sent ? card.returnResult() : CSC_Profile_Base::SC_CMD_FAILED;
}

// Two ASCII blocks (old PIN or PUK, then the new PIN); new PINs outside the card's
// limits give 255 without a command.
int twoPadded(CSC_Profile_Base& card, unsigned char ins, unsigned char ref, const unsigned char* a, unsigned aLength,
              const unsigned char* b, unsigned bLength) {
    card.SetMinMaxPINLength();
    if (bLength < card.getMinPinLength() || bLength > card.getMaxPinLength())
        return CSC_Profile_Base::SC_CMD_FAILED;
    vn_secret::WipedBytes first, second;
    if (!paddedBlock(a, aLength, kPinBlock, first) || !paddedBlock(b, bLength, kPinBlock, second))
        return CSC_Profile_Base::SC_CMD_FAILED;
    first.insert(first.end(), second.begin(), second.end());
    bool sent = send(card, Command::iso(kApduCase3, ins, 0x00, ref).withData(first.data(), first.size()));
    return sent ? card.returnResult() : CSC_Profile_Base::SC_CMD_FAILED;
}
}  // namespace

int CSC_Profile_SetCos442::SCVerify(unsigned char ref, unsigned char* pin, unsigned char length) {
    return onePadded(*this, 0x20, 0x00, ref, pin, length);
}

int CSC_Profile_SetCos442::SCChangeRef(unsigned char ref, unsigned char* oldPin, unsigned char oldLength,
                                       unsigned char* newPin, unsigned char newLength) {
    return twoPadded(*this, 0x24, ref, oldPin, oldLength, newPin, newLength);
}

int CSC_Profile_SetCos442::SCUnblockPin(unsigned char ref, unsigned char* puk, unsigned char pukLength,
                                        unsigned char* newPin, unsigned char newLength) {
    return twoPadded(*this, 0x2C, ref, puk, pukLength, newPin, newLength);
}

int CSC_Profile_SetCos442::SCUnblockPin2(unsigned char ref, unsigned char* puk, unsigned char pukLength) {
    return onePadded(*this, 0x2C, 0x01, ref, puk, pukLength);
}

int CSC_Profile_SetCos442::SCSelectMF() { return selectMasterFile(*this, kApduCase3, 0x00, 0); }

// Directories and files by path from the current directory (P1 09).
int CSC_Profile_SetCos442::SCSelectDF(unsigned char* id, int length) {
    if (id == nullptr || length <= 0 || length > 16 || length % 2 ||
        !send(*this, Command::iso(kApduCase3, kInsSelect, 0x09, 0x00).withData(id, length)))
        return SC_CMD_FAILED;
    return selectResult(getSW(), false);
}

int CSC_Profile_SetCos442::SCSelectEF(unsigned char* id) {
    return selectId(*this, kApduCase3, 0x09, 0x00, id, 0, true);
}
int CSC_Profile_SetCos442::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, true); }

int CSC_Profile_SetCos442::GetData(unsigned char p1, unsigned char p2, unsigned char le, unsigned char* out,
                                   unsigned long* outLength) {
    if (!send(*this, Command::iso(kApduCase2, kInsGetData, p1, p2).withLe(le)))
        return SC_CMD_FAILED;
    if (m_sw1 == 0x61 && !send(*this, Command::iso(kApduCase2, kInsGetResponse, 0x00, 0x00).withLe(m_sw2)))
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

int CSC_Profile_SetCos442::EraseFile() { return sendForResult(*this, kApduLcOnly, 0x0E, Bytes()); }

int CSC_Profile_SetCos442::GenRSAKeyPair() { return setcosGenerate(*this, 2048); }

int CSC_Profile_SetCos442::GetPubKey(std::string keyPath, unsigned char, unsigned char* out, unsigned long* outLength) {
    return setcosPubKey(*this, keyPath, out, outLength);
}

int CSC_Profile_SetCos442::SCManageSE(std::string keyPath, unsigned char, unsigned int) {
    return setcosManageSE(*this, keyPath);
}

int CSC_Profile_SetCos442::SCSignData(std::string keyPath, unsigned char, int keyBits, unsigned int algId,
                                      unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                      unsigned long* signatureLength, int) {
    vn_log(1, "--entering CSC_Profile_SetCos442::SCSignData\n");
    // With Le: under T=1 the card returns the signature only when it is asked for.
    return setcosSign(*this, keyPath, keyBits, algId, hash, hashLength, signature, signatureLength, 5, 0x00);
}

int CSC_Profile_SetCos442::SCRSADecrypt(std::string keyPath, unsigned char, unsigned char* in, unsigned long inLength,
                                        unsigned char* out, unsigned long* outLength, int) {
    return decipher(*this, setcosEnvironment(keyPath), 0x00, in, inLength, out, outLength, true);
}

PIN_VERIFY_STRUCTURE* CSC_Profile_SetCos442::InitPart10_Verify() {
    PIN_VERIFY_STRUCTURE* s = defaultVerifyStructure(m_minPinLen, m_maxPinLen);
    bytesOf(s)[pv::BlockString] = 0x08;
    return s;
}

PIN_MODIFY_STRUCTURE* CSC_Profile_SetCos442::InitPart10_Modify() {
    PIN_MODIFY_STRUCTURE* s = defaultModifyStructure(m_minPinLen, m_maxPinLen);
    bytesOf(s)[pm::BlockString] = 0x08;
    return s;
}

// ASCII PIN in an 8-byte field at byte 0 of the command data, zero-padded.
void CSC_Profile_SetCos442::ModifyVerifyStruct(std::string, unsigned char ref, PIN_VERIFY_STRUCTURE* s) {
    asciiAdjustVerify(s, ref, 0x08, 13, m_minPinLen, m_maxPinLen);
}

void CSC_Profile_SetCos442::ModifyModifyStruct(std::string, unsigned char ref, PIN_MODIFY_STRUCTURE* s) {
    asciiAdjustModify(s, ref, m_minPinLen, m_maxPinLen);
}

// The structure, then Lc 08 and a zero-filled 8-byte template.
int CSC_Profile_SetCos442::startPinPadVerify() { return startPinPadTemplate(*this, false, 0x08, 0x00); }

// The structure, then Lc 10 and two zero-filled 8-byte templates.
int CSC_Profile_SetCos442::startPinPadModify() { return startPinPadTemplate(*this, true, 0x10, 0x00); }
