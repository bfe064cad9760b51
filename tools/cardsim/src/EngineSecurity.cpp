// PIN commands, security environment, key operations, GET DATA, GET CHALLENGE.
#include <openssl/evp.h>
#include <openssl/rand.h>

#include "Engine.h"
#include "KeyOps.h"
#include "Util.h"

namespace cardsim {
namespace {

bool allDigits(const std::string& s) {
  for (char c : s)
    if (c < '0' || c > '9')
      return false;
  return true;
}

}  // namespace

size_t Engine::pinBlockLength(const PinObj& p, const std::string& current) const {
  switch (p.encoding) {
  case PinEncoding::Format2: return 8;
  case PinEncoding::Padded: return p.storedLength;
  case PinEncoding::Ascii: return current.size();
  }
  return current.size();
}

uint16_t Engine::decodePin(const PinObj& p, const Bytes& b, std::string& pin) const {
  pin.clear();
  switch (p.encoding) {
  case PinEncoding::Ascii: pin.assign(b.begin(), b.end()); break;
  case PinEncoding::Padded: {
    if (b.size() != p.storedLength)
      return 0x6700;
    size_t n = b.size();
    while (n && b[n - 1] == p.padChar)
      --n;
    pin.assign(b.begin(), b.begin() + static_cast<long>(n));
    break;
  }
  case PinEncoding::Format2: {
    if (b.size() != 8)
      return 0x6700;
    if ((b[0] >> 4) != 2)
      return 0x6A80;
    size_t n = b[0] & 0x0F;
    if (n < 4 || n > 14)
      return 0x6A80;
    for (size_t i = 0; i < 14; ++i) {
      uint8_t nib = (i % 2 == 0) ? b[1 + i / 2] >> 4 : b[1 + i / 2] & 0x0F;
      if (i < n) {
        if (nib > 9)
          return 0x6A80;
        pin.push_back(static_cast<char>('0' + nib));
      } else if (nib != 0x0F) {
        return 0x6A80;
      }
    }
    break;
  }
  }
  if (pin.size() < p.minLength || pin.size() > p.maxLength)
    return 0x6A80;
  return 0;
}

Response Engine::verify(const Apdu& a) {
  if (a.p1 != 0x00 && a.p1 != 0xFF)
    return Response::status(0x6A86);
  FileNode* owner = nullptr;
  PinObj* p = findPin(currentDf, a.p2, &owner);
  if (!p)
    return Response::status(0x6A88);
  if (a.p1 == 0xFF) {  // reset the verification status
    if (!a.data.empty())
      return Response::status(0x6700);
    setPinVerified(owner, p->ref, false);
    return Response::status(0x9000);
  }
  if (a.data.empty()) {  // ask for the status
    if (p->tries == 0)
      return Response::status(0x6983);
    if (pinVerified(owner, p->ref))
      return Response::status(0x9000);
    return Response::status(static_cast<uint16_t>(0x63C0 | p->tries));
  }
  if (p->tries == 0)
    return Response::status(0x6983);
  std::string pin;
  if (uint16_t e = decodePin(*p, a.data, pin))
    return Response::status(e);
  if (pin != p->value) {
    --p->tries;
    setPinVerified(owner, p->ref, false);
    return Response::status(m_dialect->wrongPinStatus(*this, p->tries));
  }
  p->tries = p->maxTries;
  setPinVerified(owner, p->ref, true);
  return Response::status(0x9000);
}

Response Engine::changeReference(const Apdu& a) {
  if (a.p1 != 0x00 && a.p1 != 0x01)
    return Response::status(0x6A86);
  FileNode* owner = nullptr;
  PinObj* p = findPin(currentDf, a.p2, &owner);
  if (!p)
    return Response::status(0x6A88);
  if (a.data.empty())
    return Response::status(0x6700);
  if (p->tries == 0)
    return Response::status(0x6983);
  Bytes newBlock = a.data;
  if (a.p1 == 0x00) {
    size_t oldLen = pinBlockLength(*p, p->value);
    if (a.data.size() <= oldLen)
      return Response::status(0x6700);
    std::string old;
    Bytes oldBlock(a.data.begin(), a.data.begin() + static_cast<long>(oldLen));
    newBlock.assign(a.data.begin() + static_cast<long>(oldLen), a.data.end());
    uint16_t e = decodePin(*p, oldBlock, old);
    if (e == 0x6700)
      return Response::status(0x6700);
    if (e || old != p->value) {
      --p->tries;
      setPinVerified(owner, p->ref, false);
      return Response::status(m_dialect->wrongPinStatus(*this, p->tries));
    }
  } else if (!pinVerified(owner, p->ref)) {
    return Response::status(0x6982);
  }
  std::string fresh;
  if (uint16_t e = decodePin(*p, newBlock, fresh))
    return Response::status(e);
  if (p->encoding == PinEncoding::Format2 && !allDigits(fresh))
    return Response::status(0x6A80);
  p->value = fresh;
  p->tries = p->maxTries;
  setPinVerified(owner, p->ref, true);
  return Response::status(0x9000);
}

Response Engine::resetRetryCounter(const Apdu& a) {
  if (a.p1 > 0x03)
    return Response::status(0x6A86);
  FileNode* owner = nullptr;
  PinObj* p = findPin(currentDf, a.p2, &owner);
  if (!p)
    return Response::status(0x6A88);
  if (a.p1 >= 0x02)
    return Response::status(0x6982);  // needs a security state the simulator does not model
  if (p->puk.empty())
    return Response::status(0x6984);
  if (p->pukTries == 0)
    return Response::status(0x6983);
  PinObj pukFormat = *p;  // the PUK is coded like the PIN
  pukFormat.minLength = 4;
  pukFormat.maxLength = 16;
  size_t pukLen = pinBlockLength(*p, p->puk);
  if (a.data.size() < pukLen || (a.p1 == 0x01 && a.data.size() != pukLen))
    return Response::status(0x6700);
  Bytes pukBlock(a.data.begin(), a.data.begin() + static_cast<long>(pukLen));
  std::string puk;
  uint16_t e = decodePin(pukFormat, pukBlock, puk);
  if (e == 0x6700)
    return Response::status(e);
  if (e || puk != p->puk) {
    --p->pukTries;
    return Response::status(m_dialect->wrongPinStatus(*this, p->pukTries));
  }
  std::string fresh;
  if (a.p1 == 0x00) {
    Bytes newBlock(a.data.begin() + static_cast<long>(pukLen), a.data.end());
    if (newBlock.empty())
      return Response::status(0x6700);
    if (p->encoding == PinEncoding::Ascii)  // callers zero-fill the new PIN
      while (!newBlock.empty() && newBlock.back() == 0x00)
        newBlock.pop_back();
    if (uint16_t e2 = decodePin(*p, newBlock, fresh))
      return Response::status(e2);
  }
  p->pukTries = p->pukMaxTries;
  if (a.p1 == 0x00)
    p->value = fresh;
  p->tries = p->maxTries;
  return Response::status(0x9000);
}

Response Engine::manageSe(const Apdu& a) {
  if (a.p1 == 0xF3) {  // RESTORE
    if (!a.data.empty())
      return Response::status(0x6700);
    if (a.p2 == 0x00) {
      se = SeObj();
      seDf = currentDf;
      return Response::status(0x9000);
    }
    const SeObj* s = findSe(currentDf, a.p2);
    if (!s)
      return Response::status(0x6A88);
    se = *s;
    seDf = currentDf;
    return Response::status(0x9000);
  }
  if ((a.p1 & 0x0F) != 0x01)
    return Response::status(0x6A86);
  SeTemplate* t = nullptr;
  SeUse use = SeUse::Sign;
  switch (a.p2) {
  case 0xB6:
    t = &se.dst;
    use = SeUse::Sign;
    break;
  case 0xB8:
    t = &se.ct;
    use = SeUse::Decipher;
    break;
  case 0xA4:
    t = &se.at;
    use = SeUse::Auth;
    break;
  case 0xAA: return Response::status(0x9000);  // hash template: the hash comes with PSO HASH
  default: return Response::status(0x6A86);
  }
  std::vector<Tlv> objs;
  if (!parseTlvList(a.data, objs))
    return Response::status(0x6A80);
  SeTemplate fresh;
  fresh.set = true;
  bool haveKey = false;
  for (auto& o : objs) {
    switch (o.tag) {
    case 0x83:
    case 0x84:
      if (o.value.empty())
        return Response::status(0x6A80);
      fresh.keyRef = o.value.back();
      haveKey = true;
      break;
    case 0x80:
    case 0x89:
      if (!m_dialect->algorithm(o.tag, o.value, use, fresh.alg))
        return Response::status(0x6A80);
      break;
    case 0x81:
    case 0x95:
    case 0x91: break;
    default: return Response::status(0x6A80);
    }
  }
  const bool privateOp = (a.p1 & 0x40) != 0 || (a.p1 & 0xF0) == 0;
  if (haveKey && privateOp) {
    KeyObj* k = findKey(currentDf, fresh.keyRef);
    if (!k || (!k->pkey && use != SeUse::Auth))
      return Response::status(0x6A88);
  }
  if (privateOp) {
    *t = fresh;
    seDf = currentDf;
  }
  return Response::status(0x9000);
}

Response Engine::signWith(KeyObj& key, FileNode* owner, const std::string& alg, const Bytes& input) {
  if (!granted(key.use, owner))
    return Response::status(0x6982);
  Bytes sig;
  uint16_t sw = keySign(key.pkey.get(), alg, input, sig);
  if (sw != 0x9000)
    return Response::status(sw);
  if (key.pinPerSignature && key.use.kind == Access::Kind::Pin) {
    FileNode* pinOwner = nullptr;
    if (findPin(owner, key.use.ref, &pinOwner))
      setPinVerified(pinOwner, key.use.ref, false);
  }
  return Response::ok(sig);
}

Response Engine::performSecurityOperation(const Apdu& a) {
  const uint16_t op = a.p1p2();
  if (op == 0x90A0 || op == 0x9080) {  // HASH
    if (a.data.empty())
      return Response::status(0x6700);
    if (op == 0x90A0) {
      std::vector<Tlv> t;
      if (!parseTlvList(a.data, t) || t.size() != 1 || t[0].tag != 0x90 || t[0].value.empty())
        return Response::status(0x6A80);
      pendingHash = t[0].value;
    } else {
      pendingHash.assign(32, 0);
      unsigned int len = 0;
      EVP_Digest(a.data.data(), a.data.size(), pendingHash.data(), &len, EVP_sha256(), nullptr);
      pendingHash.resize(len);
    }
    return Response::status(0x9000);
  }
  if (op == 0x9E9A) {  // COMPUTE DIGITAL SIGNATURE
    if (!se.dst.set)
      return Response::status(0x6985);
    FileNode* owner = nullptr;
    KeyObj* k = findKey(seDf ? seDf : currentDf, se.dst.keyRef, &owner);
    if (!k || !k->pkey)
      return Response::status(0x6A88);
    Bytes input = a.data;
    if (input.empty()) {
      if (pendingHash.empty())
        return Response::status(0x6985);
      input = pendingHash;
    }
    pendingHash.clear();
    return signWith(*k, owner, se.dst.alg.empty() ? k->signAlg : se.dst.alg, input);
  }
  if (op == 0x8086) {  // DECIPHER
    if (a.data.size() < 2)
      return Response::status(0x6700);
    if (a.data[0] != 0x00 && a.data[0] != 0x81)
      return Response::status(0x6A80);
    if (!se.ct.set)
      return Response::status(0x6985);
    FileNode* owner = nullptr;
    KeyObj* k = findKey(seDf ? seDf : currentDf, se.ct.keyRef, &owner);
    if (!k || !k->pkey)
      return Response::status(0x6A88);
    if (!granted(k->use, owner))
      return Response::status(0x6982);
    Bytes plain;
    uint16_t sw = keyDecipher(k->pkey.get(), se.ct.alg.empty() ? k->decipherAlg : se.ct.alg,
                              Bytes(a.data.begin() + 1, a.data.end()), plain);
    if (sw != 0x9000)
      return Response::status(sw);
    return Response::ok(plain);
  }
  return Response::status(0x6A86);
}

Response Engine::internalAuthenticate(const Apdu& a) {
  if (a.p1 != 0x00)
    return Response::status(0x6A86);
  if (a.data.empty())
    return Response::status(0x6700);
  uint8_t ref = a.p2;
  std::string alg;
  if (ref == 0x00) {
    if (!se.at.set)
      return Response::status(0x6985);
    ref = se.at.keyRef;
    alg = se.at.alg;
  }
  FileNode* owner = nullptr;
  KeyObj* k = findKey(ref == a.p2 ? currentDf : (seDf ? seDf : currentDf), ref, &owner);
  if (!k || !k->pkey)
    return Response::status(0x6A88);
  return signWith(*k, owner, alg.empty() ? k->authAlg : alg, a.data);
}

Response Engine::externalAuthenticate(const Apdu& a) {
  if (a.p1 != 0x00)
    return Response::status(0x6A86);
  uint8_t ref = a.p2 ? a.p2 : se.at.keyRef;
  FileNode* owner = nullptr;
  KeyObj* k = findKey(currentDf, ref, &owner);
  if (!k || k->secret.empty())
    return Response::status(0x6A88);
  if (k->errorCounter == 0)
    return Response::status(0x6983);
  if (challenge.empty())
    return Response::status(0x6985);
  if (a.data.empty())
    return Response::status(0x6700);
  Bytes expected;
  bool ok = symmetricEncrypt(k->secret, challenge, expected) && expected == a.data;
  challenge.clear();
  if (!ok) {
    if (k->errorCounter > 0) {
      --k->errorCounter;
      return Response::status(static_cast<uint16_t>(0x63C0 | k->errorCounter));
    }
    return Response::status(0x6300);
  }
  m_authenticated.insert({owner, k->ref});
  return Response::status(0x9000);
}

Response Engine::getData(const Apdu& a) {
  if (!a.data.empty())
    return Response::status(0x6700);
  Bytes out;
  auto it = m_model->dataObjects.find(a.p1p2());
  if (it != m_model->dataObjects.end())
    out = it->second;
  else if (!m_dialect->getData(*this, a.p1p2(), out))
    return Response::status(0x6A88);
  return Response::ok(out);
}

Response Engine::getChallenge(const Apdu& a) {
  if (a.p1 != 0 || a.p2 != 0)
    return Response::status(0x6A86);
  if (!a.data.empty() || !a.hasLe)
    return Response::status(0x6700);
  size_t n = std::min<size_t>(a.ne, 256);
  challenge.assign(n, 0);
  if (RAND_bytes(challenge.data(), static_cast<int>(n)) != 1)
    return Response::status(0x6F00);
  return Response::ok(challenge);
}

}  // namespace cardsim
