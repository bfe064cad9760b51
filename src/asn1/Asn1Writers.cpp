// The primitive DER writers of CASN1. Lengths are written in the shortest form.
#include <cstring>

#include "ASN1.h"

namespace {

// Writes tag, DER length and data; returns the total size.
uint32_t writeTlv(unsigned char tag, const unsigned char* data, uint32_t length, unsigned char* out) {
    unsigned char lenBytes[4];
    uint32_t count = 0;
    uint32_t header = 2;
    if (length > 127) {
        CASN1::GetLenBytes(length, lenBytes, &count);
        header = 2 + count;
    }
    if (out) {
        out[0] = tag;
        if (length > 127) {
            out[1] = static_cast<unsigned char>(0x80 | count);
            std::memcpy(out + 2, lenBytes, count);
        } else {
            out[1] = static_cast<unsigned char>(length);
        }
        if (length && data)
            std::memcpy(out + header, data, length);
    }
    return header + length;
}

// Writes the item and reports its total size through size (when given); returns 1.
int writeItem(unsigned char tag, const unsigned char* data, uint32_t length, unsigned char* out, uint32_t* size) {
    const uint32_t total = writeTlv(tag, data, length, out);
    if (size)
        *size = total;
    return 1;
}

}  // namespace

int CASN1::GetLenBytes(uint32_t value, unsigned char* out, uint32_t* count) {
    int n = 0;
    for (uint32_t v = value; v; v >>= 8)
        ++n;
    if (out)
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<unsigned char>(value >> (8 * (n - 1 - i)));
    if (count)
        *count = static_cast<uint32_t>(n);
    return n;
}

int CASN1::encodeInteger(uint32_t value, unsigned char* out, uint32_t* size) {
    unsigned char content[5];
    uint32_t n = 0;
    unsigned char bytes[4];
    GetLenBytes(value, bytes, &n);
    uint32_t k = 0;
    if (n == 0) {
        content[k++] = 0;
    } else {
        if (bytes[0] & 0x80)
            content[k++] = 0;
        std::memcpy(content + k, bytes, n);
        k += n;
    }
    return writeItem(0x02, content, k, out, size);
}

int CASN1::encodeOctetString(const unsigned char* data, uint32_t length, unsigned char* out, uint32_t* size) {
    if (!data && length)
        return 0;
    return writeItem(0x04, data, length, out, size);
}

int CASN1::encodeUTF8(const unsigned char* data, uint32_t length, unsigned char* out, uint32_t* size) {
    if (!data && length)
        return 0;
    return writeItem(0x0C, data, length, out, size);
}

int CASN1::encodeBitString(uint32_t flags, unsigned char* out, uint32_t* size) {
    unsigned char content[5] = {0};
    uint32_t n = 0;
    GetLenBytes(flags, content + 1, &n);
    // A named-bit list carries no trailing zero bytes (0x100 would otherwise leave a
    // last byte without a set bit to count the unused bits from).
    while (n > 0 && content[n] == 0)
        --n;
    if (n > 0) {
        // Named bits: bit 7 of the first byte is bit 0; trailing zero bits are unused.
        const unsigned char last = content[n];
        unsigned char unused = 0;
        while (!(last & (1u << unused)))
            ++unused;
        content[0] = unused;
    }
    return writeItem(0x03, content, n + 1, out, size);
}
