// A PC/SC client compiled into its own static archive, like the library's code.
#pragma once

#include <string>
#include <vector>

namespace probe {
// Reader names as PC/SC lists them; empty when the listing fails.
std::vector<std::string> readerNames();
}  // namespace probe
