// C_Initialize and C_Finalize, the library's information, slots, tokens, mechanisms
// and slot events.
#include <algorithm>
#include <chrono>
#include <thread>

#include "Entries.h"
#include "Module.h"

namespace vn_p11 {

namespace {

const char kManufacturer[] = "vorncryptossl";
const char kLibraryDescription[] = "vorncryptossl PKCS#11 module";
const CK_BYTE kLibraryMajor = 2, kLibraryMinor = 0;
// Polls of the readers while C_WaitForSlotEvent blocks, and the steps in which it
// looks whether C_Finalize was called.
const std::chrono::milliseconds kEventPoll(250);
const int kEventPollSteps = 5;

CK_RV checkInitArgs(CK_VOID_PTR args) {
    if (args == nullptr)
        return CKR_OK;
    auto* a = static_cast<CK_C_INITIALIZE_ARGS*>(args);
    if (a->pReserved != nullptr)
        return CKR_ARGUMENTS_BAD;
    const bool all = a->CreateMutex && a->DestroyMutex && a->LockMutex && a->UnlockMutex;
    const bool none = !a->CreateMutex && !a->DestroyMutex && !a->LockMutex && !a->UnlockMutex;
    if (!all && !none)
        return CKR_ARGUMENTS_BAD;
    // The module locks with the operating system's mutexes; it cannot use the caller's.
    if (all && (a->flags & CKF_OS_LOCKING_OK) == 0)
        return CKR_CANT_LOCK;
    return CKR_OK;
}

bool nextEvent(Module& m, CK_SLOT_ID& slot) {
    std::lock_guard<std::mutex> g(m.lock);
    refreshReaders(m);
    for (auto& r : m.readers) {
        const uint32_t now = eventKey(*r);
        auto it = m.seenEvents.find(r->name);
        if (it == m.seenEvents.end() || it->second != now) {
            m.seenEvents[r->name] = now;
            slot = r->base;
            return true;
        }
    }
    return false;
}

// The reader of a slot with its card read; null for an unknown slot.
std::shared_ptr<Reader> lockedReader(Module& m, CK_SLOT_ID slot, size_t& token, std::unique_lock<std::mutex>& hold) {
    std::shared_ptr<Reader> r;
    {
        std::lock_guard<std::mutex> g(m.lock);
        refreshReaders(m);
        r = readerOfSlot(m, slot, token);
    }
    if (!r)
        return nullptr;
    hold = std::unique_lock<std::mutex>(r->lock);
    refreshCard(m, *r);
    if (token > 0 && token >= slotCount(*r))
        return nullptr;
    return r;
}

// The frame of the calls on a slot: the module initialised, CKR_ARGUMENTS_BAD when
// argsOk is false, CKR_SLOT_ID_INVALID for an unknown slot; then f(module, reader,
// token) with the reader locked and its card read.
template <class F>
CK_RV withSlot(CK_SLOT_ID slot, bool argsOk, F f) {
    return guarded([&]() -> CK_RV {
        Module* m = module();
        if (m == nullptr)
            return CKR_CRYPTOKI_NOT_INITIALIZED;
        if (!argsOk)
            return CKR_ARGUMENTS_BAD;
        size_t token;
        std::unique_lock<std::mutex> hold;
        auto r = lockedReader(*m, slot, token, hold);
        if (!r)
            return CKR_SLOT_ID_INVALID;
        return f(*m, *r, token);
    });
}

// Hands a list to the caller the PKCS#11 way: the count alone when list is null,
// CKR_BUFFER_TOO_SMALL with the count needed when it is too short.
template <class T>
CK_RV copyList(const std::vector<T>& items, T* list, CK_ULONG_PTR count) {
    if (list != nullptr && *count < items.size()) {
        *count = items.size();
        return CKR_BUFFER_TOO_SMALL;
    }
    if (list != nullptr)
        std::copy(items.begin(), items.end(), list);
    *count = items.size();
    return CKR_OK;
}

CK_FLAGS tokenFlags(const CardState& c, size_t token) {
    CK_FLAGS f = CKF_TOKEN_INITIALIZED | CKF_LOGIN_REQUIRED | CKF_USER_PIN_INITIALIZED | CKF_WRITE_PROTECTED;
    if (c.card.pinPad)
        f |= CKF_PROTECTED_AUTHENTICATION_PATH;
    const LoginState& l = c.logins[token];
    if (l.locked)
        f |= CKF_USER_PIN_LOCKED;
    else if (l.tries == 1)
        f |= CKF_USER_PIN_FINAL_TRY | CKF_USER_PIN_COUNT_LOW;
    else if (l.tries > 1)
        f |= CKF_USER_PIN_COUNT_LOW;
    return f;
}

}  // namespace

CK_RV Initialize(CK_VOID_PTR args) {
    return guarded([&]() -> CK_RV {
        CK_RV rv = checkInitArgs(args);
        return rv != CKR_OK ? rv : initialize();
    });
}

CK_RV Finalize(CK_VOID_PTR reserved) {
    return guarded([&]() -> CK_RV { return reserved != nullptr ? CKR_ARGUMENTS_BAD : finalize(); });
}

CK_RV GetInfo(CK_INFO_PTR info) {
    if (module() == nullptr)
        return CKR_CRYPTOKI_NOT_INITIALIZED;
    if (info == nullptr)
        return CKR_ARGUMENTS_BAD;
    std::memset(info, 0, sizeof *info);
    info->cryptokiVersion.major = 2;
    info->cryptokiVersion.minor = 40;
    padded(info->manufacturerID, sizeof info->manufacturerID, kManufacturer);
    padded(info->libraryDescription, sizeof info->libraryDescription, kLibraryDescription);
    info->libraryVersion.major = kLibraryMajor;
    info->libraryVersion.minor = kLibraryMinor;
    return CKR_OK;
}

CK_RV GetSlotList(CK_BBOOL tokenPresent, CK_SLOT_ID_PTR list, CK_ULONG_PTR count) {
    return guarded([&]() -> CK_RV {
        Module* m = module();
        if (m == nullptr)
            return CKR_CRYPTOKI_NOT_INITIALIZED;
        if (count == nullptr)
            return CKR_ARGUMENTS_BAD;
        std::vector<std::shared_ptr<Reader>> readers;
        {
            std::lock_guard<std::mutex> g(m->lock);
            refreshReaders(*m);
            for (auto& r : m->readers)
                if (r->attached)
                    readers.push_back(r);
        }
        std::vector<CK_SLOT_ID> slots;
        for (auto& r : readers) {
            std::lock_guard<std::mutex> g(r->lock);
            refreshCard(*m, *r);
            const size_t n = slotCount(*r);
            for (size_t t = 0; t < n; ++t)
                if (!tokenPresent || r->card)
                    slots.push_back(r->base + t);
        }
        return copyList(slots, list, count);
    });
}

CK_RV GetSlotInfo(CK_SLOT_ID slot, CK_SLOT_INFO_PTR info) {
    return withSlot(slot, info != nullptr, [&](Module&, Reader& r, size_t token) -> CK_RV {
        std::memset(info, 0, sizeof *info);
        std::string description = r.name;
        if (r.card && r.card->card.tokens.size() > 1)
            description += " (" + r.card->card.tokens[token].pinLabel + ")";
        padded(info->slotDescription, sizeof info->slotDescription, description);
        padded(info->manufacturerID, sizeof info->manufacturerID, "");
        info->flags = CKF_REMOVABLE_DEVICE | CKF_HW_SLOT;
        if (r.card)
            info->flags |= CKF_TOKEN_PRESENT;
        return CKR_OK;
    });
}

CK_RV GetTokenInfo(CK_SLOT_ID slot, CK_TOKEN_INFO_PTR info) {
    return withSlot(slot, info != nullptr, [&](Module& m, Reader& r, size_t token) -> CK_RV {
        if (!r.card)
            return r.unrecognised ? CKR_TOKEN_NOT_RECOGNIZED : CKR_TOKEN_NOT_PRESENT;
        const CardState& c = *r.card;
        const Token& t = c.card.tokens[token];
        std::memset(info, 0, sizeof *info);
        padded(info->label, sizeof info->label, t.label);
        padded(info->manufacturerID, sizeof info->manufacturerID, c.card.manufacturer);
        padded(info->model, sizeof info->model, c.card.cardName);
        const std::string& serial = c.card.serial;
        padded(info->serialNumber, sizeof info->serialNumber,
               serial.size() > sizeof info->serialNumber ? serial.substr(serial.size() - sizeof info->serialNumber)
                                                         : serial);
        info->flags = tokenFlags(c, token);
        CK_ULONG sessions = 0, rw = 0;
        {
            std::lock_guard<std::mutex> g(m.lock);
            for (auto& s : m.sessions)
                if (s.second->slot == slot) {
                    ++sessions;
                    rw += (s.second->flags & CKF_RW_SESSION) ? 1 : 0;
                }
        }
        info->ulMaxSessionCount = CK_EFFECTIVELY_INFINITE;
        info->ulSessionCount = sessions;
        info->ulMaxRwSessionCount = CK_EFFECTIVELY_INFINITE;
        info->ulRwSessionCount = rw;
        info->ulMinPinLen = static_cast<CK_ULONG>(t.minPin);
        info->ulMaxPinLen = static_cast<CK_ULONG>(t.maxPin);
        info->ulTotalPublicMemory = CK_UNAVAILABLE_INFORMATION;
        info->ulFreePublicMemory = CK_UNAVAILABLE_INFORMATION;
        info->ulTotalPrivateMemory = CK_UNAVAILABLE_INFORMATION;
        info->ulFreePrivateMemory = CK_UNAVAILABLE_INFORMATION;
        padded(info->utcTime, sizeof info->utcTime, "");
        return CKR_OK;
    });
}

CK_RV GetMechanismList(CK_SLOT_ID slot, CK_MECHANISM_TYPE_PTR list, CK_ULONG_PTR count) {
    return withSlot(slot, count != nullptr, [&](Module&, Reader& r, size_t token) -> CK_RV {
        if (!r.card)
            return CKR_TOKEN_NOT_PRESENT;
        const auto& mechs = r.card->card.tokens[token].mechanisms;
        return copyList(mechs, list, count);
    });
}

CK_RV GetMechanismInfo(CK_SLOT_ID slot, CK_MECHANISM_TYPE type, CK_MECHANISM_INFO_PTR info) {
    return withSlot(slot, info != nullptr, [&](Module&, Reader& r, size_t token) -> CK_RV {
        if (!r.card)
            return CKR_TOKEN_NOT_PRESENT;
        const Token& t = r.card->card.tokens[token];
        const Mechanism* mech = mechanism(type);
        if (mech == nullptr || std::find(t.mechanisms.begin(), t.mechanisms.end(), type) == t.mechanisms.end())
            return CKR_MECHANISM_INVALID;
        std::memset(info, 0, sizeof *info);
        const CK_KEY_TYPE keyType = isRsa(mech->kind) ? CKK_RSA : CKK_EC;
        bool decrypt = false;
        for (const auto& k : t.keys) {
            if (k.second.keyType != keyType)
                continue;
            const CK_ULONG bits = static_cast<CK_ULONG>(k.second.bits);
            if (info->ulMinKeySize == 0 || bits < info->ulMinKeySize)
                info->ulMinKeySize = bits;
            info->ulMaxKeySize = std::max(info->ulMaxKeySize, bits);
            decrypt = decrypt || k.second.decrypt;
        }
        info->flags = CKF_HW;
        if (isDecrypt(mech->kind))
            info->flags |= CKF_DECRYPT;
        else
            info->flags |= CKF_SIGN;
        if (type == CKM_RSA_PKCS && decrypt)
            info->flags |= CKF_DECRYPT;
        if (keyType == CKK_EC)
            info->flags |= CKF_EC_F_P | CKF_EC_NAMEDCURVE | CKF_EC_UNCOMPRESS;
        return CKR_OK;
    });
}

CK_RV WaitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR slot, CK_VOID_PTR reserved) {
    return guarded([&]() -> CK_RV {
        // C_Finalize may come from another thread at any time here: the module stays
        // alive until this call has left it.
        Module* m = enterWait();
        if (m == nullptr)
            return CKR_CRYPTOKI_NOT_INITIALIZED;
        struct Waiting {
            Module& m;
            ~Waiting() { leaveWait(m); }
        } waiting{*m};
        if (slot == nullptr || reserved != nullptr)
            return CKR_ARGUMENTS_BAD;
        if (nextEvent(*m, *slot))
            return CKR_OK;
        if (flags & CKF_DONT_BLOCK)
            return CKR_NO_EVENT;
        while (!m->finalizing) {
            for (int i = 0; i < kEventPollSteps && !m->finalizing; ++i)
                std::this_thread::sleep_for(kEventPoll / kEventPollSteps);
            if (m->finalizing)
                break;
            if (nextEvent(*m, *slot))
                return CKR_OK;
        }
        return CKR_CRYPTOKI_NOT_INITIALIZED;
    });
}

}  // namespace vn_p11
