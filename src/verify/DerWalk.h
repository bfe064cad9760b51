// Bounded walking over DER items for the certificate readers and the extension texts:
// every child lies inside its parent's content, every item inside the bytes it was given.
#ifndef VN_VERIFY_DERWALK_H
#define VN_VERIFY_DERWALK_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "ASN1.h"

namespace vnder {

// One item: its tag byte, total encoded length and content.
struct Item {
    const unsigned char* p = nullptr;
    uint32_t total = 0;
    const unsigned char* c = nullptr;
    uint32_t n = 0;
    unsigned char tag() const { return p ? p[0] : 0; }
    bool valid() const { return p != nullptr; }
};

// The item at p, which has avail readable bytes.
inline bool at(const unsigned char* p, size_t avail, Item& out) {
    Asn1Header h;
    out = Item();
    if (!p || !CASN1::readHeader(p, avail, h))
        return false;
    out.p = p;
    out.total = h.total();
    out.c = p + h.headerLength;
    out.n = h.contentLength - (h.indefinite ? 2 : 0);
    return true;
}

// The first child of parent (inside its content; a BIT STRING's unused-bits byte is skipped
// when skipBits is set).
inline bool first(const Item& parent, Item& out, bool skipBits = false) {
    const unsigned char* c = parent.c;
    uint32_t n = parent.n;
    if (skipBits) {
        if (n == 0)
            return false;
        ++c;
        --n;
    }
    return n > 0 && at(c, n, out);
}

// The sibling after cur inside parent.
inline bool next(const Item& parent, const Item& cur, Item& out) {
    const unsigned char* end = parent.c + parent.n;
    const unsigned char* p = cur.p + cur.total;
    if (p >= end)
        return false;
    return at(p, static_cast<size_t>(end - p), out);
}

// The sibling after cur within the bytes [cur.p, end).
inline bool nextUntil(const unsigned char* end, const Item& cur, Item& out) {
    const unsigned char* p = cur.p + cur.total;
    if (!end || p >= end)
        return false;
    return at(p, static_cast<size_t>(end - p), out);
}

// The inner item of a wrapper (SET, explicit tag, OCTET STRING holding DER): its content
// read as one item.
inline bool inner(const Item& wrapper, Item& out) { return first(wrapper, out); }

// The n-th child (0-based) of parent.
inline bool child(const Item& parent, int index, Item& out) {
    if (index < 0 || !first(parent, out))
        return false;
    for (int i = 0; i < index; ++i)
        if (!next(parent, out, out))
            return false;
    return true;
}

// Number of children of parent (bounded by its content).
inline int count(const Item& parent) {
    Item e;
    int n = 0;
    for (bool ok = first(parent, e); ok; ok = next(parent, e, e))
        ++n;
    return n;
}

// Content as text bytes.
inline std::string str(const Item& it) {
    return it.p ? std::string(reinterpret_cast<const char*>(it.c), it.n) : std::string();
}

// Dotted text of an OBJECT IDENTIFIER item; empty when it is none.
inline std::string oid(const Item& it) {
    if (it.tag() != 0x06)
        return std::string();
    return CASN1::getOID(it.p, it.total, false);
}

// Upper-case hex of the content, after skip bytes.
inline std::string hex(const Item& it, uint32_t skip = 0) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    if (!it.p || it.n < skip)
        return s;
    s.reserve((it.n - skip) * 2);
    for (uint32_t i = skip; i < it.n; ++i) {
        s.push_back(digits[it.c[i] >> 4]);
        s.push_back(digits[it.c[i] & 0x0F]);
    }
    return s;
}

}  // namespace vnder

// A text result in a fixed process-wide buffer: cleared when taken, appended to with
// cutting at the buffer's end (the terminating NUL always fits).
class TextOut {
public:
    TextOut(char* buf, size_t size) : m_buf(buf), m_size(size) { std::memset(m_buf, 0, m_size); }
    TextOut& operator<<(const std::string& s) { return add(s.data(), s.size()); }
    TextOut& operator<<(const char* s) { return s ? add(s, std::strlen(s)) : *this; }
    TextOut& add(const char* s, size_t n) {
        const size_t room = m_size - 1 - m_len;
        if (n > room)
            n = room;
        std::memcpy(m_buf + m_len, s, n);
        m_len += n;
        return *this;
    }
    size_t size() const { return m_len; }
    bool empty() const { return m_len == 0; }
    // Removes the last n bytes.
    void chop(size_t n) {
        if (n > m_len)
            n = m_len;
        m_len -= n;
        std::memset(m_buf + m_len, 0, n);
    }
    char* clear() {
        std::memset(m_buf, 0, m_size);
        m_len = 0;
        return m_buf;
    }
    char* get() { return m_buf; }
    const char* text() const { return m_buf; }

private:
    char* m_buf;
    size_t m_size;
    size_t m_len = 0;
};

#endif
