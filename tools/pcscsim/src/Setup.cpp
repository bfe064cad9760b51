// Readers and cards from a small text description, for programs that get the
// simulator by preloading instead of configuring it in code.
#include "State.h"

#include <sstream>
#include <stdexcept>

namespace pcscsim {
namespace {

std::string trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos)
    return "";
  const size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// Key scripts are written with escapes: \r Enter, \e Cancel, \b Backspace, \n Clear, \\ a backslash.
std::string unescape(const std::string& s, const std::string& where) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out.push_back(s[i]);
      continue;
    }
    if (++i == s.size())
      throw std::invalid_argument(where + "a lone '\\' ends the keys");
    switch (s[i]) {
    case 'r': out.push_back('\r'); break;
    case 'e': out.push_back('\x1b'); break;
    case 'b': out.push_back('\b'); break;
    case 'n': out.push_back('\n'); break;
    case '\\': out.push_back('\\'); break;
    default: throw std::invalid_argument(where + "unknown escape '\\" + std::string(1, s[i]) + "'");
    }
  }
  return out;
}

struct PendingReader {
  std::string name;
  ReaderOptions options = plainReader();
  std::string image;
  std::string keys;
};

void apply(const PendingReader& r) {
  addReader(r.name, r.options);
  if (!r.image.empty())
    insertImage(r.name, r.image);
  if (!r.keys.empty())
    scriptKeys(r.name, r.keys);
}

}  // namespace

void loadSetup(const std::string& text) {
  std::istringstream in(text);
  std::string raw;
  std::vector<PendingReader> pending;
  for (int number = 1; std::getline(in, raw); ++number) {
    const std::string where = "pcscsim setup line " + std::to_string(number) + ": ";
    std::string line = trim(raw.substr(0, raw.find('#')));
    if (line.empty())
      continue;
    const size_t space = line.find_first_of(" \t");
    const std::string word = line.substr(0, space);
    const std::string value = space == std::string::npos ? "" : trim(line.substr(space));
    if (word == "reader") {
      if (value.empty())
        throw std::invalid_argument(where + "a reader needs a name");
      pending.emplace_back();
      pending.back().name = value;
      continue;
    }
    if (pending.empty())
      throw std::invalid_argument(where + "'" + word + "' before the first 'reader'");
    PendingReader& r = pending.back();
    if (word == "pinpad" && value.empty())
      r.options.features = pinPadReader().features;
    else if (word == "system")
      r.options.systemName = value;
    else if (word == "vendor")
      r.options.vendorName = value;
    else if (word == "card")
      r.image = value;
    else if (word == "keys")
      r.keys = unescape(value, where);
    else
      throw std::invalid_argument(where + "unknown line '" + line + "'");
  }
  for (const PendingReader& r : pending)
    apply(r);
}

}  // namespace pcscsim
