// Bounded string helpers: nothing is ever written past the size given by the caller.
#include "SafeMem.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

char* CSafeMem::strcpy(char* dst, int size, const char* src) {
    if (dst == nullptr || size <= 0)
        return dst;
    memset(dst, 0, static_cast<size_t>(size));
    if (src == nullptr)
        return dst;
    size_t n = strnlen(src, static_cast<size_t>(size - 1));
    memcpy(dst, src, n);
    return dst;
}

wchar_t* CSafeMem::wcscpy(wchar_t* dst, int size, const wchar_t* src) {
    if (dst == nullptr || size <= 0)
        return dst;
    wmemset(dst, 0, static_cast<size_t>(size));
    if (src == nullptr)
        return dst;
    size_t n = wcsnlen(src, static_cast<size_t>(size - 1));
    wmemcpy(dst, src, n);
    return dst;
}

char* CSafeMem::strncpy(char* dst, int size, char* src, int n) {
    if (dst == nullptr || size <= 0)
        return dst;
    if (src == nullptr || n <= 0) {
        dst[0] = '\0';
        return dst;
    }
    bool fits = strnlen(src, static_cast<size_t>(size)) < static_cast<size_t>(size);
    size_t count = static_cast<size_t>(fits ? n : n - 1);
    // Never more than the source holds, never past the destination's terminator.
    count = std::min({count, strnlen(src, static_cast<size_t>(n)), static_cast<size_t>(size - 1)});
    memcpy(dst, src, count);
    dst[count] = '\0';
    return dst;
}

char* CSafeMem::strcat(char* dst, int size, const char* src) {
    if (dst == nullptr || size <= 0 || src == nullptr)
        return dst;
    size_t have = strnlen(dst, static_cast<size_t>(size));
    size_t add = strlen(src);
    if (have + add + 1 > static_cast<size_t>(size))
        return dst;
    memcpy(dst + have, src, add + 1);
    return dst;
}

int CSafeMem::sprintf(char* dst, int size, const char* format, ...) {
    if (dst == nullptr || size <= 0 || format == nullptr)
        return -1;
    va_list args;
    va_start(args, format);
    int written = vsnprintf(dst, static_cast<size_t>(size), format, args);
    va_end(args);
    return written;
}

char* BytesToStr(unsigned int count, const unsigned char* bytes, char* out) {
    static const char kHex[] = "0123456789ABCDEF";
    if (out == nullptr)
        return out;
    unsigned int i = 0;
    for (; bytes != nullptr && i < count; ++i) {
        out[2 * i] = kHex[bytes[i] >> 4];
        out[2 * i + 1] = kHex[bytes[i] & 0x0F];
    }
    out[2 * i] = '\0';
    return out;
}

char* itoa(int value, char* buffer, int radix) {
    static const char kDigits[] = "0123456789abcdef";
    if (buffer == nullptr)
        return buffer;
    buffer[0] = '\0';
    if (radix < 2 || radix > 16)
        return buffer;
    bool negative = radix == 10 && value < 0;
    // Work on the unsigned magnitude so that INT_MIN needs no special case.
    unsigned int magnitude = negative ? 0u - static_cast<unsigned int>(value) : static_cast<unsigned int>(value);
    char digits[33];
    int n = 0;
    do {
        digits[n++] = kDigits[magnitude % static_cast<unsigned int>(radix)];
        magnitude /= static_cast<unsigned int>(radix);
    } while (magnitude != 0);
    int pos = 0;
    if (negative)
        buffer[pos++] = '-';
    while (n > 0)
        buffer[pos++] = digits[--n];
    buffer[pos] = '\0';
    return buffer;
}

std::string strTools::uniformPath(const std::string& path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path)
        if (c != '/')
            out += static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return out;
}
