// The built-in card-OS families (CardFamilies.cpp lists them).
#ifndef VN_CARD_CARDFAMILIES_H
#define VN_CARD_CARDFAMILIES_H

#include <cstddef>

#include "AtrList.h"
#include "CardTypes.h"

namespace vn_card {

// The row of the ATR table that ends it.
constexpr int kEndOfAtrListPosition = ATRLIST_ROWS - 1;

const CardFamily* const* builtInFamilies(size_t* count);
const AtrRow& endOfAtrList();

}  // namespace vn_card

#endif
