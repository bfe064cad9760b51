#include "KeyOps.h"

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/rsa.h>

#include <memory>

namespace cardsim {
namespace {

struct CtxFree {
  void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};
using CtxPtr = std::unique_ptr<EVP_PKEY_CTX, CtxFree>;

const EVP_MD* mdByName(const std::string& name) {
  if (name == "sha1")
    return EVP_sha1();
  if (name == "sha224")
    return EVP_sha224();
  if (name == "sha256")
    return EVP_sha256();
  if (name == "sha384")
    return EVP_sha384();
  if (name == "sha512")
    return EVP_sha512();
  if (name == "ripemd160")
    return EVP_ripemd160();
  return nullptr;
}

uint16_t signEcdsa(EVP_PKEY* key, const Bytes& hash, Bytes& out) {
  CtxPtr ctx(EVP_PKEY_CTX_new(key, nullptr));
  if (!ctx || EVP_PKEY_sign_init(ctx.get()) <= 0)
    return 0x6F00;
  size_t len = 0;
  if (EVP_PKEY_sign(ctx.get(), nullptr, &len, hash.data(), hash.size()) <= 0)
    return 0x6A80;
  Bytes der(len);
  if (EVP_PKEY_sign(ctx.get(), der.data(), &len, hash.data(), hash.size()) <= 0)
    return 0x6A80;
  const unsigned char* p = der.data();
  ECDSA_SIG* sig = d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(len));
  if (!sig)
    return 0x6F00;
  size_t n = keyBytes(key);
  out.assign(2 * n, 0);
  const BIGNUM* r = ECDSA_SIG_get0_r(sig);
  const BIGNUM* s = ECDSA_SIG_get0_s(sig);
  bool ok =
      BN_bn2binpad(r, out.data(), static_cast<int>(n)) > 0 && BN_bn2binpad(s, out.data() + n, static_cast<int>(n)) > 0;
  ECDSA_SIG_free(sig);
  return ok ? 0x9000 : 0x6F00;
}

}  // namespace

size_t keyBytes(EVP_PKEY* key) {
  if (!key)
    return 0;
  if (EVP_PKEY_base_id(key) == EVP_PKEY_EC)
    return static_cast<size_t>((EVP_PKEY_bits(key) + 7) / 8);
  return static_cast<size_t>(EVP_PKEY_size(key));
}

uint16_t keySign(EVP_PKEY* key, const std::string& alg, const Bytes& input, Bytes& out) {
  if (!key)
    return 0x6A88;
  const bool ec = EVP_PKEY_base_id(key) == EVP_PKEY_EC;
  if (alg == "ecdsa")
    return ec ? signEcdsa(key, input, out) : 0x6A80;
  if (ec)
    return 0x6A80;
  CtxPtr ctx(EVP_PKEY_CTX_new(key, nullptr));
  if (!ctx || EVP_PKEY_sign_init(ctx.get()) <= 0)
    return 0x6F00;
  const size_t k = keyBytes(key);
  Bytes in = input;
  if (alg == "pkcs1") {
    if (in.empty() || in.size() > k - 11)
      return 0x6A80;
    EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING);
  } else if (alg.rfind("pkcs1-", 0) == 0 || alg.rfind("pss-", 0) == 0) {
    bool pss = alg[1] == 's';
    const EVP_MD* md = mdByName(alg.substr(pss ? 4 : 6));
    if (!md)
      return 0x6A80;
    if (in.size() != static_cast<size_t>(EVP_MD_size(md)))
      return 0x6A80;
    EVP_PKEY_CTX_set_signature_md(ctx.get(), md);
    if (pss) {
      EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PSS_PADDING);
      EVP_PKEY_CTX_set_rsa_pss_saltlen(ctx.get(), RSA_PSS_SALTLEN_DIGEST);
      EVP_PKEY_CTX_set_rsa_mgf1_md(ctx.get(), md);
    } else {
      EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING);
    }
  } else if (alg == "raw") {
    if (in.size() > k)
      return 0x6A80;
    in.insert(in.begin(), k - in.size(), 0);
    EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_NO_PADDING);
  } else {
    return 0x6A80;
  }
  size_t len = k;
  out.assign(k, 0);
  if (EVP_PKEY_sign(ctx.get(), out.data(), &len, in.data(), in.size()) <= 0) {
    out.clear();
    return 0x6A80;
  }
  out.resize(len);
  return 0x9000;
}

uint16_t keyDecipher(EVP_PKEY* key, const std::string& alg, const Bytes& input, Bytes& out) {
  if (!key)
    return 0x6A88;
  if (EVP_PKEY_base_id(key) != EVP_PKEY_RSA)
    return 0x6A80;
  const size_t k = keyBytes(key);
  if (input.size() != k)
    return 0x6A80;
  CtxPtr ctx(EVP_PKEY_CTX_new(key, nullptr));
  if (!ctx || EVP_PKEY_decrypt_init(ctx.get()) <= 0)
    return 0x6F00;
  if (alg == "pkcs1" || alg.empty()) {
    EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING);
  } else if (alg == "raw") {
    EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_NO_PADDING);
  } else if (alg == "oaep" || alg == "oaep-sha256") {
    EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_OAEP_PADDING);
    if (alg == "oaep-sha256") {
      EVP_PKEY_CTX_set_rsa_oaep_md(ctx.get(), EVP_sha256());
      EVP_PKEY_CTX_set_rsa_mgf1_md(ctx.get(), EVP_sha256());
    }
  } else {
    return 0x6A80;
  }
  size_t len = k;
  out.assign(k, 0);
  if (EVP_PKEY_decrypt(ctx.get(), out.data(), &len, input.data(), input.size()) <= 0) {
    out.clear();
    return 0x6A80;
  }
  out.resize(len);
  return 0x9000;
}

bool symmetricEncrypt(const Bytes& key, const Bytes& in, Bytes& out) {
  const EVP_CIPHER* c = key.size() == 16   ? EVP_des_ede_ecb()
                        : key.size() == 24 ? EVP_des_ede3_ecb()
                        : key.size() == 32 ? EVP_aes_256_ecb()
                                           : nullptr;
  if (!c)
    return false;
  size_t block = static_cast<size_t>(EVP_CIPHER_block_size(c));
  if (in.empty() || in.size() % block)
    return false;
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  if (!ctx)
    return false;
  out.assign(in.size() + block, 0);
  int l1 = 0, l2 = 0;
  bool ok = EVP_EncryptInit_ex(ctx, c, nullptr, key.data(), nullptr) == 1 && EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
            EVP_EncryptUpdate(ctx, out.data(), &l1, in.data(), static_cast<int>(in.size())) == 1 &&
            EVP_EncryptFinal_ex(ctx, out.data() + l1, &l2) == 1;
  EVP_CIPHER_CTX_free(ctx);
  out.resize(ok ? static_cast<size_t>(l1 + l2) : 0);
  return ok;
}

}  // namespace cardsim
