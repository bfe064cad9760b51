// The mechanisms of the module, one row each: what the caller hands in (data to hash,
// a DigestInfo, a bare hash, a block to decipher) and how the card layer is asked.
#ifndef VN_PKCS11_MECHANISMS_H
#define VN_PKCS11_MECHANISMS_H

#include <vector>

#include "P11.h"

namespace vn_p11 {

enum class MechKind {
    RsaPkcs,      // DigestInfo in, PKCS#1 v1.5 signature
    RsaPkcsHash,  // data hashed here, PKCS#1 v1.5 signature
    RsaPss,       // bare hash in, RSA-PSS signature
    RsaPssHash,   // data hashed here, RSA-PSS signature
    Ecdsa,        // bare hash in, r||s
    EcdsaHash,    // data hashed here, r||s
    DecryptPkcs,  // PKCS#1 v1.5 decipherment
    DecryptOaep,  // OAEP (SHA-256, MGF1-SHA-256, empty label) decipherment
};

struct Mechanism {
    CK_MECHANISM_TYPE type;
    MechKind kind;
    int nAlgoID;  // the library's hash number (0 SHA-1, 1 SHA-256, 2 SHA-384, 3 SHA-512), -1 none
};

// The row of a mechanism type, or null.
const Mechanism* mechanism(CK_MECHANISM_TYPE type);
const std::vector<Mechanism>& mechanisms();

bool isDecrypt(MechKind kind);
bool isRsa(MechKind kind);
bool hashesData(MechKind kind);
bool isPss(MechKind kind);

// Digest length of a hash number; 0 for none.
int digestLength(int nAlgoID);
// The hash number of a CKM_SHA* type, -1 for others.
int hashOfMechanism(CK_MECHANISM_TYPE hashMechanism);
// The hash number and the hash of a DigestInfo the card layer can sign; false when
// the block is no DigestInfo of SHA-1/SHA-256/SHA-384/SHA-512.
bool parseDigestInfo(const unsigned char* data, size_t length, int& nAlgoID, Bytes& hash);

}  // namespace vn_p11

#endif
