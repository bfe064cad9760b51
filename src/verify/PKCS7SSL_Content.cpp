// Content and digests of signed data, and the digest inside a PKCS#1 signature block.
#include <openssl/rsa.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "PKCS7SSL.h"
#include "crypto/Algorithms.h"
#include "infra/Loggers.h"
#include "verify/PKCS7SSLInternal.h"

using namespace pkcs7ssl;

namespace {

constexpr size_t HASH_BUFFER = 256;
constexpr unsigned int RSA_BLOCK = 4096;
constexpr size_t OID_TEXT = 64;

// MD2 is reported by GetHashAlgo too, although the library has no MD2 digest.
const char* const OID_MD2 = "1.2.840.113549.2.2";

// The OID GetHashAlgo reports for a digest NID; null for other NIDs.
const char* digestOidOfNid(int nid) {
    if (nid == NID_md2)
        return OID_MD2;
    const vn_crypto::Algorithm* a = vn_crypto::algorithm_for_nid(nid);
    return a ? a->oid : nullptr;
}

constexpr unsigned char MAX_BLOCK_TYPE = 2;

char g_hashAlgo[OID_TEXT];

// Finds the DigestInfo of a decrypted block; the digest runs to the end of the block.
const vn_crypto::Algorithm* findDigestInfo(const unsigned char* block, unsigned int length,
                                           unsigned int& digestOffset) {
    if (!block || length < 3)
        return nullptr;
    unsigned int i = block[0] == 0 ? 1 : 0;
    if (block[i] > MAX_BLOCK_TYPE)
        return nullptr;
    ++i;
    while (i < length && block[i] != 0)
        ++i;
    if (i >= length)
        return nullptr;
    ++i;
    for (size_t n = 0; n < vn_crypto::algorithm_count(); ++n) {
        const vn_crypto::Algorithm& row = vn_crypto::algorithms()[n];
        if (length - i == static_cast<unsigned int>(row.prefixLength + row.digestLength) &&
            std::memcmp(block + i, row.prefix, row.prefixLength) == 0) {
            digestOffset = i + row.prefixLength;
            return &row;
        }
    }
    return nullptr;
}

// A PKCS#1 v1.5 signature block: 00 01, at least eight FF bytes, 00, then the DigestInfo.
// Any other block type (0 or the random padding of an encryption block) is no signature.
bool isSignatureBlock(const unsigned char* block, unsigned int length) {
    constexpr unsigned int kMinPadding = 8;
    if (length < 3 + kMinPadding || block[0] != 0x00 || block[1] != 0x01)
        return false;
    unsigned int i = 2;
    while (i < length && block[i] == 0xFF)
        ++i;
    return i < length && block[i] == 0x00 && i - 2 >= kMinPadding;
}

unsigned char* newHashBuffer(const unsigned char* hash, size_t n) {
    if (n > HASH_BUFFER)
        return nullptr;
    unsigned char* out = static_cast<unsigned char*>(std::calloc(HASH_BUFFER, 1));
    if (out && n)
        std::memcpy(out, hash, n);
    return out;
}

}  // namespace

namespace pkcs7ssl {

// The message digest of the first signer: from its signed attributes, else from its decrypted RSA signature.
unsigned char* signerHash(PKCS7* p7, unsigned int* hashLength) {
    PKCS7_SIGNER_INFO* si = signerInfo(p7, 0);
    if (!si)
        return nullptr;
    STACK_OF(X509_ATTRIBUTE)* attributes = PKCS7_get_signed_attributes(si);
    if (attributes && sk_X509_ATTRIBUTE_num(attributes) > 0) {
        ASN1_OCTET_STRING* digest = PKCS7_digest_from_attributes(attributes);
        if (!digest)
            return nullptr;
        const size_t n = static_cast<size_t>(ASN1_STRING_length(digest));
        unsigned char* out = newHashBuffer(ASN1_STRING_get0_data(digest), n);
        if (out && hashLength)
            *hashLength = static_cast<unsigned int>(n);
        return out;
    }
    X509* cert = PKCS7_cert_from_signer_info(p7, si);
    STACK_OF(X509_ALGOR)* algorithms = p7->d.sign->md_algs;
    if (!cert || !si->enc_digest || !algorithms || sk_X509_ALGOR_num(algorithms) <= 0)
        return nullptr;
    const unsigned int n =
        static_cast<unsigned int>(digestSizeByNid(OBJ_obj2nid(sk_X509_ALGOR_value(algorithms, 0)->algorithm)));
    std::vector<unsigned char> block(RSA_BLOCK);
    const int blockLength =
        rsaDecryptRaw(X509_get0_pubkey(cert), ASN1_STRING_get0_data(si->enc_digest),
                      static_cast<unsigned int>(ASN1_STRING_length(si->enc_digest)), block.data(), RSA_BLOCK);
    if (blockLength <= 0 || n == 0 || static_cast<unsigned int>(blockLength) < n)
        return nullptr;
    unsigned char* out = newHashBuffer(block.data() + blockLength - n, n);
    if (out && hashLength)
        *hashLength = n;
    return out;
}

}  // namespace pkcs7ssl

int CPKCS7SSL::GetData(unsigned char* blob, unsigned int length, unsigned char* out, unsigned int* outLength) {
    VN_TRACE_ENTER(m_logger, "GetData");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    if (!p7 || !outLength || !p7->d.sign->contents)
        return NOT_FOUND;
    PKCS7* inner = p7->d.sign->contents;
    const int nid = OBJ_obj2nid(inner->type);
    const ASN1_OCTET_STRING* octets = nullptr;
    if (nid == NID_pkcs7_data)
        octets = inner->d.data;
    else if (nid >= NID_pkcs7_signed && nid <= NID_pkcs7_encrypted)
        return NOT_FOUND;
    else if (inner->d.other && inner->d.other->type == V_ASN1_OCTET_STRING)
        octets = inner->d.other->value.octet_string;
    if (!octets)
        return NOT_FOUND;
    const unsigned int n = static_cast<unsigned int>(ASN1_STRING_length(octets));
    if (out) {
        if (*outLength < n)
            return NOT_FOUND;
        if (n)
            std::memcpy(out, ASN1_STRING_get0_data(octets), n);
    }
    *outLength = n;
    return 0;
}

unsigned char* CPKCS7SSL::GetHash(unsigned char* blob, unsigned int length, unsigned int* hashLength) {
    VN_TRACE_ENTER(m_logger, "GetHash");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    return p7 ? signerHash(p7.get(), hashLength) : nullptr;
}

char* CPKCS7SSL::GetHashAlgo(unsigned char* blob, unsigned int length, int index, unsigned int* outLength) {
    VN_TRACE_ENTER(m_logger, "GetHashAlgo");
    std::memset(g_hashAlgo, 0, sizeof g_hashAlgo);
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    STACK_OF(X509_ALGOR)* algorithms = p7 ? p7->d.sign->md_algs : nullptr;
    if (!algorithms || index < 0 || index >= sk_X509_ALGOR_num(algorithms))
        return nullptr;
    const char* oid = digestOidOfNid(OBJ_obj2nid(sk_X509_ALGOR_value(algorithms, index)->algorithm));
    if (!oid)
        return nullptr;
    std::strncpy(g_hashAlgo, oid, sizeof g_hashAlgo - 1);
    if (outLength)
        *outLength = static_cast<unsigned int>(std::strlen(g_hashAlgo));
    return g_hashAlgo;
}

const char* CPKCS7SSL::GetHashAlgoPkcs1(unsigned char* block, unsigned int length, unsigned int* index, int* algo) {
    VN_TRACE_ENTER(m_logger, "GetHashAlgoPkcs1");
    unsigned int offset = 0;
    const vn_crypto::Algorithm* row = findDigestInfo(block, length, offset);
    if (algo)
        *algo = row ? row->hashId : 0;
    if (index)
        *index = row ? offset : 0;
    return row ? row->rsaOid : "";
}

unsigned char* CPKCS7SSL::GetHashFromPKCS1Signature(unsigned char* signature, unsigned int length,
                                                    unsigned char* certificate, unsigned int certificateLength,
                                                    unsigned int* hashLength, int* algo) {
    VN_TRACE_ENTER(m_logger, "GetHashFromPKCS1Signature");
    X509Ptr cert = vn_ossl::x509FromDer(certificate, certificateLength);
    if (!cert)
        return nullptr;
    std::vector<unsigned char> block(RSA_BLOCK);
    const int blockLength = rsaDecryptRaw(X509_get0_pubkey(cert.get()), signature, length, block.data(), RSA_BLOCK);
    if (blockLength <= 0 || !isSignatureBlock(block.data(), static_cast<unsigned int>(blockLength)))
        return nullptr;
    unsigned int offset = 0;
    const vn_crypto::Algorithm* row = findDigestInfo(block.data(), static_cast<unsigned int>(blockLength), offset);
    if (!row)
        return nullptr;
    const size_t digestLength = static_cast<size_t>(row->digestLength);
    unsigned char* out = static_cast<unsigned char*>(std::malloc(digestLength));
    if (!out)
        return nullptr;
    std::memcpy(out, block.data() + offset, digestLength);
    if (hashLength)
        *hashLength = static_cast<unsigned int>(digestLength);
    if (algo)
        *algo = row->hashId;
    return out;
}

int CPKCS7SSL::getHashfromBlob(unsigned char* data, unsigned int length, unsigned char* out, unsigned int* outLength,
                               const char* digestName) {
    VN_TRACE_ENTER(m_logger, "getHashfromBlob");
    const EVP_MD* md = digestName ? EVP_get_digestbyname(digestName) : nullptr;
    if (!md)
        md = EVP_sha256();
    if (!out || !outLength || (!data && length) || *outLength < static_cast<unsigned int>(EVP_MD_size(md)))
        return 0;
    unsigned int n = 0;
    if (!EVP_Digest(data ? data : out, length, out, &n, md, nullptr))
        return 0;
    *outLength = n;
    return 1;
}
