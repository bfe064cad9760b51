// CTcos3sm: secure messaging for TCOS 3.0 cards: the RSA device authentication with key
// transport that agrees on the session keys, the process-wide session state and the
// send sequence counter.
#ifndef VN_TCOS3SM_H
#define VN_TCOS3SM_H

#include "vn_export.h"

class CRsaSmall;
class CSC_Profile_Base;

// The session state shared by the process.
struct VN_EXPORT TcosSmData {
    unsigned char encKey[16];        // two-key triple-DES key for enciphering and deciphering
    unsigned char macKey[16];        // two-key triple-DES key for the checksum
    unsigned char ssc[8];            // send sequence counter, big-endian
    unsigned char cardModulus[256];  // the card's authentication public key
    unsigned char cardExponent[12];
    unsigned short modulusLength;   // bytes used in cardModulus
    unsigned short exponentLength;  // bytes used in cardExponent
};

class VN_EXPORT CTcos3sm {
public:
    // Runs the device authentication with `card` (the card public key already in
    // m_data) and the 8-byte card serial number `serial`. 0 when new session keys and
    // counter are set (the session then belongs to `card`); -1 otherwise, with the
    // previous session keys left as they were.
    static int tocs_get_session_keys(CSC_Profile_Base* card, unsigned char* serial);

    // Loads the card's authentication public key into `key`. 0, or -1 when a part is
    // missing or too long.
    static int set_card_key(CRsaSmall& key, unsigned char* modulus, unsigned short modulusLength,
                            unsigned char* exponent, unsigned short exponentLength);
    // Loads the maker key pair (the configured one, else the built-in one) into `key`.
    // 0, or -1 when the configured key pair is unusable.
    static int set_quorvel_key(CRsaSmall& key);
    // Does nothing.
    static int set_quorvel_key_pk(CRsaSmall& key);

    // Adds 1 to the send sequence counter (8-byte big-endian arithmetic; the counter
    // after FF..FF is 00..00). Returns 0.
    static int incIV();

    // Whether the session in m_data was agreed by `card` and is still in force.
    static bool session_of(const CSC_Profile_Base* card);
    // Ends the session: wipes the whole record. With a card given, only when the
    // session is that card's.
    static void end_session(const CSC_Profile_Base* card = nullptr);

    static TcosSmData m_data;
};

#endif
