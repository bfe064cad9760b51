// Card labels, ATR matching and card names of the card command object.
#include "AtrMatch.h"
#include "CardTypes.h"
#include "SC_Profile_Base.h"

int CSC_Profile_Base::CardType(std::string label) { return vn_card::cardTypeOfLabel(label); }

int CSC_Profile_Base::DetermineCardOS(std::string atr) {
    if (atr == "---")
        return 0;
    return vn_match_atr(atr, false);
}

bool CSC_Profile_Base::UpdateSCardType(int type) {
    m_cardType = type;
    const vn_card::CardTypeRow* row = vn_card::cardType(type);
    m_cardName = row != nullptr ? row->name : "unknown smartcard";
    return true;
}
