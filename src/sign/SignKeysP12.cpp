// Signing with a PKCS#12 key through OpenSSL, and the registry of opened PKCS#12 keys.
#include "sign/SignKeys.h"

#include <openssl/ecdsa.h>
#include <openssl/rsa.h>

#include <memory>
#include <set>

#include "crypto/Algorithms.h"
#include "infra/OpenSslPtr.h"

namespace vn_sign {

namespace {

std::set<uint32_t*>& p12Keys() {
    static std::set<uint32_t*> keys;
    return keys;
}

}  // namespace

void rememberP12Key(uint32_t* key) {
    if (key != nullptr)
        p12Keys().insert(key);
}

bool forgetP12Key(uint32_t* key) { return p12Keys().erase(key) != 0; }

bool isP12Key(uint32_t* key) { return key != nullptr && p12Keys().count(key) != 0; }

const EVP_MD* digestOfAlgo(int nAlgoID) { return vn_crypto::algorithm_for_sign_id(nAlgoID).evp(); }

bool signDigestP12(EVP_PKEY* key, int nAlgoID, const unsigned char* digest, size_t digestLength,
                   std::vector<unsigned char>& signature) {
    const EVP_MD* md = digestOfAlgo(nAlgoID);
    if (key == nullptr || digest == nullptr || md == nullptr || digestLength != static_cast<size_t>(EVP_MD_size(md)))
        return false;
    vn_ossl::EvpPkeyCtxPtr ctx(EVP_PKEY_CTX_new(key, nullptr));
    if (!ctx || EVP_PKEY_sign_init(ctx.get()) != 1)
        return false;
    const int type = EVP_PKEY_base_id(key);
    if (type == EVP_PKEY_RSA && EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) != 1)
        return false;
    if (type == EVP_PKEY_RSA_PSS && (EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PSS_PADDING) != 1 ||
                                     EVP_PKEY_CTX_set_rsa_mgf1_md(ctx.get(), md) != 1 ||
                                     EVP_PKEY_CTX_set_rsa_pss_saltlen(ctx.get(), RSA_PSS_SALTLEN_DIGEST) != 1))
        return false;
    if (EVP_PKEY_CTX_set_signature_md(ctx.get(), md) != 1)
        return false;
    size_t length = 0;
    if (EVP_PKEY_sign(ctx.get(), nullptr, &length, digest, digestLength) != 1)
        return false;
    signature.assign(length, 0);
    if (EVP_PKEY_sign(ctx.get(), signature.data(), &length, digest, digestLength) != 1)
        return false;
    signature.resize(length);
    return true;
}

bool signDataP12(EVP_PKEY* key, int nAlgoID, const unsigned char* data, size_t dataLength,
                 std::vector<unsigned char>& signature) {
    if (data == nullptr && dataLength > 0)
        return false;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    static const unsigned char kEmpty = 0;
    if (EVP_Digest(data != nullptr ? data : &kEmpty, dataLength, digest, &digestLength, digestOfAlgo(nAlgoID),
                   nullptr) != 1)
        return false;
    return signDigestP12(key, nAlgoID, digest, digestLength, signature);
}

bool ecdsaDerToRaw(const std::vector<unsigned char>& der, size_t fieldBytes, std::vector<unsigned char>& raw) {
    const unsigned char* p = der.data();
    vn_ossl::EcdsaSigPtr sig(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(der.size())));
    if (!sig || p != der.data() + der.size() || fieldBytes == 0)
        return false;
    const BIGNUM* r = nullptr;
    const BIGNUM* s = nullptr;
    ECDSA_SIG_get0(sig.get(), &r, &s);
    raw.assign(2 * fieldBytes, 0);
    return BN_bn2binpad(r, raw.data(), static_cast<int>(fieldBytes)) == static_cast<int>(fieldBytes) &&
           BN_bn2binpad(s, raw.data() + fieldBytes, static_cast<int>(fieldBytes)) == static_cast<int>(fieldBytes);
}

}  // namespace vn_sign
