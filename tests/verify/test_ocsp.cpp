// CCrlSSL::CheckOCSP against `openssl ocsp` responders, directly and through tinyproxy.
#include <gtest/gtest.h>

#include <openssl/crypto.h>
#include <openssl/ocsp.h>

#include "CrlSSL.h"
#include "Peers.h"
#include "VerifyTestSupport.h"

namespace {

const time_t kRevokedAt = 1717200000;  // 2024-06-01 00:00:00 UTC

struct OcspAnswer {
    unsigned char* response = nullptr;
    unsigned int responseLength = 0;
    unsigned char* signer = nullptr;
    unsigned int signerLength = 0;
    time_t revokedAt = 0;
    ~OcspAnswer() {
        OPENSSL_free(response);
        OPENSSL_free(signer);
    }
};

class OcspTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("http_proxy");
        CCrlSSL::setTimeout(5000);
        CCrlSSL::setProxy(false, "", "", "", "");
        ASSERT_TRUE(pki.make(1, 1));
        issuer = pki.bytes("issuing.der");
    }
    void TearDown() override { CCrlSSL::setProxy(false, "", "", "", ""); }

    unsigned ask(const std::string& url, const std::string& cert, OcspAnswer& a) {
        const std::vector<unsigned char> der = pki.bytes(cert);
        return CCrlSSL::CheckOCSP(url.c_str(), der.data(), der.size(), issuer.data(), issuer.size(), &a.response,
                                  &a.responseLength, &a.revokedAt, &a.signer, &a.signerLength);
    }
    OcspResponder delegated() {
        return OcspResponder(pki, pki.ca + "/ocsp.pem", std::string(VN_VERIFY_KEYS) + "/ocsp.key", dir, "ocsp");
    }

    RunPki pki;
    TempDir dir;
    std::vector<unsigned char> issuer;
};

TEST_F(OcspTest, DelegatedAndIssuerSignedResponsesGiveTheStatus) {
    LogCapture log(CCrlSSL::m_logger, dir.file("crl.log"));
    OcspResponder responder(pki, pki.ca + "/ocsp.pem", std::string(VN_VERIFY_KEYS) + "/ocsp.key", dir, "ocsp");
    ASSERT_NE(0u, responder.port());
    OcspAnswer good, revoked;
    EXPECT_EQ(0u, ask(responder.url(), "good.der", good)) << log.text();
    ASSERT_NE(nullptr, good.response);
    // The response as the caller gets it parses, and the responder's certificate comes along.
    const unsigned char* p = good.response;
    {
        OCSP_RESPONSE* r = d2i_OCSP_RESPONSE(nullptr, &p, good.responseLength);
        EXPECT_NE(nullptr, r);
        OCSP_RESPONSE_free(r);
    }
    const std::vector<unsigned char> responderCert = pki.bytes("ocsp.der");
    EXPECT_EQ(responderCert, std::vector<unsigned char>(good.signer, good.signer + good.signerLength));
    EXPECT_EQ(CRLSSL_OCSP_REVOKED, ask(responder.url(), "revoked.der", revoked));
    EXPECT_EQ(kRevokedAt, revoked.revokedAt);

    // The issuing CA answering for itself.
    OcspResponder byIssuer(pki, pki.ca + "/issuing.pem", std::string(VN_VERIFY_KEYS) + "/issuing.key", dir, "self");
    ASSERT_NE(0u, byIssuer.port());
    OcspAnswer self;
    EXPECT_EQ(CRLSSL_OCSP_REVOKED, ask(byIssuer.url(), "revoked.der", self));
}

}  // namespace
