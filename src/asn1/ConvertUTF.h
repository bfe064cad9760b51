// Conversions between UTF-8, UTF-16 and UTF-32 buffers. Each routine reads from
// *sourceStart up to sourceEnd, writes from *targetStart up to targetEnd and advances both
// pointers past what it converted. strictConversion refuses unpaired surrogates and code
// points above U+10FFFF; lenientConversion replaces them by U+FFFD.
#ifndef VN_ASN1_CONVERTUTF_H
#define VN_ASN1_CONVERTUTF_H

#include <cstdint>

typedef uint32_t UTF32;
typedef uint16_t UTF16;
typedef uint8_t UTF8;

enum ConversionResult { conversionOK, sourceExhausted, targetExhausted, sourceIllegal };
enum ConversionFlags { strictConversion = 0, lenientConversion };

ConversionResult ConvertUTF32toUTF8(const UTF32** sourceStart, const UTF32* sourceEnd, UTF8** targetStart,
                                    UTF8* targetEnd, ConversionFlags flags);
ConversionResult ConvertUTF8toUTF32(const UTF8** sourceStart, const UTF8* sourceEnd, UTF32** targetStart,
                                    UTF32* targetEnd, ConversionFlags flags);
ConversionResult ConvertUTF32toUTF16(const UTF32** sourceStart, const UTF32* sourceEnd, UTF16** targetStart,
                                     UTF16* targetEnd, ConversionFlags flags);
ConversionResult ConvertUTF16toUTF32(const UTF16** sourceStart, const UTF16* sourceEnd, UTF32** targetStart,
                                     UTF32* targetEnd, ConversionFlags flags);
ConversionResult ConvertUTF16toUTF8(const UTF16** sourceStart, const UTF16* sourceEnd, UTF8** targetStart,
                                    UTF8* targetEnd, ConversionFlags flags);
ConversionResult ConvertUTF8toUTF16(const UTF8** sourceStart, const UTF8* sourceEnd, UTF16** targetStart,
                                    UTF16* targetEnd, ConversionFlags flags);
// True when the length bytes at source form one well-formed UTF-8 sequence.
bool isLegalUTF8Sequence(const UTF8* source, const UTF8* sourceEnd);

#endif
