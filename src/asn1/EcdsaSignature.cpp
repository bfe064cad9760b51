// Raw ECDSA signature (r || s) to the DER ECDSA-Sig-Value SEQUENCE { r INTEGER, s INTEGER }.
#include <cstdlib>
#include <cstring>

#include "Asn1Cert.h"

namespace {

// Writes one INTEGER of the half at p (n bytes): leading zero bytes dropped, a 00 put in
// front of a high first bit, a single 00 for an all-zero half.
size_t writeInteger(const unsigned char* p, size_t n, unsigned char* out) {
    while (n > 0 && *p == 0) {
        ++p;
        --n;
    }
    size_t k = 0;
    out[k++] = 0x02;
    const bool pad = n == 0 || (p[0] & 0x80);
    const size_t len = n + (pad ? 1 : 0);
    if (len > 127) {
        out[k++] = 0x81;
    }
    out[k++] = static_cast<unsigned char>(len);
    if (pad)
        out[k++] = 0x00;
    if (n)
        std::memcpy(out + k, p, n);
    return k + n;
}

}  // namespace

int pkcs1_like_from_raw_ecdsa_signature(const unsigned char* raw, unsigned int length, unsigned char** out) {
    if (!out)
        return 0;
    *out = nullptr;
    // Halves above 250 bytes would need lengths beyond the buffer of length + 20 bytes.
    if (!raw || length == 0 || (length & 1) || length > 500)
        return 0;
    const size_t half = length / 2;
    unsigned char* buf = static_cast<unsigned char*>(std::calloc(length + 20, 1));
    if (!buf)
        return 0;
    unsigned char body[2 * (3 + 251)];
    size_t n = writeInteger(raw, half, body);
    n += writeInteger(raw + half, half, body + n);
    size_t k = 0;
    buf[k++] = 0x30;
    if (n > 255) {
        buf[k++] = 0x82;
        buf[k++] = static_cast<unsigned char>(n >> 8);
    } else if (n > 127) {
        buf[k++] = 0x81;
    }
    buf[k++] = static_cast<unsigned char>(n);
    std::memcpy(buf + k, body, n);
    *out = buf;
    return static_cast<int>(k + n);
}
