#include "Apdu.h"

namespace cardsim {

uint16_t parseApdu(const Bytes& raw, Apdu& a) {
  a = Apdu();
  if (raw.size() < 4)
    return 0x6700;
  a.cla = raw[0];
  a.ins = raw[1];
  a.p1 = raw[2];
  a.p2 = raw[3];
  const size_t n = raw.size();
  if (n == 4) {
    a.caseNo = 1;
    return 0;
  }
  if (n == 5) {
    a.caseNo = 2;
    a.hasLe = true;
    a.ne = raw[4] ? raw[4] : 256;
    a.leWildcard = raw[4] == 0;
    return 0;
  }
  if (raw[4] != 0) {  // short Lc
    size_t lc = raw[4];
    if (n == 5 + lc) {
      a.caseNo = 3;
    } else if (n == 6 + lc) {
      a.caseNo = 4;
      a.hasLe = true;
      a.ne = raw[5 + lc] ? raw[5 + lc] : 256;
      a.leWildcard = raw[5 + lc] == 0;
    } else {
      return 0x6700;
    }
    a.data.assign(raw.begin() + 5, raw.begin() + 5 + static_cast<long>(lc));
    return 0;
  }
  // Extended forms start with 00.
  a.extended = true;
  if (n == 6)
    return 0x6700;
  size_t v = static_cast<size_t>(raw[5]) << 8 | raw[6];
  if (n == 7) {
    a.caseNo = 2;
    a.hasLe = true;
    a.ne = v ? v : 65536;
    a.leWildcard = v == 0;
    return 0;
  }
  size_t lc = v;
  if (lc == 0)
    return 0x6700;
  if (n == 7 + lc) {
    a.caseNo = 3;
  } else if (n == 9 + lc) {
    a.caseNo = 4;
    size_t le = static_cast<size_t>(raw[7 + lc]) << 8 | raw[8 + lc];
    a.hasLe = true;
    a.ne = le ? le : 65536;
    a.leWildcard = le == 0;
  } else {
    return 0x6700;
  }
  a.data.assign(raw.begin() + 7, raw.begin() + 7 + static_cast<long>(lc));
  return 0;
}

}  // namespace cardsim
