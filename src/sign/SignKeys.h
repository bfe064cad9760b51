// Internal helpers of signature creation: which kind a key handle is, and signing with
// a PKCS#12 key through OpenSSL.
#ifndef VN_SIGN_SIGNKEYS_H
#define VN_SIGN_SIGNKEYS_H

#include <openssl/evp.h>

#include <cstdint>
#include <vector>

class CSCM_Interface;

namespace vn_sign {

// PKCS#12 keys handed out by OpenSSLKey_P12 and not yet closed. A handle found here is
// an EVP_PKEY whatever kind was opened last, so a card handle is never freed as an
// OpenSSL key or the other way round.
void rememberP12Key(uint32_t* key);
bool forgetP12Key(uint32_t* key);
bool isP12Key(uint32_t* key);

inline EVP_PKEY* asP12Key(uint32_t* key) { return reinterpret_cast<EVP_PKEY*>(key); }
inline CSCM_Interface* asCardKey(uint32_t* key) { return reinterpret_cast<CSCM_Interface*>(key); }

// The OpenSSL digest of a signing algorithm id (0 SHA-1, 2 SHA-384, 3 SHA-512,
// 4 RIPEMD-160, 5 MD5, any other SHA-256).
const EVP_MD* digestOfAlgo(int nAlgoID);

// Signs a digest made with the digest of nAlgoID: PKCS#1 v1.5 (DigestInfo) for RSA
// keys, PSS with MGF1 of the same digest and a salt of the digest's length for RSA-PSS
// keys, DER ECDSA-Sig-Value for EC keys. False on any failure or a digest of the wrong length.
bool signDigestP12(EVP_PKEY* key, int nAlgoID, const unsigned char* digest, size_t digestLength,
                   std::vector<unsigned char>& signature);
// Hashes data with the digest of nAlgoID and signs the digest as above.
bool signDataP12(EVP_PKEY* key, int nAlgoID, const unsigned char* data, size_t dataLength,
                 std::vector<unsigned char>& signature);
// DER ECDSA-Sig-Value to r || s, each half fieldBytes long. False when it does not parse or fit.
bool ecdsaDerToRaw(const std::vector<unsigned char>& der, size_t fieldBytes, std::vector<unsigned char>& raw);

}  // namespace vn_sign

#endif
