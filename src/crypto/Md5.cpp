// MD5 (RFC 1321).
#include "MessageDigest.h"

#include "crypto/DigestCore.h"

namespace vn_crypto {

// The round steps, fully unrolled. F and G are written so that the two halves do not
// depend on each other, which keeps the critical path short.
#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
#define MD5_STEP(f, a, b, c, d, x, k, s) \
    a += f(b, c, d) + (x) + (k);         \
    a = rotl32(a, s) + b;
#define MD5_STEPG(a, b, c, d, x, k, s) \
    a += (x) + (k) + ((c) & ~(d));     \
    a += ((b) & (d));                  \
    a = rotl32(a, s) + b;

void md5_blocks(uint32_t state[4], const unsigned char* p, std::size_t count) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    while (count--) {
        uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = load_le32(p + 4 * i);
        const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

        MD5_STEP(MD5_F, a, b, c, d, x[0], 0xd76aa478, 7)
        MD5_STEP(MD5_F, d, a, b, c, x[1], 0xe8c7b756, 12)
        MD5_STEP(MD5_F, c, d, a, b, x[2], 0x242070db, 17)
        MD5_STEP(MD5_F, b, c, d, a, x[3], 0xc1bdceee, 22)
        MD5_STEP(MD5_F, a, b, c, d, x[4], 0xf57c0faf, 7)
        MD5_STEP(MD5_F, d, a, b, c, x[5], 0x4787c62a, 12)
        MD5_STEP(MD5_F, c, d, a, b, x[6], 0xa8304613, 17)
        MD5_STEP(MD5_F, b, c, d, a, x[7], 0xfd469501, 22)
        MD5_STEP(MD5_F, a, b, c, d, x[8], 0x698098d8, 7)
        MD5_STEP(MD5_F, d, a, b, c, x[9], 0x8b44f7af, 12)
        MD5_STEP(MD5_F, c, d, a, b, x[10], 0xffff5bb1, 17)
        MD5_STEP(MD5_F, b, c, d, a, x[11], 0x895cd7be, 22)
        MD5_STEP(MD5_F, a, b, c, d, x[12], 0x6b901122, 7)
        MD5_STEP(MD5_F, d, a, b, c, x[13], 0xfd987193, 12)
        MD5_STEP(MD5_F, c, d, a, b, x[14], 0xa679438e, 17)
        MD5_STEP(MD5_F, b, c, d, a, x[15], 0x49b40821, 22)

        MD5_STEPG(a, b, c, d, x[1], 0xf61e2562, 5)
        MD5_STEPG(d, a, b, c, x[6], 0xc040b340, 9)
        MD5_STEPG(c, d, a, b, x[11], 0x265e5a51, 14)
        MD5_STEPG(b, c, d, a, x[0], 0xe9b6c7aa, 20)
        MD5_STEPG(a, b, c, d, x[5], 0xd62f105d, 5)
        MD5_STEPG(d, a, b, c, x[10], 0x02441453, 9)
        MD5_STEPG(c, d, a, b, x[15], 0xd8a1e681, 14)
        MD5_STEPG(b, c, d, a, x[4], 0xe7d3fbc8, 20)
        MD5_STEPG(a, b, c, d, x[9], 0x21e1cde6, 5)
        MD5_STEPG(d, a, b, c, x[14], 0xc33707d6, 9)
        MD5_STEPG(c, d, a, b, x[3], 0xf4d50d87, 14)
        MD5_STEPG(b, c, d, a, x[8], 0x455a14ed, 20)
        MD5_STEPG(a, b, c, d, x[13], 0xa9e3e905, 5)
        MD5_STEPG(d, a, b, c, x[2], 0xfcefa3f8, 9)
        MD5_STEPG(c, d, a, b, x[7], 0x676f02d9, 14)
        MD5_STEPG(b, c, d, a, x[12], 0x8d2a4c8a, 20)

        MD5_STEP(MD5_H, a, b, c, d, x[5], 0xfffa3942, 4)
        MD5_STEP(MD5_H, d, a, b, c, x[8], 0x8771f681, 11)
        MD5_STEP(MD5_H, c, d, a, b, x[11], 0x6d9d6122, 16)
        MD5_STEP(MD5_H, b, c, d, a, x[14], 0xfde5380c, 23)
        MD5_STEP(MD5_H, a, b, c, d, x[1], 0xa4beea44, 4)
        MD5_STEP(MD5_H, d, a, b, c, x[4], 0x4bdecfa9, 11)
        MD5_STEP(MD5_H, c, d, a, b, x[7], 0xf6bb4b60, 16)
        MD5_STEP(MD5_H, b, c, d, a, x[10], 0xbebfbc70, 23)
        MD5_STEP(MD5_H, a, b, c, d, x[13], 0x289b7ec6, 4)
        MD5_STEP(MD5_H, d, a, b, c, x[0], 0xeaa127fa, 11)
        MD5_STEP(MD5_H, c, d, a, b, x[3], 0xd4ef3085, 16)
        MD5_STEP(MD5_H, b, c, d, a, x[6], 0x04881d05, 23)
        MD5_STEP(MD5_H, a, b, c, d, x[9], 0xd9d4d039, 4)
        MD5_STEP(MD5_H, d, a, b, c, x[12], 0xe6db99e5, 11)
        MD5_STEP(MD5_H, c, d, a, b, x[15], 0x1fa27cf8, 16)
        MD5_STEP(MD5_H, b, c, d, a, x[2], 0xc4ac5665, 23)

        MD5_STEP(MD5_I, a, b, c, d, x[0], 0xf4292244, 6)
        MD5_STEP(MD5_I, d, a, b, c, x[7], 0x432aff97, 10)
        MD5_STEP(MD5_I, c, d, a, b, x[14], 0xab9423a7, 15)
        MD5_STEP(MD5_I, b, c, d, a, x[5], 0xfc93a039, 21)
        MD5_STEP(MD5_I, a, b, c, d, x[12], 0x655b59c3, 6)
        MD5_STEP(MD5_I, d, a, b, c, x[3], 0x8f0ccc92, 10)
        MD5_STEP(MD5_I, c, d, a, b, x[10], 0xffeff47d, 15)
        MD5_STEP(MD5_I, b, c, d, a, x[1], 0x85845dd1, 21)
        MD5_STEP(MD5_I, a, b, c, d, x[8], 0x6fa87e4f, 6)
        MD5_STEP(MD5_I, d, a, b, c, x[15], 0xfe2ce6e0, 10)
        MD5_STEP(MD5_I, c, d, a, b, x[6], 0xa3014314, 15)
        MD5_STEP(MD5_I, b, c, d, a, x[13], 0x4e0811a1, 21)
        MD5_STEP(MD5_I, a, b, c, d, x[4], 0xf7537e82, 6)
        MD5_STEP(MD5_I, d, a, b, c, x[11], 0xbd3af235, 10)
        MD5_STEP(MD5_I, c, d, a, b, x[2], 0x2ad7d2bb, 15)
        MD5_STEP(MD5_I, b, c, d, a, x[9], 0xeb86d391, 21)

        a += a0;
        b += b0;
        c += c0;
        d += d0;
        p += 64;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

}  // namespace vn_crypto

using namespace vn_crypto;

CMD5::CMD5() { Reset(); }

CMD5::~CMD5() { Reset(); }

void CMD5::Reset() {
    m_state[0] = 0x67452301;
    m_state[1] = 0xefcdab89;
    m_state[2] = 0x98badcfe;
    m_state[3] = 0x10325476;
    std::memset(m_buffer, 0, sizeof m_buffer);
    m_used = 0;
    m_bits = 0;
}

void CMD5::Transform() { md5_blocks(m_state, m_buffer, 1); }

void CMD5::AddData(const char* data, int length) {
    add_data_le(m_buffer, m_used, m_bits, data, length,
                [this](const unsigned char* p, std::size_t n) { md5_blocks(m_state, p, n); });
}

void CMD5::FinalDigest(char* out) {
    pad_last_block_le(m_buffer, m_used, m_bits,
                      [this](const unsigned char* p, std::size_t n) { md5_blocks(m_state, p, n); });
    Transform();
    store_words_le(out, m_state, 4);
    Reset();
}
