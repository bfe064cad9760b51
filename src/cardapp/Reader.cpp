// Reader list, reader states and card recognition for one public call: the facade above the
// card layer that makes the card-OS object and the card application object on it.
#include "Reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CardProfileFactory.h"
#include "SC_Profile_Base.h"
#include "ScPcsc.h"
#include "card/AtrMatch.h"
#include "card/CardFactory.h"
#include "card/CardTypes.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

namespace {
// With every entry in SCARD_STATE_UNAWARE the service answers at once; the bound only
// guards against a service that stops answering.
const DWORD kStatusTimeoutMs = 10000;
}  // namespace

CReader::CReader()
    : m_hContext(0),
      m_readerStates(nullptr),
      m_readerList(nullptr),
      m_readerCount(0),
      m_sc(nullptr),
      m_profile(nullptr),
      m_stateCount(0) {
    ConnectCtx();
}

CReader::~CReader() { DisconnectCtx(); }

void CReader::ConnectCtx() {
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &m_hContext) != SCARD_S_SUCCESS) {
        m_hContext = 0;
        return;
    }
    DWORD len = SCARD_AUTOALLOCATE;
    if (SCardListReaders(m_hContext, nullptr, reinterpret_cast<LPSTR>(&m_readerList), &len) != SCARD_S_SUCCESS) {
        m_readerList = nullptr;
        return;
    }
    // Count the names; only names terminated within the reported length count.
    m_readerCount = 0;
    DWORD pos = 0;
    while (pos < len && m_readerList[pos] != '\0') {
        size_t n = strnlen(m_readerList + pos, len - pos);
        if (pos + n >= len)
            break;
        ++m_readerCount;
        pos += static_cast<DWORD>(n) + 1;
    }
}

void CReader::DisconnectCtx() {
    FreeReaderStates();
    if (m_readerList != nullptr && m_hContext != 0)
        SCardFreeMemory(m_hContext, m_readerList);
    m_readerList = nullptr;
    m_readerCount = 0;
    if (m_hContext != 0)
        SCardReleaseContext(m_hContext);
    m_hContext = 0;
}

void CReader::FreeReaderStates() {
    if (m_readerStates == nullptr)
        return;
    for (int i = 0; i < m_stateCount; ++i)
        free(const_cast<char*>(m_readerStates[i].szReader));
    free(m_readerStates);
    m_readerStates = nullptr;
    m_stateCount = 0;
}

bool CReader::ValidIndex(int index) const { return index >= 0 && index < m_readerCount && m_readerList != nullptr; }

int CReader::GetReaderNum() { return m_readerList == nullptr ? 0 : m_readerCount; }

int CReader::GetReaderIndex(const char* name) {
    if (name == nullptr)
        return -1;
    for (int i = 0; i < GetReaderNum(); ++i)
        if (GetReaderName(i) == name)
            return i;
    return -1;
}

std::string CReader::GetReaderName(int index) {
    if (!ValidIndex(index))
        return std::string();
    const char* p = m_readerList;
    for (int i = 0; i < index; ++i)
        p += strlen(p) + 1;
    return std::string(p);
}

long CReader::GetReaderStatus() {
    FreeReaderStates();
    if (m_hContext == 0 || GetReaderNum() == 0)
        return SCARD_E_NO_READERS_AVAILABLE;
    m_readerStates = static_cast<SCARD_READERSTATE*>(calloc(m_readerCount, sizeof(SCARD_READERSTATE)));
    if (m_readerStates == nullptr)
        return SCARD_E_NO_MEMORY;
    m_stateCount = m_readerCount;
    for (int i = 0; i < m_readerCount; ++i) {
        m_readerStates[i].szReader = strdup(GetReaderName(i).c_str());
        m_readerStates[i].dwCurrentState = SCARD_STATE_UNAWARE;
    }
    LONG rv = SCardGetStatusChange(m_hContext, kStatusTimeoutMs, m_readerStates, m_readerCount);
    if (rv != SCARD_S_SUCCESS) {
        // A reader that vanished since the list was made: report no card anywhere
        // rather than states the service did not fill in.
        for (int i = 0; i < m_stateCount; ++i) {
            m_readerStates[i].cbAtr = 0;
            m_readerStates[i].dwEventState = SCARD_STATE_UNKNOWN;
        }
    }
    return rv;
}

SCARD_READERSTATE CReader::GetReaderState(int index) {
    SCARD_READERSTATE state;
    memset(&state, 0, sizeof(state));
    GetReaderStatus();
    if (ValidIndex(index) && index < m_stateCount) {
        state = m_readerStates[index];
        if (state.cbAtr > sizeof(state.rgbAtr))
            state.cbAtr = sizeof(state.rgbAtr);
    }
    return state;
}

std::string CReader::GetReaderATR(int index) {
    SCARD_READERSTATE state = GetReaderState(index);
    if (state.cbAtr == 0)
        return "---";
    char text[100];
    size_t used = 0;
    text[0] = '\0';
    for (DWORD i = 0; i < state.cbAtr && used + 3 < sizeof(text); ++i)
        used +=
            static_cast<size_t>(snprintf(text + used, sizeof(text) - used, i == 0 ? "%02X" : ":%02X", state.rgbAtr[i]));
    return std::string(text);
}

bool CReader::isCard(int index) { return GetReaderState(index).cbAtr > 0; }

bool CReader::hasPinPad(int index) {
    if (!ValidIndex(index) || m_hContext == 0)
        return false;
    std::string name = GetReaderName(index);
    SCARDHANDLE hCard = 0;
    DWORD protocol = 0;
    if (SCardConnect(m_hContext, name.c_str(), SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &hCard,
                     &protocol) != SCARD_S_SUCCESS ||
        hCard == 0)
        return false;
    CSC_Pcsc* pcsc = new CSC_Pcsc(hCard);
    bool result = pcsc->HasPinPad();
    delete pcsc;
    SCardDisconnect(hCard, SCARD_LEAVE_CARD);
    return result;
}

int CReader::GetCardType(int index) {
    std::string atr = GetReaderATR(index);
    if (atr == "---")
        return -1;
    return vn_match_atr(atr, true);
}

CSC_Profile* CReader::ReadSCProfile(int index) {
    VnTraceScope trace(1, "-->entering CReader::GetSCProfile\n", 1, "<--CReader::GetSCProfile\n");
    vn_log(1, "index : 0x%016X\n", index);
    int type = GetCardType(index);
    // Only objects made by this call are handed out: an earlier pair already belongs
    // to the caller that received it.
    CSC_Profile_Base* sc = nullptr;
    m_profile = nullptr;
    if (vn_card::hasCardOs(type))
        sc = vn_create_card_os(type);
    if (sc != nullptr)
        m_sc = sc;
    vn_log(1, "m_sc : 0x%016lX\n", reinterpret_cast<unsigned long>(m_sc));
    if (sc != nullptr) {
        sc->UpdateSCardType(type);
        sc->connectCard(GetReaderName(index), 0);
        vn_card_os_connected(sc, type);
        vn_card::CardIdentity identity;
        m_profile = CardIdentityOf(index, identity) ? vn_card_profile(identity, sc) : vn_create_card_profile(sc);
        vn_log_updateCardName(sc->getCardName());
        if (m_profile == nullptr) {
            // Nobody would own the card-OS object without an application object.
            delete sc;
            m_sc = nullptr;
        }
    }
    return m_profile;
}

CSC_Profile_Base* CReader::GetBaseProfile() { return m_sc; }

bool CReader::CardIdentityOf(int index, vn_card::CardIdentity& out) {
    // Read after the connection: the card connected to is the one described.
    SCARD_READERSTATE state = GetReaderState(index);
    if (state.cbAtr == 0 || (state.dwEventState & SCARD_STATE_PRESENT) == 0)
        return false;
    out.reader = GetReaderName(index);
    out.events = static_cast<uint32_t>((state.dwEventState >> 16) & 0xFFFF);
    out.atr.assign(state.rgbAtr, state.rgbAtr + state.cbAtr);
    return true;
}
