#include "Util.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace cardsim {

Bytes fromHex(const std::string& hex) {
  Bytes out;
  int hi = -1;
  for (char c : hex) {
    if (c == ' ' || c == ':' || c == '/' || c == '\t' || c == ',')
      continue;
    int v;
    if (c >= '0' && c <= '9')
      v = c - '0';
    else if (c >= 'a' && c <= 'f')
      v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      v = c - 'A' + 10;
    else
      throw std::invalid_argument(std::string("not a hex digit: '") + c + "'");
    if (hi < 0) {
      hi = v;
    } else {
      out.push_back(static_cast<uint8_t>(hi << 4 | v));
      hi = -1;
    }
  }
  if (hi >= 0)
    throw std::invalid_argument("odd number of hex digits");
  return out;
}

std::string toHex(const Bytes& b) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  s.reserve(b.size() * 2);
  for (uint8_t x : b) {
    s.push_back(digits[x >> 4]);
    s.push_back(digits[x & 15]);
  }
  return s;
}

void appendTlvLength(Bytes& b, size_t len) {
  if (len < 0x80) {
    b.push_back(static_cast<uint8_t>(len));
  } else if (len < 0x100) {
    b.push_back(0x81);
    b.push_back(static_cast<uint8_t>(len));
  } else {
    b.push_back(0x82);
    appendU16(b, static_cast<unsigned>(len));
  }
}

void appendTlv(Bytes& b, uint8_t tag, const Bytes& value) {
  b.push_back(tag);
  appendTlvLength(b, value.size());
  b.insert(b.end(), value.begin(), value.end());
}

bool parseTlvList(const Bytes& in, std::vector<Tlv>& out) {
  size_t i = 0;
  while (i < in.size()) {
    if (i + 2 > in.size())
      return false;
    uint8_t tag = in[i++];
    size_t len = in[i++];
    if (len == 0x81) {
      if (i + 1 > in.size())
        return false;
      len = in[i++];
    } else if (len == 0x82) {
      if (i + 2 > in.size())
        return false;
      len = static_cast<size_t>(in[i]) << 8 | in[i + 1];
      i += 2;
    } else if (len > 0x80) {
      return false;
    }
    if (len > in.size() - i)
      return false;
    out.push_back({tag, Bytes(in.begin() + static_cast<long>(i), in.begin() + static_cast<long>(i + len))});
    i += len;
  }
  return true;
}

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos)
    return "";
  size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

std::string toUpper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

std::string toLower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

}  // namespace cardsim
