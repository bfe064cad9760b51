#include "SigCheck.h"

#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

namespace {

using CtxPtr = vn_ossl::EvpPkeyCtxPtr;

// One verification of a bare signature over a digest; padding 0 leaves the key's default.
bool verifies(EVP_PKEY* key, const EVP_MD* md, int padding, const std::vector<unsigned char>& digest,
              const std::vector<unsigned char>& signature) {
    CtxPtr ctx(EVP_PKEY_CTX_new(key, nullptr));
    if (!ctx || EVP_PKEY_verify_init(ctx.get()) != 1 || EVP_PKEY_CTX_set_signature_md(ctx.get(), md) != 1)
        return false;
    if (padding != 0) {
        if (EVP_PKEY_CTX_set_rsa_padding(ctx.get(), padding) != 1)
            return false;
        // The salt length is read from the signature.
        if (padding == RSA_PKCS1_PSS_PADDING && EVP_PKEY_CTX_set_rsa_pss_saltlen(ctx.get(), RSA_PSS_SALTLEN_AUTO) != 1)
            return false;
    }
    return EVP_PKEY_verify(ctx.get(), signature.data(), signature.size(), digest.data(), digest.size()) == 1;
}

}  // namespace

EvpKeyPtr publicKeyOf(const unsigned char* der, size_t length) {
    vn_ossl::X509Ptr x = vn_ossl::x509FromDer(der, length);
    return EvpKeyPtr(x ? X509_get_pubkey(x.get()) : nullptr);
}

bool isEcKey(EVP_PKEY* key) { return key != nullptr && EVP_PKEY_get_base_id(key) == EVP_PKEY_EC; }

Padding signatureScheme(EVP_PKEY* key, const std::string& md, const std::vector<unsigned char>& digest,
                        const std::vector<unsigned char>& signature) {
    const EVP_MD* type = EVP_get_digestbyname(md.c_str());
    if (key == nullptr || type == nullptr || signature.empty())
        return Padding::None;
    if (isEcKey(key)) {
        std::vector<unsigned char> der;
        return ecdsaRawToDer(signature, der) && verifies(key, type, 0, digest, der) ? Padding::Ecdsa : Padding::None;
    }
    if (EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA)
        return Padding::None;
    if (verifies(key, type, RSA_PKCS1_PADDING, digest, signature))
        return Padding::Pkcs1;
    if (verifies(key, type, RSA_PKCS1_PSS_PADDING, digest, signature))
        return Padding::Pss;
    return Padding::None;
}

const char* paddingName(Padding p) {
    switch (p) {
    case Padding::Pkcs1: return "pkcs1";
    case Padding::Pss: return "pss";
    case Padding::Ecdsa: return "ecdsa";
    default: return "none";
    }
}

const char* paddingText(Padding p) {
    switch (p) {
    case Padding::Pkcs1: return "RSA PKCS#1 v1.5";
    case Padding::Pss: return "RSA-PSS";
    case Padding::Ecdsa: return "ECDSA";
    default: return "unknown";
    }
}

bool ecdsaRawToDer(const std::vector<unsigned char>& raw, std::vector<unsigned char>& der) {
    if (raw.empty() || raw.size() % 2 != 0)
        return false;
    const int half = static_cast<int>(raw.size() / 2);
    vn_ossl::EcdsaSigPtr sig(ECDSA_SIG_new());
    BIGNUM* r = BN_bin2bn(raw.data(), half, nullptr);
    BIGNUM* s = BN_bin2bn(raw.data() + half, half, nullptr);
    if (!sig || r == nullptr || s == nullptr || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        return false;
    }
    int n = i2d_ECDSA_SIG(sig.get(), nullptr);
    if (n <= 0)
        return false;
    der.assign(static_cast<size_t>(n), 0);
    unsigned char* p = der.data();
    return i2d_ECDSA_SIG(sig.get(), &p) == n;
}
