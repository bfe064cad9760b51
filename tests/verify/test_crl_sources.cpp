// CCrlSSL's CRL sources and judgements: HTTP (DER and PEM), files, hashed CRL directories,
// LDAP on a real slapd, and what a CRL lists.
#include <gtest/gtest.h>

#include <cstdlib>

#include "CrlSSL.h"
#include "Peers.h"
#include "VerifyMsg.h"
#include "VerifyTestSupport.h"

namespace {

const time_t kRevokedAt = 1717200000;  // 2024-06-01 00:00:00 UTC

struct Fetched {
    unsigned char* p = nullptr;
    unsigned int length = 0;
    ~Fetched() { std::free(p); }
    std::string text() const { return std::string(reinterpret_cast<const char*>(p), length); }
};

class CrlSources : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("http_proxy");
        CCrlSSL::setTimeout(3000);
    }
    RunPki pki;
};

TEST_F(CrlSources, HttpAddressesGiveTheBodyAndOtherSchemesNothing) {
    CrlHttpServer server;
    const std::string der = readFile(pki.at("issuing.crl"));
    const std::string pem = readFile(pki.at("issuing.pem.crl"));
    server.serve("/a.crl", der);
    server.serve("/a.pem", pem);
    Fetched a, b, c;
    EXPECT_EQ(0, CCrlSSL::ssl_get_from_uri(server.url("/a.crl").c_str(), &a.p, &a.length));
    EXPECT_EQ(der, a.text());
    EXPECT_EQ(0, CCrlSSL::LoadFromHttp(server.url("/a.pem").c_str(), &b.p, &b.length));
    EXPECT_EQ(pem, b.text());
    EXPECT_EQ(0, CCrlSSL::LoadCrl(server.url("/a.crl").c_str(), &c.p, &c.length));
    EXPECT_EQ(der, c.text());
    // Other schemes are not fetched: no request reaches the server.
    Fetched d;
    const std::string ldap = "ldap://" + std::string("127.0.0.1:") + std::to_string(server.port()) + "/cn=x";
    EXPECT_EQ(-1, CCrlSSL::ssl_get_from_uri(ldap.c_str(), &d.p, &d.length));
    EXPECT_EQ(-1, CCrlSSL::ssl_get_from_uri("ftp://127.0.0.1/a.crl", &d.p, &d.length));
    EXPECT_EQ(nullptr, d.p);
}

TEST_F(CrlSources, SilentServerEndsAtTheTimeLimit) {
    HttpTestServer silent([](HttpTestServer& s, int, const std::string&) { s.waitForStop(20000); }, false);
    CCrlSSL::setTimeout(500);
    Fetched f;
    EXPECT_EQ(CRLSSL_FETCH_TIMEOUT, CCrlSSL::ssl_get_from_uri((silent.base() + "/x.crl").c_str(), &f.p, &f.length));
    EXPECT_EQ(500, CCrlSSL::getTimeout());
    CCrlSSL::setTimeout(0);
    EXPECT_EQ(CRLSSL_DEFAULT_TIMEOUT_MS, CCrlSSL::getTimeout());
}

TEST_F(CrlSources, FilesDirectoriesAndListedCertificates) {
    // LoadFromFile hands over a buffer of the file's size.
    Fetched file;
    ASSERT_EQ(0, CCrlSSL::LoadFromFile(pki.at("issuing.crl").c_str(), &file.p, &file.length));
    EXPECT_EQ(readFile(pki.at("issuing.crl")), file.text());
    Fetched none;
    EXPECT_EQ(static_cast<int>(CRLSSL_NOT_FOUND), CCrlSSL::LoadFromFile("/nonexistent/x.crl", &none.p, &none.length));
    EXPECT_EQ(static_cast<int>(CRLSSL_NOT_FOUND), CCrlSSL::LoadFromFile(pki.ca.c_str(), &none.p, &none.length));
    EXPECT_EQ(nullptr, none.p);

    char text[] = "cn=Some%20CA,o=A%20B";
    EXPECT_EQ(16, CCrlSSL::ParseURL(text));
    EXPECT_STREQ("cn=Some CA,o=A B", text);

    // The hashed CRL directory gives the issuer's CRL as DER, bounded by the caller's buffer.
    const std::vector<unsigned char> expired = pki.bytes("expired.der");
    const std::string crlDer = readFile(pki.at("issuing.crl"));
    const std::string dir = pki.ca + "/crldir";
    unsigned int length = 0;
    ASSERT_EQ(0, CCrlSSL::sslGetCrl(expired.data(), expired.size(), nullptr, &length, dir.c_str()));
    EXPECT_EQ(crlDer.size(), length);
    std::vector<unsigned char> small(length - 1);
    unsigned int capacity = static_cast<unsigned int>(small.size());
    EXPECT_EQ(-1, CCrlSSL::sslGetCrl(expired.data(), expired.size(), small.data(), &capacity, dir.c_str()));
    EXPECT_EQ(length, capacity);
    std::vector<unsigned char> fits(length);
    capacity = length;
    ASSERT_EQ(0, CCrlSSL::sslGetCrl(expired.data(), expired.size(), fits.data(), &capacity, dir.c_str()));
    EXPECT_EQ(crlDer, std::string(fits.begin(), fits.end()));
    const std::vector<unsigned char> stranger = pki.bytes("stranger.der");
    EXPECT_EQ(static_cast<int>(CRLSSL_NOT_FOUND),
              CCrlSSL::sslGetCrl(stranger.data(), stranger.size(), nullptr, &length, dir.c_str()));
    const unsigned char junk[] = {0x30, 0x03, 0x02, 0x01};
    EXPECT_EQ(-56, CCrlSSL::sslGetCrl(junk, sizeof(junk), nullptr, &length, dir.c_str()));

    // FindCertInCrl: the revoked serial with its date, DER or PEM; others not listed.
    ASSERT_TRUE(pki.make(1, 1));
    const std::vector<unsigned char> revoked = pki.bytes("revoked.der");
    const std::vector<unsigned char> good = pki.bytes("good.der");
    const std::vector<unsigned char> crl = pki.bytes("issuing.crl");
    const std::vector<unsigned char> crlPem = pki.bytes("issuing.pem.crl");
    time_t when = 0;
    EXPECT_EQ(1, CCrlSSL::FindCertInCrl(revoked.data(), revoked.size(), crl.data(), crl.size(), &when));
    EXPECT_EQ(kRevokedAt, when);
    when = 0;
    EXPECT_EQ(1, CCrlSSL::FindCertInCrl(revoked.data(), revoked.size(), crlPem.data(), crlPem.size(), &when));
    EXPECT_EQ(kRevokedAt, when);
    EXPECT_EQ(0, CCrlSSL::FindCertInCrl(good.data(), good.size(), crl.data(), crl.size(), &when));
    EXPECT_EQ(-1, CCrlSSL::FindCertInCrl(junk, sizeof(junk), crl.data(), crl.size(), &when));
    EXPECT_EQ(-1, CCrlSSL::FindCertInCrl(good.data(), good.size(), junk, sizeof(junk), &when));
    // The impostor's CRL carries the issuer's name and lists the good signer's serial.
    const std::vector<unsigned char> impostor = pki.bytes("impostor.crl");
    EXPECT_EQ(1, CCrlSSL::FindCertInCrl(good.data(), good.size(), impostor.data(), impostor.size(), &when));

    EXPECT_EQ(0, CCrlSSL::GetCrl());
    EXPECT_EQ(0, CCrlSSL::SendCRLRequest());
    EXPECT_EQ(0, CCrlSSL::SendHttpRequest());
    EXPECT_EQ(nullptr, CCrlSSL::SendLdapRequest("127.0.0.1", 389, "cn=x", "(objectClass=*)"));
}

TEST_F(CrlSources, LdapDirectoryGivesTheCrlAndRevokesByTime) {
    TempDir dir;
    const std::vector<unsigned char> crl = pki.bytes("issuing.crl");
    LdapDirectory ldap(crl, dir);
    ASSERT_NE(0u, ldap.port()) << readFile(dir.file("slapd.out"));
    Fetched a, b, c;
    ASSERT_EQ(0, CCrlSSL::ssl_get_ldap_url(ldap.url().c_str(), &a.p, &a.length));
    EXPECT_EQ(std::string(crl.begin(), crl.end()), a.text());
    EXPECT_EQ(0, CCrlSSL::LoadFromLdap(ldap.url().c_str(), &b.p, &b.length));
    EXPECT_EQ(a.text(), b.text());
    EXPECT_EQ(0, CCrlSSL::LoadCrl(ldap.url().c_str(), &c.p, &c.length));
    EXPECT_EQ(a.text(), c.text());
    Fetched none;
    const std::string base = "ldap://127.0.0.1:" + std::to_string(ldap.port()) + "/";
    EXPECT_EQ(-1, CCrlSSL::ssl_get_ldap_url((base + "cn=Nobody,o=VN%20Test,c=DE").c_str(), &none.p, &none.length));
    EXPECT_EQ(-1, CCrlSSL::ssl_get_ldap_url("ldap://127.0.0.1:notaport/cn=x", &none.p, &none.length));
    EXPECT_EQ(-1, CCrlSSL::ssl_get_ldap_url("http://127.0.0.1/cn=x", &none.p, &none.length));
    EXPECT_EQ(-1,
              CCrlSSL::ssl_get_ldap_url(("ldap://127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/cn=x").c_str(),
                                        &none.p, &none.length));
    EXPECT_EQ(nullptr, none.p);
    // A directory server that never answers: bind and search end at the time limit.
    HttpTestServer silent([](HttpTestServer& s, int, const std::string&) { s.waitForStop(20000); }, false);
    CCrlSSL::setTimeout(500);
    EXPECT_EQ(CRLSSL_FETCH_TIMEOUT,
              CCrlSSL::ssl_get_ldap_url(("ldap://" + silent.hostPort() + "/cn=x").c_str(), &none.p, &none.length));
    CCrlSSL::setTimeout(3000);

    // The directory as the CRL address of a verification.
    ASSERT_TRUE(pki.make(1, 1));
    const std::vector<unsigned char> sig = pki.bytes("revoked.p7s");
    const std::vector<unsigned char> content = pki.bytes("content.txt");
    for (int flag : {VERIFY_CRL_ADDRESS, VERIFY_CRL_ADDRESS_2}) {
        struct timeb before = utcAt(2024, 1, 1), after = utcAt(2025, 1, 1);
        EXPECT_EQ(0u, CVerifyMsg::CheckSignDetached(sig.data(), sig.size(), 0, content.data(), content.size(),
                                                    VERIFY_FLAG_REVOCATION, flag, ldap.url().c_str(), nullptr, &before,
                                                    0, 0, pki.caFile().c_str(), nullptr));
        EXPECT_EQ(VERIFY_REVOKED, CVerifyMsg::CheckSignDetached(
                                      sig.data(), sig.size(), 0, content.data(), content.size(), VERIFY_FLAG_REVOCATION,
                                      flag, ldap.url().c_str(), nullptr, &after, 0, 0, pki.caFile().c_str(), nullptr));
    }
}

}  // namespace
