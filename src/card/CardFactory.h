// Creation of the card operating-system object for a recognised card, so that its users
// (the reader facade, the legacy card class) need no concrete class.
#ifndef VN_CARD_CARDFACTORY_H
#define VN_CARD_CARDFACTORY_H

class CSC_Profile_Base;

// The card-OS object for a card type, or null when the type has no class of its own.
CSC_Profile_Base* vn_create_card_os(int cardType);
// Settles what a card-OS object needs once it is connected (the protocol of T=0 cards).
void vn_card_os_connected(CSC_Profile_Base* cardOs, int cardType);

#endif
