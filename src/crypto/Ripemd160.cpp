// RIPEMD-160 (Dobbertin, Bosselaers, Preneel): two parallel lines of five rounds.
#include "MessageDigest.h"

#include "crypto/DigestCore.h"

namespace vn_crypto {

#define RMD_F1(x, y, z) ((x) ^ (y) ^ (z))
#define RMD_F2(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define RMD_F3(x, y, z) (((x) | ~(y)) ^ (z))
#define RMD_F4(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define RMD_F5(x, y, z) ((x) ^ ((y) | ~(z)))
#define RMD_STEP(F, a, b, c, d, e, x, k, s) \
    a += F(b, c, d) + (x) + (k);            \
    a = rotl32(a, s) + e;                   \
    c = rotl32(c, 10);

// Five steps from step i; the five working words rotate by renaming.
#define RMD_FIVE(F, k, A, B, C, D, E, r, s, i)               \
    RMD_STEP(F, A, B, C, D, E, x[r[(i) + 0]], k, s[(i) + 0]) \
    RMD_STEP(F, E, A, B, C, D, x[r[(i) + 1]], k, s[(i) + 1]) \
    RMD_STEP(F, D, E, A, B, C, x[r[(i) + 2]], k, s[(i) + 2]) \
    RMD_STEP(F, C, D, E, A, B, x[r[(i) + 3]], k, s[(i) + 3]) \
    RMD_STEP(F, B, C, D, E, A, x[r[(i) + 4]], k, s[(i) + 4])

// Sixteen steps of one round of one line: word order r, shifts s, function F, constant k.
#define RMD_ROUND(F, k, A, B, C, D, E, r, s) \
    RMD_FIVE(F, k, A, B, C, D, E, r, s, 0)   \
    RMD_FIVE(F, k, A, B, C, D, E, r, s, 5)   \
    RMD_FIVE(F, k, A, B, C, D, E, r, s, 10)  \
    RMD_STEP(F, A, B, C, D, E, x[r[15]], k, s[15])

namespace {
// Message word order and rotation amounts per round, left line (L) and right line (R).
// clang-format off
constexpr int RL[5][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {7, 4, 13, 1, 10, 6, 15, 3, 12, 0, 9, 5, 2, 14, 11, 8},
    {3, 10, 14, 4, 9, 15, 8, 1, 2, 7, 0, 6, 13, 11, 5, 12},
    {1, 9, 11, 10, 0, 8, 12, 4, 13, 3, 7, 15, 14, 5, 6, 2},
    {4, 0, 5, 9, 7, 12, 2, 10, 14, 1, 3, 8, 11, 6, 15, 13},
};
// clang-format on
// clang-format off
constexpr int RR[5][16] = {
    {5, 14, 7, 0, 9, 2, 11, 4, 13, 6, 15, 8, 1, 10, 3, 12},
    {6, 11, 3, 7, 0, 13, 5, 10, 14, 15, 8, 12, 4, 9, 1, 2},
    {15, 5, 1, 3, 7, 14, 6, 9, 11, 8, 12, 2, 10, 0, 4, 13},
    {8, 6, 4, 1, 3, 11, 15, 0, 5, 12, 2, 13, 9, 7, 10, 14},
    {12, 15, 10, 4, 1, 5, 8, 7, 6, 2, 13, 14, 0, 3, 9, 11},
};
// clang-format on
// clang-format off
constexpr int SL[5][16] = {
    {11, 14, 15, 12, 5, 8, 7, 9, 11, 13, 14, 15, 6, 7, 9, 8},
    {7, 6, 8, 13, 11, 9, 7, 15, 7, 12, 15, 9, 11, 7, 13, 12},
    {11, 13, 6, 7, 14, 9, 13, 15, 14, 8, 13, 6, 5, 12, 7, 5},
    {11, 12, 14, 15, 14, 15, 9, 8, 9, 14, 5, 6, 8, 6, 5, 12},
    {9, 15, 5, 11, 6, 8, 13, 12, 5, 12, 13, 14, 11, 8, 5, 6},
};
// clang-format on
// clang-format off
constexpr int SR[5][16] = {
    {8, 9, 9, 11, 13, 15, 15, 5, 7, 7, 8, 11, 14, 14, 12, 6},
    {9, 13, 15, 7, 12, 8, 9, 11, 7, 7, 12, 7, 6, 15, 13, 11},
    {9, 7, 15, 11, 8, 6, 6, 14, 12, 13, 5, 14, 13, 13, 7, 5},
    {15, 5, 8, 11, 14, 14, 6, 14, 6, 9, 12, 9, 12, 5, 15, 8},
    {8, 5, 12, 9, 12, 5, 14, 6, 8, 13, 6, 5, 15, 13, 11, 11},
};
// clang-format on
}  // namespace

void rmd160_blocks(uint32_t state[5], const unsigned char* p, std::size_t count) {
    while (count--) {
        uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = load_le32(p + 4 * i);
        uint32_t al = state[0], bl = state[1], cl = state[2], dl = state[3], el = state[4];
        uint32_t ar = al, br = bl, cr = cl, dr = dl, er = el;

        RMD_ROUND(RMD_F1, 0x00000000u, al, bl, cl, dl, el, RL[0], SL[0])
        RMD_ROUND(RMD_F5, 0x50a28be6u, ar, br, cr, dr, er, RR[0], SR[0])
        RMD_ROUND(RMD_F2, 0x5a827999u, el, al, bl, cl, dl, RL[1], SL[1])
        RMD_ROUND(RMD_F4, 0x5c4dd124u, er, ar, br, cr, dr, RR[1], SR[1])
        RMD_ROUND(RMD_F3, 0x6ed9eba1u, dl, el, al, bl, cl, RL[2], SL[2])
        RMD_ROUND(RMD_F3, 0x6d703ef3u, dr, er, ar, br, cr, RR[2], SR[2])
        RMD_ROUND(RMD_F4, 0x8f1bbcdcu, cl, dl, el, al, bl, RL[3], SL[3])
        RMD_ROUND(RMD_F2, 0x7a6d76e9u, cr, dr, er, ar, br, RR[3], SR[3])
        RMD_ROUND(RMD_F5, 0xa953fd4eu, bl, cl, dl, el, al, RL[4], SL[4])
        RMD_ROUND(RMD_F1, 0x00000000u, br, cr, dr, er, ar, RR[4], SR[4])

        const uint32_t t = state[1] + cl + dr;
        state[1] = state[2] + dl + er;
        state[2] = state[3] + el + ar;
        state[3] = state[4] + al + br;
        state[4] = state[0] + bl + cr;
        state[0] = t;
        p += 64;
    }
}

}  // namespace vn_crypto

using namespace vn_crypto;

CRIPEMD::CRIPEMD(int variant) : m_variant(variant) { Reset(); }

CRIPEMD::~CRIPEMD() { Reset(); }

void CRIPEMD::Reset() {
    m_state[0] = 0x67452301;
    m_state[1] = 0xefcdab89;
    m_state[2] = 0x98badcfe;
    m_state[3] = 0x10325476;
    m_state[4] = 0xc3d2e1f0;
    std::memset(m_buffer, 0, sizeof m_buffer);
    m_used = 0;
    m_bits = 0;
}

void CRIPEMD::compress(const unsigned char* blocks, std::size_t count) { rmd160_blocks(m_state, blocks, count); }

void CRIPEMD::Transform() { compress(m_buffer, 1); }

void CRIPEMD::AddData(const char* data, int length) {
    add_data_le(m_buffer, m_used, m_bits, data, length,
                [this](const unsigned char* p, std::size_t n) { compress(p, n); });
}

void CRIPEMD::FinalDigest(char* out) {
    pad_last_block_le(m_buffer, m_used, m_bits, [this](const unsigned char* p, std::size_t n) { compress(p, n); });
    Transform();
    store_words_le(out, m_state, 5);
    Reset();
}
