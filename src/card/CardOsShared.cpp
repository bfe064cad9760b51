// Command sequences that several card operating systems send alike, with the values in
// which they differ passed in.
#include <algorithm>
#include <cstring>
#include <memory>

#include "CardOsCommon.h"
#include "vn_log.h"

namespace vn_cardos {

namespace {
const unsigned char kMasterFile[2] = {0x3F, 0x00};
const int kFailed = CSC_Profile_Base::SC_CMD_FAILED;
}  // namespace

void markMasterFile(CSC_Profile_Base& card) {
    card.setCurrDF(kMasterFile, 2);
    card.setCurrEF(nullptr, 0);
}

int selectMasterFile(CSC_Profile_Base& card, unsigned char form, unsigned char p2, unsigned short le) {
    markMasterFile(card);
    if (!send(card, form, 0x00, 0xA4, 0x00, p2, Bytes(kMasterFile, kMasterFile + 2), le))
        return kFailed;
    return selectResult(card.getSW(), false);
}

int selectFileFcp(CSC_Profile_Base& card, unsigned char* id) {
    if (id == nullptr)
        return kFailed;
    card.FormatAPDU(5, 0x00, 0xA4, 0x02, 0x04, 2, 0x00, id, 2);
    return card.SCSelect();
}

int getDataNoLe(CSC_Profile_Base& card, unsigned char cla, unsigned char p1, unsigned char p2, unsigned char* out,
                unsigned long* outLength) {
    card.FormatAPDU(4, cla, 0xCA, p1, p2, 0, 0, nullptr, 0);
    if (!card.SendToCard() || card.getSW() != sw(0x90, 0x00) || !copyResponse(card, out, outLength, 0))
        return kFailed;
    return 0;
}

int loggedResult(int result) {
    return static_cast<int>(vn_log_dw_return("CSC_Profile_Base::returnResult", static_cast<unsigned>(result)));
}

int sendForResult(CSC_Profile_Base& card, unsigned char form, unsigned char ins, const Bytes& data) {
    if (!send(card, form, 0x00, ins, 0x00, 0x00, data, 0))
        return kFailed;
    return card.returnResult();
}

int f2ChangeLimited(CSC_Profile_Base& card, unsigned char ref, const unsigned char* oldPin, unsigned oldLength,
                    const unsigned char* newPin, unsigned newLength, unsigned shorter) {
    card.SetMinMaxPINLength();
    return f2Change(card, ref, oldPin, oldLength, newPin, newLength, card.getMinPinLength() - shorter,
                    card.getMaxPinLength());
}

int f2UnblockLimited(CSC_Profile_Base& card, unsigned char ref, const unsigned char* puk, unsigned pukLength,
                     const unsigned char* newPin, unsigned newLength) {
    card.SetMinMaxPINLength();
    return f2Unblock(card, ref, puk, pukLength, newPin, newLength, card.getMinPinLength(), card.getMaxPinLength());
}

void adjustLimits(PIN_VERIFY_STRUCTURE* s, unsigned char minimum, unsigned char maximum) {
    if (s != nullptr)
        setMaxExtra(CSC_Profile_Base::bytesOf(s) + pv::MaxExtra, minimum, maximum);
}

void adjustLimits(PIN_MODIFY_STRUCTURE* s, unsigned char minimum, unsigned char maximum) {
    if (s != nullptr)
        setMaxExtra(CSC_Profile_Base::bytesOf(s) + pm::MaxExtra, minimum, maximum);
}

int cardosSelectKeyDirectory(CSC_Profile_Base& card, int& profileType, int& profileType2, std::string& keyPathField,
                             int newProfileType, const std::string& keyPath) {
    profileType = newProfileType;
    profileType2 = newProfileType;
    keyPathField = keyPath;
    std::string path = upperPath(keyPath);
    if (path.size() < 8)
        return card.SelectPath(keyPath, true, false, true, false);
    return card.SelectPath(path.substr(0, path.size() - 4), false, false, true, false);
}

Bytes setcosEnvironment(const std::string& keyPath) {
    const unsigned char algPkcs1 = 0x02;
    Bytes fid(2, 0x00);
    std::string p = upperPath(keyPath);
    if (p.size() >= 4) {
        unsigned short n = 2;
        CSC_Profile_Base::str2hex(p.substr(p.size() - 4).c_str(), fid.data(), &n);
    }
    return Bytes{0x80, 0x01, algPkcs1, 0x81, 0x02, fid[0], fid[1]};
}

int setcosManageSE(CSC_Profile_Base& card, const std::string& keyPath) {
    if (!send(card, 6, 0x00, 0x22, 0x41, 0xB6, setcosEnvironment(keyPath), 0) || card.getSW() != sw(0x90, 0x00))
        return kFailed;
    return 0;
}

int setcosGenerate(CSC_Profile_Base& card, unsigned modulusBits) {
    // 80 02 <modulus bits>, 81 03 01 00 01 (public exponent 65537).
    const Bytes data = {0x80, 0x02, static_cast<unsigned char>(modulusBits >> 8),
                        static_cast<unsigned char>(modulusBits), 0x81, 0x03, 0x01, 0x00, 0x01};
    return sendForResult(card, 6, 0x46, data);
}

int setcosPubKey(CSC_Profile_Base& card, const std::string& keyPath, unsigned char* out, unsigned long* outLength) {
    if (out == nullptr || outLength == nullptr || card.SelectPath(keyPath, false, false, false, false) != 0)
        return kFailed;
    unsigned long capacity = *outLength;
    unsigned char part[258];
    unsigned long modulus = 0, exponent = 0;
    if (card.GetData(0x01, 0x01, 0x00, part, &modulus) != 0 || (capacity && modulus > capacity))
        return kFailed;
    std::memcpy(out, part, modulus);
    if (card.GetData(0x01, 0x02, 0x00, part, &exponent) != 0 || (capacity && modulus + exponent > capacity))
        return kFailed;
    std::memcpy(out + modulus, part, exponent);
    *outLength = modulus + exponent;
    return 0;
}

int signBlock(CSC_Profile_Base& card, const SignCommand& command, int keyBits, unsigned int algId,
              unsigned char* hash, unsigned long hashLength, unsigned char* signature, unsigned long* signatureLength,
              std::initializer_list<uint32_t> authFailures) {
    unsigned char* block = nullptr;
    unsigned long blockLength = 0;
    if (card.BuildSignBuffer(algId, keyBits, hash, hashLength, &block, &blockLength, false) != 0)
        return kFailed;
    std::unique_ptr<unsigned char[]> owned(block);
    if (!send(card, command.form, 0x00, command.ins, command.p1, command.p2, Bytes(block, block + blockLength),
              command.le))
        return kFailed;
    return signResult(card, signature, signatureLength, authFailures);
}

int setcosSign(CSC_Profile_Base& card, const std::string& keyPath, int keyBits, unsigned int algId,
               unsigned char* hash, unsigned long hashLength, unsigned char* signature,
               unsigned long* signatureLength, unsigned char form, unsigned short le) {
    if (setcosManageSE(card, keyPath) != 0)
        return kFailed;
    return signBlock(card, psoSignature(form, le), keyBits, algId, hash, hashLength, signature, signatureLength, {});
}

int starcosDecipher(CSC_Profile_Base& card, unsigned char keyRef, const unsigned char* in, unsigned long inLength,
                    unsigned char* out, unsigned long* outLength) {
    if (in == nullptr || inLength == 0 || inLength > 0xFFFE || outLength == nullptr)
        return kFailed;
    // Without an algorithm the key's own (PKCS#1 v1.5) applies; OAEP (SHA-256) is asked
    // for by its algorithm identifier 11 31.
    Bytes se{0x84, 0x01, keyRef};
    if (card.IsRSAOAEP())
        se.insert(se.end(), {0x89, 0x02, 0x11, 0x31});
    if (!send(card, 6, 0x00, 0x22, 0x41, 0xB8, se, 0) || card.getSW() != sw(0x90, 0x00))
        return kFailed;
    Bytes data(in, in + inLength);
    data.insert(data.begin(), static_cast<unsigned char>(0x81));
    if (!send(card, 7, 0x00, 0x2A, 0x80, 0x86, data, 0x0000))
        return kFailed;
    if (card.getSW() == sw(0x69, 0x82))
        return 13;
    if (card.getSW() != sw(0x90, 0x00) || !copyResponse(card, out, outLength, *outLength))
        return kFailed;
    return 0;
}

int starcosSignKeepingSE(CSC_Profile_Base& card, bool& seSet, const Bytes& block, unsigned char* signature,
                         unsigned long* signatureLength, std::initializer_list<uint32_t> authFailures) {
    if (!send(card, 5, 0x00, 0x2A, 0x9E, 0x9A, block, 0x00))
        return kFailed;
    if (card.getSW() == sw(0x90, 0x00) && copyResponse(card, signature, signatureLength, *signatureLength)) {
        seSet = true;
        return 0;
    }
    for (uint32_t s : authFailures)
        if (card.getSW() == s)
            return 13;
    return kFailed;
}

int cardosRestoreSE(CSC_Profile_Base& card, unsigned char se) {
    if (!send(card, 1, 0x00, 0x22, 0xF3, se, Bytes(), 0))
        return kFailed;
    return card.getSW() == sw(0x90, 0x00) ? 0 : kFailed;
}

int cardosSetDecipherKey(CSC_Profile_Base& card, unsigned char keyRef) {
    if (!send(card, 6, 0x00, 0x22, 0x41, 0xB8, Bytes{0x83, 0x01, keyRef}, 0) || card.getSW() != sw(0x90, 0x00))
        return kFailed;
    return 0;
}

int cardosDecipher(CSC_Profile_Base& card, unsigned char se, unsigned char keyRef, const unsigned char* in,
                   unsigned long inLength, unsigned char* out, unsigned long* outLength) {
    cardosRestoreSE(card, se);
    if (cardosSetDecipherKey(card, keyRef) != 0)
        return kFailed;
    return decipher(card, Bytes(), 0x81, in, inLength, out, outLength, true);
}

int hashOnlyBlock(int keyBits, const unsigned char* hash, unsigned long hashLength, unsigned char** out,
                  unsigned long* outLength) {
    if (out == nullptr || outLength == nullptr || hash == nullptr || keyBits <= 0 ||
        hashLength > static_cast<unsigned long>(keyBits) / 4)
        return kFailed;
    *out = new unsigned char[static_cast<unsigned long>(keyBits) / 4]();
    std::memcpy(*out, hash, hashLength);
    *outLength = hashLength;
    return 0;
}

int tcosInternalAuthenticate(CSC_Profile_Base& card, const unsigned char* in, unsigned long inLength,
                             unsigned char* out, unsigned long* outLength) {
    if (in == nullptr || inLength == 0 || inLength > 255 || outLength == nullptr ||
        !send(card, 5, 0x00, 0x88, 0x00, 0x00, Bytes(in, in + inLength), 256) || card.getSW() != sw(0x90, 0x00) ||
        !copyResponse(card, out, outLength, *outLength))
        return kFailed;
    return 0;
}

int tcosExternalAuthenticate(CSC_Profile_Base& card, const unsigned char* in, unsigned long inLength) {
    if (in == nullptr || inLength == 0 || inLength > 255 ||
        !send(card, 5, 0x00, 0x82, 0x00, 0x00, Bytes(in, in + inLength), 256))
        return kFailed;
    return card.getSW() == sw(0x90, 0x00) ? 0 : kFailed;
}

void asciiAdjustVerify(PIN_VERIFY_STRUCTURE* s, unsigned char ref, unsigned char blockString, uint32_t dataLength,
                       unsigned char minimum, unsigned char maximum) {
    if (s == nullptr)
        return;
    unsigned char* b = CSC_Profile_Base::bytesOf(s);
    b[pv::FormatString] = 0x82;
    b[pv::BlockString] = blockString;
    b[pv::LengthFormat] = 0x00;
    setMaxExtra(b + pv::MaxExtra, minimum, maximum);
    setDataLength(b + pv::DataLength, dataLength);
    b[pv::Data + 3] = ref;
}

void asciiAdjustModify(PIN_MODIFY_STRUCTURE* s, unsigned char ref, unsigned char minimum, unsigned char maximum) {
    if (s == nullptr)
        return;
    unsigned char* b = CSC_Profile_Base::bytesOf(s);
    b[pm::FormatString] = 0x82;
    b[pm::BlockString] = 0x08;
    b[pm::LengthFormat] = 0x00;
    b[pm::OffsetOld] = 0x00;
    b[pm::OffsetNew] = 0x08;
    setMaxExtra(b + pm::MaxExtra, minimum, maximum);
    setDataLength(b + pm::DataLength, 21);
    b[pm::Data + 3] = ref;
}

int startPinPadTemplate(CSC_Profile_Base& card, bool modify, unsigned char templateLength, unsigned char filler) {
    const unsigned char* b = modify ? CSC_Profile_Base::bytesOf(card.getModifyStructure())
                                    : CSC_Profile_Base::bytesOf(card.getVerifyStructure());
    if (b == nullptr)
        return 1;
    Bytes m;
    m.reserve(64);
    m.insert(m.end(), b, b + (modify ? VN_PIN_MODIFY_SIZE : VN_PIN_VERIFY_SIZE));
    m.push_back(templateLength);
    m.insert(m.end(), templateLength, filler);
    return startPinPad(card, modify, m);
}

int shortDecipher(CSC_Profile_Base& card, unsigned char seP2, const Bytes& se, const unsigned char* in,
                  unsigned long inLength, unsigned char* out, unsigned long* outLength) {
    if (in == nullptr || inLength == 0 || inLength > 254 || outLength == nullptr)
        return kFailed;
    if (!send(card, 6, 0x00, 0x22, 0x41, seP2, se, 0) || card.getSW() != sw(0x90, 0x00))
        return kFailed;
    Bytes data(in, in + inLength);
    data.insert(data.begin(), static_cast<unsigned char>(0x00));
    if (!send(card, 6, 0x00, 0x2A, 0x80, 0x86, data, 0))
        return kFailed;
    return signResult(card, out, outLength, {});
}

}  // namespace vn_cardos
