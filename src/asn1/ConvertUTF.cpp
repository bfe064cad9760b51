// UTF-8 / UTF-16 / UTF-32 conversions, one code point at a time.
#include "asn1/ConvertUTF.h"

namespace {

const UTF32 Replacement = 0xFFFD;
const UTF32 MaxLegal = 0x10FFFF;

bool isSurrogate(UTF32 c) { return c >= 0xD800 && c <= 0xDFFF; }

// Length of the UTF-8 sequence that starts with b, 0 for a byte that cannot start one.
int utf8Length(UTF8 b) {
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        return 2;
    if (b >= 0xE0 && b <= 0xEF)
        return 3;
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    return 0;
}

// Decodes one UTF-8 sequence. Returns sourceExhausted when it is cut, sourceIllegal when
// it is malformed (then n is the number of bytes to skip).
ConversionResult decode8(const UTF8* s, const UTF8* end, UTF32& c, int& n) {
    n = utf8Length(s[0]);
    if (n == 0) {
        n = 1;
        return sourceIllegal;
    }
    if (end - s < n)
        return sourceExhausted;
    if (!isLegalUTF8Sequence(s, s + n)) {
        n = 1;
        return sourceIllegal;
    }
    static const UTF8 firstMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    c = s[0] & firstMask[n];
    for (int i = 1; i < n; ++i)
        c = (c << 6) | (s[i] & 0x3F);
    return conversionOK;
}

int encode8(UTF32 c, UTF8* out) {
    if (c < 0x80) {
        out[0] = static_cast<UTF8>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<UTF8>(0xC0 | (c >> 6));
        out[1] = static_cast<UTF8>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<UTF8>(0xE0 | (c >> 12));
        out[1] = static_cast<UTF8>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<UTF8>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<UTF8>(0xF0 | (c >> 18));
    out[1] = static_cast<UTF8>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<UTF8>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<UTF8>(0x80 | (c & 0x3F));
    return 4;
}

// Decodes one code point from UTF-16.
ConversionResult decode16(const UTF16* s, const UTF16* end, UTF32& c, int& n, ConversionFlags flags) {
    n = 1;
    c = s[0];
    if (c >= 0xD800 && c <= 0xDBFF) {
        if (end - s < 2)
            return sourceExhausted;
        if (s[1] >= 0xDC00 && s[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[1] - 0xDC00);
            n = 2;
            return conversionOK;
        }
    }
    if (isSurrogate(c)) {
        if (flags == strictConversion)
            return sourceIllegal;
        c = Replacement;
    }
    return conversionOK;
}

// Checks a code point read from UTF-32 input.
ConversionResult check32(UTF32& c, ConversionFlags flags) {
    if (c > MaxLegal || isSurrogate(c)) {
        if (flags == strictConversion)
            return sourceIllegal;
        c = Replacement;
    }
    return conversionOK;
}

// Reads one code point from a buffer of UTF-8, UTF-16 or UTF-32 units; n is the number of
// units it took. Malformed input is refused (strict) or read as U+FFFD (lenient).
ConversionResult readUnit(const UTF8* s, const UTF8* end, UTF32& c, int& n, ConversionFlags flags) {
    const ConversionResult d = decode8(s, end, c, n);
    if (d != sourceIllegal)
        return d;
    if (flags == strictConversion)
        return d;
    c = Replacement;
    return conversionOK;
}

ConversionResult readUnit(const UTF16* s, const UTF16* end, UTF32& c, int& n, ConversionFlags flags) {
    return decode16(s, end, c, n, flags);
}

ConversionResult readUnit(const UTF32* s, const UTF32*, UTF32& c, int& n, ConversionFlags flags) {
    c = *s;
    n = 1;
    return check32(c, flags);
}

// Writes code point c into out (room for 4 units); returns the number of units.
int writeUnit(UTF32 c, UTF8* out) { return encode8(c, out); }

int writeUnit(UTF32 c, UTF16* out) {
    if (c < 0x10000) {
        out[0] = static_cast<UTF16>(c);
        return 1;
    }
    out[0] = static_cast<UTF16>(0xD800 + ((c - 0x10000) >> 10));
    out[1] = static_cast<UTF16>(0xDC00 + ((c - 0x10000) & 0x3FF));
    return 2;
}

int writeUnit(UTF32 c, UTF32* out) {
    out[0] = c;
    return 1;
}

// The conversion loop shared by all pairs of encodings. A UTF-32 target takes one unit a
// code point, so a full one is reported before the next code point is read.
template <class Src, class Dst>
ConversionResult convert(const Src** sourceStart, const Src* sourceEnd, Dst** targetStart, Dst* targetEnd,
                         ConversionFlags flags) {
    const Src* s = *sourceStart;
    Dst* t = *targetStart;
    ConversionResult r = conversionOK;
    while (s < sourceEnd) {
        if (sizeof(Dst) == sizeof(UTF32) && t >= targetEnd) {
            r = targetExhausted;
            break;
        }
        UTF32 c = 0;
        int n = 0;
        if ((r = readUnit(s, sourceEnd, c, n, flags)) != conversionOK)
            break;
        Dst buf[4];
        const int m = writeUnit(c, buf);
        if (targetEnd - t < m) {
            r = targetExhausted;
            break;
        }
        for (int i = 0; i < m; ++i)
            *t++ = buf[i];
        s += n;
    }
    *sourceStart = s;
    *targetStart = t;
    return r;
}

}  // namespace

bool isLegalUTF8Sequence(const UTF8* source, const UTF8* sourceEnd) {
    if (source >= sourceEnd)
        return false;
    const int n = utf8Length(source[0]);
    if (n == 0 || sourceEnd - source != n)
        return false;
    for (int i = 1; i < n; ++i)
        if ((source[i] & 0xC0) != 0x80)
            return false;
    if (n >= 3) {
        const UTF8 a = source[0], b = source[1];
        if (a == 0xE0 && b < 0xA0)
            return false;  // overlong
        if (a == 0xED && b > 0x9F)
            return false;  // surrogate
        if (a == 0xF0 && b < 0x90)
            return false;  // overlong
        if (a == 0xF4 && b > 0x8F)
            return false;  // above U+10FFFF
    }
    return true;
}

ConversionResult ConvertUTF32toUTF8(const UTF32** sourceStart, const UTF32* sourceEnd, UTF8** targetStart,
                                    UTF8* targetEnd, ConversionFlags flags) {
    return convert(sourceStart, sourceEnd, targetStart, targetEnd, flags);
}

ConversionResult ConvertUTF8toUTF32(const UTF8** sourceStart, const UTF8* sourceEnd, UTF32** targetStart,
                                    UTF32* targetEnd, ConversionFlags flags) {
    return convert(sourceStart, sourceEnd, targetStart, targetEnd, flags);
}

ConversionResult ConvertUTF32toUTF16(const UTF32** sourceStart, const UTF32* sourceEnd, UTF16** targetStart,
                                     UTF16* targetEnd, ConversionFlags flags) {
    return convert(sourceStart, sourceEnd, targetStart, targetEnd, flags);
}

ConversionResult ConvertUTF16toUTF32(const UTF16** sourceStart, const UTF16* sourceEnd, UTF32** targetStart,
                                     UTF32* targetEnd, ConversionFlags flags) {
    return convert(sourceStart, sourceEnd, targetStart, targetEnd, flags);
}

ConversionResult ConvertUTF16toUTF8(const UTF16** sourceStart, const UTF16* sourceEnd, UTF8** targetStart,
                                    UTF8* targetEnd, ConversionFlags flags) {
    return convert(sourceStart, sourceEnd, targetStart, targetEnd, flags);
}

ConversionResult ConvertUTF8toUTF16(const UTF8** sourceStart, const UTF8* sourceEnd, UTF16** targetStart,
                                    UTF16* targetEnd, ConversionFlags flags) {
    return convert(sourceStart, sourceEnd, targetStart, targetEnd, flags);
}
