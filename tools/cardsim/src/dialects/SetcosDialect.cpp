// SetCOS 4.4: environments name the key by its key file (81 02 fid; the key reference is
// the low byte of the identifier) and the algorithm by 80 01 02 (PKCS#1 v1.5);
// decipherment is a raw private-key operation.
#include "../Dialect.h"
#include "DialectOps.h"

namespace cardsim {
namespace {

class SetcosDialect : public Dialect {
 public:
  std::string name() const override { return "setcos"; }

  bool algorithm(uint8_t, const Bytes&, SeUse use, std::string& alg) const override {
    alg = use == SeUse::Decipher ? "raw" : "pkcs1";
    return true;
  }

  bool handle(Engine& e, const Apdu& a, Response& r) override {
    if (a.cla & 0x80 || a.ins != 0x22 || a.p1 != 0x41)
      return false;
    std::vector<Tlv> objs;
    if (!parseTlvList(a.data, objs))
      return false;
    Apdu b = a;
    b.data.clear();
    for (auto& o : objs) {
      if (o.tag == 0x81 && o.value.size() == 2) {
        appendTlv(b.data, 0x84, Bytes{o.value[1]});
      } else {
        appendTlv(b.data, o.tag, o.value);
      }
    }
    r = e.manageSe(b);
    return true;
  }
};

}  // namespace

std::unique_ptr<Dialect> makeSetcosDialect() { return std::make_unique<SetcosDialect>(); }

}  // namespace cardsim
