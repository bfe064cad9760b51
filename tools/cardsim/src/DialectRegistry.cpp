// The dialects the simulator knows: one line each.
#include "Dialect.h"

namespace cardsim {

std::unique_ptr<Dialect> makeIsoDialect();
std::unique_ptr<Dialect> makeStarcos35Dialect();
std::unique_ptr<Dialect> makeCardOS50Dialect();
std::unique_ptr<Dialect> makeTcosDialect();
std::unique_ptr<Dialect> makeMicardoDialect();
std::unique_ptr<Dialect> makeStarcos3Dialect();
std::unique_ptr<Dialect> makeCardOS4Dialect();
std::unique_ptr<Dialect> makeSeccosDialect();
std::unique_ptr<Dialect> makeSetcosDialect();
std::unique_ptr<Dialect> makeHsmDialect();
std::unique_ptr<Dialect> makeTestOsDialect();

namespace {
struct Entry {
  const char* name;
  std::unique_ptr<Dialect> (*make)();
};
// clang-format off
const Entry kDialects[] = {
    {"iso", makeIsoDialect},
    {"starcos35", makeStarcos35Dialect},
    {"cardos50", makeCardOS50Dialect},
    {"tcos", makeTcosDialect},
    {"micardo", makeMicardoDialect},
    {"starcos3", makeStarcos3Dialect},
    {"cardos4", makeCardOS4Dialect},
    {"seccos", makeSeccosDialect},
    {"setcos", makeSetcosDialect},
    {"hsm", makeHsmDialect},
    {"testos", makeTestOsDialect},  // the library tests' card OS that exists only in tests
};
// clang-format on
}  // namespace

std::unique_ptr<Dialect> makeDialect(const std::string& name) {
  for (auto& e : kDialects)
    if (name == e.name)
      return e.make();
  return nullptr;
}

}  // namespace cardsim
