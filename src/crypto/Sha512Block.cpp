// SHA-512 compression (FIPS 180-4), shared by SHA-384 and SHA-512. The rounds are
// unrolled eight at a time. On x86-64 processors with AVX and BMI2 the schedule is
// built in vector registers; elsewhere a 16-word rolling schedule in C++ serves.
#include "crypto/DigestCore.h"
#include "crypto/Sha2Rounds.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vn_crypto {

namespace {
const uint64_t K512[80] = {
    0x428a2f98d728ae22ULL, 0x7137449123ef65cdULL, 0xb5c0fbcfec4d3b2fULL, 0xe9b5dba58189dbbcULL, 0x3956c25bf348b538ULL,
    0x59f111f1b605d019ULL, 0x923f82a4af194f9bULL, 0xab1c5ed5da6d8118ULL, 0xd807aa98a3030242ULL, 0x12835b0145706fbeULL,
    0x243185be4ee4b28cULL, 0x550c7dc3d5ffb4e2ULL, 0x72be5d74f27b896fULL, 0x80deb1fe3b1696b1ULL, 0x9bdc06a725c71235ULL,
    0xc19bf174cf692694ULL, 0xe49b69c19ef14ad2ULL, 0xefbe4786384f25e3ULL, 0x0fc19dc68b8cd5b5ULL, 0x240ca1cc77ac9c65ULL,
    0x2de92c6f592b0275ULL, 0x4a7484aa6ea6e483ULL, 0x5cb0a9dcbd41fbd4ULL, 0x76f988da831153b5ULL, 0x983e5152ee66dfabULL,
    0xa831c66d2db43210ULL, 0xb00327c898fb213fULL, 0xbf597fc7beef0ee4ULL, 0xc6e00bf33da88fc2ULL, 0xd5a79147930aa725ULL,
    0x06ca6351e003826fULL, 0x142929670a0e6e70ULL, 0x27b70a8546d22ffcULL, 0x2e1b21385c26c926ULL, 0x4d2c6dfc5ac42aedULL,
    0x53380d139d95b3dfULL, 0x650a73548baf63deULL, 0x766a0abb3c77b2a8ULL, 0x81c2c92e47edaee6ULL, 0x92722c851482353bULL,
    0xa2bfe8a14cf10364ULL, 0xa81a664bbc423001ULL, 0xc24b8b70d0f89791ULL, 0xc76c51a30654be30ULL, 0xd192e819d6ef5218ULL,
    0xd69906245565a910ULL, 0xf40e35855771202aULL, 0x106aa07032bbd1b8ULL, 0x19a4c116b8d2d0c8ULL, 0x1e376c085141ab53ULL,
    0x2748774cdf8eeb99ULL, 0x34b0bcb5e19b48a8ULL, 0x391c0cb3c5c95a63ULL, 0x4ed8aa4ae3418acbULL, 0x5b9cca4f7763e373ULL,
    0x682e6ff3d6b2b8a3ULL, 0x748f82ee5defb2fcULL, 0x78a5636f43172f60ULL, 0x84c87814a1f0ab72ULL, 0x8cc702081a6439ecULL,
    0x90befffa23631e28ULL, 0xa4506cebde82bde9ULL, 0xbef9a3f7b2c67915ULL, 0xc67178f2e372532bULL, 0xca273eceea26619cULL,
    0xd186b8c721c0c207ULL, 0xeada7dd6cde0eb1eULL, 0xf57d4f7fee6ed178ULL, 0x06f067aa72176fbaULL, 0x0a637dc5a2c898a6ULL,
    0x113f9804bef90daeULL, 0x1b710b35131c471bULL, 0x28db77f523047d84ULL, 0x32caab7b40c72493ULL, 0x3c9ebe0a15c9bebcULL,
    0x431d67c49c100d4cULL, 0x4cc5d4becb3e42b6ULL, 0x597f299cfc657e2aULL, 0x5fcb6fab3ad6faecULL, 0x6c44198c4a475817ULL,
};
}  // namespace

#define S512_S0(x) (rotr64(x, 28) ^ rotr64(x, 34) ^ rotr64(x, 39))
#define S512_S1(x) (rotr64(x, 14) ^ rotr64(x, 18) ^ rotr64(x, 41))
#define S512_s0(x) (rotr64(x, 1) ^ rotr64(x, 8) ^ ((x) >> 7))
#define S512_s1(x) (rotr64(x, 19) ^ rotr64(x, 61) ^ ((x) >> 6))
// Rounds 0-15 read the loaded words, later rounds extend the schedule first.
#define S512_LOADED(a, b, c, d, e, f, g, h, i) \
    SHA2_ROUND(uint64_t, S512_S0, S512_S1, a, b, c, d, e, f, g, h, K512[i] + w[i])
#define S512_SCHEDULED(a, b, c, d, e, f, g, h, i) \
    SHA2_ROUND(uint64_t, S512_S0, S512_S1, a, b, c, d, e, f, g, h, K512[i] + SHA2_SCHED(S512_s0, S512_s1, i))
// Rounds over a schedule that already holds W[i] + K[i] for all 80 rounds.
#define S512_WK(a, b, c, d, e, f, g, h, i) SHA2_ROUND(uint64_t, S512_S0, S512_S1, a, b, c, d, e, f, g, h, wk[i])

namespace {
void sha512_blocks_generic(uint64_t state[8], const unsigned char* p, std::size_t count) {
    uint64_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint64_t e = state[4], f = state[5], g = state[6], h = state[7];
    while (count--) {
        uint64_t w[16];
        for (int i = 0; i < 16; ++i)
            w[i] = load_be64(p + 8 * i);
        SHA2_EIGHT(S512_LOADED, 0)
        SHA2_EIGHT(S512_LOADED, 8)
        for (int i = 16; i < 80; i += 16) {
            SHA2_EIGHT(S512_SCHEDULED, i)
            SHA2_EIGHT(S512_SCHEDULED, i + 8)
        }
        SHA2_FEED_FORWARD
        p += 128;
    }
}

#if defined(__x86_64__)
// The message schedule is computed two words at a time in vector registers, which
// leaves the integer units to the rounds; the rounds use BMI2 rotations.
__attribute__((target("avx,bmi2"))) inline __m128i s512_rotr(__m128i x, int n) {
    return _mm_or_si128(_mm_srli_epi64(x, n), _mm_slli_epi64(x, 64 - n));
}

// Eight schedule pairs: x[j] holds W[t-16+2j], W[t-15+2j]; the new pair replaces it.
// clang-format off
#define S512_VEC_PAIR(j, t)                                                                                        \
    {                                                                                                              \
        const __m128i w15 = _mm_alignr_epi8(x[((j) + 1) & 7], x[j], 8);                                            \
        const __m128i w7 = _mm_alignr_epi8(x[((j) + 5) & 7], x[((j) + 4) & 7], 8);                                 \
        const __m128i w2 = x[((j) + 7) & 7];                                                                       \
        const __m128i s0 = _mm_xor_si128(_mm_xor_si128(s512_rotr(w15, 1), s512_rotr(w15, 8)), _mm_srli_epi64(w15, 7)); \
        const __m128i s1 = _mm_xor_si128(_mm_xor_si128(s512_rotr(w2, 19), s512_rotr(w2, 61)), _mm_srli_epi64(w2, 6)); \
        x[j] = _mm_add_epi64(_mm_add_epi64(x[j], s0), _mm_add_epi64(w7, s1));                                      \
        _mm_store_si128(reinterpret_cast<__m128i*>(wk + (t) + 2 * (j)),                                            \
                        _mm_add_epi64(x[j], _mm_loadu_si128(reinterpret_cast<const __m128i*>(K512 + (t) + 2 * (j))))); \
    }
// clang-format on

// The schedule words of the next sixteen rounds are computed in the same loop body
// as the current sixteen rounds, so that the two dependency chains overlap.
__attribute__((target("avx,bmi2"))) void sha512_blocks_avx(uint64_t state[8], const unsigned char* p,
                                                           std::size_t count) {
    const __m128i swap = _mm_set_epi64x(0x08090a0b0c0d0e0fULL, 0x0001020304050607ULL);
    alignas(16) uint64_t wk[80];
    uint64_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint64_t e = state[4], f = state[5], g = state[6], h = state[7];
    while (count--) {
        __m128i x[8];
        for (int j = 0; j < 8; ++j) {
            x[j] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * j)), swap);
            _mm_store_si128(reinterpret_cast<__m128i*>(wk + 2 * j),
                            _mm_add_epi64(x[j], _mm_loadu_si128(reinterpret_cast<const __m128i*>(K512 + 2 * j))));
        }
        for (int i = 0; i < 64; i += 16) {
            S512_VEC_PAIR(0, i + 16)
            S512_VEC_PAIR(1, i + 16)
            S512_VEC_PAIR(2, i + 16)
            S512_VEC_PAIR(3, i + 16)
            SHA2_EIGHT(S512_WK, i)
            S512_VEC_PAIR(4, i + 16)
            S512_VEC_PAIR(5, i + 16)
            S512_VEC_PAIR(6, i + 16)
            S512_VEC_PAIR(7, i + 16)
            SHA2_EIGHT(S512_WK, i + 8)
        }
        SHA2_EIGHT(S512_WK, 64)
        SHA2_EIGHT(S512_WK, 72)
        SHA2_FEED_FORWARD
        p += 128;
    }
}
#endif

using Sha512Fn = void (*)(uint64_t*, const unsigned char*, std::size_t);
Sha512Fn pick_sha512() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx") && __builtin_cpu_supports("bmi2"))
        return sha512_blocks_avx;
#endif
    return sha512_blocks_generic;
}
const Sha512Fn kSha512 = pick_sha512();
}  // namespace

void sha512_blocks(uint64_t state[8], const unsigned char* p, std::size_t count) {
    (kSha512 ? kSha512 : pick_sha512())(state, p, count);
}

void sha512_blocks_portable(uint64_t state[8], const unsigned char* p, std::size_t count) {
    sha512_blocks_generic(state, p, count);
}

}  // namespace vn_crypto
