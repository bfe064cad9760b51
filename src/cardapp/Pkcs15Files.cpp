// PKCS#15 application files: EF.DIR, ODF and TokenInfo, the linked result record and
// the path helpers.
#include "Pkcs15.h"

#include <cstring>

#include "Pkcs15Der.h"

using namespace p15der;

const char* const CPkcs15EfDir::Pkcs15Aid = "A000000063504B43532D3135";

// ---- EF.DIR ----
CPkcs15EfDir::CPkcs15EfDir(const unsigned char* der, unsigned int length) {
    if (der == nullptr || length == 0 || der[0] != 0x61) {
        m_error = 1;
        return;
    }
    Walker w(der, length);
    Tlv app;
    bool found = false;
    while (!found && w.next(app)) {
        if (app.tag != 0x61)
            break;
        std::string aid, label, path;
        Walker fields(app);
        Tlv f;
        while (fields.next(f)) {
            if (f.tag == 0x4F)
                aid = hex(f.content, f.length);
            else if (f.tag == 0x50)
                label = text(f);
            else if (f.tag == 0x51)
                path = hex(f.content, f.length);
        }
        // The PKCS#15 application wins; the first template stands in when none is one.
        bool isP15 = aid == Pkcs15Aid;
        if (isP15 || m_aid.empty()) {
            m_aid = aid;
            m_label = label;
            m_path = path;
        }
        found = isP15;
    }
    if (m_aid.empty() && m_path.empty())
        m_error = 1;
}

CPkcs15EfDir::CPkcs15EfDir(std::string aidHex, std::string label, std::string pathHex)
    : m_aid(std::move(aidHex)), m_label(std::move(label)), m_path(std::move(pathHex)) {}

Bytes CPkcs15EfDir::encode() const {
    Bytes c = octets(m_aid, 0x4F);
    if (!m_label.empty())
        append(c, utf8(m_label, 0x50));
    append(c, octets(m_path, 0x51));
    return tlv(0x61, c);
}

// ---- ODF ----
CPkcs15DfOdf::CPkcs15DfOdf() = default;

CPkcs15DfOdf::CPkcs15DfOdf(const unsigned char* der, unsigned int length) {
    Walker w(der, length);
    Tlv entry;
    while (w.next(entry)) {
        // Entries A0 ... A8; anything else ends the list.
        if (entry.tag < 0xA0 || entry.tag > 0xA8)
            break;
        Walker inner(entry);
        Tlv path;
        if (!inner.nextIf(0x30, path))
            continue;  // objects held directly in the ODF are not read
        CPkcs15Path p(path.start, path.total);
        if (p.getError() == 0)
            addPath(entry.tag - 0xA0, p.getPath());
    }
}

bool CPkcs15DfOdf::addPath(int kind, std::string pathHex) {
    if (kind < 0 || kind >= KINDS || m_paths[kind].size() >= MaxPaths)
        return false;
    m_paths[kind].push_back(std::move(pathHex));
    return true;
}

int CPkcs15DfOdf::getNum(int kind) const {
    return kind >= 0 && kind < KINDS ? static_cast<int>(m_paths[kind].size()) : 0;
}

std::string CPkcs15DfOdf::getPath(int kind, int i) const {
    if (i < 0 || i >= getNum(kind))
        return std::string();
    return m_paths[kind][static_cast<size_t>(i)];
}

Bytes CPkcs15DfOdf::encode() const {
    Bytes out;
    for (int k = 0; k < KINDS; ++k)
        for (const auto& p : m_paths[k])
            append(out, tlv(static_cast<uint8_t>(0xA0 + k), CPkcs15Path(p).encode()));
    return out;
}

// ---- TokenInfo ----
CPkcs15DfTi::CPkcs15DfTi(const unsigned char* der, unsigned int length) {
    Tlv t, item;
    if (!parse(der, length, t) || t.tag != 0x30) {
        m_error = 1;
        return;
    }
    Walker w(t);
    if (!w.nextIf(0x02, item)) {
        m_error = 1;
        return;
    }
    m_version = integer(item);
    if (w.nextIf(0x04, item))
        m_serial = hex(item.content, item.length);
    if (w.nextIf(0x0C, item))
        m_manufacturer = text(item);
    if (w.nextIf(0x80, item))
        m_label = text(item);
    else if (w.nextIf(0xA0, item)) {  // label written as an explicit [0]
        Walker l(item);
        Tlv s;
        if (l.next(s))
            m_label = text(s);
    }
    if (w.nextIf(0x03, item))
        m_flags = firstByte(item);
}

CPkcs15DfTi::CPkcs15DfTi(int version, std::string serialHex, std::string manufacturer, std::string label,
                         unsigned int tokenFlags)
    : m_version(version),
      m_serial(std::move(serialHex)),
      m_manufacturer(std::move(manufacturer)),
      m_label(std::move(label)),
      m_flags(tokenFlags & 0xFF) {}

void CPkcs15DfTi::setSerialNumber(char* serialText) { m_serial = serialText ? serialText : ""; }

Bytes CPkcs15DfTi::encode() const {
    Bytes c = integer(m_version);
    append(c, octets(m_serial));
    if (!m_manufacturer.empty())
        append(c, utf8(m_manufacturer));
    if (!m_label.empty())
        append(c, utf8(m_label, 0x80));
    append(c, bitStringFirstByte(m_flags));
    return tlv(0x30, c);
}

// ---- Linked certificate ----
CPkcs15ExportCert::CPkcs15ExportCert(std::string certLabel, std::string certPath, int certOffset, int certLength,
                                     std::string keyPath, std::string pinPath, int pinIndex, int keyIndex, int keySize,
                                     std::string pinName, bool singleSign, bool caCert, unsigned int flags,
                                     bool selectByName, std::string authId, std::string certId)
    : m_certLabel(std::move(certLabel)),
      m_certPath(std::move(certPath)),
      m_certOffset(certOffset),
      m_certLength(certLength),
      m_keyPath(std::move(keyPath)),
      m_pinPath(std::move(pinPath)),
      m_pinIndex(pinIndex),
      m_keyIndex(keyIndex),
      m_keySize(keySize),
      m_pinName(std::move(pinName)),
      m_singleSign(singleSign),
      m_caCert(caCert),
      m_flags(flags),
      m_selectByName(selectByName),
      m_authId(std::move(authId)),
      m_certId(std::move(certId)) {}

// ---- Helpers ----
bool CPkcs15Helper::ConvertPath(char* text, unsigned int length, unsigned char* out, unsigned int* outLength) {
    if (text == nullptr || out == nullptr || outLength == nullptr)
        return false;
    size_t n = strnlen(text, length);
    Bytes b;
    if (!unhex(std::string(text, n), b) || b.size() > *outLength)
        return false;
    std::memcpy(out, b.data(), b.size());
    *outLength = static_cast<unsigned int>(b.size());
    return true;
}

std::string CPkcs15Helper::ConvToUTF8(const std::string& latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
