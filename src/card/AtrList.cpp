// The exported table of known card ATRs, filled when the library is loaded from the ATR
// rows of the card-OS families: each row names its position, so the table keeps its
// prescribed content and order; the first matching row names the card operating system.
#include "AtrList.h"

#include <cstring>

#include "CardFamilies.h"

namespace {
void copyText(char (&to)[255], const char* from) {
    std::strncpy(to, from, sizeof to - 1);
    to[sizeof to - 1] = '\0';
}

void put(const vn_card::AtrRow& row) {
    if (row.position < 0 || row.position >= ATRLIST_ROWS)
        return;
    ATR_LIST_ENTRY& entry = ATRlist[row.position];
    std::memset(&entry, 0, sizeof entry);
    entry.cardType = row.code;
    copyText(entry.cardName, row.logName);
    copyText(entry.atr, row.atr);
    copyText(entry.mask, row.mask);
}

struct FillAtrList {
    FillAtrList() {
        size_t count = 0;
        const vn_card::CardFamily* const* families = vn_card::builtInFamilies(&count);
        for (size_t f = 0; f < count; ++f)
            for (size_t i = 0; i < families[f]->atrCount; ++i)
                put(families[f]->atrs[i]);
        put(vn_card::endOfAtrList());
    }
};
}  // namespace

ATR_LIST_ENTRY ATRlist[ATRLIST_ROWS];

namespace {
const FillAtrList kFillAtrList;
}  // namespace
