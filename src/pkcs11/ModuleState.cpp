// The module's tables: readers and their slot ids, the card in each reader, sessions,
// and a fresh start in a forked child.
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "MessageDigest.h"
#include "Module.h"
#include "SCUtils.h"

namespace vn_p11 {

namespace {

std::atomic<Module*> g_module{nullptr};
// C_Initialize and C_Finalize one at a time (threads may race to initialise).
std::mutex g_initLock;

// How long C_Finalize waits for threads blocked in C_WaitForSlotEvent to leave.
const int kWaiterPolls = 100;
const std::chrono::milliseconds kWaiterPoll(50);

uint32_t eventCounter(DWORD eventState) { return static_cast<uint32_t>((eventState >> 16) & 0xFFFF); }

}  // namespace

CardState::CardState() = default;
CardState::~CardState() = default;

void Operation::reset() {
    what = None;
    mechanism = nullptr;
    certIndex = -1;
    nAlgoID = -1;
    saltLength = 0;
    digest.reset();
    vn_secret::cleanse(data.data(), data.size());
    data.clear();
    contextLogin = false;
}

Module* module() {
    Module* m = g_module.load();
    return m != nullptr && m->pid == getpid() ? m : nullptr;
}

void refreshReaders(Module& m) {
    for (auto& r : m.readers)
        r->attached = false;
    SCARDCONTEXT ctx = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &ctx) != SCARD_S_SUCCESS)
        return;
    char* list = nullptr;
    DWORD length = SCARD_AUTOALLOCATE;
    if (SCardListReaders(ctx, nullptr, reinterpret_cast<LPSTR>(&list), &length) == SCARD_S_SUCCESS && list != nullptr) {
        std::vector<SCARD_READERSTATE> states;
        std::vector<std::shared_ptr<Reader>> listed;
        for (DWORD pos = 0; pos < length && list[pos] != '\0';) {
            size_t n = strnlen(list + pos, length - pos);
            if (pos + n >= length)
                break;
            std::string name(list + pos, n);
            pos += static_cast<DWORD>(n) + 1;
            std::shared_ptr<Reader> reader;
            for (auto& r : m.readers)
                if (r->name == name)
                    reader = r;
            if (!reader) {
                reader = std::make_shared<Reader>();
                reader->name = name;
                reader->base = static_cast<CK_SLOT_ID>(m.readers.size()) * kSlotsPerReader;
                m.readers.push_back(reader);
            }
            reader->attached = true;
            listed.push_back(reader);
        }
        states.resize(listed.size());
        for (size_t i = 0; i < listed.size(); ++i) {
            std::memset(&states[i], 0, sizeof states[i]);
            states[i].szReader = listed[i]->name.c_str();
            states[i].dwCurrentState = SCARD_STATE_UNAWARE;
        }
        if (!states.empty() &&
            SCardGetStatusChange(ctx, 0, states.data(), static_cast<DWORD>(states.size())) == SCARD_S_SUCCESS) {
            for (size_t i = 0; i < listed.size(); ++i) {
                listed[i]->present = (states[i].dwEventState & SCARD_STATE_PRESENT) != 0;
                listed[i]->events = eventCounter(states[i].dwEventState);
            }
        } else {
            for (auto& r : listed)
                r->present = false;
        }
        SCardFreeMemory(ctx, list);
    }
    SCardReleaseContext(ctx);
}

uint32_t eventKey(const Reader& r) {
    const uint32_t kDetached = 0xFFFFFFFF, kPresentBit = 0x10000;
    return r.attached ? (r.present ? kPresentBit : 0) | r.events : kDetached;
}

std::shared_ptr<Reader> readerOfSlot(Module& m, CK_SLOT_ID slot, size_t& token) {
    const size_t index = static_cast<size_t>(slot / kSlotsPerReader);
    token = static_cast<size_t>(slot % kSlotsPerReader);
    if (index >= m.readers.size() || !m.readers[index]->attached)
        return nullptr;
    return m.readers[index];
}

void refreshCard(Module& m, Reader& r) {
    bool attached, present;
    uint32_t events;
    {
        std::lock_guard<std::mutex> g(m.lock);
        attached = r.attached;
        present = r.present;
        events = r.events;
    }
    if (!attached || !present) {
        r.card.reset();
        r.read = false;
        r.unrecognised = false;
        return;
    }
    if (r.read && r.readEvents == events)
        return;
    auto state = std::make_shared<CardState>();
    state->events = events;
    CSC_ProfileHandle profile;
    if (loadCard(r.name, state->card, profile)) {
        state->keys = CardKeys(std::move(profile));
        state->logins.resize(state->card.tokens.size());
        r.card = state;
        r.unrecognised = false;
    } else {
        r.card.reset();
        r.unrecognised = true;
    }
    r.read = true;
    r.readEvents = events;
}

size_t slotCount(const Reader& r) {
    if (!r.card || r.card->card.tokens.empty())
        return 1;
    return std::min<size_t>(r.card->card.tokens.size(), kSlotsPerReader);
}

CK_RV session(CK_SESSION_HANDLE h, std::shared_ptr<Session>& out, bool checkCard) {
    Module* m = module();
    if (m == nullptr)
        return CKR_CRYPTOKI_NOT_INITIALIZED;
    std::lock_guard<std::mutex> g(m->lock);
    auto it = m->sessions.find(h);
    if (it == m->sessions.end())
        return CKR_SESSION_HANDLE_INVALID;
    out = it->second;
    if (checkCard) {
        refreshReaders(*m);
        const Reader& r = *out->reader;
        if (!r.attached || !r.present || r.events != out->card->events)
            return CKR_DEVICE_REMOVED;
    }
    return CKR_OK;
}

Module* enterWait() {
    // Under the lock of C_Finalize: a finalize that has begun is over before the module
    // is looked up, and one that begins later waits for this thread to leave.
    std::lock_guard<std::mutex> g(g_initLock);
    Module* m = module();
    if (m != nullptr)
        ++m->waiters;
    return m;
}

void leaveWait(Module& m) { --m.waiters; }

CK_RV initialize() {
    std::lock_guard<std::mutex> g(g_initLock);
    Module* old = g_module.load();
    if (old != nullptr && old->pid == getpid())
        return CKR_CRYPTOKI_ALREADY_INITIALIZED;
    // A forked child leaves its parent's state alone: releasing it would close the
    // parent's PC/SC connections.
    auto m = std::make_unique<Module>();
    m->pid = getpid();
    // No dialogs: a PIN comes from the caller or the reader's pin pad.
    CSCUtils::SetIsService(true);
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &m->waitContext) != SCARD_S_SUCCESS)
        m->waitContext = 0;
    refreshReaders(*m);
    for (auto& r : m->readers)
        m->seenEvents[r->name] = eventKey(*r);
    g_module.store(m.release());
    return CKR_OK;
}

CK_RV finalize() {
    std::lock_guard<std::mutex> g(g_initLock);
    Module* m = module();
    if (m == nullptr)
        return CKR_CRYPTOKI_NOT_INITIALIZED;
    m->finalizing = true;
    if (m->waitContext != 0)
        SCardCancel(m->waitContext);
    for (int i = 0; i < kWaiterPolls && m->waiters.load() > 0; ++i)
        std::this_thread::sleep_for(kWaiterPoll);
    g_module.store(nullptr);
    {
        std::lock_guard<std::mutex> g(m->lock);
        m->sessions.clear();
    }
    for (auto& r : m->readers) {
        std::lock_guard<std::mutex> g(r->lock);
        r->card.reset();
    }
    if (m->waitContext != 0)
        SCardReleaseContext(m->waitContext);
    if (m->waiters.load() == 0)
        delete m;  // else a waiter still holds it: left to the process's end
    return CKR_OK;
}

}  // namespace vn_p11
