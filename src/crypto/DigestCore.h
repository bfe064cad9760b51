// Block functions of the digests and the shared buffering of the streaming classes.
#ifndef VN_CRYPTO_DIGESTCORE_H
#define VN_CRYPTO_DIGESTCORE_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vn_crypto {

// Each function processes count consecutive full blocks (64 bytes, SHA-512: 128 bytes).
void md5_blocks(uint32_t state[4], const unsigned char* data, std::size_t count);
void rmd160_blocks(uint32_t state[5], const unsigned char* data, std::size_t count);
void sha512_blocks(uint64_t state[8], const unsigned char* data, std::size_t count);
void sha512_blocks_portable(uint64_t state[8], const unsigned char* data, std::size_t count);

// SHA-1 and SHA-256: the dispatching entry points use the processor's SHA extensions
// when it has them (and they are not switched off), else the portable code.
void sha1_blocks(uint32_t state[5], const unsigned char* data, std::size_t count);
void sha256_blocks(uint32_t state[8], const unsigned char* data, std::size_t count);
void sha1_blocks_portable(uint32_t state[5], const unsigned char* data, std::size_t count);
void sha256_blocks_portable(uint32_t state[8], const unsigned char* data, std::size_t count);
void sha1_blocks_shani(uint32_t state[5], const unsigned char* data, std::size_t count);
void sha256_blocks_shani(uint32_t state[8], const unsigned char* data, std::size_t count);

// True when the processor offers the SHA extensions (with SSSE3 and SSE4.1).
bool sha_extensions_available();
// Allows or forbids the SHA-extension path (tests and benchmarks use it to run the
// portable code on any processor). Allowed by default.
void set_sha_extensions_allowed(bool allowed);
// True when sha1_blocks/sha256_blocks currently take the SHA-extension path.
bool sha_extensions_in_use();

inline uint32_t load_be32(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return __builtin_bswap32(v);
}
inline uint64_t load_be64(const unsigned char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return __builtin_bswap64(v);
}
inline uint32_t load_le32(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void store_be32(unsigned char* p, uint32_t v) {
    v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
}
inline void store_be64(unsigned char* p, uint64_t v) {
    v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}
inline void store_le32(unsigned char* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline void store_le64(unsigned char* p, uint64_t v) { std::memcpy(p, &v, 8); }
inline uint32_t rotl32(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
inline uint32_t rotr32(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
inline uint64_t rotr64(uint64_t x, int n) { return (x >> n) | (x << (64 - n)); }

// Feeds len bytes into a block buffer of blockSize bytes with used bytes waiting:
// completes the waiting block, hands whole blocks straight from the input to
// compress(pointer, count) and keeps the tail.
template <class Compress>
void feed_blocks(unsigned char* buffer, unsigned int blockSize, unsigned int& used, const unsigned char* data,
                 std::size_t len, Compress compress) {
    if (used) {
        std::size_t take = blockSize - used;
        if (take > len)
            take = len;
        std::memcpy(buffer + used, data, take);
        used += static_cast<unsigned int>(take);
        data += take;
        len -= take;
        if (used < blockSize)
            return;
        compress(buffer, 1);
        used = 0;
    }
    std::size_t whole = len / blockSize;
    if (whole) {
        compress(data, whole);
        data += whole * blockSize;
        len -= whole * blockSize;
    }
    if (len) {
        std::memcpy(buffer, data, len);
        used = static_cast<unsigned int>(len);
    }
}

// Appends the padding byte 0x80 and zeros so that lengthBytes bytes stay free at the
// end of the last block; full blocks on the way go through compress. Returns with
// used == blockSize - lengthBytes.
template <class Compress>
void pad_blocks(unsigned char* buffer, unsigned int blockSize, unsigned int lengthBytes, unsigned int& used,
                Compress compress) {
    buffer[used++] = 0x80;
    if (used > blockSize - lengthBytes) {
        std::memset(buffer + used, 0, blockSize - used);
        compress(buffer, 1);
        used = 0;
    }
    std::memset(buffer + used, 0, blockSize - lengthBytes - used);
    used = blockSize - lengthBytes;
}

// The little-endian digests with 64-byte blocks (MD5, RIPEMD-160) share their streaming:
// AddData counts the bits and feeds the data (nothing for null data or length <= 0) ...
template <class Compress>
void add_data_le(unsigned char* buffer, unsigned int& used, uint64_t& bits, const char* data, int length,
                 Compress compress) {
    if (!data || length <= 0)
        return;
    bits += static_cast<uint64_t>(length) * 8;
    feed_blocks(buffer, 64, used, reinterpret_cast<const unsigned char*>(data), static_cast<std::size_t>(length),
                compress);
}

// ... the last block gets the padding and the bit count in its last 8 bytes (the caller
// then compresses it) ...
template <class Compress>
void pad_last_block_le(unsigned char* buffer, unsigned int& used, uint64_t bits, Compress compress) {
    pad_blocks(buffer, 64, 8, used, compress);
    store_le64(buffer + 56, bits);
}

// ... and the digest is the state words, little-endian (dropped when out is null).
inline void store_words_le(char* out, const uint32_t* state, int words) {
    if (out)
        for (int i = 0; i < words; ++i)
            store_le32(reinterpret_cast<unsigned char*>(out) + 4 * i, state[i]);
}

}  // namespace vn_crypto

#endif
