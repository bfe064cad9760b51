// Transport rules and command dispatch of the card engine.
#include "Engine.h"

#include "Util.h"

namespace cardsim {

Engine::Engine(std::unique_ptr<CardModel> model, std::unique_ptr<Dialect> dialect)
    : m_model(std::move(model)), m_dialect(std::move(dialect)) {
  resetState();
}

void Engine::resetState() {
  currentDf = m_model->mf.get();
  currentEf = nullptr;
  se = SeObj();
  seDf = nullptr;
  challenge.clear();
  pendingHash.clear();
  m_pending.clear();
  m_chain.clear();
  m_chainIns = -1;
  m_verified.clear();
  m_authenticated.clear();
  m_dialect->reset();
}

Bytes Engine::process(const Bytes& raw) {
  Apdu a;
  if (uint16_t e = parseApdu(raw, a)) {
    m_pending.clear();
    return swBytes(e);
  }
  if (a.extended && (!m_dialect->extendedLength() || protocol == Protocol::T0))
    return swBytes(0x6700);
  if (a.cla == 0xFF)
    return swBytes(0x6E00);
  // 6X and 9X are no instructions, except in a proprietary class the dialect accepts.
  if (((a.ins & 0xF0) == 0x60 || (a.ins & 0xF0) == 0x90) &&
      !((a.cla & 0x80) && m_dialect->proprietaryClass(a.cla & static_cast<uint8_t>(~0x10), a.ins)))
    return swBytes(0x6D00);

  const uint8_t base = a.cla & static_cast<uint8_t>(~0x10);
  if (base & 0x80) {
    if (!m_dialect->proprietaryClass(base, a.ins))
      return swBytes(0x6E00);
  } else if ((base & 0xE0) == 0x00) {
    if ((base & 0x0C) && !m_dialect->secureMessaging(base, a.ins))
      return swBytes(0x6882);  // no secure messaging
    if (base & 0x03)
      return swBytes(0x6881);  // logical channels not supported
  } else if ((base & 0xC0) == 0x40) {
    return swBytes(0x6881);
  } else {
    return swBytes(0x6E00);
  }

  if (a.ins == 0xC0 && (a.cla & 0x10) == 0)
    return getResponse(a);
  m_pending.clear();

  // Command chaining: collect the data of the chained commands.
  if (a.cla & 0x10) {
    if (m_chainIns >= 0 && m_chainIns != a.ins) {
      m_chain.clear();
      m_chainIns = -1;
      return swBytes(0x6883);
    }
    if (m_chain.size() + a.data.size() > 65535) {
      m_chain.clear();
      m_chainIns = -1;
      return swBytes(0x6700);
    }
    m_chainIns = a.ins;
    m_chain.insert(m_chain.end(), a.data.begin(), a.data.end());
    return swBytes(0x9000);
  }
  if (m_chainIns >= 0) {
    if (m_chainIns != a.ins) {
      m_chain.clear();
      m_chainIns = -1;
      return swBytes(0x6883);
    }
    a.data.insert(a.data.begin(), m_chain.begin(), m_chain.end());
    m_chain.clear();
    m_chainIns = -1;
  }

  Response r;
  if (!m_dialect->handle(*this, a, r))
    r = dispatch(a);
  return frame(a, std::move(r));
}

// Applies the expected length and the protocol to an answer.
Bytes Engine::frame(const Apdu& a, Response r) {
  const uint8_t sw1 = static_cast<uint8_t>(r.sw >> 8);
  const bool dataAllowed = r.sw == 0x9000 || sw1 == 0x62 || sw1 == 0x63;
  if (!dataAllowed || r.data.empty())
    return swBytes(r.sw);
  Bytes out;
  auto rest = [&](size_t n) {
    m_pending.assign(r.data.begin() + static_cast<long>(n), r.data.end());
    size_t left = m_pending.size();
    return static_cast<uint16_t>(0x6100 | (left >= 256 ? 0 : left));
  };
  if (protocol == Protocol::T0) {
    if (a.caseNo == 2) {
      if (r.data.size() < a.ne && (r.sw == 0x9000 || r.sw == 0x6282))
        return swBytes(static_cast<uint16_t>(0x6C00 | (r.data.size() & 0xFF)));
      if (r.data.size() > a.ne) {
        uint16_t s = rest(a.ne);
        out.assign(r.data.begin(), r.data.begin() + static_cast<long>(a.ne));
        Bytes w = swBytes(s);
        out.insert(out.end(), w.begin(), w.end());
        return out;
      }
      out = r.data;
    } else {
      // Cases 3 and 4 under T=0: the data waits for GET RESPONSE.
      return swBytes(rest(0));
    }
  } else {
    if (!a.hasLe)
      return swBytes(r.sw);
    if (r.data.size() > a.ne) {
      uint16_t s = rest(a.ne);
      out.assign(r.data.begin(), r.data.begin() + static_cast<long>(a.ne));
      Bytes w = swBytes(s);
      out.insert(out.end(), w.begin(), w.end());
      return out;
    }
    out = r.data;
  }
  Bytes w = swBytes(r.sw);
  out.insert(out.end(), w.begin(), w.end());
  return out;
}

Bytes Engine::getResponse(const Apdu& a) {
  if (a.p1 != 0 || a.p2 != 0)
    return swBytes(0x6A86);
  if (!a.data.empty())
    return swBytes(0x6700);
  if (m_pending.empty())
    return swBytes(0x6985);
  size_t ne = a.hasLe ? a.ne : 0;
  if (ne == 0)
    return swBytes(0x6700);
  if (protocol == Protocol::T0 && ne > m_pending.size() && !a.leWildcard)
    return swBytes(static_cast<uint16_t>(0x6C00 | (m_pending.size() & 0xFF)));
  size_t n = std::min(ne, m_pending.size());
  Bytes out(m_pending.begin(), m_pending.begin() + static_cast<long>(n));
  m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<long>(n));
  uint16_t s =
      m_pending.empty() ? 0x9000 : static_cast<uint16_t>(0x6100 | (m_pending.size() >= 256 ? 0 : m_pending.size()));
  Bytes w = swBytes(s);
  out.insert(out.end(), w.begin(), w.end());
  return out;
}

Response Engine::dispatch(const Apdu& a) {
  switch (a.ins) {
  case 0xA4: return select(a);
  case 0xB0: return readBinary(a);
  case 0xB1: return readBinaryOdd(a);
  case 0xB2: return readRecord(a);
  case 0xD6: return updateBinary(a);
  case 0xDC: return updateRecord(a);
  case 0x20: return verify(a);
  case 0x24: return changeReference(a);
  case 0x2C: return resetRetryCounter(a);
  case 0x22: return manageSe(a);
  case 0x2A: return performSecurityOperation(a);
  case 0x88: return internalAuthenticate(a);
  case 0x82: return externalAuthenticate(a);
  case 0xCA: return getData(a);
  case 0x84: return getChallenge(a);
  default: return Response::status(0x6D00);
  }
}

PinObj* Engine::findPin(FileNode* from, uint8_t ref, FileNode** owner) const {
  for (FileNode* d = from; d; d = d->parent)
    for (auto& p : d->pins)
      if (p.ref == ref) {
        if (owner)
          *owner = d;
        return &p;
      }
  return nullptr;
}

KeyObj* Engine::findKey(FileNode* from, uint8_t ref, FileNode** owner) const {
  for (FileNode* d = from; d; d = d->parent)
    for (auto& k : d->keys)
      if (k.ref == ref) {
        if (owner)
          *owner = d;
        return &k;
      }
  return nullptr;
}

const SeObj* Engine::findSe(FileNode* from, uint8_t number) const {
  for (FileNode* d = from; d; d = d->parent)
    for (auto& s : d->ses)
      if (s.number == number)
        return &s;
  return nullptr;
}

bool Engine::granted(const Access& acc, FileNode* context) const {
  switch (acc.kind) {
  case Access::Kind::Always: return true;
  case Access::Kind::Never: return false;
  case Access::Kind::Pin: {
    FileNode* owner = nullptr;
    if (!findPin(context, acc.ref, &owner))
      return false;
    return pinVerified(owner, acc.ref);
  }
  case Access::Kind::Key: {
    FileNode* owner = nullptr;
    if (!findKey(context, acc.ref, &owner))
      return false;
    return m_authenticated.count({owner, acc.ref}) > 0;
  }
  }
  return false;
}

void Engine::setPinVerified(FileNode* owner, uint8_t ref, bool v) {
  if (v)
    m_verified.insert({owner, ref});
  else
    m_verified.erase({owner, ref});
}

}  // namespace cardsim
