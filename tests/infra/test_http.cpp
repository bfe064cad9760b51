#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <random>

#include "Http.h"
#include "HttpResponse.h"
#include "HttpTestServer.h"
#include "TestSupport.h"
#include "TinyProxy.h"
#include "infra/HttpInternal.h"

namespace {

Response get(const std::string& url, http_request_opts* opts = nullptr, int method = HTTP_METHOD_GET, int flags = 0) {
    return Response(http_request(url.c_str(), opts, method, flags));
}

const char* kOk = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nhello";

class Http : public ::testing::Test {
protected:
    void SetUp() override { unsetenv("http_proxy"); }
    void TearDown() override { unsetenv("http_proxy"); }
};

std::string randomBytes(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(gen());
    return s;
}

TEST(HttpUrl, SplitsSchemeHostPortAndPath) {
    char url[] = "http://tsa.example.org:8080/tsa";
    char scheme[sizeof(url)], host[sizeof(url)];
    unsigned port = 0;
    char* path = parse_url(url, scheme, host, &port);
    EXPECT_STREQ("http", scheme);
    EXPECT_STREQ("tsa.example.org", host);
    EXPECT_EQ(8080u, port);
    EXPECT_STREQ("/tsa", path);
    std::free(path);

    char bare[] = "crl.example.org";
    char s2[sizeof(bare)], h2[sizeof(bare)];
    path = parse_url(bare, s2, h2, &port);
    EXPECT_STREQ("http", s2);
    EXPECT_STREQ("crl.example.org", h2);
    EXPECT_EQ(80u, port);
    EXPECT_STREQ("/", path);
    std::free(path);

    char odd[] = "LDAP://h:99999/x:1/y";
    char s3[sizeof(odd)], h3[sizeof(odd)];
    path = parse_url(odd, s3, h3, &port);
    EXPECT_STREQ("LDAP", s3);
    EXPECT_STREQ("h", h3);
    EXPECT_EQ(65536u, port);  // not a port: refused by http_request
    EXPECT_STREQ("/x:1/y", path);
    std::free(path);
}

TEST(HttpHeader, FindsTheEndOfTheHeaderBlock) {
    auto end = [](const std::string& s) -> long {
        const char* e = find_header_end(s.data(), s.size());
        return e ? e - s.data() : -1;
    };
    EXPECT_EQ(19, end("HTTP/1.0 200 OK\r\n\r\nbody"));
    EXPECT_EQ(17, end("HTTP/1.0 200 OK\n\nbody"));
    EXPECT_EQ(18, end("HTTP/1.0 200 OK\n\r\nbody"));
    EXPECT_EQ(-1, end("HTTP/1.0 200 OK\r\nA: b\r\n"));
    EXPECT_EQ(-1, end("HTTP/1.0 200 OK\r\n\r"));  // the blank line is not complete
    std::string s = "X\n\nY";
    EXPECT_EQ(nullptr, find_header_end(s.data(), 2));  // the bound is respected
}

TEST(HttpHeader, FindsHeaderValuesWithoutRegardToCaseWithinItsBounds) {
    const std::string h = "HTTP/1.0 200 OK\r\nContent-Type:   application/pkix-crl\r\nX-Len: 12345678\r\n\r\n";
    char v[64];
    EXPECT_EQ(v, find_header(h.data(), h.size(), "content-TYPE", v, sizeof(v)));
    EXPECT_STREQ("application/pkix-crl", v);
    EXPECT_EQ(nullptr, find_header(h.data(), h.size(), "Location", v, sizeof(v)));
    EXPECT_STREQ("", v);
    // A value is copied only when it is shorter than the buffer's size less one.
    char small[10];
    EXPECT_EQ(small, find_header(h.data(), h.size(), "x-len", small, 10));
    EXPECT_STREQ("12345678", small);
    char tiny[9];
    const char* found = find_header(h.data(), h.size(), "x-len", tiny, 9);
    ASSERT_NE(nullptr, found);
    EXPECT_NE(tiny, found);
    EXPECT_STREQ("", tiny);
    // Only the given length is searched.
    EXPECT_EQ(nullptr, find_header(h.data(), 20, "Content-Type", v, sizeof(v)));
}

TEST_F(Http, GetAndHeadSendTheExactRequestTexts) {
    HttpTestServer server(answer(kOk));
    Response plain = get(server.base() + "/crl/ca.crl");
    http_request_opts opts;
    opts.headers = "X-One: 1\r\nX-Two: 2";
    Response withHeaders = get(server.base() + "/a?b=c", &opts);
    Response head = get(server.base(), nullptr, HTTP_METHOD_HEAD);
    Response other = get(server.base() + "/m", nullptr, 99);

    auto r = server.requests();
    ASSERT_EQ(4u, r.size());
    EXPECT_EQ("GET /crl/ca.crl HTTP/1.0\r\nHost: " + server.hostPort() +
                  "\r\nUser-Agent: hget/1.1\r\n"
                  "Pragma: no-cache\r\nAccept: */*\r\n\r\n",
              r[0]);
    EXPECT_EQ("GET /a?b=c HTTP/1.0\r\nHost: " + server.hostPort() +
                  "\r\nUser-Agent: hget/1.1\r\nX-One: 1\r\nX-Two: 2\r\n"
                  "Pragma: no-cache\r\nAccept: */*\r\n\r\n",
              r[1]);
    EXPECT_EQ("HEAD / HTTP/1.0\r\nHost: " + server.hostPort() +
                  "\r\nUser-Agent: hget/1.1\r\n"
                  "Pragma: no-cache\r\nAccept: */*\r\n\r\n",
              r[2]);
    EXPECT_EQ(0u, r[3].rfind("GET /m HTTP/1.0\r\n", 0));  // unknown methods are GET

    EXPECT_STREQ("", plain.error_text);
    EXPECT_EQ("hello", plain.text());
    EXPECT_TRUE(plain.zeroTerminated());
    EXPECT_STREQ("200", plain.status);
    EXPECT_STREQ("OK", plain.status_text);
    EXPECT_EQ(nullptr, plain.header_copy);
    EXPECT_GE(opts.socket, 0);
    // HEAD gives the header block as the body.
    EXPECT_EQ("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n", head.text());
    EXPECT_TRUE(head.zeroTerminated());
}

TEST_F(Http, PostSendsTheExactRequestTextAndTheBody) {
    HttpTestServer server(answer(kOk));
    const std::string body = std::string("\x30\x03\x02\x01\x00", 5) + "tail";
    http_request_opts opts;
    opts.body = reinterpret_cast<const unsigned char*>(body.data());
    opts.body_length = static_cast<uint32_t>(body.size());
    Response a = get(server.base() + "/tsa", &opts, HTTP_METHOD_POST);
    opts.headers = "Content-Type: application/timestamp-query";
    Response b = get(server.base() + "/tsa", &opts, HTTP_METHOD_POST, HTTP_FLAG_NO_CONTENT_TYPE);
    Response c = get(server.base() + "/tsa", &opts, HTTP_METHOD_POST);

    auto r = server.requests();
    ASSERT_EQ(3u, r.size());
    EXPECT_EQ("POST /tsa HTTP/1.0\r\nHost: " + server.hostPort() +
                  "\r\nContent-Length: 9\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\n"
                  "User-Agent: hget/1.1\r\nPragma: no-cache\r\nAccept: */*\r\n\r\n" +
                  body,
              r[0]);
    EXPECT_EQ("POST /tsa HTTP/1.0\r\nHost: " + server.hostPort() +
                  "\r\nContent-Length: 9\r\n"
                  "Content-Type: application/timestamp-query\r\n"
                  "User-Agent: hget/1.1\r\nPragma: no-cache\r\nAccept: */*\r\n\r\n" +
                  body,
              r[1]);
    EXPECT_EQ("POST /tsa HTTP/1.0\r\nHost: " + server.hostPort() +
                  "\r\nContent-Length: 9\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\nContent-Type: application/timestamp-query\r\n"
                  "User-Agent: hget/1.1\r\nPragma: no-cache\r\nAccept: */*\r\n\r\n" +
                  body,
              r[2]);
    EXPECT_EQ("hello", b.text());
}

TEST_F(Http, PostWithoutBodyFailsWithoutConnecting) {
    HttpTestServer server(answer(kOk));
    Response r = get(server.base() + "/tsa", nullptr, HTTP_METHOD_POST);
    EXPECT_STREQ("ERROR, invalid URL for POST request", r.error_text);
    EXPECT_EQ(nullptr, r.body);
    http_request_opts empty;
    Response r2 = get(server.base() + "/tsa", &empty, HTTP_METHOD_POST);
    EXPECT_STREQ("ERROR, invalid URL for POST request", r2.error_text);
    EXPECT_EQ(-1, empty.socket);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(Http, ConnectsToTheGivenPortAndRequestsTheRootWithoutPath) {
    HttpTestServer server(answer(kOk));
    Response r = get("http://localhost:" + std::to_string(server.port()));
    EXPECT_STREQ("", r.error_text);
    ASSERT_EQ(1u, server.requests().size());
    // The port is named in Host when it is not 80.
    EXPECT_EQ(0u, server.requests()[0].rfind(
                      "GET / HTTP/1.0\r\nHost: localhost:" + std::to_string(server.port()) + "\r\n", 0));
}

TEST_F(Http, CutsAddressesAt8192Characters) {
    HttpTestServer server(answer(kOk));
    std::string url = server.base() + "/" + std::string(9000 - server.base().size(), 'a');
    Response r = get(url);
    EXPECT_STREQ("", r.error_text);
    ASSERT_EQ(1u, server.requests().size());
    const std::string line = server.requests()[0].substr(0, server.requests()[0].find("\r\n"));
    EXPECT_EQ("GET " + url.substr(server.base().size(), 8192 - server.base().size()) + " HTTP/1.0", line);
}

TEST_F(Http, ErrorStatusBodiesAreReturnedAndHeaderCopyKept) {
    const std::string page = "<html><body><h1>Not Found</h1></body></html>\n";
    HttpTestServer server(answer("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n\r\n" + page));
    Response r = get(server.base() + "/missing.crl", nullptr, HTTP_METHOD_GET, HTTP_FLAG_KEEP_HEADER);
    EXPECT_STREQ("", r.error_text);
    EXPECT_STREQ("404", r.status);
    EXPECT_STREQ("Not Found", r.status_text);
    EXPECT_EQ(page, r.text());
    ASSERT_NE(nullptr, r.header_copy);
    EXPECT_STREQ("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n\r\n", r.header_copy);
}

TEST_F(Http, AnswerWithoutBlankLineGivesEmptyBodyAndNoStatus) {
    HttpTestServer server(answer("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nno blank line"));
    Response r = get(server.base() + "/x");
    EXPECT_STREQ("", r.error_text);
    EXPECT_EQ(0u, r.body_length);
    EXPECT_TRUE(r.zeroTerminated());
    EXPECT_STREQ("", r.status);
    EXPECT_STREQ("", r.status_text);
}

TEST_F(Http, ReasonPhraseIsCutAt31Characters) {
    HttpTestServer server(answer("HTTP/1.0 500 " + std::string(40, 'R') + "\r\n\r\nx"));
    Response r = get(server.base());
    EXPECT_STREQ("500", r.status);
    EXPECT_EQ(std::string(31, 'R'), r.status_text);
    EXPECT_EQ("x", r.text());
}

TEST_F(Http, ReceivesBodiesOfSeveralMebibytesWhole) {
    const std::string body = randomBytes(5 * 1024 * 1024 + 17, 7);
    HttpTestServer server(answer("HTTP/1.0 200 OK\r\n\r\n" + body));
    Response r = get(server.base() + "/big.crl");
    EXPECT_STREQ("", r.error_text);
    ASSERT_EQ(body.size(), r.body_length);
    EXPECT_TRUE(r.text() == body);
    EXPECT_TRUE(r.zeroTerminated());
}

TEST_F(Http, TricklingServerIsReadToTheEnd) {
    HttpTestServer server([](HttpTestServer&, int fd, const std::string&) {
        const std::string text = "HTTP/1.0 200 OK\r\nX: y\r\n\r\ntrickled body";
        for (char c : text) {
            sendText(fd, std::string(1, c));
            sleepMs(5);
        }
    });
    http_request_opts opts;
    opts.receive_timeout_ms = 2000;
    Response r = get(server.base(), &opts);
    EXPECT_STREQ("", r.error_text);
    EXPECT_STREQ("200", r.status);
    EXPECT_EQ("trickled body", r.text());
}

TEST_F(Http, EarlyCloseAndReadErrorsEndTheAnswerThere) {
    HttpTestServer server([](HttpTestServer&, int fd, const std::string& request) {
        if (request.find("/header-cut") != std::string::npos) {
            sendText(fd, "HTTP/1.0 200 OK\r\nContent-Le");
        } else if (request.find("/body-cut") != std::string::npos) {
            sendText(fd, "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nonly part");
        } else {
            // Connection reset after part of the body: the client sees a read error.
            sendText(fd, "HTTP/1.0 200 OK\r\n\r\nbefore reset");
            sleepMs(100);
            linger l{1, 0};
            setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof(l));
        }
    });
    Response a = get(server.base() + "/header-cut");
    EXPECT_STREQ("", a.error_text);
    EXPECT_EQ(0u, a.body_length);
    EXPECT_STREQ("", a.status);
    Response b = get(server.base() + "/body-cut");
    EXPECT_STREQ("", b.error_text);
    EXPECT_EQ("only part", b.text());
    Response c = get(server.base() + "/reset");
    EXPECT_STREQ("", c.error_text);
    EXPECT_EQ("before reset", c.text());
}

TEST_F(Http, SilentServerFailsAfterTheReceiveTimeout) {
    HttpTestServer server([](HttpTestServer& s, int fd, const std::string&) {
        sendText(fd, "HTTP/1.0 200 OK\r\n");  // then nothing more
        s.waitForStop(10000);
    });
    http_request_opts opts;
    opts.receive_timeout_ms = 300;
    auto start = std::chrono::steady_clock::now();
    Response r = get(server.base() + "/tsa", &opts);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(ETIMEDOUT, r.error_number);
    EXPECT_STREQ("timeout: no data from the server within 300 ms", r.error_text);
    EXPECT_EQ(nullptr, r.body);
    EXPECT_LT(ms, 5000);
}

TEST_F(Http, UnreachablePeerFailsAfterTheConnectTimeout) {
    // A listener whose accept queue is full drops further connection attempts unanswered.
    unsigned port = 0;
    int listener = listenLoopback(0, &port);
    ASSERT_GE(listener, 0);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        int f = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(port));
        connect(f, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        fillers.push_back(f);
    }
    sleepMs(50);
    http_request_opts opts;
    opts.connect_timeout_ms = 300;
    Response r = get("http://127.0.0.1:" + std::to_string(port) + "/", &opts);
    EXPECT_EQ(ETIMEDOUT, r.error_number);
    EXPECT_STREQ(("timeout: no connection to 127.0.0.1:" + std::to_string(port) + " within 300 ms").c_str(),
                 r.error_text);
    for (int f : fillers)
        close(f);
    close(listener);
}

TEST_F(Http, RefusedAndUnknownPeersFailWithTheirErrorText) {
    const unsigned port = freeLoopbackPort();
    Response refused = get("http://127.0.0.1:" + std::to_string(port) + "/");
    EXPECT_EQ(ECONNREFUSED, refused.error_number);
    EXPECT_STREQ("Connection refused", refused.error_text);
    Response unknown = get("http://no-such-host.invalid/crl");
    EXPECT_STREQ("Unknown host no-such-host.invalid", unknown.error_text);
}

TEST_F(Http, PeerThatLeavesDuringALargePostGivesAnErrorNotASignal) {
    HttpTestServer server(
        [](HttpTestServer&, int fd, const std::string&) {
            linger l{1, 0};
            setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof(l));
        },
        false);
    const std::string body(32 * 1024 * 1024, 'b');
    http_request_opts opts;
    opts.body = reinterpret_cast<const unsigned char*>(body.data());
    opts.body_length = static_cast<uint32_t>(body.size());
    opts.receive_timeout_ms = 3000;
    Response r = get(server.base() + "/tsa", &opts, HTTP_METHOD_POST);
    EXPECT_NE(0, r.error_number);
    EXPECT_STRNE("", r.error_text);
}

TEST_F(Http, ServerThatTakesNoRequestFailsAfterTheTimeout) {
    HttpTestServer server([](HttpTestServer& s, int, const std::string&) { s.waitForStop(10000); }, false);
    const std::string body(32 * 1024 * 1024, 'b');
    http_request_opts opts;
    opts.body = reinterpret_cast<const unsigned char*>(body.data());
    opts.body_length = static_cast<uint32_t>(body.size());
    opts.receive_timeout_ms = 300;
    Response r = get(server.base() + "/tsa", &opts, HTTP_METHOD_POST);
    EXPECT_EQ(ETIMEDOUT, r.error_number);
    EXPECT_STREQ("timeout: the server took no data within 300 ms", r.error_text);
}

TEST_F(Http, OtherSchemesNeedAProxy) {
    // https goes over TLS itself (see test_peer_limits): here nobody listens.
    Response r = get("https://127.0.0.1:1/crl");
    EXPECT_EQ(ECONNREFUSED, r.error_number) << r.error_text;
    Response l = get("ldap://127.0.0.1/cn=x");
    EXPECT_STREQ("http_request cannot operate on ldap URLs without a proxy", l.error_text);
    setenv("http_proxy", "http://127.0.0.1:1/", 1);
    Response ignored = get("ftp://127.0.0.1/crl", nullptr, HTTP_METHOD_GET, HTTP_FLAG_NO_PROXY);
    EXPECT_STREQ("http_request cannot operate on ftp URLs without a proxy", ignored.error_text);
    Response upper = get("HTTP://127.0.0.1:1/", nullptr, HTTP_METHOD_GET, HTTP_FLAG_NO_PROXY);
    EXPECT_EQ(ECONNREFUSED, upper.error_number);  // scheme compared without regard to case
}

TEST_F(Http, ProxyGetsTheFullAddressInTheRequestLine) {
    HttpTestServer proxy(answer(kOk));
    HttpTestServer origin(answer("HTTP/1.0 500 Wrong\r\n\r\n"));
    setenv("http_proxy", (proxy.base() + "/ignored/path").c_str(), 1);
    Response a = get("https://crl.example.invalid:8443/ca.crl?x=1");
    Response b = get(origin.base() + "/direct", nullptr, HTTP_METHOD_GET, HTTP_FLAG_NO_PROXY);
    setenv("http_proxy", proxy.hostPort().c_str(), 1);  // without a scheme
    Response c = get("http://crl.example.invalid/ca.crl");

    EXPECT_EQ("hello", a.text());
    EXPECT_EQ("hello", c.text());
    auto r = proxy.requests();
    ASSERT_EQ(2u, r.size());
    EXPECT_EQ("GET https://crl.example.invalid:8443/ca.crl?x=1 HTTP/1.0\r\nHost: " + proxy.hostPort() +
                  "\r\n"
                  "User-Agent: hget/1.1\r\nPragma: no-cache\r\nAccept: */*\r\n\r\n",
              r[0]);
    EXPECT_EQ(0u, r[1].rfind("GET http://crl.example.invalid/ca.crl HTTP/1.0\r\n", 0));
    ASSERT_EQ(1u, origin.requests().size());
    EXPECT_EQ(0u, origin.requests()[0].rfind("GET /direct HTTP/1.0\r\n", 0));
    EXPECT_STREQ("500", b.status);
}

TEST_F(Http, RealProxyForwardsGetAndPost) {
    TinyProxy proxy;
    if (!proxy.present())
        GTEST_SKIP() << "tinyproxy is not installed";
    ASSERT_TRUE(proxy.ready()) << proxy.log();
    const std::string crl = randomBytes(300000, 3);
    HttpTestServer origin([&crl](HttpTestServer&, int fd, const std::string& request) {
        if (request.rfind("POST", 0) == 0)
            sendText(fd, "HTTP/1.0 200 OK\r\n\r\n" + request.substr(request.find("\r\n\r\n") + 4));
        else
            sendText(fd, "HTTP/1.0 200 OK\r\nContent-Type: application/pkix-crl\r\n\r\n" + crl);
    });
    setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(proxy.port())).c_str(), 1);
    Response r = get(origin.base() + "/ca.crl");
    EXPECT_STREQ("", r.error_text) << proxy.log();
    EXPECT_STREQ("200", r.status);
    EXPECT_TRUE(r.text() == crl);

    const std::string query = "\x30\x27\x02\x01\x01 timestamp query";
    unsigned char* out = nullptr;
    unsigned int outLength = 0;
    EXPECT_EQ(
        0u, CHttp::SendHttpRequest(origin.base() + "/tsa", "POST", reinterpret_cast<const unsigned char*>(query.data()),
                                   static_cast<unsigned>(query.size()), "Content-Type: application/timestamp-query",
                                   0xFFFFFFFF, &out, &outLength));
    EXPECT_EQ(query, std::string(reinterpret_cast<char*>(out), outLength));
    std::free(out);

    auto seen = origin.requests();
    ASSERT_EQ(2u, seen.size());
    // The proxy asks the origin for the path only.
    EXPECT_EQ(0u, seen[0].rfind("GET /ca.crl HTTP/1.", 0)) << seen[0];
    // tinyproxy rewrote the Host line and asked for the connection to close.
    EXPECT_NE(std::string::npos, seen[0].find("\r\nHost: " + origin.hostPort() + "\r\nConnection: close\r\n"));
    EXPECT_NE(std::string::npos, proxy.log().find("GET " + origin.base() + "/ca.crl HTTP/1.0"));
    EXPECT_EQ(0u, seen[1].rfind("POST /tsa HTTP/1.", 0)) << seen[1];
    EXPECT_NE(std::string::npos, seen[1].find("Content-Type: application/timestamp-query\r\n"));
}

TEST_F(Http, SendHttpRequestPostsOrGetsAndReportsFailure) {
    HttpTestServer server([](HttpTestServer&, int fd, const std::string& request) {
        sendText(fd, "HTTP/1.0 200 OK\r\n\r\n" + request.substr(0, request.find(' ')));
    });
    const unsigned char body[] = {1, 2, 3};
    unsigned char* out = nullptr;
    unsigned int length = 0;
    EXPECT_EQ(0u, CHttp::SendHttpRequest(server.base() + "/tsa", "post", body, 3, "X-A: b", 0, &out, &length));
    EXPECT_EQ("POST", std::string(reinterpret_cast<char*>(out), length));
    EXPECT_EQ(0, out[length]);
    std::free(out);
    out = nullptr;
    EXPECT_EQ(0u, CHttp::SendHttpRequest(server.base() + "/crl", "PUT", nullptr, 0, nullptr, 0, &out, &length));
    EXPECT_EQ("GET", std::string(reinterpret_cast<char*>(out), length));
    std::free(out);

    auto r = server.requests();
    ASSERT_EQ(2u, r.size());
    EXPECT_EQ("POST /tsa HTTP/1.0\r\nHost: " + server.hostPort() +
                  "\r\nContent-Length: 3\r\nX-A: b\r\n"
                  "User-Agent: hget/1.1\r\nPragma: no-cache\r\nAccept: */*\r\n\r\n\x01\x02\x03",
              r[0]);

    out = nullptr;
    EXPECT_EQ(0xFFFFFFFFu,
              CHttp::SendHttpRequest(server.base() + "/tsa", "POST", nullptr, 0, nullptr, 0, &out, &length));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(0xFFFFFFFFu, CHttp::SendHttpRequest("https://127.0.0.1/", "GET", nullptr, 0, nullptr, 0, &out, &length));
}

TEST_F(Http, FileAddressesGiveFilesDirectoryPagesAndErrors) {
    TempDir dir;
    const std::string data = std::string("DER\0\x30\x82", 6) + randomBytes(70000, 5);
    dir.write("ca.crl", data);
    dir.write("run.sh", "#!/bin/sh\n");
    chmod(dir.file("run.sh").c_str(), 0755);
    ASSERT_EQ(0, mkdir(dir.file("sub").c_str(), 0755));
    ASSERT_EQ(0, symlink("ca.crl", dir.file("latest").c_str()));
    dir.write(".hidden", "x");
    ASSERT_EQ(0, mkfifo(dir.file("pipe").c_str(), 0600));

    Response file = get("FILE://" + dir.file("ca.crl"));
    EXPECT_STREQ("", file.error_text);
    EXPECT_TRUE(file.text() == data);
    EXPECT_TRUE(file.zeroTerminated());

    Response page = get("file://" + dir.path());
    EXPECT_STREQ("", page.error_text);
    const std::string p = page.text();
    const std::string parent = dir.path().substr(0, dir.path().rfind('/'));
    EXPECT_EQ(0u, p.rfind("<HTML><HEAD><TITLE>Index of " + dir.path() +
                              "</TITLE></HEAD>\n<BODY BGCOLOR=\"#99cc99\"><H4>Index of " + dir.path() +
                              "</H4>\n<PRE>\n<A HREF=\"file://" + parent + "\">Parent Directory</A><P>\n",
                          0))
        << p;
    EXPECT_NE(std::string::npos, p.find(" <A HREF=\"ca.crl\">ca.crl</A>\n"));
    EXPECT_NE(std::string::npos, p.find(" <A HREF=\"run.sh\">run.sh</A>*\n"));
    EXPECT_NE(std::string::npos, p.find(" <A HREF=\"latest\">latest</A> -> ca.crl\n"));
    EXPECT_NE(std::string::npos, p.find("\ndrwxr-xr-x "));
    EXPECT_NE(std::string::npos, p.find("\n-rwxr-xr-x "));
    EXPECT_EQ(std::string::npos, p.find(".hidden"));
    EXPECT_EQ(std::string::npos, p.find("total"));
    EXPECT_LT(p.find("ca.crl"), p.find("run.sh"));
    EXPECT_EQ(p.size() - 22, p.find("</PRE>\n</BODY></HTML>\n"));
    EXPECT_TRUE(page.zeroTerminated());

    Response missing = get("file://" + dir.file("nothing.crl"));
    EXPECT_EQ(ENOENT, missing.error_number);
    EXPECT_STREQ("No such file or directory", missing.error_text);
    EXPECT_EQ(nullptr, missing.body);

    Response fifo = get("file://" + dir.file("pipe"));
    EXPECT_STREQ("", fifo.error_text);
    EXPECT_EQ(0u, fifo.body_length);

    // Only GET reads files.
    Response head = get("file://" + dir.file("ca.crl"), nullptr, HTTP_METHOD_HEAD);
    EXPECT_STREQ("http_request cannot operate on file URLs without a proxy", head.error_text);
}

}  // namespace
