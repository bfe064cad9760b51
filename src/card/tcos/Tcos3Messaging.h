// Secure messaging of TCOS 3.0 commands with the session of CTcos3sm (ISO/IEC 7816-4
// secure messaging with two-key triple DES):
//
//   command   CLA 0C, data = 81 L plain || 97 01 le || 8E 08 mac
//             mac = retail MAC (MAC key, IV = counter + 1) over
//                   pad(CLA INS P1 P2) || pad(81 .. || 97 ..)
//   answer    87 L 01 cryptogram || 99 02 SW1 SW2 || 8E 08 mac, status 9000
//             mac = retail MAC (MAC key, IV = counter + 2) over pad(87 .. || 99 ..);
//             cryptogram = two-key triple-DES CBC (encryption key, zero IV) of
//             pad(answer data)
//
// pad() appends 80 and zeros up to a multiple of 8 bytes (ISO/IEC 9797-1 method 2); the
// counter is incremented before each of the two MACs.
#ifndef VN_CARD_TCOS3MESSAGING_H
#define VN_CARD_TCOS3MESSAGING_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "infra/Secrets.h"

namespace vn_tcos3 {

using Bytes = std::vector<unsigned char>;

// Appends ISO/IEC 9797-1 padding method 2.
void pad_iso(Bytes& data);

// Retail MAC of `data` (padded here) with the session's MAC key and the counter as IV.
void session_mac(const Bytes& data, unsigned char mac[8]);

// The data field of a protected command with header `header` (CLA already 0C): the
// counter is incremented, the plain data and the expected length are wrapped in 81 and
// 97 and the checksum appended in 8E.
Bytes protect_command(const unsigned char header[4], const Bytes& plain, unsigned char le);

enum class Unwrapped {
    Ok,         // plain holds the deciphered answer data, status its status word
    Malformed,  // not the data objects of a protected answer
    BadMac,     // the checksum does not verify: nothing deciphered
};

// Checks a protected answer (the counter is incremented first) and deciphers it.
Unwrapped unwrap_answer(const unsigned char* data, size_t length, vn_secret::WipedBytes& plain, uint16_t& status);

}  // namespace vn_tcos3

#endif
