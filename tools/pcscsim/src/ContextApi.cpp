// SCard* functions on a resource-manager context: establishing and releasing
// it, the reader list, status changes, cancellation and memory handed out.
#include "State.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

using pcscsim::detail::Reader;
using pcscsim::detail::State;

namespace {

// Name under which PC/SC reports reader arrivals and departures.
constexpr const char* kPnpNotification = "\\\\?PnP?\\Notification";

constexpr DWORD kStateBits = SCARD_STATE_UNKNOWN | SCARD_STATE_UNAVAILABLE | SCARD_STATE_EMPTY | SCARD_STATE_PRESENT |
                             SCARD_STATE_EXCLUSIVE | SCARD_STATE_INUSE | SCARD_STATE_MUTE;

DWORD readerState(State& s, Reader& r) {
  if (!s.refresh(r))
    return SCARD_STATE_EMPTY;
  DWORD state = SCARD_STATE_PRESENT;
  if (r.card->atr().empty())
    state |= SCARD_STATE_MUTE;
  for (auto& [id, h] : s.handles) {
    if (h.reader != r.name)
      continue;
    state |= h.share == SCARD_SHARE_EXCLUSIVE ? SCARD_STATE_EXCLUSIVE : SCARD_STATE_INUSE;
  }
  return state;
}

// Fills dwEventState (and the ATR) of one entry; true when it differs from
// what the caller knew.
bool evaluate(State& s, SCARD_READERSTATE& e) {
  const DWORD current = e.dwCurrentState;
  if (current & SCARD_STATE_IGNORE)
    return false;
  if (std::strcmp(e.szReader, kPnpNotification) == 0) {
    const DWORD count = DWORD(s.readers.size());
    const bool differs = (current >> 16) != count;
    e.dwEventState = (count << 16) | (differs ? SCARD_STATE_CHANGED : 0);
    return differs;
  }
  Reader* r = s.findReader(e.szReader);
  if (r == nullptr) {
    const bool differs = !(current & SCARD_STATE_UNKNOWN);
    e.dwEventState = SCARD_STATE_UNKNOWN | SCARD_STATE_IGNORE | (differs ? SCARD_STATE_CHANGED : 0);
    e.cbAtr = 0;
    return differs;
  }
  const DWORD state = readerState(s, *r);
  const DWORD counter = r->events & 0xFFFF;
  bool differs = current == SCARD_STATE_UNAWARE || (current & kStateBits) != (state & kStateBits);
  if ((current >> 16) != 0 && (current >> 16) != counter)
    differs = true;
  e.dwEventState = state | (counter << 16) | (differs ? SCARD_STATE_CHANGED : 0);
  e.cbAtr = 0;
  if (state & SCARD_STATE_PRESENT) {
    const cardsim::Bytes& atr = r->card->atr();
    const size_t n = std::min(atr.size(), size_t(MAX_ATR_SIZE));
    std::memcpy(e.rgbAtr, atr.data(), n);
    e.cbAtr = DWORD(n);
  }
  return differs;
}

}  // namespace

extern "C" {

const SCARD_IO_REQUEST g_rgSCardT0Pci = {SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST)};
const SCARD_IO_REQUEST g_rgSCardT1Pci = {SCARD_PROTOCOL_T1, sizeof(SCARD_IO_REQUEST)};
const SCARD_IO_REQUEST g_rgSCardRawPci = {SCARD_PROTOCOL_RAW, sizeof(SCARD_IO_REQUEST)};

LONG SCardEstablishContext(DWORD dwScope, LPCVOID, LPCVOID, LPSCARDCONTEXT phContext) {
  if (phContext == nullptr)
    return SCARD_E_INVALID_PARAMETER;
  if (dwScope > SCARD_SCOPE_GLOBAL)
    return SCARD_E_INVALID_VALUE;
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.serviceRunning)
    return SCARD_E_NO_SERVICE;
  const SCARDCONTEXT id = s.newId();
  s.contexts[id] = {};
  *phContext = id;
  return SCARD_S_SUCCESS;
}

LONG SCardReleaseContext(SCARDCONTEXT hContext) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.contexts.erase(hContext) == 0)
    return SCARD_E_INVALID_HANDLE;
  std::vector<SCARDHANDLE> owned;
  for (auto& [id, h] : s.handles)
    if (h.context == hContext)
      owned.push_back(id);
  for (SCARDHANDLE h : owned)
    s.dropHandle(h);
  s.notify();
  return SCARD_S_SUCCESS;
}

LONG SCardIsValidContext(SCARDCONTEXT hContext) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.contexts.count(hContext) ? SCARD_S_SUCCESS : SCARD_E_INVALID_HANDLE;
}

LONG SCardListReaders(SCARDCONTEXT hContext, LPCSTR, LPSTR mszReaders, LPDWORD pcchReaders) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.contexts.count(hContext))
    return SCARD_E_INVALID_HANDLE;
  if (pcchReaders == nullptr)
    return SCARD_E_INVALID_PARAMETER;
  if (s.readers.empty())
    return SCARD_E_NO_READERS_AVAILABLE;
  std::string multi;
  for (auto& r : s.readers) {
    multi += r->name;
    multi.push_back('\0');
  }
  multi.push_back('\0');
  return pcscsim::detail::giveBytes(s, reinterpret_cast<const uint8_t*>(multi.data()), multi.size(),
                                    reinterpret_cast<uint8_t*>(mszReaders), pcchReaders);
}

LONG SCardListReaderGroups(SCARDCONTEXT hContext, LPSTR mszGroups, LPDWORD pcchGroups) {
  static const char kGroups[] = "SCard$DefaultReaders\0";  // plus the terminating NUL: two NULs
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.contexts.count(hContext))
    return SCARD_E_INVALID_HANDLE;
  return pcscsim::detail::giveBytes(s, reinterpret_cast<const uint8_t*>(kGroups), sizeof(kGroups),
                                    reinterpret_cast<uint8_t*>(mszGroups), pcchGroups);
}

LONG SCardFreeMemory(SCARDCONTEXT hContext, LPCVOID pvMem) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.contexts.count(hContext))
    return SCARD_E_INVALID_HANDLE;
  if (pvMem == nullptr)
    return SCARD_S_SUCCESS;
  if (s.allocations.erase(pvMem) == 0) {
    ++s.foreignFrees;
    return SCARD_E_INVALID_PARAMETER;
  }
  std::free(const_cast<void*>(pvMem));
  return SCARD_S_SUCCESS;
}

LONG SCardCancel(SCARDCONTEXT hContext) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.contexts.find(hContext);
  if (it == s.contexts.end())
    return SCARD_E_INVALID_HANDLE;
  ++it->second.cancels;
  s.notify();
  return SCARD_S_SUCCESS;
}

LONG SCardGetStatusChange(SCARDCONTEXT hContext, DWORD dwTimeout, SCARD_READERSTATE* rgReaderStates, DWORD cReaders) {
  State& s = State::get();
  std::unique_lock<std::mutex> lock(s.mutex);
  auto ctx = s.contexts.find(hContext);
  if (ctx == s.contexts.end())
    return SCARD_E_INVALID_HANDLE;
  if (rgReaderStates == nullptr && cReaders > 0)
    return SCARD_E_INVALID_PARAMETER;
  DWORD watched = 0;
  for (DWORD i = 0; i < cReaders; ++i) {
    if (rgReaderStates[i].szReader == nullptr)
      return SCARD_E_INVALID_VALUE;
    if (!(rgReaderStates[i].dwCurrentState & SCARD_STATE_IGNORE))
      ++watched;
  }
  if (watched == 0)
    return SCARD_S_SUCCESS;

  const uint64_t cancels = ctx->second.cancels;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(dwTimeout);
  while (true) {
    bool any = false;
    for (DWORD i = 0; i < cReaders; ++i)
      any = evaluate(s, rgReaderStates[i]) || any;
    if (any)
      return SCARD_S_SUCCESS;
    if (dwTimeout == 0)
      return SCARD_E_TIMEOUT;
    if (dwTimeout == INFINITE)
      s.changed.wait(lock);
    else if (s.changed.wait_until(lock, deadline) == std::cv_status::timeout)
      return SCARD_E_TIMEOUT;
    ctx = s.contexts.find(hContext);
    if (ctx == s.contexts.end())
      return SCARD_E_INVALID_HANDLE;
    if (ctx->second.cancels != cancels)
      return SCARD_E_CANCELLED;
  }
}

}  // extern "C"
