#include "CardKey.h"

#include <openssl/core_names.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <vector>

#include "Commands.h"
#include "OpenSslPtr.h"
#include "Output.h"
#include "SC_Profile_Base.h"

namespace {

// The largest number the library takes for either part of the key.
const size_t kMaxPartBytes = 512;

vn_ossl::EvpPkeyPtr parseKey(const std::string& data) {
    const unsigned char* der = reinterpret_cast<const unsigned char*>(data.data());
    const long length = static_cast<long>(data.size());
    vn_ossl::BioPtr bio(BIO_new_mem_buf(data.data(), static_cast<int>(data.size())));
    if (bio) {
        if (EVP_PKEY* key = PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr))
            return vn_ossl::EvpPkeyPtr(key);
        BIO_reset(bio.get());
        if (X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
            vn_ossl::X509Ptr owned(cert);
            return vn_ossl::EvpPkeyPtr(X509_get_pubkey(cert));
        }
    }
    const unsigned char* p = der;
    if (EVP_PKEY* key = d2i_PUBKEY(nullptr, &p, length))
        return vn_ossl::EvpPkeyPtr(key);
    if (vn_ossl::X509Ptr cert = vn_ossl::x509FromDer(der, static_cast<size_t>(length)))
        return vn_ossl::EvpPkeyPtr(X509_get_pubkey(cert.get()));
    return nullptr;
}

bool part(EVP_PKEY* key, const char* name, std::vector<unsigned char>& out) {
    BIGNUM* raw = nullptr;
    if (EVP_PKEY_get_bn_param(key, name, &raw) != 1)
        return false;
    vn_ossl::BignumPtr n(raw);
    const int bytes = BN_num_bytes(n.get());
    if (bytes <= 0 || static_cast<size_t>(bytes) > kMaxPartBytes)
        return false;
    out.assign(static_cast<size_t>(bytes), 0);
    return BN_bn2bin(n.get(), out.data()) == bytes;
}

}  // namespace

int giveCardKey(const std::string& path, CSC_Profile_Base* card) {
    std::string data;
    if (!readFile(path, data))
        return EXIT_FAILED;
    vn_ossl::EvpPkeyPtr key = parseKey(data);
    std::vector<unsigned char> modulus, exponent;
    if (!key || EVP_PKEY_base_id(key.get()) != EVP_PKEY_RSA || !part(key.get(), OSSL_PKEY_PARAM_RSA_N, modulus) ||
        !part(key.get(), OSSL_PKEY_PARAM_RSA_E, exponent))
        return Output::fail(EXIT_USAGE, "--card-key must be an RSA public key or certificate (PEM or DER)");
    if (card == nullptr || card->SetSMKeys(modulus.data(), static_cast<unsigned short>(modulus.size()), exponent.data(),
                                           static_cast<unsigned short>(exponent.size())) != 0)
        return Output::fail(EXIT_FAILED, "the card object did not take the card key");
    return EXIT_OK;
}
