// SCardControl: the reader's PC/SC part 10 features. The feature request lists
// them; the PIN features run an entry on the pin pad from the reader's key
// script and send the command with the PIN to the card.
#include "State.h"

#include <cstring>

using pcscsim::Call;
using pcscsim::detail::Reader;
using pcscsim::detail::State;
namespace pinpad = pcscsim::pinpad;
namespace key = pcscsim::key;

namespace {

// What the reader answers to one control request.
struct Outcome {
  LONG result = SCARD_S_SUCCESS;
  pcscsim::Bytes output;
  pcscsim::Bytes cardCommand;
};

Outcome failure(LONG code) {
  Outcome o;
  o.result = code;
  return o;
}

pcscsim::Bytes statusWord(uint16_t sw) { return {uint8_t(sw >> 8), uint8_t(sw)}; }

pcscsim::Bytes featureList(const pcscsim::ReaderOptions& o) {
  if (o.featureAnswer)
    return *o.featureAnswer;
  pcscsim::Bytes tlv;
  for (const auto& [tag, code] : o.features) {
    tlv.push_back(tag);
    tlv.push_back(4);
    for (int shift = 24; shift >= 0; shift -= 8)
      tlv.push_back(uint8_t(code >> shift));
  }
  return tlv;
}

// The feature a control code stands for on this reader, 0 if none.
uint8_t featureOf(const pcscsim::ReaderOptions& o, DWORD code) {
  for (const auto& [tag, c] : o.features)
    if (c == code)
      return tag;
  return 0;
}

// Takes the next scripted key; '\0' when the script is used up. A dead reader
// ('X') stays dead: the key is not taken.
char nextKey(Reader& r) {
  if (r.keys.empty())
    return '\0';
  const char k = r.keys.front();
  if (k != 'X')
    r.keys.erase(r.keys.begin());
  return k;
}

bool stopsAnswering(char k) { return k == '!' || k == 'X'; }

// Lets the user type until the entry ends. SCARD_E_NOT_TRANSACTED when the
// script makes the reader stop answering.
LONG typeUntilDone(Reader& r, pinpad::Entry& e) {
  while (!e.done()) {
    const char k = nextKey(r);
    if (k == '\0')
      e.timeout();
    else if (stopsAnswering(k))
      return SCARD_E_NOT_TRANSACTED;
    else
      e.press(k);
  }
  return SCARD_S_SUCCESS;
}

// After the entry: the card's answer to the command with the PIN, or the pad's status.
Outcome complete(State& s, Reader& r, const pinpad::Entry& e) {
  Outcome o;
  if (e.status() != 0) {
    o.output = statusWord(e.status());
    return o;
  }
  pinpad::Built built = pinpad::buildCommand(e.request(), e.currentPin(), e.newPin());
  if (built.error != SCARD_S_SUCCESS)
    return failure(built.error);
  if (built.readerSw != 0) {
    o.output = statusWord(built.readerSw);
    return o;
  }
  if (!s.refresh(r))
    return failure(SCARD_W_REMOVED_CARD);
  o.cardCommand = built.apdu;
  o.output = r.card->transmit(built.apdu);
  if (o.output.empty()) {
    o.result = s.refresh(r) ? SCARD_E_NOT_TRANSACTED : SCARD_W_REMOVED_CARD;
  }
  return o;
}

std::optional<pinpad::Request> parse(bool modify, const pcscsim::Bytes& in) {
  return modify ? pinpad::parseModify(in.data(), in.size()) : pinpad::parseVerify(in.data(), in.size());
}

Outcome pinDirect(State& s, Reader& r, bool modify, const pcscsim::Bytes& in) {
  auto request = parse(modify, in);
  if (!request)
    return failure(SCARD_E_INVALID_PARAMETER);
  r.entry.reset();
  pinpad::Entry e(std::move(*request));
  LONG rv = typeUntilDone(r, e);
  if (rv != SCARD_S_SUCCESS)
    return failure(rv);
  return complete(s, r, e);
}

Outcome pinStart(Reader& r, bool modify, const pcscsim::Bytes& in) {
  auto request = parse(modify, in);
  if (!request)
    return failure(SCARD_E_INVALID_PARAMETER);
  r.entry = std::make_unique<pinpad::Entry>(std::move(*request));
  return Outcome();
}

Outcome pinFinish(State& s, Reader& r, bool modify) {
  if (!r.entry || r.entry->request().modify != modify)
    return failure(SCARD_E_NOT_TRANSACTED);
  LONG rv = typeUntilDone(r, *r.entry);
  if (rv != SCARD_S_SUCCESS)
    return failure(rv);
  std::unique_ptr<pinpad::Entry> e = std::move(r.entry);
  return complete(s, r, *e);
}

Outcome keyPressed(Reader& r) {
  Outcome o;
  if (!r.entry) {
    o.output = {key::None};
    return o;
  }
  if (r.entry->done()) {
    o.output = {r.entry->finalKey()};
    return o;
  }
  const char k = nextKey(r);
  if (stopsAnswering(k))
    return failure(SCARD_E_NOT_TRANSACTED);
  if (k == '\0') {
    r.entry->timeout();
    o.output = {key::Timeout};
    return o;
  }
  o.output = {r.entry->press(k)};
  return o;
}

Outcome pinProperties() {
  Outcome o;
  // wLcdLayout 0000 (no display), bEntryValidationCondition 07, bTimeOut2 00.
  o.output = {0x00, 0x00, 0x07, 0x00};
  return o;
}

Outcome dispatch(State& s, State::Target& t, DWORD code, const pcscsim::Bytes& in) {
  Reader& r = *t.reader;
  const pcscsim::ReaderOptions& o = r.options;
  if (!o.controlSupported)
    return failure(SCARD_E_UNSUPPORTED_FEATURE);
  if (code == CM_IOCTL_GET_FEATURE_REQUEST) {
    Outcome out;
    out.output = featureList(o);
    return out;
  }
  const uint8_t feature = featureOf(o, code);
  if (feature == 0)
    return failure(SCARD_E_UNSUPPORTED_FEATURE);
  if (feature == FEATURE_IFD_PIN_PROPERTIES)
    return pinProperties();
  if (feature == FEATURE_GET_KEY_PRESSED)
    return keyPressed(r);

  LONG rv = s.usable(t);
  if (rv != SCARD_S_SUCCESS)
    return failure(rv);
  if (!s.refresh(r))
    return failure(SCARD_E_NO_SMARTCARD);
  switch (feature) {
  case FEATURE_VERIFY_PIN_DIRECT: return pinDirect(s, r, false, in);
  case FEATURE_MODIFY_PIN_DIRECT: return pinDirect(s, r, true, in);
  case FEATURE_VERIFY_PIN_START: return pinStart(r, false, in);
  case FEATURE_MODIFY_PIN_START: return pinStart(r, true, in);
  case FEATURE_VERIFY_PIN_FINISH: return pinFinish(s, r, false);
  case FEATURE_MODIFY_PIN_FINISH: return pinFinish(s, r, true);
  default: return failure(SCARD_E_UNSUPPORTED_FEATURE);
  }
}

}  // namespace

extern "C" LONG SCardControl(SCARDHANDLE hCard, DWORD dwControlCode, LPCVOID pbSendBuffer, DWORD cbSendLength,
                             LPVOID pbRecvBuffer, DWORD cbRecvLength, LPDWORD lpBytesReturned) {
  State& s = State::get();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (lpBytesReturned)
    *lpBytesReturned = 0;
  State::Target t;
  LONG rv = s.lookup(hCard, t);
  if (rv != SCARD_S_SUCCESS)
    return rv;
  if ((pbSendBuffer == nullptr && cbSendLength > 0) || cbSendLength > MAX_BUFFER_SIZE_EXTENDED)
    return SCARD_E_INVALID_PARAMETER;

  Call call;
  call.kind = Call::Kind::Control;
  call.reader = t.reader->name;
  call.controlCode = dwControlCode;
  if (cbSendLength > 0) {
    const auto* in = static_cast<const uint8_t*>(pbSendBuffer);
    call.input.assign(in, in + cbSendLength);
  }
  const size_t number = ++s.controls;

  Outcome out;
  if (auto fault = s.controlFaults.find(number); fault != s.controlFaults.end()) {
    out.result = fault->second;
    s.controlFaults.erase(fault);
  } else {
    out = dispatch(s, t, dwControlCode, call.input);
  }
  if (out.result == SCARD_S_SUCCESS && out.output.size() > cbRecvLength)
    out.result = SCARD_E_INSUFFICIENT_BUFFER;
  if (out.result == SCARD_S_SUCCESS && !out.output.empty()) {
    if (pbRecvBuffer == nullptr)
      out.result = SCARD_E_INVALID_PARAMETER;
    else
      std::memcpy(pbRecvBuffer, out.output.data(), out.output.size());
  }
  if (out.result == SCARD_S_SUCCESS && lpBytesReturned)
    *lpBytesReturned = DWORD(out.output.size());
  call.result = out.result;
  call.cardCommand = out.cardCommand;
  if (out.result == SCARD_S_SUCCESS)
    call.output = out.output;
  s.calls.push_back(std::move(call));
  return out.result;
}
