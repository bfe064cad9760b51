// CSC_Profile: detection dispatch and the routines of the card families without a
// PKCS#15 application (TCOS, Micardo, STARCOS, SECCOS, SmartCard-HSM).
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "ASN1.h"
#include "CertInfoSC.h"
#include "ConfigSC.h"
#include "LayoutMsgIds.h"
#include "Layouts.h"
#include "PinObj.h"
#include "SC_Profile.h"
#include "SC_Profile_Base.h"
#include "card/CardTypes.h"
#include "vn_log.h"

namespace {
bool startsWith(const std::string& s, const char* prefix) { return s.compare(0, std::strlen(prefix), prefix) == 0; }

// Scans a security environment record for 9F 22; true when the first one is followed by 01 01.
bool singleSignatureRecord(const unsigned char* rec, unsigned short length) {
    for (unsigned i = 0; i + 2 < length; ++i) {
        if (rec[i] == 0x9F && rec[i + 1] == 0x22)
            return i + 3 < length && rec[i + 2] == 0x01 && rec[i + 3] == 0x01;
    }
    return false;
}
}  // namespace

int CSC_Profile::Init() {
    // The routine each detection named by a card type row stands for.
    struct Routine {
        vn_card::Detection detection;
        bool (CSC_Profile::*detect)();
    };
    using D = vn_card::Detection;
    // clang-format off
    static const Routine kRoutines[] = {
        {D::Tcos2,        &CSC_Profile::CheckTCOS2},
        {D::Tcos3,        &CSC_Profile::CheckTCOS3},
        {D::Micardo21,    &CSC_Profile::CheckMicardo21},
        {D::CardOs43,     &CSC_Profile::CheckCardOS43},
        {D::Starcos30,    &CSC_Profile::CheckStarCos30},
        {D::Seccos5,      &CSC_Profile::CheckSecCos5x},
        {D::Setcos441,    &CSC_Profile::CheckSetCos441},
        {D::Starcos32,    &CSC_Profile::CheckStarCos32},
        {D::Setcos442,    &CSC_Profile::CheckSetCos442},
        {D::CardOs44,     &CSC_Profile::CheckCardOS44},
        {D::Starcos34,    &CSC_Profile::CheckStarCos34},
        {D::Tcos3v2,      &CSC_Profile::CheckTCOS3v2},
        {D::Starcos35,    &CSC_Profile::CheckStarCos35},
        {D::CardOs50,     &CSC_Profile::CheckCardOS50},
        {D::SmartCardHsm, &CSC_Profile::CheckSmartCardHSM},
        {D::CardOs54,     &CSC_Profile::CheckCardOS54},
    };
    // clang-format on
    m_profileType = 0;
    if (m_card == nullptr)
        return 0;
    m_presence.clear();
    try {
        // Card types without a row or a routine (CardOS 4.01a, unknown cards) detect nothing.
        const vn_card::CardTypeRow* row = vn_card::cardType(m_card->getCardType());
        const D detection = row != nullptr ? row->detection : D::None;
        for (const Routine& r : kRoutines)
            if (r.detection == detection) {
                (this->*r.detect)();
                break;
            }
    } catch (...) {
        vn_log(1, "CSC_Profile::Init: detection stopped\n");
    }
    m_presence.clear();
    vn_log_updateCardName(m_card->getCardName());
    return 1;
}

void CSC_Profile::TakeCardSerial() {
    if (m_card != nullptr)
        setSerial(m_card->getCardSerial());
}

bool CSC_Profile::CheckTCOS2() {
    TakeCardSerial();
    m_singleSign = false;
    if (Present("3f008000df01c000") && AddLayout(kSigntrust1k) > 0) {
        m_profileType = CP_SIGNTRUST2K;
        return true;
    }
    if (Present("3f003000c500") && AddLayout(kDatev) > 0) {
        m_profileType = CP_DATEV;
        return true;
    }
    if (Present("3f008200c000") && CheckMedisign1k()) {
        m_profileType = CP_MEDISIGN_1K;
        return true;
    }
    if (Present("3f00df064331") && Present("3f00df014371") && AddLayout(kQuoVadis1k) > 0) {
        vn_log(3, "Add cert Telesec 3f00df064331\n");
        vn_log(3, "Add cert Telesec 3f00df014371\n");
        m_profileType = CP_QUOVADIS_1K;
        return true;
    }
    if ((Present("3f00df06c000") || Present("3f00df01c000")) && AddLayout(kTeleSec) > 0) {
        m_profileType = CP_TELESEC;
        return true;
    }
    return false;
}

bool CSC_Profile::CheckMedisign1k() {
    if (!Selectable("3f008300c000"))
        return false;
    // Selecting and reading the CA certificate is one step: its selection is the read's.
    std::unique_ptr<CCertInfoSC> ca(ReadCertFile("3f00df01c00e", 0, 0, "dummy"));
    if (!ca)
        return false;
    LayoutValues v;
    unsigned char subject[1024];
    unsigned int length = sizeof subject;
    if (ca->getDER(1, subject, &length) == 1) {
        for (const MedicardName& m : medicards)
            if (m.length == length && std::memcmp(m.der, subject, length) == 0)
                v.medisignRef = 129;
    }
    return AddLayout(kMedisign1k, v) > 0;
}

bool CSC_Profile::CheckTCOS3() {
    bool single = true;
    if (m_card->SelectPath("3f00df015349", true, true, false, false) == 0) {
        unsigned char rec[256] = {0};
        unsigned short length = sizeof rec;
        if (m_card->ReadRecord(1, rec, &length) == 0 && length >= 14 && length <= sizeof rec)
            single = rec[length - 14] != 0;
    }
    m_singleSign = single;
    m_profileType = single ? CP_TELESEC3 : CP_TELESEC3_MULTI;
    TakeCardSerial();
    return AddLayout(kTcos3) > 0;
}

bool CSC_Profile::CheckMicardo21() {
    m_profileType = CP_DTRUST_1K;
    m_singleSign = true;
    TakeCardSerial();
    if (m_card->SelectPath("3f0050155032", true, true, false, false) == 0) {
        std::vector<unsigned char> ti(2048, 0);
        unsigned short length = static_cast<unsigned short>(ti.size());
        if (m_card->ReadFile(ti.data(), &length) == 0 && length > 0) {
            char name[256] = {0};
            if (CASN1::getCardName1k(ti.data(), length, name, sizeof name)) {
                std::string n(name);
                if (startsWith(n, "D-TRUST QUAL Multi") || startsWith(n, "Quorvel GmbH"))
                    m_singleSign = false;
            }
        }
    }
    return AddLayout(kMicardo21) > 0;
}

bool CSC_Profile::CheckStarCos30() {
    TakeCardSerial();
    m_singleSign = false;
    m_profileType = CP_SIGNTRUST_STARCOS;
    if (m_card->SelectPath("3f003f010013", true, true, false, false) == 0) {
        unsigned char rec[256] = {0};
        unsigned short length = sizeof rec;
        if (m_card->ReadRecord(3, rec, &length) == 0 && singleSignatureRecord(rec, length)) {
            m_singleSign = true;
            m_profileType = CP_SIGNTRUST2K;
        }
    }
    return AddLayout(kStarcos30) > 0;
}

bool CSC_Profile::CheckStarCos32() {
    TakeCardSerial();
    m_singleSign = false;
    if (m_card->SelectPath("3f003f040015", true, true, false, false) == 0) {
        unsigned char rec[256] = {0};
        unsigned short length = sizeof rec;
        if (m_card->ReadRecord(1, rec, &length) == 0 && singleSignatureRecord(rec, length))
            m_singleSign = true;
    }
    if (Present("3f003f02c200")) {
        m_profileType = CP_MEDISIGN2K;
        return AddLayout(kStarcos32Medisign) > 0;
    }
    if (Present("3f003f01c200") && Present("3f003f01c208")) {
        m_profileType = m_singleSign ? CP_SIGNTRUST32_SINGLE : CP_SIGNTRUST32_MULTI;
        return AddLayout(kStarcos32) > 0;
    }
    return false;
}

bool CSC_Profile::CheckStarCos34() {
    TakeCardSerial();
    if (!startsWith(m_serial, "927600321") || m_serial.size() < 11)
        return false;
    const std::string kind = m_serial.substr(9, 2);
    if (kind == "01") {
        m_profileType = CP_DTRUST3_01;
        m_singleSign = true;
    } else if (kind == "02") {
        m_profileType = CP_DTRUST3_02;
        m_singleSign = true;
    } else if (kind == "03") {
        m_profileType = CP_DTRUST3_03;
        m_singleSign = false;
    } else if (kind == "04") {
        m_profileType = CP_DTRUST3_04;
        m_singleSign = false;
    } else {
        return false;
    }
    int added = AddLayout(kStarcos34Auth);
    if (m_profileType != CP_DTRUST3_01)
        added += AddLayout(kStarcos34Qualified);
    return added > 0;
}

bool CSC_Profile::CheckStarCos35() {
    TakeCardSerial();
    const CardLayout* l = nullptr;
    if (Selectable("3f000604c001") && Selectable("3f000608c003")) {
        m_profileType = CP_STARCOS35_A;
        m_singleSign = false;
        l = &kStarcos35A;
    } else if (Selectable("3f000604c000") && Selectable("3f000608c200")) {
        m_profileType = CP_STARCOS35_B;
        m_singleSign = true;
        unsigned char data[258] = {0};
        unsigned long length = 0;
        if (m_card->GetData(0x9F, 0x67, 0x00, data, &length) == 0 && length > 4 && data[3] == 0x0C)
            m_singleSign = false;
        l = &kStarcos35B;
    }
    m_signAlgorithm = 1;
    return l != nullptr && AddLayout(*l) > 0;
}

bool CSC_Profile::CheckTCOS3v2() {
    m_profileType = CP_TCOS3V2;
    m_singleSign = true;
    m_signAlgorithm = 2;
    TakeCardSerial();
    vn_log(3, "CSC_Profile::CheckTCOS3v2: CheckCert(3f00df01c001) EF.C.ICC.QES\n");
    Present("3f00df01c001");
    vn_log(3, "CSC_Profile::CheckTCOS3v2: CheckCert(3f00df02c000) EF.C.ICC.ADS\n");
    Present("3f00df02c000");
    return AddLayout(kTcos3v2) > 0;
}

bool CSC_Profile::CheckSecCos5x() {
    TakeCardSerial();
    LayoutValues v;
    v.sigKeyBits = 1536;
    v.authKeyBits = 1536;
    bool single = m_singleSign;
    GetSeccosInfo(&v.authKeyBits, &v.sigKeyBits, nullptr, &single);
    m_singleSign = single;
    v.seccosSingle = single;
    return AddLayout(kSeccos5, v) > 0;
}

bool CSC_Profile::CheckSmartCardHSM() {
    m_profileType = CP_SMARTCARD_HSM;
    m_singleSign = false;
    m_signAlgorithm = 1;
    TakeCardSerial();
    std::vector<unsigned char> ids(4096, 0);
    unsigned long length = static_cast<unsigned long>(ids.size());
    vn_log(3, "Enumerate Object List\n");
    if (m_card->EnumerateObjects(ids.data(), &length) != 0)
        return false;
    if (length > ids.size())
        length = static_cast<unsigned long>(ids.size());
    bool pinAdded = false;
    for (unsigned long i = 0; i + 1 < length; i += 2) {
        if (ids[i] != 0xCE)
            continue;
        char certPath[16], keyPath[16], label[32];
        std::snprintf(certPath, sizeof certPath, "3f00%02x%02x", ids[i], ids[i + 1]);
        std::snprintf(keyPath, sizeof keyPath, "3f00c4%02x", ids[i + 1]);
        std::snprintf(label, sizeof label, "Cert %02X%02X", ids[i], ids[i + 1]);
        if (!Present(certPath))
            continue;
        // Every key is guarded by the one user PIN of the device, registered at the MF.
        AddCardObject(1, label, m_profileType, certPath, 0, 0, keyPath, "3f00", 0, ids[i + 1], 2048, 64,
                      CMsg::GetRessString(pinname::GLOBAL), false, false, 3, false);
        if (!pinAdded) {
            AddPinObject(CMsg::GetRessString(pinname::GLOBAL), 0, "3f00", 0, false, false, nullptr, 6, 16, -1, false);
            pinAdded = true;
        }
    }
    return m_certCount > 0;
}
