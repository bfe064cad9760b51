// Questions about the card in a reader: present, supported, layout, hash algorithms.
#include "SignMessage.h"

#include <memory>

#include "Reader.h"
#include "SC_Profile.h"
#include "infra/Loggers.h"

namespace {

CSC_ProfileHandle readProfile(CReader& r, int reader) {
    if (reader < 0 || !r.isCard(reader))
        return CSC_ProfileHandle();
    return CSC_ProfileHandle(r.ReadSCProfile(reader));
}

}  // namespace

bool CSignMessage::IsSmartCardPresent(int reader) {
    VN_TRACE_ENTER(m_logger, "IsSmartCardPresent");
    if (reader < 0)
        return false;
    CReader r;
    const bool present = r.isCard(reader);
    LOG4CXX_DEBUG(m_logger, "leaving IsSmartCardPresent: " << present);
    return present;
}

bool CSignMessage::isSmartCardSupported(int reader) {
    VN_TRACE_ENTER(m_logger, "isSmartCardSupported");
    CReader r;
    CSC_ProfileHandle profile = readProfile(r, reader);
    const bool supported = profile && profile->m_profileType != 0;
    LOG4CXX_DEBUG(m_logger, "leaving isSmartCardSupported: " << supported);
    return supported;
}

int CSignMessage::GetSmartCardProfileType(int reader) {
    LOG4CXX_DEBUG(m_logger, "entering GetSmartCardProfileType: " << reader);
    int type = -1;
    CReader r;
    if (reader >= 0 && r.isCard(reader)) {
        CSC_ProfileHandle profile(r.ReadSCProfile(reader));
        type = profile ? profile->m_profileType : 0;
    }
    LOG4CXX_DEBUG(m_logger, "leaving GetSmartCardProfileType: " << type);
    return type;
}

bool CSignMessage::IsSmartCardHashAlgoSupported(int reader, int nAlgoID) {
    VN_TRACE_ENTER(m_logger, "IsSmartCardHashAlgoSupported");
    CReader r;
    CSC_ProfileHandle profile = readProfile(r, reader);
    const bool supported = profile && profile->isSupportedHashAlgo(nAlgoID);
    LOG4CXX_DEBUG(m_logger, "leaving IsSmartCardHashAlgoSupported: " << supported);
    return supported;
}
