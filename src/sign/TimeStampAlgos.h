// Message-imprint algorithms of the timestamp request, by the request's algorithm index.
#ifndef VN_SIGN_TIMESTAMPALGOS_H
#define VN_SIGN_TIMESTAMPALGOS_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "crypto/Algorithms.h"

namespace vn_tsp {

struct ImprintAlgo {
    uint8_t hashLength;
    uint8_t oidLength;
    const uint8_t* oid;  // content bytes of the OBJECT IDENTIFIER
};

// The request's index is the HashBlob index of the SHA digests: 0 SHA-1, 1 SHA-256,
// 2 SHA-384, 3 SHA-512.
const unsigned int kImprintAlgoCount = 4;

// The index the request uses: anything outside the four is SHA-1.
inline uint8_t imprintIndex(unsigned int algo) { return algo < kImprintAlgoCount ? static_cast<uint8_t>(algo) : 0; }

inline ImprintAlgo imprintAlgo(unsigned int algo) {
    const vn_crypto::Algorithm& a = *vn_crypto::algorithm_for_blob_index(imprintIndex(algo));
    return {static_cast<uint8_t>(a.digestLength), static_cast<uint8_t>(vn_crypto::oid_content_length(a)),
            vn_crypto::oid_content(a)};
}

// Fixed request layout (o = OID length, h = hash length): the request is h + o + 28 bytes.
const int kNonceLength = 8;
const int kRequestOverhead = 28;
const int kImprintPosition = 5;  // messageImprint SEQUENCE
inline int imprintTotal(const ImprintAlgo& a) { return a.hashLength + a.oidLength + 10; }
inline int hashPosition(const ImprintAlgo& a) { return 15 + a.oidLength; }
inline int noncePosition(const ImprintAlgo& a) { return 15 + a.oidLength + a.hashLength; }

// Records why the calling thread's timestamp request got no token (TS_REASON_NONE clears it).
void setFailure(int reason, const std::string& text);

}  // namespace vn_tsp

#endif
