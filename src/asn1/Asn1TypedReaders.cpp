// The typed readers of CASN1: object identifiers, integers, strings, hex dumps.
#include <vector>

#include "asn1/Asn1Text.h"
#include "asn1/ConvertUTF.h"

using asn1text::Result;

namespace {
char oidBuf[CASN1::ResultSize];
char stringBuf[CASN1::ResultSize];
char octetBuf[CASN1::ResultSize];
char bitBuf[CASN1::ResultSize];
alignas(uint16_t) char bmpBuf[CASN1::ResultSize];

// Reads one base-128 sub-identifier; false on truncation, padding or overflow.
bool readArc(const unsigned char* c, size_t n, size_t& i, uint64_t& v) {
    v = 0;
    if (i >= n || c[i] == 0x80)
        return false;
    while (i < n) {
        const unsigned char b = c[i++];
        if (v > (UINT64_MAX >> 7))
            return false;
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80))
            return true;
    }
    return false;
}

// The content of item as hex text in buf, after its first skip bytes; the empty text
// when the item is malformed, shorter than skip bytes or too long for buf.
char* hexContent(char* buf, const unsigned char* item, uint32_t total, uint32_t skip) {
    Result r(buf);
    const unsigned char* c;
    uint32_t n;
    if (!asn1text::content(item, total, c, n) || n < skip)
        return r.fail();
    try {
        if (!r.append(asn1text::hex(c + skip, n - skip)))
            return r.fail();
    } catch (...) {
        return r.fail();
    }
    return r.get();
}
}  // namespace

bool asn1text::oidText(const unsigned char* c, size_t n, std::string& out) {
    out.clear();
    if (!c || n == 0)
        return false;
    size_t i = 0;
    uint64_t v = 0;
    if (!readArc(c, n, i, v))
        return false;
    const uint64_t x = v < 40 ? 0 : (v < 80 ? 1 : 2);
    out = std::to_string(x) + "." + std::to_string(v - 40 * x);
    while (i < n) {
        if (!readArc(c, n, i, v))
            return false;
        out += ".";
        out += std::to_string(v);
    }
    return true;
}

std::string asn1text::bmpToUtf8(const unsigned char* p, size_t n) {
    std::vector<UTF16> units(n / 2);
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<UTF16>((p[2 * i] << 8) | p[2 * i + 1]);
    std::string out(units.size() * 3 + 1, '\0');
    const UTF16* s = units.data();
    UTF8* t = reinterpret_cast<UTF8*>(&out[0]);
    UTF8* const begin = t;
    ConvertUTF16toUTF8(&s, s + units.size(), &t, t + out.size(), lenientConversion);
    out.resize(static_cast<size_t>(t - begin));
    return out;
}

char* CASN1::getOID(const unsigned char* p, uint32_t len, bool raw) {
    Result r(oidBuf);
    const unsigned char* c = p;
    uint32_t n = len;
    if (!raw && !asn1text::content(p, len, c, n))
        return r.fail();
    try {
        std::string text;
        if (!asn1text::oidText(c, n, text) || !r.append(text))
            return r.fail();
    } catch (...) {
        return r.fail();
    }
    return r.get();
}

uint32_t CASN1::getInteger(const unsigned char* item, uint32_t total) {
    const unsigned char* c;
    uint32_t n;
    if (!asn1text::content(item, total, c, n))
        return 0;
    uint32_t v = 0;
    for (uint32_t i = 0; i < n; ++i)
        v = (v << 8) | c[i];
    return v;
}

char* CASN1::getString(const unsigned char* item, uint32_t total) {
    Result r(stringBuf);
    const unsigned char* c;
    uint32_t n;
    if (!asn1text::content(item, total, c, n))
        return r.fail();
    r.appendTruncated(reinterpret_cast<const char*>(c), n);
    return r.get();
}

int CASN1::getBoolean(const unsigned char* item, uint32_t total) {
    const unsigned char* c;
    uint32_t n;
    if (!asn1text::content(item, total, c, n) || n == 0)
        return 0;
    return c[0] != 0;
}

char* CASN1::getOctetString(const unsigned char* item, uint32_t total) { return hexContent(octetBuf, item, total, 0); }

// The unused-bits byte is left out.
char* CASN1::getBitString(const unsigned char* item, uint32_t total) { return hexContent(bitBuf, item, total, 1); }

uint16_t* CASN1::getBmpString(const unsigned char* item, uint32_t total) {
    Result r(bmpBuf);
    uint16_t* out = reinterpret_cast<uint16_t*>(bmpBuf);
    const unsigned char* c;
    uint32_t n;
    if (!asn1text::content(item, total, c, n))
        return out;
    const size_t maxUnits = CASN1::ResultSize / 2 - 1;
    size_t units = n / 2;
    if (units > maxUnits)
        units = maxUnits;
    for (size_t i = 0; i < units; ++i)
        out[i] = static_cast<uint16_t>((c[2 * i] << 8) | c[2 * i + 1]);
    out[units] = 0;
    return out;
}

void CASN1::EndianConv(const unsigned char* src, unsigned char* dst, size_t count) {
    if (!src || !dst)
        return;
    if (src == dst) {
        for (size_t i = 0; i < count / 2; ++i) {
            const unsigned char t = dst[i];
            dst[i] = dst[count - 1 - i];
            dst[count - 1 - i] = t;
        }
        return;
    }
    for (size_t i = 0; i < count; ++i)
        dst[i] = src[count - 1 - i];
}

unsigned short CASN1::endian_swap_short(unsigned short& value) {
    value = static_cast<unsigned short>((value >> 8) | (value << 8));
    return value;
}
