// CardOS 5.0: proprietary GET DATA objects (P1 01), its FCP layout with the
// size in tag 80 and access rules in tag 86, 6300 after a wrong PIN, and the
// LIST DIRECTORY command (80 16).
#include "../Dialect.h"
#include "../Engine.h"
#include "../Util.h"

namespace cardsim {

Bytes isoFcp(const FileNode& f, bool withSize);

namespace {

class CardOS50Dialect : public Dialect {
 public:
  std::string name() const override { return "cardos50"; }

  bool proprietaryClass(uint8_t cla, uint8_t ins) const override { return cla == 0x80 && (ins == 0xCA || ins == 0x16); }

  Bytes fcp(const Engine&, const FileNode& f) const override {
    Bytes b = isoFcp(f, true);
    if (!f.fcpOverride.empty())
      return b;
    Bytes in(b.begin() + 2, b.end());
    // Access rules: read, update, ... all "always" except as the image says.
    Bytes ar(8, 0x00);
    if (f.update.kind == Access::Kind::Never)
      ar[1] = 0xFF;
    if (f.read.kind == Access::Kind::Never)
      ar[0] = 0xFF;
    appendTlv(in, 0x86, ar);
    Bytes out;
    appendTlv(out, 0x62, in);
    return out;
  }

  uint16_t wrongPinStatus(const Engine& e, int left) const override {
    auto it = e.model().options.find("wrong-pin");
    if (it != e.model().options.end() && toUpper(it->second) == "63CX")
      return static_cast<uint16_t>(0x63C0 | (left & 0x0F));
    return left > 0 ? 0x6300 : 0x6983;
  }

  bool getData(const Engine& e, uint16_t tag, Bytes& out) const override {
    switch (tag) {
    case 0x0181: {  // chip serial number: derived from the ATR when the image has none
      out.assign({0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0});
      for (size_t i = 0; i < e.model().atr.size(); ++i)
        out[i % 8] ^= e.model().atr[i];
      return true;
    }
    case 0x0182:  // operating system version
      out.assign({0xC9, 0x01});
      return true;
    case 0x0186:  // free memory
      out.assign({0x00, 0x01, 0x80, 0x00});
      return true;
    case 0x0188:  // installed packages: none
      out.clear();
      return true;
    default: return false;
    }
  }

  bool handle(Engine& e, const Apdu& a, Response& r) override {
    if (a.ins == 0xCA && a.p1 == 0x01 && (a.cla & 0x80)) {  // proprietary GET DATA also with CLA 80
      r = e.getData(a);
      return true;
    }
    if (a.ins == 0x16 && (a.cla & 0x80)) {  // LIST DIRECTORY: P1 01 DFs, 02 EFs, 03 both
      if (a.p1 < 1 || a.p1 > 3 || a.p2 != 0) {
        r = Response::status(0x6A86);
        return true;
      }
      Bytes list;
      for (auto& c : e.currentDf->children) {
        if ((c->isDF() && (a.p1 & 1)) || (!c->isDF() && (a.p1 & 2)))
          appendU16(list, c->fid);
      }
      r = Response::ok(list);
      return true;
    }
    return false;
  }
};

}  // namespace

std::unique_ptr<Dialect> makeCardOS50Dialect() { return std::make_unique<CardOS50Dialect>(); }

}  // namespace cardsim
