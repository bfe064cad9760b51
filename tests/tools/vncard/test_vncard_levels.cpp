// CAdES baseline levels with a card key (simulated STARCOS 3.5 on the real PC/SC stack):
// sign-doc --level and extend against the build PKI's own CRL and OCSP addresses, served on
// 127.0.0.1 by `python3 -m http.server` and `openssl ocsp`, with the local timestamp
// service; every result judged by `openssl cms -verify` and verify-doc with the peers down.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cardsim/TestStack.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "../../infra/HttpTestServer.h"

#include "VncardRun.h"

namespace {

using namespace vn_vncard_test;

// The addresses the build PKI's certificates name.
const unsigned kCrlPort = 18080;
const unsigned kOcspPort = 18081;
const int kStartMs = 15000;
const int kExitUsage = 2;

std::string tmp(const std::string& name) { return "/tmp/vn-levels-" + std::to_string(getpid()) + "-" + name; }

Result sh(const std::string& line, const std::string& input = "") { return runShell(tmp(""), line, input); }

Result tool(const std::string& args, const std::string& input = "") { return sh(vncard() + " " + args, input); }

bool cmsVerifies(const std::string& sig, const std::string& content) {
    return sh("openssl cms -verify -binary -inform DER -in " + sig + " -CAfile " + pki("chain.pem") +
              " -out /dev/null -content " + content)
               .code == 0;
}

// A child process stopped by its pid.
class Child {
public:
    Child(const std::vector<std::string>& argv, const std::string& out) {
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            FILE* f = freopen(out.c_str(), "w", stdout);
            if (f)
                dup2(fileno(stdout), 2);
            execvp(args[0], args.data());
            _exit(127);
        }
    }
    ~Child() { stop(); }
    bool running() { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
    void stop() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

bool waitFor(unsigned port, Child& c) {
    for (int i = 0; i < kStartMs / 50; ++i) {
        if (!c.running())
            return false;
        if (acceptsOnLoopback(port))
            return true;
        sleepMs(50);
    }
    return false;
}

TEST(VncardLevels, CardKeySignsAtEveryLevelAndExtendsToLtaThatValidatesWithThePeersDown) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-a";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    const std::string doc = tmp("doc.txt");
    std::ofstream(doc) << "a document for the long term\n";
    const std::string pin = "123456\n";

    const std::string www = tmp("www");
    ASSERT_EQ(0, sh("mkdir -p " + www + " && cp " + pki("root-ca.crl") + " " + pki("issuing-ca.crl") + " " + www).code);
    auto http = std::make_unique<Child>(std::vector<std::string>{"python3", "-m", "http.server", "--bind", "127.0.0.1",
                                                                 "--directory", www, std::to_string(kCrlPort)},
                                        tmp("http.out"));
    auto ocsp = std::make_unique<Child>(
        std::vector<std::string>{"openssl", "ocsp", "-port", std::to_string(kOcspPort), "-index",
                                 pki("ca/issuing-index.txt"), "-CA", pki("issuing-ca.pem"), "-rsigner", pki("ocsp.pem"),
                                 "-rkey", pki("ocsp.key")},
        tmp("ocsp.out"));
    const std::string portFile = tmp("tsa.port");
    auto tsa = std::make_unique<Child>(
        std::vector<std::string>{"python3", std::string(VN_SOURCE_DIR) + "/tools/tsa/tsa-server.py", "--pki",
                                 std::string(VN_BINARY_DIR) + "/pki", "--port", "0", "--port-file", portFile,
                                 "--lifetime", "600"},
        tmp("tsa.out"));
    ASSERT_TRUE(waitFor(kCrlPort, *http)) << slurp(tmp("http.out"));
    for (int i = 0; i < kStartMs / 50 && slurp(tmp("ocsp.out")).find("ACCEPT") == std::string::npos; ++i)
        sleepMs(50);
    ASSERT_NE(std::string::npos, slurp(tmp("ocsp.out")).find("ACCEPT")) << slurp(tmp("ocsp.out"));
    for (int i = 0; i < kStartMs / 50 && slurp(portFile).empty(); ++i)
        sleepMs(50);
    ASSERT_FALSE(slurp(portFile).empty()) << slurp(tmp("tsa.out"));
    const std::string tsaUrl = "http://127.0.0.1:" + std::to_string(std::atoi(slurp(portFile).c_str())) + "/";

    // B-T without a timestamp service is refused before the PIN.
    stack.mark(0);
    Result r = tool("sign-doc --reader 0 --pin-from stdin --level B-T --in " + doc + " --out " + tmp("x.p7s"), pin);
    EXPECT_EQ(kExitUsage, r.code) << r.err;
    EXPECT_TRUE(stack.exchanges(0).empty() || hexOf(stack.exchanges(0).back().command).rfind("002000", 0) != 0);

    for (const char* level : {"B-B", "B-T", "B-LT", "B-LTA"}) {
        const std::string out = tmp(std::string(level) + ".p7s");
        r = tool("sign-doc --reader 0 --pin-from stdin --json --level " + std::string(level) + " --in " + doc +
                     " --out " + out + " --tsa " + tsaUrl + " --ca-file " + pki("chain.pem"),
                 pin);
        ASSERT_EQ(0, r.code) << level << ": " << r.err << r.out;
        EXPECT_TRUE(contains(r.out, std::string("\"level\":\"") + level + "\"")) << r.out;
        EXPECT_TRUE(cmsVerifies(out, doc)) << level;
    }
    // The card's B-T signature extended to B-LTA by the tool.
    r = tool("extend --to B-LTA " + tmp("B-T.p7s") + " --out " + tmp("ext.p7s") + " --tsa " + tsaUrl + " --ca-file " +
             pki("chain.pem") + " --content " + doc + " --json");
    ASSERT_EQ(0, r.code) << r.err << r.out;
    EXPECT_TRUE(contains(r.out, "\"levelBefore\":\"B-T\"")) << r.out;
    EXPECT_TRUE(contains(r.out, "\"level\":\"B-LTA\"")) << r.out;
    EXPECT_TRUE(cmsVerifies(tmp("ext.p7s"), doc));

    // Every peer down: B-LT, B-LTA and the extended one still validate; B-T cannot.
    http.reset();
    ocsp.reset();
    tsa.reset();
    for (const std::string& sig : {tmp("B-LT.p7s"), tmp("B-LTA.p7s"), tmp("ext.p7s")}) {
        r = tool("verify-doc --json --sig " + sig + " --content " + doc + " --ca-file " + pki("root-ca.pem") +
                 " --revocation dp --timeout 10");
        EXPECT_EQ(0, r.code) << sig << ": " << r.out << r.err;
        EXPECT_TRUE(contains(r.out, "embedded-")) << r.out;
    }
    r = tool("verify-doc --json --sig " + tmp("B-T.p7s") + " --content " + doc + " --ca-file " + pki("root-ca.pem") +
             " --revocation dp --timeout 10");
    EXPECT_NE(0, r.code) << r.out;
    EXPECT_TRUE(contains(r.out, "\"level\":\"B-T\"")) << r.out;
    sh("rm -rf " + tmp("*"));
}

}  // namespace
