// A small minidriver host for the tests: its own CARD_DATA on PC/SC handles of the real
// stack (or any reader), the card's label as card name, and allocation functions that
// count what they hand out and what comes back.
#ifndef VN_TESTS_MINIDRIVERHOST_H
#define VN_TESTS_MINIDRIVERHOST_H

#include <PCSC/reader.h>
#include <PCSC/winscard.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "Minidriver.h"

namespace mdhost {

// Book of the host's allocations: every live block, and counters.
struct Allocations {
    std::set<void*> live;
    int allocs = 0;
    int reallocs = 0;
    int frees = 0;
    int badFrees = 0;  // blocks freed that were not live (double or foreign frees)
    int failNext = 0;  // the next n allocations answer null
};

inline Allocations& book() {
    static Allocations b;
    return b;
}

inline void* hostAlloc(size_t size) {
    Allocations& b = book();
    if (b.failNext > 0) {
        --b.failNext;
        return nullptr;
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p != nullptr) {
        ++b.allocs;
        b.live.insert(p);
    }
    return p;
}

inline void* hostReAlloc(void* address, size_t size) {
    Allocations& b = book();
    if (address != nullptr && b.live.erase(address) == 0)
        ++b.badFrees;
    void* p = std::realloc(address, size == 0 ? 1 : size);
    if (p != nullptr) {
        ++b.reallocs;
        b.live.insert(p);
    }
    return p;
}

inline void hostFree(void* address) {
    if (address == nullptr)
        return;
    Allocations& b = book();
    if (b.live.erase(address) == 0) {
        ++b.badFrees;
        return;
    }
    ++b.frees;
    std::free(address);
}

// Frees every block still live (what a test forgot) and returns how many there were.
inline size_t releaseAll() {
    Allocations& b = book();
    size_t n = b.live.size();
    for (void* p : b.live)
        std::free(p);
    b.live.clear();
    return n;
}

inline void resetBook() {
    releaseAll();
    book() = Allocations();
}

inline std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// The host's card data on a connected card: owns the PC/SC context and card handle.
class Host {
public:
    // Connects to readerName in its own context; label becomes the card name.
    Host(const std::string& readerName, const std::string& label) : m_label(wide(label)) {
        std::memset(&m_data, 0, sizeof m_data);
        m_data.dwVersion = 7;
        m_data.pfnCspAlloc = hostAlloc;
        m_data.pfnCspReAlloc = hostReAlloc;
        m_data.pfnCspFree = hostFree;
        m_data.pwszCardName = &m_label[0];
        if (SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &m_ctx) != SCARD_S_SUCCESS)
            return;
        DWORD protocol = 0;
        if (SCardConnect(m_ctx, readerName.c_str(), SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &m_card,
                         &protocol) != SCARD_S_SUCCESS) {
            m_card = 0;
            return;
        }
        unsigned char atr[MAX_ATR_SIZE];
        DWORD atrLen = sizeof atr;
        if (SCardGetAttrib(m_card, SCARD_ATTR_ATR_STRING, atr, &atrLen) == SCARD_S_SUCCESS)
            m_atr.assign(atr, atr + atrLen);
        m_data.pbAtr = m_atr.empty() ? nullptr : m_atr.data();
        m_data.cbAtr = m_atr.size();
        m_data.hSCardCtx = m_ctx;
        m_data.hScard = m_card;
    }
    ~Host() {
        if (m_card != 0)
            SCardDisconnect(m_card, SCARD_LEAVE_CARD);
        if (m_ctx != 0)
            SCardReleaseContext(m_ctx);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    bool ok() const { return m_card != 0; }
    CARD_DATA* data() { return &m_data; }
    // A new label for the card (the card name points into the host).
    void setLabel(const std::string& label) {
        m_label = wide(label);
        m_data.pwszCardName = &m_label[0];
    }

private:
    CARD_DATA m_data;
    std::wstring m_label;
    std::vector<unsigned char> m_atr;
    SCARDCONTEXT m_ctx = 0;
    SCARDHANDLE m_card = 0;
};

}  // namespace mdhost

#endif
