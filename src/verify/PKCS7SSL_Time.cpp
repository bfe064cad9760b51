// Signing time, ASN.1 time conversion and timestamp tokens.
#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "PKCS7SSL.h"
#include "infra/Loggers.h"
#include "verify/PKCS7SSLInternal.h"

using namespace pkcs7ssl;

namespace {

const char* const OID_TSTINFO = "1.2.840.113549.1.9.16.1.4";
constexpr size_t HASH_TEXT = 2 * 256 + 1;
constexpr size_t UTC_MIN = 11;
constexpr size_t UTC_MAX = 17;
constexpr size_t GENERALIZED_MIN = 13;
constexpr int UTC_CENTURY_PIVOT = 50;

char g_timestampHash[HASH_TEXT];

// Reads n decimal digits at text[pos]; false when one is missing.
bool digits(const char* text, size_t length, size_t pos, size_t n, int& out) {
    if (pos + n > length)
        return false;
    out = 0;
    for (size_t i = 0; i < n; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[pos + i])))
            return false;
        out = out * 10 + (text[pos + i] - '0');
    }
    return true;
}

// Seconds since 1970 (UTC) of "YY|YYYY MMDDhh mm [ss] [.fff] [Z|+hhmm|-hhmm]".
long parseTime(const char* text, size_t length, bool generalized) {
    struct tm tm {};
    size_t pos = 0;
    int year = 0;
    if (generalized) {
        if (!digits(text, length, 0, 4, year))
            return 0;
        pos = 4;
    } else {
        if (!digits(text, length, 0, 2, year))
            return 0;
        year += year < UTC_CENTURY_PIVOT ? 2000 : 1900;
        pos = 2;
    }
    int month, day, hour, minute = 0, second = 0;
    if (!digits(text, length, pos, 2, month) || !digits(text, length, pos + 2, 2, day) ||
        !digits(text, length, pos + 4, 2, hour))
        return 0;
    pos += 6;
    if (!digits(text, length, pos, 2, minute))
        return 0;
    pos += 2;
    if (digits(text, length, pos, 2, second))
        pos += 2;
    if (pos < length && (text[pos] == '.' || text[pos] == ',')) {
        ++pos;
        while (pos < length && std::isdigit(static_cast<unsigned char>(text[pos])))
            ++pos;
    }
    long offset = 0;
    if (pos < length && (text[pos] == '+' || text[pos] == '-')) {
        int offHours, offMinutes;
        if (!digits(text, length, pos + 1, 2, offHours) || !digits(text, length, pos + 3, 2, offMinutes))
            return 0;
        offset = (text[pos] == '+' ? 1 : -1) * (offHours * 3600L + offMinutes * 60L);
    } else if (pos < length && text[pos] != 'Z') {
        return 0;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return 0;
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    const time_t t = timegm(&tm);
    // A local time ahead of UTC by the offset: UTC is the local time minus the offset.
    return t == static_cast<time_t>(-1) ? 0 : static_cast<long>(t) - offset;
}

}  // namespace

long CPKCS7SSL::getTimeFromASN1(ASN1_TIME* time) {
    VN_TRACE_ENTER(m_logger, "getTimeFromASN1");
    if (!time)
        return 0;
    const char* text = reinterpret_cast<const char*>(ASN1_STRING_get0_data(time));
    const size_t length = static_cast<size_t>(ASN1_STRING_length(time));
    if (!text)
        return 0;
    if (ASN1_STRING_type(time) == V_ASN1_UTCTIME && length >= UTC_MIN && length <= UTC_MAX)
        return parseTime(text, length, false);
    if (ASN1_STRING_type(time) == V_ASN1_GENERALIZEDTIME && length >= GENERALIZED_MIN)
        return parseTime(text, length, true);
    return 0;
}

long CPKCS7SSL::GetSigningTime(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "GetSigningTime");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    PKCS7_SIGNER_INFO* si = signerInfo(p7.get(), 0);
    ASN1_TYPE* value = si ? PKCS7_get_signed_attribute(si, NID_pkcs9_signingTime) : nullptr;
    if (!value || (value->type != V_ASN1_UTCTIME && value->type != V_ASN1_GENERALIZEDTIME))
        return 0;
    return getTimeFromASN1(value->type == V_ASN1_UTCTIME ? value->value.utctime : value->value.generalizedtime);
}

int CPKCS7SSL::IsTimestamp(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "IsTimestamp");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    if (!p7 || !p7->d.sign->contents)
        return 0;
    return strcasecmp(oidText(p7->d.sign->contents->type).c_str(), OID_TSTINFO) == 0 ? 1 : 0;
}

char* CPKCS7SSL::GetTimestampHash(unsigned char* blob, unsigned int length, unsigned int* textLength) {
    VN_TRACE_ENTER(m_logger, "GetTimestampHash");
    std::memset(g_timestampHash, 0, sizeof g_timestampHash);
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    unsigned int n = 0;
    unsigned char* hash = p7 ? signerHash(p7.get(), &n) : nullptr;
    if (!hash)
        return nullptr;
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned int i = 0; i < n && 2 * i + 2 < sizeof g_timestampHash; ++i) {
        g_timestampHash[2 * i] = hex[hash[i] >> 4];
        g_timestampHash[2 * i + 1] = hex[hash[i] & 0x0F];
    }
    std::free(hash);
    if (textLength)
        *textLength = static_cast<unsigned int>(std::strlen(g_timestampHash));
    return g_timestampHash;
}

int CPKCS7SSL::GetTimestampBlob(unsigned char*, unsigned int, unsigned char*, unsigned int*) {
    VN_TRACE_ENTER(m_logger, "GetTimestampBlob");
    return NOT_FOUND;
}
