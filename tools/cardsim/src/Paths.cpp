// Where images and the test PKI are found.
#include <sys/stat.h>

#include <cstdlib>

#include "cardsim/Engine.h"

namespace cardsim {

static bool exists(const std::string& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string resolveImage(const std::string& name) {
  if (name.find('/') != std::string::npos || exists(name))
    return name;
  std::string file = name.size() > 5 && name.compare(name.size() - 5, 5, ".card") == 0 ? name : name + ".card";
  if (const char* d = std::getenv("CARDSIM_IMAGE_DIR"))
    if (exists(std::string(d) + "/" + file))
      return std::string(d) + "/" + file;
  if (exists(std::string(CARDSIM_IMAGE_DIR) + "/" + file))
    return std::string(CARDSIM_IMAGE_DIR) + "/" + file;
  return name;
}

std::string defaultPkiDir() {
  if (const char* d = std::getenv("CARDSIM_PKI_DIR"))
    return d;
  return CARDSIM_PKI_DIR;
}

}  // namespace cardsim
