// Static hashing helpers: digest by algorithm identifier as hex text or binary, and the
// translation between algorithm OIDs, identifiers and names.
//
// Identifiers of calculateHash, calculateHashBin, getHashAlgo and getHashAlgoName:
//   0 unknown, 1 SHA-1, 2 RIPEMD-160, 3 MD5, 4 SHA-256, 5 SHA-384, 6 SHA-512.
// Index of HashBlob: 0 SHA-1, 1 SHA-256, 2 SHA-384, 3 SHA-512, 4 MD5, 5 RIPEMD-160.
#ifndef VN_HASHSSL_H
#define VN_HASHSSL_H

#include <log4cxx/logger.h>

#include <cstdint>
#include "vn_export.h"

class VN_EXPORT CHashSSL {
public:
    CHashSSL() = delete;

    // Upper-case hex text ("%02X" per byte) of the digest, in a static buffer of 257
    // bytes cleared at each call. Empty text for id 0, an unknown id, or null data
    // with a non-zero length.
    static char* calculateHash(unsigned char* data, uint32_t length, int id);
    // The binary digest in a static buffer of 128 bytes cleared at each call; its length
    // goes to *digestLength. For an unknown id (or null data with a non-zero length)
    // the buffer stays zero and *digestLength is not written.
    static unsigned char* calculateHashBin(unsigned char* data, uint32_t length, int id, unsigned int* digestLength);
    // OID text to identifier (exact comparison); 0 for null or any other OID.
    static int getHashAlgo(char* oid);
    // Identifier to name: "UKNOWN" for 0, "UNKNOWN" outside 0 to 6.
    static const char* getHashAlgoName(int id);
    // Digest by HashBlob index into digest (at least 64 bytes) and its length; writes
    // nothing for an index outside 0 to 5. Always returns 0.
    static int HashBlob(unsigned char* data, unsigned int length, int index, unsigned char* digest, int* digestLength);

    static log4cxx::LoggerPtr m_logger;
};

#endif
