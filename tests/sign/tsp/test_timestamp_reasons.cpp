// Why a timestamp request got no token: every misbehaviour of the service has its reason
// and a text that says it, and no answer is waited for or taken beyond its limits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Http.h"
#include "TimeStampSSL.h"
#include "TspServices.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Case {
    const char* mode;
    int reason;
    const char* text;  // part of the failure text
};

// clang-format off
const Case kCases[] = {
    {"refuse", TS_REASON_REFUSED, "refused (status 2)"},
    {"modified", TS_REASON_REFUSED, "refused (status 1)"},
    {"short", TS_REASON_MALFORMED, "8 bytes is too short"},
    {"other-imprint", TS_REASON_IMPRINT, "imprint differs"},
    {"other-nonce", TS_REASON_NONCE, "another nonce"},
    {"error500", TS_REASON_HTTP_STATUS, "HTTP 500"},
};
// clang-format on

std::string failureText() { return TimeStampFailureText(); }

}  // namespace

TEST(TimeStampReasons, EveryMisbehaviourOfTheServiceIsNamed) {
    TsaService tsa;
    ASSERT_TRUE(tsa.ready()) << tsa.output();
    Bytes digest(32, 0x5A);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.mode);
        CTimeStampSSL ts(tsa.url(c.mode), digest.data(), 32, 1);
        ts.sendRequest();
        EXPECT_EQ(TS_ERROR_RESPONSE, ts.error);
        EXPECT_EQ(c.reason, TimeStampFailureReason());
        EXPECT_NE(std::string::npos, failureText().find(c.text)) << failureText();
    }
    // The refusal carries the service's own status text.
    CTimeStampSSL refused(tsa.url("refuse"), digest.data(), 32, 1);
    refused.sendRequest();
    EXPECT_NE(std::string::npos, failureText().find("refused (status 2): ")) << failureText();

    // A granted token clears the reason.
    CTimeStampSSL ok(tsa.url(), digest.data(), 32, 1);
    ok.sendRequest();
    EXPECT_EQ(0, ok.error) << tsa.output();
    EXPECT_EQ(TS_REASON_NONE, TimeStampFailureReason());
    EXPECT_EQ("", failureText());

    // Nobody listening.
    CTimeStampSSL closed("http://127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/", digest.data(), 32, 1);
    closed.sendRequest();
    EXPECT_EQ(TS_ERROR_HTTP, closed.error);
    EXPECT_EQ(TS_REASON_UNREACHABLE, TimeStampFailureReason());
    EXPECT_NE(std::string::npos, failureText().find("cannot be reached")) << failureText();
}

TEST(TimeStampReasons, SlowSilentAndHugeAnswersEndAtTheirLimits) {
    Bytes digest(32, 0x33);
    http_set_default_timeout_ms(2000);

    // One byte a second: each wait is short, the whole exchange is not.
    HttpTestServer trickle([](HttpTestServer& s, int fd, const std::string&) {
        sendText(fd, "HTTP/1.0 200 OK\r\nContent-Type: application/timestamp-reply\r\n\r\n0");
        for (int i = 0; i < 40 && !s.waitForStop(1000); ++i)
            if (!sendText(fd, "x"))
                return;
    });
    CTimeStampSSL slow(trickle.base() + "/", digest.data(), 32, 1);
    slow.sendRequest();
    EXPECT_EQ(TS_ERROR_HTTP, slow.error);
    EXPECT_EQ(TS_REASON_TIMEOUT, TimeStampFailureReason());
    EXPECT_NE(std::string::npos, failureText().find("did not answer in time")) << failureText();

    HttpTestServer silent([](HttpTestServer& s, int, const std::string&) { s.waitForStop(40000); });
    CTimeStampSSL quiet(silent.base() + "/", digest.data(), 32, 1);
    quiet.sendRequest();
    EXPECT_EQ(TS_REASON_TIMEOUT, TimeStampFailureReason());
    http_set_default_timeout_ms(0);

    // An answer over 1 MiB is cut off there, not taken whole.
    HttpTestServer huge([](HttpTestServer&, int fd, const std::string&) {
        sendText(fd, "HTTP/1.0 200 OK\r\n\r\n");
        const std::string block(1 << 16, '\x30');
        for (int i = 0; i < 2048; ++i)
            if (!sendText(fd, block))
                return;
    });
    CTimeStampSSL big(huge.base() + "/", digest.data(), 32, 1);
    big.sendRequest();
    EXPECT_EQ(TS_ERROR_HTTP, big.error);
    EXPECT_EQ(TS_REASON_TOO_LARGE, TimeStampFailureReason());
    EXPECT_TRUE(big.response.empty());
    EXPECT_NE(std::string::npos, failureText().find("larger than 1048576 bytes")) << failureText();
}
