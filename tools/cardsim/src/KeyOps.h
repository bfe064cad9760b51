// Private-key operations of the simulated card, done with OpenSSL.
#pragma once

#include <string>

#include "Model.h"

namespace cardsim {

// Signs `input` with algorithm `alg`:
//   pkcs1          input is the block to pad (usually a DigestInfo), EMSA-PKCS1-v1_5 type 1
//   pkcs1-<hash>   input is the hash; the card builds the DigestInfo
//   pss-<hash>     input is the hash; RSASSA-PSS, MGF1 with the same hash, salt = hash length
//   raw            input is the whole block (modulus length), no padding
//   ecdsa          input is the hash; output is the plain r || s
// Returns the status word (9000 on success).
uint16_t keySign(EVP_PKEY* key, const std::string& alg, const Bytes& input, Bytes& out);

// Deciphers `input` (pkcs1, raw, oaep, oaep-sha256).
uint16_t keyDecipher(EVP_PKEY* key, const std::string& alg, const Bytes& input, Bytes& out);

// Size of the key in bytes (modulus or field size).
size_t keyBytes(EVP_PKEY* key);

// Encrypts one block with a symmetric key (DES-EDE for 16/24 bytes, AES for 32),
// ECB, no padding; used to check EXTERNAL AUTHENTICATE.
bool symmetricEncrypt(const Bytes& key, const Bytes& in, Bytes& out);

}  // namespace cardsim
