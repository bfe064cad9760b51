// SCard* functions on a card handle: connection, transactions, status, APDU
// transmission and reader attributes.
#include "State.h"

#include <cstring>

using pcscsim::Call;
using pcscsim::detail::giveBytes;
using pcscsim::detail::Handle;
using pcscsim::detail::Reader;
using pcscsim::detail::State;

namespace {

bool validDisposition(DWORD d) {
  return d == SCARD_LEAVE_CARD || d == SCARD_RESET_CARD || d == SCARD_UNPOWER_CARD || d == SCARD_EJECT_CARD;
}

bool validShare(DWORD share) {
  return share == SCARD_SHARE_EXCLUSIVE || share == SCARD_SHARE_SHARED || share == SCARD_SHARE_DIRECT;
}

// Whether a handle with `share` may join the handles open on reader r (`except` left out).
LONG sharing(State& s, const Reader& r, DWORD share, SCARDHANDLE except) {
  for (auto& [id, h] : s.handles) {
    if (id == except || h.reader != r.name)
      continue;
    if (h.share == SCARD_SHARE_EXCLUSIVE || share == SCARD_SHARE_EXCLUSIVE)
      return SCARD_E_SHARING_VIOLATION;
  }
  return SCARD_S_SUCCESS;
}

// Connects a new or existing handle to the reader's card (or to the reader alone
// in direct mode).
LONG attach(State& s, Reader& r, Handle& h, DWORD share, DWORD preferred, DWORD& active) {
  active = SCARD_PROTOCOL_UNDEFINED;
  const bool present = s.refresh(r);
  if (share == SCARD_SHARE_DIRECT) {
    if (present && preferred != 0) {
      LONG rv = s.negotiate(r, preferred, active);
      if (rv != SCARD_S_SUCCESS)
        return rv;
    }
  } else {
    if (!(preferred & (SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1 | SCARD_PROTOCOL_RAW)))
      return SCARD_E_INVALID_VALUE;
    if (!present)
      return SCARD_E_NO_SMARTCARD;
    LONG rv = s.negotiate(r, preferred, active);
    if (rv != SCARD_S_SUCCESS)
      return rv;
  }
  h.share = share;
  h.protocol = active;
  h.insertion = r.insertion;
  h.resets = r.resets;
  return SCARD_S_SUCCESS;
}

}  // namespace

extern "C" {

LONG SCardConnect(SCARDCONTEXT hContext, LPCSTR szReader, DWORD dwShareMode, DWORD dwPreferredProtocols,
                  LPSCARDHANDLE phCard, LPDWORD pdwActiveProtocol) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.contexts.count(hContext))
    return SCARD_E_INVALID_HANDLE;
  if (szReader == nullptr || phCard == nullptr || pdwActiveProtocol == nullptr)
    return SCARD_E_INVALID_PARAMETER;
  *phCard = 0;
  if (!validShare(dwShareMode))
    return SCARD_E_INVALID_VALUE;
  Reader* r = s.findReader(szReader);
  if (r == nullptr)
    return SCARD_E_UNKNOWN_READER;
  LONG rv = sharing(s, *r, dwShareMode, 0);
  if (rv != SCARD_S_SUCCESS)
    return rv;
  Handle h;
  h.context = hContext;
  h.reader = r->name;
  DWORD active = 0;
  rv = attach(s, *r, h, dwShareMode, dwPreferredProtocols, active);
  if (rv != SCARD_S_SUCCESS)
    return rv;
  const SCARDHANDLE id = s.newId();
  s.handles[id] = h;
  *phCard = id;
  *pdwActiveProtocol = active;
  s.notify();
  return SCARD_S_SUCCESS;
}

LONG SCardReconnect(SCARDHANDLE hCard, DWORD dwShareMode, DWORD dwPreferredProtocols, DWORD dwInitialization,
                    LPDWORD pdwActiveProtocol) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  State::Target t;
  LONG rv = s.lookup(hCard, t);
  if (rv != SCARD_S_SUCCESS)
    return rv;
  if (pdwActiveProtocol == nullptr)
    return SCARD_E_INVALID_PARAMETER;
  if (!validShare(dwShareMode) || !validDisposition(dwInitialization))
    return SCARD_E_INVALID_VALUE;
  rv = sharing(s, *t.reader, dwShareMode, hCard);
  if (rv != SCARD_S_SUCCESS)
    return rv;
  if (s.refresh(*t.reader))
    s.dispose(*t.reader, dwInitialization);
  DWORD active = 0;
  rv = attach(s, *t.reader, *t.handle, dwShareMode, dwPreferredProtocols, active);
  if (rv != SCARD_S_SUCCESS)
    return rv;
  *pdwActiveProtocol = active;
  s.notify();
  return SCARD_S_SUCCESS;
}

LONG SCardDisconnect(SCARDHANDLE hCard, DWORD dwDisposition) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.handles.count(hCard))
    return SCARD_E_INVALID_HANDLE;
  if (!validDisposition(dwDisposition))
    return SCARD_E_INVALID_VALUE;
  State::Target t;
  if (s.lookup(hCard, t) == SCARD_S_SUCCESS && t.handle->insertion == t.reader->insertion)
    s.dispose(*t.reader, dwDisposition);
  s.dropHandle(hCard);
  return SCARD_S_SUCCESS;
}

LONG SCardBeginTransaction(SCARDHANDLE hCard) {
  State& s = State::get();
  std::unique_lock<std::mutex> lock(s.mutex);
  while (true) {
    State::Target t;
    LONG rv = s.lookup(hCard, t);
    if (rv != SCARD_S_SUCCESS)
      return rv;
    if (t.reader->transactionOwner == 0 || t.reader->transactionOwner == hCard) {
      rv = s.usable(t);
      if (rv != SCARD_S_SUCCESS)
        return rv;
      t.reader->transactionOwner = hCard;
      return SCARD_S_SUCCESS;
    }
    s.changed.wait(lock);  // another handle holds the card; it ends or goes away
  }
}

LONG SCardEndTransaction(SCARDHANDLE hCard, DWORD dwDisposition) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  State::Target t;
  LONG rv = s.lookup(hCard, t);
  if (rv != SCARD_S_SUCCESS)
    return rv;
  if (!validDisposition(dwDisposition))
    return SCARD_E_INVALID_VALUE;
  if (t.reader->transactionOwner != hCard)
    return SCARD_E_NOT_TRANSACTED;
  t.reader->transactionOwner = 0;
  rv = s.usable(t);
  if (rv == SCARD_S_SUCCESS)
    s.dispose(*t.reader, dwDisposition);
  s.notify();
  return rv;
}

LONG SCardStatus(SCARDHANDLE hCard, LPSTR mszReaderName, LPDWORD pcchReaderLen, LPDWORD pdwState, LPDWORD pdwProtocol,
                 LPBYTE pbAtr, LPDWORD pcbAtrLen) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  State::Target t;
  LONG rv = s.lookup(hCard, t);
  if (rv != SCARD_S_SUCCESS)
    return rv;
  if (t.handle->share != SCARD_SHARE_DIRECT) {
    if (t.handle->insertion != t.reader->insertion)
      return SCARD_W_REMOVED_CARD;
    if (t.handle->resets != t.reader->resets)
      return SCARD_W_RESET_CARD;
  }
  const bool present = s.refresh(*t.reader);
  if (pcchReaderLen) {
    const std::string& name = t.reader->name;
    rv = giveBytes(s, reinterpret_cast<const uint8_t*>(name.c_str()), name.size() + 1,
                   reinterpret_cast<uint8_t*>(mszReaderName), pcchReaderLen);
    if (rv != SCARD_S_SUCCESS)
      return rv;
  }
  if (pdwState)
    *pdwState = present ? SCARD_PRESENT | SCARD_POWERED | SCARD_NEGOTIABLE : SCARD_ABSENT;
  if (pdwProtocol)
    *pdwProtocol = t.handle->protocol;
  if (pcbAtrLen) {
    cardsim::Bytes atr;
    if (present)
      atr = t.reader->card->atr();
    rv = giveBytes(s, atr.data(), atr.size(), pbAtr, pcbAtrLen);
    if (rv != SCARD_S_SUCCESS)
      return rv;
  }
  return SCARD_S_SUCCESS;
}

LONG SCardTransmit(SCARDHANDLE hCard, const SCARD_IO_REQUEST* pioSendPci, LPCBYTE pbSendBuffer, DWORD cbSendLength,
                   SCARD_IO_REQUEST* pioRecvPci, LPBYTE pbRecvBuffer, LPDWORD pcbRecvLength) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  State::Target t;
  LONG rv = s.lookup(hCard, t);
  if (rv != SCARD_S_SUCCESS)
    return rv;
  if (pioSendPci == nullptr || pbSendBuffer == nullptr || pbRecvBuffer == nullptr || pcbRecvLength == nullptr ||
      cbSendLength == 0 || cbSendLength > MAX_BUFFER_SIZE_EXTENDED)
    return SCARD_E_INVALID_PARAMETER;

  Call call;
  call.kind = Call::Kind::Transmit;
  call.reader = t.reader->name;
  call.input.assign(pbSendBuffer, pbSendBuffer + cbSendLength);
  const size_t number = ++s.transmits;
  auto finish = [&](LONG result) {
    call.result = result;
    s.calls.push_back(call);
    return result;
  };

  if (auto fault = s.transmitFaults.find(number); fault != s.transmitFaults.end()) {
    const LONG code = fault->second;
    s.transmitFaults.erase(fault);
    return finish(code);
  }
  rv = s.usable(t);
  if (rv != SCARD_S_SUCCESS)
    return finish(rv);
  if (!s.refresh(*t.reader))
    return finish(SCARD_E_NO_SMARTCARD);
  if (pioSendPci->dwProtocol != t.handle->protocol || t.handle->protocol == SCARD_PROTOCOL_UNDEFINED)
    return finish(SCARD_E_PROTO_MISMATCH);

  cardsim::Bytes answer = t.reader->card->transmit(call.input);
  if (answer.empty()) {
    if (!s.refresh(*t.reader))
      return finish(SCARD_W_REMOVED_CARD);
    return finish(SCARD_E_NOT_TRANSACTED);  // the card did not answer
  }
  if (answer.size() > *pcbRecvLength) {
    *pcbRecvLength = DWORD(answer.size());
    return finish(SCARD_E_INSUFFICIENT_BUFFER);
  }
  std::memcpy(pbRecvBuffer, answer.data(), answer.size());
  *pcbRecvLength = DWORD(answer.size());
  if (pioRecvPci) {
    pioRecvPci->dwProtocol = t.handle->protocol;
    pioRecvPci->cbPciLength = sizeof(SCARD_IO_REQUEST);
  }
  call.output = answer;
  return finish(SCARD_S_SUCCESS);
}

LONG SCardGetAttrib(SCARDHANDLE hCard, DWORD dwAttrId, LPBYTE pbAttr, LPDWORD pcbAttrLen) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  State::Target t;
  LONG rv = s.lookup(hCard, t);
  if (rv != SCARD_S_SUCCESS)
    return rv;
  if (pcbAttrLen == nullptr)
    return SCARD_E_INVALID_PARAMETER;
  if (t.handle->share != SCARD_SHARE_DIRECT && t.handle->insertion != t.reader->insertion)
    return SCARD_W_REMOVED_CARD;

  const pcscsim::ReaderOptions& o = t.reader->options;
  cardsim::Bytes value;
  auto text = [&value](const std::string& v) {
    value.assign(v.begin(), v.end());
    value.push_back(0);
  };
  if (auto it = o.attributes.find(dwAttrId); it != o.attributes.end()) {
    value = it->second;
  } else if (dwAttrId == SCARD_ATTR_DEVICE_SYSTEM_NAME_A) {
    text(o.systemName.empty() ? t.reader->name : o.systemName);
  } else if (dwAttrId == SCARD_ATTR_DEVICE_FRIENDLY_NAME_A) {
    text(t.reader->name);
  } else if (dwAttrId == SCARD_ATTR_VENDOR_NAME && !o.vendorName.empty()) {
    text(o.vendorName);
  } else if (dwAttrId == SCARD_ATTR_ATR_STRING) {
    if (!s.refresh(*t.reader))
      return SCARD_E_NO_SMARTCARD;
    value = t.reader->card->atr();
  } else if (dwAttrId == SCARD_ATTR_ICC_PRESENCE) {
    value = {uint8_t(s.refresh(*t.reader) ? 2 : 0)};
  } else if (dwAttrId == SCARD_ATTR_CURRENT_PROTOCOL_TYPE) {
    const DWORD p = t.handle->protocol;
    value = {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16), uint8_t(p >> 24)};
  } else {
    return SCARD_E_UNSUPPORTED_FEATURE;
  }
  return giveBytes(s, value.data(), value.size(), pbAttr, pcbAttrLen);
}

LONG SCardSetAttrib(SCARDHANDLE hCard, DWORD, LPCBYTE pbAttr, DWORD) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.handles.count(hCard))
    return SCARD_E_INVALID_HANDLE;
  if (pbAttr == nullptr)
    return SCARD_E_INVALID_PARAMETER;
  return SCARD_E_UNSUPPORTED_FEATURE;  // the simulated readers have no settable attribute
}

}  // extern "C"
