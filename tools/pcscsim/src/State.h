// The simulated PC/SC service: readers, cards, contexts and card handles,
// behind one lock. The SCard* functions and the configuration API share it.
#pragma once

#include "PinPad.h"

#include <pcscsim/Simulator.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace pcscsim::detail {

struct Reader {
  std::string name;
  ReaderOptions options;
  std::shared_ptr<cardsim::Card> card;
  bool present = false;                       // presence as last seen (a card can leave on its own: Drop fault)
  uint32_t events = 0;                        // presence changes, reported in the upper word of dwEventState
  uint64_t insertion = 0;                     // changes on every insertion and removal
  uint64_t resets = 0;                        // changes on every reset of the card
  DWORD protocol = SCARD_PROTOCOL_UNDEFINED;  // negotiated since the last power-up
  std::string keys;                           // scripted pin-pad keys not yet pressed
  std::unique_ptr<pinpad::Entry> entry;       // PIN entry started with a START feature
  SCARDHANDLE transactionOwner = 0;
};

struct Context {
  uint64_t cancels = 0;
};

struct Handle {
  SCARDCONTEXT context = 0;
  std::string reader;
  DWORD share = 0;
  DWORD protocol = SCARD_PROTOCOL_UNDEFINED;
  uint64_t insertion = 0;
  uint64_t resets = 0;
};

class State {
 public:
  static State& get();

  std::mutex mutex;
  std::condition_variable changed;  // reader or context events, for waiting callers

  std::vector<std::unique_ptr<Reader>> readers;
  std::map<SCARDCONTEXT, Context> contexts;
  std::map<SCARDHANDLE, Handle> handles;
  std::set<const void*> allocations;
  size_t foreignFrees = 0;

  std::vector<Call> calls;
  size_t transmits = 0;
  size_t controls = 0;
  std::map<size_t, LONG> transmitFaults;
  std::map<size_t, LONG> controlFaults;
  bool serviceRunning = true;

  // Every call below expects the lock held.
  Reader* findReader(const std::string& name);
  Reader& readerOrThrow(const std::string& name);
  // Notices a card that left by itself; returns whether a card is present.
  bool refresh(Reader& r);
  bool cardPresent(Reader& r) { return refresh(r); }
  // SCardEstablishContext and SCardConnect handles; never 0, never reused.
  long newId();
  void dropHandle(SCARDHANDLE h);
  void notify() { changed.notify_all(); }

  // Handle checks shared by the card functions.
  struct Target {
    SCARDHANDLE id = 0;
    Handle* handle = nullptr;
    Reader* reader = nullptr;
  };
  // SCARD_E_INVALID_HANDLE for an unknown handle or reader.
  LONG lookup(SCARDHANDLE h, Target& t);
  // SCARD_W_REMOVED_CARD / SCARD_W_RESET_CARD when the card changed under the
  // handle, SCARD_E_SHARING_VIOLATION when another handle holds a transaction.
  LONG usable(const Target& t);

  // Powers the card on if needed and agrees on a protocol among `preferred`.
  LONG negotiate(Reader& r, DWORD preferred, DWORD& active);
  // Applies a disposition (leave, reset, unpower, eject) to the card.
  void dispose(Reader& r, DWORD disposition);

 private:
  long m_nextId = 0x5C0001;
};

// Copies `value` to a caller's buffer the way PC/SC does: length query when
// buffer is null, SCARD_AUTOALLOCATE, SCARD_E_INSUFFICIENT_BUFFER. Lock held.
LONG giveBytes(State& s, const uint8_t* value, size_t size, uint8_t* buffer, DWORD* length);

// Protocols an ATR offers (T=0 when it names none).
DWORD offeredProtocols(const cardsim::Bytes& atr);

}  // namespace pcscsim::detail
