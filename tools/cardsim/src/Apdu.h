// Command APDU decoding (ISO/IEC 7816-4 cases 1 to 4, short and extended).
#pragma once

#include <cstdint>

#include "cardsim/Engine.h"

namespace cardsim {

struct Apdu {
  uint8_t cla = 0, ins = 0, p1 = 0, p2 = 0;
  Bytes data;
  size_t ne = 0;  // expected response length (256 / 65536 for the 00 forms)
  bool hasLe = false;
  bool extended = false;
  bool leWildcard = false;  // Le was encoded as 00 / 0000
  int caseNo = 1;
  uint16_t p1p2() const { return static_cast<uint16_t>(p1 << 8 | p2); }
};

// Decodes raw command bytes. Returns 0, or the status word a card gives for a
// malformed command (6700 wrong length).
uint16_t parseApdu(const Bytes& raw, Apdu& out);

}  // namespace cardsim
