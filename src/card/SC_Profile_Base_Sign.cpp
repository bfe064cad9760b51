// Signing frame: key selection, the block to sign, signature and decipherment calls.
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <cstring>
#include <memory>
#include <vector>

#include "ProfileTypes.h"
#include "SC_Profile_Base.h"
#include "SafeMem.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

namespace {
struct AlgRow {
    unsigned int algId;
    unsigned char length;
    unsigned char content[13];
};

// DER AlgorithmIdentifier contents (OID and NULL parameters) of the digests.
const AlgRow kAlgIds[] = {
    {0x8003, 12, {0x06, 0x08, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x05, 0x05, 0x00}},
    {0x8004, 9, {0x06, 0x05, 0x2B, 0x0E, 0x03, 0x02, 0x1A, 0x05, 0x00}},
    {0x8007, 9, {0x06, 0x05, 0x2B, 0x24, 0x03, 0x02, 0x01, 0x05, 0x00}},
    {0x8008, 0, {}},
    {0x800D, 13, {0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x02, 0x05, 0x00}},
    {0x800E, 13, {0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x03, 0x05, 0x00}},
};
const AlgRow kSha256 = {0x800C, 13, {0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00}};

const int kMaxKeyBits = 16384;

// EMSA-PKCS1-v1_5 frame 00 01 FF..FF 00 T in k bytes; false when T does not leave
// room for at least eight FF bytes.
bool padBlock(const std::vector<unsigned char>& t, unsigned long k, std::vector<unsigned char>& out) {
    if (k < t.size() + 11)
        return false;
    out.assign(k, 0xFF);
    out[0] = 0x00;
    out[1] = 0x01;
    out[k - t.size() - 1] = 0x00;
    std::memcpy(out.data() + (k - t.size()), t.data(), t.size());
    return true;
}

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
    int n = oaep ? RSA_padding_check_PKCS1_OAEP_mgf1(message.data(), static_cast<int>(k), block,
                                                     static_cast<int>(length), static_cast<int>(k), nullptr, 0,
                                                     EVP_sha256(), EVP_sha256())
                 : RSA_padding_check_PKCS1_type_2(message.data(), static_cast<int>(k), block,
                                                  static_cast<int>(length), static_cast<int>(k));
    if (n < 0) {
        message.clear();
        return false;
    }
    message.resize(static_cast<size_t>(n));
    return true;
}

unsigned char* copyOut(const std::vector<unsigned char>& v, unsigned long* length) {
    unsigned char* p = new unsigned char[v.empty() ? 1 : v.size()];
    if (!v.empty())
        std::memcpy(p, v.data(), v.size());
    *length = static_cast<unsigned long>(v.size());
    return p;
}
}  // namespace

int CSC_Profile_Base::GetSigAlgOID(unsigned int algId, unsigned char* oid, unsigned long* length) {
    if (oid == nullptr || length == nullptr)
        return SC_CMD_FAILED;
    const AlgRow* row = &kSha256;
    for (const auto& r : kAlgIds)
        if (r.algId == algId)
            row = &r;
    std::memcpy(oid, row->content, row->length);
    *length = row->length;
    return 0;
}

int CSC_Profile_Base::BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength,
                                      unsigned char** out, unsigned long* outLength, bool pad) {
    VnTraceScope trace("CSC_Profile_Base::BuildSignBuffer");
    if (out == nullptr || outLength == nullptr || (hash == nullptr && hashLength > 0) || keyBits < 0 ||
        keyBits > kMaxKeyBits)
        return SC_CMD_FAILED;
    *out = nullptr;
    *outLength = 0;
    unsigned long k = static_cast<unsigned long>(keyBits) / 8;
    std::vector<unsigned char> t;
    if (algId == 0xFFFF || algId == 0x8008) {
        t.assign(hash, hash + hashLength);
    } else {
        unsigned char oid[16];
        unsigned long l = 0;
        GetSigAlgOID(algId, oid, &l);
        // A DigestInfo with one-byte lengths holds digests of up to 127 - L - 4 bytes.
        if (hashLength + l + 4 > 127)
            return SC_CMD_FAILED;
        t.push_back(0x30);
        t.push_back(static_cast<unsigned char>(l + hashLength + 4));
        t.push_back(0x30);
        t.push_back(static_cast<unsigned char>(l));
        t.insert(t.end(), oid, oid + l);
        t.push_back(0x04);
        t.push_back(static_cast<unsigned char>(hashLength));
        t.insert(t.end(), hash, hash + hashLength);
    }
    std::vector<unsigned char> block;
    if (pad) {
        if (!padBlock(t, k, block))
            return SC_CMD_FAILED;
    } else {
        block.swap(t);
    }
    *out = copyOut(block, outLength);
    return 0;
}

void CSC_Profile_Base::ExpandBuffer(unsigned char** buffer, unsigned long* length) {
    if (buffer == nullptr || length == nullptr)
        return;
    unsigned char* bigger = new unsigned char[*length + 1];
    bigger[0] = 0x00;
    if (*buffer != nullptr && *length > 0)
        std::memcpy(bigger + 1, *buffer, *length);
    delete[] *buffer;
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
    } else if (profileType == 17) {
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
            OPENSSL_cleanse(answer.data(), answer.size());
            return SC_CMD_FAILED;
        }
    } else {
        message.assign(answer.begin(), answer.begin() + static_cast<long>(answerLength));
    }
    OPENSSL_cleanse(answer.data(), answer.size());
    if (capacity != 0 && message.size() > capacity) {
        OPENSSL_cleanse(message.data(), message.size());
        return SC_CMD_FAILED;
    }
    if (!message.empty())
        std::memcpy(out, message.data(), message.size());
    *outLength = message.size();
    OPENSSL_cleanse(message.data(), message.size());
    return 0;
}

int CSC_Profile_Base::PostSigning() {
    if (m_profileType == CP_SIGNTRUST2K || m_profileType == CP_STRUST || m_profileType == CP_DTRUST3_02)
        SCSelectMF();
    return 0;
}
