// Small byte helpers shared by the simulator sources.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cardsim/Engine.h"

namespace cardsim {

inline void appendU16(Bytes& b, unsigned v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}

// BER-TLV length encoding (short and long form).
void appendTlvLength(Bytes& b, size_t len);
void appendTlv(Bytes& b, uint8_t tag, const Bytes& value);

// Walks a flat list of simple TLV objects (one-byte tags). Returns false when
// the buffer is not a well-formed sequence of objects.
struct Tlv {
  uint8_t tag;
  Bytes value;
};
bool parseTlvList(const Bytes& in, std::vector<Tlv>& out);

std::string trim(const std::string& s);
std::string toUpper(std::string s);
std::string toLower(std::string s);

}  // namespace cardsim
