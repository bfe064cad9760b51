// Set-up of the preloadable simulator: LD_PRELOAD=libpcscsim_preload.so puts the
// simulated readers under a program that was linked with libpcsclite, and
// PCSCSIM_SETUP names the file that describes them (see pcscsim::loadSetup).
#include <pcscsim/Simulator.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <sstream>

namespace {

__attribute__((constructor)) void setUpFromEnvironment() {
  const char* path = std::getenv("PCSCSIM_SETUP");
  if (path == nullptr || *path == '\0')
    return;  // no readers: SCardListReaders reports none
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "pcscsim: cannot read PCSCSIM_SETUP file %s\n", path);
    return;
  }
  std::ostringstream text;
  text << in.rdbuf();
  try {
    pcscsim::loadSetup(text.str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pcscsim: %s\n", e.what());
  }
}

}  // namespace
