// CAsn1Helper: UTCTime text to seconds, hex text to bytes and back.
#include <cctype>
#include <ctime>

#include "Asn1Base.h"
#include "asn1/Asn1Text.h"
#include "infra/HexDigit.h"

namespace {

bool twoDigits(const std::string& s, size_t pos, int& v) {
    if (pos + 2 > s.size() || !std::isdigit(static_cast<unsigned char>(s[pos])) ||
        !std::isdigit(static_cast<unsigned char>(s[pos + 1])))
        return false;
    v = (s[pos] - '0') * 10 + (s[pos + 1] - '0');
    return true;
}

}  // namespace

long CAsn1Helper::getUTCTime(const std::string& text) {
    if (text.size() < 11 || text.size() > 19)
        return 0;
    int yy, mo, dd, hh, mi, ss = 0;
    if (!twoDigits(text, 0, yy) || !twoDigits(text, 2, mo) || !twoDigits(text, 4, dd) || !twoDigits(text, 6, hh) ||
        !twoDigits(text, 8, mi))
        return 0;
    size_t pos = 10;
    if (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        if (!twoDigits(text, pos, ss))
            return 0;
        pos += 2;
    }
    long offset = 0;
    if (pos >= text.size())
        return 0;
    if (text[pos] == 'Z') {
        if (pos + 1 != text.size())
            return 0;
    } else if (text[pos] == '+' || text[pos] == '-') {
        int oh, om;
        if (pos + 5 != text.size() || !twoDigits(text, pos + 1, oh) || !twoDigits(text, pos + 3, om))
            return 0;
        // Local time = UTC + offset, so the offset is taken away to get UTC.
        offset = (text[pos] == '+' ? -1L : 1L) * (oh * 3600L + om * 60L);
    } else {
        return 0;
    }
    if (mo < 1 || mo > 12 || dd < 1 || dd > 31 || hh > 23 || mi > 59 || ss > 60)
        return 0;
    struct tm tm {};
    tm.tm_year = (yy < 50 ? 2000 + yy : 1900 + yy) - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = dd;
    tm.tm_hour = hh;
    tm.tm_min = mi;
    tm.tm_sec = ss;
    const time_t t = timegm(&tm);
    if (t == static_cast<time_t>(-1))
        return 0;
    return static_cast<long>(t) + offset;
}

int CAsn1Helper::str2hex(const std::string& text, unsigned char* out, int& length) {
    std::string digits;
    try {
        digits.reserve(text.size());
        for (char c : text)
            if (c != ' ')
                digits.push_back(c);
    } catch (...) {
        return 0;
    }
    if (digits.size() % 2 != 0)
        return 0;
    for (char c : digits)
        if (vnhex::digitValue(c) < 0)
            return 0;
    length = static_cast<int>(digits.size() / 2);
    if (!out)
        return 1;
    for (size_t i = 0; i < digits.size() / 2; ++i)
        out[i] =
            static_cast<unsigned char>(vnhex::digitValue(digits[2 * i]) << 4 | vnhex::digitValue(digits[2 * i + 1]));
    return 1;
}

void CAsn1Helper::hex2str(const unsigned char* bytes, unsigned int count, std::string& out) {
    try {
        out = bytes ? asn1text::hex(bytes, count) : std::string();
    } catch (...) {
        out.clear();
    }
}
