// Sessions, login and logout, and the objects of a token.
#include <cctype>

#include "Entries.h"
#include "Module.h"

namespace vn_p11 {

namespace {

bool objectVisible(const Session& s, const Object& o) { return !o.isPrivate || s.card->logins[s.token].loggedIn; }

const Object* objectOf(const Session& s, CK_OBJECT_HANDLE h) {
    const auto& objects = s.card->card.tokens[s.token].objects;
    if (h == 0 || h > objects.size())
        return nullptr;
    const Object& o = objects[h - 1];
    return objectVisible(s, o) ? &o : nullptr;
}

bool matches(const Object& o, const CK_ATTRIBUTE* tmpl, CK_ULONG count) {
    for (CK_ULONG i = 0; i < count; ++i) {
        const Bytes* v = o.find(tmpl[i].type);
        if (v == nullptr || v->size() != tmpl[i].ulValueLen)
            return false;
        if (!v->empty() && (tmpl[i].pValue == nullptr || std::memcmp(v->data(), tmpl[i].pValue, v->size()) != 0))
            return false;
    }
    return true;
}

// Copies one attribute into the caller's template entry: CKR_OK, or
// CKR_ATTRIBUTE_TYPE_INVALID / CKR_BUFFER_TOO_SMALL with the length unavailable.
CK_RV copyAttribute(const Object& o, CK_ATTRIBUTE& a) {
    const Bytes* v = o.find(a.type);
    if (v == nullptr) {
        a.ulValueLen = CK_UNAVAILABLE_INFORMATION;
        return CKR_ATTRIBUTE_TYPE_INVALID;
    }
    if (a.pValue != nullptr && a.ulValueLen < v->size()) {
        a.ulValueLen = CK_UNAVAILABLE_INFORMATION;
        return CKR_BUFFER_TOO_SMALL;
    }
    if (a.pValue != nullptr && !v->empty())
        std::memcpy(a.pValue, v->data(), v->size());
    a.ulValueLen = v->size();
    return CKR_OK;
}

// A PIN the caller typed: the length the token allows, and characters a PIN has.
CK_RV checkPin(const Token& t, CK_UTF8CHAR_PTR pin, CK_ULONG length) {
    if (t.minPin > 0 && t.maxPin >= t.minPin &&
        (length < static_cast<CK_ULONG>(t.minPin) || length > static_cast<CK_ULONG>(t.maxPin)))
        return CKR_PIN_LEN_RANGE;
    for (CK_ULONG i = 0; i < length; ++i)
        if (!isdigit(pin[i]))
            return CKR_PIN_INVALID;
    return CKR_OK;
}

// The certificate entry a token's PIN is verified on: its first key, else its first object.
int entryForPin(const Token& t) {
    if (!t.keys.empty())
        return t.keys.begin()->first;
    return t.objects.empty() ? -1 : t.objects.front().certIndex;
}

// Verifies a PIN for a certificate entry; the token's login record takes the outcome.
CK_RV verify(CardState& c, int entry, LoginState& login, const std::string& pin) {
    int tries = -1;
    const CK_RV rv = c.keys.verify(entry, pin, tries);
    login.tries = rv == CKR_OK ? -1 : tries;
    login.locked = rv == CKR_PIN_LOCKED;
    return rv;
}

void logout(CardState& c, size_t token) {
    LoginState& login = c.logins[token];
    login.loggedIn = false;
    vn_secret::WipedBytes().swap(login.pin);  // the allocator wipes the PIN
    c.keys.forgetPins();
}

}  // namespace

CK_RV OpenSession(CK_SLOT_ID slot, CK_FLAGS flags, CK_VOID_PTR, CK_NOTIFY, CK_SESSION_HANDLE_PTR out) {
    return guarded([&]() -> CK_RV {
        Module* m = module();
        if (m == nullptr)
            return CKR_CRYPTOKI_NOT_INITIALIZED;
        if (out == nullptr)
            return CKR_ARGUMENTS_BAD;
        if ((flags & CKF_SERIAL_SESSION) == 0)
            return CKR_SESSION_PARALLEL_NOT_SUPPORTED;
        size_t token;
        std::shared_ptr<Reader> r;
        {
            std::lock_guard<std::mutex> g(m->lock);
            refreshReaders(*m);
            r = readerOfSlot(*m, slot, token);
        }
        if (!r)
            return CKR_SLOT_ID_INVALID;
        auto s = std::make_shared<Session>();
        {
            std::lock_guard<std::mutex> g(r->lock);
            refreshCard(*m, *r);
            if (!r->card)
                return r->unrecognised ? CKR_TOKEN_NOT_RECOGNIZED : CKR_TOKEN_NOT_PRESENT;
            if (token >= r->card->card.tokens.size())
                return CKR_SLOT_ID_INVALID;
            s->card = r->card;
        }
        s->slot = slot;
        s->reader = r;
        s->token = token;
        s->flags = flags;
        std::lock_guard<std::mutex> g(m->lock);
        *out = m->nextSession++;
        m->sessions[*out] = s;
        return CKR_OK;
    });
}

CK_RV CloseSession(CK_SESSION_HANDLE h) {
    return guarded([&]() -> CK_RV {
        Module* m = module();
        if (m == nullptr)
            return CKR_CRYPTOKI_NOT_INITIALIZED;
        std::shared_ptr<Session> s;
        {
            std::lock_guard<std::mutex> g(m->lock);
            auto it = m->sessions.find(h);
            if (it == m->sessions.end())
                return CKR_SESSION_HANDLE_INVALID;
            s = it->second;
            m->sessions.erase(it);
            // The last session of a token logs it out.
            for (auto& other : m->sessions)
                if (other.second->card == s->card && other.second->token == s->token)
                    return CKR_OK;
        }
        std::lock_guard<std::mutex> g(s->reader->lock);
        logout(*s->card, s->token);
        return CKR_OK;
    });
}

CK_RV CloseAllSessions(CK_SLOT_ID slot) {
    return guarded([&]() -> CK_RV {
        Module* m = module();
        if (m == nullptr)
            return CKR_CRYPTOKI_NOT_INITIALIZED;
        std::vector<CK_SESSION_HANDLE> handles;
        {
            std::lock_guard<std::mutex> g(m->lock);
            for (auto& s : m->sessions)
                if (s.second->slot == slot)
                    handles.push_back(s.first);
        }
        for (CK_SESSION_HANDLE h : handles)
            CloseSession(h);
        return CKR_OK;
    });
}

CK_RV GetSessionInfo(CK_SESSION_HANDLE h, CK_SESSION_INFO_PTR info) {
    return guarded([&]() {
        return withSession(h, false, info != nullptr, [&](Session& s) -> CK_RV {
            const bool rw = (s.flags & CKF_RW_SESSION) != 0;
            const bool user = s.card->logins[s.token].loggedIn;
            info->slotID = s.slot;
            info->flags = s.flags;
            info->state = user ? (rw ? CKS_RW_USER_FUNCTIONS : CKS_RO_USER_FUNCTIONS)
                               : (rw ? CKS_RW_PUBLIC_SESSION : CKS_RO_PUBLIC_SESSION);
            info->ulDeviceError = 0;
            return CKR_OK;
        });
    });
}

CK_RV Login(CK_SESSION_HANDLE h, CK_USER_TYPE user, CK_UTF8CHAR_PTR pin, CK_ULONG pinLength) {
    return guarded([&]() {
        return withSession(h, true, true, [&](Session& s) -> CK_RV {
            if (user != CKU_USER && user != CKU_CONTEXT_SPECIFIC)
                return CKR_USER_TYPE_INVALID;
            CardState& c = *s.card;
            const Token& t = c.card.tokens[s.token];
            LoginState& login = c.logins[s.token];
            if (pin == nullptr && pinLength != 0)
                return CKR_ARGUMENTS_BAD;
            if (pin == nullptr && !c.card.pinPad)
                return CKR_ARGUMENTS_BAD;
            CK_RV rv = CKR_OK;
            if (pin != nullptr) {
                rv = checkPin(t, pin, pinLength);
                if (rv != CKR_OK)
                    return rv;
            }
            std::string typed(pin != nullptr ? reinterpret_cast<const char*>(pin) : "", pin != nullptr ? pinLength : 0);
            vn_secret::WipeOnExit wipeTyped(&typed[0], typed.size());
            if (user == CKU_CONTEXT_SPECIFIC) {
                Operation& op = s.op;
                if (op.what == Operation::None)
                    return CKR_OPERATION_NOT_INITIALIZED;
                rv = verify(c, op.certIndex, login, typed);
                op.contextLogin = rv == CKR_OK;
                return rv;
            }
            if (login.loggedIn)
                return CKR_USER_ALREADY_LOGGED_IN;
            const int entry = entryForPin(t);
            if (entry < 0 || !c.keys.usable())
                return CKR_DEVICE_ERROR;
            rv = verify(c, entry, login, typed);
            if (rv != CKR_OK)
                return rv;
            login.loggedIn = true;
            login.pin.assign(typed.begin(), typed.end());
            return CKR_OK;
        });
    });
}

CK_RV Logout(CK_SESSION_HANDLE h) {
    return guarded([&]() {
        return withSession(h, false, true, [&](Session& s) -> CK_RV {
            if (!s.card->logins[s.token].loggedIn)
                return CKR_USER_NOT_LOGGED_IN;
            logout(*s.card, s.token);
            return CKR_OK;
        });
    });
}

CK_RV GetAttributeValue(CK_SESSION_HANDLE h, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_PTR attrs, CK_ULONG count) {
    return guarded([&]() {
        return withSession(h, false, attrs != nullptr || count == 0, [&](Session& s) -> CK_RV {
            const Object* o = objectOf(s, object);
            if (o == nullptr)
                return CKR_OBJECT_HANDLE_INVALID;
            CK_RV rv = CKR_OK;
            for (CK_ULONG i = 0; i < count; ++i) {
                const CK_RV one = copyAttribute(*o, attrs[i]);
                // A missing attribute outranks a short buffer.
                if (one == CKR_ATTRIBUTE_TYPE_INVALID || (one != CKR_OK && rv == CKR_OK))
                    rv = one;
            }
            return rv;
        });
    });
}

CK_RV FindObjectsInit(CK_SESSION_HANDLE h, CK_ATTRIBUTE_PTR attrs, CK_ULONG count) {
    return guarded([&]() {
        return withSession(h, true, attrs != nullptr || count == 0, [&](Session& s) -> CK_RV {
            if (s.finding)
                return CKR_OPERATION_ACTIVE;
            s.found.clear();
            s.foundPos = 0;
            const auto& objects = s.card->card.tokens[s.token].objects;
            for (size_t i = 0; i < objects.size(); ++i)
                if (objectVisible(s, objects[i]) && matches(objects[i], attrs, count))
                    s.found.push_back(i + 1);
            s.finding = true;
            return CKR_OK;
        });
    });
}

CK_RV FindObjects(CK_SESSION_HANDLE h, CK_OBJECT_HANDLE_PTR out, CK_ULONG max, CK_ULONG_PTR count) {
    return guarded([&]() {
        return withSession(h, false, out != nullptr && count != nullptr, [&](Session& s) -> CK_RV {
            if (!s.finding)
                return CKR_OPERATION_NOT_INITIALIZED;
            CK_ULONG n = 0;
            while (n < max && s.foundPos < s.found.size())
                out[n++] = s.found[s.foundPos++];
            *count = n;
            return CKR_OK;
        });
    });
}

CK_RV FindObjectsFinal(CK_SESSION_HANDLE h) {
    return guarded([&]() {
        return withSession(h, false, true, [&](Session& s) -> CK_RV {
            if (!s.finding)
                return CKR_OPERATION_NOT_INITIALIZED;
            s.finding = false;
            s.found.clear();
            return CKR_OK;
        });
    });
}

}  // namespace vn_p11
