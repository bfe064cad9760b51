// CPKCS7SSL: logger, and the shared parsing and copying helpers.
#include "PKCS7SSL.h"

#include <openssl/err.h>
#include <openssl/rsa.h>

#include <climits>
#include <cstring>

#include "crypto/Algorithms.h"
#include "infra/Loggers.h"
#include "verify/PKCS7SSLInternal.h"

log4cxx::LoggerPtr CPKCS7SSL::m_logger = vnLogger("VornCryptoSSL.CPKCS7SSL");

CPKCS7SSL::CPKCS7SSL() = default;
CPKCS7SSL::~CPKCS7SSL() = default;

namespace pkcs7ssl {

namespace {

BioPtr memoryBio(const unsigned char* blob, unsigned int length) {
    if (!blob || length == 0 || length > static_cast<unsigned int>(INT_MAX))
        return nullptr;
    return BioPtr(BIO_new_mem_buf(blob, static_cast<int>(length)));
}

}  // namespace

Pkcs7Ptr parsePkcs7(const unsigned char* blob, unsigned int length) {
    BioPtr bio = memoryBio(blob, length);
    return Pkcs7Ptr(bio ? d2i_PKCS7_bio(bio.get(), nullptr) : nullptr);
}

CmsPtr parseCms(const unsigned char* blob, unsigned int length) {
    BioPtr bio = memoryBio(blob, length);
    return CmsPtr(bio ? d2i_CMS_bio(bio.get(), nullptr) : nullptr);
}

Pkcs7Ptr parseSignedData(const unsigned char* blob, unsigned int length) {
    Pkcs7Ptr p7 = parsePkcs7(blob, length);
    if (!p7 || OBJ_obj2nid(p7->type) != NID_pkcs7_signed || !p7->d.sign)
        return nullptr;
    return p7;
}

PKCS7_SIGNER_INFO* signerInfo(PKCS7* p7, int index) {
    STACK_OF(PKCS7_SIGNER_INFO)* signers = p7 ? PKCS7_get_signer_info(p7) : nullptr;
    if (!signers || index < 0 || index >= sk_PKCS7_SIGNER_INFO_num(signers))
        return nullptr;
    return sk_PKCS7_SIGNER_INFO_value(signers, index);
}

int copyOut(const unsigned char* der, int derLength, unsigned char* out, unsigned int* outLength) {
    if (!der || derLength <= 0 || !outLength)
        return CPKCS7SSL::FAILED;
    const unsigned int n = static_cast<unsigned int>(derLength);
    if (out) {
        if (*outLength < n)
            return CPKCS7SSL::FAILED;
        std::memcpy(out, der, n);
    }
    *outLength = n;
    return 0;
}

int copyCert(X509* cert, unsigned char* out, unsigned int* outLength) {
    if (!cert)
        return CPKCS7SSL::FAILED;
    const std::vector<unsigned char> der = vn_ossl::derOfX509(cert);
    return copyOut(der.empty() ? nullptr : der.data(), static_cast<int>(der.size()), out, outLength);
}

std::string oidText(const ASN1_OBJECT* object) {
    char text[128];
    if (!object || OBJ_obj2txt(text, sizeof text, object, 1) <= 0)
        return std::string();
    return text;
}

unsigned int lengthFromHeader(const unsigned char* blob) {
    if (!blob)
        return 0;
    const unsigned char l = blob[1];
    if (l < 0x80)
        return 2u + l;
    const unsigned int n = l & 0x7Fu;
    if (n == 0 || n > 3)
        return 0;
    unsigned int content = 0;
    for (unsigned int i = 0; i < n; ++i)
        content = (content << 8) | blob[2 + i];
    return 2 + n + content;
}

int digestSizeByNid(int nid) {
    const vn_crypto::Algorithm* a = vn_crypto::algorithm_for_nid(nid);
    return a ? a->digestLength : 0;
}

int rsaDecryptRaw(EVP_PKEY* key, const unsigned char* signature, unsigned int length, unsigned char* block,
                  unsigned int blockSize) {
    vn_ossl::RsaPtr rsa(key ? EVP_PKEY_get1_RSA(key) : nullptr);
    if (!rsa || !signature || length == 0 || length > static_cast<unsigned int>(INT_MAX) ||
        static_cast<unsigned int>(RSA_size(rsa.get())) > blockSize)
        return -1;
    const int n = RSA_public_decrypt(static_cast<int>(length), signature, block, rsa.get(), RSA_NO_PADDING);
    ERR_clear_error();
    return n;
}

}  // namespace pkcs7ssl
