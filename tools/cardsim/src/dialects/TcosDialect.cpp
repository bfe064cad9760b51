// TCOS 2.0 and 3.0: keys of the selected directory sign without an environment; the
// private-key operation of PSO 80 84 and 80 86 takes the padded block or cryptogram
// as it is; algorithm objects 80 01 xx name no padding of their own. With an
// authentication key in the image, TCOS 3.0 also authenticates the terminal and signs
// under secure messaging (TcosSecureMessaging.h).
#include "../Dialect.h"
#include "DialectOps.h"
#include "TcosSecureMessaging.h"

namespace cardsim {
namespace {

class TcosDialect : public Dialect {
 public:
  std::string name() const override { return "tcos"; }

  bool algorithm(uint8_t, const Bytes&, SeUse use, std::string& alg) const override {
    alg = use == SeUse::Decipher ? "raw" : "";
    return true;
  }

  bool secureMessaging(uint8_t cla, uint8_t ins) const override { return cla == 0x0C && ins == 0x2A; }
  void reset() override { m_sm.reset(); }

  bool handle(Engine& e, const Apdu& a, Response& r) override {
    if (a.cla == 0x0C) {
      r = m_sm.enabled(e) ? m_sm.protectedCommand(e, a) : Response::status(0x6882);
      return true;
    }
    if (a.cla == 0x00 && m_sm.enabled(e)) {
      using Step = Response (TcosSecureMessaging::*)(Engine&, const Apdu&);
      Step step = a.ins == 0x88 && a.p1p2() == 0x0000   ? &TcosSecureMessaging::internalAuthenticate
                  : a.ins == 0x82 && a.p1p2() == 0x0000 ? &TcosSecureMessaging::externalAuthenticate
                  : a.ins == 0x22 && a.p1p2() == 0x81A4 ? &TcosSecureMessaging::writeMakerKey
                                                        : nullptr;
      if (step) {
        r = (m_sm.*step)(e, a);
        return true;
      }
    }
    if (a.ins != 0x2A || (a.cla & 0x80))
      return false;
    FileNode* owner = nullptr;
    switch (a.p1p2()) {
    case 0x9E9A:  // without an environment: the key of the selected directory
      if (e.se.dst.set || a.data.empty())
        return false;
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
      if (e.se.ct.set || a.data.size() < 2)
        return false;
      {
        KeyObj* k = dialectops::firstKey(e.currentDf, &owner);
        r = dialectops::raw(e, k, owner, Bytes(a.data.begin() + 1, a.data.end()));
        return true;
      }
    default: return false;
    }
  }

 private:
  TcosSecureMessaging m_sm;
};

}  // namespace

std::unique_ptr<Dialect> makeTcosDialect() { return std::make_unique<TcosDialect>(); }

}  // namespace cardsim
