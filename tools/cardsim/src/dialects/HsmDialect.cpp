// SmartCard-HSM: SIGN (80 68 key alg: 20 raw RSA over the padded block, 40 RSA-PSS over
// the hash, 70 ECDSA), DECIPHER (80 62 key 21, raw), ENUMERATE OBJECTS (80 58, two-byte identifiers) and
// GET DATA with class A0.
#include "../Dialect.h"
#include "DialectOps.h"

namespace cardsim {
namespace {

std::string pssForHash(size_t n) {
  switch (n) {
  case 20: return "pss-sha1";
  case 48: return "pss-sha384";
  case 64: return "pss-sha512";
  default: return "pss-sha256";
  }
}

class HsmDialect : public Dialect {
 public:
  std::string name() const override { return "hsm"; }

  bool proprietaryClass(uint8_t cla, uint8_t ins) const override {
    return (cla == 0x80 && (ins == 0x68 || ins == 0x62 || ins == 0x58)) || (cla == 0xA0 && ins == 0xCA);
  }

  bool handle(Engine& e, const Apdu& a, Response& r) override {
    if (!(a.cla & 0x80))
      return false;
    if (a.ins == 0xCA)
      return false;  // generic GET DATA
    FileNode* owner = nullptr;
    if (a.ins == 0x58) {
      // Two-byte file identifiers of the device objects: CC kk per key, and every EF of
      // the object range C0..CF (C4 key descriptions, CE certificates, ...) as it is.
      Bytes list;
      for (FileNode* d = e.currentDf; d; d = d->parent) {
        for (auto& k : d->keys)
          list.insert(list.end(), {0xCC, k.ref});
        for (auto& c : d->children)
          if (!c->isDF() && (c->fid >> 12) == 0xC)
            list.insert(list.end(), {static_cast<uint8_t>(c->fid >> 8), static_cast<uint8_t>(c->fid)});
      }
      r = Response::ok(list);
      return true;
    }
    KeyObj* k = e.findKey(e.currentDf, a.p1, &owner);
    if (!k) {
      r = Response::status(0x6A88);
      return true;
    }
    if (a.ins == 0x68) {
      switch (a.p2) {
      case 0x20: r = dialectops::raw(e, k, owner, a.data); break;
      case 0x40: r = dialectops::sign(e, k, owner, pssForHash(a.data.size()), a.data); break;
      case 0x70: r = dialectops::sign(e, k, owner, "ecdsa", a.data); break;
      default: r = Response::status(0x6A81); break;
      }
      return true;
    }
    if (a.ins == 0x62 && a.p2 == 0x21) {
      r = dialectops::raw(e, k, owner, a.data);
      return true;
    }
    r = Response::status(0x6A81);
    return true;
  }
};

}  // namespace

std::unique_ptr<Dialect> makeHsmDialect() { return std::make_unique<HsmDialect>(); }

}  // namespace cardsim
