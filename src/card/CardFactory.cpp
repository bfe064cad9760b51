// Creation of the card operating-system object for a card type. The card application
// object comes with the card application layer.
#include "CardFactory.h"

#include "CardTypes.h"
#include "SC_Profile_Base.h"

CSC_Profile_Base* vn_create_card_os(int cardType) {
    const vn_card::CardTypeRow* row = vn_card::cardType(cardType);
    return row != nullptr && row->create != nullptr ? row->create() : nullptr;
}

void vn_card_os_connected(CSC_Profile_Base* cardOs, int cardType) {
    const vn_card::CardTypeRow* row = vn_card::cardType(cardType);
    if (cardOs != nullptr && row != nullptr && row->t0Only)
        cardOs->setProtocol(SCARD_PROTOCOL_T0);
}
