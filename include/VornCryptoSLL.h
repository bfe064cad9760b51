// Root class of the library and its version.
#ifndef VN_VORNCRYPTOSLL_H
#define VN_VORNCRYPTOSLL_H

#include "vn_export.h"

class VN_EXPORT CVornCryptoSLL {
public:
    CVornCryptoSLL();
    virtual ~CVornCryptoSLL();
};

// "2.0.0": the version of the library that is loaded (not the one compiled against).
extern "C" VN_EXPORT const char* vorncryptossl_version();

#endif
