// Scoped owners of the OpenSSL objects used by the certificate classes.
#ifndef VN_VERIFY_SSLHANDLES_H
#define VN_VERIFY_SSLHANDLES_H

#include "infra/OpenSslPtr.h"

namespace vnssl {

using vn_ossl::BioPtr;
using vn_ossl::Pkcs7Ptr;
using vn_ossl::StoreCtxPtr;
using vn_ossl::X509Ptr;

// A certificate parsed from DER, or null.
inline X509Ptr parseDer(const unsigned char* der, unsigned int length) {
    if (!der || length == 0 || length > 0x7FFFFFFFu)
        return X509Ptr();
    const unsigned char* p = der;
    return X509Ptr(d2i_X509(nullptr, &p, static_cast<long>(length)));
}

}  // namespace vnssl

#endif
