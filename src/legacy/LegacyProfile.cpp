// CProfile: construction on the host's card data or on PC/SC handles, the detection
// dispatch and the serial number.
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "ASN1.h"
#include "LegacyProfile.h"
#include "Pkcs15.h"
#include "ProfileTypes.h"
#include "SafeMem.h"
#include "card/AtrMatch.h"
#include "card/CardTypes.h"
#include "vn_log.h"

namespace {
// The label the host's card data would carry for a card type the legacy path knows by
// label (its row's first label, as wide text), for a profile built on handles without the
// host's card data; null for any other type. The texts live as long as the process.
const wchar_t* wideLabelOf(int cardType) {
    static std::mutex guard;
    static std::map<int, std::wstring> made;
    const vn_card::CardTypeRow* row = vn_card::cardType(cardType);
    if (row == nullptr || row->legacy == vn_card::LegacySupport::None || row->labels[0] == nullptr)
        return nullptr;
    std::lock_guard<std::mutex> lock(guard);
    auto it = made.find(cardType);
    if (it == made.end()) {
        const char* label = row->labels[0];
        it = made.emplace(cardType, std::wstring(label, label + std::strlen(label))).first;
    }
    return it->second.c_str();
}
const size_t kSerialChars = 16;  // text kept per reader
const char kTokenInfoPath[] = "3f0050155032";

int cardTypeOfHandle(SCARDHANDLE card) {
    unsigned char atr[MAX_ATR_SIZE];
    DWORD atrLength = sizeof atr;
    DWORD state = 0, protocol = 0, nameLength = 0;
    if (card == 0 || SCardStatus(card, nullptr, &nameLength, &state, &protocol, atr, &atrLength) != SCARD_S_SUCCESS ||
        atrLength == 0 || atrLength > sizeof atr)
        return 0;
    std::string text;
    char byte[4];
    for (DWORD i = 0; i < atrLength; ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : ":%02X", atr[i]);
        text += byte;
    }
    return vn_match_atr(text, false);
}

bool startsWith(const char* s, const char* prefix) { return std::strncmp(s, prefix, std::strlen(prefix)) == 0; }

// The host's card data, or card data of the profile's own for a profile on bare handles.
CARD_DATA* cardDataFor(CARD_DATA* host, CARD_DATA& local, SCARDCONTEXT context, SCARDHANDLE card, int cardType) {
    if (host != nullptr)
        return host;
    std::memset(&local, 0, sizeof local);
    local.hSCardCtx = context;
    local.hScard = card;
    local.pwszCardName = const_cast<wchar_t*>(wideLabelOf(cardType));
    return &local;
}

std::string hexText(const unsigned char* b, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[b[i] >> 4];
        s += digits[b[i] & 0x0F];
    }
    return s;
}

// Micardo cards: the serial and the card name of the token information; a multi-signature
// product name clears the reader's single-signature flag.
std::string micardoSerial(CSmartCard& card, int reader) {
    if (card.SelectPath(kTokenInfoPath, true, false) != 0)
        return std::string();
    std::vector<unsigned char> ti(4096, 0);
    unsigned short length = static_cast<unsigned short>(ti.size());
    if (card.ReadFile(ti.data(), &length) != 0 || length == 0 || length > ti.size())
        return std::string();
    std::string serial;
    unsigned char bin[64] = {0};
    unsigned char binLength = 0;
    if (CASN1::getCardSerial(ti.data(), length, bin, sizeof bin, &binLength) && binLength <= sizeof bin)
        serial = hexText(bin, binLength);
    char name[256] = {0};
    if (CASN1::getCardName1k(ti.data(), length, name, sizeof name)) {
        name[sizeof name - 1] = '\0';
        if (startsWith(name, "D-TRUST QUAL Multi") || startsWith(name, "Quorvel GmbH"))
            CProfile::m_singelsign[reader] = false;
    }
    return serial;
}

using LD = vn_card::LegacyDetection;

// The legacy detection a card type's row names.
LD legacyDetectionOf(int cardType) {
    const vn_card::CardTypeRow* row = vn_card::cardType(cardType);
    return row != nullptr ? row->legacyDetection : LD::None;
}

// Reads the card serial number into the reader's table: its last characters when longer.
int readSerial(CARD_DATA* cardData, int reader, int cardType) {
    CSmartCard card(cardData);
    const vn_card::CardTypeRow* row = vn_card::cardType(cardType);
    const bool micardo = row != nullptr && row->legacyDetection == vn_card::LegacyDetection::Micardo;
    std::string serial = micardo ? micardoSerial(card, reader) : card.getSerial();
    if (serial.size() > kSerialChars)
        serial = serial.substr(serial.size() - kSerialChars);
    std::memset(CProfile::m_cardnum[reader], 0, sizeof CProfile::m_cardnum[reader]);
    CSafeMem::strcpy(reinterpret_cast<char*>(CProfile::m_cardnum[reader]), sizeof CProfile::m_cardnum[reader],
                     serial.c_str());
    return serial.empty() ? 0 : 1;
}
}  // namespace

CProfile::CProfile(CARD_DATA* cardData)
    : m_cardData(cardData),
      m_cardType(0),
      m_hSCardCtx(cardData ? cardData->hSCardCtx : 0),
      m_hScard(cardData ? cardData->hScard : 0),
      m_readerId(0),
      m_readerNum(0) {
    if (cardData != nullptr && cardData->pwszCardName != nullptr)
        m_cardType = CSmartCard::GetCardType(cardData->pwszCardName);
    GetReaderId();
}

CProfile::CProfile(long context, long card)
    : m_cardData(nullptr),
      m_cardType(cardTypeOfHandle(card)),
      m_hSCardCtx(context),
      m_hScard(card),
      m_readerId(0),
      m_readerNum(0) {
    GetReaderId();
}

CProfile::~CProfile() = default;

int CProfile::GetProfile() {
    if (!validReader(m_readerId)) {
        vn_log(1, "CProfile::GetProfile: reader id %d out of range\n", m_readerId);
        return 0;
    }
    const int r = m_readerId;
    int type = 0;
    try {
        CARD_DATA local;
        CARD_DATA* cardData = cardDataFor(m_cardData, local, m_hSCardCtx, m_hScard, m_cardType);
        m_singelsign[r] = true;
        m_genkey[r] = false;
        m_cardosProfile[r] = 0;
        // The serial follows the card: read for every detection, before the card object of
        // the detection takes the reader's directory cache.
        readSerial(cardData, r, m_cardType);
        ClearCertList();
        g_hSCardCtx[r] = m_hSCardCtx;
        g_hScard[r] = m_hScard;
        CSmartCard card(cardData);
        card.SCSelectMF();
        switch (legacyDetectionOf(m_cardType)) {
        case LD::Tcos2:
            if (CheckSignTrust1k(card))
                type = CP_SIGNTRUST2K;
            else if (CheckDatev1k(card))
                type = CP_DATEV;
            else if (CheckMedisign1k(card))
                type = CP_MEDISIGN_1K;
            else if (CheckTelesec1k(card))
                type = CP_TELESEC;
            break;
        case LD::Tcos3:
            CheckTelesec2k(card);
            type = CP_TELESEC3;
            vn_log(3, "iType : CSC_Profile::CP_TELESEC3\n");
            break;
        case LD::Micardo:
            CheckMicardo1k(card);
            type = CP_DTRUST_1K;
            vn_log(3, "iType : CSC_Profile::CP_DTRUST_1K\n");
            break;
        case LD::CardOs:
            m_genkey[r] = true;
            CheckCardOS43(card);
            type = m_cardosProfile[r];
            break;
        case LD::Starcos30:
            CheckSignTrust2k(card);
            type = CP_SIGNTRUST2K;
            break;
        case LD::Seccos:
            CheckSTrust(card);
            type = CP_STRUST;
            vn_log(3, "iType : CSC_Profile::CP_STRUST\n");
            break;
        case LD::Setcos:
            m_genkey[r] = true;
            CheckPKCS15(card);
            type = CP_SETCOS;
            vn_log(3, "iType : CProfile::SETCOS\n");
            break;
        case LD::CardOs401:
            CheckCardOS401(card);
            type = 0;
            break;
        case LD::Starcos32:
            CheckStarCos32(card);
            type = m_cardosProfile[r];
            break;
        case LD::Starcos34:
            CheckStarCos34(card);
            type = m_cardosProfile[r];
            break;
        case LD::None: type = 0; break;
        }
    } catch (...) {
        vn_log(1, "CProfile::GetProfile: detection stopped\n");
    }
    m_initialized[r] = true;
    vn_log(3, "iType : %d\n", type);
    return type;
}

int CProfile::GetSerial() {
    if (!validReader(m_readerId))
        return 0;
    try {
        CARD_DATA local;
        return readSerial(cardDataFor(m_cardData, local, m_hSCardCtx, m_hScard, m_cardType), m_readerId, m_cardType);
    } catch (...) {
        return 0;
    }
}
