// CSHA: SHA-1, SHA-256, SHA-384 and SHA-512 behind IMessageDigest.
#include "MessageDigest.h"

#include "crypto/DigestCore.h"

using namespace vn_crypto;

const SUI64 CSHA::sm_H384[8] = {
    0xcbbb9d5dc1059ed8ULL, 0x629a292a367cd507ULL, 0x9159015a3070dd17ULL, 0x152fecd8f70e5939ULL,
    0x67332667ffc00b31ULL, 0x8eb44a8768581511ULL, 0xdb0c2e0d64f98fa7ULL, 0x47b5481dbefa4fa4ULL,
};

const SUI64 CSHA::sm_H512[8] = {
    0x6a09e667f3bcc908ULL, 0xbb67ae8584caa73bULL, 0x3c6ef372fe94f82bULL, 0xa54ff53a5f1d36f1ULL,
    0x510e527fade682d1ULL, 0x9b05688c2b3e6c1fULL, 0x1f83d9abfb41bd6bULL, 0x5be0cd19137e2179ULL,
};

namespace {
const uint32_t kH1[5] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0};
const uint32_t kH256[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                           0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
}  // namespace

CSHA::CSHA(int variant) : m_variant(variant >= 0 && variant <= 3 ? variant : 0) { Reset(); }

CSHA::~CSHA() { Reset(); }

int CSHA::GetDigestLength() const {
    static const int lengths[4] = {20, 32, 48, 64};
    return lengths[m_variant];
}

void CSHA::Reset() {
    std::memset(m_H32, 0, sizeof m_H32);
    std::memset(m_H64, 0, sizeof m_H64);
    switch (m_variant) {
    case 1: std::memcpy(m_H32, kH256, sizeof kH256); break;
    case 2: std::memcpy(m_H64, sm_H384, sizeof m_H64); break;
    case 3: std::memcpy(m_H64, sm_H512, sizeof m_H64); break;
    default: std::memcpy(m_H32, kH1, sizeof kH1); break;
    }
    std::memset(m_buffer, 0, sizeof m_buffer);
    m_used = 0;
    m_bitsLow = 0;
    m_bitsHigh = 0;
}

void CSHA::compress(const unsigned char* blocks, std::size_t count) {
    switch (m_variant) {
    case 1: sha256_blocks(m_H32, blocks, count); break;
    case 2:
    case 3: sha512_blocks(m_H64, blocks, count); break;
    default: sha1_blocks(m_H32, blocks, count); break;
    }
}

void CSHA::Transform() { compress(m_buffer, 1); }

void CSHA::AddData(const char* data, int length) {
    if (!data || length <= 0)
        return;
    const SUI64 bits = static_cast<SUI64>(length) << 3;
    m_bitsLow += bits;
    if (m_bitsLow < bits)
        ++m_bitsHigh;
    feed_blocks(m_buffer, blockSize(), m_used, reinterpret_cast<const unsigned char*>(data),
                static_cast<std::size_t>(length), [this](const unsigned char* p, std::size_t n) { compress(p, n); });
}

void CSHA::FinalDigest(char* out) {
    const unsigned int bs = blockSize();
    auto comp = [this](const unsigned char* p, std::size_t n) { compress(p, n); };
    unsigned char* o = reinterpret_cast<unsigned char*>(out);
    if (bs == 64) {
        pad_blocks(m_buffer, 64, 8, m_used, comp);
        store_be64(m_buffer + 56, m_bitsLow);
        Transform();
        if (o)
            for (int i = 0; i < GetDigestLength() / 4; ++i)
                store_be32(o + 4 * i, m_H32[i]);
    } else {
        pad_blocks(m_buffer, 128, 16, m_used, comp);
        store_be64(m_buffer + 112, m_bitsHigh);
        store_be64(m_buffer + 120, m_bitsLow);
        Transform();
        if (o)
            for (int i = 0; i < GetDigestLength() / 8; ++i)
                store_be64(o + 8 * i, m_H64[i]);
    }
    Reset();
}
