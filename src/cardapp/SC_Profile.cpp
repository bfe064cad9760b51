// CSC_Profile: construction, the object lists and the queries.
#include "SC_Profile.h"

#include <cstring>

#include "CardFileCache.h"
#include "ConfigSC.h"
#include "PinObj.h"
#include "Pkcs15.h"
#include "SC_Profile_Base.h"
#include "SafeMem.h"
#include "infra/HexDigit.h"
#include "infra/MsgTables.h"

namespace {
struct ManufacturerRow {
    int profileType;
    const char* name;
};
// Manufacturer by profile type when the card has no PKCS#15 token information.
const ManufacturerRow manufacturers[] = {
    {CP_TELESEC, "TeleSec"},
    {CP_DTRUST_1K, "D-TRUST GmbH"},
    {CP_TELESEC3, "TeleSec"},
    {CP_TELESEC3_MULTI, "TeleSec"},
    {CP_SIGNTRUST_1K, "Signtrust"},
    {CP_SIGNTRUST2K, "Signtrust"},
    {CP_DATEV, "Datev"},
    {CP_STRUST, "Deutscher Sparkassen Verlag GmbH"},
    {CP_SETCOS, "SignGuard AB"},
    {CP_MEDISIGN_1K, "medisign GmbH "},
    {CP_MEDISIGN2K, "medisign GmbH "},
    {CP_STRUST_SINGLE, "Deutscher Sparkassen Verlag GmbH"},
    {CP_SIGNTRUST_STARCOS, "Signtrust"},
    {CP_SIGNTRUST_2K_B, "Signtrust"},
    {CP_QUORVEL, "Quorvel - Halvstrom AG"},
    {CP_QUOVADIS_CH, "QuoVadis Trustlink Schweiz AG"},
    {CP_DSIGN_MULTICARD, "D-TRUST GmbH"},
    {CP_DTRUST_MULTICARD, "D-TRUST GmbH"},
    {CP_DTRUST_CARD_24, "D-TRUST GmbH"},
    {CP_DTRUST_CARD, "D-TRUST GmbH"},
    {CP_TC_QSIGN_UNLIMITED, "TC TrustCenter GmbH"},
    {CP_TC_QSIGN, "TC TrustCenter GmbH"},
    {CP_DSIGN_MULTICARD_2CE, "D-TRUST GmbH"},
    {CP_DTRUST_CARD_2CE, "D-TRUST GmbH"},
    {CP_DTRUST3_01, "D-TRUST GmbH"},
    {CP_DTRUST3_02, "D-TRUST GmbH"},
    {CP_DTRUST3_04, "D-TRUST GmbH"},
    {CP_DTRUST3_03, "D-TRUST GmbH"},
    {CP_DTRUST_V31_STANDARD, "D-TRUST GmbH"},
    {CP_DTRUST_V31_BATCH100, "D-TRUST GmbH"},
    {CP_DTRUST_V31_MULTI, "D-TRUST GmbH"},
    {CP_DTRUST_V34_STANDARD, "D-TRUST GmbH"},
    {CP_DTRUST_V34_MULTI, "D-TRUST GmbH"},
    {CP_DTRUST_41_STD_RSA, "D-TRUST GmbH"},
    {CP_DTRUST_41_M100_ECC, "D-TRUST GmbH"},
    {CP_DTRUST_41_MULTI_ECC, "D-TRUST GmbH"},
    {CP_DTRUST_44_STD_RSA, "D-TRUST GmbH"},
    {CP_DTRUST_44_MULTI_ECC, "D-TRUST GmbH"},
};

}  // namespace

CSC_Profile::CSC_Profile(CSC_Profile_Base* card)
    : m_card(card),
      m_certCount(0),
      m_pinCount(0),
      m_signCardToken(false),
      m_pkcs15(nullptr),
      m_serialBin{},
      m_profileType(0),
      m_singleSign(true),
      m_signAlgorithm(0),
      m_keySize(0),
      m_files(std::make_shared<CCardFileCache>()) {
    Init();
}

CSC_Profile::~CSC_Profile() {
    delete m_pkcs15;
    for (CCardObject* o : m_objects)
        delete o;
    for (CPinObj* p : m_pins)
        delete p;
}

void CSC_Profile::FreeProfile() {
    delete m_card;
    m_card = nullptr;
}

int CSC_Profile::AddCardObject(int type, std::string label, int profileType, std::string certPath, int certOffset,
                               int certLength, std::string keyPath, std::string pinPath, int pinRef, int keyRef,
                               int keyBits, int keyClass, std::string pinName, bool singleSign, bool isCA,
                               unsigned int usage, bool decipherFlag) {
    m_objects.push_back(new CCardObject(
        type, std::move(label), profileType, std::move(certPath), certOffset, certLength, std::move(keyPath),
        std::move(pinPath), static_cast<unsigned char>(pinRef), static_cast<unsigned char>(keyRef), keyBits, keyClass,
        std::move(pinName), singleSign, isCA, static_cast<int>(usage), decipherFlag));
    if (type == 1)
        ++m_certCount;
    return 1;
}

int CSC_Profile::AddPinObject(std::string name, int pinIndex, std::string path, unsigned char pinRef, bool local,
                              bool flag2, CPinObj* related, int minLength, int maxLength, int third, bool option) {
    m_pins.push_back(new CPinObj(std::move(name), pinIndex, strTools::uniformPath(path), pinRef, local, flag2, related,
                                 minLength, maxLength, third, option));
    ++m_pinCount;
    return 1;
}

int CSC_Profile::AddPinObject(CPinObj* pin) {
    if (pin == nullptr)
        return 0;
    m_pins.push_back(new CPinObj(pin));
    ++m_pinCount;
    return 1;
}

CCardObject* CSC_Profile::getCert(int index) const {
    if (index < 0)
        return nullptr;
    for (CCardObject* o : m_objects) {
        if (o->m_type != 1)
            continue;
        if (index-- == 0)
            return o;
    }
    return nullptr;
}

std::string CSC_Profile::getCertLabel(int index) const {
    CCardObject* o = getCert(index);
    return o ? o->m_label : std::string(CMsg::GetRessString(msgid::kUnknown));
}

CPkcs15ExportCert* CSC_Profile::getPkcs15Cert(int index) const { return m_pkcs15 ? m_pkcs15->getCert(index) : nullptr; }

CPinObj* CSC_Profile::GetPinObject(std::string path, int pinRef) const {
    int i = GetPinObjectIndex(std::move(path), pinRef);
    return i < 0 ? nullptr : GetPinObject(i);
}

int CSC_Profile::GetPinObjectIndex(std::string path, int pinRef) const {
    const std::string wanted = strTools::uniformPath(path);
    int i = 0;
    for (const CPinObj* p : m_pins) {
        if (p->m_ref == pinRef && (!p->m_local || strTools::uniformPath(p->m_path) == wanted))
            return i;
        ++i;
    }
    return -1;
}

CPinObj* CSC_Profile::GetPinObject(int index) const {
    if (index < 0)
        return nullptr;
    for (CPinObj* p : m_pins)
        if (index-- == 0)
            return p;
    return nullptr;
}

std::string CSC_Profile::getManufacturer() const {
    if (m_pkcs15 != nullptr && m_pkcs15->getDf_ti() != nullptr)
        return m_pkcs15->getDf_ti()->getManufacturerID();
    for (const ManufacturerRow& r : manufacturers)
        if (r.profileType == m_profileType)
            return r.name;
    return "unknown";
}

std::string CSC_Profile::getModel() const { return m_pkcs15 ? "PKCS#15 SCard" : "SmartCard"; }

std::string CSC_Profile::getLabel() const {
    if (m_pkcs15 != nullptr && m_pkcs15->getDf_ti() != nullptr)
        return m_pkcs15->getDf_ti()->getLabel();
    return "SmartCard";
}

unsigned int CSC_Profile::getFlags() const {
    if (m_pkcs15 != nullptr && m_pkcs15->getDf_ti() != nullptr)
        return m_pkcs15->getDf_ti()->getTokenFlags();
    return 96;
}

bool CSC_Profile::isSupportedHashAlgo(int nAlgoID) const {
    // The card-OS object knows the hashes its commands can name.
    if (m_card != nullptr && !m_card->isSupportedHashAlgo(m_signAlgorithm, nAlgoID))
        return false;
    const int sha256 = 1;
    if (m_signAlgorithm == 1) {
        const int p = m_profileType;
        if (p == 15 || (p >= CP_DTRUST_V31_STANDARD && p <= CP_DTRUST_V34_MULTI))
            return nAlgoID == sha256;
        return nAlgoID >= 0 && nAlgoID < 4;
    }
    if (m_signAlgorithm == 2) {
        const int p = m_profileType;
        if (p == 17 || p == CP_DTRUST_41_M100_ECC || p == CP_DTRUST_41_MULTI_ECC || p == CP_DTRUST_44_MULTI_ECC)
            return nAlgoID == sha256;
        return true;
    }
    return true;
}

void CSC_Profile::setSerial(std::string hex) {
    m_serial = hex;
    std::memset(m_serialBin, 0, sizeof m_serialBin);
    const size_t pairs = hex.size() / 2;
    const size_t first = pairs > sizeof m_serialBin ? pairs - sizeof m_serialBin : 0;
    const size_t count = pairs - first;
    for (size_t i = 0; i < count; ++i) {
        int hi = vnhex::digitValue(hex[2 * (first + i)]), lo = vnhex::digitValue(hex[2 * (first + i) + 1]);
        m_serialBin[sizeof m_serialBin - count + i] = (hi < 0 || lo < 0) ? 0 : static_cast<unsigned char>(hi * 16 + lo);
    }
}
