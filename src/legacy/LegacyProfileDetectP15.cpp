// CProfile: the legacy detection routines of the cards whose layout follows their PKCS#15
// token information (CardOS, SetCOS). They run the main detection on the card object of
// the legacy command class and take its certificate objects and PKCS#15 reader.
#include "LegacyLayouts.h"
#include "LegacyProfile.h"
#include "Pkcs15.h"
#include "SC_Profile.h"
#include "vn_log.h"

namespace {
// Main detection on the card's command object (owned by the legacy command class).
struct BorrowedDetection {
    explicit BorrowedDetection(CSmartCard& card) : profile(card.getCardOS()) {}
    ~BorrowedDetection() {
        profile.m_card = nullptr;
        delete profile.m_pkcs15;
        profile.m_pkcs15 = nullptr;
    }
    BorrowedDetection(const BorrowedDetection&) = delete;
    BorrowedDetection& operator=(const BorrowedDetection&) = delete;
    CSC_Profile profile;
};

// Keeps the detection's PKCS#15 reader for the reader (GetP15CardProfile reads its token
// information later).
void keepPkcs15(int reader, CSC_Profile& profile) {
    delete CProfile::pkcs15[reader];
    CProfile::pkcs15[reader] = profile.m_pkcs15;
    profile.m_pkcs15 = nullptr;
}
}  // namespace

bool CProfile::CheckCardOS43(CSmartCard& card) {
    if (card.getCardOS() == nullptr)
        return false;
    BorrowedDetection d(card);
    m_cardosProfile[m_readerId] = d.profile.m_profileType;
    m_singelsign[m_readerId] = d.profile.m_singleSign;
    keepPkcs15(m_readerId, d.profile);
    return legacy::addCardObjects(*this, d.profile) > 0;
}

bool CProfile::CheckPKCS15(CSmartCard& card) {
    if (card.getCardOS() == nullptr)
        return false;
    BorrowedDetection d(card);
    m_singelsign[m_readerId] = d.profile.m_singleSign;
    keepPkcs15(m_readerId, d.profile);
    return legacy::addCardObjects(*this, d.profile) > 0;
}

bool CProfile::CheckCardOS401(CSmartCard&) {
    vn_log(3, "CProfile::CheckCardOS401: no layout known\n");
    return false;
}
