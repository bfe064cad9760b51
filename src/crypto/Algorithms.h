// The hash algorithms of the library, one row each: how the card layer, the signing
// frame, the digest helpers, the ASN.1 objects, PKCS#7 and the timestamp client name
// and encode them. Every numbering and encoding of a digest is read from here.
#ifndef VN_CRYPTO_ALGORITHMS_H
#define VN_CRYPTO_ALGORITHMS_H

#include <openssl/evp.h>

#include <cstddef>

namespace vn_crypto {

enum class DigestKind { SHA1, SHA256, SHA384, SHA512, MD5, RIPEMD160 };

// Card algorithm codes that are no single digest: the raw block, and MD5 and SHA-1
// concatenated (both signed without DigestInfo).
const unsigned int kCardAlgRaw = 0xFFFF;
const unsigned int kCardAlgMd5Sha1 = 0x8008;

// The DigestInfo prefix is the DER of DigestInfo up to the digest:
// 30 (L+H+4) 30 L [AlgorithmIdentifier content: 06 n OID 05 00] 04 H.
const size_t kMaxDigestInfoPrefix = 19;

struct Algorithm {
    DigestKind kind;
    int digestLength;
    unsigned int cardAlgId;     // algorithm code of the card layer (0x80xx)
    int signId;                 // nAlgoID of signing
    int blobIndex;              // index of HashBlob (digest factory)
    int hashId;                 // identifier of CHashSSL (OID-derived)
    unsigned char cardHashRef;  // hash reference in a card's security environment (0: the card's default)
    const char* hashName;       // CHashSSL name
    const char* hashLog;        // CHashSSL log text of the chosen digest
    const char* oid;            // the digest's OID
    const char* oidName;        // the digest's name in the library's ASN.1 objects
    const char* rsaOid;         // the signature algorithm with RSA (PKCS#1 v1.5)
    const char* ecdsaOid;       // the signature algorithm with ECDSA; null when there is none
    const char* ecdsaName;
    int nid;                 // OpenSSL's NID of the digest
    const EVP_MD* (*evp)();  // OpenSSL's digest
    unsigned char prefixLength;
    const char* prefix;  // DigestInfo prefix (prefixLength bytes)
};

// The rows, and their count.
const Algorithm* algorithms();
size_t algorithm_count();

// The row of a digest.
const Algorithm& algorithm_of(DigestKind kind);
// nAlgoID of signing: 0 SHA-1, 1 SHA-256, 2 SHA-384, 3 SHA-512, 4 RIPEMD-160, 5 MD5;
// any other value means SHA-256.
const Algorithm& algorithm_for_sign_id(int nAlgoID);
// The other lookups give null when nothing matches.
// HashBlob index: 0 SHA-1, 1 SHA-256, 2 SHA-384, 3 SHA-512, 4 MD5, 5 RIPEMD-160.
const Algorithm* algorithm_for_blob_index(int index);
// CHashSSL identifier: 1 SHA-1, 2 RIPEMD-160, 3 MD5, 4 SHA-256, 5 SHA-384, 6 SHA-512.
const Algorithm* algorithm_for_hash_id(int id);
// Card algorithm code; flags above the low 16 bits are ignored.
const Algorithm* algorithm_for_card_id(unsigned int cardAlgId);
// Dotted OID of the digest, or with rsaToo also of its RSA signature algorithm.
const Algorithm* algorithm_for_oid(const char* dotted, bool rsaToo = false);
// DER of the digest's OID (06 n ...).
const Algorithm* algorithm_for_oid_der(const unsigned char* der, size_t length);
// OpenSSL's NID of the digest.
const Algorithm* algorithm_for_nid(int nid);

// Parts of the DigestInfo prefix: the AlgorithmIdentifier content (OID and NULL), the
// OID's DER (06 n ...) and the OID's content bytes.
inline const unsigned char* prefix_bytes(const Algorithm& a) {
    return reinterpret_cast<const unsigned char*>(a.prefix);
}
inline const unsigned char* algorithm_identifier(const Algorithm& a) { return prefix_bytes(a) + 4; }
inline size_t algorithm_identifier_length(const Algorithm& a) { return prefix_bytes(a)[3]; }
inline const unsigned char* oid_der(const Algorithm& a) { return prefix_bytes(a) + 4; }
inline size_t oid_der_length(const Algorithm& a) { return 2u + prefix_bytes(a)[5]; }
inline const unsigned char* oid_content(const Algorithm& a) { return prefix_bytes(a) + 6; }
inline size_t oid_content_length(const Algorithm& a) { return prefix_bytes(a)[5]; }

}  // namespace vn_crypto

#endif
