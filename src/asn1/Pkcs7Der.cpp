// Bounded DER walking and DER appending for the PKCS#7 model.
#include "asn1/Pkcs7Der.h"

namespace pkcs7der {

bool read(const unsigned char* p, size_t avail, Item& out) {
    Asn1Header h;
    if (!p || !CASN1::readHeader(p, avail, h))
        return false;
    out.p = p;
    out.total = h.total();
    out.tag = h.tag;
    out.content = p + h.headerLength;
    out.contentLength = h.indefinite ? h.contentLength - 2 : h.contentLength;
    return true;
}

bool readObject(const CAsn1Base& object, uint8_t tag, Item& out) {
    const unsigned char* der = object.getDER();
    return der && read(der, object.getDERlength(), out) && out.tag == tag && out.total == object.getDERlength();
}

bool Children::next(Item& out) {
    if (m_bad || atEnd())
        return false;
    if (!read(m_p, static_cast<size_t>(m_end - m_p), out)) {
        m_bad = true;
        m_p = m_end;
        return false;
    }
    m_p += out.total;
    return true;
}

bool Children::peek(uint8_t& tag) const {
    if (m_bad || atEnd())
        return false;
    tag = m_p[0];
    return true;
}

size_t headerSize(size_t n) {
    size_t h = 2;
    if (n >= 128)
        for (size_t v = n; v; v >>= 8)
            ++h;
    return h;
}

void appendLength(std::vector<unsigned char>& out, size_t n) {
    if (n < 128) {
        out.push_back(static_cast<unsigned char>(n));
        return;
    }
    int bytes = 0;
    for (size_t v = n; v; v >>= 8)
        ++bytes;
    out.push_back(static_cast<unsigned char>(0x80 | bytes));
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<unsigned char>(n >> (8 * i)));
}

void appendTlv(std::vector<unsigned char>& out, uint8_t tag, const unsigned char* content, size_t n) {
    out.reserve(out.size() + headerSize(n) + n);
    out.push_back(tag);
    appendLength(out, n);
    if (n)
        out.insert(out.end(), content, content + n);
}

void appendTlv(std::vector<unsigned char>& out, uint8_t tag, const std::vector<unsigned char>& content) {
    appendTlv(out, tag, content.data(), content.size());
}

bool appendObject(std::vector<unsigned char>& out, const CAsn1Base* object) {
    if (!object || !object->getDER() || object->getDERlength() == 0)
        return false;
    out.insert(out.end(), object->getDER(), object->getDER() + object->getDERlength());
    return true;
}

}  // namespace pkcs7der
