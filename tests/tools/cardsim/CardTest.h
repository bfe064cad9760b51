// Helpers of the simulator tests: cards from the repository's images, APDUs as hex.
#pragma once

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <fstream>
#include <memory>
#include <string>

#include "cardsim/Engine.h"

namespace cardsim_test {

using cardsim::Bytes;

inline std::unique_ptr<cardsim::Card> loadCard(const std::string& name) {
    auto c = cardsim::Card::fromFile(cardsim::resolveImage(name), cardsim::defaultPkiDir());
    c->powerOn();
    return c;
}

// Sends a command given as hex and returns the answer as upper-case hex.
inline std::string tx(cardsim::Card& c, const std::string& hex) {
    return cardsim::toHex(c.transmit(cardsim::fromHex(hex)));
}

// Status word of the answer (last four hex digits).
inline std::string sw(const std::string& answer) {
    return answer.size() >= 4 ? answer.substr(answer.size() - 4) : answer;
}
inline std::string body(const std::string& answer) {
    return answer.size() >= 4 ? answer.substr(0, answer.size() - 4) : "";
}

inline Bytes readPki(const std::string& name) {
    std::ifstream f(cardsim::defaultPkiDir() + "/" + name, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// Public key of a DER certificate of the test PKI.
inline std::shared_ptr<EVP_PKEY> certKey(const std::string& name) {
    Bytes der = readPki(name);
    const unsigned char* p = der.data();
    X509* x = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
    if (!x)
        return nullptr;
    EVP_PKEY* k = X509_get_pubkey(x);
    X509_free(x);
    return std::shared_ptr<EVP_PKEY>(k, EVP_PKEY_free);
}

inline Bytes sha256(const Bytes& data) {
    Bytes h(32);
    unsigned int len = 0;
    EVP_Digest(data.data(), data.size(), h.data(), &len, EVP_sha256(), nullptr);
    return h;
}

// DigestInfo of a SHA-256 hash.
inline Bytes digestInfoSha256(const Bytes& hash) {
    Bytes d = cardsim::fromHex("3031300D060960864801650304020105000420");
    d.insert(d.end(), hash.begin(), hash.end());
    return d;
}

inline std::string hexLen(size_t n) {
    char b[8];
    std::snprintf(b, sizeof b, "%02X", static_cast<unsigned>(n));
    return b;
}

}  // namespace cardsim_test
