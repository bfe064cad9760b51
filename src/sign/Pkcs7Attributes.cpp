// Attribute, the signed and unsigned attribute sets, and the two issuer-and-serial forms.
#include <new>

#include "Asn1Pkcs7.h"
#include "asn1/DerTags.h"
#include "asn1/Pkcs7Der.h"

using namespace vn_der;

using pkcs7der::Children;
using pkcs7der::Item;

namespace {

constexpr uint8_t TAG_AUTH_ATTRIBUTES = vn_der::TAG_CONTEXT_0;
constexpr uint8_t TAG_UNAUTH_ATTRIBUTES = vn_der::TAG_CONTEXT_1;
constexpr uint8_t TAG_DIRECTORY_NAME = vn_der::TAG_CONTEXT_4;

// The value object of an attribute by its tag.
CAsn1Base* makeValue(const Item& v) {
    switch (v.tag) {
    case TAG_OCTETSTRING: return new CAsn1_OctetString(v.p, v.total);
    case TAG_OID: return new CAsn1_Oid(v.p, v.total);
    case TAG_UTCTIME: return new CAsn1_UtcTime(v.p, v.total);
    default: return new CAsn1_Universal(v.p, v.total);
    }
}

// Reads a SET OF Attribute with the given tag into list.
template <class List>
bool decodeAttributeSet(const CAsn1Base& object, uint8_t tag, List& list) {
    Item set;
    if (!pkcs7der::readObject(object, tag, set))
        return false;
    Children c(set);
    Item a;
    while (c.next(a)) {
        if (a.tag != TAG_SEQUENCE)
            return false;
        std::unique_ptr<CAsn1_Attribute> attribute(new CAsn1_Attribute(a.p, a.total));
        if (attribute->getError())
            return false;
        list.push_back(std::move(attribute));
    }
    return !c.bad();
}

// Copies the whole Name item and the serial INTEGER item of a certificate.
bool copyIssuerAndSerial(const CAsn1_Cert* cert, std::vector<unsigned char>& issuer,
                         std::vector<unsigned char>& serial) {
    if (!cert || !cert->getIssuerDn() || !cert->getSerial())
        return false;
    issuer.assign(cert->getIssuerDn(), cert->getIssuerDn() + cert->getIssuerDnLength());
    serial.assign(cert->getSerial(), cert->getSerial() + cert->getSerialLength());
    return !issuer.empty() && issuer[0] == TAG_SEQUENCE && !serial.empty() && serial[0] == TAG_INTEGER;
}

}  // namespace

// ---- CAsn1_Attribute ----

CAsn1_Attribute::CAsn1_Attribute() { m_asn1Type = 16; }

CAsn1_Attribute::CAsn1_Attribute(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_Attribute::CAsn1_Attribute(const std::string& oid, const std::string& name, int type, const std::string& value) {
    m_asn1Type = 16;
    try {
        m_type.reset(new CAsn1_Oid(oid, name));
        switch (type) {
        case TYPE_OCTETSTRING: m_values.emplace_back(new CAsn1_OctetString(value)); break;
        case TYPE_OID: m_values.emplace_back(new CAsn1_Oid(value, std::string())); break;
        case TYPE_UTCTIME: m_values.emplace_back(new CAsn1_UtcTime(value)); break;
        default: m_error = ERROR_BAD_TYPE; return;
        }
    } catch (...) {
        fail();
        return;
    }
    encode();
}

CAsn1_Attribute::CAsn1_Attribute(const std::string& oid, CAsn1Base* value, const std::string& name) {
    m_asn1Type = 16;
    std::unique_ptr<CAsn1Base> owned(value);
    try {
        m_type.reset(new CAsn1_Oid(oid, name));
        if (owned)
            m_values.push_back(std::move(owned));
    } catch (...) {
        fail();
        return;
    }
    encode();
}

CAsn1_Attribute::~CAsn1_Attribute() = default;

CAsn1Base* CAsn1_Attribute::getValue(int index) const {
    return index >= 0 && index < getValueNum() ? m_values[static_cast<size_t>(index)].get() : nullptr;
}

int CAsn1_Attribute::decode() {
    m_type.reset();
    m_values.clear();
    try {
        Item seq, type, set, v;
        if (!pkcs7der::readObject(*this, TAG_SEQUENCE, seq))
            return fail();
        Children c(seq);
        if (!c.expect(TAG_OID, type) || !c.expect(TAG_SET, set))
            return fail();
        m_type.reset(new CAsn1_Oid(type.p, type.total));
        if (m_type->getError())
            return fail();
        Children values(set);
        while (values.next(v)) {
            std::unique_ptr<CAsn1Base> value(makeValue(v));
            if (value->getError())
                return fail();
            m_values.push_back(std::move(value));
        }
        if (values.bad() || m_values.empty())
            return fail();
        m_asn1Length = seq.contentLength;
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_Attribute::encode() {
    if (!m_type || !m_type->getDER() || m_values.empty())
        return fail();
    try {
        std::vector<unsigned char> values, content, der;
        for (const auto& v : m_values)
            if (!pkcs7der::appendObject(values, v.get()))
                return fail();
        pkcs7der::appendObject(content, m_type.get());
        pkcs7der::appendTlv(content, TAG_SET, values);
        pkcs7der::appendTlv(der, TAG_SEQUENCE, content);
        setEncoding(der);
        m_asn1Length = static_cast<unsigned int>(content.size());
    } catch (...) {
        return fail();
    }
    return 1;
}

// ---- CAsn1_AuthAttributes ----

CAsn1_AuthAttributes::CAsn1_AuthAttributes() {
    m_asn1Type = 17;
    encode();
}

CAsn1_AuthAttributes::CAsn1_AuthAttributes(const unsigned char* der, unsigned int length) {
    m_asn1Type = 17;
    if (setEncoding(der, length))
        decode();
}

CAsn1_AuthAttributes::~CAsn1_AuthAttributes() = default;

unsigned char* CAsn1_AuthAttributes::getDER() const { return CAsn1Base::getDER(); }
unsigned int CAsn1_AuthAttributes::getDERlength() const { return CAsn1Base::getDERlength(); }

int CAsn1_AuthAttributes::decode() {
    m_attributes.clear();
    try {
        if (!decodeAttributeSet(*this, TAG_AUTH_ATTRIBUTES, m_attributes))
            return fail();
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_AuthAttributes::encode() {
    try {
        std::vector<unsigned char> content, der;
        for (const auto& a : m_attributes)
            if (!pkcs7der::appendObject(content, a.get()))
                return fail();
        pkcs7der::appendTlv(der, TAG_AUTH_ATTRIBUTES, content);
        setEncoding(der);
        m_asn1Length = static_cast<unsigned int>(content.size());
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_AuthAttributes::addAttribute(CAsn1_Attribute* attribute) {
    std::unique_ptr<CAsn1_Attribute> owned(attribute);
    if (!owned || owned->getError() || !owned->getDER())
        return 0;
    try {
        m_attributes.push_back(std::move(owned));
    } catch (...) {
        return fail();
    }
    return encode();
}

CAsn1_Attribute* CAsn1_AuthAttributes::getAttribute(int index) const {
    return index >= 0 && index < getAttributeNum() ? m_attributes[static_cast<size_t>(index)].get() : nullptr;
}

CAsn1_Attribute* CAsn1_AuthAttributes::findAttribute(const std::string& oid) const {
    for (const auto& a : m_attributes)
        if (a->getOid() == oid)
            return a.get();
    return nullptr;
}

// ---- CAsn1_UnauthAttributes ----

CAsn1_UnauthAttributes::CAsn1_UnauthAttributes() { m_asn1Type = 17; }

CAsn1_UnauthAttributes::CAsn1_UnauthAttributes(const unsigned char* der, unsigned int length) {
    m_asn1Type = 17;
    if (setEncoding(der, length))
        decode();
}

CAsn1_UnauthAttributes::~CAsn1_UnauthAttributes() = default;

int CAsn1_UnauthAttributes::decode() {
    m_attributes.clear();
    try {
        if (!decodeAttributeSet(*this, TAG_UNAUTH_ATTRIBUTES, m_attributes))
            return fail();
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_UnauthAttributes::encode() { return 1; }

CAsn1_Attribute* CAsn1_UnauthAttributes::getAttribute(int index) const {
    return index >= 0 && index < getAttributeNum() ? m_attributes[static_cast<size_t>(index)].get() : nullptr;
}

// ---- CAsn1_IssuerAndSerial ----

CAsn1_IssuerAndSerial::CAsn1_IssuerAndSerial() { m_asn1Type = 16; }

CAsn1_IssuerAndSerial::CAsn1_IssuerAndSerial(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_IssuerAndSerial::CAsn1_IssuerAndSerial(const CAsn1_Cert* cert) {
    m_asn1Type = 16;
    try {
        if (!copyIssuerAndSerial(cert, m_issuer, m_serial)) {
            fail();
            return;
        }
    } catch (...) {
        fail();
        return;
    }
    encode();
}

CAsn1_IssuerAndSerial::~CAsn1_IssuerAndSerial() = default;

unsigned char* CAsn1_IssuerAndSerial::getDER() const { return CAsn1Base::getDER(); }
unsigned int CAsn1_IssuerAndSerial::getDERlength() const { return CAsn1Base::getDERlength(); }

int CAsn1_IssuerAndSerial::decode() {
    try {
        Item seq, name, serial;
        if (!pkcs7der::readObject(*this, TAG_SEQUENCE, seq))
            return fail();
        Children c(seq);
        if (!c.expect(TAG_SEQUENCE, name) || !c.expect(TAG_INTEGER, serial))
            return fail();
        m_issuer.assign(name.p, name.p + name.total);
        m_serial.assign(serial.p, serial.p + serial.total);
        m_asn1Length = seq.contentLength;
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_IssuerAndSerial::encode() {
    if (m_issuer.empty() || m_serial.empty())
        return fail();
    try {
        std::vector<unsigned char> content(m_issuer), der;
        content.insert(content.end(), m_serial.begin(), m_serial.end());
        pkcs7der::appendTlv(der, TAG_SEQUENCE, content);
        setEncoding(der);
        m_asn1Length = static_cast<unsigned int>(content.size());
    } catch (...) {
        return fail();
    }
    return 1;
}

// ---- CAsn1_IssuerSerial ----

CAsn1_IssuerSerial::CAsn1_IssuerSerial() { m_asn1Type = 16; }

CAsn1_IssuerSerial::CAsn1_IssuerSerial(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_IssuerSerial::CAsn1_IssuerSerial(const CAsn1_Cert* cert) {
    m_asn1Type = 16;
    try {
        if (!copyIssuerAndSerial(cert, m_issuer, m_serial)) {
            fail();
            return;
        }
    } catch (...) {
        fail();
        return;
    }
    encode();
}

CAsn1_IssuerSerial::~CAsn1_IssuerSerial() = default;

unsigned char* CAsn1_IssuerSerial::getDER() const { return CAsn1Base::getDER(); }
unsigned int CAsn1_IssuerSerial::getDERlength() const { return CAsn1Base::getDERlength(); }

int CAsn1_IssuerSerial::decode() {
    try {
        Item seq, names, directoryName, name, serial;
        if (!pkcs7der::readObject(*this, TAG_SEQUENCE, seq))
            return fail();
        Children c(seq);
        if (!c.expect(TAG_SEQUENCE, names) || !c.expect(TAG_INTEGER, serial))
            return fail();
        Children n(names);
        if (!n.expect(TAG_DIRECTORY_NAME, directoryName))
            return fail();
        Children d(directoryName);
        if (!d.expect(TAG_SEQUENCE, name))
            return fail();
        m_issuer.assign(name.p, name.p + name.total);
        m_serial.assign(serial.p, serial.p + serial.total);
        m_asn1Length = seq.contentLength;
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_IssuerSerial::encode() {
    if (m_issuer.empty() || m_serial.empty())
        return fail();
    try {
        std::vector<unsigned char> directoryName, names, content, der;
        pkcs7der::appendTlv(directoryName, TAG_DIRECTORY_NAME, m_issuer);
        pkcs7der::appendTlv(names, TAG_SEQUENCE, directoryName);
        content = names;
        content.insert(content.end(), m_serial.begin(), m_serial.end());
        pkcs7der::appendTlv(der, TAG_SEQUENCE, content);
        setEncoding(der);
        m_asn1Length = static_cast<unsigned int>(content.size());
    } catch (...) {
        return fail();
    }
    return 1;
}
