// Internal helpers of the CASN1 text readers: bounded writing into a result buffer and
// access to the content of an item.
#ifndef VN_ASN1_TEXT_H
#define VN_ASN1_TEXT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "ASN1.h"

namespace asn1text {

// A process-wide result buffer of CASN1::ResultSize bytes, cleared when taken.
class Result {
public:
    explicit Result(char* buf) : m_buf(buf) { std::memset(m_buf, 0, CASN1::ResultSize); }
    // Appends when the text still fits with its terminating NUL; false otherwise.
    bool append(const char* s, size_t n) {
        if (n >= CASN1::ResultSize - m_len)
            return false;
        std::memcpy(m_buf + m_len, s, n);
        m_len += n;
        return true;
    }
    bool append(const std::string& s) { return append(s.data(), s.size()); }
    // Appends as much as fits.
    void appendTruncated(const char* s, size_t n) {
        const size_t room = CASN1::ResultSize - 1 - m_len;
        append(s, n < room ? n : room);
    }
    // Empties the buffer (failure result).
    char* fail() {
        std::memset(m_buf, 0, CASN1::ResultSize);
        m_len = 0;
        return m_buf;
    }
    char* get() { return m_buf; }

private:
    char* m_buf;
    size_t m_len = 0;
};

// Content of the item at p (total bound `total`); false for a malformed item.
inline bool content(const unsigned char* p, uint32_t total, const unsigned char*& c, uint32_t& n) {
    Asn1Header h;
    if (!p || !CASN1::readHeader(p, total, h))
        return false;
    c = p + h.headerLength;
    n = h.contentLength - (h.indefinite ? 2 : 0);
    return true;
}

// Upper-case hex of the bytes.
inline std::string hex(const unsigned char* p, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s(n * 2, '0');
    for (size_t i = 0; i < n; ++i) {
        s[2 * i] = digits[p[i] >> 4];
        s[2 * i + 1] = digits[p[i] & 0x0F];
    }
    return s;
}

// UTF-8 text of big-endian UTF-16 bytes; unpaired surrogates become U+FFFD.
std::string bmpToUtf8(const unsigned char* p, size_t n);

// Dotted text of the OID content bytes; false when malformed.
bool oidText(const unsigned char* c, size_t n, std::string& out);

}  // namespace asn1text

#endif
