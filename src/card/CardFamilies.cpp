// The card-OS families the library knows: one line each. A family's card types and ATRs
// live in its folder (card/<family>/<Family>Types.cpp).
#include "CardFamilies.h"

namespace vn_card {

extern const CardFamily kTcosFamily;
extern const CardFamily kMicardoFamily;
extern const CardFamily kCardOsFamily;
extern const CardFamily kStarcosFamily;
extern const CardFamily kSeccosFamily;
extern const CardFamily kSetcosFamily;
extern const CardFamily kHsmFamily;

namespace {
const CardFamily* const kFamilies[] = {
    &kTcosFamily, &kMicardoFamily, &kCardOsFamily, &kStarcosFamily, &kSeccosFamily, &kSetcosFamily, &kHsmFamily,
};

// The last row of the ATR table ends it and names no card type of a family.
const AtrRow kEndOfAtrList = {kNoCard, kEndOfAtrListPosition, "Unbekannt", "00", "00"};
}  // namespace

const CardFamily* const* builtInFamilies(size_t* count) {
    *count = sizeof(kFamilies) / sizeof(kFamilies[0]);
    return kFamilies;
}

const AtrRow& endOfAtrList() { return kEndOfAtrList; }

}  // namespace vn_card
