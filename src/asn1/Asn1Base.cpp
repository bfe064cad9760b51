// CAsn1Base: the owned encoding, the cursor and the length writer.
#include <cstring>
#include <new>

#include "Asn1Base.h"

CAsn1Base::~CAsn1Base() = default;

int CAsn1Base::getError() const { return m_error; }
unsigned int CAsn1Base::getAsn1Type() const { return m_asn1Type; }
unsigned int CAsn1Base::getAsn1Length() const { return m_asn1Length; }
unsigned char* CAsn1Base::getDER() const { return m_encoding.get(); }
unsigned int CAsn1Base::getDERlength() const { return m_encodingLength; }

bool CAsn1Base::setEncoding(const unsigned char* data, size_t length) {
    clearEncoding();
    if (!data || length == 0 || length > UINT32_MAX) {
        m_error = ASN1_DECODE_ERROR;
        return false;
    }
    m_encoding.reset(new (std::nothrow) unsigned char[length]);
    if (!m_encoding) {
        m_error = ASN1_DECODE_ERROR;
        return false;
    }
    std::memcpy(m_encoding.get(), data, length);
    m_encodingLength = static_cast<unsigned int>(length);
    resetPosition();
    return true;
}

void CAsn1Base::setEncoding(const std::vector<unsigned char>& der) { setEncoding(der.data(), der.size()); }

void CAsn1Base::clearEncoding() {
    m_encoding.reset();
    m_encodingLength = 0;
    m_cursor = DBs();
}

int CAsn1Base::fail() {
    m_error = ASN1_DECODE_ERROR;
    return 0;
}

bool CAsn1Base::encodingHeader(unsigned char tag, Asn1Header& h) const {
    return m_encoding && m_encoding[0] == tag && CASN1::readHeader(m_encoding.get(), m_encodingLength, h);
}

int CAsn1Base::resetPosition() {
    m_cursor.data = m_encoding.get();
    m_cursor.length = m_encodingLength;
    m_cursor.end = m_encoding ? m_encoding.get() + m_encodingLength : nullptr;
    return m_encoding ? 1 : 0;
}

int CAsn1Base::nextItem() {
    const DBs saved = m_cursor;
    if (!m_cursor.data || !CASN1::GetNextItem(m_cursor.data, &m_cursor)) {
        m_cursor = saved;
        return fail();
    }
    return 1;
}

int CAsn1Base::nextSubItem() {
    const DBs saved = m_cursor;
    if (!m_cursor.data || !CASN1::GetNextSubItem(m_cursor.data, &m_cursor)) {
        m_cursor = saved;
        return fail();
    }
    return 1;
}

bool CAsn1Base::cursorHeader(Asn1Header& h) const {
    if (!m_cursor.data || m_cursor.length == 0)
        return false;
    size_t avail = m_cursor.length;
    if (m_cursor.end && m_cursor.end > m_cursor.data && static_cast<size_t>(m_cursor.end - m_cursor.data) < avail)
        avail = static_cast<size_t>(m_cursor.end - m_cursor.data);
    return CASN1::readHeader(m_cursor.data, avail, h);
}

unsigned int CAsn1Base::getItemLen() const { return m_cursor.data ? m_cursor.length : 0; }

unsigned int CAsn1Base::getDataLen() const {
    Asn1Header h;
    return cursorHeader(h) ? h.contentLength : 0;
}

unsigned int CAsn1Base::getContentLen() const { return getDataLen(); }

unsigned char* CAsn1Base::getData() const {
    Asn1Header h;
    return cursorHeader(h) ? m_cursor.data + h.headerLength : nullptr;
}

int CAsn1Base::getEncodingSize(unsigned int length, int mode) {
    if (length < 128)
        return 1;
    if (mode != 0 && mode != 1)
        return 2;
    int n = 0;
    for (unsigned int v = length; v; v >>= 8)
        ++n;
    return n + 1;
}

int CAsn1Base::insertLength(unsigned char* buffer, unsigned int length, int /*unused*/, unsigned char flag, int mode) {
    if (!buffer)
        return 0;
    if (length < 128) {
        buffer[1] = static_cast<unsigned char>(length);
        return 1;
    }
    if (mode != 0 && mode != 1)
        return 2;
    const int n = getEncodingSize(length, mode) - 1;
    buffer[1] = static_cast<unsigned char>(flag | n);
    for (int i = 0; i < n; ++i)
        buffer[2 + i] = static_cast<unsigned char>(length >> (8 * (n - 1 - i)));
    return n + 1;
}

std::vector<std::string> CAsn1Base::Tokenize(const std::string& text, const std::string& delimiters) {
    std::vector<std::string> pieces;
    size_t start = text.find_first_not_of(delimiters);
    while (start != std::string::npos) {
        const size_t stop = text.find_first_of(delimiters, start);
        pieces.push_back(text.substr(start, stop == std::string::npos ? std::string::npos : stop - start));
        start = stop == std::string::npos ? stop : text.find_first_not_of(delimiters, stop);
    }
    return pieces;
}
