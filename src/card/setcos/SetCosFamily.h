// What only the SetCOS family (4.4.1, 4.4.2) does: its security environment, key
// generation, public key read-out and signature.
#ifndef VN_CARD_SETCOSFAMILY_H
#define VN_CARD_SETCOSFAMILY_H

#include <string>

#include "card/IsoCommands.h"

namespace vn_cardos {

// Environment data 80 01 02 (RSA, PKCS#1 v1.5 by the card) and the key file
// 81 02 <last identifier of the key path>.
Bytes setcosEnvironment(const std::string& keyPath);
// MANAGE SECURITY ENVIRONMENT 00 22 41 B6 with setcosEnvironment; 0 or 255.
int setcosManageSE(CSC_Profile_Base& card, const std::string& keyPath);
// Key generation 00 46 00 00 with the modulus size in bits, exponent 65537.
int setcosGenerate(CSC_Profile_Base& card, unsigned modulusBits);
// Modulus (GET DATA 01 01) followed by the public exponent (GET DATA 01 02).
int setcosPubKey(CSC_Profile_Base& card, const std::string& keyPath, unsigned char* out, unsigned long* outLength);
// Environment, then PSO COMPUTE DIGITAL SIGNATURE over the block, sent in `form` with `le`.
int setcosSign(CSC_Profile_Base& card, const std::string& keyPath, int keyBits, unsigned int algId, unsigned char* hash,
               unsigned long hashLength, unsigned char* signature, unsigned long* signatureLength, unsigned char form,
               unsigned short le);

}  // namespace vn_cardos

#endif
