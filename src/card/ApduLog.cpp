// Masking of secrets in APDU dumps.
#include "ApduLog.h"

#include <cstddef>

namespace {
bool carriesPin(unsigned char ins) { return ins == 0x20 || ins == 0x24 || ins == 0x2C; }
}  // namespace

std::vector<unsigned char> vn_mask_command(const std::vector<unsigned char>& command) {
    std::vector<unsigned char> out = command;
    if (out.size() <= 5 || !carriesPin(out[1]))
        return out;
    // Extended lengths start with 00 after the header: the data begins after 3 length bytes.
    size_t start = (out[4] == 0x00 && out.size() > 7) ? 7 : 5;
    for (size_t i = start; i < out.size(); ++i)
        out[i] = kMaskByte;
    return out;
}

std::vector<unsigned char> vn_mask_pinpad(const unsigned char* data, unsigned long length, unsigned long headLength) {
    std::vector<unsigned char> out(data, data + length);
    for (unsigned long i = headLength + 5; i < length; ++i)
        out[i] = kMaskByte;
    return out;
}
