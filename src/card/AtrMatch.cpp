// Card recognition: first row of the ATR table whose masked ATR equals the card's.
#include "AtrMatch.h"

#include <cstring>

#include "AtrList.h"
#include "SCTools.h"
#include "vn_log.h"

int vn_match_atr(const std::string& atr, bool logName) {
    std::string cardAtr = atr;
    int cardLen = SCTools::getLenHex(cardAtr);
    for (int i = 0; i < ATRLIST_ROWS && ATRlist[i].cardType != -1; ++i) {
        const ATR_LIST_ENTRY& row = ATRlist[i];
        // The table is writable: read its texts only up to their buffers' ends.
        std::string rowAtr(row.atr, strnlen(row.atr, sizeof(row.atr)));
        std::string rowMask(row.mask, strnlen(row.mask, sizeof(row.mask)));
        if (SCTools::getLenHex(rowAtr) != cardLen)
            continue;
        if (SCTools::getMaskedAtr(cardAtr, rowMask) != SCTools::getMaskedAtr(rowAtr, rowMask))
            continue;
        if (logName)
            vn_log_updateCardName(std::string(row.cardName, strnlen(row.cardName, sizeof(row.cardName))));
        return row.cardType;
    }
    return 0;
}
