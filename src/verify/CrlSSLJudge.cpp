// CCrlSSL: judging CRLs: parsing, issuer checks, hashed CRL directories, listed certificates.
#include <openssl/pem.h>

#include <cstring>

#include "CrlSSL.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"
#include "verify/CrlInternal.h"

namespace vn_crl {

namespace {
const char kPemBegin[] = "-----BEGIN X509 CRL-----";
const char kPemEnd[] = "-----END X509 CRL-----";
}  // namespace

CrlPtr parseCrl(const unsigned char* data, size_t length) {
    if (data == nullptr || length == 0 || length > static_cast<size_t>(INT32_MAX))
        return CrlPtr();
    const char* text = reinterpret_cast<const char*>(data);
    const char* begin = static_cast<const char*>(memmem(text, length, kPemBegin, sizeof(kPemBegin) - 1));
    if (begin != nullptr) {
        const size_t rest = length - static_cast<size_t>(begin - text);
        const char* end = static_cast<const char*>(memmem(begin, rest, kPemEnd, sizeof(kPemEnd) - 1));
        if (end == nullptr)
            return CrlPtr();
        const int pemLength = static_cast<int>(end - begin + sizeof(kPemEnd) - 1);
        BioChainPtr bio(BIO_new_mem_buf(begin, pemLength));
        return CrlPtr(bio ? PEM_read_bio_X509_CRL(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    }
    const unsigned char* p = data;
    CrlPtr crl(d2i_X509_CRL(nullptr, &p, static_cast<long>(length)));
    return crl;
}

bool crlIssuedBy(X509_CRL* crl, X509* cert, X509* issuer) {
    if (crl == nullptr || cert == nullptr || issuer == nullptr)
        return false;
    if (X509_NAME_cmp(X509_CRL_get_issuer(crl), X509_get_issuer_name(cert)) != 0 ||
        X509_NAME_cmp(X509_get_subject_name(issuer), X509_get_issuer_name(cert)) != 0)
        return false;
    EVP_PKEY* key = X509_get0_pubkey(issuer);
    return key != nullptr && X509_CRL_verify(crl, key) == 1;
}

time_t utcSeconds(const ASN1_TIME* t) {
    struct tm broken;
    std::memset(&broken, 0, sizeof(broken));
    if (t == nullptr || ASN1_TIME_to_tm(t, &broken) != 1)
        return static_cast<time_t>(-1);
    return timegm(&broken);
}

}  // namespace vn_crl

int CCrlSSL::sslGetCrl(const unsigned char* cert, unsigned int certLength, unsigned char* crl, unsigned int* crlLength,
                       const char* crlDirectory) {
    VnLoggerTraceScope trace(m_logger, "sslGetCrl");
    vn_ossl::X509Ptr x = vn_ossl::x509FromDer(cert, certLength);
    vn_ossl::StorePtr store(X509_STORE_new());
    X509_LOOKUP* lookup = store ? X509_STORE_add_lookup(store.get(), X509_LOOKUP_hash_dir()) : nullptr;
    vn_ossl::StoreCtxPtr ctx(X509_STORE_CTX_new());
    if (!x || crlLength == nullptr || crlDirectory == nullptr || lookup == nullptr || !ctx ||
        X509_LOOKUP_add_dir(lookup, crlDirectory, X509_FILETYPE_PEM) != 1 ||
        X509_STORE_CTX_init(ctx.get(), store.get(), x.get(), nullptr) != 1) {
        return CRLSSL_BAD_DER;
    }
    vn_ossl::X509ObjectPtr object(
        X509_STORE_CTX_get_obj_by_subject(ctx.get(), X509_LU_CRL, X509_get_issuer_name(x.get())));
    X509_CRL* found = object ? X509_OBJECT_get0_X509_CRL(object.get()) : nullptr;
    const int needed = found != nullptr ? i2d_X509_CRL(found, nullptr) : -1;
    if (needed <= 0) {
        return CRLSSL_NOT_FOUND;
    }
    const unsigned int capacity = *crlLength;
    *crlLength = static_cast<unsigned int>(needed);
    int rc = 0;
    if (crl != nullptr) {
        unsigned char* p = crl;
        if (capacity < static_cast<unsigned int>(needed))
            rc = CRLSSL_FETCH_FAILED;
        else
            i2d_X509_CRL(found, &p);
    }
    return rc;
}

int CCrlSSL::FindCertInCrl(const unsigned char* cert, unsigned int certLength, const unsigned char* crl,
                           unsigned int crlLength, time_t* revocationTime) {
    VnLoggerTraceScope trace(m_logger, "FindCertInCrl");
    vn_ossl::X509Ptr x = vn_ossl::x509FromDer(cert, certLength);
    vn_ossl::CrlPtr list = vn_crl::parseCrl(crl, crlLength);
    int rc = -1;
    if (x && list) {
        // Matches the serial number on a CRL issued under the certificate's issuer name.
        X509_REVOKED* entry = nullptr;
        rc = X509_CRL_get0_by_cert(list.get(), &entry, x.get()) == 1 && entry != nullptr ? 1 : 0;
        if (rc == 1 && revocationTime != nullptr)
            *revocationTime = vn_crl::utcSeconds(X509_REVOKED_get0_revocationDate(entry));
    }
    return rc;
}
