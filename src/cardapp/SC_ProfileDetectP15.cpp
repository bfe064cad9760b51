// CSC_Profile: the routines of the cards whose layout follows their PKCS#15 token
// information (CardOS 4.3, 4.4, 5.0, 5.4 and SetCOS).
#include <cstring>

#include "Layouts.h"
#include "Pkcs15.h"
#include "SC_Profile.h"
#include "SC_Profile_Base.h"
#include "vn_log.h"

namespace {
bool startsWith(const std::string& s, const char* prefix) { return s.compare(0, std::strlen(prefix), prefix) == 0; }

// One label rule of CardOS 4.3: the literal compared over count bytes (a count one
// larger than the literal includes its terminator, i.e. asks for equality).
struct LabelRule {
    const char* literal;
    size_t count;
    int profile;
    int single;  // 1 single, 0 multi, -1 unchanged
    bool signCard;
};
const LabelRule cardOS43Labels[] = {
    {"SignCard single", 15, CP_QUORVEL, 1, true},
    {"SignCard multi", 13, CP_QUORVEL, 0, true},
    {"PKCS15andSigG", 13, CP_QUORVEL, 0, true},
    {"TC QSign", 9, CP_TC_QSIGN, 1, false},
    {"TC QSign unlimited", 18, CP_TC_QSIGN_UNLIMITED, 0, false},
    {"D-SIGN multicard 2.0 2ce", 25, CP_DSIGN_MULTICARD_2CE, 0, false},
    {"D-SIGN multicard", 16, CP_DSIGN_MULTICARD, 0, false},
    {"D-TRUST multicard", 17, CP_DTRUST_MULTICARD, 0, false},
    {"D-TRUST card 2.4 2ce", 20, CP_DTRUST_CARD_2CE, -1, false},
    {"D-TRUST card", 12, CP_DTRUST_CARD, -1, false},
};

// CardOS 5 labels, compared over their full length.
struct ExactLabel {
    const char* label;
    int profile;
    bool single;
};
const ExactLabel cardOS50Labels[] = {
    {"D-TRUST Card V3.1 standard", CP_DTRUST_V31_STANDARD, true},
    {"D-TRUST Card V3.1 batch100", CP_DTRUST_V31_BATCH100, false},
    {"D-TRUST Card V3.1 multicard", CP_DTRUST_V31_MULTI, false},
    {"D-TRUST Card V3.4 standard", CP_DTRUST_V34_STANDARD, true},
    {"D-TRUST Card V3.4 multicard", CP_DTRUST_V34_MULTI, false},
};
const ExactLabel cardOS54Labels[] = {
    {"D-TRUST Card 4.1 Std. RSA", CP_DTRUST_41_STD_RSA, true},
    {"D-TRUST Card 4.1 M100 ECC", CP_DTRUST_41_M100_ECC, false},
    {"D-TRUST Card 4.1 Multi ECC", CP_DTRUST_41_MULTI_ECC, false},
    {"D-TRUST Card 4.4 Std. RSA", CP_DTRUST_44_STD_RSA, true},
    {"D-TRUST Card 4.4 Multi ECC", CP_DTRUST_44_MULTI_ECC, false},
};
}  // namespace

void CSC_Profile::TakeTokenSerial() {
    CPkcs15DfTi* ti = m_pkcs15 ? m_pkcs15->getDf_ti() : nullptr;
    if (ti == nullptr)
        return;
    if (!ti->getSerialNumber().empty()) {
        TakeCardSerial();
        return;
    }
    m_card->PushCurrentFile("");
    TakeCardSerial();
    std::vector<char> text(m_serial.begin(), m_serial.end());
    text.push_back('\0');
    ti->setSerialNumber(text.data());
    m_card->PopCurrentFile();
}

int CSC_Profile::SetCardOS43Profile() {
    delete m_pkcs15;
    m_pkcs15 = nullptr;
    m_pkcs15 = new CPkcs15(m_card);
    CPkcs15DfTi* ti = m_pkcs15->getDf_ti();
    if (ti == nullptr)
        return 0;
    char label[256] = {0};
    std::strncpy(label, ti->getLabel().c_str(), sizeof label - 1);
    TakeTokenSerial();
    for (const LabelRule& r : cardOS43Labels) {
        if (std::memcmp(label, r.literal, r.count) != 0)
            continue;
        if (r.single >= 0)
            m_singleSign = r.single == 1;
        if (r.signCard)
            m_signCardToken = true;
        return r.profile;
    }
    const std::string l(label);
    if (startsWith(l, "Quorvel"))
        return CP_QUORVEL;
    if (startsWith(l, "SwissSignID")) {
        m_singleSign = false;
        return CP_SWISSSIGN_ID;
    }
    if (startsWith(l, "SuisseID")) {
        m_singleSign = false;
        return CP_SUISSEID;
    }
    if (startsWith(ti->getManufacturerID(), "Siemens"))
        return CP_QUOVADIS_CH;
    return 0;
}

bool CSC_Profile::CheckCardOS43() {
    m_profileType = SetCardOS43Profile();
    switch (m_profileType) {
    case CP_QUOVADIS_CH:
        AddLayout(kCardOS43Quovadis);
        AddLayout(kCardOS43Pins21);
        break;
    case CP_QUORVEL:
        CheckPKCS15();
        AddLayout(kCardOS43Pins20);
        break;
    case CP_SWISSSIGN_ID:
        CheckPKCS15();
        AddLayout(kCardOS43Pins40);
        break;
    case CP_SUISSEID:
        CheckPKCS15();
        AddLayout(kCardOS43Pins41);
        break;
    case CP_TC_QSIGN_UNLIMITED:
    case CP_TC_QSIGN:
        m_card->SelectPath("3f00/5015/5031", true, true, false, false);
        CheckPKCS15();
        AddLayout(kCardOS43TcQSign);
        AddLayout(kCardOS43Pins26);
        break;
    case CP_DSIGN_MULTICARD:
    case CP_DTRUST_MULTICARD:
        AddLayout(kCardOS43DTrust);
        AddLayout(kCardOS43Pins22);
        break;
    case CP_DTRUST_CARD_24:
    case CP_DTRUST_CARD:
        AddLayout(kCardOS43DTrust);
        AddLayout(kCardOS43Pins24);
        break;
    case CP_DSIGN_MULTICARD_2CE:
        AddLayout(kCardOS43DTrust2ce);
        AddLayout(kCardOS43Pins28);
        break;
    case CP_DTRUST_CARD_2CE:
        AddLayout(kCardOS43DTrust2ce);
        AddLayout(kCardOS43Pins29);
        break;
    default: break;
    }
    return m_certCount > 0;
}

int CSC_Profile::SetCardOS44Profile() {
    m_signCardToken = false;
    m_singleSign = true;
    if (Selectable("3f00200020010001"))
        return CP_DTRUST_CARDOS44;
    if (!Selectable(std::string("3f005015") + "5600"))
        return 0;
    delete m_pkcs15;
    m_pkcs15 = new CPkcs15(m_card);
    CPkcs15DfTi* ti = m_pkcs15->getDf_ti();
    if (ti == nullptr) {
        delete m_pkcs15;
        m_pkcs15 = nullptr;
        return 0;
    }
    if (startsWith(ti->getManufacturerID(), "Siemens")) {
        m_singleSign = false;
        return CP_QUOVADIS_CARDOS44;
    }
    if (startsWith(ti->getManufacturerID(), "SwissSign")) {
        m_singleSign = false;
        return CP_SWISSSIGN_CARDOS44;
    }
    return 0;
}

bool CSC_Profile::CheckCardOS44() {
    TakeCardSerial();
    m_profileType = SetCardOS44Profile();
    switch (m_profileType) {
    case CP_DTRUST_CARDOS44: return AddLayout(kCardOS44DTrust) > 0;
    case CP_QUOVADIS_CARDOS44: return AddLayout(kCardOS44Quovadis) > 0;
    case CP_SWISSSIGN_CARDOS44: return AddLayout(kCardOS44SwissSign) > 0;
    default: return false;
    }
}

int CSC_Profile::SetCardOS5xProfile(bool v54) {
    m_signCardToken = false;
    m_singleSign = true;
    m_signAlgorithm = 1;
    m_keySize = 2048;
    delete m_pkcs15;
    m_pkcs15 = new CPkcs15(m_card);
    CPkcs15DfTi* ti = m_pkcs15->getDf_ti();
    if (ti == nullptr)
        return 0;
    TakeTokenSerial();
    const std::string& label = ti->getLabel();
    if (!label.empty() && label.back() == 'e')
        m_keySize = 3072;
    for (const ExactLabel& r : v54 ? cardOS54Labels : cardOS50Labels) {
        if (label == r.label) {
            m_singleSign = r.single;
            return r.profile;
        }
    }
    return 0;
}

bool CSC_Profile::CheckCardOS50() {
    m_profileType = SetCardOS5xProfile(false);
    if (m_profileType < CP_DTRUST_V31_STANDARD || m_profileType > CP_DTRUST_V34_MULTI)
        return false;
    return AddLayout(kCardOS50) > 0;
}

bool CSC_Profile::CheckCardOS54() {
    m_profileType = SetCardOS5xProfile(true);
    if (m_profileType < CP_DTRUST_41_STD_RSA || m_profileType > CP_DTRUST_44_MULTI_ECC)
        return false;
    // The ECC cards hold P-256 keys: a signature is r||s of 2 x 32 bytes, not a modulus.
    const int kEccKeyBits = 256;
    if (m_profileType == CP_DTRUST_41_M100_ECC || m_profileType == CP_DTRUST_41_MULTI_ECC ||
        m_profileType == CP_DTRUST_44_MULTI_ECC)
        m_keySize = kEccKeyBits;
    int added = AddLayout(kCardOS54Sig);
    if (m_profileType <= CP_DTRUST_41_MULTI_ECC)
        added += AddLayout(kCardOS54Auth);
    return added > 0;
}

bool CSC_Profile::CheckSetCos441() { return CheckSetCos(false); }
bool CSC_Profile::CheckSetCos442() { return CheckSetCos(true); }

bool CSC_Profile::CheckSetCos(bool v442) {
    // The card's serial (the profile cache tells the card by it) is read first, from the
    // MF where the application's directory follows.
    if (!v442)
        m_card->getCardSerial();
    delete m_pkcs15;
    m_pkcs15 = new CPkcs15(m_card);
    CPkcs15DfTi* ti = m_pkcs15->getDf_ti();
    if (ti == nullptr)
        return false;
    const std::string& serial = ti->getSerialNumber();
    const std::string kept = serial.size() > 14 ? serial.substr(serial.size() - 14) : serial;
    std::memset(m_serialBin, 0, sizeof m_serialBin);
    std::memcpy(m_serialBin, kept.data(), kept.size());
    m_serial = serial;
    CheckPKCS15();
    const std::string& label = ti->getLabel();
    if (label == "Telia EID IP2i")
        AddLayout(kSetCosTelia2i);
    else if (label == "IDENTITETSKORT")
        AddLayout(kSetCosIdentitetskort);
    else if (v442 && label == "Telia EID IP5a")
        AddLayout(kSetCosTelia5a);
    else if (v442 && label == "Instant EID IP9")
        AddLayout(kSetCosInstant9);
    else
        AddLayout(kSetCosOther);
    return m_certCount > 0;
}
