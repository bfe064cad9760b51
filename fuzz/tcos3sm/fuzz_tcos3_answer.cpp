// Feeds arbitrary bytes as the answer of a protected command. The first 40 bytes, when
// there are that many, are the session keys and counter, so that the fuzzer can also
// reach the deciphering behind a matching checksum.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Tcos3sm.h"
#include "card/tcos/Tcos3Messaging.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t kSession = 16 + 16 + 8;
    if (size >= kSession) {
        std::memcpy(CTcos3sm::m_data.encKey, data, 16);
        std::memcpy(CTcos3sm::m_data.macKey, data + 16, 16);
        std::memcpy(CTcos3sm::m_data.ssc, data + 32, 8);
        data += kSession;
        size -= kSession;
    }
    vn_secret::WipedBytes plain;
    uint16_t status = 0;
    vn_tcos3::unwrap_answer(data, size, plain, status);
    return 0;
}
