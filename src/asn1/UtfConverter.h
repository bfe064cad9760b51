// Wide text (32-bit characters) to UTF-8 and back, strict: an illegal sequence throws
// std::runtime_error. The exception never leaves the library: every caller catches it.
#ifndef VN_ASN1_UTFCONVERTER_H
#define VN_ASN1_UTFCONVERTER_H

#include <string>

class UtfConverter {
public:
    static std::string ToUtf8(const std::wstring& wide);
    static std::wstring FromUtf8(const std::string& utf8);
};

#endif
