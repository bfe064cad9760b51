// The module's state: readers seen since C_Initialize (each with a fixed range of slot
// ids and the card it holds), sessions, and the locks. The module lock guards the
// tables; each reader's lock serialises the work on its card, so sessions on different
// readers run in parallel.
#ifndef VN_PKCS11_MODULE_H
#define VN_PKCS11_MODULE_H

#include <PCSC/winscard.h>
#include <sys/types.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Keys.h"
#include "Mechanisms.h"
#include "MessageDigest.h"
#include "P11.h"
#include "Token.h"
#include "infra/Secrets.h"

namespace vn_p11 {

// Slot ids of a reader: base + token index; a card has at most this many tokens.
const CK_SLOT_ID kSlotsPerReader = 4;

// Login state of one token (one PIN of the card).
struct LoginState {
    bool loggedIn = false;
    vn_secret::WipedBytes pin;  // kept while logged in, to verify on keys opened later
    int tries = -1;             // tries left after the last failed verification
    bool locked = false;
};

// A card in a reader as the module read it; replaced when the card changes.
struct CardState {
    CardState();
    ~CardState();
    Card card;
    CardKeys keys;
    std::vector<LoginState> logins;  // per token
    uint32_t events = 0;             // the reader's event counter when the card was read
};

struct Reader {
    std::string name;
    CK_SLOT_ID base = 0;
    std::mutex lock;  // the card's work
    // Guarded by the module lock:
    bool attached = false;
    bool present = false;
    uint32_t events = 0;
    // Guarded by lock:
    std::shared_ptr<CardState> card;
    bool unrecognised = false;
    uint32_t readEvents = 0;  // event counter of the last reading (recognised or not)
    bool read = false;
};

struct Operation {
    enum What { None, Sign, Decrypt } what = None;
    const Mechanism* mechanism = nullptr;
    int certIndex = -1;
    int nAlgoID = -1;
    size_t saltLength = 0;
    std::unique_ptr<IMessageDigest> digest;
    Bytes data;  // collected input where nothing is hashed here
    bool contextLogin = false;
    void reset();
};

struct Session {
    CK_SLOT_ID slot = 0;
    std::shared_ptr<Reader> reader;
    std::shared_ptr<CardState> card;
    size_t token = 0;
    CK_FLAGS flags = 0;
    std::vector<CK_OBJECT_HANDLE> found;
    size_t foundPos = 0;
    bool finding = false;
    Operation op;
};

struct Module {
    std::mutex lock;
    pid_t pid = 0;
    std::atomic<bool> finalizing{false};
    std::vector<std::shared_ptr<Reader>> readers;  // in the order first seen
    std::map<CK_SESSION_HANDLE, std::shared_ptr<Session>> sessions;
    CK_SESSION_HANDLE nextSession = 1;
    std::map<std::string, uint32_t> seenEvents;  // reader name -> events reported to the caller
    SCARDCONTEXT waitContext = 0;
    std::atomic<int> waiters{0};
};

// The module while initialised in this process; null otherwise.
Module* module();
// Sets up the module (C_Initialize); a child process forgets its parent's state.
CK_RV initialize();
CK_RV finalize();
// A thread about to block in C_WaitForSlotEvent: the module (null when not initialised
// or being finalised), kept alive by C_Finalize until leaveWait.
Module* enterWait();
void leaveWait(Module& m);

// Lists the readers and their states into the tables (module lock held by caller).
void refreshReaders(Module& m);
// A reader's state as the caller sees it in slot events: attached, card present,
// event counter.
uint32_t eventKey(const Reader& r);
// The reader of a slot id (module lock held), or null.
std::shared_ptr<Reader> readerOfSlot(Module& m, CK_SLOT_ID slot, size_t& token);
// Reads the card of the reader when it changed (reader lock held); the module lock is
// taken briefly for the reader's state.
void refreshCard(Module& m, Reader& r);
// The number of slots of a reader (reader lock held).
size_t slotCount(const Reader& r);

// Looks up a session and checks that its card is still in the reader: CKR_OK,
// CKR_SESSION_HANDLE_INVALID or CKR_DEVICE_REMOVED.
CK_RV session(CK_SESSION_HANDLE h, std::shared_ptr<Session>& out, bool checkCard);

// The frame of the calls on a session: looks the session up (checking its card when
// checkCard), answers CKR_ARGUMENTS_BAD when argsOk is false, then runs f(session)
// with the session's reader locked.
template <class F>
CK_RV withSession(CK_SESSION_HANDLE h, bool checkCard, bool argsOk, F f) {
    std::shared_ptr<Session> s;
    const CK_RV rv = session(h, s, checkCard);
    if (rv != CKR_OK)
        return rv;
    if (!argsOk)
        return CKR_ARGUMENTS_BAD;
    std::lock_guard<std::mutex> g(s->reader->lock);
    return f(*s);
}

}  // namespace vn_p11

#endif
