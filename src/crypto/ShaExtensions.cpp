// SHA-1 and SHA-256 with the x86 SHA extensions, and the run-time choice between
// them and the portable code.
#include <atomic>

#include "crypto/DigestCore.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define VN_HAVE_X86 1
#endif

namespace vn_crypto {

#ifdef VN_HAVE_X86

namespace {
bool detect_sha_extensions() {
    unsigned int a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return false;
    const bool ssse3 = (c & bit_SSSE3) != 0;
    const bool sse41 = (c & bit_SSE4_1) != 0;
    if (__get_cpuid_max(0, nullptr) < 7)
        return false;
    __cpuid_count(7, 0, a, b, c, d);
    const bool sha = (b & bit_SHA) != 0;
    return ssse3 && sse41 && sha;
}
}  // namespace

// SHA-256: the state is kept as the register pair ABEF / CDGH that sha256rnds2 wants.
// Each group of four rounds adds the round constants to four schedule words; the
// schedule for rounds 16..63 comes from sha256msg1/msg2 and a byte-aligned add.
// clang-format off
#define SHANI256_ROUNDS(msg, k_hi, k_lo)                                   \
    {                                                                      \
        __m128i m = _mm_add_epi32(msg, _mm_set_epi64x(k_hi, k_lo));       \
        state1 = _mm_sha256rnds2_epu32(state1, state0, m);                 \
        m = _mm_shuffle_epi32(m, 0x0E);                                    \
        state0 = _mm_sha256rnds2_epu32(state0, state1, m);                 \
    }
// clang-format on
#define SHANI256_NEXT(m0, m1, m2, m3) \
    m0 = _mm_sha256msg2_epu32(_mm_add_epi32(_mm_sha256msg1_epu32(m0, m1), _mm_alignr_epi8(m3, m2, 4)), m3);

__attribute__((target("sha,sse4.1,ssse3"))) void sha256_blocks_shani(uint32_t state[8], const unsigned char* p,
                                                                     std::size_t count) {
    const __m128i mask = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i tmp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    __m128i state1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
    tmp = _mm_shuffle_epi32(tmp, 0xB1);                // CDAB
    state1 = _mm_shuffle_epi32(state1, 0x1B);          // EFGH
    __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);  // ABEF
    state1 = _mm_blend_epi16(state1, tmp, 0xF0);       // CDGH

    while (count--) {
        const __m128i save0 = state0, save1 = state1;
        __m128i m0 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), mask);
        __m128i m1 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), mask);
        __m128i m2 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)), mask);
        __m128i m3 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)), mask);

        SHANI256_ROUNDS(m0, 0xE9B5DBA5B5C0FBCFULL, 0x71374491428A2F98ULL)
        SHANI256_ROUNDS(m1, 0xAB1C5ED5923F82A4ULL, 0x59F111F13956C25BULL)
        SHANI256_ROUNDS(m2, 0x550C7DC3243185BEULL, 0x12835B01D807AA98ULL)
        SHANI256_ROUNDS(m3, 0xC19BF1749BDC06A7ULL, 0x80DEB1FE72BE5D74ULL)
        SHANI256_NEXT(m0, m1, m2, m3)
        SHANI256_ROUNDS(m0, 0x240CA1CC0FC19DC6ULL, 0xEFBE4786E49B69C1ULL)
        SHANI256_NEXT(m1, m2, m3, m0)
        SHANI256_ROUNDS(m1, 0x76F988DA5CB0A9DCULL, 0x4A7484AA2DE92C6FULL)
        SHANI256_NEXT(m2, m3, m0, m1)
        SHANI256_ROUNDS(m2, 0xBF597FC7B00327C8ULL, 0xA831C66D983E5152ULL)
        SHANI256_NEXT(m3, m0, m1, m2)
        SHANI256_ROUNDS(m3, 0x1429296706CA6351ULL, 0xD5A79147C6E00BF3ULL)
        SHANI256_NEXT(m0, m1, m2, m3)
        SHANI256_ROUNDS(m0, 0x53380D134D2C6DFCULL, 0x2E1B213827B70A85ULL)
        SHANI256_NEXT(m1, m2, m3, m0)
        SHANI256_ROUNDS(m1, 0x92722C8581C2C92EULL, 0x766A0ABB650A7354ULL)
        SHANI256_NEXT(m2, m3, m0, m1)
        SHANI256_ROUNDS(m2, 0xC76C51A3C24B8B70ULL, 0xA81A664BA2BFE8A1ULL)
        SHANI256_NEXT(m3, m0, m1, m2)
        SHANI256_ROUNDS(m3, 0x106AA070F40E3585ULL, 0xD6990624D192E819ULL)
        SHANI256_NEXT(m0, m1, m2, m3)
        SHANI256_ROUNDS(m0, 0x34B0BCB52748774CULL, 0x1E376C0819A4C116ULL)
        SHANI256_NEXT(m1, m2, m3, m0)
        SHANI256_ROUNDS(m1, 0x682E6FF35B9CCA4FULL, 0x4ED8AA4A391C0CB3ULL)
        SHANI256_NEXT(m2, m3, m0, m1)
        SHANI256_ROUNDS(m2, 0x8CC7020884C87814ULL, 0x78A5636F748F82EEULL)
        SHANI256_NEXT(m3, m0, m1, m2)
        SHANI256_ROUNDS(m3, 0xC67178F2BEF9A3F7ULL, 0xA4506CEB90BEFFFAULL)

        state0 = _mm_add_epi32(state0, save0);
        state1 = _mm_add_epi32(state1, save1);
        p += 64;
    }

    tmp = _mm_shuffle_epi32(state0, 0x1B);        // FEBA
    state1 = _mm_shuffle_epi32(state1, 0xB1);     // DCHG
    state0 = _mm_blend_epi16(tmp, state1, 0xF0);  // DCBA
    state1 = _mm_alignr_epi8(state1, tmp, 8);     // ABEF -> HGFE
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), state0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), state1);
}

// SHA-1: ABCD in one register (A in the top lane), E carried through sha1nexte.
// Four rounds per sha1rnds4; the schedule words w[i] = msg2(msg1(w[i-4], w[i-3]) ^ w[i-2], w[i-1]).
#define SHANI1_FIRST(w, f)     \
    e0 = _mm_add_epi32(e0, w); \
    e1 = abcd;                 \
    abcd = _mm_sha1rnds4_epu32(abcd, e0, f);
#define SHANI1_ROUND(ein, eout, w, f)  \
    ein = _mm_sha1nexte_epu32(ein, w); \
    eout = abcd;                       \
    abcd = _mm_sha1rnds4_epu32(abcd, ein, f);
#define SHANI1_NEXT(m0, m1, m2, m3) m0 = _mm_sha1msg2_epu32(_mm_xor_si128(_mm_sha1msg1_epu32(m0, m1), m2), m3);
// Sixteen rounds after the first sixteen: each group of four computes its schedule
// words first; f0..f3 are the round functions of the four groups.
#define SHANI1_FOUR(f0, f1, f2, f3) \
    SHANI1_NEXT(m0, m1, m2, m3)     \
    SHANI1_ROUND(e0, e1, m0, f0)    \
    SHANI1_NEXT(m1, m2, m3, m0)     \
    SHANI1_ROUND(e1, e0, m1, f1)    \
    SHANI1_NEXT(m2, m3, m0, m1)     \
    SHANI1_ROUND(e0, e1, m2, f2)    \
    SHANI1_NEXT(m3, m0, m1, m2)     \
    SHANI1_ROUND(e1, e0, m3, f3)

__attribute__((target("sha,sse4.1,ssse3"))) void sha1_blocks_shani(uint32_t state[5], const unsigned char* p,
                                                                   std::size_t count) {
    const __m128i mask = _mm_set_epi64x(0x0001020304050607ULL, 0x08090a0b0c0d0e0fULL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    __m128i e1;

    while (count--) {
        const __m128i abcdSave = abcd, eSave = e0;
        __m128i m0 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), mask);
        __m128i m1 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), mask);
        __m128i m2 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)), mask);
        __m128i m3 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)), mask);

        SHANI1_FIRST(m0, 0)          // rounds 0-3
        SHANI1_ROUND(e1, e0, m1, 0)  // 4-7
        SHANI1_ROUND(e0, e1, m2, 0)  // 8-11
        SHANI1_ROUND(e1, e0, m3, 0)  // 12-15
        SHANI1_FOUR(0, 1, 1, 1)      // 16-31
        SHANI1_FOUR(1, 1, 2, 2)      // 32-47
        SHANI1_FOUR(2, 2, 2, 3)      // 48-63
        SHANI1_FOUR(3, 3, 3, 3)      // 64-79

        e0 = _mm_sha1nexte_epu32(e0, eSave);
        abcd = _mm_add_epi32(abcd, abcdSave);
        p += 64;
    }

    abcd = _mm_shuffle_epi32(abcd, 0x1B);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), abcd);
    state[4] = static_cast<uint32_t>(_mm_extract_epi32(e0, 3));
}

#else

namespace {
bool detect_sha_extensions() { return false; }
}  // namespace
void sha1_blocks_shani(uint32_t state[5], const unsigned char* p, std::size_t count) {
    sha1_blocks_portable(state, p, count);
}
void sha256_blocks_shani(uint32_t state[8], const unsigned char* p, std::size_t count) {
    sha256_blocks_portable(state, p, count);
}

#endif

namespace {
std::atomic<bool> g_allowed{true};
}

bool sha_extensions_available() {
    static const bool available = detect_sha_extensions();
    return available;
}

void set_sha_extensions_allowed(bool allowed) { g_allowed.store(allowed, std::memory_order_relaxed); }

bool sha_extensions_in_use() { return sha_extensions_available() && g_allowed.load(std::memory_order_relaxed); }

void sha1_blocks(uint32_t state[5], const unsigned char* p, std::size_t count) {
    if (sha_extensions_in_use())
        sha1_blocks_shani(state, p, count);
    else
        sha1_blocks_portable(state, p, count);
}

void sha256_blocks(uint32_t state[8], const unsigned char* p, std::size_t count) {
    if (sha_extensions_in_use())
        sha256_blocks_shani(state, p, count);
    else
        sha256_blocks_portable(state, p, count);
}

}  // namespace vn_crypto
