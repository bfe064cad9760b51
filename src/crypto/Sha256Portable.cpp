// SHA-256 compression (FIPS 180-4) in portable C++, with a 16-word rolling schedule.
#include "crypto/DigestCore.h"

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
#define S256_CH(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define S256_MAJ(x, y, z) (((x) & (y)) | ((z) & ((x) | (y))))
#define S256_SCHED(i) \
    (w[(i) & 15] += S256_s1(w[((i) + 14) & 15]) + w[((i) + 9) & 15] + S256_s0(w[((i) + 1) & 15]))
#define S256_ROUND(a, b, c, d, e, f, g, h, i, W)                     \
    {                                                                \
        uint32_t t1 = h + S256_S1(e) + S256_CH(e, f, g) + K256[i] + (W); \
        d += t1;                                                     \
        h = t1 + S256_S0(a) + S256_MAJ(a, b, c);                     \
    }
#define S256_EIGHT(i, Wf)                                  \
    S256_ROUND(a, b, c, d, e, f, g, h, (i) + 0, Wf((i) + 0)) \
    S256_ROUND(h, a, b, c, d, e, f, g, (i) + 1, Wf((i) + 1)) \
    S256_ROUND(g, h, a, b, c, d, e, f, (i) + 2, Wf((i) + 2)) \
    S256_ROUND(f, g, h, a, b, c, d, e, (i) + 3, Wf((i) + 3)) \
    S256_ROUND(e, f, g, h, a, b, c, d, (i) + 4, Wf((i) + 4)) \
    S256_ROUND(d, e, f, g, h, a, b, c, (i) + 5, Wf((i) + 5)) \
    S256_ROUND(c, d, e, f, g, h, a, b, (i) + 6, Wf((i) + 6)) \
    S256_ROUND(b, c, d, e, f, g, h, a, (i) + 7, Wf((i) + 7))
#define S256_LOADED(i) w[i]

void sha256_blocks_portable(uint32_t state[8], const unsigned char* p, std::size_t count) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    while (count--) {
        uint32_t w[16];
        for (int i = 0; i < 16; ++i)
            w[i] = load_be32(p + 4 * i);
        S256_EIGHT(0, S256_LOADED)
        S256_EIGHT(8, S256_LOADED)
        for (int i = 16; i < 64; i += 16) {
            S256_EIGHT(i, S256_SCHED)
            S256_EIGHT(i + 8, S256_SCHED)
        }
        a = state[0] += a;
        b = state[1] += b;
        c = state[2] += c;
        d = state[3] += d;
        e = state[4] += e;
        f = state[5] += f;
        g = state[6] += g;
        h = state[7] += h;
        p += 64;
    }
}

}  // namespace vn_crypto
