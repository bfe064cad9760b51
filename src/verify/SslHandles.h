// Scoped owners of the OpenSSL objects used by the certificate classes.
#ifndef VN_VERIFY_SSLHANDLES_H
#define VN_VERIFY_SSLHANDLES_H

#include <openssl/bio.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <memory>

namespace vnssl {

struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};
struct BioFree {
    void operator()(BIO* b) const { BIO_free(b); }
};
struct StoreCtxFree {
    void operator()(X509_STORE_CTX* c) const { X509_STORE_CTX_free(c); }
};
struct Pkcs7Free {
    void operator()(PKCS7* p) const { PKCS7_free(p); }
};
typedef std::unique_ptr<X509, X509Free> X509Ptr;
typedef std::unique_ptr<BIO, BioFree> BioPtr;
typedef std::unique_ptr<X509_STORE_CTX, StoreCtxFree> StoreCtxPtr;
typedef std::unique_ptr<PKCS7, Pkcs7Free> Pkcs7Ptr;

// A certificate parsed from DER, or null.
inline X509Ptr parseDer(const unsigned char* der, unsigned int length) {
    if (!der || length == 0 || length > 0x7FFFFFFFu)
        return X509Ptr();
    const unsigned char* p = der;
    return X509Ptr(d2i_X509(nullptr, &p, static_cast<long>(length)));
}

}  // namespace vnssl

#endif
