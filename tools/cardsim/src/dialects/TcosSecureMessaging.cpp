// TCOS 3.0 device authentication and secure messaging, the card's side.
#include "TcosSecureMessaging.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/des.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "DialectOps.h"

namespace cardsim {
namespace {

const size_t kBlock = 128, kPad = 74, kKeyPart = 32, kHash = 20, kRnd = 8, kSerial = 8;

struct BnFree {
  void operator()(BIGNUM* b) const { BN_clear_free(b); }
};
using Bn = std::unique_ptr<BIGNUM, BnFree>;
struct CtxFree {
  void operator()(BN_CTX* c) const { BN_CTX_free(c); }
};

Bn bn(const Bytes& b) { return Bn(BN_bin2bn(b.data(), static_cast<int>(b.size()), nullptr)); }

Bytes bytes(const BIGNUM* v, size_t n) {
  Bytes out(n);
  if (BN_bn2binpad(v, out.data(), static_cast<int>(n)) < 0)
    out.clear();
  return out;
}

struct RsaParts {
  Bn n, e, d;
};

bool cardKey(const Engine& e, RsaParts& k) {
  auto it = e.model().options.find("sm-auth-key");
  if (it == e.model().options.end())
    return false;
  uint8_t ref = static_cast<uint8_t>(std::strtoul(it->second.c_str(), nullptr, 16));
  KeyObj* key = e.findKey(e.model().mf.get(), ref);
  if (!key || !key->pkey)
    return false;
  BIGNUM *n = nullptr, *ex = nullptr, *d = nullptr;
  if (EVP_PKEY_get_bn_param(key->pkey.get(), OSSL_PKEY_PARAM_RSA_N, &n) != 1 ||
      EVP_PKEY_get_bn_param(key->pkey.get(), OSSL_PKEY_PARAM_RSA_E, &ex) != 1 ||
      EVP_PKEY_get_bn_param(key->pkey.get(), OSSL_PKEY_PARAM_RSA_D, &d) != 1) {
    BN_free(n);
    BN_free(ex);
    BN_clear_free(d);
    return false;
  }
  k.n.reset(n);
  k.e.reset(ex);
  k.d.reset(d);
  return BN_num_bytes(n) == static_cast<int>(kBlock);
}

FileNode* makerKeyFile(const Engine& e) {
  FileNode* f = findPath(e.model().mf.get(), "3F00/4500");
  return f && f->isRecord() && f->records.size() >= 5 ? f : nullptr;
}

bool makerKey(const Engine& e, RsaParts& k) {
  FileNode* f = makerKeyFile(e);
  if (!f || f->records[4].size() < kBlock)
    return false;
  const Bytes& r = f->records[4];
  k.n = bn(Bytes(r.begin(), r.begin() + kBlock));
  k.e = r.size() > kBlock ? bn(Bytes(r.begin() + kBlock, r.end())) : bn(Bytes{0x01, 0x00, 0x01});
  return BN_num_bytes(k.n.get()) == static_cast<int>(kBlock);
}

// The last 8 bytes of the card's serial number, left-padded with zeros.
Bytes serial(const Engine& e) {
  Bytes out(kSerial, 0);
  FileNode* f = findPath(e.model().mf.get(), "3F00/2F02");
  if (!f || f->data.size() < 2)
    return out;
  size_t n = std::min<size_t>(f->data[1], f->data.size() - 2);
  const uint8_t* v = f->data.data() + 2;
  size_t take = std::min(n, kSerial);
  std::memcpy(out.data() + kSerial - take, v + n - take, take);
  return out;
}

Bytes modExp(const Bytes& in, const BIGNUM* x, const BIGNUM* m) {
  std::unique_ptr<BN_CTX, CtxFree> ctx(BN_CTX_new());
  Bn v = bn(in), r(BN_new());
  if (!ctx || !v || !r || BN_cmp(v.get(), m) >= 0 || !BN_mod_exp(r.get(), v.get(), x, m, ctx.get()))
    return Bytes();
  return bytes(r.get(), kBlock);
}

Bytes complement(const Bytes& v, const BIGNUM* n) {
  Bn a = bn(v), r(BN_new());
  BN_sub(r.get(), n, a.get());
  return bytes(r.get(), kBlock);
}

Bytes sha1(const Bytes& in) {
  Bytes out(kHash);
  SHA1(in.data(), in.size(), out.data());
  return out;
}

Bytes blockHash(const uint8_t* prnd, const uint8_t* keyPart, const Bytes& rnd, const Bytes& sn) {
  Bytes in(prnd, prnd + kPad);
  in.insert(in.end(), keyPart, keyPart + kKeyPart);
  in.insert(in.end(), rnd.begin(), rnd.end());
  in.insert(in.end(), sn.begin(), sn.end());
  return sha1(in);
}

void pad(Bytes& b) {
  b.push_back(0x80);
  while (b.size() % 8)
    b.push_back(0x00);
}

void increment(Bytes& ssc) {
  for (size_t i = ssc.size(); i-- > 0;)
    if (++ssc[i] != 0)
      break;
}

void schedules(const Bytes& key, DES_key_schedule& k1, DES_key_schedule& k2) {
  DES_cblock a, b;
  std::memcpy(a, key.data(), 8);
  std::memcpy(b, key.data() + 8, 8);
  DES_set_key_unchecked(&a, &k1);
  DES_set_key_unchecked(&b, &k2);
}

// ISO/IEC 9797-1 MAC algorithm 3 over padded data, IV = counter.
Bytes retailMac(const Bytes& key, const Bytes& iv, Bytes data) {
  pad(data);
  DES_key_schedule k1, k2;
  schedules(key, k1, k2);
  DES_cblock chain, block;
  std::memcpy(chain, iv.data(), 8);
  for (size_t i = 0; i < data.size(); i += 8) {
    for (int j = 0; j < 8; ++j)
      block[j] = static_cast<uint8_t>(data[i + j] ^ chain[j]);
    DES_ecb_encrypt(&block, &chain, &k1, DES_ENCRYPT);
  }
  DES_ecb_encrypt(&chain, &block, &k2, DES_DECRYPT);
  DES_ecb_encrypt(&block, &chain, &k1, DES_ENCRYPT);
  return Bytes(chain, chain + 8);
}

Bytes encipher(const Bytes& key, Bytes data) {
  pad(data);
  DES_key_schedule k1, k2;
  schedules(key, k1, k2);
  DES_cblock iv = {0};
  Bytes out(data.size());
  DES_ede3_cbc_encrypt(data.data(), out.data(), static_cast<long>(data.size()), &k1, &k2, &k1, &iv, DES_ENCRYPT);
  return out;
}

}  // namespace

bool TcosSecureMessaging::enabled(const Engine& e) const { return e.model().options.count("sm-auth-key") > 0; }

void TcosSecureMessaging::endSession() {
  m_session = false;
  for (Bytes* b : {&m_encKey, &m_macKey, &m_ssc, &m_keyIcc, &m_rndIfd}) {
    if (!b->empty())
      OPENSSL_cleanse(b->data(), b->size());
    b->clear();
  }
}

void TcosSecureMessaging::reset() { endSession(); }

Response TcosSecureMessaging::internalAuthenticate(Engine& e, const Apdu& a) {
  endSession();
  if (a.data.size() != kRnd + kSerial)
    return Response::status(0x6700);
  RsaParts card, maker;
  if (!cardKey(e, card) || !makerKey(e, maker))
    return Response::status(0x6A88);
  Bytes rnd(a.data.begin(), a.data.begin() + kRnd), sn = serial(e);
  Bytes block(kBlock);
  block[0] = 0x6A;
  block[kBlock - 1] = 0xBC;
  if (RAND_bytes(block.data() + 1, static_cast<int>(kPad + kKeyPart)) != 1)
    return Response::status(0x6F00);
  Bytes h = blockHash(block.data() + 1, block.data() + 1 + kPad, rnd, sn);
  std::copy(h.begin(), h.end(), block.begin() + 1 + kPad + kKeyPart);
  Bytes s = modExp(block, card.d.get(), card.n.get());
  Bytes other = complement(s, card.n.get());
  Bytes out = modExp(other < s ? other : s, maker.e.get(), maker.n.get());
  if (out.empty())
    return Response::status(0x6F00);
  m_keyIcc.assign(block.begin() + 1 + kPad, block.begin() + 1 + kPad + kKeyPart);
  m_rndIfd = rnd;
  return Response::ok(out);
}

Response TcosSecureMessaging::externalAuthenticate(Engine& e, const Apdu& a) {
  Bytes kIcc = m_keyIcc, rndIfd = m_rndIfd, rndIcc = e.challenge;
  endSession();
  e.challenge.clear();
  if (kIcc.empty() || rndIcc.size() != kRnd)
    return Response::status(0x6985);
  if (a.data.size() != kBlock)
    return Response::status(0x6700);
  RsaParts card, maker;
  if (!cardKey(e, card) || !makerKey(e, maker))
    return Response::status(0x6A88);
  Bytes s = modExp(a.data, card.d.get(), card.n.get());
  Bytes v = s.empty() ? Bytes() : modExp(s, maker.e.get(), maker.n.get());
  if (v.empty())
    return Response::status(0x6300);
  if (v.back() != 0xBC)
    v = complement(v, maker.n.get());
  if (v[0] != 0x6A || v.back() != 0xBC)
    return Response::status(0x6300);
  Bytes h = blockHash(v.data() + 1, v.data() + 1 + kPad, rndIcc, serial(e));
  if (CRYPTO_memcmp(h.data(), v.data() + 1 + kPad + kKeyPart, kHash) != 0)
    return Response::status(0x6300);
  Bytes k(kKeyPart + 4, 0);
  for (size_t i = 0; i < kKeyPart; ++i)
    k[i] = kIcc[i] ^ v[1 + kPad + i];
  k[kKeyPart + 3] = 1;
  Bytes h1 = sha1(k);
  k[kKeyPart + 3] = 2;
  Bytes h2 = sha1(k);
  m_encKey.assign(h1.begin(), h1.begin() + 16);
  m_macKey.assign(h2.begin(), h2.begin() + 16);
  m_ssc.assign(rndIcc.begin() + 4, rndIcc.end());
  m_ssc.insert(m_ssc.end(), rndIfd.begin() + 4, rndIfd.end());
  m_session = true;
  return Response::status(0x9000);
}

Response TcosSecureMessaging::writeMakerKey(Engine& e, const Apdu& a) {
  static const uint8_t kHead[] = {0x7F, 0x49, 0x81, 0x88, 0x81, 0x81, 0x80};
  const Bytes& d = a.data;
  if (d.size() != 143 || d[0] != 0x83 || d[1] != 0x01 || std::memcmp(d.data() + 3, kHead, sizeof kHead) != 0 ||
      d[138] != 0x82 || d[139] != 0x03)
    return Response::status(0x6A80);
  FileNode* f = makerKeyFile(e);
  if (!f)
    return Response::status(0x6A82);
  Bytes record(d.begin() + 10, d.begin() + 138);
  record.insert(record.end(), d.begin() + 140, d.end());
  f->records[4] = record;
  return Response::status(0x9000);
}

Response TcosSecureMessaging::protectedCommand(Engine& e, const Apdu& a) {
  if (!m_session)
    return Response::status(0x6882);
  if (a.ins != 0x2A || a.p1p2() != 0x9E9A) {
    endSession();
    return Response::status(0x6D00);
  }
  std::vector<Tlv> objects;
  if (!parseTlvList(a.data, objects) || objects.size() != 3 || objects[0].tag != 0x81 || objects[1].tag != 0x97 ||
      objects[2].tag != 0x8E || objects[2].value.size() != 8 || a.data.size() < 10) {
    endSession();
    return Response::status(0x6987);
  }
  increment(m_ssc);
  Bytes input{a.cla, a.ins, a.p1, a.p2};
  pad(input);
  input.insert(input.end(), a.data.begin(), a.data.end() - 10);
  if (retailMac(m_macKey, m_ssc, input) != objects[2].value) {
    endSession();
    return Response::status(0x6988);
  }
  KeyObj* key = nullptr;
  FileNode* owner = nullptr;
  if (e.currentEf) {
    char name[16];
    std::snprintf(name, sizeof name, "sm-key.%04x", e.currentEf->fid);
    auto it = e.model().options.find(name);
    if (it != e.model().options.end())
      key = e.findKey(e.currentDf, static_cast<uint8_t>(std::strtoul(it->second.c_str(), nullptr, 16)), &owner);
  }
  Response signature = dialectops::sign(e, key, owner, "pkcs1", objects[0].value);
  if (signature.sw != 0x9000) {
    endSession();
    return signature;
  }
  increment(m_ssc);
  Bytes answer;
  Bytes crypto{0x01};
  Bytes c = encipher(m_encKey, signature.data);
  crypto.insert(crypto.end(), c.begin(), c.end());
  appendTlv(answer, 0x87, crypto);
  appendTlv(answer, 0x99, Bytes{0x90, 0x00});
  Bytes mac = retailMac(m_macKey, m_ssc, answer);
  appendTlv(answer, 0x8E, mac);
  return Response::ok(answer);
}

}  // namespace cardsim
