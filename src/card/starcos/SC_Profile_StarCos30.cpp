// STARCOS 3.0: FCP selection, format-2 PINs of 6 to 8 digits. The qualified key signs a
// hash given with PSO HASH; the other keys sign by INTERNAL AUTHENTICATE. Decipherment
// sends the cryptogram in a command chain.
#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinBlocks.h"
#include "card/PinPadStructures.h"
#include "card/starcos/StarcosFamily.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
// Command data of the security environments (one row per template).
const unsigned char kAlgSignHash = 0x12;  // DST: RSA signature over a hash given by PSO HASH
const unsigned char kAlgAuth = 0x01;      // AT: RSA over the DigestInfo sent by the terminal
const char kQualifiedKey[] = "3F003F01C000";
const size_t kChainPiece = 249;  // bytes of cryptogram per chained DECIPHER command
}  // namespace

void CSC_Profile_StarCos30::SetMinMaxPINLength() {
    m_minPinLen = 6;
    m_maxPinLen = 8;
}

int CSC_Profile_StarCos30::SCSelectMF() { return selectMasterFile(*this, kApduCase4, 0x04, 0x00); }

int CSC_Profile_StarCos30::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, 0x04, id, 0x00, false);
}

int CSC_Profile_StarCos30::SCSelectEF(unsigned char* id) { return selectFileFcp(*this, id); }

int CSC_Profile_StarCos30::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, false); }

int CSC_Profile_StarCos30::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                   unsigned long* outLength) {
    return getDataNoLe(*this, 0x00, p1, p2, out, outLength);
}

int CSC_Profile_StarCos30::SCVerify(unsigned char ref, unsigned char* pin, unsigned char length) {
    return f2Verify(*this, ref, pin, length);
}

int CSC_Profile_StarCos30::SCChangeRef(unsigned char ref, unsigned char* oldPin, unsigned char oldLength,
                                       unsigned char* newPin, unsigned char newLength) {
    return f2ChangeLimited(*this, ref, oldPin, oldLength, newPin, newLength, 0);
}

int CSC_Profile_StarCos30::SCUnblockPin(unsigned char ref, unsigned char* puk, unsigned char pukLength,
                                        unsigned char* newPin, unsigned char newLength) {
    return f2UnblockLimited(*this, ref, puk, pukLength, newPin, newLength);
}

int CSC_Profile_StarCos30::SCUnblockPin2(unsigned char ref, unsigned char* puk, unsigned char pukLength) {
    return f2Unblock2(*this, ref, puk, pukLength);
}

// Qualified key: hash template (80 01 hash reference) and digital signature template
// (84 01 key, 80 01 12). Other keys: authentication template (84 01 key, 80 01 01).
int CSC_Profile_StarCos30::SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId) {
    if (upperPath(keyPath) == kQualifiedKey) {
        if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateHash)
                             .withData(Bytes{0x80, 0x01, hashRef(algId)})) ||
            !isSW(0x90, 0x00))
            return SC_CMD_FAILED;
        if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateSign)
                             .withData(Bytes{0x84, 0x01, keyRef, 0x80, 0x01, kAlgSignHash})) ||
            !isSW(0x90, 0x00))
            return SC_CMD_FAILED;
        return 0;
    }
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateAuth)
                         .withData(Bytes{0x84, 0x01, keyRef, 0x80, 0x01, kAlgAuth})) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    return 0;
}

int CSC_Profile_StarCos30::SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                                      unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                      unsigned long* signatureLength, int) {
    vn_log(1, "--entering CSC_Profile_StarCos30::SCSignData\n");
    if (hash == nullptr || hashLength == 0 || hashLength > 64 || SCManageSE(keyPath, keyRef, algId) != 0)
        return SC_CMD_FAILED;
    if (upperPath(keyPath) == kQualifiedKey) {
        Bytes data(hash, hash + hashLength);
        const unsigned char head[2] = {0x90, static_cast<unsigned char>(hashLength)};
        data.insert(data.begin(), head, head + 2);
        if (!send(*this, Command::iso(kApduCase4, kInsPso, kPsoHash, kPsoHashInput).withData(data).withLe(0x00)) ||
            !isSW(0x90, 0x00))
            return SC_CMD_FAILED;
        if (!send(*this, Command::iso(kApduCase2, kInsPso, kPsoSignature, kPsoToBeSigned).withLe(0x00)))
            return SC_CMD_FAILED;
        return signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied});
    }
    SignBlock block;
    if (!buildSignBlock(*this, algId, keyBits, hash, hashLength, false, block))
        return SC_CMD_FAILED;
    if (!send(*this, Command::iso(kApduCase4, kInsInternalAuthenticate, 0x00, 0x00).withData(block).withLe(0x00)))
        return SC_CMD_FAILED;
    return signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied});
}

int CSC_Profile_StarCos30::SCRSADecrypt(std::string, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                        unsigned char* out, unsigned long* outLength, int) {
    if (in == nullptr || inLength == 0 || inLength > 4096 || outLength == nullptr)
        return SC_CMD_FAILED;
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateCipher)
                         .withData(Bytes{0x84, 0x01, keyRef})) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    Bytes data(in, in + inLength);
    data.insert(data.begin(), static_cast<unsigned char>(0x81));
    for (size_t offset = 0; offset < data.size();) {
        size_t n = data.size() - offset > kChainPiece ? kChainPiece : data.size() - offset;
        bool last = offset + n == data.size();
        Bytes piece(data.begin() + static_cast<long>(offset), data.begin() + static_cast<long>(offset + n));
        if (!send(*this, Command::iso(last ? kApduCase4 : kApduCase3, kInsPso, kPsoPlain, kPsoPaddedCryptogram)
                             .withCla(last ? 0x00 : 0x10)
                             .withData(piece)
                             .withLe(0x00)))
            return SC_CMD_FAILED;
        if (!last && !isSW(0x90, 0x00))
            return SC_CMD_FAILED;
        offset += n;
    }
    if (isSW(0x69, 0x82))
        return kCardSecurityNotSatisfied;
    if (!isSW(0x90, 0x00) || !copyResponse(*this, out, outLength, *outLength))
        return SC_CMD_FAILED;
    return 0;
}

void CSC_Profile_StarCos30::ReadCardSerial() { readSerialFile(*this, "3f002f02"); }

std::string CSC_Profile_StarCos30::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

PIN_VERIFY_STRUCTURE* CSC_Profile_StarCos30::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_StarCos30::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}

// Format-2 block as STARCOS 3.5, with a 40-second entry time.
void CSC_Profile_StarCos30::ModifyVerifyStruct(std::string, unsigned char ref, PIN_VERIFY_STRUCTURE* s) {
    format2AdjustVerify(s, ref, m_minPinLen, m_maxPinLen);
    if (s != nullptr) {
        bytesOf(s)[pv::TimerOut] = 40;
        bytesOf(s)[pv::TimerOut2] = 40;
    }
}

void CSC_Profile_StarCos30::ModifyModifyStruct(std::string, unsigned char ref, PIN_MODIFY_STRUCTURE* s) {
    format2AdjustModify(s, ref, m_minPinLen, m_maxPinLen, m_readerName);
}

int CSC_Profile_StarCos30::startPinPadVerify() { return startFormat2Verify(*this); }
int CSC_Profile_StarCos30::startPinPadModify() { return startFormat2Modify(*this); }
