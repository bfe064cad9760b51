// Creation of the card operating-system object and the card application object for
// a recognised card; Reader.cpp uses these so that it needs no concrete class.
#ifndef VN_CARD_CARDFACTORY_H
#define VN_CARD_CARDFACTORY_H

#include "CardIdentity.h"

class CSC_Profile_Base;
class CSC_Profile;

// The card-OS object for a card type, or null when the type has no class of its own.
CSC_Profile_Base* vn_create_card_os(int cardType);
// Settles what a card-OS object needs once it is connected (the protocol of T=0 cards).
void vn_card_os_connected(CSC_Profile_Base* cardOs, int cardType);
// The card application object on a connected card-OS object, or null when none can be made.
CSC_Profile* vn_create_card_profile(CSC_Profile_Base* cardOs);
// The same for a card known by identity: a copy of what an earlier call found on the
// same card (its serial is asked again), or a fresh detection, which is then kept.
CSC_Profile* vn_card_profile(const vn_card::CardIdentity& identity, CSC_Profile_Base* cardOs);

#endif
