// CardOS 4.3b and 4.4: 6300 after a wrong PIN, the chip serial number by GET DATA 01 81,
// MSE 00 22 03 01 (erase), a confidentiality template that also serves PSO COMPUTE
// DIGITAL SIGNATURE and a signature template that also serves the private-key operation
// of DECIPHER; decipherment is a raw private-key operation.
#include "../Dialect.h"
#include "DialectOps.h"

namespace cardsim {
namespace {

class CardOS4Dialect : public Dialect {
 public:
  std::string name() const override { return "cardos4"; }

  uint16_t wrongPinStatus(const Engine&, int left) const override { return left > 0 ? 0x6300 : 0x6983; }

  bool algorithm(uint8_t, const Bytes&, SeUse use, std::string& alg) const override {
    alg = use == SeUse::Decipher ? "raw" : "";
    return true;
  }

  bool getData(const Engine& e, uint16_t tag, Bytes& out) const override {
    if (tag != 0x0181)
      return false;
    out.assign({0x43, 0x42, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0xDE});
    for (size_t i = 0; i < e.model().atr.size(); ++i)
      out[2 + i % 6] ^= e.model().atr[i];
    return true;
  }

  bool handle(Engine& e, const Apdu& a, Response& r) override {
    if (a.cla & 0x80)
      return false;
    if (a.ins == 0x22 && a.p1 == 0x03 && a.data.empty()) {  // erase the environment
      e.se = SeObj();
      r = Response::status(0x9000);
      return true;
    }
    if (a.ins == 0x2A && a.p1p2() == 0x9E9A && !e.se.dst.set && e.se.ct.set && !a.data.empty()) {
      FileNode* owner = nullptr;
      KeyObj* k = e.findKey(e.seDf ? e.seDf : e.currentDf, e.se.ct.keyRef, &owner);
      r = dialectops::sign(e, k, owner, "pkcs1", a.data);
      return true;
    }
    // The private-key operation of DECIPHER also takes the key of a signature template:
    // the terminal sends the padded block behind a 00 byte and gets it raised to the
    // private exponent.
    if (a.ins == 0x2A && a.p1p2() == 0x8086 && e.se.dst.set && !e.se.ct.set && a.data.size() > 1 && a.data[0] == 0x00) {
      FileNode* owner = nullptr;
      KeyObj* k = e.findKey(e.seDf ? e.seDf : e.currentDf, e.se.dst.keyRef, &owner);
      r = dialectops::raw(e, k, owner, Bytes(a.data.begin() + 1, a.data.end()));
      return true;
    }
    return false;
  }
};

}  // namespace

std::unique_ptr<Dialect> makeCardOS4Dialect() { return std::make_unique<CardOS4Dialect>(); }

}  // namespace cardsim
