// Micardo 2.1: key references as 83 03 80 kk 00 in the environments; the hash template
// (AA) names the decipherment key.
#include "../Dialect.h"
#include "DialectOps.h"

namespace cardsim {
namespace {

class MicardoDialect : public Dialect {
 public:
  std::string name() const override { return "micardo"; }

  bool handle(Engine& e, const Apdu& a, Response& r) override {
    if (a.ins != 0x22 || (a.cla & 0x80) || a.p1 != 0x41)
      return false;
    std::vector<Tlv> objs;
    if (!parseTlvList(a.data, objs) || objs.size() != 1 || objs[0].tag != 0x83 || objs[0].value.size() != 3) {
      r = Response::status(0x6A80);
      return true;
    }
    SeTemplate t;
    t.set = true;
    t.keyRef = objs[0].value[1];
    if (!e.findKey(e.currentDf, t.keyRef)) {
      r = Response::status(0x6A88);
      return true;
    }
    switch (a.p2) {
    case 0xA4:
      t.alg = "pkcs1";
      e.se.at = t;
      break;
    case 0xB6:
      t.alg = "pkcs1";
      e.se.dst = t;
      break;
    case 0xAA:
      t.alg = "raw";
      e.se.ct = t;
      break;
    default: r = Response::status(0x6A86); return true;
    }
    e.seDf = e.currentDf;
    r = Response::status(0x9000);
    return true;
  }
};

}  // namespace

std::unique_ptr<Dialect> makeMicardoDialect() { return std::make_unique<MicardoDialect>(); }

}  // namespace cardsim
