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

template <class T>
const T* itemAt(const std::vector<std::unique_ptr<T>>& items, int i) {
    return i >= 0 && static_cast<size_t>(i) < items.size() ? items[static_cast<size_t>(i)].get() : nullptr;
}

// Adds a copy of info (decoded again from its encoding); 0 when the copy does not decode.
template <class T>
int addCopy(std::vector<std::unique_ptr<T>>& items, const T& info) {
    auto copy = reparse<T>(info.encode());
    if (copy->getError())
        return 0;
    items.push_back(std::move(copy));
    return 1;
}

// The items of an object: common object attributes and class attributes (both
// SEQUENCEs), an optional [0] subclass item, then the [1] type attributes.
struct ObjectItems {
    Tlv outer, common, specific, type;
};

// Reads the object at der; returns how many of common, specific and type were found
// in a row, -1 when der holds no object.
int readObject(const unsigned char* der, unsigned int length, ObjectItems& o) {
    if (!objectOuter(der, length, o.outer))
        return -1;
    Walker w(o.outer);
    if (!w.nextIf(0x30, o.common))
        return 0;
    if (!w.nextIf(0x30, o.specific))
        return 1;
    Tlv subclass;
    w.nextIf(0xA0, subclass);
    return w.nextIf(0xA1, o.type) ? 3 : 2;
}

template <class T>
std::unique_ptr<T> decodeItem(const Tlv& item) {
    return std::unique_ptr<T>(new T(item.start, item.total));
}

// An object's encoding from its parts; typeAttr goes inside the [1] wrapper.
Bytes encodeObject(uint8_t tag, const Bytes& common, const Bytes& specific, const Bytes& typeAttr) {
    Bytes c = common;
    append(c, specific);
    append(c, tlv(0xA1, typeAttr));
    return tlv(tag, c);
}
}  // namespace

// ---- Certificate object ----
CPkcs15CertInfo::CPkcs15CertInfo(const unsigned char* der, unsigned int length) {
    ObjectItems o;
    const int found = readObject(der, length, o);
    if (found >= 1)
        m_common = decodeItem<CPkcs15CommAttrib>(o.common);
    if (found >= 2)
        m_cert = decodeItem<CPkcs15CertAttrib>(o.specific);
    if (found < 3) {
        m_error = 1;
        return;
    }
    // [1] { X509CertificateAttributes { value ObjectValue, ... } }; only a Path value
    // names a file.
    Walker typeAttr(o.type);
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

CPkcs15CertInfo::CPkcs15CertInfo(const CPkcs15CommAttrib& common, const CPkcs15CertAttrib& cert,
                                 const CPkcs15Path& path)
    : m_common(reparse<CPkcs15CommAttrib>(common.encode())),
      m_cert(reparse<CPkcs15CertAttrib>(cert.encode())),
      m_path(reparse<CPkcs15Path>(path.encode())) {}

Bytes CPkcs15CertInfo::encode() const {
    if (!m_common || !m_cert || !m_path)
        return Bytes();
    return encodeObject(0x30, m_common->encode(), m_cert->encode(), tlv(0x30, m_path->encode()));
}

CPkcs15Cert::CPkcs15Cert() = default;

CPkcs15Cert::CPkcs15Cert(const unsigned char* der, unsigned int length) { parseList(der, length, m_items, m_error); }

const CPkcs15CertInfo* CPkcs15Cert::getCI(int i) const { return itemAt(m_items, i); }

int CPkcs15Cert::addCert(const CPkcs15CertInfo& info) { return addCopy(m_items, info); }

Bytes CPkcs15Cert::encode() const { return encodeList(m_items); }

// ---- Private key object ----
CPkcs15PrKeyInfo::CPkcs15PrKeyInfo(const unsigned char* der, unsigned int length) {
    ObjectItems o;
    const int found = readObject(der, length, o);  // [0] CommonPrivateKeyAttributes not needed
    if (found >= 0)
        m_tag = o.outer.tag;
    if (found >= 1)
        m_common = decodeItem<CPkcs15CommAttrib>(o.common);
    if (found >= 2)
        m_key = decodeItem<CPkcs15CommKeyAttrib>(o.specific);
    if (found < 3) {
        m_error = 1;
        return;
    }
    m_type = decodeItem<CPkcs15KeyAttrib>(o.type);
    if (m_common->getError() || m_key->getError() || m_type->getError())
        m_error = 1;
}

CPkcs15PrKeyInfo::CPkcs15PrKeyInfo(const CPkcs15CommAttrib& common, const CPkcs15CommKeyAttrib& key,
                                   const CPkcs15KeyAttrib& type)
    : m_common(reparse<CPkcs15CommAttrib>(common.encode())),
      m_key(reparse<CPkcs15CommKeyAttrib>(key.encode())),
      m_type(reparse<CPkcs15KeyAttrib>(type.encode())) {}

Bytes CPkcs15PrKeyInfo::encode() const {
    if (!m_common || !m_key || !m_type)
        return Bytes();
    return encodeObject(m_tag, m_common->encode(), m_key->encode(), m_type->encode());
}

CPkcs15PrKey::CPkcs15PrKey() = default;

CPkcs15PrKey::CPkcs15PrKey(const unsigned char* der, unsigned int length) { parseList(der, length, m_items, m_error); }

const CPkcs15PrKeyInfo* CPkcs15PrKey::getPI(int i) const { return itemAt(m_items, i); }

int CPkcs15PrKey::addPrKey(const CPkcs15PrKeyInfo& info) { return addCopy(m_items, info); }

Bytes CPkcs15PrKey::encode() const { return encodeList(m_items); }

// ---- Authentication object ----
CPkcs15AuthInfo::CPkcs15AuthInfo(const unsigned char* der, unsigned int length) {
    ObjectItems o;
    const int found = readObject(der, length, o);
    if (found >= 1)
        m_common = decodeItem<CPkcs15CommAttrib>(o.common);
    if (found >= 2)
        m_auth = decodeItem<CPkcs15AuthAttrib>(o.specific);
    if (found < 3) {
        m_error = 1;
        return;
    }
    m_pin = decodeItem<CPkcs15Pin>(o.type);
    if (m_common->getError() || m_auth->getError() || m_pin->getError())
        m_error = 1;
}

CPkcs15AuthInfo::CPkcs15AuthInfo(const CPkcs15CommAttrib& common, const CPkcs15AuthAttrib& auth, const CPkcs15Pin& pin)
    : m_common(reparse<CPkcs15CommAttrib>(common.encode())),
      m_auth(reparse<CPkcs15AuthAttrib>(auth.encode())),
      m_pin(reparse<CPkcs15Pin>(pin.encode())) {}

Bytes CPkcs15AuthInfo::encode() const {
    if (!m_common || !m_auth || !m_pin)
        return Bytes();
    return encodeObject(0x30, m_common->encode(), m_auth->encode(), m_pin->encode());
}

CPkcs15Auth::CPkcs15Auth() = default;

CPkcs15Auth::CPkcs15Auth(const unsigned char* der, unsigned int length) { parseList(der, length, m_items, m_error); }

const CPkcs15AuthInfo* CPkcs15Auth::getAI(int i) const { return itemAt(m_items, i); }

int CPkcs15Auth::addAuth(const CPkcs15AuthInfo& info) { return addCopy(m_items, info); }

Bytes CPkcs15Auth::encode() const { return encodeList(m_items); }
