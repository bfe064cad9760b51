// CCertHandler: fills certificate entries and offers the helpers they use.
#ifndef VN_CERTHANDLER_H
#define VN_CERTHANDLER_H

#include <log4cxx/logger.h>

#include "vn_export.h"

class VN_EXPORT CCertHandler {
public:
    CCertHandler();
    ~CCertHandler();

    // Digest of data with the library's digests: algorithm 0 SHA-1, 1 SHA-256,
    // 2 SHA-384, 3 SHA-512, 4 MD5, 5 RIPEMD-160 into out (at least 64 bytes) and its
    // length into *outLength (20, 32, 48, 64, 16 or 20). Another algorithm writes
    // nothing. Returns 0.
    int HashBlob(unsigned char* data, unsigned int length, int algorithm, unsigned char* out, int* outLength);

    static log4cxx::LoggerPtr m_logger;
};

#endif
