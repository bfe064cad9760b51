// OpenSSL checks of the card-OS tests and the transcript helpers.
#include "CardOsSim.h"

#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstdio>

namespace cardostest {

Bytes hex(const std::string& text) { return cardsim::fromHex(text); }
std::string hexOf(const Bytes& b) { return cardsim::toHex(b); }
std::string hexOf(const unsigned char* p, size_t n) { return cardsim::toHex(Bytes(p, p + n)); }

std::vector<std::string> CardOsTest::commands() const {
    std::vector<std::string> out;
    if (m_card)
        for (const auto& e : m_card->transcript())
            if (e.kind == cardsim::Exchange::Kind::Apdu)
                out.push_back(cardsim::toHex(e.command));
    return out;
}

std::vector<std::string> CardOsTest::answers() const {
    std::vector<std::string> out;
    if (m_card)
        for (const auto& e : m_card->transcript())
            if (e.kind == cardsim::Exchange::Kind::Apdu)
                out.push_back(cardsim::toHex(e.response));
    return out;
}

EVP_PKEY* certKey(const std::string& derName) {
    std::string path = std::string(VN_BINARY_DIR) + "/pki/" + derName;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return nullptr;
    X509* x = d2i_X509_fp(f, nullptr);
    fclose(f);
    if (!x)
        return nullptr;
    EVP_PKEY* k = X509_get_pubkey(x);
    X509_free(x);
    return k;
}

namespace {
bool verifyRsa(const std::string& cert, const std::string& md, const Bytes& hash, const Bytes& sig, bool pss) {
    EVP_PKEY* k = certKey(cert);
    if (!k)
        return false;
    EVP_PKEY_CTX* c = EVP_PKEY_CTX_new(k, nullptr);
    const EVP_MD* m = EVP_get_digestbyname(md.c_str());
    bool ok = c && m && EVP_PKEY_verify_init(c) > 0 &&
              EVP_PKEY_CTX_set_rsa_padding(c, pss ? RSA_PKCS1_PSS_PADDING : RSA_PKCS1_PADDING) > 0 &&
              EVP_PKEY_CTX_set_signature_md(c, m) > 0 &&
              (!pss || EVP_PKEY_CTX_set_rsa_pss_saltlen(c, RSA_PSS_SALTLEN_DIGEST) > 0) &&
              EVP_PKEY_verify(c, sig.data(), sig.size(), hash.data(), hash.size()) == 1;
    EVP_PKEY_CTX_free(c);
    EVP_PKEY_free(k);
    return ok;
}
}  // namespace

bool verifyPkcs1(const std::string& cert, const std::string& md, const Bytes& hash, const Bytes& sig) {
    return verifyRsa(cert, md, hash, sig, false);
}

bool verifyPss(const std::string& cert, const std::string& md, const Bytes& hash, const Bytes& sig) {
    return verifyRsa(cert, md, hash, sig, true);
}

bool verifyEcdsa(const std::string& cert, const Bytes& hash, const Bytes& sig) {
    if (sig.empty() || sig.size() % 2)
        return false;
    size_t n = sig.size() / 2;
    ECDSA_SIG* s = ECDSA_SIG_new();
    ECDSA_SIG_set0(s, BN_bin2bn(sig.data(), static_cast<int>(n), nullptr),
                   BN_bin2bn(sig.data() + n, static_cast<int>(n), nullptr));
    unsigned char* der = nullptr;
    int derLen = i2d_ECDSA_SIG(s, &der);
    ECDSA_SIG_free(s);
    EVP_PKEY* k = certKey(cert);
    EVP_PKEY_CTX* c = k ? EVP_PKEY_CTX_new(k, nullptr) : nullptr;
    bool ok = c && derLen > 0 && EVP_PKEY_verify_init(c) > 0 &&
              EVP_PKEY_verify(c, der, static_cast<size_t>(derLen), hash.data(), hash.size()) == 1;
    EVP_PKEY_CTX_free(c);
    EVP_PKEY_free(k);
    OPENSSL_free(der);
    return ok;
}

Bytes encryptTo(const std::string& cert, const Bytes& message, int padding) {
    EVP_PKEY* k = certKey(cert);
    EVP_PKEY_CTX* c = k ? EVP_PKEY_CTX_new(k, nullptr) : nullptr;
    Bytes out(1024);
    size_t len = out.size();
    bool ok = c && EVP_PKEY_encrypt_init(c) > 0 && EVP_PKEY_CTX_set_rsa_padding(c, padding) > 0 &&
              EVP_PKEY_encrypt(c, out.data(), &len, message.data(), message.size()) > 0;
    EVP_PKEY_CTX_free(c);
    EVP_PKEY_free(k);
    out.resize(ok ? len : 0);
    return out;
}

Bytes sha256(const Bytes& data) {
    Bytes h(32);
    unsigned int n = 0;
    EVP_Digest(data.data(), data.size(), h.data(), &n, EVP_sha256(), nullptr);
    return h;
}

}  // namespace cardostest
