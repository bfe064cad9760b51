// Key operations for dialects whose cards pick keys or algorithms in their own way.
#pragma once

#include "../Engine.h"
#include "../KeyOps.h"
#include "../Util.h"

namespace cardsim {
namespace dialectops {

// The first private key of a DF or of its parents.
inline KeyObj* firstKey(FileNode* from, FileNode** owner) {
  for (FileNode* d = from; d; d = d->parent)
    for (auto& k : d->keys)
      if (k.pkey) {
        if (owner)
          *owner = d;
        return &k;
      }
  return nullptr;
}

// Signs with a key after checking its use condition.
inline Response sign(Engine& e, KeyObj* k, FileNode* owner, const std::string& alg, const Bytes& input) {
  if (!k || !k->pkey)
    return Response::status(0x6A88);
  if (!e.granted(k->use, owner))
    return Response::status(0x6982);
  Bytes out;
  uint16_t s = keySign(k->pkey.get(), alg, input, out);
  if (s != 0x9000)
    return Response::status(s);
  if (k->pinPerSignature && k->use.kind == Access::Kind::Pin) {
    FileNode* pinOwner = nullptr;
    if (e.findPin(owner, k->use.ref, &pinOwner))
      e.setPinVerified(pinOwner, k->use.ref, false);
  }
  return Response::ok(out);
}

inline Response decipher(Engine& e, KeyObj* k, FileNode* owner, const std::string& alg, const Bytes& input) {
  if (!k || !k->pkey)
    return Response::status(0x6A88);
  if (!e.granted(k->use, owner))
    return Response::status(0x6982);
  Bytes out;
  uint16_t s = keyDecipher(k->pkey.get(), alg, input, out);
  if (s != 0x9000)
    return Response::status(s);
  return Response::ok(out);
}

// A DigestInfo-framed PKCS#1 signature over a bare hash, the hash named by its size.
inline std::string pkcs1ForHash(size_t hashLength) {
  switch (hashLength) {
  case 20: return "pkcs1-sha1";
  case 48: return "pkcs1-sha384";
  case 64: return "pkcs1-sha512";
  default: return "pkcs1-sha256";
  }
}

// Key of the template in force, or the first key of the current DF when none is named.
inline KeyObj* templateKey(Engine& e, const SeTemplate& t, FileNode** owner) {
  FileNode* from = e.seDf ? e.seDf : e.currentDf;
  if (t.set && t.keyRef) {
    if (KeyObj* k = e.findKey(from, t.keyRef, owner))
      return k;
  }
  return firstKey(e.currentDf, owner);
}

// Private-key operation without padding (the terminal sent the padded block).
inline Response raw(Engine& e, KeyObj* k, FileNode* owner, const Bytes& block) {
  return decipher(e, k, owner, "raw", block);
}

}  // namespace dialectops
}  // namespace cardsim
