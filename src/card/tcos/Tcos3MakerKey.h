// The maker key pair of the TCOS 3.0 device authentication: configuration data of the
// library. The group "tcos3MakerKey" of settings.cfg (working directory), when present,
// replaces the built-in test pair:
//
//   tcos3MakerKey = {
//     modulus         = "...";   # 256 hex digits, a 1024-bit modulus
//     publicExponent  = "010001"; # at most 6 hex digits
//     privateExponent = "...";   # 256 hex digits
//     prime1 = "..."; prime2 = "..."; exponent1 = "..."; exponent2 = "..."; coefficient = "...";
//   };                            # the CRT values p, q, d mod (p-1), d mod (q-1), q^-1 mod p: 128 hex digits each
//
// A group that is there but incomplete or malformed is refused (no fallback to the test pair).
#ifndef VN_CARD_TCOS3MAKERKEY_H
#define VN_CARD_TCOS3MAKERKEY_H

#include <openssl/crypto.h>

#include <cstddef>
#include <string>
#include <vector>

#include "MpArith.h"

namespace vn_tcos3 {

constexpr size_t kModulusBytes = 128;
constexpr size_t kExponentBytes = 3;
// WriteQuorPubKey data: key reference (3 bytes), public-key template (135 bytes: a
// header of 7 bytes, then the modulus), exponent (5 bytes).
constexpr size_t kKeyBlockBytes = 143;
constexpr size_t kModulusOffset = 3 + 7;
constexpr unsigned char kKeyReference = 0x01;

// The eight values as hex text.
struct MakerKeyText {
    std::string n, e, d, p, q, dmp1, dmq1, iqmp;
    ~MakerKeyText() { wipe(); }
    void wipe();
};

// The configured pair, else the built-in one; false (out empty) when the settings hold
// an unusable pair.
bool maker_key_text(MakerKeyText& out);

// The 143 bytes of WriteQuorPubKey made from the maker's public key:
// 83 01 01 | 7F 49 81 88 81 81 80 modulus(128) | 82 03 exponent(3, left-padded).
bool maker_key_block(std::vector<unsigned char>& block);

}  // namespace vn_tcos3

#endif
