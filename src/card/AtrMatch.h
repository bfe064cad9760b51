// Matching of an ATR text against the ATR table.
#ifndef VN_CARD_ATRMATCH_H
#define VN_CARD_ATRMATCH_H

#include <string>

// Card type of the first row of ATRlist that matches atr (same byte count, equal
// under the row's mask), or 0. When logName is set, the row's card name goes to the log.
int vn_match_atr(const std::string& atr, bool logName);

#endif
