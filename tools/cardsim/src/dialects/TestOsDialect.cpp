// A card operating system that exists only for the library's tests of adding a card OS:
// an ISO/IEC 7816-4 card that gives its chip serial to GET DATA in the proprietary class
// (80 CA 01 81), eight bytes derived from the ATR.
#include "../Dialect.h"
#include "../Engine.h"

namespace cardsim {
namespace {

class TestOsDialect : public Dialect {
 public:
  std::string name() const override { return "testos"; }

  bool proprietaryClass(uint8_t cla, uint8_t ins) const override { return cla == 0x80 && ins == 0xCA; }

  bool getData(const Engine& e, uint16_t tag, Bytes& out) const override {
    if (tag != 0x0181)
      return false;
    out.assign({0x54, 0x45, 0x53, 0x54, 0x4F, 0x53, 0x00, 0x01});
    for (size_t i = 0; i < e.model().atr.size(); ++i)
      out[i % out.size()] ^= e.model().atr[i];
    return true;
  }
};

}  // namespace

std::unique_ptr<Dialect> makeTestOsDialect() { return std::make_unique<TestOsDialect>(); }

}  // namespace cardsim
