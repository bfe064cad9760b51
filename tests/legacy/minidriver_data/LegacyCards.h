// What the legacy path must serve for a layout image, and the check of one card.
#ifndef VN_TESTS_MINIDRIVER_DATA_LEGACYCARDS_H
#define VN_TESTS_MINIDRIVER_DATA_LEGACYCARDS_H

#include <string>
#include <vector>

#include "LegacyStack.h"

struct LegacyCase {
    const char* image;
    int cardType;
    int profile;
    std::vector<std::string> certPaths;  // entries in order
    std::string ca;                      // '1' for each CA entry
    int keyBits;                         // of the first entry
};

extern const LegacyCase kSetcos, kCardos43;

// Detection on the card in the reader, then the container map, the directory, the
// certificate files, the public keys, the serial number, the fixed files and the
// host's buffers (every one released once).
void checkCard(const LegacyCase& c, int reader);

#endif
