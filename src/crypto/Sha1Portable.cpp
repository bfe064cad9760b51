// SHA-1 compression (FIPS 180-4) in portable C++, with a 16-word rolling schedule.
#include "crypto/DigestCore.h"

namespace vn_crypto {

#define SHA1_W(i) (w[(i)&15] = rotl32(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ w[((i) + 2) & 15] ^ w[(i)&15], 1))
#define SHA1_R0(a, b, c, d, e, i)                                         \
    e += ((d) ^ ((b) & ((c) ^ (d)))) + w[i] + 0x5a827999u + rotl32(a, 5); \
    b = rotl32(b, 30);
#define SHA1_R1(a, b, c, d, e, i)                                              \
    e += ((d) ^ ((b) & ((c) ^ (d)))) + SHA1_W(i) + 0x5a827999u + rotl32(a, 5); \
    b = rotl32(b, 30);
#define SHA1_R2(a, b, c, d, e, i)                                    \
    e += ((b) ^ (c) ^ (d)) + SHA1_W(i) + 0x6ed9eba1u + rotl32(a, 5); \
    b = rotl32(b, 30);
#define SHA1_R3(a, b, c, d, e, i)                                                      \
    e += ((((b) | (c)) & (d)) | ((b) & (c))) + SHA1_W(i) + 0x8f1bbcdcu + rotl32(a, 5); \
    b = rotl32(b, 30);
#define SHA1_R4(a, b, c, d, e, i)                                    \
    e += ((b) ^ (c) ^ (d)) + SHA1_W(i) + 0xca62c1d6u + rotl32(a, 5); \
    b = rotl32(b, 30);
#define SHA1_FIVE(R, i)       \
    R(a, b, c, d, e, (i))     \
    R(e, a, b, c, d, (i) + 1) \
    R(d, e, a, b, c, (i) + 2) \
    R(c, d, e, a, b, (i) + 3) \
    R(b, c, d, e, a, (i) + 4)

void sha1_blocks_portable(uint32_t state[5], const unsigned char* p, std::size_t count) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    while (count--) {
        uint32_t w[16];
        for (int i = 0; i < 16; ++i)
            w[i] = load_be32(p + 4 * i);
        const uint32_t a0 = a, b0 = b, c0 = c, d0 = d, e0 = e;
        SHA1_FIVE(SHA1_R0, 0)
        SHA1_FIVE(SHA1_R0, 5)
        SHA1_FIVE(SHA1_R0, 10)
        SHA1_R0(a, b, c, d, e, 15)
        SHA1_R1(e, a, b, c, d, 16)
        SHA1_R1(d, e, a, b, c, 17)
        SHA1_R1(c, d, e, a, b, 18)
        SHA1_R1(b, c, d, e, a, 19)
        SHA1_FIVE(SHA1_R2, 20)
        SHA1_FIVE(SHA1_R2, 25)
        SHA1_FIVE(SHA1_R2, 30)
        SHA1_FIVE(SHA1_R2, 35)
        SHA1_FIVE(SHA1_R3, 40)
        SHA1_FIVE(SHA1_R3, 45)
        SHA1_FIVE(SHA1_R3, 50)
        SHA1_FIVE(SHA1_R3, 55)
        SHA1_FIVE(SHA1_R4, 60)
        SHA1_FIVE(SHA1_R4, 65)
        SHA1_FIVE(SHA1_R4, 70)
        SHA1_FIVE(SHA1_R4, 75)
        a += a0;
        b += b0;
        c += c0;
        d += d0;
        e += e0;
        p += 64;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
    state[4] = e;
}

}  // namespace vn_crypto
