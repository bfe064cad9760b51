// Scoped owners of the OpenSSL objects the verification code makes.
#ifndef VN_VERIFY_OSSL_HANDLES_H
#define VN_VERIFY_OSSL_HANDLES_H

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/ocsp.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace vn_ossl {

template <typename T, void (*F)(T*)>
struct Deleter {
    void operator()(T* p) const { F(p); }
};

inline void freeX509Stack(STACK_OF(X509) * s) { sk_X509_pop_free(s, X509_free); }
inline void freeCrlStack(STACK_OF(X509_CRL) * s) { sk_X509_CRL_pop_free(s, X509_CRL_free); }
inline void freeBio(BIO* b) { BIO_free_all(b); }
inline void freeDistPoints(STACK_OF(DIST_POINT) * s) { sk_DIST_POINT_pop_free(s, DIST_POINT_free); }
inline void freeAia(AUTHORITY_INFO_ACCESS* a) { AUTHORITY_INFO_ACCESS_free(a); }

using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using CrlPtr = std::unique_ptr<X509_CRL, Deleter<X509_CRL, X509_CRL_free>>;
using StorePtr = std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>>;
using StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, freeBio>>;
using Pkcs7Ptr = std::unique_ptr<PKCS7, Deleter<PKCS7, PKCS7_free>>;
using CmsPtr = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo, CMS_ContentInfo_free>>;
using X509StackPtr = std::unique_ptr<STACK_OF(X509), Deleter<STACK_OF(X509), freeX509Stack>>;
using CrlStackPtr = std::unique_ptr<STACK_OF(X509_CRL), Deleter<STACK_OF(X509_CRL), freeCrlStack>>;
using DistPointsPtr = std::unique_ptr<STACK_OF(DIST_POINT), Deleter<STACK_OF(DIST_POINT), freeDistPoints>>;
using AiaPtr = std::unique_ptr<AUTHORITY_INFO_ACCESS, Deleter<AUTHORITY_INFO_ACCESS, freeAia>>;
using OcspRequestPtr = std::unique_ptr<OCSP_REQUEST, Deleter<OCSP_REQUEST, OCSP_REQUEST_free>>;
using OcspResponsePtr = std::unique_ptr<OCSP_RESPONSE, Deleter<OCSP_RESPONSE, OCSP_RESPONSE_free>>;
using OcspBasicPtr = std::unique_ptr<OCSP_BASICRESP, Deleter<OCSP_BASICRESP, OCSP_BASICRESP_free>>;
using OcspCertIdPtr = std::unique_ptr<OCSP_CERTID, Deleter<OCSP_CERTID, OCSP_CERTID_free>>;

inline X509Ptr x509FromDer(const unsigned char* der, long length) {
    if (der == nullptr || length <= 0)
        return X509Ptr();
    const unsigned char* p = der;
    return X509Ptr(d2i_X509(nullptr, &p, length));
}

}  // namespace vn_ossl

#endif
