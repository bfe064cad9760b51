// UtfConverter over the UTF-32 / UTF-8 conversion routines.
#include "asn1/UtfConverter.h"

#include <stdexcept>
#include <vector>

#include "asn1/ConvertUTF.h"

static_assert(sizeof(wchar_t) == sizeof(UTF32), "wchar_t holds one UTF-32 code unit");

std::string UtfConverter::ToUtf8(const std::wstring& wide) {
    std::string out(wide.size() * 4, '\0');
    const UTF32* s = reinterpret_cast<const UTF32*>(wide.data());
    UTF8* begin = reinterpret_cast<UTF8*>(&out[0]);
    UTF8* t = begin;
    if (ConvertUTF32toUTF8(&s, s + wide.size(), &t, t + out.size(), strictConversion) != conversionOK)
        throw std::runtime_error("illegal UTF-32 text");
    out.resize(static_cast<size_t>(t - begin));
    return out;
}

std::wstring UtfConverter::FromUtf8(const std::string& utf8) {
    std::vector<UTF32> buf(utf8.size() + 1);
    const UTF8* s = reinterpret_cast<const UTF8*>(utf8.data());
    UTF32* t = buf.data();
    if (ConvertUTF8toUTF32(&s, s + utf8.size(), &t, t + buf.size(), strictConversion) != conversionOK)
        throw std::runtime_error("illegal UTF-8 text");
    return std::wstring(reinterpret_cast<const wchar_t*>(buf.data()), static_cast<size_t>(t - buf.data()));
}
