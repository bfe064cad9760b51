// INTEGER, OBJECT IDENTIFIER, NULL and undecoded items.
#include <cstdlib>
#include <cstring>

#include "Asn1Base.h"
#include "asn1/Asn1Text.h"

// ---- CAsn1_Int ----

CAsn1_Int::CAsn1_Int() { m_asn1Type = 2; }

CAsn1_Int::CAsn1_Int(const unsigned char* der, unsigned int size) {
    m_asn1Type = 2;
    if (setEncoding(der, size))
        decode();
}

CAsn1_Int::CAsn1_Int(int value) : m_value(value) {
    m_asn1Type = 2;
    encode();
}

int CAsn1_Int::decode() {
    Asn1Header h;
    if (!encodingHeader(0x02, h) || h.indefinite)
        return fail();
    const unsigned char* c = m_encoding.get() + h.headerLength;
    try {
        m_text = asn1text::hex(c, h.contentLength);
    } catch (...) {
        return fail();
    }
    uint32_t v = 0;
    for (uint32_t i = 0; i < h.contentLength; ++i)
        v = (v << 8) | c[i];
    m_value = static_cast<int>(v);
    m_asn1Length = h.contentLength;
    return 1;
}

int CAsn1_Int::encode() {
    // Shortest two's complement form.
    unsigned char content[4];
    int k = 4;
    for (int i = 0; i < 4; ++i)
        content[i] = static_cast<unsigned char>(static_cast<uint32_t>(m_value) >> (8 * (3 - i)));
    int first = 0;
    while (first < 3 && ((content[first] == 0x00 && !(content[first + 1] & 0x80)) ||
                         (content[first] == 0xFF && (content[first + 1] & 0x80))))
        ++first;
    k = 4 - first;
    unsigned char der[6] = {0x02, static_cast<unsigned char>(k)};
    std::memcpy(der + 2, content + first, static_cast<size_t>(k));
    try {
        m_text = asn1text::hex(content + first, static_cast<size_t>(k));
    } catch (...) {
        return fail();
    }
    setEncoding(der, 2 + static_cast<size_t>(k));
    m_asn1Length = static_cast<unsigned int>(k);
    return 1;
}

// ---- CAsn1_Oid ----

CAsn1_Oid::CAsn1_Oid() { m_asn1Type = 6; }

CAsn1_Oid::CAsn1_Oid(const unsigned char* der, unsigned int size) {
    m_asn1Type = 6;
    if (setEncoding(der, size))
        decode();
}

CAsn1_Oid::CAsn1_Oid(const std::string& dotted, const std::string& name) : m_oid(dotted), m_name(name) {
    m_asn1Type = 6;
    encode();
}

CAsn1_Oid::CAsn1_Oid(const CAsn1_Oid* other) {
    m_asn1Type = 6;
    if (!other) {
        m_error = ASN1_DECODE_ERROR;
        return;
    }
    m_oid = other->m_oid;
    m_name = other->m_name;
    m_asn1Length = other->m_asn1Length;
    if (other->m_encoding)
        setEncoding(other->m_encoding.get(), other->m_encodingLength);
}

int CAsn1_Oid::decode() {
    Asn1Header h;
    if (!encodingHeader(0x06, h) || h.indefinite)
        return fail();
    m_asn1Length = h.contentLength;
    try {
        if (!asn1text::oidText(m_encoding.get() + h.headerLength, h.contentLength, m_oid))
            return fail();
        const char* name = CASN1::getOIDDescr(m_oid.c_str());
        m_name = name ? name : "";
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_Oid::encode() {
    try {
        // Digits separated by single dots, nothing else.
        if (m_oid.empty() || m_oid.front() == '.' || m_oid.back() == '.' || m_oid.find("..") != std::string::npos)
            return 0;
        const std::vector<std::string> arcs = Tokenize(m_oid, ".");
        if (arcs.size() < 3)
            return 0;
        std::vector<uint64_t> values;
        for (const std::string& a : arcs) {
            if (a.empty() || a.size() > 18 || a.find_first_not_of("0123456789") != std::string::npos)
                return 0;
            values.push_back(std::strtoull(a.c_str(), nullptr, 10));
        }
        // The second arc is below 40 under the first arcs 0 and 1; under 2 it is unbounded.
        if (values[0] > 2 || (values[0] < 2 && values[1] > 39))
            return 0;
        std::vector<unsigned char> content;
        values[1] += 40 * values[0];
        for (size_t i = 1; i < values.size(); ++i) {
            unsigned char groups[10];
            int n = 0;
            uint64_t v = values[i];
            do {
                groups[n++] = static_cast<unsigned char>(v & 0x7F);
                v >>= 7;
            } while (v);
            while (n > 0) {
                --n;
                content.push_back(static_cast<unsigned char>(groups[n] | (n ? 0x80 : 0)));
            }
        }
        std::vector<unsigned char> der(6);
        der[0] = 0x06;
        const int lenBytes = insertLength(der.data(), static_cast<unsigned int>(content.size()), 0, 0x80, 0);
        der.resize(1 + static_cast<size_t>(lenBytes));
        der.insert(der.end(), content.begin(), content.end());
        setEncoding(der);
        m_asn1Length = static_cast<unsigned int>(content.size());
    } catch (...) {
        return fail();
    }
    return 1;
}

// ---- CAsn1_NullTag ----

CAsn1_NullTag::CAsn1_NullTag() {
    m_asn1Type = 5;
    static const unsigned char der[] = {0x05, 0x00};
    setEncoding(der, sizeof(der));
}

int CAsn1_NullTag::decode() { return 1; }
int CAsn1_NullTag::encode() { return 1; }

// ---- CAsn1_Universal ----

CAsn1_Universal::CAsn1_Universal() { m_asn1Type = 16; }

CAsn1_Universal::CAsn1_Universal(const unsigned char* der, unsigned int size) {
    m_asn1Type = 16;
    if (setEncoding(der, size))
        m_asn1Type = CASN1::getType(der);
}

int CAsn1_Universal::decode() { return 1; }
int CAsn1_Universal::encode() { return 1; }
