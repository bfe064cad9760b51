// The library's message digests: MD5, SHA-1, SHA-256, SHA-384, SHA-512 and RIPEMD-160
// behind one small streaming interface.
#ifndef VN_MESSAGEDIGEST_H
#define VN_MESSAGEDIGEST_H

#include <cstdint>
#include "vn_export.h"

typedef uint64_t SUI64;

// Streaming digest. AddData may be called any number of times; FinalDigest pads,
// writes the digest and resets the object so that it can hash the next message.
class VN_EXPORT IMessageDigest {
public:
    virtual ~IMessageDigest();
    // Feeds length bytes. A null pointer or a length <= 0 feeds nothing.
    virtual void AddData(const char* data, int length) = 0;
    // Writes the digest (GetDigestLength() bytes) to out, then calls Reset().
    // With a null out the digest is dropped but the object is reset all the same.
    virtual void FinalDigest(char* out) = 0;
    // Back to the initial state of the chosen algorithm.
    virtual void Reset() = 0;
    // Processes the one full block held in the internal buffer.
    virtual void Transform() = 0;
};

// MD5 (RFC 1321), 16-byte digest.
class VN_EXPORT CMD5 : public IMessageDigest {
public:
    CMD5();
    ~CMD5() override;
    void AddData(const char* data, int length) override;
    void FinalDigest(char* out) override;
    void Reset() override;
    void Transform() override;
    int GetDigestLength() const { return 16; }

private:
    uint32_t m_state[4];
    unsigned char m_buffer[64];
    unsigned int m_used;  // bytes waiting in m_buffer
    uint64_t m_bits;      // message length in bits
};

// SHA-1 (variant 0 and any value other than 1, 2, 3), SHA-256 (1), SHA-384 (2), SHA-512 (3).
class VN_EXPORT CSHA : public IMessageDigest {
public:
    explicit CSHA(int variant = 0);
    ~CSHA() override;
    void AddData(const char* data, int length) override;
    void FinalDigest(char* out) override;
    void Reset() override;
    void Transform() override;
    int GetVariant() const { return m_variant; }
    int GetDigestLength() const;

    // The SHA-384/512 message-schedule functions sigma0 and sigma1.
    static SUI64 SIG0(SUI64 x) { return ((x >> 1) | (x << 63)) ^ ((x >> 8) | (x << 56)) ^ (x >> 7); }
    static SUI64 SIG1(SUI64 x) { return ((x >> 19) | (x << 45)) ^ ((x >> 61) | (x << 3)) ^ (x >> 6); }
    static const SUI64 sm_H384[8];
    static const SUI64 sm_H512[8];

private:
    unsigned int blockSize() const { return m_variant >= 2 ? 128u : 64u; }
    void compress(const unsigned char* blocks, std::size_t count);

    int m_variant;      // 0 SHA-1, 1 SHA-256, 2 SHA-384, 3 SHA-512
    uint32_t m_H32[8];  // state of variants 0 and 1
    SUI64 m_H64[8];     // state of variants 2 and 3
    unsigned char m_buffer[128];
    unsigned int m_used;  // bytes waiting in m_buffer
    SUI64 m_bitsLow;      // message length in bits, 128-bit counter
    SUI64 m_bitsHigh;
};

// RIPEMD-160, 20-byte digest. The variant is kept but every value selects RIPEMD-160
// (the 128-bit member of the family is not offered).
class VN_EXPORT CRIPEMD : public IMessageDigest {
public:
    explicit CRIPEMD(int variant = 1);
    ~CRIPEMD() override;
    void AddData(const char* data, int length) override;
    void FinalDigest(char* out) override;
    void Reset() override;
    void Transform() override;
    int GetDigestLength() const { return 20; }
    int GetVariant() const { return m_variant; }

private:
    void compress(const unsigned char* blocks, std::size_t count);

    int m_variant;
    uint32_t m_state[5];
    unsigned char m_buffer[64];
    unsigned int m_used;
    uint64_t m_bits;
};

#endif
