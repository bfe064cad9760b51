// The generic ISO/IEC 7816-4 card: no deviations.
#include "../Dialect.h"

namespace cardsim {
namespace {

class IsoDialect : public Dialect {
 public:
  std::string name() const override { return "iso"; }
};

}  // namespace

std::unique_ptr<Dialect> makeIsoDialect() { return std::make_unique<IsoDialect>(); }

}  // namespace cardsim
