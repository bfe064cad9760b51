#include "crypto/Algorithms.h"

#include <openssl/obj_mac.h>

#include <cstring>

namespace vn_crypto {

namespace {

using K = DigestKind;

// kind, length, card code, nAlgoID, HashBlob index, CHashSSL id, card hash reference, CHashSSL name and log
// text, OID and its name, RSA and ECDSA signature OIDs, ECDSA name, NID, OpenSSL digest, DigestInfo prefix.
// clang-format off
const Algorithm kAlgorithms[] = {
    {K::SHA1, 20, 0x8004, 0, 0, 1, 0x10, "SHA1", "using Algo SHA1", "1.3.14.3.2.26", "sha-160", "1.2.840.113549.1.1.5", "1.2.840.10045.4.1", "ecdsa-with-SHA1", NID_sha1, EVP_sha1, 15, "\x30\x21\x30\x09\x06\x05\x2B\x0E\x03\x02\x1A\x05\x00\x04\x14"},
    {K::SHA256, 32, 0x800C, 1, 1, 4, 0x30, "SHA256", "using Algo SHA256", "2.16.840.1.101.3.4.2.1", "sha-256", "1.2.840.113549.1.1.11", "1.2.840.10045.4.3.2", "ecdsa-with-SHA256", NID_sha256, EVP_sha256, 19, "\x30\x31\x30\x0D\x06\x09\x60\x86\x48\x01\x65\x03\x04\x02\x01\x05\x00\x04\x20"},
    {K::SHA384, 48, 0x800D, 2, 2, 5, 0x40, "SHA384", "using Algo SHA384", "2.16.840.1.101.3.4.2.2", "sha-384", "1.2.840.113549.1.1.12", "1.2.840.10045.4.3.3", "ecdsa-with-SHA384", NID_sha384, EVP_sha384, 19, "\x30\x41\x30\x0D\x06\x09\x60\x86\x48\x01\x65\x03\x04\x02\x02\x05\x00\x04\x30"},
    {K::SHA512, 64, 0x800E, 3, 3, 6, 0x50, "SHA512", "using Algo SHA512", "2.16.840.1.101.3.4.2.3", "sha-512", "1.2.840.113549.1.1.13", "1.2.840.10045.4.3.4", "ecdsa-with-SHA512", NID_sha512, EVP_sha512, 19, "\x30\x51\x30\x0D\x06\x09\x60\x86\x48\x01\x65\x03\x04\x02\x03\x05\x00\x04\x40"},
    {K::RIPEMD160, 20, 0x8007, 4, 5, 2, 0x20, "RIPEMD160", "using Algo RIPEMD 160", "1.3.36.3.2.1", "ripemd-160", "1.3.36.3.3.1.2", nullptr, nullptr, NID_ripemd160, EVP_ripemd160, 15, "\x30\x21\x30\x09\x06\x05\x2B\x24\x03\x02\x01\x05\x00\x04\x14"},
    {K::MD5, 16, 0x8003, 5, 4, 3, 0x00, "MD5", "using Algo MD5", "1.2.840.113549.2.5", "md5", "1.2.840.113549.1.1.4", nullptr, nullptr, NID_md5, EVP_md5, 18, "\x30\x20\x30\x0C\x06\x08\x2A\x86\x48\x86\xF7\x0D\x02\x05\x05\x00\x04\x10"},
};
// clang-format on
const Algorithm& kDefault = kAlgorithms[1];  // SHA-256

template <class Match>
const Algorithm* find(Match match) {
    for (const Algorithm& a : kAlgorithms)
        if (match(a))
            return &a;
    return nullptr;
}

bool same(const char* a, const char* b) { return a != nullptr && b != nullptr && std::strcmp(a, b) == 0; }

}  // namespace

const Algorithm* algorithms() { return kAlgorithms; }
size_t algorithm_count() { return sizeof kAlgorithms / sizeof kAlgorithms[0]; }

const Algorithm& algorithm_of(DigestKind kind) {
    const Algorithm* a = find([kind](const Algorithm& r) { return r.kind == kind; });
    return a ? *a : kDefault;
}

const Algorithm& algorithm_for_sign_id(int nAlgoID) {
    const Algorithm* a = find([nAlgoID](const Algorithm& r) { return r.signId == nAlgoID; });
    return a ? *a : kDefault;
}

const Algorithm* algorithm_for_blob_index(int index) {
    return find([index](const Algorithm& r) { return r.blobIndex == index; });
}

const Algorithm* algorithm_for_hash_id(int id) {
    return find([id](const Algorithm& r) { return r.hashId == id; });
}

const Algorithm* algorithm_for_card_id(unsigned int cardAlgId) {
    const unsigned int code = cardAlgId & 0xFFFFu;
    return find([code](const Algorithm& r) { return r.cardAlgId == code; });
}

const Algorithm* algorithm_for_oid(const char* dotted, bool rsaToo) {
    return find(
        [dotted, rsaToo](const Algorithm& r) { return same(dotted, r.oid) || (rsaToo && same(dotted, r.rsaOid)); });
}

const Algorithm* algorithm_for_oid_der(const unsigned char* der, size_t length) {
    if (der == nullptr)
        return nullptr;
    return find([der, length](const Algorithm& r) {
        return length == oid_der_length(r) && std::memcmp(der, oid_der(r), length) == 0;
    });
}

const Algorithm* algorithm_for_nid(int nid) {
    return find([nid](const Algorithm& r) { return r.nid == nid; });
}

}  // namespace vn_crypto
