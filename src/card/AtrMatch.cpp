// Card recognition: first row of the ATR table whose masked ATR equals the card's, then the
// ATRs of card-OS families registered beyond the built-in ones.
#include "AtrMatch.h"

#include <cstring>

#include "AtrList.h"
#include "CardTypes.h"
#include "SCTools.h"
#include "vn_log.h"

namespace {
bool matches(std::string cardAtr, int cardLen, std::string rowAtr, const std::string& rowMask) {
    return SCTools::getLenHex(rowAtr) == cardLen &&
           SCTools::getMaskedAtr(cardAtr, rowMask) == SCTools::getMaskedAtr(rowAtr, rowMask);
}
}  // namespace

int vn_match_atr(const std::string& atr, bool logName) {
    std::string cardAtr = atr;
    int cardLen = SCTools::getLenHex(cardAtr);
    for (int i = 0; i < ATRLIST_ROWS && ATRlist[i].cardType != vn_card::kNoCard; ++i) {
        const ATR_LIST_ENTRY& row = ATRlist[i];
        // The table is writable: read its texts only up to their buffers' ends.
        std::string rowAtr(row.atr, strnlen(row.atr, sizeof(row.atr)));
        std::string rowMask(row.mask, strnlen(row.mask, sizeof(row.mask)));
        if (!matches(cardAtr, cardLen, rowAtr, rowMask))
            continue;
        if (logName)
            vn_log_updateCardName(std::string(row.cardName, strnlen(row.cardName, sizeof(row.cardName))));
        return row.cardType;
    }
    for (const vn_card::AtrRow& row : vn_card::atrRows()) {
        if (row.position != vn_card::kAfterAtrList || !matches(cardAtr, cardLen, row.atr, row.mask))
            continue;
        if (logName)
            vn_log_updateCardName(row.logName);
        return row.code;
    }
    return 0;
}
