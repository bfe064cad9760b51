// Message-imprint algorithms of the timestamp request, by the request's algorithm index.
#ifndef VN_SIGN_TIMESTAMPALGOS_H
#define VN_SIGN_TIMESTAMPALGOS_H

#include <cstddef>
#include <cstdint>

namespace vn_tsp {

struct ImprintAlgo {
    uint8_t hashLength;
    uint8_t oidLength;
    uint8_t oid[9];  // content bytes of the OBJECT IDENTIFIER
};

// Index 0 SHA-1, 1 SHA-256, 2 SHA-384, 3 SHA-512.
const ImprintAlgo kImprintAlgos[] = {
    {20, 5, {0x2B, 0x0E, 0x03, 0x02, 0x1A}},
    {32, 9, {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01}},
    {48, 9, {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x02}},
    {64, 9, {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x03}},
};
const size_t kImprintAlgoCount = sizeof(kImprintAlgos) / sizeof(kImprintAlgos[0]);

// The index the request uses: anything outside the table is SHA-1.
inline uint8_t imprintIndex(unsigned int algo) { return algo < kImprintAlgoCount ? static_cast<uint8_t>(algo) : 0; }

// Fixed request layout (o = OID length, h = hash length): the request is h + o + 28 bytes.
const int kNonceLength = 8;
const int kRequestOverhead = 28;
const int kImprintPosition = 5;  // messageImprint SEQUENCE
inline int imprintTotal(const ImprintAlgo& a) { return a.hashLength + a.oidLength + 10; }
inline int hashPosition(const ImprintAlgo& a) { return 15 + a.oidLength; }
inline int noncePosition(const ImprintAlgo& a) { return 15 + a.oidLength + a.hashLength; }

}  // namespace vn_tsp

#endif
