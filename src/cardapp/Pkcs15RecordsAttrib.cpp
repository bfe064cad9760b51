// PKCS#15 attribute records: Path, access control rules, common object, key,
// certificate and authentication attributes, PIN attributes.
#include "Pkcs15.h"

#include <cstring>

#include "Pkcs15Der.h"

using namespace p15der;

namespace {
// The item at der that must carry tag (any tag when tag is 0); false otherwise.
bool outer(const unsigned char* der, unsigned int length, uint8_t tag, Tlv& t) {
    return parse(der, length, t) && (tag == 0 || t.tag == tag);
}

// Opens the record's SEQUENCE at der and reads its first item, which must carry firstTag.
bool openWithFirst(const unsigned char* der, unsigned int length, uint8_t firstTag, Walker& w, Tlv& first) {
    Tlv t;
    if (!outer(der, length, 0x30, t))
        return false;
    w = Walker(t);
    return w.nextIf(firstTag, first);
}

// Opens the record's SEQUENCE, whose first item must be an OCTET STRING; hexOut gets
// its content as hex text.
bool openWithOctets(const unsigned char* der, unsigned int length, Walker& w, std::string& hexOut) {
    Tlv first;
    if (!openWithFirst(der, length, 0x04, w, first))
        return false;
    hexOut = hex(first.content, first.length);
    return true;
}

// The type attributes of a key or PIN object: a SEQUENCE, either bare or inside the
// object's [1] wrapper.
bool typeAttributes(const unsigned char* der, unsigned int length, Tlv& t) {
    if (!parse(der, length, t))
        return false;
    if (t.tag == 0xA1) {
        Walker inner(t);
        return inner.nextIf(0x30, t);
    }
    return t.tag == 0x30;
}

// BOOLEAN content: true for any non-zero first byte.
bool flag(const Tlv& item) { return item.length > 0 && item.content[0] != 0; }

// The hex path of a Path item; pathHex is left as it is when the item does not decode.
void readPath(const Tlv& item, std::string& pathHex) {
    CPkcs15Path p(item.start, item.total);
    if (p.getError() == 0)
        pathHex = p.getPath();
}
}  // namespace

int CPkcs15Record::getDER(unsigned char* out, unsigned short* length) const {
    if (length == nullptr)
        return 0;
    Bytes der = encode();
    if (der.size() > 0xFFFF)
        return 0;
    if (out == nullptr) {
        *length = static_cast<unsigned short>(der.size());
        return 1;
    }
    if (*length < der.size()) {
        *length = static_cast<unsigned short>(der.size());
        return 0;
    }
    std::memcpy(out, der.data(), der.size());
    *length = static_cast<unsigned short>(der.size());
    return 1;
}

// ---- Path ----
CPkcs15Path::CPkcs15Path(const unsigned char* der, unsigned int length) {
    Walker w(nullptr, 0);
    if (!openWithOctets(der, length, w, m_path)) {
        m_error = 1;
        return;
    }
    Tlv item;
    if (w.nextIf(0x02, item))
        m_index = integer(item);
    if (w.nextIf(0x80, item))
        m_length = integer(item);
}

CPkcs15Path::CPkcs15Path(std::string pathHex, int index, int length)
    : m_path(std::move(pathHex)), m_index(index), m_length(length) {
    Bytes b;
    if (!unhex(m_path, b))
        m_error = 1;
    else
        m_path = hex(b.data(), b.size());
}

Bytes CPkcs15Path::encode() const {
    Bytes c = octets(m_path);
    if (m_index >= 0)
        append(c, integer(m_index));
    if (m_length >= 0)
        append(c, integer(m_length, 0x80));
    return tlv(0x30, c);
}

// ---- AccessControlRule ----
CPkcs15Acr::CPkcs15Acr(const unsigned char* der, unsigned int length) {
    Walker w(nullptr, 0);
    Tlv item;
    if (!openWithFirst(der, length, 0x03, w, item)) {
        m_error = 1;
        return;
    }
    m_mode = bits(item);
    if (w.next(item))
        m_condition.assign(item.start, item.start + item.total);
}

CPkcs15Acr::CPkcs15Acr(unsigned int mode, std::vector<uint8_t> conditionDer)
    : m_mode(mode), m_condition(std::move(conditionDer)) {}

Bytes CPkcs15Acr::encode() const {
    Bytes c = bitString(m_mode);
    // "always" (NULL) when no condition was given.
    append(c, m_condition.empty() ? Bytes{0x05, 0x00} : m_condition);
    return tlv(0x30, c);
}

// ---- CommonObjectAttributes ----
CPkcs15CommAttrib::CPkcs15CommAttrib(const unsigned char* der, unsigned int length) {
    Tlv t, item;
    if (!outer(der, length, 0x30, t)) {
        m_error = 1;
        return;
    }
    Walker w(t);
    if (w.nextIf(0x0C, item))
        m_label = text(item);
    if (w.nextIf(0x03, item))
        m_flags = bits(item);
    if (w.nextIf(0x04, item))
        m_authId = hex(item.content, item.length);
    w.nextIf(0x02, item);  // userConsent
    if (w.nextIf(0x30, item)) {
        Walker rules(item);
        Tlv rule;
        while (rules.next(rule))
            m_acrs.emplace_back(new CPkcs15Acr(rule.start, rule.total));
    }
}

CPkcs15CommAttrib::CPkcs15CommAttrib(std::string label, unsigned int flags, std::string authIdHex)
    : m_label(std::move(label)), m_flags(flags), m_authId(std::move(authIdHex)) {}

const CPkcs15Acr* CPkcs15CommAttrib::getAcr(int i) const {
    return i >= 0 && i < getNumAcr() ? m_acrs[static_cast<size_t>(i)].get() : nullptr;
}

Bytes CPkcs15CommAttrib::encode() const {
    Bytes c;
    if (!m_label.empty())
        append(c, utf8(m_label));
    append(c, bitString(m_flags));
    if (!m_authId.empty())
        append(c, octets(m_authId));
    if (!m_acrs.empty()) {
        Bytes rules;
        for (const auto& r : m_acrs)
            append(rules, r->encode());
        append(c, tlv(0x30, rules));
    }
    return tlv(0x30, c);
}

// ---- CommonKeyAttributes ----
CPkcs15CommKeyAttrib::CPkcs15CommKeyAttrib(const unsigned char* der, unsigned int length) {
    Walker w(nullptr, 0);
    if (!openWithOctets(der, length, w, m_id)) {
        m_error = 1;
        return;
    }
    Tlv item;
    if (w.nextIf(0x03, item))
        m_usage = bits(item);
    if (w.nextIf(0x01, item))
        m_native = flag(item);
    if (w.nextIf(0x03, item)) {
        m_accessFlags = bits(item);
        m_hasAccessFlags = true;
    }
    if (w.nextIf(0x02, item))
        m_keyRef = integer(item);
    if (w.nextIf(0x18, item))
        m_startDate = text(item);
    if (w.nextIf(0x80, item))
        m_endDate = text(item);
}

CPkcs15CommKeyAttrib::CPkcs15CommKeyAttrib(std::string idHex, unsigned int usage, bool native, unsigned int accessFlags,
                                           int keyReference)
    : m_id(std::move(idHex)),
      m_usage(usage),
      m_native(native),
      m_accessFlags(accessFlags),
      m_hasAccessFlags(accessFlags != 0),
      m_keyRef(keyReference) {}

Bytes CPkcs15CommKeyAttrib::encode() const {
    Bytes c = octets(m_id);
    append(c, bitString(m_usage));
    if (!m_native)
        append(c, boolean(false));  // DEFAULT TRUE is left out
    if (m_hasAccessFlags)
        append(c, bitString(m_accessFlags));
    if (m_keyRef >= 0)
        append(c, integer(m_keyRef));
    if (!m_startDate.empty())
        append(c, utf8(m_startDate, 0x18));
    if (!m_endDate.empty())
        append(c, utf8(m_endDate, 0x80));
    return tlv(0x30, c);
}

// ---- Private key type attributes ----
CPkcs15KeyAttrib::CPkcs15KeyAttrib(const unsigned char* der, unsigned int length) {
    Tlv t, item;
    if (!typeAttributes(der, length, t)) {
        m_error = 1;
        return;
    }
    Walker w(t);
    if (w.nextIf(0x30, item)) {
        readPath(item, m_path);
    } else if (!w.next(item)) {  // a value that is not a path (direct or URL)
        m_error = 1;
        return;
    }
    if (w.nextIf(0x02, item))
        m_modulus = integer(item);
}

CPkcs15KeyAttrib::CPkcs15KeyAttrib(std::string pathHex, int modulusBits)
    : m_path(std::move(pathHex)), m_modulus(modulusBits) {}

Bytes CPkcs15KeyAttrib::encode() const {
    Bytes c = CPkcs15Path(m_path).encode();
    append(c, integer(m_modulus));
    return tlv(0x30, c);
}

// ---- CommonCertificateAttributes ----
CPkcs15CertAttrib::CPkcs15CertAttrib(const unsigned char* der, unsigned int length) {
    Walker w(nullptr, 0);
    if (!openWithOctets(der, length, w, m_id)) {
        m_error = 1;
        return;
    }
    Tlv item;
    if (w.nextIf(0x01, item))
        m_authority = flag(item);
}

CPkcs15CertAttrib::CPkcs15CertAttrib(std::string idHex, bool authority)
    : m_id(std::move(idHex)), m_authority(authority) {}

Bytes CPkcs15CertAttrib::encode() const {
    Bytes c = octets(m_id);
    if (m_authority)
        append(c, boolean(true));
    return tlv(0x30, c);
}

// ---- CommonAuthenticationObjectAttributes ----
CPkcs15AuthAttrib::CPkcs15AuthAttrib(const unsigned char* der, unsigned int length) {
    Tlv t, item;
    if (!outer(der, length, 0x30, t)) {
        m_error = 1;
        return;
    }
    Walker w(t);
    if (w.nextIf(0x04, item))
        m_authId = hex(item.content, item.length);
}

CPkcs15AuthAttrib::CPkcs15AuthAttrib(std::string authIdHex) : m_authId(std::move(authIdHex)) {}

Bytes CPkcs15AuthAttrib::encode() const { return tlv(0x30, octets(m_authId)); }

// ---- PinAttributes ----
CPkcs15Pin::CPkcs15Pin(const unsigned char* der, unsigned int length) {
    Tlv t, item;
    if (!typeAttributes(der, length, t)) {
        m_error = 1;
        return;
    }
    Walker w(t);
    if (!w.nextIf(0x03, item)) {
        m_error = 1;
        return;
    }
    m_flags = bits(item);
    if (w.nextIf(0x0A, item))
        m_type = integer(item);
    if (w.nextIf(0x02, item))
        m_minLength = integer(item);
    if (w.nextIf(0x02, item))
        m_storedLength = integer(item);
    if (w.nextIf(0x02, item))
        m_maxLength = integer(item);
    if (w.nextIf(0x80, item))
        m_reference = integer(item);
    if (w.nextIf(0x04, item))
        m_padChar = item.length > 0 ? item.content[0] : -1;
    if (w.nextIf(0x18, item))
        m_lastChange = text(item);
    if (w.nextIf(0x30, item))
        readPath(item, m_path);
}

CPkcs15Pin::CPkcs15Pin(unsigned int flags, int type, int minLength, int storedLength, int maxLength, int reference,
                       int padChar, std::string pathHex)
    : m_flags(flags),
      m_type(type),
      m_minLength(minLength),
      m_storedLength(storedLength),
      m_maxLength(maxLength),
      m_reference(reference),
      m_padChar(padChar),
      m_path(std::move(pathHex)) {}

Bytes CPkcs15Pin::encode() const {
    Bytes c = bitString(m_flags);
    append(c, integer(m_type, 0x0A));
    append(c, integer(m_minLength));
    append(c, integer(m_storedLength));
    if (m_maxLength >= 0)
        append(c, integer(m_maxLength));
    if (m_reference != 0)
        append(c, integer(m_reference, 0x80));
    if (m_padChar >= 0)
        append(c, tlv(0x04, Bytes{static_cast<uint8_t>(m_padChar)}));
    if (!m_lastChange.empty())
        append(c, utf8(m_lastChange, 0x18));
    if (!m_path.empty())
        append(c, CPkcs15Path(m_path).encode());
    return tlv(0x30, c);
}
