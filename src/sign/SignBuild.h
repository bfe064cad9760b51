// Internal steps of building signed data, shared by the buffer and the file operations,
// so that a file is hashed and encoded once for both its length and its signature.
#ifndef VN_SIGN_SIGNBUILD_H
#define VN_SIGN_SIGNBUILD_H

#include "SignMessage.h"

namespace vn_sign {

// New tool settings, the key's checks and the signed data with its placeholder signature;
// its length in *length. checkSignHashAlgoPKey's codes as they are, else prepare2sign's.
int32_t buildSignedData(CPkcs7tool& tool, unsigned char* data, uint32_t dataLength, timeb* signingTime, X509* cert,
                        uint32_t* key, int nAlgoID, bool attach, _ASN1_CERT_BLOB* moreCerts, int moreCertsCount,
                        uint32_t* length);
// Signs and copies the result into out (capacity *outLength); the length needed goes to
// *outLength. -24 signing failed, -300 the buffer is too small.
int32_t finishSignedData(CPkcs7tool& tool, uint32_t* key, unsigned char* out, uint32_t* outLength);

}  // namespace vn_sign

#endif
