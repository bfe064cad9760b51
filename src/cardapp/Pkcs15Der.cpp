// Bounded DER walking and writing for the PKCS#15 records.
#include "Pkcs15Der.h"

#include "ASN1.h"
#include "infra/HexDigit.h"

namespace p15der {

bool parse(const uint8_t* p, size_t avail, Tlv& out) {
    if (p == nullptr || avail < 2)
        return false;
    Asn1Header h;
    if (!CASN1::readHeader(p, avail, h) || h.total() > avail)
        return false;
    out.tag = h.tag;
    out.start = p;
    out.total = h.total();
    out.content = p + h.headerLength;
    out.length = h.contentLength;
    if (h.indefinite && out.length >= 2)
        out.length -= 2;  // end-of-contents octets
    return true;
}

bool Walker::next(Tlv& out) {
    if (m_p == nullptr || m_p >= m_end)
        return false;
    // Padding bytes (00 or FF) after the last object end a directory file.
    if (*m_p == 0x00 || *m_p == 0xFF) {
        m_p = m_end;
        return false;
    }
    if (!parse(m_p, static_cast<size_t>(m_end - m_p), out)) {
        m_p = m_end;
        return false;
    }
    m_p += out.total;
    return true;
}

bool Walker::nextIf(uint8_t tag, Tlv& out) {
    if (m_p == nullptr || m_p >= m_end || *m_p != tag)
        return false;
    return next(out);
}

std::string hex(const uint8_t* p, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(2 * n);
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 0x0F];
    }
    return s;
}

bool unhex(const std::string& text, Bytes& out) {
    out.clear();
    int high = -1;
    for (char c : text) {
        if (c == '/' || c == ' ' || c == ':')
            continue;
        int d = vnhex::digitValue(c);
        if (d < 0)
            return false;
        if (high < 0) {
            high = d;
        } else {
            out.push_back(static_cast<uint8_t>(high * 16 + d));
            high = -1;
        }
    }
    return high < 0;
}

std::string text(const Tlv& t) { return std::string(reinterpret_cast<const char*>(t.content), t.length); }

unsigned int bits(const Tlv& t) {
    unsigned int v = 0;
    for (uint32_t i = 1; i < t.length && i <= 4; ++i)
        for (int b = 0; b < 8; ++b)
            if (t.content[i] & (0x80 >> b))
                v |= 1u << ((i - 1) * 8 + static_cast<unsigned>(b));
    return v;
}

unsigned int firstByte(const Tlv& t) { return t.length >= 2 ? t.content[1] : 0; }

int integer(const Tlv& t) {
    if (t.length == 0)
        return 0;
    // Cards write references such as 0x81 in one byte: the value is read unsigned.
    uint32_t v = 0;
    for (uint32_t i = 0; i < t.length && i < 4; ++i)
        v = (v << 8) | t.content[i];
    return static_cast<int>(v);
}

Bytes tlv(uint8_t tag, const Bytes& content) {
    Bytes out{tag};
    size_t n = content.size();
    if (n < 0x80) {
        out.push_back(static_cast<uint8_t>(n));
    } else if (n < 0x100) {
        out.push_back(0x81);
        out.push_back(static_cast<uint8_t>(n));
    } else if (n < 0x10000) {
        out.push_back(0x82);
        out.push_back(static_cast<uint8_t>(n >> 8));
        out.push_back(static_cast<uint8_t>(n));
    } else {
        out.push_back(0x83);
        out.push_back(static_cast<uint8_t>(n >> 16));
        out.push_back(static_cast<uint8_t>(n >> 8));
        out.push_back(static_cast<uint8_t>(n));
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes integer(int value, uint8_t tag) {
    Bytes c;
    uint32_t v = static_cast<uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8)
        c.push_back(static_cast<uint8_t>(v >> shift));
    // Minimal two's complement form.
    while (c.size() > 1 && ((c[0] == 0x00 && !(c[1] & 0x80)) || (c[0] == 0xFF && (c[1] & 0x80))))
        c.erase(c.begin());
    return tlv(tag, c);
}

Bytes octets(const std::string& hexText, uint8_t tag) {
    Bytes b;
    if (!unhex(hexText, b))
        b.clear();
    return tlv(tag, b);
}

Bytes utf8(const std::string& s, uint8_t tag) { return tlv(tag, Bytes(s.begin(), s.end())); }

Bytes bitString(unsigned int flags) {
    int highest = -1;
    for (int b = 0; b < 32; ++b)
        if (flags & (1u << b))
            highest = b;
    Bytes c{0};
    if (highest >= 0) {
        size_t bytes = static_cast<size_t>(highest / 8 + 1);
        c.resize(1 + bytes, 0);
        for (int b = 0; b <= highest; ++b)
            if (flags & (1u << b))
                c[1 + static_cast<size_t>(b / 8)] |= static_cast<uint8_t>(0x80 >> (b % 8));
        c[0] = static_cast<uint8_t>(7 - highest % 8);
    }
    return tlv(0x03, c);
}

Bytes bitStringFirstByte(unsigned int byte) {
    byte &= 0xFF;
    if (byte == 0)
        return tlv(0x03, Bytes{0});
    int unused = 0;
    while (!(byte & (1u << unused)))
        ++unused;
    return tlv(0x03, Bytes{static_cast<uint8_t>(unused), static_cast<uint8_t>(byte)});
}

Bytes boolean(bool v) { return tlv(0x01, Bytes{static_cast<uint8_t>(v ? 0xFF : 0x00)}); }

void append(Bytes& to, const Bytes& what) { to.insert(to.end(), what.begin(), what.end()); }

}  // namespace p15der
