// Signing frame: key selection, the block to sign, signature and decipherment calls.
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <cstring>
#include <memory>
#include <vector>

#include "CardTypes.h"
#include "ProfileTypes.h"
#include "SC_Profile_Base.h"
#include "SafeMem.h"
#include "SignBlocks.h"
#include "crypto/Algorithms.h"
#include "infra/Secrets.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

namespace {
const int kMaxKeyBits = 16384;

// Key sizes up to the largest elliptic-curve field (P-521) are field sizes of EC keys;
// larger ones are RSA moduli.
const int kLargestEcFieldBits = 521;

// The length of a well-formed signature: the modulus length for RSA, r || s of the
// field size each for ECDSA.
unsigned long expectedSignatureLength(int keyBits) {
    unsigned long bytes = (static_cast<unsigned long>(keyBits) + 7) / 8;
    return keyBits <= kLargestEcFieldBits ? 2 * bytes : bytes;
}

// PKCS#1 v1.5 type 2 padding takes at least 11 bytes of the block.
const unsigned long kType2Overhead = 11;
// Room for the longest answer of a card (extended length).
const unsigned long kLargestAnswer = 65536;

// The message in a raw RSA block of a k-byte modulus (leading zero bytes may be missing):
// EME-OAEP with SHA-256 and MGF1-SHA-256 and an empty label (the library's OAEP), or
// PKCS#1 v1.5 type 2.
// False when the padding is not well formed.
bool removePadding(const unsigned char* block, unsigned long length, unsigned long k, bool oaep,
                   std::vector<unsigned char>& message) {
    message.assign(k, 0);
    int n =
        oaep ? RSA_padding_check_PKCS1_OAEP_mgf1(message.data(), static_cast<int>(k), block, static_cast<int>(length),
                                                 static_cast<int>(k), nullptr, 0, EVP_sha256(), EVP_sha256())
             : RSA_padding_check_PKCS1_type_2(message.data(), static_cast<int>(k), block, static_cast<int>(length),
                                              static_cast<int>(k));
    if (n < 0) {
        message.clear();
        return false;
    }
    message.resize(static_cast<size_t>(n));
    return true;
}

}  // namespace

int CSC_Profile_Base::GetSigAlgOID(unsigned int algId, unsigned char* oid, unsigned long* length) {
    if (oid == nullptr || length == nullptr)
        return SC_CMD_FAILED;
    if (algId == vn_crypto::kCardAlgMd5Sha1) {
        *length = 0;
        return 0;
    }
    const vn_crypto::Algorithm* a = vn_crypto::algorithm_for_card_id(algId);
    if (a == nullptr || a->cardAlgId != algId)
        a = &vn_crypto::algorithm_of(vn_crypto::DigestKind::SHA256);
    *length = vn_crypto::algorithm_identifier_length(*a);
    std::memcpy(oid, vn_crypto::algorithm_identifier(*a), *length);
    return 0;
}

int CSC_Profile_Base::BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength,
                                      unsigned char** out, unsigned long* outLength, bool pad) {
    if (out == nullptr || outLength == nullptr) {
        vn_log(1, "--entering CSC_Profile_Base::BuildSignBuffer\n");
        return SC_CMD_FAILED;
    }
    *out = nullptr;
    *outLength = 0;
    vn_cardos::SignBlock block;
    if (!vn_cardos::digestInfoBlock(algId, keyBits, hash, hashLength, pad, block))
        return SC_CMD_FAILED;
    return vn_cardos::handOut(block, out, outLength);
}

void CSC_Profile_Base::ExpandBuffer(unsigned char** buffer, unsigned long* length) {
    if (buffer == nullptr || length == nullptr)
        return;
    unsigned char* bigger = new unsigned char[*length + 1];
    bigger[0] = 0x00;
    if (*buffer != nullptr && *length > 0)
        std::memcpy(bigger + 1, *buffer, *length);
    delete[] * buffer;
    *buffer = bigger;
    *length += 1;
}

int CSC_Profile_Base::PreSigning(int profileType, std::string keyPath) {
    VnTraceScope trace("CSC_Profile_Base::PreSigning");
    m_profileType = profileType;
    m_profileType2 = profileType;
    m_keyPath = keyPath;
    std::string key = strTools::uniformPath(keyPath);
    bool force = false;
    bool isAID = false;
    if (profileType == CP_TCOS3V2) {
        isAID = true;
    } else if (profileType == CP_QUOVADIS_1K) {
        if (key == "3F001FFF")
            isAID = true;
        else
            force = true;
    } else if (profileType == vn_card::kCardOs54) {  // the CardOS 5.4 layout rows carry the card type
        if (key == "3F000101")
            isAID = true;
        else
            force = true;
    }
    return SelectPath(keyPath, force, true, force, isAID);
}

int CSC_Profile_Base::SignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                               unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                               unsigned long* signatureLength, int profileType) {
    VnTraceScope trace("CSC_Profile_Base::SignData");
    if (signature == nullptr || signatureLength == nullptr || keyBits <= 0 || keyBits > kMaxKeyBits)
        return SC_CMD_FAILED;
    unsigned long capacity = *signatureLength;
    const unsigned long expected = expectedSignatureLength(keyBits);
    unsigned long size = static_cast<unsigned long>(keyBits) / 8 * 2;
    if (size < expected)
        size = expected;
    std::unique_ptr<unsigned char[]> result(new unsigned char[size]());
    unsigned long resultLength = size;
    int r = SCSignData(keyPath, keyRef, keyBits, algId, hash, hashLength, result.get(), &resultLength, profileType);
    if (r == 0) {
        // A card that answers 9000 with nothing, or with a block of another size, has
        // not made a signature with this key.
        if (resultLength != expected) {
            vn_log(1, "CSC_Profile_Base::SignData: signature of %lu bytes, expected %lu\n", resultLength, expected);
            return SC_CMD_FAILED;
        }
        // The caller's buffer size, when told, bounds the copy.
        if (capacity != 0 && resultLength > capacity)
            return SC_CMD_FAILED;
        std::memcpy(signature, result.get(), resultLength);
        *signatureLength = resultLength;
    }
    return r;
}

int CSC_Profile_Base::RSADecrypt(std::string keyPath, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                 unsigned char* out, unsigned long* outLength, int, bool) {
    VnTraceScope trace("CSC_Profile_Base::RSADecrypt");
    if (in == nullptr || inLength == 0 || inLength > kLargestAnswer || out == nullptr || outLength == nullptr)
        return SC_CMD_FAILED;
    unsigned long capacity = *outLength;
    std::vector<unsigned char> answer(kLargestAnswer);
    unsigned long answerLength = answer.size();
    int r = SCRSADecrypt(keyPath, keyRef, in, inLength, answer.data(), &answerLength, 0);
    if (r != 0)
        return r;
    // The cryptogram is as long as the modulus. An answer longer than a padded message
    // can be is the raw RSA block, whose padding is removed here; a shorter one is the
    // message after the card removed the padding itself.
    if (answerLength == 0 || answerLength > inLength) {
        vn_log(1, "CSC_Profile_Base::RSADecrypt: answer of %lu bytes for a block of %lu\n", answerLength, inLength);
        return SC_CMD_FAILED;
    }
    std::vector<unsigned char> message;
    if (answerLength + kType2Overhead > inLength) {
        if (!removePadding(answer.data(), answerLength, inLength, m_rsaOaep, message)) {
            vn_log(1, "CSC_Profile_Base::RSADecrypt: the deciphered block is not padded as expected\n");
            vn_secret::cleanse(answer.data(), answer.size());
            return SC_CMD_FAILED;
        }
    } else {
        message.assign(answer.begin(), answer.begin() + static_cast<long>(answerLength));
    }
    vn_secret::cleanse(answer.data(), answer.size());
    if (capacity != 0 && message.size() > capacity) {
        vn_secret::cleanse(message.data(), message.size());
        return SC_CMD_FAILED;
    }
    if (!message.empty())
        std::memcpy(out, message.data(), message.size());
    *outLength = message.size();
    vn_secret::cleanse(message.data(), message.size());
    return 0;
}

int CSC_Profile_Base::PostSigning() {
    if (m_profileType == CP_SIGNTRUST2K || m_profileType == CP_STRUST || m_profileType == CP_DTRUST3_02)
        SCSelectMF();
    return 0;
}
