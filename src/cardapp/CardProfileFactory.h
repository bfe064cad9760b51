// Creation of the card application object that the reader facade builds on a connected
// card-OS object.
#ifndef VN_CARDAPP_CARDPROFILEFACTORY_H
#define VN_CARDAPP_CARDPROFILEFACTORY_H

#include "card/CardIdentity.h"

class CSC_Profile_Base;
class CSC_Profile;

// The card application object on a connected card-OS object, or null when none can be made.
CSC_Profile* vn_create_card_profile(CSC_Profile_Base* cardOs);
// The same for a card known by identity: a copy of what an earlier call found on the
// same card (its serial is asked again), or a fresh detection, which is then kept.
CSC_Profile* vn_card_profile(const vn_card::CardIdentity& identity, CSC_Profile_Base* cardOs);

#endif
