// Bounded C-string helpers and small text conversions used at the interface.
#ifndef VN_SAFEMEM_H
#define VN_SAFEMEM_H

#include <cwchar>
#include <string>
#include "vn_export.h"

class VN_EXPORT CSafeMem {
public:
    // Clears dst (size bytes) and copies at most size - 1 characters of src.
    static char* strcpy(char* dst, int size, const char* src);
    static wchar_t* wcscpy(wchar_t* dst, int size, const wchar_t* src);
    // Copies n characters when src fits into size bytes, else n - 1; always terminates.
    static char* strncpy(char* dst, int size, char* src, int n);
    // Appends only when the result fits; otherwise dst stays unchanged.
    static char* strcat(char* dst, int size, const char* src);
    // Formats into at most size bytes (always terminated); returns what vsnprintf returns.
    static int sprintf(char* dst, int size, const char* format, ...) __attribute__((format(printf, 3, 4)));
};

// Two upper-case hexadecimal digits per byte into out (2 * count + 1 bytes); returns out.
VN_EXPORT char* BytesToStr(unsigned int count, const unsigned char* bytes, char* out);

// value in radix 2 to 16 (digits "0123456789abcdef"); a leading '-' only for negative
// values in radix 10, other radices print the 32-bit two's complement; any other radix
// yields the empty string. buffer must hold 34 bytes. Returns buffer.
VN_EXPORT char* itoa(int value, char* buffer, int radix);

namespace strTools {
// Card path normaliser: upper case, '/' separators removed ("3f00/5015" -> "3F005015").
VN_EXPORT std::string uniformPath(const std::string& path);
}  // namespace strTools

#endif
