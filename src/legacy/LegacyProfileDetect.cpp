// CProfile: the legacy detection routines of the card families with fixed layouts
// (TCOS, Micardo, STARCOS, SECCOS); each registers rows of the card-layout tables.
#include <cstring>
#include <memory>
#include <string>

#include "CertInfoSC.h"
#include "LegacyLayouts.h"
#include "LegacyProfile.h"
#include "SC_Profile.h"
#include "vn_log.h"

namespace {
const int kMedisignKnownRef = 129;
const size_t kSubjectSize = 1024;
const char kStarcos34SerialPrefix[] = "927600321";

// Record 1 (STARCOS 3.2) or 3 (STARCOS 3.0) of a security environment file.
bool singleSignatureFile(CSmartCard& card, const char* path, unsigned char record) {
    if (card.SelectPath(path, true, false) != 0)
        return false;
    unsigned char rec[256] = {0};
    unsigned short length = sizeof rec;
    if (card.ReadRecord(record, rec, &length) != 0 || length > sizeof rec)
        return false;
    return legacy::singleSignatureRecord(rec, length);
}
}  // namespace

bool CProfile::CheckSignTrust1k(CSmartCard& card) {
    if (!legacy::present(*this, card, "3f008000df01c000"))
        return false;
    m_singelsign[m_readerId] = false;
    return legacy::addLayout(*this, card, kSigntrust1k, CP_SIGNTRUST_1K) > 0;
}

bool CProfile::CheckDatev1k(CSmartCard& card) {
    if (!legacy::present(*this, card, "3f003000c500"))
        return false;
    m_singelsign[m_readerId] = false;
    return legacy::addLayout(*this, card, kDatev, CP_DATEV) > 0;
}

bool CProfile::CheckMedisign1k(CSmartCard& card) {
    if (!legacy::present(*this, card, "3f008200c000") || card.SelectPath("3f008300c000", true, false) != 0)
        return false;
    const std::vector<unsigned char> der = legacy::readCertificate(card, "3f00df01c00e", 0, 0);
    if (der.empty())
        return false;
    m_singelsign[m_readerId] = false;
    // The PINs answer to reference 129 on cards of the known medisign CAs.
    legacy::RowValues v;
    std::vector<unsigned char> copy(der);
    CCertInfoSC ca("dummy", copy.data(), static_cast<unsigned short>(copy.size()));
    unsigned char subject[kSubjectSize];
    unsigned int length = sizeof subject;
    if (ca.getDER(1, subject, &length) == 1)
        for (const MedicardName& m : medicards)
            if (m.length == length && std::memcmp(m.der, subject, length) == 0)
                v.medisignRef = kMedisignKnownRef;
    return legacy::addLayout(*this, card, kMedisign1k, CP_MEDISIGN_1K, v) > 0;
}

bool CProfile::CheckTelesec1k(CSmartCard& card) {
    if (!legacy::present(*this, card, "3f00df06c000") && !legacy::present(*this, card, "3f00df01c000"))
        return false;
    m_singelsign[m_readerId] = false;
    return legacy::addLayout(*this, card, kTeleSec, CP_TELESEC) > 0;
}

bool CProfile::CheckTelesec2k(CSmartCard& card) { return legacy::addLayout(*this, card, kTcos3, CP_TELESEC3) > 0; }

bool CProfile::CheckMicardo1k(CSmartCard& card) {
    // The single-signature flag was read with the serial number (token information).
    return legacy::addLayout(*this, card, kMicardo21, CP_DTRUST_1K) > 0;
}

bool CProfile::CheckSignTrust2k(CSmartCard& card) {
    m_singelsign[m_readerId] = singleSignatureFile(card, "3f003f010013", 3);
    return legacy::addLayout(*this, card, kStarcos30, CP_SIGNTRUST2K) > 0;
}

bool CProfile::CheckSTrust(CSmartCard& card) {
    legacy::RowValues v;
    v.sigKeyBits = 1536;
    v.authKeyBits = 1536;
    bool single = m_singelsign[m_readerId];
    // The product table lookup of the main detection, on this card's command object.
    if (card.getCardOS() != nullptr) {
        CSC_Profile reader(nullptr);
        reader.m_card = card.getCardOS();
        reader.GetSeccosInfo(&v.authKeyBits, &v.sigKeyBits, nullptr, &single);
        reader.m_card = nullptr;
    }
    m_singelsign[m_readerId] = single;
    v.seccosSingle = single;
    return legacy::addLayout(*this, card, kSeccos5, CP_STRUST, v) > 0;
}

bool CProfile::CheckStarCos32(CSmartCard& card) {
    m_singelsign[m_readerId] = singleSignatureFile(card, "3f003f040015", 1);
    if (CheckMediSign2k(card))
        return true;
    return CheckSignTrust2k9(card);
}

bool CProfile::CheckMediSign2k(CSmartCard& card) {
    if (!legacy::present(*this, card, "3f003f02c200"))
        return false;
    m_cardosProfile[m_readerId] = CP_MEDISIGN2K;
    return legacy::addLayout(*this, card, kStarcos32Medisign, CP_MEDISIGN2K) > 0;
}

bool CProfile::CheckSignTrust2k9(CSmartCard& card) {
    if (!legacy::present(*this, card, "3f003f01c200") || !legacy::present(*this, card, "3f003f01c208"))
        return false;
    const int profile = m_singelsign[m_readerId] ? CP_SIGNTRUST32_SINGLE : CP_SIGNTRUST32_MULTI;
    m_cardosProfile[m_readerId] = profile;
    return legacy::addLayout(*this, card, kStarcos32, profile) > 0;
}

bool CProfile::CheckStarCos34(CSmartCard& card) {
    const std::string serial = card.getSerial();
    const size_t prefix = std::strlen(kStarcos34SerialPrefix);
    if (serial.size() < prefix + 2 || serial.compare(0, prefix, kStarcos34SerialPrefix) != 0)
        return false;
    const std::string kind = serial.substr(prefix, 2);
    int profile;
    bool single;
    if (kind == "01") {
        profile = CP_DTRUST3_01;
        single = true;
    } else if (kind == "02") {
        profile = CP_DTRUST3_02;
        single = true;
    } else if (kind == "03") {
        profile = CP_DTRUST3_03;
        single = false;
    } else if (kind == "04") {
        profile = CP_DTRUST3_04;
        single = false;
    } else {
        return false;
    }
    m_singelsign[m_readerId] = single;
    m_cardosProfile[m_readerId] = profile;
    int added = legacy::addLayout(*this, card, kStarcos34Auth, profile);
    if (profile != CP_DTRUST3_01)
        added += legacy::addLayout(*this, card, kStarcos34Qualified, profile);
    return added > 0;
}
