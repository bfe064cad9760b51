// Value of one hexadecimal digit, shared by the hex text readers of all layers.
#ifndef VN_INFRA_HEXDIGIT_H
#define VN_INFRA_HEXDIGIT_H

namespace vnhex {

// 0..15 for 0-9, a-f and A-F; -1 for any other character.
inline int digitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace vnhex

#endif
