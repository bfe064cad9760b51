// What the PKCS#15 reader and the profile do differently per card type: one row per kind
// of difference, named by the card type rows (vn_card::Pkcs15Quirk).
#ifndef VN_CARDAPP_PKCS15QUIRKS_H
#define VN_CARDAPP_PKCS15QUIRKS_H

#include <cstdint>
#include <string>

#include "card/CardTypes.h"

namespace vn_cardapp {

struct Pkcs15Quirks {
    vn_card::Pkcs15Quirk quirk;
    // The token info read first in place of the application directory (EF.DIR at
    // 3f002f00); null: the directory.
    const char* tokenInfoPath;
    // With unused certificates hidden, the first certificate directory is not read.
    bool skipFirstCdfWhenHiding;
    // The reader's rewrite of a linked key and PIN (paths as the directory gives them).
    void (*link)(std::string& keyPath, std::string& pinPath, bool& single);
    // The profile's rewrite of the uniform key and PIN paths; may set the profile type.
    void (*paths)(int32_t& profileType, std::string& keyPath, std::string& pinPath);
};

// The row of a card type; card types without quirks get a row that changes nothing.
const Pkcs15Quirks& pkcs15Quirks(int cardType);

}  // namespace vn_cardapp

#endif
