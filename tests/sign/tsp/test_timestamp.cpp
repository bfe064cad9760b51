// CTimeStampSSL against the project's timestamp service (openssl ts -reply) on 127.0.0.1:
// request bytes, granted tokens checked by openssl ts -verify, each misbehaviour's code,
// a service that never answers, and the same request through tinyproxy.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TimeStampSSL.h"
#include "TspServices.h"
#include "infra/HttpInternal.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes unhex(const std::string& h) {
    Bytes b;
    for (size_t i = 0; i + 1 < h.size(); i += 2)
        b.push_back(static_cast<unsigned char>(std::stoi(h.substr(i, 2), nullptr, 16)));
    return b;
}

Bytes pattern(size_t n, unsigned char seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>(seed + 7 * i);
    return b;
}

struct AlgoCase {
    int algo;
    size_t hashLength;
    const char* oidHex;  // content bytes of the imprint algorithm's OID
    const char* digest;  // openssl name
};

// clang-format off
const AlgoCase kCases[] = {
    {0, 20, "2b0e03021a", "sha1"},
    {1, 32, "608648016503040201", "sha256"},
    {2, 48, "608648016503040202", "sha384"},
    {3, 64, "608648016503040203", "sha512"},
    {7, 20, "2b0e03021a", "sha1"},  // out of range: SHA-1
};
// clang-format on

// The request as laid out by hand: SEQUENCE { version 1, messageImprint, nonce, certReq TRUE }.
Bytes expectedRequest(const AlgoCase& c, const Bytes& digest, const Bytes& nonce) {
    const Bytes oid = unhex(c.oidHex);
    const size_t h = c.hashLength, o = oid.size();
    Bytes r = {0x30,
               static_cast<unsigned char>(h + o + 26),
               0x02,
               0x01,
               0x01,
               0x30,
               static_cast<unsigned char>(h + o + 8),
               0x30,
               static_cast<unsigned char>(o + 4),
               0x06,
               static_cast<unsigned char>(o)};
    r.insert(r.end(), oid.begin(), oid.end());
    r.insert(r.end(), {0x05, 0x00, 0x04, static_cast<unsigned char>(h)});
    r.insert(r.end(), digest.begin(), digest.end());
    r.insert(r.end(), {0x02, 0x08});
    r.insert(r.end(), nonce.begin(), nonce.end());
    r.insert(r.end(), {0x01, 0x01, 0xFF});
    return r;
}

Bytes nonceOf(const CTimeStampSSL& ts) { return Bytes(ts.request.end() - 11, ts.request.end() - 3); }

std::string tsaVerifyArgs() { return " -CAfile " + pkiDir() + "/root-ca.pem -untrusted " + pkiDir() + "/chain.pem"; }

Bytes der(unsigned char tag, const Bytes& content) {
    Bytes out = {tag};
    if (content.size() < 0x80) {
        out.push_back(static_cast<unsigned char>(content.size()));
    } else {
        out.insert(out.end(),
                   {0x82, static_cast<unsigned char>(content.size() >> 8), static_cast<unsigned char>(content.size())});
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

}  // namespace

TEST(TimeStampRequest, FixedLayoutPerAlgorithmWithMinimalRandomNonce) {
    TempDir dir;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.algo);
        Bytes digest = pattern(c.hashLength, static_cast<unsigned char>(c.algo + 1));
        CTimeStampSSL ts("http://127.0.0.1:1/", digest.data(), static_cast<unsigned char>(digest.size()), c.algo);
        ASSERT_EQ(0, ts.buildRequest());
        EXPECT_EQ(c.algo == 7 ? 0 : c.algo, ts.algo);
        const Bytes nonce = nonceOf(ts);
        EXPECT_EQ(expectedRequest(c, digest, nonce), ts.request);
        EXPECT_EQ(static_cast<int32_t>(ts.request.size()), ts.requestLength);
        // A positive INTEGER of eight bytes in its shortest form.
        EXPECT_GE(nonce[0], 0x01);
        EXPECT_LE(nonce[0], 0x7F);

        // OpenSSL reads it as the same request.
        writeBytes(dir.file("q.tsq"), ts.request);
        CommandResult text = runCommand("openssl ts -query -in " + dir.file("q.tsq") + " -text");
        EXPECT_EQ(0, text.status) << text.output;
        EXPECT_NE(std::string::npos, text.output.find("Hash Algorithm: " + std::string(c.digest))) << text.output;
        EXPECT_NE(std::string::npos, text.output.find("Certificate required: yes")) << text.output;

        ASSERT_EQ(0, ts.buildRequest());
        EXPECT_NE(nonce, nonceOf(ts)) << "a fresh nonce for every request";
    }

    const Bytes sha256 = pattern(32, 9);
    CTimeStampSSL ts("", const_cast<unsigned char*>(sha256.data()), 32, 1);
    ASSERT_EQ(0, ts.buildRequest());
    ASSERT_EQ(69u, ts.request.size());
    EXPECT_EQ(unhex("30430201013031300d0609"), Bytes(ts.request.begin(), ts.request.begin() + 11));
}

TEST(TimeStampRequest, DigestThatIsNotTheAlgorithmsHashBuildsNothing) {
    const Bytes sha256 = pattern(32, 1);
    CTimeStampSSL sha1Claim("http://127.0.0.1:1/", const_cast<unsigned char*>(sha256.data()), 32, 0);
    EXPECT_EQ(-1, sha1Claim.buildRequest());
    EXPECT_TRUE(sha1Claim.request.empty());
    EXPECT_EQ(0, sha1Claim.requestLength);
    // Nothing is sent: the request could not be made.
    sha1Claim.sendRequest();
    EXPECT_EQ(TS_ERROR_HTTP, sha1Claim.error);

    CTimeStampSSL noDigest("http://127.0.0.1:1/", nullptr, 20, 0);
    EXPECT_EQ(0u, noDigest.digestLength);
    EXPECT_EQ(-1, noDigest.buildRequest());
}

TEST(TimeStampService, GrantsEveryAlgorithmAndTokensVerify) {
    TsaService tsa;
    ASSERT_TRUE(tsa.ready()) << tsa.output();
    TempDir dir;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.algo);
        Bytes digest = pattern(c.hashLength, static_cast<unsigned char>(0x40 + c.algo));
        CTimeStampSSL ts(tsa.url(), digest.data(), static_cast<unsigned char>(digest.size()), c.algo);
        ts.sendRequest();
        ASSERT_EQ(0, ts.error) << tsa.output();
        ASSERT_FALSE(ts.token.empty());
        EXPECT_EQ(static_cast<int32_t>(ts.token.size()), ts.tokenLength);
        EXPECT_EQ(static_cast<uint32_t>(ts.response.size()), ts.responseLength);
        EXPECT_EQ(0x30, ts.token[0]);

        writeBytes(dir.file("token.der"), ts.token);
        CommandResult v = runCommand("openssl ts -verify -digest " + toHex(digest.data(), digest.size()) +
                                     " -token_in -in " + dir.file("token.der") + tsaVerifyArgs());
        EXPECT_EQ(0, v.status) << v.output;
        EXPECT_NE(std::string::npos, v.output.find("Verification: OK")) << v.output;

        // The whole answer against the request: imprint, nonce and the TSA's signature.
        writeBytes(dir.file("q.tsq"), ts.request);
        writeBytes(dir.file("r.tsr"), ts.response);
        CommandResult q = runCommand("openssl ts -verify -queryfile " + dir.file("q.tsq") + " -in " +
                                     dir.file("r.tsr") + tsaVerifyArgs());
        EXPECT_EQ(0, q.status) << q.output;
    }
}

TEST(TimeStampService, EveryMisbehaviourGivesItsCode) {
    TsaService tsa;
    ASSERT_TRUE(tsa.ready()) << tsa.output();
    Bytes digest = pattern(32, 3);
    for (const char* mode : {"refuse", "modified", "short", "other-imprint", "other-nonce", "error500"}) {
        SCOPED_TRACE(mode);
        CTimeStampSSL ts(tsa.url(mode), digest.data(), 32, 1);
        ts.sendRequest();
        EXPECT_EQ(TS_ERROR_RESPONSE, ts.error);
        EXPECT_TRUE(ts.token.empty());
        EXPECT_EQ(0, ts.tokenLength);
        EXPECT_TRUE(ts.response.empty());
        EXPECT_EQ(0u, ts.responseLength);
    }

    // Nobody listening: the request itself fails.
    CTimeStampSSL closed("http://127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/", digest.data(), 32, 1);
    closed.sendRequest();
    EXPECT_EQ(TS_ERROR_HTTP, closed.error);
}

TEST(TimeStampService, ResponseIsReadByItsStructureNotByOffsets) {
    TsaService tsa;
    ASSERT_TRUE(tsa.ready()) << tsa.output();
    Bytes digest = pattern(20, 5);
    CTimeStampSSL ts(tsa.url(), digest.data(), 20, 0);
    ts.sendRequest();
    ASSERT_EQ(0, ts.error) << tsa.output();
    const Bytes token = ts.token;

    // Status 0 with a status text (a longer PKIStatusInfo) is still granted.
    const Bytes status = der(0x30, Bytes{0x02, 0x01, 0x00, 0x30, 0x04, 0x0C, 0x02, 'o', 'k'});
    Bytes body = status;
    body.insert(body.end(), token.begin(), token.end());
    ts.response = der(0x30, body);
    EXPECT_TRUE(ts.extractTimestamp());
    EXPECT_EQ(token, ts.token);

    // A truncated token, a token without status, and bytes after the answer are refused.
    Bytes cut = ts.response;
    cut.pop_back();
    ts.response = cut;
    EXPECT_FALSE(ts.extractTimestamp());
    EXPECT_TRUE(ts.token.empty());
    ts.response = der(0x30, token);
    EXPECT_FALSE(ts.extractTimestamp());
    ts.response = der(0x30, body);
    ts.response.push_back(0);
    EXPECT_FALSE(ts.extractTimestamp());

    // The same token does not serve another request (fresh nonce).
    ts.response = der(0x30, body);
    ASSERT_EQ(0, ts.buildRequest());
    EXPECT_FALSE(ts.extractTimestamp());
}

TEST(TimeStampService, ServiceThatNeverAnswersFailsWithinTheTimeLimit) {
    TsaService tsa;
    ASSERT_TRUE(tsa.ready()) << tsa.output();
    vnhttp::set_default_timeout_ms(1000);
    Bytes digest = pattern(32, 8);
    CTimeStampSSL ts(tsa.url("silent"), digest.data(), 32, 1);
    ts.sendRequest();
    vnhttp::set_default_timeout_ms(0);
    EXPECT_EQ(TS_ERROR_HTTP, ts.error);
    EXPECT_TRUE(ts.token.empty());
    EXPECT_EQ(HTTP_DEFAULT_TIMEOUT_MS, vnhttp::default_timeout_ms());
}

TEST(TimeStampService, RequestGoesThroughTheProxyOfHttpProxy) {
    TsaService tsa;
    ASSERT_TRUE(tsa.ready()) << tsa.output();
    TinyProxy proxy;
    ASSERT_TRUE(proxy.ready());
    Bytes digest = pattern(48, 2);
    {
        ScopedEnv env("http_proxy", proxy.address());
        CTimeStampSSL ts(tsa.url("proxied"), digest.data(), 48, 2);
        ts.sendRequest();
        EXPECT_EQ(0, ts.error) << tsa.output();
        EXPECT_FALSE(ts.token.empty());
    }
    EXPECT_NE(std::string::npos, proxy.log().find("POST " + tsa.url("proxied") + " HTTP/1.0")) << proxy.log();

    // A proxy that is not there: the request fails although the service is up.
    ScopedEnv env("http_proxy", "http://127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/");
    CTimeStampSSL ts(tsa.url(), digest.data(), 48, 2);
    ts.sendRequest();
    EXPECT_EQ(TS_ERROR_HTTP, ts.error);
}
