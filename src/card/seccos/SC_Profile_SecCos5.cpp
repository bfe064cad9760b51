// SECCOS 5: format-2 signature PIN (reference 81), ASCII card PIN; the signature key
// signs a hash given by PSO HASH, the authentication key by INTERNAL AUTHENTICATE.
#include <cstring>

#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinBlocks.h"
#include "card/PinPadStructures.h"
#include "crypto/Algorithms.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
const char kAuthKey[] = "3F00AB00C500";
const char kSignaturePinPath[] = "3F00AB000016";
const unsigned char kFormat2PinRef = 0x81;
const unsigned char kAlgAuth = 0x05;        // AT: RSA over the padded block
const unsigned char kAlgOtherSizes = 0x12;  // DST of keys of other sizes
const unsigned char kAlgDecipher = 0x02;    // CT: RSA without padding removal
const unsigned char kHashObjectTag = 0x90;  // the hash as PSO HASH takes it

bool format2Ref(unsigned char ref) { return ref == kFormat2PinRef; }
}  // namespace

void CSC_Profile_SecCos5::SetMinMaxPINLength() {
    m_minPinLen = 6;
    m_maxPinLen = 12;
}

int CSC_Profile_SecCos5::SCSelectMF() { return selectMasterFile(*this, kApduCase4, 0x00, 0x00); }

int CSC_Profile_SecCos5::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, 0x04, id, 0x00, false);
}
int CSC_Profile_SecCos5::SCSelectEF(unsigned char* id) {
    return selectId(*this, kApduCase4, 0x02, 0x04, id, 0x00, true);
}
int CSC_Profile_SecCos5::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, true); }

int CSC_Profile_SecCos5::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                 unsigned long* outLength) {
    if (!send(*this, Command::iso(kApduCase2Lc, kInsGetData, p1, p2)) || !isSW(0x90, 0x00) ||
        !copyResponse(*this, out, outLength, 0))
        return SC_CMD_FAILED;
    return 0;
}

void CSC_Profile_SecCos5::ReadCardSerial() { readSerialFile(*this, "3f002f02"); }

std::string CSC_Profile_SecCos5::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

int CSC_Profile_SecCos5::SCVerify(unsigned char ref, unsigned char* pin, unsigned char length) {
    if (format2Ref(ref))
        return f2Verify(*this, ref, pin, length);
    return CSC_Profile_Base::SCVerify(ref, pin, length);
}

int CSC_Profile_SecCos5::SCChangeRef(unsigned char ref, unsigned char* oldPin, unsigned char oldLength,
                                     unsigned char* newPin, unsigned char newLength) {
    SetMinMaxPINLength();
    if (format2Ref(ref))
        return f2Change(*this, ref, oldPin, oldLength, newPin, newLength, m_minPinLen, m_maxPinLen);
    return CSC_Profile_Base::SCChangeRef(ref, oldPin, oldLength, newPin, newLength);
}

int CSC_Profile_SecCos5::SCUnblockPin(unsigned char ref, unsigned char* puk, unsigned char pukLength,
                                      unsigned char* newPin, unsigned char newLength) {
    SetMinMaxPINLength();
    if (format2Ref(ref))
        return f2Unblock(*this, ref, puk, pukLength, newPin, newLength, m_minPinLen, m_maxPinLen);
    return CSC_Profile_Base::SCUnblockPin(ref, puk, pukLength, newPin, newLength);
}

// With padding the EMSA-PKCS1-v1_5 block of the base; without, the hash in the data
// object 90 that PSO HASH takes.
int CSC_Profile_SecCos5::BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength,
                                         unsigned char** out, unsigned long* outLength, bool pad) {
    if (pad)
        return CSC_Profile_Base::BuildSignBuffer(algId, keyBits, hash, hashLength, out, outLength, true);
    if (hash == nullptr || hashLength == 0 || hashLength > 127)
        return SC_CMD_FAILED;
    SignBlock block(2 + hashLength);
    block[0] = kHashObjectTag;
    block[1] = static_cast<unsigned char>(hashLength);
    std::memcpy(block.data() + 2, hash, hashLength);
    return handOut(block, out, outLength);
}

// The hashes the signature templates can name.
bool CSC_Profile_SecCos5::isSupportedHashAlgo(int, int nAlgoID) {
    return nAlgoID == vn_crypto::algorithm_of(vn_crypto::DigestKind::SHA1).signId ||
           nAlgoID == vn_crypto::algorithm_of(vn_crypto::DigestKind::SHA256).signId;
}

int CSC_Profile_SecCos5::SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId) {
    if (upperPath(keyPath) == kAuthKey)
        return send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateAuth)
                               .withData(Bytes{0x84, 0x01, keyRef, 0x80, 0x01, kAlgAuth})) &&
                       isSW(0x90, 0x00)
                   ? 0
                   : SC_CMD_FAILED;
    // The card names two hashes in its templates, SHA-1 and SHA-256. Another hash under
    // SHA-1's reference would be signed in a DigestInfo that names the wrong algorithm.
    const vn_crypto::Algorithm& sha256 = vn_crypto::algorithm_of(vn_crypto::DigestKind::SHA256);
    const vn_crypto::Algorithm& sha1 = vn_crypto::algorithm_of(vn_crypto::DigestKind::SHA1);
    if (algId != sha256.cardAlgId && algId != sha1.cardAlgId) {
        vn_log(1, "CSC_Profile_SecCos5::SCManageSE: the card signs SHA-1 and SHA-256 hashes only\n");
        return SC_CMD_FAILED;
    }
    const unsigned char h = algId == sha256.cardAlgId ? sha256.cardHashRef : sha1.cardHashRef;
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateHash)
                         .withData(Bytes{0x89, 0x02, 0x14, h})) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateSign)
                         .withData(Bytes{0x89, 0x03, 0x13, 0x23, h})) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    return 0;
}

int CSC_Profile_SecCos5::SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                                    unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                    unsigned long* signatureLength, int) {
    vn_log(1, "--entering CSC_Profile_SecCos5::SCSignData\n");
    SignBlock block;
    if (upperPath(keyPath) == kAuthKey) {
        if (SCManageSE(keyPath, keyRef, algId) != 0 ||
            !buildSignBlock(*this, algId, keyBits, hash, hashLength, true, block))
            return SC_CMD_FAILED;
        // Blocks of keys over 2032 bits do not fit a short command.
        bool extended = block.size() > 255;
        if (!send(*this, Command::iso(extended ? kApduCase4Extended : kApduCase4, kInsInternalAuthenticate, 0x00, 0x82)
                             .withData(block)
                             .withLe(0x00)))
            return SC_CMD_FAILED;
        return signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied});
    }
    if (keyBits == 2048 || keyBits == 1976 || keyBits == 1728) {
        if (SCManageSE(keyPath, keyRef, algId) != 0 ||
            !buildSignBlock(*this, algId, keyBits, hash, hashLength, false, block))
            return SC_CMD_FAILED;
        if (!send(*this, Command::iso(kApduCase4, kInsPso, kPsoHash, kPsoHashInput).withData(block).withLe(0x00)) ||
            !isSW(0x90, 0x00))
            return SC_CMD_FAILED;
        FormatAPDU(kApduCase2, 0x00, 0x2A, 0x9E, 0x9A, 0, 0x00, nullptr, 0);
        m_response.assign(512, 0);
        m_respLen = 512;
        if (!SendToCard())
            return SC_CMD_FAILED;
        return signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied});
    }
    // Keys of other sizes: digital signature template with algorithm 12, then the
    // DigestInfo by PSO COMPUTE DIGITAL SIGNATURE.
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateSign)
                         .withData(Bytes{0x80, 0x01, kAlgOtherSizes})) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    if (!digestInfoBlock(algId, keyBits, hash, hashLength, false, block))
        return SC_CMD_FAILED;
    if (!send(*this, Command::iso(kApduCase4, kInsPso, kPsoSignature, kPsoToBeSigned).withData(block).withLe(0x00)))
        return SC_CMD_FAILED;
    return signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied});
}

int CSC_Profile_SecCos5::SCRSADecrypt(std::string, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                      unsigned char* out, unsigned long* outLength, int) {
    return decipher(*this, Bytes{0x84, 0x01, keyRef, 0x80, 0x01, kAlgDecipher}, 0x00, in, inLength, out, outLength,
                    inLength > 254);
}

PIN_VERIFY_STRUCTURE* CSC_Profile_SecCos5::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_SecCos5::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}

// The signature PIN takes format-2 blocks as STARCOS 3.5; the card PIN goes as ASCII in
// the first bytes of the 8-byte template.
void CSC_Profile_SecCos5::ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) {
    format2AdjustVerify(s, ref, m_minPinLen, m_maxPinLen);
    if (s != nullptr && upperPath(pinPath) != kSignaturePinPath) {
        bytesOf(s)[pv::FormatString] = 0x82;
        bytesOf(s)[pv::BlockString] = 0x08;
        bytesOf(s)[pv::LengthFormat] = 0x00;
    }
}

void CSC_Profile_SecCos5::ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) {
    format2AdjustModify(s, ref, m_minPinLen, m_maxPinLen, m_readerName);
    if (s != nullptr && upperPath(pinPath) != kSignaturePinPath) {
        bytesOf(s)[pm::FormatString] = 0x82;
        bytesOf(s)[pm::BlockString] = 0x08;
        bytesOf(s)[pm::LengthFormat] = 0x00;
        setMaxExtra(bytesOf(s) + pm::MaxExtra, m_minPinLen, m_maxPinLen);
    }
}

int CSC_Profile_SecCos5::startPinPadVerify() { return startFormat2Verify(*this); }
int CSC_Profile_SecCos5::startPinPadModify() { return startFormat2Modify(*this); }
