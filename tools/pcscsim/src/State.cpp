#include "State.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace pcscsim::detail {

State& State::get() {
  static State* state = new State();  // never destroyed: threads may still call at exit
  return *state;
}

Reader* State::findReader(const std::string& name) {
  for (auto& r : readers)
    if (r->name == name)
      return r.get();
  return nullptr;
}

Reader& State::readerOrThrow(const std::string& name) {
  Reader* r = findReader(name);
  if (r == nullptr)
    throw std::invalid_argument("pcscsim: no reader named '" + name + "'");
  return *r;
}

bool State::refresh(Reader& r) {
  const bool now = r.card && r.card->present();
  if (now != r.present) {
    r.present = now;
    ++r.events;
    ++r.insertion;
    r.protocol = SCARD_PROTOCOL_UNDEFINED;
    r.entry.reset();
    notify();
  }
  return now;
}

long State::newId() { return m_nextId++; }

void State::dropHandle(SCARDHANDLE h) {
  auto it = handles.find(h);
  if (it == handles.end())
    return;
  if (Reader* r = findReader(it->second.reader); r && r->transactionOwner == h)
    r->transactionOwner = 0;
  handles.erase(it);
  notify();
}

LONG State::lookup(SCARDHANDLE h, Target& t) {
  auto it = handles.find(h);
  if (it == handles.end())
    return SCARD_E_INVALID_HANDLE;
  t.id = h;
  t.handle = &it->second;
  t.reader = findReader(t.handle->reader);
  if (t.reader == nullptr)
    return SCARD_E_READER_UNAVAILABLE;
  refresh(*t.reader);
  return SCARD_S_SUCCESS;
}

LONG State::usable(const Target& t) {
  if (t.handle->share != SCARD_SHARE_DIRECT) {
    if (t.handle->insertion != t.reader->insertion)
      return SCARD_W_REMOVED_CARD;
    if (t.handle->resets != t.reader->resets)
      return SCARD_W_RESET_CARD;
  }
  if (t.reader->transactionOwner != 0 && t.reader->transactionOwner != t.id)
    return SCARD_E_SHARING_VIOLATION;
  return SCARD_S_SUCCESS;
}

LONG State::negotiate(Reader& r, DWORD preferred, DWORD& active) {
  cardsim::Card& card = *r.card;
  if (!card.powered())
    card.powerOn();
  if (card.atr().empty())
    return SCARD_W_UNRESPONSIVE_CARD;
  if (r.protocol != SCARD_PROTOCOL_UNDEFINED) {
    if (!(preferred & r.protocol))
      return SCARD_E_PROTO_MISMATCH;
    active = r.protocol;
    return SCARD_S_SUCCESS;
  }
  const DWORD offered = offeredProtocols(card.atr());
  const DWORD current = card.protocol() == cardsim::Protocol::T1 ? SCARD_PROTOCOL_T1 : SCARD_PROTOCOL_T0;
  DWORD choice = SCARD_PROTOCOL_UNDEFINED;
  if (preferred & current)
    choice = current;
  else if (preferred & offered & SCARD_PROTOCOL_T0)
    choice = SCARD_PROTOCOL_T0;
  else if (preferred & offered & SCARD_PROTOCOL_T1)
    choice = SCARD_PROTOCOL_T1;
  if (choice == SCARD_PROTOCOL_UNDEFINED)
    return SCARD_E_PROTO_MISMATCH;
  if (choice != current)
    card.setProtocol(choice == SCARD_PROTOCOL_T1 ? cardsim::Protocol::T1 : cardsim::Protocol::T0);
  r.protocol = choice;
  active = choice;
  return SCARD_S_SUCCESS;
}

void State::dispose(Reader& r, DWORD disposition) {
  if (!r.card || !r.present)
    return;
  if (disposition == SCARD_RESET_CARD) {
    r.card->reset();
  } else if (disposition == SCARD_UNPOWER_CARD) {
    r.card->powerOff();
    r.card->powerOn();
  } else {
    return;  // leave; a reader without a mechanism cannot eject
  }
  ++r.resets;
  r.protocol = SCARD_PROTOCOL_UNDEFINED;
  r.entry.reset();
}

LONG giveBytes(State& s, const uint8_t* value, size_t size, uint8_t* buffer, DWORD* length) {
  if (length == nullptr)
    return SCARD_E_INVALID_PARAMETER;
  if (buffer == nullptr) {
    *length = DWORD(size);
    return SCARD_S_SUCCESS;
  }
  if (*length == SCARD_AUTOALLOCATE) {
    void* mem = std::malloc(size ? size : 1);
    if (mem == nullptr)
      return SCARD_E_NO_MEMORY;
    if (size)
      std::memcpy(mem, value, size);
    s.allocations.insert(mem);
    *reinterpret_cast<uint8_t**>(buffer) = static_cast<uint8_t*>(mem);
    *length = DWORD(size);
    return SCARD_S_SUCCESS;
  }
  if (*length < size) {
    *length = DWORD(size);
    return SCARD_E_INSUFFICIENT_BUFFER;
  }
  if (size)
    std::memcpy(buffer, value, size);
  *length = DWORD(size);
  return SCARD_S_SUCCESS;
}

DWORD offeredProtocols(const cardsim::Bytes& atr) {
  DWORD protocols = 0;
  if (atr.size() >= 2) {
    unsigned y = atr[1] >> 4;
    size_t i = 2;
    while (true) {
      i += (y & 1) + ((y >> 1) & 1) + ((y >> 2) & 1);  // TA, TB, TC
      if (!(y & 8) || i >= atr.size())
        break;
      const uint8_t td = atr[i++];
      const unsigned t = td & 0x0F;
      if (t == 0)
        protocols |= SCARD_PROTOCOL_T0;
      if (t == 1)
        protocols |= SCARD_PROTOCOL_T1;
      y = td >> 4;
    }
  }
  return protocols ? protocols : DWORD(SCARD_PROTOCOL_T0);
}

}  // namespace pcscsim::detail
