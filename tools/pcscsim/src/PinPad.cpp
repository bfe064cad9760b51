#include "PinPad.h"

#include <pcscsim/Simulator.h>

#include <algorithm>

namespace pcscsim::pinpad {
namespace {

// The largest PIN a pad takes when the structure sets no maximum.
constexpr unsigned kDefaultMaxDigits = 16;

uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::optional<Format> parseFormat(uint8_t formatString, uint8_t blockString, uint8_t lengthFormat) {
  Format f;
  const bool bytes = formatString & 0x80;
  const unsigned pos = (formatString >> 3) & 0x0F;
  f.pinBitPos = bytes ? pos * 8 : pos;
  f.rightJustify = formatString & 0x04;
  f.type = formatString & 0x03;
  if (f.type == 3)
    return std::nullopt;  // reserved
  f.lengthBits = blockString >> 4;
  f.blockBytes = blockString & 0x0F;
  const unsigned lengthPos = lengthFormat & 0x0F;
  f.lengthBitPos = (lengthFormat & 0x10) ? lengthPos * 8 : lengthPos;
  return f;
}

// The command template: a header, or a header with Lc, data and at most an Le.
bool templateWellFormed(const Bytes& apdu) {
  if (apdu.size() < 4)
    return false;
  if (apdu.size() == 4)
    return true;
  const size_t lc = apdu[4];
  return apdu.size() == 5 + lc || apdu.size() == 6 + lc;
}

std::optional<Request> parseCommon(const uint8_t* data, size_t length, size_t header, Request r) {
  const uint32_t dataLength = le32(data + header - 4);
  if (dataLength != length - header)
    return std::nullopt;
  r.apdu.assign(data + header, data + length);
  if (!templateWellFormed(r.apdu))
    return std::nullopt;
  if (r.maxDigits != 0 && r.minDigits > r.maxDigits)
    return std::nullopt;
  return r;
}

// Writes the `bits` low bits of value at bit position pos (MSB first).
void writeBits(Bytes& data, size_t pos, unsigned bits, uint32_t value) {
  for (unsigned i = 0; i < bits; ++i) {
    const size_t at = pos + i;
    const uint8_t mask = uint8_t(0x80u >> (at % 8));
    if ((value >> (bits - 1 - i)) & 1u)
      data[at / 8] |= mask;
    else
      data[at / 8] &= uint8_t(~mask);
  }
}

unsigned digitBits(unsigned type) { return type == 1 ? 4 : 8; }

uint32_t encodeDigit(unsigned type, char digit) {
  const uint32_t v = uint32_t(digit - '0');
  return type == 2 ? uint32_t('0') + v : v;
}

struct Placement {
  size_t base = 0;  // bits
  const std::string* pin = nullptr;
};

}  // namespace

std::optional<Request> parseVerify(const uint8_t* data, size_t length) {
  if (data == nullptr || length < kVerifyHeader)
    return std::nullopt;
  auto format = parseFormat(data[2], data[3], data[4]);
  if (!format)
    return std::nullopt;
  Request r;
  r.format = *format;
  r.maxDigits = data[5];
  r.minDigits = data[6];
  r.validation = data[7];
  return parseCommon(data, length, kVerifyHeader, std::move(r));
}

std::optional<Request> parseModify(const uint8_t* data, size_t length) {
  if (data == nullptr || length < kModifyHeader)
    return std::nullopt;
  auto format = parseFormat(data[2], data[3], data[4]);
  if (!format)
    return std::nullopt;
  Request r;
  r.modify = true;
  r.format = *format;
  r.offsetOld = data[5];
  r.offsetNew = data[6];
  r.maxDigits = data[7];
  r.minDigits = data[8];
  r.confirm = data[9];
  r.validation = data[10];
  return parseCommon(data, length, kModifyHeader, std::move(r));
}

Built buildCommand(const Request& request, const std::string& currentPin, const std::string& newPin) {
  Built out;
  const Format& f = request.format;
  std::vector<Placement> places;
  if (!request.modify)
    places.push_back({0, &currentPin});
  else {
    if (request.confirm & 0x02)
      places.push_back({size_t(request.offsetOld) * 8, &currentPin});
    places.push_back({size_t(request.offsetNew) * 8, &newPin});
  }

  // Bits of command data the insertion needs.
  size_t needBits = 0;
  for (const Placement& p : places) {
    const size_t encoded = p.pin->size() * digitBits(f.type);
    const size_t block = f.blockBytes ? size_t(f.blockBytes) * 8 : encoded;
    if (encoded > block) {
      out.readerSw = sw::BadLength;
      return out;
    }
    if (f.lengthBits && p.pin->size() >= (size_t(1) << f.lengthBits)) {
      out.readerSw = sw::BadLength;
      return out;
    }
    needBits = std::max(needBits, p.base + f.pinBitPos + block);
    if (f.lengthBits)
      needBits = std::max(needBits, p.base + f.lengthBitPos + f.lengthBits);
  }

  const Bytes& t = request.apdu;
  Bytes data;
  Bytes trailer;
  if (t.size() == 4) {
    // Header only: the pad makes the data field, filler FF.
    data.assign((needBits + 7) / 8, 0xFF);
  } else {
    const size_t lc = t[4];
    data.assign(t.begin() + 5, t.begin() + 5 + long(lc));
    trailer.assign(t.begin() + 5 + long(lc), t.end());
    if (needBits > data.size() * 8) {
      out.error = SCARD_E_INVALID_PARAMETER;
      return out;
    }
  }
  if (data.size() > 255) {
    out.error = SCARD_E_INVALID_PARAMETER;
    return out;
  }

  for (const Placement& p : places) {
    const size_t encoded = p.pin->size() * digitBits(f.type);
    const size_t block = f.blockBytes ? size_t(f.blockBytes) * 8 : encoded;
    size_t at = p.base + f.pinBitPos + (f.rightJustify ? block - encoded : 0);
    for (char d : *p.pin) {
      writeBits(data, at, digitBits(f.type), encodeDigit(f.type, d));
      at += digitBits(f.type);
    }
    if (f.lengthBits)
      writeBits(data, p.base + f.lengthBitPos, f.lengthBits, uint32_t(p.pin->size()));
  }

  out.apdu.assign(t.begin(), t.begin() + 4);
  if (!data.empty()) {
    out.apdu.push_back(uint8_t(data.size()));
    out.apdu.insert(out.apdu.end(), data.begin(), data.end());
  }
  out.apdu.insert(out.apdu.end(), trailer.begin(), trailer.end());
  return out;
}

Entry::Entry(Request request) : m_request(std::move(request)) {
  if (!m_request.modify) {
    m_stages.push_back(Stage::Current);
  } else {
    if (m_request.confirm & 0x02)
      m_stages.push_back(Stage::Current);
    m_stages.push_back(Stage::New);
    if (m_request.confirm & 0x01)
      m_stages.push_back(Stage::Confirm);
  }
}

unsigned Entry::maxDigits() const { return m_request.maxDigits ? m_request.maxDigits : kDefaultMaxDigits; }

uint8_t Entry::press(char k) {
  if (m_done)
    return m_finalKey;
  if (k >= '0' && k <= '9') {
    if (m_typing.size() < maxDigits()) {
      m_typing.push_back(k);
      if ((m_request.validation & 0x01) && m_typing.size() == maxDigits())
        completeStage();
    }
    return key::Digit;
  }
  switch (k) {
  case '\r':
    if (m_typing.size() < m_request.minDigits)
      finish(sw::BadLength, key::Enter);
    else
      completeStage();
    return key::Enter;
  case '\x1b': finish(sw::Cancelled, key::Cancel); return key::Cancel;
  case '\b':
    if (!m_typing.empty())
      m_typing.pop_back();
    return key::Backspace;
  case '\n': m_typing.clear(); return key::Clear;
  case 'T': timeout(); return key::Timeout;
  default: return key::None;
  }
}

void Entry::timeout() {
  if (!m_done)
    finish(sw::Timeout, key::Timeout);
}

void Entry::completeStage() {
  switch (m_stages[m_stage]) {
  case Stage::Current: m_current.swap(m_typing); break;
  case Stage::New: m_new.swap(m_typing); break;
  case Stage::Confirm: m_confirm.swap(m_typing); break;
  }
  m_typing.clear();
  if (++m_stage < m_stages.size())
    return;
  const bool confirmed = !(m_request.modify && (m_request.confirm & 0x01)) || m_new == m_confirm;
  finish(confirmed ? 0 : sw::Mismatch, key::Enter);
}

void Entry::finish(uint16_t status, uint8_t finalKey) {
  m_done = true;
  m_status = status;
  m_finalKey = finalKey;
}

bool isScriptKey(char k) {
  return (k >= '0' && k <= '9') || k == '\r' || k == '\x1b' || k == '\b' || k == '\n' || k == '.' || k == 'T' ||
         k == '!' || k == 'X';
}

}  // namespace pcscsim::pinpad
