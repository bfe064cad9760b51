// Tag bytes of the DER items the library reads and writes by hand (X.690): the universal
// types, and the context-specific tags [0] to [4] in their constructed and primitive forms.
// Files give a context tag their own name for what it marks (TAG_CRLS = TAG_CONTEXT_1).
#ifndef VN_ASN1_DERTAGS_H
#define VN_ASN1_DERTAGS_H

#include <cstdint>

namespace vn_der {

constexpr uint8_t TAG_BOOLEAN = 0x01;
constexpr uint8_t TAG_INTEGER = 0x02;
constexpr uint8_t TAG_OCTETSTRING = 0x04;
constexpr uint8_t TAG_NULL = 0x05;
constexpr uint8_t TAG_OID = 0x06;
constexpr uint8_t TAG_UTCTIME = 0x17;
constexpr uint8_t TAG_GENERALIZEDTIME = 0x18;
constexpr uint8_t TAG_SEQUENCE = 0x30;
constexpr uint8_t TAG_SET = 0x31;

// Constructed [n]: every EXPLICIT tag, and IMPLICIT tags of constructed types.
constexpr uint8_t TAG_CONTEXT_0 = 0xA0;
constexpr uint8_t TAG_CONTEXT_1 = 0xA1;
constexpr uint8_t TAG_CONTEXT_2 = 0xA2;
constexpr uint8_t TAG_CONTEXT_3 = 0xA3;
constexpr uint8_t TAG_CONTEXT_4 = 0xA4;
// Primitive [0]: IMPLICIT tags of primitive types.
constexpr uint8_t TAG_CONTEXT_PRIMITIVE_0 = 0x80;

}  // namespace vn_der

#endif
