// PKCS#15 token information (label, serial number) and PKCS#1 block readers.
#include <cstring>

#include "ASN1.h"

namespace {

// Finds the first child of the TokenInfo SEQUENCE with the wanted tag.
bool findTokenChild(const unsigned char* buf, uint32_t len, unsigned char tag, const unsigned char*& c, uint32_t& n) {
    Asn1Header h;
    if (!buf || buf[0] != 0x30 || !CASN1::readHeader(buf, len, h) || h.contentLength < 3 || h.indefinite)
        return false;
    const unsigned char* end = buf + h.total();
    const unsigned char* p = buf + h.headerLength;
    while (p < end) {
        Asn1Header ch;
        if (!CASN1::readHeader(p, static_cast<size_t>(end - p), ch))
            return false;
        if (p[0] == tag) {
            c = p + ch.headerLength;
            n = ch.contentLength - (ch.indefinite ? 2 : 0);
            return true;
        }
        p += ch.total();
    }
    return false;
}

int cardLabel(const unsigned char* buf, uint32_t len, unsigned char tag, char* out, size_t outSize) {
    if (!out || outSize == 0)
        return 0;
    out[0] = 0;
    const unsigned char* c;
    uint32_t n;
    if (!findTokenChild(buf, len, tag, c, n))
        return 0;
    const size_t copy = n < outSize - 1 ? n : outSize - 1;
    std::memcpy(out, c, copy);
    out[copy] = 0;
    return 1;
}

}  // namespace

int CASN1::getCardName(const unsigned char* buf, uint32_t len, char* out, size_t outSize) {
    return cardLabel(buf, len, 0x80, out, outSize);
}

int CASN1::getCardName1k(const unsigned char* buf, uint32_t len, char* out, size_t outSize) {
    return cardLabel(buf, len, 0x0C, out, outSize);
}

int CASN1::getCardSerial(const unsigned char* buf, uint32_t len, unsigned char* out, size_t outSize,
                         unsigned char* outLen) {
    if (outLen)
        *outLen = 0;
    if (!out)
        return 0;
    const unsigned char* c;
    uint32_t n;
    if (findTokenChild(buf, len, 0x04, c, n)) {
        if (n > outSize || n > 255)
            return 0;
        std::memcpy(out, c, n);
        if (outLen)
            *outLen = static_cast<unsigned char>(n);
        return 1;
    }
    // No serial item: the 16 bytes at offset 28, where fixed-layout cards keep it.
    if (buf && len >= 44 && outSize >= 16) {
        std::memcpy(out, buf + 28, 16);
        if (outLen)
            *outLen = 16;
    }
    return 0;
}

int CASN1::getPKCS1(const unsigned char* block, uint32_t blockLength, DBs& rec) {
    rec.data = nullptr;
    rec.length = 0;
    rec.end = nullptr;
    if (!block || blockLength < 3 || block[1] != 1)
        return 0;
    for (uint32_t i = 2; i < blockLength; ++i) {
        if (block[i] == 0) {
            rec.data = const_cast<unsigned char*>(block + i + 1);
            rec.length = blockLength - i - 1;
            rec.end = block + blockLength;
            return 1;
        }
    }
    return 0;
}

int CASN1::getPKCS1_2(const unsigned char* block, unsigned char** data, uint32_t* length) {
    if (!block || !data || !length || *length < 2 || block[0] != 0 || block[1] != 2)
        return 0;
    const uint32_t len = *length;
    for (uint32_t i = 2; i < len; ++i) {
        if (block[i] == 0) {
            *data = const_cast<unsigned char*>(block + i + 1);
            *length = len - 1 - i;
            return 1;
        }
    }
    return 0;
}
