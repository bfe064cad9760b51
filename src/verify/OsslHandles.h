// A certificate read from DER into its scoped owner (the owners: infra/OpenSslPtr.h).
#ifndef VN_VERIFY_OSSL_HANDLES_H
#define VN_VERIFY_OSSL_HANDLES_H

#include "infra/OpenSslPtr.h"

namespace vn_ossl {

inline X509Ptr x509FromDer(const unsigned char* der, long length) {
    if (der == nullptr || length <= 0)
        return X509Ptr();
    const unsigned char* p = der;
    return X509Ptr(d2i_X509(nullptr, &p, length));
}

}  // namespace vn_ossl

#endif
