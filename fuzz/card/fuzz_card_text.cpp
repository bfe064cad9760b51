// Feeds arbitrary bytes to the card layer's text and byte parsers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "PinObj.h"
#include "SCTools.h"
#include "SC_Profile_Base.h"
#include "card/ApduLog.h"
#include "card/AtrMatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string half = text.substr(0, size / 2);
    std::string rest = text.substr(size / 2);

    vn_match_atr(text, false);
    SCTools::getLenHex(text);
    SCTools::getMaskedAtr(half, rest);

    std::string cstr(text.c_str());  // up to the first NUL
    std::vector<char> buf(cstr.begin(), cstr.end());
    buf.push_back('\0');
    unsigned char out[256];
    unsigned short len = sizeof(out);
    CPinObj::ConvertPath(buf.data(), out, len);
    len = 0;
    if (cstr.size() <= 2 * sizeof(out))
        CSC_Profile_Base::str2hex(buf.data(), out, &len);
    len = sizeof(out);
    CSC_Profile_Base::str2hex(buf.data(), out, &len);

    std::vector<unsigned char> bytes(data, data + size);
    vn_mask_command(bytes);
    if (size >= 19)
        vn_mask_pinpad(bytes.data(), bytes.size(), 19);
    return 0;
}
