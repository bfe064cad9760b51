// The private key of a PKCS#12 file.
#ifndef VN_SIGN_P12KEY_H
#define VN_SIGN_P12KEY_H

#include <openssl/pkcs12.h>

#include "infra/OpenSslPtr.h"

namespace vn_sign {

// The first private key of the file, as PKCS12_parse finds it (the MAC verified with the
// password, an empty password also tried as an absent one), but without decrypting the
// safes that hold only certificates: the key is looked for in the plain safes first, and
// the encrypted ones are opened only when it is not there. Null on any failure.
vn_ossl::EvpPkeyPtr readP12Key(PKCS12* p12, const char* password);

}  // namespace vn_sign

#endif
