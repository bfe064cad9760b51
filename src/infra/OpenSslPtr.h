// Scoped owners of OpenSSL objects: one unique_ptr type per kind of object, each
// freeing it with OpenSSL's own function for that kind. Header only, over OpenSSL's
// public API.
#ifndef VN_INFRA_OPENSSLPTR_H
#define VN_INFRA_OPENSSLPTR_H

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/cms.h>
#include <openssl/crypto.h>
#include <openssl/ec.h>
#include <openssl/engine.h>
#include <openssl/evp.h>
#include <openssl/http.h>
#include <openssl/ocsp.h>
#include <openssl/pem.h>  // before cms.h, which declares its PEM readers only after it
#include <openssl/pkcs12.h>
#include <openssl/pkcs7.h>
#include <openssl/rsa.h>
#include <openssl/ssl.h>
#include <openssl/ts.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <climits>
#include <cstddef>
#include <memory>
#include <vector>

namespace vn_ossl {

template <typename T, void (*F)(T*)>
struct Deleter {
    void operator()(T* p) const { F(p); }
};

// Frees that OpenSSL offers as macros, or with more than one argument.
inline void freeX509Stack(STACK_OF(X509) * s) { sk_X509_pop_free(s, X509_free); }
inline void freeX509StackOnly(STACK_OF(X509) * s) { sk_X509_free(s); }
inline void freeCrlStack(STACK_OF(X509_CRL) * s) { sk_X509_CRL_pop_free(s, X509_CRL_free); }
inline void freeDistPoints(STACK_OF(DIST_POINT) * s) { sk_DIST_POINT_pop_free(s, DIST_POINT_free); }
inline void freeAia(AUTHORITY_INFO_ACCESS* a) { AUTHORITY_INFO_ACCESS_free(a); }
inline void freeBioChain(BIO* b) { BIO_free_all(b); }
inline void freeBio(BIO* b) { BIO_free(b); }
inline void freeEngine(ENGINE* e) { ENGINE_free(e); }
inline void freeOpenSslBytes(unsigned char* p) { OPENSSL_free(p); }
inline void freeOpenSslText(char* p) { OPENSSL_free(p); }
inline void freeEmailList(STACK_OF(OPENSSL_STRING) * s) { X509_email_free(s); }
inline void freeSafeBags(STACK_OF(PKCS12_SAFEBAG) * s) { sk_PKCS12_SAFEBAG_pop_free(s, PKCS12_SAFEBAG_free); }
inline void freePkcs7Stack(STACK_OF(PKCS7) * s) { sk_PKCS7_pop_free(s, PKCS7_free); }

// Certificates, CRLs and their stores.
using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using CrlPtr = std::unique_ptr<X509_CRL, Deleter<X509_CRL, X509_CRL_free>>;
using StorePtr = std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>>;
using StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;
using X509ObjectPtr = std::unique_ptr<X509_OBJECT, Deleter<X509_OBJECT, X509_OBJECT_free>>;
// A stack of certificates that owns them, and one that holds borrowed ones.
using X509StackPtr = std::unique_ptr<STACK_OF(X509), Deleter<STACK_OF(X509), freeX509Stack>>;
using X509RefStackPtr = std::unique_ptr<STACK_OF(X509), Deleter<STACK_OF(X509), freeX509StackOnly>>;
using CrlStackPtr = std::unique_ptr<STACK_OF(X509_CRL), Deleter<STACK_OF(X509_CRL), freeCrlStack>>;
using DistPointsPtr = std::unique_ptr<STACK_OF(DIST_POINT), Deleter<STACK_OF(DIST_POINT), freeDistPoints>>;
using AiaPtr = std::unique_ptr<AUTHORITY_INFO_ACCESS, Deleter<AUTHORITY_INFO_ACCESS, freeAia>>;
using EmailListPtr = std::unique_ptr<STACK_OF(OPENSSL_STRING), Deleter<STACK_OF(OPENSSL_STRING), freeEmailList>>;

// Keys, contexts and numbers.
using EvpPkeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using EvpPkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using EvpMdCtxPtr = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;
using RsaPtr = std::unique_ptr<RSA, Deleter<RSA, RSA_free>>;
using EcGroupPtr = std::unique_ptr<EC_GROUP, Deleter<EC_GROUP, EC_GROUP_free>>;
using EcdsaSigPtr = std::unique_ptr<ECDSA_SIG, Deleter<ECDSA_SIG, ECDSA_SIG_free>>;
using BignumPtr = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_free>>;
using Asn1EnumeratedPtr = std::unique_ptr<ASN1_ENUMERATED, Deleter<ASN1_ENUMERATED, ASN1_ENUMERATED_free>>;
// A number that held a secret: wiped before it is freed.
using SecretBignumPtr = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_clear_free>>;
using EnginePtr = std::unique_ptr<ENGINE, Deleter<ENGINE, freeEngine>>;

// Messages, containers and streams.
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, freeBio>>;
// A BIO with the ones pushed behind it.
using BioChainPtr = std::unique_ptr<BIO, Deleter<BIO, freeBioChain>>;
using Pkcs7Ptr = std::unique_ptr<PKCS7, Deleter<PKCS7, PKCS7_free>>;
using CmsPtr = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo, CMS_ContentInfo_free>>;
using Pkcs12Ptr = std::unique_ptr<PKCS12, Deleter<PKCS12, PKCS12_free>>;
// The bags of a PKCS#12 safe, the safes of its authenticated contents, a decrypted key bag.
using SafeBagsPtr = std::unique_ptr<STACK_OF(PKCS12_SAFEBAG), Deleter<STACK_OF(PKCS12_SAFEBAG), freeSafeBags>>;
using Pkcs7StackPtr = std::unique_ptr<STACK_OF(PKCS7), Deleter<STACK_OF(PKCS7), freePkcs7Stack>>;
using Pkcs8KeyInfoPtr = std::unique_ptr<PKCS8_PRIV_KEY_INFO, Deleter<PKCS8_PRIV_KEY_INFO, PKCS8_PRIV_KEY_INFO_free>>;
using Asn1ObjectPtr = std::unique_ptr<ASN1_OBJECT, Deleter<ASN1_OBJECT, ASN1_OBJECT_free>>;
using TstInfoPtr = std::unique_ptr<TS_TST_INFO, Deleter<TS_TST_INFO, TS_TST_INFO_free>>;

// Online status requests and the HTTP exchange that carries them.
using OcspRequestPtr = std::unique_ptr<OCSP_REQUEST, Deleter<OCSP_REQUEST, OCSP_REQUEST_free>>;
using OcspResponsePtr = std::unique_ptr<OCSP_RESPONSE, Deleter<OCSP_RESPONSE, OCSP_RESPONSE_free>>;
using OcspBasicPtr = std::unique_ptr<OCSP_BASICRESP, Deleter<OCSP_BASICRESP, OCSP_BASICRESP_free>>;
using OcspCertIdPtr = std::unique_ptr<OCSP_CERTID, Deleter<OCSP_CERTID, OCSP_CERTID_free>>;
using HttpReqCtxPtr = std::unique_ptr<OSSL_HTTP_REQ_CTX, Deleter<OSSL_HTTP_REQ_CTX, OSSL_HTTP_REQ_CTX_free>>;
// TLS connections of the HTTP client.
using SslCtxPtr = std::unique_ptr<SSL_CTX, Deleter<SSL_CTX, SSL_CTX_free>>;
using SslPtr = std::unique_ptr<SSL, Deleter<SSL, SSL_free>>;

// Bytes and texts that OpenSSL allocated (i2d_* output, BN_bn2hex, X509_NAME_oneline).
using OpenSslBytes = std::unique_ptr<unsigned char, Deleter<unsigned char, freeOpenSslBytes>>;
using OpenSslText = std::unique_ptr<char, Deleter<char, freeOpenSslText>>;

// Pushes x onto the stack with a reference of its own; false (nothing more held) when it cannot.
inline bool pushCertRef(STACK_OF(X509) * s, X509* x) {
    if (s == nullptr || x == nullptr || X509_up_ref(x) != 1)
        return false;
    X509Ptr ref(x);
    if (sk_X509_push(s, x) <= 0)
        return false;
    ref.release();  // the stack holds it now
    return true;
}

// A certificate and its DER: the one pair of helpers for both ways.
// The certificate in der; null for no bytes, a length over INT_MAX, or no certificate.
inline X509Ptr x509FromDer(const unsigned char* der, size_t length) {
    if (der == nullptr || length == 0 || length > static_cast<size_t>(INT_MAX))
        return X509Ptr();
    const unsigned char* p = der;
    return X509Ptr(d2i_X509(nullptr, &p, static_cast<long>(length)));
}
// The DER of a certificate; empty for null or one that does not encode.
inline std::vector<unsigned char> derOfX509(const X509* x) {
    const int n = x != nullptr ? i2d_X509(x, nullptr) : 0;
    if (n <= 0)
        return {};
    std::vector<unsigned char> der(static_cast<size_t>(n));
    unsigned char* p = der.data();
    if (i2d_X509(x, &p) != n)
        return {};
    return der;
}

}  // namespace vn_ossl

#endif
