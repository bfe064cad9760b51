// The card application object that the reader builds on a connected card-OS object.
#include "../card/CardFactory.h"

#include <new>

#include "SC_Profile.h"

CSC_Profile* vn_create_card_profile(CSC_Profile_Base* cardOs) {
    if (cardOs == nullptr)
        return nullptr;
    return new (std::nothrow) CSC_Profile(cardOs);
}
