// sign-doc and show-sig as their users meet them: every check that needs no card comes
// before the PIN, each failure has its exit code and one message (JSON "ok":false), and
// large documents stay within the memory goal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cardsim/TestStack.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../../infra/HttpTestServer.h"

#include "VncardRun.h"

namespace {

using namespace vn_vncard_test;

std::string tmp(const std::string& name) { return "/tmp/vn-signdoc-" + std::to_string(getpid()) + "-" + name; }

Result sh(const std::string& line, const std::string& input = "") { return runShell(tmp(""), line, input); }

Result tool(const std::string& args, const std::string& input = "") { return sh(vncard() + " " + args, input); }

std::string p12Sign(const std::string& more) {
    return "sign-doc --p12 " + pki("signer-rsa2048.p12") + " --pin-from stdin " + more;
}

bool cmsVerifies(const std::string& sig, const std::string& content = "") {
    return sh("openssl cms -verify -binary -inform DER -in " + sig + " -CAfile " + pki("chain.pem") +
              " -out /dev/null" + (content.empty() ? "" : " -content " + content))
               .code == 0;
}

// Number of certificates in DER signed data, as openssl lists them.
int certificateCount(const std::string& sig) {
    const Result r = sh("openssl pkcs7 -inform DER -in " + sig + " -print_certs -noout");
    int n = 0;
    for (size_t at = r.out.find("subject="); at != std::string::npos; at = r.out.find("subject=", at + 1))
        ++n;
    return n;
}

int countStartingWith(cardsim::TestStack& stack, const std::string& prefix) {
    int n = 0;
    for (const auto& e : stack.exchanges(0))
        n += hexOf(e.command).rfind(prefix, 0) == 0;
    return n;
}

// Runs vncard with the arguments as its own process and returns its exit code and the
// peak resident memory it used in KiB (getrusage of the child).
int peakKiB(const std::vector<std::string>& args, const std::string& stdinText, long& kib) {
    std::ofstream(tmp("rin")) << stdinText;
    std::vector<std::string> argv{vncard()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& a : argv)
        raw.push_back(&a[0]);
    raw.push_back(nullptr);
    const std::string in = tmp("rin");
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(in.c_str(), O_RDONLY);
        const int null = open("/dev/null", O_WRONLY);
        dup2(fd, 0);
        dup2(null, 1);
        dup2(null, 2);
        execv(raw[0], raw.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return -1;
    kib = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const char kPassword[] = "123456\n";

}  // namespace

TEST(VncardSignDoc, BadCommandLinesAndFilesAreToldBeforeThePassword) {
    const std::string doc = tmp("doc.txt");
    std::ofstream(doc) << "a document\n";
    // No password on standard input: each of these must fail before one is asked for.
    struct Bad {
        std::string args;
        int code;
        const char* text;
    };
    const std::vector<Bad> cases = {
        {"--in " + doc + " --tsa not-an-address", 2, "is not an address"},
        {"--in " + doc + " --tsa http://", 2, "is not an address"},
        {"--in " + doc + " --tsa http://127.0.0.1:99999/", 2, "is not an address"},
        {"--in " + doc + " --out " + doc, 2, "the same file"},
        {"--in " + tmp("missing.txt"), 1, "cannot read"},
        {"--in " + doc + " --out /nonexistent-dir/x.p7s", 1, "/nonexistent-dir"},
        {"--in " + doc + " --chain " + tmp("missing.pem"), 2, "cannot read --chain"},
        {"--in " + doc + " --timeout 0", 2, "timeout"},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.args);
        Result r = tool(p12Sign(c.args + " --json"));
        EXPECT_EQ(c.code, r.code) << r.out << r.err;
        EXPECT_TRUE(contains(r.out, "\"ok\":false")) << r.out;
        EXPECT_TRUE(contains(r.out, c.text)) << r.out;
        EXPECT_FALSE(contains(r.err, "password")) << r.err;
    }

    // The PKCS#12 file: missing, not PKCS#12, wrong password.
    Result r = tool("sign-doc --in " + doc + " --p12 " + tmp("none.p12") + " --pin-from stdin", kPassword);
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(contains(r.err, "cannot read --p12")) << r.err;
    EXPECT_TRUE(contains(r.err, "No such file")) << r.err;
    r = tool("sign-doc --in " + doc + " --p12 " + doc + " --pin-from stdin --out " + tmp("x.p7s"), kPassword);
    EXPECT_EQ(1, r.code);
    EXPECT_TRUE(contains(r.err, "is not a PKCS#12 file")) << r.err;
    r = tool(p12Sign("--in " + doc + " --json --out " + tmp("x.p7s")), "wrong\n");
    EXPECT_EQ(5, r.code) << r.out;
    EXPECT_TRUE(contains(r.out, "\"ok\":false")) << r.out;
    EXPECT_TRUE(contains(r.out, "wrong password")) << r.out;
    EXPECT_EQ(std::string::npos, r.err.find("Error")) << r.err;
}

TEST(VncardSignDoc, EmptyDocumentsChainsAndShowSigAnswers) {
    // An empty document is signed, detached and attached, as openssl does.
    const std::string empty = tmp("empty.txt");
    std::ofstream(empty).flush();
    Result r = tool(p12Sign("--in " + empty + " --out " + tmp("empty.p7s")), kPassword);
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_TRUE(cmsVerifies(tmp("empty.p7s"), empty));
    r = tool(p12Sign("--in " + empty + " --attach --out " + tmp("empty-a.p7s")), kPassword);
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_TRUE(cmsVerifies(tmp("empty-a.p7s")));

    // --chain with the signer, a CA twice and the PKCS#12 file's own CAs: each once.
    const std::string doc = tmp("doc.txt");
    std::ofstream(doc) << "a document\n";
    sh("cat " + pki("signer-rsa2048.pem") + " " + pki("issuing-ca.pem") + " " + pki("issuing-ca.pem") + " " +
       pki("root-ca.pem") + " > " + tmp("chain.pem"));
    r = tool(p12Sign("--in " + doc + " --chain " + tmp("chain.pem") + " --out " + tmp("chain.p7s")), kPassword);
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ(3, certificateCount(tmp("chain.p7s")));
    EXPECT_TRUE(cmsVerifies(tmp("chain.p7s"), doc));

    // show-sig: attached content is told by its length; broken files exit 1.
    r = tool(p12Sign("--in " + doc + " --attach --out " + tmp("att.p7s")), kPassword);
    ASSERT_EQ(0, r.code) << r.err;
    r = tool("show-sig --json --in " + tmp("att.p7s"));
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_TRUE(contains(r.out, "\"detached\":false,\"contentLength\":11")) << r.out;
    const std::string good = slurp(tmp("att.p7s"));
    std::vector<std::string> broken = {good.substr(0, good.size() - 1), good + std::string("\0", 1),
                                       good.substr(0, good.size() / 2), "not a signature", ""};
    std::string lengthChanged = good;
    lengthChanged[1] = static_cast<char>(lengthChanged[1] ^ 0x01);
    broken.push_back(lengthChanged);
    for (size_t i = 0; i < broken.size(); ++i) {
        SCOPED_TRACE(i);
        std::ofstream(tmp("bad.p7s"), std::ios::binary) << broken[i];
        r = tool("show-sig --json --in " + tmp("bad.p7s"));
        EXPECT_EQ(1, r.code) << r.out;
        EXPECT_TRUE(contains(r.out, "\"ok\":false")) << r.out;
    }

    // Mutants of the detached signature: whatever openssl refuses to read, show-sig refuses too.
    r = tool(p12Sign("--in " + doc + " --out " + tmp("det.p7s")), kPassword);
    ASSERT_EQ(0, r.code) << r.err;
    const std::string detached = slurp(tmp("det.p7s"));
    int refused = 0;
    for (size_t at = 0; at < detached.size(); at += detached.size() / 60 + 1) {
        std::string mutant = detached;
        mutant[at] = static_cast<char>(mutant[at] ^ (at % 2 ? 0x80 : 0x01));
        std::ofstream(tmp("mut.p7s"), std::ios::binary) << mutant;
        if (sh("openssl cms -cmsout -inform DER -in " + tmp("mut.p7s") + " -out /dev/null").code == 0)
            continue;
        ++refused;
        SCOPED_TRACE(at);
        EXPECT_EQ(1, tool("show-sig --in " + tmp("mut.p7s")).code);
    }
    EXPECT_GT(refused, 0);
}

TEST(VncardSignDoc, TimestampFailuresSayWhyInTextAndJson) {
    const std::string doc = tmp("doc.txt");
    std::ofstream(doc) << "a document\n";
    HttpTestServer refusing(answer("HTTP/1.0 503 Service Unavailable\r\n\r\nbusy"));
    Result r =
        tool(p12Sign("--in " + doc + " --json --out " + tmp("ts.p7s") + " --tsa " + refusing.base() + "/"), kPassword);
    EXPECT_EQ(1, r.code);
    EXPECT_TRUE(contains(r.out, "\"ok\":false")) << r.out;
    EXPECT_TRUE(contains(r.out, "HTTP 503 Service Unavailable")) << r.out;
    EXPECT_TRUE(contains(r.out, "\"timestampReason\":\"http-status\"")) << r.out;
    EXPECT_NE(0, access(tmp("ts.p7s").c_str(), F_OK));

    // A silent service and --timeout: the exchange ends at the limit and says so.
    HttpTestServer silent([](HttpTestServer& s, int, const std::string&) { s.waitForStop(40000); });
    r = tool(p12Sign("--in " + doc + " --timeout 2 --out " + tmp("ts.p7s") + " --tsa " + silent.base() + "/"),
             kPassword);
    EXPECT_EQ(1, r.code);
    EXPECT_TRUE(contains(r.err, "did not answer in time")) << r.err;
}

TEST(VncardSignDoc, CardChecksComeBeforeThePinAndAPulledCardIsNoCard) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-a";
    o.image1 = "cardos50-dtrust";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    const std::string doc = tmp("card.txt");
    std::ofstream(doc) << "a card document\n";
    const std::string pin = "123456\n";

    // Bound to fail without the card: no VERIFY reaches it.
    stack.mark(0);
    for (const std::string& bad : {std::string("--out ") + doc, std::string("--tsa http//x"),
                                   std::string("--out /nonexistent-dir/x.p7s"), std::string("--chain ") + tmp("no")}) {
        Result r = tool("sign-doc --reader 0 --pin-from stdin --in " + doc + " " + bad, pin);
        EXPECT_NE(0, r.code) << bad;
    }
    EXPECT_EQ(0, countStartingWith(stack, "002000")) << "a PIN reached the card";

    // A hash the card does not sign with: refused before the PIN, naming what it signs with.
    Result r = tool("sign-doc --reader 1 --algo sha512 --pin-from stdin --in " + doc + " --out " + tmp("c.p7s"), pin);
    EXPECT_EQ(1, r.code);
    EXPECT_TRUE(contains(r.err, "does not sign with sha512; it signs with")) << r.err;
    EXPECT_TRUE(contains(r.err, "sha256")) << r.err;

    // A good run, then the card pulled at the VERIFY and at the signature: no card (exit 3).
    stack.mark(0);
    r = tool("sign-doc --reader 0 --pin-from stdin --in " + doc + " --out " + tmp("c.p7s"), pin);
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_TRUE(cmsVerifies(tmp("c.p7s"), doc));
    std::vector<std::string> commands;
    for (const auto& e : stack.exchanges(0))
        commands.push_back(hexOf(e.command));
    auto at = [&](const std::string& prefix) {
        for (size_t i = 0; i < commands.size(); ++i)
            if (commands[i].rfind(prefix, 0) == 0)
                return i + 1;
        return size_t(0);
    };
    const size_t verify = at("002000"), sign = at("002A9E9A");
    ASSERT_NE(0u, verify);
    ASSERT_NE(0u, sign);
    for (size_t position : {verify, sign}) {
        SCOPED_TRACE(position);
        stack.mark(0);
        stack.fault(0, "+" + std::to_string(position) + ":drop");
        r = tool("sign-doc --json --reader 0 --pin-from stdin --in " + doc + " --out " + tmp("d.p7s"), pin);
        EXPECT_EQ(3, r.code) << r.out;
        EXPECT_TRUE(contains(r.out, "\"ok\":false")) << r.out;
        stack.insert(0, "starcos35-a");
    }
}

TEST(VncardSignDoc, LargeDocumentsStayWithinTheMemoryGoal) {
#ifdef VN_SANITIZED_BUILD
    GTEST_SKIP() << "peak memory is measured in the ordinary build: ASan's shadow memory and quarantine add to it";
#endif
    // 256 MiB of document (a sparse file: the reads are real, the disk stays free).
    const std::string big = tmp("big.bin");
    const off_t size = off_t(256) << 20;
    const int fd = open(big.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, ftruncate(fd, size));
    close(fd);
    const long goalKiB = 32 * 1024;
    long kib = 0;
    EXPECT_EQ(0, peakKiB({"sign-doc", "--p12", pki("signer-rsa2048.p12"), "--pin-from", "stdin", "--in", big, "--out",
                          tmp("big.p7s")},
                         kPassword, kib));
    EXPECT_LE(kib, goalKiB) << "detached signing of 256 MiB";
    EXPECT_EQ(0, peakKiB({"sign-doc", "--p12", pki("signer-rsa2048.p12"), "--pin-from", "stdin", "--in", big, "--out",
                          tmp("big-a.p7s"), "--attach"},
                         kPassword, kib));
    EXPECT_LE(kib, goalKiB + (size >> 10)) << "attached signing of 256 MiB";
    EXPECT_EQ(0, peakKiB({"show-sig", "--in", tmp("big-a.p7s")}, "", kib));
    EXPECT_LE(kib, goalKiB + (size >> 10)) << "show-sig of 256 MiB attached";
    // The same as PEM: written and read piece by piece (the goal counts the PEM file's size).
    EXPECT_EQ(0, peakKiB({"sign-doc", "--p12", pki("signer-rsa2048.p12"), "--pin-from", "stdin", "--in", big, "--out",
                          tmp("big-a.pem"), "--attach", "--format", "pem"},
                         kPassword, kib));
    EXPECT_LE(kib, goalKiB + (size >> 10)) << "attached signing of 256 MiB as PEM";
    struct stat pem;
    ASSERT_EQ(0, stat(tmp("big-a.pem").c_str(), &pem));
    EXPECT_EQ(0, peakKiB({"show-sig", "--in", tmp("big-a.pem")}, "", kib));
    EXPECT_LE(kib, goalKiB + (pem.st_size >> 10)) << "show-sig of 256 MiB attached as PEM";
    const Result shown = tool("show-sig --in " + tmp("big-a.pem"));
    EXPECT_EQ(0, shown.code) << shown.err;
    EXPECT_TRUE(contains(shown.out, "attached (268435456 bytes)")) << shown.out;
    EXPECT_TRUE(cmsVerifies(tmp("big.p7s"), big));
    unlink(big.c_str());
    unlink(tmp("big.p7s").c_str());
    unlink(tmp("big-a.p7s").c_str());
    unlink(tmp("big-a.pem").c_str());
}

TEST(VncardSignDoc, VerifyDocOfALargeAttachedSignatureStaysWithinTheMemoryGoal) {
#ifdef VN_SANITIZED_BUILD
    GTEST_SKIP() << "peak memory is measured in the ordinary build: ASan's shadow memory and quarantine add to it";
#endif
    // 256 MiB of sparse document, signed with its content attached.
    const std::string big = tmp("vbig.bin"), sig = tmp("vbig-a.p7s");
    const off_t size = off_t(256) << 20;
    const int fd = open(big.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, ftruncate(fd, size));
    close(fd);
    long kib = 0;
    ASSERT_EQ(0, peakKiB({"sign-doc", "--p12", pki("signer-rsa2048.p12"), "--pin-from", "stdin", "--in", big, "--out",
                          sig, "--attach"},
                         kPassword, kib));
    unlink(big.c_str());
    const long goalKiB = 32 * 1024;
    EXPECT_EQ(0, peakKiB({"verify-doc", "--sig", sig, "--ca-file", pki("chain.pem")}, "", kib));
    EXPECT_LE(kib, goalKiB + (size >> 10)) << "verify-doc of 256 MiB attached";
    Result r = tool("verify-doc --json --sig " + sig + " --ca-file " + pki("chain.pem"));
    EXPECT_EQ(0, r.code) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "\"indication\":\"TOTAL_PASSED\"")) << r.out;

    // One byte changed in the middle of the content: the chunks read from the file are the
    // ones hashed, so the digest no longer matches.
    const int rw = open(sig.c_str(), O_WRONLY);
    ASSERT_GE(rw, 0);
    ASSERT_EQ(1, pwrite(rw, "x", 1, size / 2));
    close(rw);
    r = tool("verify-doc --json --sig " + sig + " --ca-file " + pki("chain.pem"));
    EXPECT_EQ(1, r.code) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "\"indication\":\"TOTAL_FAILED\"")) << r.out;
    EXPECT_TRUE(contains(r.out, "HASH_FAILURE")) << r.out;
    unlink(sig.c_str());
}
