// STARCOS 3.0 and 3.2: algorithm references 80 01 xx, key names 84 03 80 kk 00 (key
// 80 + kk), the signature over a hash given by PSO HASH, raw decipherment.
#include "../Dialect.h"
#include "DialectOps.h"

namespace cardsim {
namespace {

class Starcos3Dialect : public Dialect {
 public:
  std::string name() const override { return "starcos3"; }

  bool algorithm(uint8_t tag, const Bytes& v, SeUse use, std::string& alg) const override {
    alg.clear();
    if (use == SeUse::Decipher) {
      alg = "raw";
      return true;
    }
    if (tag == 0x80 && v.size() == 1) {
      if (v[0] != 0x12)
        alg = "pkcs1";  // 12: the hash comes by PSO HASH
      return true;
    }
    if (tag == 0x89 && (v == Bytes{0x13, 0x23} || v == Bytes{0x23})) {
      alg = "pkcs1";
      return true;
    }
    return false;
  }

  bool handle(Engine& e, const Apdu& a, Response& r) override {
    if (a.cla & 0x80)
      return false;
    if (a.ins == 0x22 && a.p1 == 0xF3 && a.p2 != 0x00 && a.data.empty() && !e.findSe(e.currentDf, a.p2)) {
      e.se = SeObj();  // a number the image does not define restores an empty environment
      e.seDf = e.currentDf;
      r = Response::status(0x9000);
      return true;
    }
    if (a.ins == 0x22 && a.data.size() == 5 && a.data[0] == 0x84 && a.data[1] == 0x03) {
      Apdu b = a;
      b.data = Bytes{0x84, 0x01, static_cast<uint8_t>(0x80 | a.data[3])};
      r = e.manageSe(b);
      return true;
    }
    if (a.ins == 0x2A && a.p1p2() == 0x9E9A && a.data.empty() && e.se.dst.set && e.se.dst.alg.empty()) {
      if (e.pendingHash.empty()) {
        r = Response::status(0x6985);
        return true;
      }
      FileNode* owner = nullptr;
      KeyObj* k = e.findKey(e.seDf ? e.seDf : e.currentDf, e.se.dst.keyRef, &owner);
      Bytes hash = e.pendingHash;
      e.pendingHash.clear();
      r = dialectops::sign(e, k, owner, dialectops::pkcs1ForHash(hash.size()), hash);
      return true;
    }
    return false;
  }
};

}  // namespace

std::unique_ptr<Dialect> makeStarcos3Dialect() { return std::make_unique<Starcos3Dialect>(); }

}  // namespace cardsim
