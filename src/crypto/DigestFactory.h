// Choice of a digest class by kind, and one-shot hashing of a buffer.
#ifndef VN_CRYPTO_DIGESTFACTORY_H
#define VN_CRYPTO_DIGESTFACTORY_H

#include <cstddef>
#include <memory>

#include "MessageDigest.h"
#include "crypto/Algorithms.h"

namespace vn_crypto {

std::unique_ptr<IMessageDigest> make_digest(DigestKind kind);
// 20, 32, 48, 64, 16 or 20.
int digest_length(DigestKind kind);
// Hashes length bytes (fed in pieces that fit the int of AddData) into out, which
// holds digest_length(kind) bytes. A null data pointer counts as the empty message.
void digest_buffer(DigestKind kind, const unsigned char* data, std::size_t length, unsigned char* out);

// The digest index of HashBlob: 0 SHA-1, 1 SHA-256, 2 SHA-384, 3 SHA-512, 4 MD5,
// 5 RIPEMD-160. False for any other index.
bool digest_kind_for_blob_index(int index, DigestKind& kind);
// The signing algorithm number nAlgoID: 0 SHA-1, 1 SHA-256, 2 SHA-384, 3 SHA-512,
// 4 RIPEMD-160, 5 MD5; any other value means SHA-256.
DigestKind digest_kind_for_sign_algo(int nAlgoID);

// HashBlob of CHashSSL and CCertHandler: digest of data into digest (at least 64
// bytes) and its length into digestLength. Writes nothing for an unknown index, a
// null output, or null data with a non-zero length. Returns 0.
int hash_blob(const unsigned char* data, unsigned int length, int index, unsigned char* digest, int* digestLength);

}  // namespace vn_crypto

#endif
