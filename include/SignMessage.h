// CSignMessage: the host-facing signing interface (static operations and class-wide settings).
#ifndef VN_SIGNMESSAGE_H
#define VN_SIGNMESSAGE_H

#include <cstdint>
#include <string>

#include "vn_export.h"

// Results of addTimestamp besides those of CTimeStampSSL (-91, -92).
#define SM_TS_NO_BUFFER (-24)     // missing buffer or length, or the token could not be inserted
#define SM_TS_NO_ROOM (-93)       // the signed data with the token does not fit into the buffer
#define SM_TS_NO_SIGNATURE (-94)  // no signature value found in the signed data

class VN_EXPORT CSignMessage {
public:
    // Address of the timestamp service; empty: signatures of files get no timestamp.
    static void setTSUrl(std::string url);
    // CAdES level of every new signed data (1 omits the signing time, 5 the message digest
    // and the signing certificate).
    static void setCAdES_Level(int level);

    // Adds an RFC 3161 timestamp over the signerIndex-th signature value to the signed data in
    // place. *capacity is the size of the buffer on entry and the new length on success; on
    // -93 it is set to signedLength and the data is untouched. nAlgoID 0 to 3 choose SHA-1,
    // SHA-256, SHA-384, SHA-512 for the imprint; any other value SHA-256.
    static int32_t addTimestamp(unsigned char* signedData, unsigned int signedLength, unsigned int* capacity,
                                int nAlgoID, int signerIndex);

    static int32_t m_cadesLevel;
    static std::string m_tsURL;
};

#endif
