// Generic ISO/IEC 7816-4 behaviour of the dialect hooks.
#include "Dialect.h"

#include "Engine.h"
#include "Util.h"

namespace cardsim {

Bytes isoFcp(const FileNode& f, bool withSize) {
  if (!f.fcpOverride.empty())
    return f.fcpOverride;
  Bytes in;
  if (f.isDF()) {
    appendTlv(in, 0x82, Bytes{0x38});
    Bytes fid;
    appendU16(fid, f.fid);
    appendTlv(in, 0x83, fid);
    if (!f.aid.empty())
      appendTlv(in, 0x84, f.aid);
  } else {
    Bytes size;
    if (f.isRecord()) {
      size_t rl = f.recordSize;
      for (auto& r : f.records)
        rl = std::max(rl, r.size());
      appendU16(size, static_cast<unsigned>(rl * f.records.size()));
      if (withSize)
        appendTlv(in, 0x80, size);
      uint8_t desc = f.type == FileType::LinearFixed ? 0x02 : f.type == FileType::LinearVariable ? 0x04 : 0x06;
      appendTlv(in, 0x82, Bytes{desc, 0x21, 0x00, static_cast<uint8_t>(rl), static_cast<uint8_t>(f.records.size())});
    } else {
      appendU16(size, static_cast<unsigned>(f.data.size()));
      if (withSize)
        appendTlv(in, 0x80, size);
      appendTlv(in, 0x82, Bytes{0x01});
    }
    Bytes fid;
    appendU16(fid, f.fid);
    appendTlv(in, 0x83, fid);
    if (f.sfi)
      appendTlv(in, 0x88, Bytes{static_cast<uint8_t>(f.sfi << 3)});
  }
  appendTlv(in, 0x8A, Bytes{f.lcs});
  Bytes out;
  appendTlv(out, 0x62, in);
  return out;
}

Bytes Dialect::fcp(const Engine&, const FileNode& f) const { return isoFcp(f, true); }

uint16_t Dialect::wrongPinStatus(const Engine&, int left) const {
  return static_cast<uint16_t>(0x63C0 | (left & 0x0F));
}

bool Dialect::algorithm(uint8_t, const Bytes&, SeUse, std::string& alg) const {
  alg.clear();  // the key's own algorithm
  return true;
}

}  // namespace cardsim
