// The dialects the simulator knows: one line each.
#include "Dialect.h"

namespace cardsim {

std::unique_ptr<Dialect> makeIsoDialect();
std::unique_ptr<Dialect> makeStarcos35Dialect();
std::unique_ptr<Dialect> makeCardOS50Dialect();

namespace {
struct Entry {
  const char* name;
  std::unique_ptr<Dialect> (*make)();
};
const Entry kDialects[] = {
    {"iso", makeIsoDialect},
    {"starcos35", makeStarcos35Dialect},
    {"cardos50", makeCardOS50Dialect},
};
}  // namespace

std::unique_ptr<Dialect> makeDialect(const std::string& name) {
  for (auto& e : kDialects)
    if (name == e.name) return e.make();
  return nullptr;
}

}  // namespace cardsim
