// PKCS#15 objects (certificate, private key, authentication) and the directory files
// that list them (CDF, PrKDF, AODF).
#include "Pkcs15.h"

#include "Pkcs15Der.h"

using namespace p15der;

namespace {
// Decodes a record from bytes it encoded itself.
template <class T>
std::unique_ptr<T> reparse(const Bytes& der) {
    return std::unique_ptr<T>(new T(der.data(), static_cast<unsigned int>(der.size())));
}

// The object's outer item: any constructed tag (objects of other kinds than the
// SEQUENCE are context tagged), with the attribute sequences inside.
bool objectOuter(const unsigned char* der, unsigned int length, Tlv& t) {
    return parse(der, length, t) && (t.tag & 0x20) != 0;
}

// The directory file's objects, each decoded by T; items that are not objects end the list.
template <class T>
void parseList(const unsigned char* der, unsigned int length, std::vector<std::unique_ptr<T>>& items, int& error) {
    Walker w(der, length);
    Tlv t;
    while (w.next(t)) {
        std::unique_ptr<T> item(new T(t.start, t.total));
        if (item->getError() != 0) {
            error = 1;
            continue;
        }
        items.push_back(std::move(item));
    }
}

template <class T>
Bytes encodeList(const std::vector<std::unique_ptr<T>>& items) {
    Bytes out;
    for (const auto& i : items)
        append(out, i->encode());
    return out;
}
}  // namespace

// ---- Certificate object ----
CPkcs15CertInfo::CPkcs15CertInfo(const unsigned char* der, unsigned int length) {
    Tlv t, item;
    if (!objectOuter(der, length, t)) {
        m_error = 1;
        return;
    }
    Walker w(t);
    if (!w.nextIf(0x30, item)) {
        m_error = 1;
        return;
    }
    m_common.reset(new CPkcs15CommAttrib(item.start, item.total));
    if (!w.nextIf(0x30, item)) {
        m_error = 1;
        return;
    }
    m_cert.reset(new CPkcs15CertAttrib(item.start, item.total));
    w.nextIf(0xA0, item);  // subclass attributes
    if (!w.nextIf(0xA1, item)) {
        m_error = 1;
        return;
    }
    // [1] { X509CertificateAttributes { value ObjectValue, ... } }; only a Path value
    // names a file.
    Walker typeAttr(item);
    Tlv attrs, value;
    if (typeAttr.nextIf(0x30, attrs)) {
        Walker a(attrs);
        if (a.nextIf(0x30, value))
            m_path.reset(new CPkcs15Path(value.start, value.total));
    }
    if (!m_path)
        m_path.reset(new CPkcs15Path(std::string()));
    if (m_common->getError() || m_cert->getError())
        m_error = 1;
}

CPkcs15CertInfo::CPkcs15CertInfo(const CPkcs15CommAttrib& common, const CPkcs15CertAttrib& cert, const CPkcs15Path& path)
    : m_common(reparse<CPkcs15CommAttrib>(common.encode())), m_cert(reparse<CPkcs15CertAttrib>(cert.encode())),
      m_path(reparse<CPkcs15Path>(path.encode())) {}

Bytes CPkcs15CertInfo::encode() const {
    if (!m_common || !m_cert || !m_path)
        return Bytes();
    Bytes c = m_common->encode();
    append(c, m_cert->encode());
    append(c, tlv(0xA1, tlv(0x30, m_path->encode())));
    return tlv(0x30, c);
}

CPkcs15Cert::CPkcs15Cert() = default;

CPkcs15Cert::CPkcs15Cert(const unsigned char* der, unsigned int length) { parseList(der, length, m_items, m_error); }

const CPkcs15CertInfo* CPkcs15Cert::getCI(int i) const {
    return i >= 0 && i < getNum() ? m_items[static_cast<size_t>(i)].get() : nullptr;
}

int CPkcs15Cert::addCert(const CPkcs15CertInfo& info) {
    auto copy = reparse<CPkcs15CertInfo>(info.encode());
    if (copy->getError())
        return 0;
    m_items.push_back(std::move(copy));
    return 1;
}

Bytes CPkcs15Cert::encode() const { return encodeList(m_items); }

// ---- Private key object ----
CPkcs15PrKeyInfo::CPkcs15PrKeyInfo(const unsigned char* der, unsigned int length) {
    Tlv t, item;
    if (!objectOuter(der, length, t)) {
        m_error = 1;
        return;
    }
    m_tag = t.tag;
    Walker w(t);
    if (!w.nextIf(0x30, item)) {
        m_error = 1;
        return;
    }
    m_common.reset(new CPkcs15CommAttrib(item.start, item.total));
    if (!w.nextIf(0x30, item)) {
        m_error = 1;
        return;
    }
    m_key.reset(new CPkcs15CommKeyAttrib(item.start, item.total));
    w.nextIf(0xA0, item);  // CommonPrivateKeyAttributes, not needed
    if (!w.nextIf(0xA1, item)) {
        m_error = 1;
        return;
    }
    m_type.reset(new CPkcs15KeyAttrib(item.start, item.total));
    if (m_common->getError() || m_key->getError() || m_type->getError())
        m_error = 1;
}

CPkcs15PrKeyInfo::CPkcs15PrKeyInfo(const CPkcs15CommAttrib& common, const CPkcs15CommKeyAttrib& key,
                                   const CPkcs15KeyAttrib& type)
    : m_common(reparse<CPkcs15CommAttrib>(common.encode())), m_key(reparse<CPkcs15CommKeyAttrib>(key.encode())),
      m_type(reparse<CPkcs15KeyAttrib>(type.encode())) {}

Bytes CPkcs15PrKeyInfo::encode() const {
    if (!m_common || !m_key || !m_type)
        return Bytes();
    Bytes c = m_common->encode();
    append(c, m_key->encode());
    append(c, tlv(0xA1, m_type->encode()));
    return tlv(m_tag, c);
}

CPkcs15PrKey::CPkcs15PrKey() = default;

CPkcs15PrKey::CPkcs15PrKey(const unsigned char* der, unsigned int length) { parseList(der, length, m_items, m_error); }

const CPkcs15PrKeyInfo* CPkcs15PrKey::getPI(int i) const {
    return i >= 0 && i < getNum() ? m_items[static_cast<size_t>(i)].get() : nullptr;
}

int CPkcs15PrKey::addPrKey(const CPkcs15PrKeyInfo& info) {
    auto copy = reparse<CPkcs15PrKeyInfo>(info.encode());
    if (copy->getError())
        return 0;
    m_items.push_back(std::move(copy));
    return 1;
}

Bytes CPkcs15PrKey::encode() const { return encodeList(m_items); }

// ---- Authentication object ----
CPkcs15AuthInfo::CPkcs15AuthInfo(const unsigned char* der, unsigned int length) {
    Tlv t, item;
    if (!objectOuter(der, length, t)) {
        m_error = 1;
        return;
    }
    Walker w(t);
    if (!w.nextIf(0x30, item)) {
        m_error = 1;
        return;
    }
    m_common.reset(new CPkcs15CommAttrib(item.start, item.total));
    if (!w.nextIf(0x30, item)) {
        m_error = 1;
        return;
    }
    m_auth.reset(new CPkcs15AuthAttrib(item.start, item.total));
    w.nextIf(0xA0, item);
    if (!w.nextIf(0xA1, item)) {
        m_error = 1;
        return;
    }
    m_pin.reset(new CPkcs15Pin(item.start, item.total));
    if (m_common->getError() || m_auth->getError() || m_pin->getError())
        m_error = 1;
}

CPkcs15AuthInfo::CPkcs15AuthInfo(const CPkcs15CommAttrib& common, const CPkcs15AuthAttrib& auth, const CPkcs15Pin& pin)
    : m_common(reparse<CPkcs15CommAttrib>(common.encode())), m_auth(reparse<CPkcs15AuthAttrib>(auth.encode())),
      m_pin(reparse<CPkcs15Pin>(pin.encode())) {}

Bytes CPkcs15AuthInfo::encode() const {
    if (!m_common || !m_auth || !m_pin)
        return Bytes();
    Bytes c = m_common->encode();
    append(c, m_auth->encode());
    append(c, tlv(0xA1, m_pin->encode()));
    return tlv(0x30, c);
}

CPkcs15Auth::CPkcs15Auth() = default;

CPkcs15Auth::CPkcs15Auth(const unsigned char* der, unsigned int length) { parseList(der, length, m_items, m_error); }

const CPkcs15AuthInfo* CPkcs15Auth::getAI(int i) const {
    return i >= 0 && i < getNum() ? m_items[static_cast<size_t>(i)].get() : nullptr;
}

int CPkcs15Auth::addAuth(const CPkcs15AuthInfo& info) {
    auto copy = reparse<CPkcs15AuthInfo>(info.encode());
    if (copy->getError())
        return 0;
    m_items.push_back(std::move(copy));
    return 1;
}

Bytes CPkcs15Auth::encode() const { return encodeList(m_items); }
