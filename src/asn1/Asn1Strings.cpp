// BIT STRING, OCTET STRING, IA5String and BMPString.
#include <stdexcept>

#include "Asn1Base.h"
#include "asn1/Asn1Text.h"
#include "asn1/UtfConverter.h"

namespace {

// Hex text (blanks removed) to bytes; false for odd or non-hex text.
bool hexBytes(const std::string& text, std::vector<unsigned char>& out) {
    int len = 0;
    if (!CAsn1Helper::str2hex(text, nullptr, len))
        return false;
    out.assign(static_cast<size_t>(len), 0);
    return len == 0 || CAsn1Helper::str2hex(text, out.data(), len);
}

// DER of a string item with tag: the length, an unused-bits byte 00 when given, the bytes.
std::vector<unsigned char> stringDer(unsigned char tag, const std::vector<unsigned char>& bytes, bool unusedBitsByte) {
    const unsigned int contentLength = static_cast<unsigned int>(bytes.size() + (unusedBitsByte ? 1 : 0));
    std::vector<unsigned char> der(6);
    der[0] = tag;
    const int lenBytes = CAsn1Base::insertLength(der.data(), contentLength, 0, 0x80, 0);
    der.resize(1 + static_cast<size_t>(lenBytes));
    if (unusedBitsByte)
        der.push_back(0x00);
    der.insert(der.end(), bytes.begin(), bytes.end());
    return der;
}

// The last count bytes of an encoding (the string's data), null when it is shorter.
unsigned char* dataTail(unsigned char* encoding, unsigned int encodingLength, unsigned int count) {
    if (!encoding || count > encodingLength)
        return nullptr;
    return encoding + encodingLength - count;
}

// Content of a whole encoding that must start with tag.
bool contentOf(const unsigned char* der, unsigned int size, unsigned char tag, const unsigned char*& c, uint32_t& n) {
    return der && der[0] == tag && asn1text::content(der, size, c, n);
}

}  // namespace

// ---- CAsn1_BitString ----

CAsn1_BitString::CAsn1_BitString() : m_value("00") {
    m_asn1Type = 3;
    encode();
}

CAsn1_BitString::CAsn1_BitString(const unsigned char* der, unsigned int size) {
    m_asn1Type = 3;
    if (setEncoding(der, size))
        decode();
}

CAsn1_BitString::CAsn1_BitString(const std::string& hex) : m_value(hex) {
    m_asn1Type = 3;
    encode();
}

int CAsn1_BitString::decode() {
    const unsigned char* c;
    uint32_t n;
    if (!contentOf(m_encoding.get(), m_encodingLength, 0x03, c, n) || n == 0)
        return fail();
    try {
        m_value = asn1text::hex(c + 1, n - 1);
    } catch (...) {
        return fail();
    }
    m_asn1Length = n;
    return 1;
}

int CAsn1_BitString::encode() {
    try {
        std::vector<unsigned char> bytes;
        if (!hexBytes(m_value, bytes))
            return 0;
        setEncoding(stringDer(0x03, bytes, true));
        m_asn1Length = static_cast<unsigned int>(bytes.size() + 1);
    } catch (...) {
        return fail();
    }
    return 1;
}

unsigned char* CAsn1_BitString::getBinaryData() const {
    return dataTail(m_encoding.get(), m_encodingLength, getBinaryDataLen());
}

unsigned int CAsn1_BitString::getBinaryDataLen() const { return static_cast<unsigned int>(m_value.size() / 2); }

// ---- CAsn1_OctetString ----

CAsn1_OctetString::CAsn1_OctetString() {
    m_asn1Type = 4;
    encode();
}

CAsn1_OctetString::CAsn1_OctetString(const unsigned char* der, unsigned int size) {
    m_asn1Type = 4;
    if (setEncoding(der, size))
        decode();
}

CAsn1_OctetString::CAsn1_OctetString(const std::string& hex) : m_value(hex) {
    m_asn1Type = 4;
    encode();
}

int CAsn1_OctetString::decode() {
    const unsigned char* c;
    uint32_t n;
    if (!contentOf(m_encoding.get(), m_encodingLength, 0x04, c, n))
        return fail();
    try {
        m_value = asn1text::hex(c, n);
    } catch (...) {
        return fail();
    }
    m_asn1Length = n;
    return 1;
}

int CAsn1_OctetString::encode() {
    try {
        std::vector<unsigned char> bytes;
        if (!hexBytes(m_value, bytes)) {
            clearEncoding();
            return 0;
        }
        setEncoding(stringDer(0x04, bytes, false));
        m_asn1Length = static_cast<unsigned int>(bytes.size());
        std::string clean;
        CAsn1Helper::hex2str(bytes.data(), static_cast<unsigned int>(bytes.size()), clean);
        m_value = clean;
    } catch (...) {
        return fail();
    }
    return 1;
}

unsigned char* CAsn1_OctetString::getBinaryData() const {
    return dataTail(m_encoding.get(), m_encodingLength, getBinaryDataLen());
}

unsigned int CAsn1_OctetString::getBinaryDataLen() const { return static_cast<unsigned int>(m_value.size() / 2); }

// ---- CAsn1_IA5String ----

CAsn1_IA5String::CAsn1_IA5String() { m_asn1Type = 22; }

CAsn1_IA5String::CAsn1_IA5String(const unsigned char* der, unsigned int size) {
    m_asn1Type = 22;
    if (setEncoding(der, size))
        decode();
}

int CAsn1_IA5String::decode() {
    const unsigned char* c;
    uint32_t n;
    if (!contentOf(m_encoding.get(), m_encodingLength, 0x16, c, n))
        return fail();
    try {
        m_value.assign(reinterpret_cast<const char*>(c), n);
    } catch (...) {
        return fail();
    }
    m_asn1Length = n;
    return 1;
}

int CAsn1_IA5String::encode() { return 1; }

// ---- CAsn1_BmpString ----

CAsn1_BmpString::CAsn1_BmpString() { m_asn1Type = 30; }

CAsn1_BmpString::CAsn1_BmpString(const unsigned char* der, unsigned int size) {
    m_asn1Type = 30;
    if (setEncoding(der, size))
        decode();
}

int CAsn1_BmpString::decode() {
    const unsigned char* c;
    uint32_t n;
    if (!contentOf(m_encoding.get(), m_encodingLength, 0x1E, c, n) || (n & 1))
        return fail();
    try {
        std::wstring wide;
        for (uint32_t i = 0; i + 1 < n; i += 2) {
            uint32_t u = (static_cast<uint32_t>(c[i]) << 8) | c[i + 1];
            if (u >= 0xD800 && u <= 0xDBFF && i + 3 < n) {
                const uint32_t low = (static_cast<uint32_t>(c[i + 2]) << 8) | c[i + 3];
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            wide.push_back(static_cast<wchar_t>(u));
        }
        m_value = UtfConverter::ToUtf8(wide);
    } catch (const std::exception&) {
        return fail();
    }
    m_asn1Length = n;
    return 1;
}

int CAsn1_BmpString::encode() { return 1; }
