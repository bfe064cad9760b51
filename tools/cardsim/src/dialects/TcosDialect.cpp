// TCOS 2.0 and 3.0: keys of the selected directory sign without an environment; the
// private-key operation of PSO 80 84 and 80 86 takes the padded block or cryptogram
// as it is; algorithm objects 80 01 xx name no padding of their own.
#include "../Dialect.h"
#include "DialectOps.h"

namespace cardsim {
namespace {

class TcosDialect : public Dialect {
 public:
  std::string name() const override { return "tcos"; }

  bool algorithm(uint8_t, const Bytes&, SeUse use, std::string& alg) const override {
    alg = use == SeUse::Decipher ? "raw" : "";
    return true;
  }

  bool handle(Engine& e, const Apdu& a, Response& r) override {
    if (a.ins != 0x2A || (a.cla & 0x80)) return false;
    FileNode* owner = nullptr;
    switch (a.p1p2()) {
      case 0x9E9A:  // without an environment: the key of the selected directory
        if (e.se.dst.set || a.data.empty()) return false;
      {
        KeyObj* k = dialectops::firstKey(e.currentDf, &owner);
        r = dialectops::sign(e, k, owner, "pkcs1", a.data);
        return true;
      }
      case 0x8084: {  // raw private-key operation on the block as sent
        KeyObj* k = dialectops::templateKey(e, e.se.ct, &owner);
        r = dialectops::raw(e, k, owner, a.data);
        return true;
      }
      case 0x8086:
        if (e.se.ct.set || a.data.size() < 2) return false;
      {
        KeyObj* k = dialectops::firstKey(e.currentDf, &owner);
        r = dialectops::raw(e, k, owner, Bytes(a.data.begin() + 1, a.data.end()));
        return true;
      }
      default:
        return false;
    }
  }
};

}  // namespace

std::unique_ptr<Dialect> makeTcosDialect() { return std::make_unique<TcosDialect>(); }

}  // namespace cardsim
