// The PKCS#11 2.40 declarations of the module (p11-kit's copy of the standard header)
// and the few helpers every file of the module uses.
#ifndef VN_PKCS11_P11_H
#define VN_PKCS11_P11_H

#include <p11-kit/pkcs11.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vn_p11 {

using Bytes = std::vector<uint8_t>;

// Copies text into a blank-padded PKCS#11 text field of n bytes (cut to fit).
inline void padded(unsigned char* field, size_t n, const std::string& text) {
    std::memset(field, ' ', n);
    std::memcpy(field, text.data(), text.size() < n ? text.size() : n);
}

}  // namespace vn_p11

#endif
