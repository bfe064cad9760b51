// Every network exchange of the library against peers that misbehave on purpose on
// 127.0.0.1: one that trickles a byte a second, one that never answers, one that sends
// without end, one that redirects. Each exchange must end with its own failure, never hang
// and never take more than its size limit.
#include <gtest/gtest.h>
#include <openssl/crypto.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "CrlSSL.h"
#include "Http.h"
#include "HttpResponse.h"
#include "HttpTestServer.h"
#include "TestSupport.h"
#include "VerifyMsg.h"

namespace {

// Deadlines of the exchanges under test, and how long a misbehaving peer keeps going at
// most (far beyond the deadline, so that only the client can end the exchange in time).
const int kDeadlineMs = 2000;
const int kPeerSeconds = 40;

class PeerLimits : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("http_proxy");
        CCrlSSL::setTimeout(kDeadlineMs);
    }
    void TearDown() override {
        CCrlSSL::setTimeout(0);
        CCrlSSL::setMaxCrlSize(0);
        CCrlSSL::setProxy(false, "", "", "", "");
    }
};

// Sends prefix, then one byte a second until the server stops.
HttpTestServer::Script trickle(std::string prefix) {
    return [prefix](HttpTestServer& s, int fd, const std::string&) {
        sendText(fd, prefix);
        for (int i = 0; i < kPeerSeconds && !s.waitForStop(1000); ++i)
            if (!sendText(fd, "x"))
                return;
    };
}

// Takes the connection and says nothing until the server stops.
void silent(HttpTestServer& s, int, const std::string&) { s.waitForStop(kPeerSeconds * 1000); }

// Sends prefix, then bytes as fast as the client takes them, up to 256 MiB.
HttpTestServer::Script flood(std::string prefix) {
    return [prefix](HttpTestServer&, int fd, const std::string&) {
        sendText(fd, prefix);
        const std::string block(1 << 16, 'z');
        for (int i = 0; i < 4096; ++i)
            if (!sendText(fd, block))
                return;
    };
}

const char kHeader[] = "HTTP/1.0 200 OK\r\nContent-Type: application/pkix-crl\r\n\r\n";

// A certificate that serves as its own issuer: enough for an OCSP request to be made.
std::vector<unsigned char> selfSigned(const TempDir& dir) {
    const std::string cmd =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj /CN=peer "
        "-keyout '" +
        dir.file("k.pem") + "' -outform DER -out '" + dir.file("c.der") + "' 2>/dev/null";
    if (std::system(cmd.c_str()) != 0)
        return {};
    const std::string der = readFile(dir.file("c.der"));
    return std::vector<unsigned char>(der.begin(), der.end());
}

}  // namespace

TEST_F(PeerLimits, HttpEndsAtTheDeadlineOfTheWholeExchangeAndAtTheSizeLimit) {
    http_request_opts opts;
    opts.total_timeout_ms = kDeadlineMs;
    opts.receive_timeout_ms = 60000;  // each single wait alone would never end it

    HttpTestServer trickling(trickle(kHeader));
    Response a(http_request((trickling.base() + "/a.crl").c_str(), &opts, HTTP_METHOD_GET, 0));
    EXPECT_EQ(HTTP_ERROR_TIMEOUT, a.error_number) << a.error_text;
    EXPECT_NE(std::string::npos, std::string(a.error_text).find("did not end within 2000 ms")) << a.error_text;
    EXPECT_EQ(nullptr, a.body);

    // A header block that never ends comes byte by byte as well.
    HttpTestServer headerTrickle(trickle("HTTP/1.0 200 OK\r\nX-Slow: "));
    Response b(http_request(headerTrickle.base().c_str(), &opts, HTTP_METHOD_POST, 0));
    EXPECT_NE('\0', b.error_text[0]);  // POST without a body is refused before any connection
    opts.body = reinterpret_cast<const unsigned char*>("q");
    opts.body_length = 1;
    Response c(http_request(headerTrickle.base().c_str(), &opts, HTTP_METHOD_POST, 0));
    EXPECT_EQ(HTTP_ERROR_TIMEOUT, c.error_number) << c.error_text;

    HttpTestServer quiet(silent, false);
    Response d(http_request(quiet.base().c_str(), &opts, HTTP_METHOD_POST, 0));
    EXPECT_EQ(HTTP_ERROR_TIMEOUT, d.error_number) << d.error_text;

    // Too large: the body over the limit, and a header block without an end.
    http_request_opts small;
    small.max_body_length = 1 << 20;
    HttpTestServer flooding(flood(kHeader));
    Response e(http_request(flooding.base().c_str(), &small, HTTP_METHOD_GET, 0));
    EXPECT_EQ(HTTP_ERROR_TOO_LARGE, e.error_number) << e.error_text;
    EXPECT_EQ(nullptr, e.body);
    HttpTestServer endlessHeader(flood("HTTP/1.0 200 OK\r\nX-Long: "));
    Response f(http_request(endlessHeader.base().c_str(), &small, HTTP_METHOD_GET, 0));
    EXPECT_EQ(HTTP_ERROR_TOO_LARGE, f.error_number) << f.error_text;

    // Exactly at the limit is still taken.
    HttpTestServer exact(answer(std::string(kHeader) + std::string(1 << 20, 'e')));
    Response g(http_request(exact.base().c_str(), &small, HTTP_METHOD_GET, 0));
    EXPECT_EQ('\0', g.error_text[0]) << g.error_text;
    EXPECT_EQ(uint64_t(1) << 20, g.body_length);
}

TEST_F(PeerLimits, GetFollowsThreeRedirectsAndNamesThePortInHost) {
    HttpTestServer server([](HttpTestServer& s, int fd, const std::string& request) {
        const std::string line = request.substr(0, request.find("\r\n"));
        if (line.find(" /final ") != std::string::npos) {
            sendText(fd, "HTTP/1.0 200 OK\r\n\r\nthe body");
            return;
        }
        // /hopN goes to /hop(N-1); /hop1 to /final (relative); /abs to /final (absolute).
        std::string next = "/final";
        const size_t hop = line.find(" /hop");
        if (hop != std::string::npos && line[hop + 5] > '1')
            next = "/hop" + std::string(1, static_cast<char>(line[hop + 5] - 1));
        if (line.find(" /abs ") != std::string::npos)
            next = s.base() + "/final";
        sendText(fd, "HTTP/1.0 302 Found\r\nLocation: " + next + "\r\n\r\nmoved");
    });
    Response one(http_request((server.base() + "/abs").c_str(), nullptr, HTTP_METHOD_GET, 0));
    EXPECT_EQ("the body", one.text());
    EXPECT_STREQ("200", one.status);
    EXPECT_EQ(nullptr, one.header_copy);  // kept only when asked for
    Response three(http_request((server.base() + "/hop3").c_str(), nullptr, HTTP_METHOD_GET, 0));
    EXPECT_EQ("the body", three.text());
    // A fourth redirect is not followed: its own answer comes back.
    Response four(http_request((server.base() + "/hop4").c_str(), nullptr, HTTP_METHOD_GET, 0));
    EXPECT_STREQ("302", four.status);
    EXPECT_EQ("moved", four.text());
    // POST is never redirected.
    http_request_opts post;
    post.body = reinterpret_cast<const unsigned char*>("q");
    post.body_length = 1;
    Response posted(http_request((server.base() + "/abs").c_str(), &post, HTTP_METHOD_POST, 0));
    EXPECT_STREQ("302", posted.status);

    const std::vector<std::string> requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_NE(std::string::npos, requests[0].find("\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"))
        << requests[0];
    EXPECT_EQ(2 + 4 + 4 + 1, static_cast<int>(requests.size()));
}

TEST_F(PeerLimits, CrlFetchesSayTimeoutAndTooLargeWithTheirOwnCodes) {
    unsigned char* body = nullptr;
    unsigned int length = 0;
    HttpTestServer trickling(trickle(kHeader));
    EXPECT_EQ(CRLSSL_FETCH_TIMEOUT, CCrlSSL::LoadCrl((trickling.base() + "/x.crl").c_str(), &body, &length));
    HttpTestServer quiet(silent, false);
    EXPECT_EQ(CRLSSL_FETCH_TIMEOUT, CCrlSSL::ssl_get_from_uri((quiet.base() + "/x.crl").c_str(), &body, &length));

    CCrlSSL::setMaxCrlSize(1 << 20);
    EXPECT_EQ(1u << 20, CCrlSSL::getMaxCrlSize());
    HttpTestServer flooding(flood(kHeader));
    EXPECT_EQ(CRLSSL_FETCH_TOO_LARGE, CCrlSSL::LoadCrl((flooding.base() + "/x.crl").c_str(), &body, &length));
    EXPECT_EQ(nullptr, body);
    CCrlSSL::setMaxCrlSize(0);
    EXPECT_EQ(CRLSSL_DEFAULT_MAX_CRL_SIZE, CCrlSSL::getMaxCrlSize());

    // LDAP: a directory that trickles its answer, one that never answers, one whose answer
    // announces 256 MiB. The answers are BER as a directory sends them: a SEQUENCE with a
    // four-byte length.
    HttpTestServer ldapTrickle(trickle(std::string("\x30\x84\x00\x00\x10\x00", 6)), false);
    EXPECT_EQ(CRLSSL_FETCH_TIMEOUT,
              CCrlSSL::LoadCrl(("ldap://" + ldapTrickle.hostPort() + "/cn=x").c_str(), &body, &length));
    HttpTestServer ldapQuiet(silent, false);
    EXPECT_EQ(CRLSSL_FETCH_TIMEOUT,
              CCrlSSL::LoadCrl(("ldap://" + ldapQuiet.hostPort() + "/cn=x").c_str(), &body, &length));
    CCrlSSL::setMaxCrlSize(1 << 20);
    HttpTestServer ldapFlood(flood(std::string("\x30\x84\x10\x00\x00\x00", 6)), false);
    EXPECT_EQ(CRLSSL_FETCH_TOO_LARGE,
              CCrlSSL::LoadCrl(("ldap://" + ldapFlood.hostPort() + "/cn=x").c_str(), &body, &length));
    EXPECT_EQ(nullptr, body);
}

TEST_F(PeerLimits, OcspAndItsProxyTunnelEndAtOneDeadline) {
    TempDir dir;
    const std::vector<unsigned char> cert = selfSigned(dir);
    ASSERT_FALSE(cert.empty());
    auto check = [&](const std::string& url) {
        unsigned char* response = nullptr;
        unsigned char* signer = nullptr;
        unsigned int responseLength = 0, signerLength = 0;
        time_t revoked = 0;
        return CCrlSSL::CheckOCSP(url.c_str(), cert.data(), static_cast<unsigned int>(cert.size()), cert.data(),
                                  static_cast<unsigned int>(cert.size()), &response, &responseLength, &revoked, &signer,
                                  &signerLength);
    };
    const std::string ocspHeader = "HTTP/1.0 200 OK\r\nContent-Type: application/ocsp-response\r\n";
    // A well-formed start of a response (a SEQUENCE of 256 bytes), then a byte a second.
    HttpTestServer trickling(trickle(ocspHeader + "\r\n" + std::string("\x30\x82\x01\x00", 4)));
    EXPECT_EQ(CRLSSL_OCSP_TIMEOUT, check(trickling.base() + "/"));
    HttpTestServer quiet(silent, false);
    EXPECT_EQ(CRLSSL_OCSP_TIMEOUT, check(quiet.base() + "/"));
    // Over the limit by the response's own DER length, and by the HTTP Content-Length.
    HttpTestServer flooding(flood(ocspHeader + "\r\n" + std::string("\x30\x84\x10\x00\x00\x00", 6)));
    EXPECT_EQ(CRLSSL_OCSP_TOO_LARGE, check(flooding.base() + "/"));
    HttpTestServer announced(flood(ocspHeader + "Content-Length: 268435456\r\n\r\n"));
    EXPECT_EQ(CRLSSL_OCSP_TOO_LARGE, check(announced.base() + "/"));
    // An answer that is no DER at all is neither: the general failure.
    HttpTestServer garbage(flood(ocspHeader + "\r\n"));
    EXPECT_EQ(CRLSSL_OCSP_FAILED, check(garbage.base() + "/"));

    // The validation report names the reason of the missing status.
    const std::string pki = std::string(VN_BINARY_DIR) + "/pki/";
    const std::string make = "openssl cms -sign -binary -nodetach -outform DER -in '" + pki + "chain.pem' -signer '" +
                             pki + "signer-rsa2048.pem' -inkey '" + pki + "signer-rsa2048.key' -out '" +
                             dir.file("s.p7s") + "' 2>/dev/null";
    ASSERT_EQ(0, std::system(make.c_str()));
    const std::string sig = readFile(dir.file("s.p7s"));
    auto reasonOf = [&](const std::string& responder) {
        CVerifyOptions o;
        o.sig = reinterpret_cast<const unsigned char*>(sig.data());
        o.sigLen = sig.size();
        o.flags |= VERIFY_FLAG_REVOCATION;
        o.crlFlags = VERIFY_CRL_OCSP;
        o.crlSource = responder;
        o.caFile = pki + "chain.pem";
        CValidationReport report;
        const unsigned int rc = CVerifyMsg::Validate(o, report);
        EXPECT_EQ(VERIFY_OCSP_FAILED, rc) << responder;
        EXPECT_EQ(VN_INDETERMINATE, report.indication) << responder;
        if (report.signers.size() != 1 || report.signers[0].revocation.size() != 1)
            return std::string("(no single revocation check)");
        EXPECT_EQ("unavailable", report.signers[0].revocation[0].status);
        return report.signers[0].revocation[0].reason;
    };
    EXPECT_EQ(0u, reasonOf(trickling.base() + "/").rfind("timeout", 0));
    EXPECT_EQ(0u, reasonOf(flooding.base() + "/").rfind("too large", 0));

    // Through a proxy: one that trickles its answer to CONNECT, and one that never answers,
    // end at the same deadline with the same code as a responder that does so; a proxy that
    // refuses the tunnel at once is the general failure.
    HttpTestServer proxy(trickle("HTTP/1.0 200 Connection established\r\nX-Slow: "));
    CCrlSSL::setProxy(true, proxy.hostPort(), "", "", "vn-test");
    EXPECT_EQ(CRLSSL_OCSP_TIMEOUT, check("http://127.0.0.1:1/"));
    HttpTestServer quietProxy(silent, false);
    CCrlSSL::setProxy(true, quietProxy.hostPort(), "", "", "vn-test");
    EXPECT_EQ(CRLSSL_OCSP_TIMEOUT, check("http://127.0.0.1:1/"));
    HttpTestServer refusing(
        [](HttpTestServer&, int fd, const std::string&) { sendText(fd, "HTTP/1.0 403 Forbidden\r\n\r\n"); });
    CCrlSSL::setProxy(true, refusing.hostPort(), "", "", "vn-test");
    EXPECT_EQ(CRLSSL_OCSP_FAILED, check("http://127.0.0.1:1/"));
}

namespace {

// `openssl s_server -WWW` on a free port of 127.0.0.1, serving the files of its folder over
// TLS with a certificate of a test CA for the name "localhost"; stopped with the object.
class TlsServer {
public:
    explicit TlsServer(const TempDir& dir) : port_(freeLoopbackPort()) {
        const std::string d = dir.path();
        const std::string make =
            "cd '" + d +
            "' && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj /CN=Test-TLS-CA "
            "-keyout ca.key -out ca.pem -days 2 2>/dev/null"
            " && openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj /CN=localhost "
            "-keyout srv.key -out srv.csr 2>/dev/null"
            " && printf 'subjectAltName=DNS:localhost\\n' > ext.cnf"
            " && openssl x509 -req -in srv.csr -CA ca.pem -CAkey ca.key -set_serial 2 -days 2 -extfile ext.cnf "
            "-out srv.pem 2>/dev/null";
        if (std::system(make.c_str()) != 0)
            return;
        const std::string serve = "cd '" + d +
                                  "' && exec openssl s_server -quiet -WWW -accept 127.0.0.1:" + std::to_string(port_) +
                                  " -cert srv.pem -key srv.key >/dev/null 2>&1";
        pid_ = fork();
        if (pid_ == 0) {
            execl("/bin/sh", "sh", "-c", serve.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // Bounded wait until it accepts connections (20 s: the machine may be busy).
        for (int i = 0; i < 200 && !ready_; ++i) {
            ready_ = acceptsOnLoopback(port_);
            if (!ready_)
                sleepMs(100);
        }
    }
    ~TlsServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool ready() const { return ready_; }
    unsigned port() const { return port_; }

private:
    unsigned port_;
    pid_t pid_ = -1;
    bool ready_ = false;
};

// Sets SSL_CERT_FILE for one scope (OpenSSL's default trust store then is that file).
struct TrustFile {
    explicit TrustFile(const std::string& path) { setenv("SSL_CERT_FILE", path.c_str(), 1); }
    ~TrustFile() { unsetenv("SSL_CERT_FILE"); }
};

}  // namespace

TEST_F(PeerLimits, HttpsChecksTheCertificateAgainstTheTrustStoreAndTheName) {
    TempDir dir;
    dir.write("a.crl", "the CRL bytes");
    TlsServer server(dir);
    ASSERT_TRUE(server.ready());
    const std::string port = std::to_string(server.port());
    {
        TrustFile trust(dir.file("ca.pem"));
        Response ok(http_request(("https://localhost:" + port + "/a.crl").c_str(), nullptr, HTTP_METHOD_GET, 0));
        EXPECT_EQ('\0', ok.error_text[0]) << ok.error_text;
        EXPECT_EQ("the CRL bytes", ok.text());
        EXPECT_STREQ("200", ok.status);
        unsigned char* body = nullptr;
        unsigned int length = 0;
        ASSERT_EQ(0, CCrlSSL::ssl_get_from_uri(("https://localhost:" + port + "/a.crl").c_str(), &body, &length));
        EXPECT_EQ("the CRL bytes", std::string(reinterpret_cast<char*>(body), length));
        std::free(body);
        // The certificate names localhost, not the address.
        Response wrongName(http_request(("https://127.0.0.1:" + port + "/a.crl").c_str(), nullptr, HTTP_METHOD_GET, 0));
        EXPECT_NE(std::string::npos, std::string(wrongName.error_text).find("not accepted")) << wrongName.error_text;
        EXPECT_EQ(nullptr, wrongName.body);
    }
    // The test CA is in no trust store of the system.
    TrustFile systemStore("/etc/ssl/certs/ca-certificates.crt");
    Response untrusted(http_request(("https://localhost:" + port + "/a.crl").c_str(), nullptr, HTTP_METHOD_GET, 0));
    EXPECT_NE(std::string::npos, std::string(untrusted.error_text).find("not accepted")) << untrusted.error_text;
    // A server that does not speak TLS: the handshake fails and says so.
    HttpTestServer plain(answer(std::string(kHeader) + "plain"), false);
    Response noTls(
        http_request(("https://127.0.0.1:" + std::to_string(plain.port()) + "/").c_str(), nullptr, HTTP_METHOD_GET, 0));
    EXPECT_NE(std::string::npos, std::string(noTls.error_text).find("TLS")) << noTls.error_text;
}

namespace {

// Forwards TLS connections on a free port to a plain TCP port (both on 127.0.0.1), with the
// TLS server's certificate of TlsServer: an HTTPS front for `openssl ocsp -port`.
const char kTlsFront[] = R"(
import socket, ssl, sys, threading
cert, key, port, backend = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
ctx.load_cert_chain(cert, key)
srv = socket.create_server(("127.0.0.1", port))
srv.settimeout(60)
def pump(a, b):
    try:
        while True:
            d = a.recv(65536)
            if not d:
                break
            b.sendall(d)
    except OSError:
        pass
    for s in (a, b):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
for _ in range(8):
    c, _ = srv.accept()
    c.settimeout(30)
    try:
        t = ctx.wrap_socket(c, server_side=True)
    except (ssl.SSLError, OSError):
        c.close()
        continue
    u = socket.create_connection(("127.0.0.1", backend), timeout=30)
    threading.Thread(target=pump, args=(u, t), daemon=True).start()
    pump(t, u)
)";

pid_t spawn(const std::string& command, const std::string& output = "/dev/null") {
    const std::string line = "exec " + command + " >'" + output + "' 2>&1";
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// Waits (at most 20 s) until the file holds the text.
bool says(const std::string& path, const std::string& text) {
    for (int i = 0; i < 200; ++i) {
        if (readFile(path).find(text) != std::string::npos)
            return true;
        sleepMs(100);
    }
    return false;
}

bool accepting(unsigned port) {
    for (int i = 0; i < 200; ++i) {
        if (acceptsOnLoopback(port))
            return true;
        sleepMs(100);
    }
    return false;
}

struct Stop {
    pid_t pid;
    ~Stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

std::vector<unsigned char> derOf(const std::string& pem, const TempDir& dir, const std::string& name) {
    const std::string out = dir.file(name);
    if (std::system(("openssl x509 -in '" + pem + "' -outform DER -out '" + out + "'").c_str()) != 0)
        return {};
    const std::string der = readFile(out);
    return std::vector<unsigned char>(der.begin(), der.end());
}

}  // namespace

TEST_F(PeerLimits, OcspOverHttpsChecksTheResponderAndGetsItsAnswer) {
    TempDir dir;
    TlsServer names(dir);  // makes the test CA and the localhost certificate (serial 2)
    ASSERT_TRUE(names.ready());
    // The responder knows the localhost certificate as good and signs as its issuer.
    dir.write("index.txt", "V\t301231000000Z\t\t02\tunknown\t/CN=localhost\n");
    const unsigned ocspPort = freeLoopbackPort();
    Stop ocsp{spawn("openssl ocsp -index '" + dir.file("index.txt") + "' -port " + std::to_string(ocspPort) +
                        " -rsigner '" + dir.file("ca.pem") + "' -rkey '" + dir.file("ca.key") + "' -CA '" +
                        dir.file("ca.pem") + "' -nmin 5",
                    dir.file("ocsp.out"))};
    // Its output, not a probe: it serves one connection at a time, and an empty one holds it.
    ASSERT_TRUE(says(dir.file("ocsp.out"), "waiting for OCSP client connections")) << readFile(dir.file("ocsp.out"));
    dir.write("front.py", kTlsFront);
    const unsigned frontPort = freeLoopbackPort();
    Stop front{spawn("python3 '" + dir.file("front.py") + "' '" + dir.file("srv.pem") + "' '" + dir.file("srv.key") +
                     "' " + std::to_string(frontPort) + " " + std::to_string(ocspPort))};
    ASSERT_TRUE(accepting(frontPort));

    const std::vector<unsigned char> cert = derOf(dir.file("srv.pem"), dir, "srv.der");
    const std::vector<unsigned char> issuer = derOf(dir.file("ca.pem"), dir, "ca.der");
    ASSERT_FALSE(cert.empty());
    ASSERT_FALSE(issuer.empty());
    auto check = [&](const std::string& url) {
        unsigned char* response = nullptr;
        unsigned char* signer = nullptr;
        unsigned int responseLength = 0, signerLength = 0;
        time_t revoked = 0;
        const unsigned int rc = CCrlSSL::CheckOCSP(url.c_str(), cert.data(), static_cast<unsigned int>(cert.size()),
                                                   issuer.data(), static_cast<unsigned int>(issuer.size()), &response,
                                                   &responseLength, &revoked, &signer, &signerLength);
        OPENSSL_free(response);
        OPENSSL_free(signer);
        return rc;
    };
    CCrlSSL::setTimeout(20000);
    {
        TrustFile trust(dir.file("ca.pem"));
        EXPECT_EQ(0u, check("https://localhost:" + std::to_string(frontPort) + "/"));
        // The responder's certificate names localhost, not the address.
        EXPECT_EQ(CRLSSL_OCSP_FAILED, check("https://127.0.0.1:" + std::to_string(frontPort) + "/"));
    }
    // Without the test CA in the trust store the responder is not trusted.
    TrustFile systemStore("/etc/ssl/certs/ca-certificates.crt");
    EXPECT_EQ(CRLSSL_OCSP_FAILED, check("https://localhost:" + std::to_string(frontPort) + "/"));
}
