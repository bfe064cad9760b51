// UTCTime and GeneralizedTime objects.
#include <sys/timeb.h>

#include <cstdio>
#include <ctime>

#include "Asn1Base.h"
#include "asn1/Asn1Text.h"

// ---- CAsn1_UtcTime ----

CAsn1_UtcTime::CAsn1_UtcTime() {
    m_asn1Type = 23;
    encode();
}

CAsn1_UtcTime::CAsn1_UtcTime(const unsigned char* der, unsigned int size) {
    m_asn1Type = 23;
    if (setEncoding(der, size))
        decode();
}

CAsn1_UtcTime::CAsn1_UtcTime(const std::string& text) : m_time(CAsn1Helper::getUTCTime(text)) {
    m_asn1Type = 23;
    encode();
}

CAsn1_UtcTime::CAsn1_UtcTime(long seconds) : m_time(seconds) {
    m_asn1Type = 23;
    encode();
}

CAsn1_UtcTime::CAsn1_UtcTime(int seconds) : m_time(seconds) {
    m_asn1Type = 23;
    encode();
}

CAsn1_UtcTime::CAsn1_UtcTime(const timeb* tb) : m_time(tb ? static_cast<long>(tb->time) : 0) {
    m_asn1Type = 23;
    encode();
}

int CAsn1_UtcTime::decode() {
    const unsigned char* c;
    uint32_t n;
    if (!m_encoding || m_encoding[0] != 0x17 || !asn1text::content(m_encoding.get(), m_encodingLength, c, n) || n > 64)
        return fail();
    m_time = CAsn1Helper::getUTCTime(std::string(reinterpret_cast<const char*>(c), n));
    m_asn1Length = n;
    return 1;
}

int CAsn1_UtcTime::encode() {
    m_error = 0;
    const time_t t = static_cast<time_t>(m_time);
    struct tm tm {};
    if (!gmtime_r(&t, &tm))
        return fail();
    char text[32];
    if (std::strftime(text, sizeof(text), "%y%m%d%H%M%SZ", &tm) != 13)
        return fail();
    unsigned char der[15] = {0x17, 0x0D};
    std::memcpy(der + 2, text, 13);
    setEncoding(der, sizeof(der));
    return decode();
}

// ---- CAsn1_GeneralizedTime ----

CAsn1_GeneralizedTime::CAsn1_GeneralizedTime() { m_asn1Type = 24; }

CAsn1_GeneralizedTime::CAsn1_GeneralizedTime(const unsigned char* der, unsigned int size) {
    m_asn1Type = 24;
    if (setEncoding(der, size))
        decode();
}

int CAsn1_GeneralizedTime::decode() {
    Asn1Header h;
    if (!encodingHeader(0x18, h))
        return fail();
    const char* text = CASN1::getGenTimeRaw(m_encoding.get(), m_encodingLength);
    if (!text[0])
        return fail();
    m_value = text;
    m_asn1Length = h.contentLength;
    return 1;
}

int CAsn1_GeneralizedTime::encode() { return 1; }
