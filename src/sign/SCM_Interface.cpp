// The key interface object: it owns the card application profile and the card
// command object of one opened card key.
#include "SCM_Interface.h"

#include "SC_Profile.h"
#include "SC_Profile_Base.h"

void* myHinstDLL = nullptr;

CSCM_Interface::CSCM_Interface(CSC_Profile* profile_, CSC_Profile_Base* cardProfile_, int32_t reader_,
                               int32_t certIndex_, std::string certID_, void* hostContext_)
    : profile(profile_),
      cardProfile(cardProfile_),
      reader(reader_),
      certIndex(certIndex_),
      certID(std::move(certID_)),
      hostContext(hostContext_) {
    // The card command object branches on the application layout.
    if (cardProfile != nullptr && profile != nullptr)
        cardProfile->SetCardProfile(profile->m_profileType);
}

CSCM_Interface::~CSCM_Interface() {
    // The profile refers to the card command object, so it goes first.
    delete profile;
    delete cardProfile;
}

CSC_Profile* CSCM_Interface::GetProfile() { return profile; }
