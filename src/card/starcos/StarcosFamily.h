// What only the STARCOS family (and the SmartCard-HSM, which answers alike) does: its
// status mapping with the remaining tries, its hash references and its decipherment
// environment.
#ifndef VN_CARD_STARCOSFAMILY_H
#define VN_CARD_STARCOSFAMILY_H

#include "card/IsoCommands.h"

namespace vn_cardos {

// 9000 0, 6985 4, 6984 5, 6983 6, with6982 6982 13, else 255; 63Cx sets the remaining
// tries to x (else -1).
int starcosResult(uint32_t status, bool with6982, int& tries);

// Hash reference of a card algorithm code in the security environment (flags above the
// low 16 bits ignored): 10 SHA-1, 20 RIPEMD-160, 30 SHA-256, 40 SHA-384, 50 SHA-512;
// 30 for codes without one.
unsigned char hashRef(unsigned int algId);

// STARCOS 3.4/3.5 decipherment: 00 22 41 B8 84 01 key (with 89 02 11 31 for OAEP), then
// 00 2A 80 86 81 || cryptogram (extended, Le 0000). 9000 0, 6982 13, else 255.
int starcosDecipher(CSC_Profile_Base& card, unsigned char keyRef, const unsigned char* in, unsigned long inLength,
                    unsigned char* out, unsigned long* outLength);

}  // namespace vn_cardos

#endif
