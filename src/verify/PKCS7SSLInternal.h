// Internal helpers of CPKCS7SSL: scoped OpenSSL handles and parsing of a blob as PKCS#7
// or CMS.
#ifndef VN_VERIFY_PKCS7SSLINTERNAL_H
#define VN_VERIFY_PKCS7SSLINTERNAL_H

#include <string>

#include "infra/OpenSslPtr.h"

namespace pkcs7ssl {

using vn_ossl::BioPtr;
using vn_ossl::CmsPtr;
using vn_ossl::Pkcs7Ptr;
using vn_ossl::X509Ptr;
using PkeyPtr = vn_ossl::EvpPkeyPtr;
using PkeyCtxPtr = vn_ossl::EvpPkeyCtxPtr;
using MdCtxPtr = vn_ossl::EvpMdCtxPtr;

// The blob as PKCS#7 (d2i_PKCS7_bio) or CMS (d2i_CMS_bio); null when it does not parse.
Pkcs7Ptr parsePkcs7(const unsigned char* blob, unsigned int length);
CmsPtr parseCms(const unsigned char* blob, unsigned int length);
// The blob as PKCS#7 signedData; null for anything else.
Pkcs7Ptr parseSignedData(const unsigned char* blob, unsigned int length);
// The index-th signer info of a signedData, or null.
PKCS7_SIGNER_INFO* signerInfo(PKCS7* p7, int index);
// Copies DER into out (capacity *outLength); a null out only reports the size. 0 or -22.
int copyOut(const unsigned char* der, int derLength, unsigned char* out, unsigned int* outLength);
// DER of a certificate into out like copyOut.
int copyCert(X509* cert, unsigned char* out, unsigned int* outLength);
// Dotted text of an OID.
std::string oidText(const ASN1_OBJECT* object);
// Total length of the DER item at blob read from its header alone; 0 when the header is
// not a definite length.
unsigned int lengthFromHeader(const unsigned char* blob);
// Digest size by the NID of a digest (MD5, SHA-1, RIPEMD-160, SHA-256/384/512), else 0.
int digestSizeByNid(int nid);
// Decrypts an RSA signature without removing the padding into block (at least
// RSA_size bytes); returns the block length or -1.
int rsaDecryptRaw(EVP_PKEY* key, const unsigned char* signature, unsigned int length, unsigned char* block,
                  unsigned int blockSize);

// The first signer's message digest (signed attribute, else the tail of the decrypted RSA
// signature) in a new zeroed 256-byte buffer from calloc; null when it cannot be taken.
unsigned char* signerHash(PKCS7* p7, unsigned int* hashLength);

}  // namespace pkcs7ssl

#endif
