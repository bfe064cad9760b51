// Feeds arbitrary bytes as a timestamp service's answer to a SHA-256 request whose digest and
// nonce are fixed, so that answers made for that request can reach every check.
#include <string.h>

#include <cstdint>

#include "TimeStampSSL.h"

namespace {
const int kSha256NoncePosition = 15 + 9 + 32 + 2;  // content of the nonce INTEGER
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static unsigned char digest[32];
    for (int i = 0; i < 32; ++i)
        digest[i] = static_cast<unsigned char>(i + 1);
    CTimeStampSSL ts("", digest, sizeof(digest), 1);
    if (ts.buildRequest() != 0)
        return 0;
    for (int i = 0; i < 8; ++i)
        ts.addValue(kSha256NoncePosition + i, static_cast<unsigned char>(i + 1));
    ts.response.assign(data, data + size);
    ts.responseLength = static_cast<uint32_t>(size);
    const bool ok = ts.extractTimestamp();
    // A token is only ever a part of the answer.
    if (ok &&
        (ts.token.empty() || ts.token.size() > size || memmem(data, size, ts.token.data(), ts.token.size()) == nullptr))
        __builtin_trap();
    if (!ok && !ts.token.empty())
        __builtin_trap();
    return 0;
}
