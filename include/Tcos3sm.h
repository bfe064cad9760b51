// CTcos3sm: secure messaging for TCOS 3.0 cards: the process-wide session state and
// the send sequence counter.
#ifndef VN_TCOS3SM_H
#define VN_TCOS3SM_H

#include "vn_export.h"

// The session state shared by the process.
struct VN_EXPORT TcosSmData {
    unsigned char encKey[16];        // two-key triple-DES key for enciphering and deciphering
    unsigned char macKey[16];        // two-key triple-DES key for the checksum
    unsigned char ssc[8];            // send sequence counter, big-endian
    unsigned char cardModulus[256];  // the card's authentication public key
    unsigned char cardExponent[12];
    unsigned short modulusLength;    // bytes used in cardModulus
    unsigned short exponentLength;   // bytes used in cardExponent
};

class VN_EXPORT CTcos3sm {
public:
    // Adds 1 to the send sequence counter (8-byte big-endian arithmetic; the counter
    // after FF..FF is 00..00). Returns 0.
    static int incIV();

    static TcosSmData m_data;
};

#endif
