// Random bytes and the 8-byte IV counter of the facade.
#include "SCUtils.h"

#include <openssl/rand.h>

void CSCUtils::GenerateRandom(unsigned char* buffer, int length) {
    if (buffer == nullptr || length <= 0)
        return;
    // The values may end up in protocols, so they come from the cryptographic generator.
    if (RAND_bytes(buffer, length) != 1) {
        LOG4CXX_ERROR(m_logger, "GenerateRandom: RAND_bytes failed");
        for (int i = 0; i < length; ++i)
            buffer[i] = 0;
    }
}

int CSCUtils::incIV(unsigned char* iv) {
    if (iv == nullptr)
        return 0;
    // Big-endian increment; a carry out of the first byte is dropped (all FF becomes all 00).
    for (int i = 7; i >= 0; --i) {
        if (++iv[i] != 0)
            break;
    }
    return 0;
}
