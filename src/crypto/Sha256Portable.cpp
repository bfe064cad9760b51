// SHA-256 compression (FIPS 180-4) in portable C++, with a 16-word rolling schedule.
#include "crypto/DigestCore.h"
#include "crypto/Sha2Rounds.h"

namespace vn_crypto {

namespace {
const uint32_t K256[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};
}  // namespace

#define S256_S0(x) (rotr32(x, 2) ^ rotr32(x, 13) ^ rotr32(x, 22))
#define S256_S1(x) (rotr32(x, 6) ^ rotr32(x, 11) ^ rotr32(x, 25))
#define S256_s0(x) (rotr32(x, 7) ^ rotr32(x, 18) ^ ((x) >> 3))
#define S256_s1(x) (rotr32(x, 17) ^ rotr32(x, 19) ^ ((x) >> 10))
// Rounds 0-15 read the loaded words, later rounds extend the schedule first.
#define S256_LOADED(a, b, c, d, e, f, g, h, i) \
    SHA2_ROUND(uint32_t, S256_S0, S256_S1, a, b, c, d, e, f, g, h, K256[i] + w[i])
#define S256_SCHEDULED(a, b, c, d, e, f, g, h, i) \
    SHA2_ROUND(uint32_t, S256_S0, S256_S1, a, b, c, d, e, f, g, h, K256[i] + SHA2_SCHED(S256_s0, S256_s1, i))

void sha256_blocks_portable(uint32_t state[8], const unsigned char* p, std::size_t count) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    while (count--) {
        uint32_t w[16];
        for (int i = 0; i < 16; ++i)
            w[i] = load_be32(p + 4 * i);
        SHA2_EIGHT(S256_LOADED, 0)
        SHA2_EIGHT(S256_LOADED, 8)
        for (int i = 16; i < 64; i += 16) {
            SHA2_EIGHT(S256_SCHEDULED, i)
            SHA2_EIGHT(S256_SCHEDULED, i + 8)
        }
        SHA2_FEED_FORWARD
        p += 64;
    }
}

}  // namespace vn_crypto
