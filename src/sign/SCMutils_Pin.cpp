// PIN verification and change for a certificate of the card in the current reader,
// each through a key interface that lives for the one call.
#include "SCUtils.h"

#include <string>

#include "Reader.h"
#include "SCM_Interface.h"
#include "SC_Profile.h"
#include "SafeMem.h"
#include "infra/Loggers.h"

namespace {

std::string text(const char* s) { return s == nullptr ? std::string() : std::string(s); }

}  // namespace

int32_t CSCUtils::VerifyPIN(int certIndex, char* pin) {
    LOG4CXX_DEBUG(m_logger, "entering VerifyPIN()\n");
    LOG4CXX_DEBUG(m_logger, "iSlot : " << certIndex);
    if (reader < 0)
        return 0;
    CReader r;
    CSC_ProfileHandle profile(r.ReadSCProfile(reader));
    if (!profile)
        return -1;
    numCerts = profile->m_certCount;
    if (certIndex < 0 || certIndex >= numCerts)
        return -2;
    char id[34];
    // The key interface owns the profile and its card object from here on.
    CSCM_Interface key(profile.release(), r.GetBaseProfile(), reader, certIndex, itoa(certIndex, id, 10), myHinstDLL);
    return key.VerifyPIN(text(pin)) ? 1 : 0;
}

int32_t CSCUtils::ChangePIN(int certIndex, char* oldPin, char* newPin) {
    LOG4CXX_DEBUG(m_logger, "entering ChangePIN()\n");
    LOG4CXX_DEBUG(m_logger, "iSlot : " << certIndex);
    if (reader < 0)
        return 0;
    CReader r;
    CSC_ProfileHandle profile(r.ReadSCProfile(reader));
    if (!profile)
        return -1;
    numCerts = profile->m_certCount;
    if (certIndex < 0 || certIndex >= numCerts)
        return -2;
    char id[34];
    // The key interface owns the profile and its card object from here on.
    CSCM_Interface key(profile.release(), r.GetBaseProfile(), reader, certIndex, itoa(certIndex, id, 10), myHinstDLL);
    return key.ModifyPIN(text(oldPin), text(newPin)) ? 1 : 0;
}
