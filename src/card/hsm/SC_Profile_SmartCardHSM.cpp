// SmartCard-HSM: an application selected by its AID, READ BINARY with the offset in the
// data, and its own SIGN and DECIPHER commands without a security environment.
#include <cstring>

#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinBlocks.h"
#include "card/PinPadStructures.h"
#include "card/starcos/StarcosFamily.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
const char kApplication[] = "e82b0601040181c31f02";
const unsigned char kSignPkcs1Raw = 0x20;  // the terminal sends the padded block
const unsigned char kSignHash = 0x40;      // the card frames the hash (RSA-PSS)
const unsigned char kDecipherRaw = 0x21;
const unsigned char kUserPin = 0x81;

// The application names no PIN reference (0); the user PIN is always 81.
unsigned char pinRef(unsigned char ref) { return ref == 0 ? kUserPin : ref; }
}  // namespace

// The application stays selected between the calls of a process, and READ BINARY takes
// the file's identifier: the serial (EF 2F02) is checked again with one command.
CSC_Profile_SmartCardHSM::CSC_Profile_SmartCardHSM() : m_seSet(false) {
    m_serialProbe = kSerialProbeReadById;
    m_serialFile[0] = 0x2F;
    m_serialFile[1] = 0x02;
}

void CSC_Profile_SmartCardHSM::SetMinMaxPINLength() {
    m_minPinLen = 6;
    m_maxPinLen = 12;
}

void CSC_Profile_SmartCardHSM::SetUnblockMethod() { m_unblockMethod = 1; }

int CSC_Profile_SmartCardHSM::SCSelectMF() { return selectMasterFile(*this, kApduCase4, 0x04, 0x00); }

int CSC_Profile_SmartCardHSM::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, 0x04, id, 0xFF, false);
}

int CSC_Profile_SmartCardHSM::SCSelectEF(unsigned char* id) { return selectFileFcp(*this, id); }

int CSC_Profile_SmartCardHSM::SCSelectAID(unsigned char* aid, unsigned int length) {
    if (aid == nullptr || length == 0 || length > 16 ||
        !send(*this, Command::iso(kApduCase4, kInsSelect, 0x04, 0x0C).withData(aid, length).withLe(0x00)))
        return SC_CMD_FAILED;
    return isSW(0x90, 0x00) ? 0 : SC_CMD_FAILED;
}

int CSC_Profile_SmartCardHSM::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, false); }

int CSC_Profile_SmartCardHSM::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                      unsigned long* outLength) {
    return getDataNoLe(*this, 0xA0, p1, p2, out, outLength);
}

// READ BINARY with the odd instruction: offset in a 54 object, data in a 53 object.
int CSC_Profile_SmartCardHSM::SCReadBinary(unsigned char* out, unsigned short offset, unsigned char length) {
    const Bytes data = {0x54, 0x02, static_cast<unsigned char>(offset >> 8), static_cast<unsigned char>(offset)};
    // Room for the 53 header around the data (Le 00 asks for up to 256 bytes).
    unsigned short le = length == 0 || length > 252 ? 0 : static_cast<unsigned short>(length + 4);
    if (out == nullptr ||
        !send(*this, Command::iso(kApduCase4, kInsReadBinaryOdd, 0x00, 0x00).withData(data).withLe(le)))
        return SC_CMD_FAILED;
    if (!isSW(0x90, 0x00) && !isSW(0x62, 0x82))
        return mapStatus(getSW(), kReadBinaryStatus);
    size_t at = 0, len = 0;
    oddReadData(m_response.data(), m_respLen, at, len);
    if (length != 0 && len > length)
        len = length;
    std::memmove(m_response.data(), m_response.data() + at, len);
    m_respLen = static_cast<unsigned short>(len);
    std::memcpy(out, m_response.data(), len);
    return isSW(0x62, 0x82) ? 3 : 0;
}

int CSC_Profile_SmartCardHSM::SCEnumerateObjects(unsigned char* out, unsigned long* outLength) {
    if (outLength == nullptr || !send(*this, Command::iso(kApduCase2, 0x58, 0x00, 0x00).withCla(0x80).withLe(0x00)) ||
        !isSW(0x90, 0x00) || !copyResponse(*this, out, outLength, *outLength))
        return SC_CMD_FAILED;
    return 0;
}

int CSC_Profile_SmartCardHSM::returnResult() { return loggedResult(starcosResult(getSW(), true, m_remainingTries)); }

int CSC_Profile_SmartCardHSM::SCVerify(unsigned char ref, unsigned char* pin, unsigned char length) {
    return f2Verify(*this, pinRef(ref), pin, length);
}

int CSC_Profile_SmartCardHSM::SCChangeRef(unsigned char ref, unsigned char* oldPin, unsigned char oldLength,
                                          unsigned char* newPin, unsigned char newLength) {
    return f2ChangeLimited(*this, pinRef(ref), oldPin, oldLength, newPin, newLength, 0);
}

int CSC_Profile_SmartCardHSM::SCUnblockPin(unsigned char ref, unsigned char* puk, unsigned char pukLength,
                                           unsigned char* newPin, unsigned char newLength) {
    return f2UnblockLimited(*this, pinRef(ref), puk, pukLength, newPin, newLength);
}

int CSC_Profile_SmartCardHSM::SCUnblockPin2(unsigned char ref, unsigned char* puk, unsigned char pukLength) {
    return f2Unblock2(*this, pinRef(ref), puk, pukLength);
}

int CSC_Profile_SmartCardHSM::SCSignData(std::string, unsigned char keyRef, int keyBits, unsigned int algId,
                                         unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                         unsigned long* signatureLength, int) {
    vn_log(1, "--entering CSC_Profile_SmartCardHSM::SCSignData\n");
    m_seSet = false;
    Bytes data;
    unsigned char mode = kSignHash;
    if (m_noRsaPss) {
        if (!digestInfoBlock(algId & 0xFFFF, keyBits, hash, hashLength, true, data))
            return SC_CMD_FAILED;
        mode = kSignPkcs1Raw;
    } else {
        if (hash == nullptr || hashLength == 0)
            return SC_CMD_FAILED;
        data.assign(hash, hash + hashLength);
    }
    if (!send(*this, Command::iso(kApduCase4Extended, 0x68, keyRef, mode).withCla(0x80).withData(data).withLe(0x0000)))
        return SC_CMD_FAILED;
    int r = signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied});
    if (r == 0)
        m_seSet = true;
    return r;
}

int CSC_Profile_SmartCardHSM::SCRSADecrypt(std::string, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                           unsigned char* out, unsigned long* outLength, int) {
    if (in == nullptr || inLength == 0 || inLength > 0xFFF0 || outLength == nullptr ||
        !send(*this, Command::iso(kApduCase4Extended, 0x62, keyRef, kDecipherRaw)
                         .withCla(0x80)
                         .withData(in, inLength)
                         .withLe(0x0000)))
        return SC_CMD_FAILED;
    return signResult(*this, out, outLength, {kSwSecurityNotSatisfied});
}

void CSC_Profile_SmartCardHSM::ReadCardSerial() {
    if (SelectPath(kApplication, false, false, false, true) != 0) {
        SetSerialNumber(nullptr, 0);
        return;
    }
    readSerialFile(*this, "3f002f02");
}

std::string CSC_Profile_SmartCardHSM::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

PIN_VERIFY_STRUCTURE* CSC_Profile_SmartCardHSM::InitPart10_Verify() {
    PIN_VERIFY_STRUCTURE* s = defaultVerifyStructure(m_minPinLen, m_maxPinLen);
    bytesOf(s)[pv::Data + 3] = 0x81;
    return s;
}

PIN_MODIFY_STRUCTURE* CSC_Profile_SmartCardHSM::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}

// Format-2 block as STARCOS 3.5; the user PIN is always reference 81.
void CSC_Profile_SmartCardHSM::ModifyVerifyStruct(std::string, unsigned char ref, PIN_VERIFY_STRUCTURE* s) {
    format2AdjustVerify(s, pinRef(ref), m_minPinLen, m_maxPinLen);
    if (s != nullptr)
        bytesOf(s)[pv::Validation] = 0x02;
}

void CSC_Profile_SmartCardHSM::ModifyModifyStruct(std::string, unsigned char ref, PIN_MODIFY_STRUCTURE* s) {
    format2AdjustModify(s, pinRef(ref), m_minPinLen, m_maxPinLen, m_readerName);
}

// The structure is followed by the Lc and the format-2 template of the command.
int CSC_Profile_SmartCardHSM::startPinPadVerify() {
    if (m_pinVerify == nullptr)
        return 1;
    return startPinPad(*this, false, format2VerifyMessage(m_pinVerify));
}

int CSC_Profile_SmartCardHSM::startPinPadModify() {
    if (m_pinModify == nullptr)
        return 1;
    return startPinPad(*this, true, format2ModifyMessage(m_pinModify));
}
