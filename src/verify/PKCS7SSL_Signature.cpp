// Signature values and the verification of a signature value alone.
#include <openssl/err.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "Asn1Pkcs7.h"
#include "PKCS7SSL.h"
#include "asn1/Pkcs7Der.h"
#include "infra/Loggers.h"
#include "verify/PKCS7SSLInternal.h"
#include "verify/VerifyInternal.h"

using namespace pkcs7ssl;

namespace {

enum KeyType { KEY_UNKNOWN = -1, KEY_ECDSA = 0, KEY_PLAIN_ECDSA = 1, KEY_RSA = 2, KEY_PSS = 3 };

// Public-key type by the prefix of the signature algorithm OID, tested in this order.
const struct {
    const char* prefix;
    int type;
    // clang-format off
} kKeyTypes[] = {
    {"1.2.840.10045.4", KEY_ECDSA},
    {"0.4.0.127.0.7.1.1.4.1", KEY_PLAIN_ECDSA},
    {"1.2.840.113549.1.1.10", KEY_PSS},
    {"1.2.840.113549.1.1.1", KEY_RSA},
    {"1.3.36.3.3.1", KEY_RSA},
};
// clang-format on

constexpr unsigned char TAG_INTEGER = 0x02;
constexpr unsigned char TAG_SEQUENCE = 0x30;
constexpr unsigned char TAG_SET = 0x31;
// Plain values whose halves fit the one-byte integer lengths of derFromPlain.
constexpr size_t MAX_PLAIN_VALUE = 250;
constexpr unsigned int PKCS7_NOCHAIN_NOVERIFY = PKCS7_NOCHAIN | PKCS7_NOVERIFY;
constexpr unsigned int CMS_NOSIGNERVERIFY_BINARY = CMS_NO_SIGNER_CERT_VERIFY | CMS_BINARY;

// The blob's length from its header, within blobLength when that is given; 0 when unknown.
unsigned int boundedLength(const unsigned char* blob, unsigned int blobLength) {
    constexpr unsigned int LONGEST_HEADER = 5;
    if (!blob || (blobLength != 0 && blobLength < 2) ||
        (blobLength != 0 && blobLength < LONGEST_HEADER && (blob[1] & 0x80)))
        return 0;
    const unsigned int length = lengthFromHeader(blob);
    return blobLength != 0 && length > blobLength ? 0 : length;
}

// The signer's signature value through the library's own model.
CAsn1_OctetString* modelSignature(CAsn1_Pkcs7& p7, int index, bool asEncoded) {
    if (p7.getError())
        return nullptr;
    return p7.getSignature(index, asEncoded);
}

// Appends one INTEGER of a plain value half: a zero byte in front of a high first bit.
void appendInteger(std::vector<unsigned char>& out, const unsigned char* p, size_t n) {
    const bool pad = n == 0 || (p[0] & 0x80);
    std::vector<unsigned char> content;
    if (pad)
        content.push_back(0);
    content.insert(content.end(), p, p + n);
    out.push_back(TAG_INTEGER);
    out.push_back(static_cast<unsigned char>(content.size()));
    out.insert(out.end(), content.begin(), content.end());
}

// The DER ECDSA value of a plain r||s value (halves of at most 125 bytes).
std::vector<unsigned char> derFromPlain(const unsigned char* sig, size_t n) {
    std::vector<unsigned char> integers, out;
    appendInteger(integers, sig, n / 2);
    appendInteger(integers, sig + n / 2, n - n / 2);
    out.push_back(TAG_SEQUENCE);
    if (integers.size() > 127)
        out.push_back(0x81);
    out.push_back(static_cast<unsigned char>(integers.size()));
    out.insert(out.end(), integers.begin(), integers.end());
    return out;
}

bool verifyDigest(EVP_PKEY* key, const unsigned char* sig, size_t sigLength, const unsigned char* digest,
                  size_t digestLength) {
    PkeyCtxPtr ctx(EVP_PKEY_CTX_new(key, nullptr));
    return ctx && EVP_PKEY_verify_init(ctx.get()) == 1 &&
           EVP_PKEY_verify(ctx.get(), sig, sigLength, digest, digestLength) == 1;
}

// Plain ECDSA: messageDigest against the content, then the signature over the signed attributes.
int verifyPlainEcdsa(CMS_SignerInfo* si, X509* cert, const unsigned char* content, unsigned int contentLength) {
    X509_ALGOR* digestAlgorithm = nullptr;
    CMS_SignerInfo_get0_algs(si, nullptr, nullptr, &digestAlgorithm, nullptr);
    const ASN1_OBJECT* digestObject = nullptr;
    if (digestAlgorithm)
        X509_ALGOR_get0(&digestObject, nullptr, nullptr, digestAlgorithm);
    const EVP_MD* md = digestObject ? EVP_get_digestbyobj(digestObject) : nullptr;
    EVP_PKEY* key = cert ? X509_get0_pubkey(cert) : nullptr;
    if (!md || !key)
        return CPKCS7SSL::FAILED;

    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (!EVP_Digest(content, contentLength, digest, &digestLength, md, nullptr))
        return CPKCS7SSL::FAILED;
    const int index = CMS_signed_get_attr_by_NID(si, NID_pkcs9_messageDigest, -1);
    X509_ATTRIBUTE* attribute = index >= 0 ? CMS_signed_get_attr(si, index) : nullptr;
    ASN1_TYPE* value = attribute ? X509_ATTRIBUTE_get0_type(attribute, 0) : nullptr;
    if (!value || value->type != V_ASN1_OCTET_STRING ||
        ASN1_STRING_length(value->value.octet_string) != static_cast<int>(digestLength) ||
        std::memcmp(ASN1_STRING_get0_data(value->value.octet_string), digest, digestLength) != 0)
        return CPKCS7SSL::FAILED;

    return vn_verify::plainEcdsaAttributesVerify(si, cert) ? 0 : CPKCS7SSL::FAILED;
}

}  // namespace

namespace vn_verify {

bool plainEcdsaAttributesVerify(CMS_SignerInfo* si, X509* cert) {
    X509_ALGOR* digestAlgorithm = nullptr;
    CMS_SignerInfo_get0_algs(si, nullptr, nullptr, &digestAlgorithm, nullptr);
    const ASN1_OBJECT* digestObject = nullptr;
    if (digestAlgorithm)
        X509_ALGOR_get0(&digestObject, nullptr, nullptr, digestAlgorithm);
    const EVP_MD* md = digestObject ? EVP_get_digestbyobj(digestObject) : nullptr;
    EVP_PKEY* key = cert ? X509_get0_pubkey(cert) : nullptr;
    if (!md || !key)
        return false;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    // The signed attributes as DER (SET OF, elements in DER order) and their digest.
    std::vector<std::vector<unsigned char>> elements;
    for (int i = 0; i < CMS_signed_get_attr_count(si); ++i) {
        unsigned char* der = nullptr;
        const int n = i2d_X509_ATTRIBUTE(CMS_signed_get_attr(si, i), &der);
        if (n <= 0)
            return false;
        const vn_ossl::OpenSslBytes owned(der);
        elements.emplace_back(der, der + n);
    }
    std::sort(elements.begin(), elements.end());
    std::vector<unsigned char> sorted, attributes;
    for (const auto& e : elements)
        sorted.insert(sorted.end(), e.begin(), e.end());
    pkcs7der::appendTlv(attributes, TAG_SET, sorted);
    if (!EVP_Digest(attributes.data(), attributes.size(), digest, &digestLength, md, nullptr))
        return false;

    ASN1_OCTET_STRING* signature = CMS_SignerInfo_get0_signature(si);
    const unsigned char* sig = signature ? ASN1_STRING_get0_data(signature) : nullptr;
    const size_t sigLength = signature ? static_cast<size_t>(ASN1_STRING_length(signature)) : 0;
    if (!sig || sigLength == 0)
        return false;
    const size_t keyBytes = static_cast<size_t>((EVP_PKEY_bits(key) + 7) / 8);
    const size_t plainLimit = 2 * std::min(keyBytes, static_cast<size_t>(digestLength)) + 2;
    if (sigLength <= plainLimit && sigLength <= MAX_PLAIN_VALUE) {
        const std::vector<unsigned char> der = derFromPlain(sig, sigLength);
        if (verifyDigest(key, der.data(), der.size(), digest, digestLength))
            return true;
    }
    return verifyDigest(key, sig, sigLength, digest, digestLength);
}

}  // namespace vn_verify

int CPKCS7SSL::getPublicKeyType(const ASN1_OBJECT* algorithm) {
    const std::string oid = oidText(algorithm);
    for (const auto& k : kKeyTypes)
        if (oid.compare(0, std::strlen(k.prefix), k.prefix) == 0)
            return k.type;
    return KEY_UNKNOWN;
}

int CPKCS7SSL::GetSignatureBlobSize(unsigned char* blob, unsigned int* size, int index, bool asEncoded,
                                    unsigned int blobLength) {
    VN_TRACE_ENTER(m_logger, "GetSignatureBlobSize");
    const unsigned int length = boundedLength(blob, blobLength);
    if (!size || length == 0)
        return NO_SIGNATURE;
    CAsn1_Pkcs7 p7(blob, length);
    const CAsn1_OctetString* signature = modelSignature(p7, index, asEncoded);
    if (!signature)
        return NO_SIGNATURE;
    *size = signature->getBinaryDataLen();
    return 0;
}

int CPKCS7SSL::GetSignatureBlob(unsigned char* blob, unsigned char* out, int index, bool asEncoded,
                                unsigned int blobLength) {
    VN_TRACE_ENTER(m_logger, "GetSignatureBlob");
    const unsigned int length = boundedLength(blob, blobLength);
    if (!out || length == 0)
        return NO_SIGNATURE;
    CAsn1_Pkcs7 p7(blob, length);
    const CAsn1_OctetString* signature = modelSignature(p7, index, asEncoded);
    if (!signature)
        return NO_SIGNATURE;
    if (signature->getBinaryDataLen())
        std::memcpy(out, signature->getBinaryData(), signature->getBinaryDataLen());
    return 0;
}

int CPKCS7SSL::GetRSAKeySize(unsigned char* certificate, unsigned int* offset) {
    VN_TRACE_ENTER(m_logger, "GetRSAKeySize");
    const unsigned int length = lengthFromHeader(certificate);
    pkcs7der::Item cert, tbs, part, spki, bits, key, modulus;
    if (length == 0 || !pkcs7der::read(certificate, length, cert) || cert.tag != TAG_SEQUENCE)
        return 0;
    pkcs7der::Children c(cert);
    if (!c.expect(TAG_SEQUENCE, tbs))
        return 0;
    // version (optional), serial, signature, issuer, validity, subject, subjectPublicKeyInfo
    pkcs7der::Children t(tbs);
    if (!t.next(part))
        return 0;
    const int skip = part.tag == 0xA0 ? 5 : 4;
    for (int i = 0; i < skip; ++i)
        if (!t.next(part))
            return 0;
    if (!t.expect(TAG_SEQUENCE, spki))
        return 0;
    pkcs7der::Children s(spki);
    if (!s.expect(TAG_SEQUENCE, part) || !s.expect(0x03, bits) || bits.contentLength < 2 || bits.content[0] != 0)
        return 0;
    // The BIT STRING holds RSAPublicKey { modulus, publicExponent } behind its unused-bits byte.
    if (!pkcs7der::read(bits.content + 1, bits.contentLength - 1, key) || key.tag != TAG_SEQUENCE)
        return 0;
    pkcs7der::Children k(key);
    if (!k.expect(TAG_INTEGER, modulus) || modulus.contentLength == 0)
        return 0;
    const unsigned char* p = modulus.content;
    unsigned int n = modulus.contentLength;
    while (n > 1 && *p == 0) {
        ++p;
        --n;
    }
    if (offset)
        *offset = static_cast<unsigned int>(p - certificate);
    return static_cast<int>(n);
}

int CPKCS7SSL::isEnveloped(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "isEnveloped");
    Pkcs7Ptr p7 = parsePkcs7(blob, length);
    if (!p7)
        return FAILED;
    return OBJ_obj2nid(p7->type) == NID_pkcs7_enveloped ? 1 : 0;
}

int CPKCS7SSL::Verify(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "Verify");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    PKCS7_SIGNER_INFO* si = signerInfo(p7.get(), 0);
    if (!si || !si->digest_enc_alg || getPublicKeyType(si->digest_enc_alg->algorithm) != KEY_RSA)
        return FAILED;
    const int ok = PKCS7_verify(p7.get(), nullptr, nullptr, nullptr, nullptr, PKCS7_NOCHAIN_NOVERIFY);
    ERR_clear_error();
    return ok == 1 ? 0 : FAILED;
}

int CPKCS7SSL::VerifyCMS(unsigned char* blob, unsigned int length, unsigned char* content, unsigned int contentLength) {
    VN_TRACE_ENTER(m_logger, "VerifyCMS");
    CmsPtr cms = parseCms(blob, length);
    STACK_OF(CMS_SignerInfo)* signers = cms ? CMS_get0_SignerInfos(cms.get()) : nullptr;
    if (!signers || sk_CMS_SignerInfo_num(signers) <= 0 || (!content && contentLength > 0) ||
        contentLength > static_cast<unsigned int>(INT_MAX))
        return FAILED;
    CMS_SignerInfo* si = sk_CMS_SignerInfo_value(signers, 0);
    const vn_ossl::X509StackPtr certsOwner(CMS_get1_certs(cms.get()));
    STACK_OF(X509)* certs = certsOwner.get();
    X509* cert = certs && sk_X509_num(certs) > 0 ? sk_X509_value(certs, 0) : nullptr;
    EVP_PKEY* key = cert ? X509_get0_pubkey(cert) : nullptr;
    if (!key)
        return FAILED;
    X509_ALGOR* signatureAlgorithm = nullptr;
    CMS_SignerInfo_get0_algs(si, nullptr, nullptr, nullptr, &signatureAlgorithm);
    const ASN1_OBJECT* signatureObject = nullptr;
    if (signatureAlgorithm)
        X509_ALGOR_get0(&signatureObject, nullptr, nullptr, signatureAlgorithm);

    int result = FAILED;
    if (EVP_PKEY_get_base_id(key) == EVP_PKEY_RSA || EVP_PKEY_get_base_id(key) == EVP_PKEY_RSA_PSS) {
        // CMS_verify copies a non-empty memory BIO into a second one of its own and
        // leaks that copy when it cannot set up the digests (an unknown digest
        // algorithm in a damaged signature). Behind a null filter the content is not
        // a memory BIO, so no copy is made and everything stays ours to free.
        BioPtr data(BIO_new_mem_buf(content ? content : reinterpret_cast<const unsigned char*>(""),
                                    static_cast<int>(contentLength)));
        BioPtr filter(data ? BIO_new(BIO_f_null()) : nullptr);
        if (filter) {
            BIO* chain = BIO_push(filter.get(), data.get());
            if (CMS_verify(cms.get(), nullptr, nullptr, chain, nullptr, CMS_NOSIGNERVERIFY_BINARY) == 1)
                result = 0;
            BIO_pop(filter.get());
        }
    } else if (getPublicKeyType(signatureObject) == KEY_PLAIN_ECDSA) {
        result =
            verifyPlainEcdsa(si, cert, content ? content : reinterpret_cast<const unsigned char*>(""), contentLength);
    }
    ERR_clear_error();
    return result;
}
