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

TEST_F(OcspTest, AddressesAndCertificatesThatCannotBeUsed) {
    OcspAnswer a;
    EXPECT_EQ(CRLSSL_OCSP_NO_RESPONDER, ask("ftp://127.0.0.1/", "good.der", a));
    const unsigned char junk[] = {0x30, 0x01, 0x00};
    OcspAnswer b;
    EXPECT_EQ(CRLSSL_OCSP_NO_RESPONDER | CRLSSL_OCSP_UNKNOWN,
              CCrlSSL::CheckOCSP("ftp://127.0.0.1/", junk, sizeof(junk), issuer.data(), issuer.size(), &b.response,
                                 &b.responseLength, &b.revokedAt, &b.signer, &b.signerLength));
    EXPECT_EQ(CRLSSL_OCSP_FAILED_BAD_INPUT,
              CCrlSSL::CheckOCSP("http://127.0.0.1:1/", junk, sizeof(junk), issuer.data(), issuer.size(), &b.response,
                                 &b.responseLength, &b.revokedAt, &b.signer, &b.signerLength));
    // Nothing listens: the connection fails.
    OcspAnswer c;
    EXPECT_EQ(CRLSSL_OCSP_FAILED, ask("http://127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/", "good.der", c));
    EXPECT_EQ(nullptr, c.response);
    // An answer that is no OCSP response.
    HttpTestServer web(answer("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html></html>"));
    EXPECT_EQ(CRLSSL_OCSP_FAILED, ask(web.base() + "/", "good.der", c));
}

TEST_F(OcspTest, ThroughTinyproxyWithBasicAuthentication) {
    LogCapture log(CCrlSSL::m_logger, dir.file("crl.log"));
    OcspResponder responder = delegated();
    Proxy proxy(dir);
    ASSERT_NE(0u, responder.port());
    ASSERT_NE(0u, proxy.port()) << readFile(dir.file("tinyproxy.out"));
    CCrlSSL::setProxy(true, proxy.address(), Proxy::kUser, Proxy::kPassword, "vn-test/1.0");
    OcspAnswer good, revoked;
    EXPECT_EQ(0u, ask(responder.url(), "good.der", good)) << log.text();
    EXPECT_EQ(CRLSSL_OCSP_REVOKED, ask(responder.url(), "revoked.der", revoked));
    EXPECT_EQ(kRevokedAt, revoked.revokedAt);
    EXPECT_NE(std::string::npos,
              readFile(dir.file("tinyproxy.out")).find("CONNECT 127.0.0.1:" + std::to_string(responder.port())));
    // A wrong password: the proxy refuses the tunnel.
    CCrlSSL::setProxy(true, proxy.address(), Proxy::kUser, "wrong", "vn-test/1.0");
    OcspAnswer refused;
    EXPECT_EQ(CRLSSL_OCSP_FAILED, ask(responder.url(), "good.der", refused));
    EXPECT_NE(std::string::npos, log.text().find("HTTP CONNECT failed: HTTP/1.0 40")) << log.text();
    EXPECT_EQ(std::string::npos, log.text().find("wrong"));
}

TEST_F(OcspTest, ProxyAnswersAreCheckedAndBounded) {
    LogCapture log(CCrlSSL::m_logger, dir.file("crl.log"));
    HttpTestServer shortAnswer(answer("HTTP/1.0"));
    HttpTestServer oddAnswer(answer("HTTP/1.0X200 Connection established\r\n\r\n"));
    HttpTestServer silent([](HttpTestServer& s, int, const std::string&) { s.waitForStop(20000); });
    CCrlSSL::setTimeout(500);
    OcspAnswer a;
    CCrlSSL::setProxy(true, shortAnswer.hostPort(), "alice", "s3cret", "vn-test/1.0");
    EXPECT_EQ(CRLSSL_OCSP_FAILED, ask("http://ocsp.example:8080/q", "good.der", a));
    EXPECT_NE(std::string::npos, log.text().find("HTTP CONNECT failed, insufficient response from proxy"));
    // The tunnel request: target, Basic credentials, User-Agent, ending with the blank line.
    const std::vector<std::string> requests = shortAnswer.requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(
        "CONNECT ocsp.example:8080 HTTP/1.1\r\nHost: ocsp.example:8080\r\n"
        "Proxy-Authorization: Basic YWxpY2U6czNjcmV0\r\nUser-Agent: vn-test/1.0\r\n\r\n",
        requests[0]);
    CCrlSSL::setProxy(true, oddAnswer.hostPort(), "", "", "vn-test/1.0");
    EXPECT_EQ(CRLSSL_OCSP_FAILED, ask("http://ocsp.example:8080/q", "good.der", a));
    EXPECT_NE(std::string::npos, log.text().find("HTTP CONNECT failed, incorrect response from proxy"));
    EXPECT_EQ(std::string::npos, oddAnswer.requests()[0].find("Proxy-Authorization"));
    // A proxy that never answers: the wait ends at the time limit, told as a timeout.
    CCrlSSL::setProxy(true, silent.hostPort(), "", "", "vn-test/1.0");
    EXPECT_EQ(CRLSSL_OCSP_TIMEOUT, ask("http://ocsp.example:8080/q", "good.der", a));
    EXPECT_EQ(std::string::npos, log.text().find("s3cret"));
}

}  // namespace
