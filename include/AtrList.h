// The table of known card ATRs: one row per card product, ended by a row of card type -1.
#ifndef VN_ATRLIST_H
#define VN_ATRLIST_H

#include <cstdint>
#include "vn_export.h"

struct ATR_LIST_ENTRY {
    int32_t cardType;    // card operating system code; -1 ends the table
    char cardName[255];  // name written to the log when the row matches
    char atr[255];       // ATR bytes, "3b,d2,18,..."
    char mask[255];      // one mask byte per ATR byte, same notation
};

static_assert(sizeof(ATR_LIST_ENTRY) == 772, "ATR rows are 772 bytes");

enum { ATRLIST_ROWS = 21 };

extern VN_EXPORT ATR_LIST_ENTRY ATRlist[ATRLIST_ROWS];

#endif
