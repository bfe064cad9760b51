// UTCTime and GeneralizedTime as display texts.
#include <cstdio>

#include "asn1/Asn1Text.h"

using asn1text::Result;

namespace {
char genTimeBuf[CASN1::ResultSize];
char genTimeDateBuf[CASN1::ResultSize];
char genTimeTimeBuf[CASN1::ResultSize];
char genTimeRawBuf[CASN1::ResultSize];

struct TimeFields {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Copies the content of a time item and parses it. A UTCTime is recognised by its tag, or
// for other tags by the total of 15 bytes of the DER UTCTime; anything else is read as
// GeneralizedTime. withClock also reads hour, minute and second.
bool parseTime(const unsigned char* item, uint32_t total, bool withClock, TimeFields& t) {
    const unsigned char* c;
    uint32_t n;
    if (!asn1text::content(item, total, c, n) || n >= 64)
        return false;
    char text[64] = {0};
    std::memcpy(text, c, n);
    const bool utc = item[0] == 0x17 || (item[0] != 0x18 && total == 15);
    int got;
    if (withClock)
        got = std::sscanf(text, utc ? "%2d%2d%2d%2d%2d%2dZ" : "%4d%2d%2d%2d%2d%2dZ", &t.year, &t.month, &t.day, &t.hour,
                          &t.minute, &t.second);
    else
        got = std::sscanf(text, utc ? "%2d%2d%2d" : "%4d%2d%2d", &t.year, &t.month, &t.day);
    if (got != (withClock ? 6 : 3))
        return false;
    if (utc)
        t.year += t.year > 49 ? 1900 : 2000;
    return true;
}

char* dateText(char* buf, const unsigned char* item, uint32_t total, const char* format) {
    Result r(buf);
    TimeFields t;
    if (!parseTime(item, total, false, t))
        return r.fail();
    char text[64];
    const int n = std::snprintf(text, sizeof(text), format, t.day, t.month, t.year);
    if (n < 0 || n >= static_cast<int>(sizeof(text)) || !r.append(text, static_cast<size_t>(n)))
        return r.fail();
    return r.get();
}
}  // namespace

char* CASN1::getGenTime(const unsigned char* item, uint32_t total) {
    return dateText(genTimeBuf, item, total, "%02d.%02d.%04d");
}

char* CASN1::getGenTimeDate(const unsigned char* item, uint32_t total) {
    return dateText(genTimeDateBuf, item, total, "%02d.%02d.%04d");
}

char* CASN1::getGenTimeTime(const unsigned char* item, uint32_t total) {
    return dateText(genTimeTimeBuf, item, total, "%02d:%02d:%04d");
}

char* CASN1::getGenTimeRaw(const unsigned char* item, uint32_t total) {
    Result r(genTimeRawBuf);
    TimeFields t;
    if (!parseTime(item, total, true, t))
        return r.fail();
    char text[96];
    const int n = std::snprintf(text, sizeof(text), "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour,
                                t.minute, t.second);
    if (n < 0 || n >= static_cast<int>(sizeof(text)) || !r.append(text, static_cast<size_t>(n)))
        return r.fail();
    return r.get();
}
