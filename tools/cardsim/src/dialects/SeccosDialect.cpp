// SECCOS 5: hash and signature templates with algorithm objects 89 02 14 hh and
// 89 03 13 23 hh (hh 10 SHA-1, 30 SHA-256), the key of the selected directory when the
// template names none, INTERNAL AUTHENTICATE with the key in P2, raw decipherment.
#include "../Dialect.h"
#include "DialectOps.h"

namespace cardsim {
namespace {

class SeccosDialect : public Dialect {
 public:
  std::string name() const override { return "seccos"; }

  bool algorithm(uint8_t tag, const Bytes& v, SeUse use, std::string& alg) const override {
    alg.clear();
    if (use == SeUse::Decipher) {
      alg = "raw";
      return true;
    }
    if (tag == 0x89 && v.size() == 3 && v[0] == 0x13 && v[1] == 0x23) {
      alg = v[2] == 0x10 ? "pkcs1-sha1" : "pkcs1-sha256";
      return true;
    }
    return tag == 0x80;
  }

  bool handle(Engine& e, const Apdu& a, Response& r) override {
    if (a.cla & 0x80 || a.ins != 0x2A || a.p1p2() != 0x9E9A || !e.se.dst.set)
      return false;
    FileNode* owner = nullptr;
    KeyObj* k = dialectops::templateKey(e, e.se.dst, &owner);
    if (a.data.empty()) {
      if (e.pendingHash.empty()) {
        r = Response::status(0x6985);
        return true;
      }
      Bytes hash = e.pendingHash;
      e.pendingHash.clear();
      std::string alg = e.se.dst.alg.empty() ? dialectops::pkcs1ForHash(hash.size()) : e.se.dst.alg;
      r = dialectops::sign(e, k, owner, alg, hash);
      return true;
    }
    r = dialectops::sign(e, k, owner, "pkcs1", a.data);
    return true;
  }
};

}  // namespace

std::unique_ptr<Dialect> makeSeccosDialect() { return std::make_unique<SeccosDialect>(); }

}  // namespace cardsim
