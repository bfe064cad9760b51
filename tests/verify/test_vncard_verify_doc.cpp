// vncard verify-doc as a separate process: result bits by name, JSON, exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "Peers.h"

namespace {

struct ToolRun {
    int code = -1;
    std::string out;
};

ToolRun vncard(const std::string& args) {
    ToolRun r;
    const std::string cmd = std::string(VN_BINARY_DIR) + "/tools/vncard/vncard verify-doc " + args + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr)
        return r;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), p)) > 0)
        r.out.append(buffer, n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

TEST(VncardVerifyDoc, PrintsEachFailureByNameAndExitsNonZero) {
    unsetenv("http_proxy");
    RunPki pki;
    CrlHttpServer http;
    TempDir dir;
    OcspResponder ocsp(pki, pki.ca + "/ocsp.pem", std::string(VN_VERIFY_KEYS) + "/ocsp.key", dir, "ocsp");
    ASSERT_NE(0u, ocsp.port());
    ASSERT_TRUE(pki.make(http.port(), ocsp.port()));
    const std::string content = " --content " + pki.at("content.txt");
    const std::string ca = " --ca-file " + pki.caFile();

    ToolRun good = vncard("--sig " + pki.at("good.p7s") + content + ca + " --time 2025-01-01T00:00:00Z");
    EXPECT_EQ(0, good.code);
    EXPECT_EQ(0u, good.out.find("result: 0x00000000\n  all checks passed\nindication: TOTAL_PASSED\n")) << good.out;

    ToolRun attached = vncard("--sig " + pki.at("good-attached.p7s") + " --ca-dir " + pki.caDir() + " --json");
    EXPECT_EQ(0, attached.code);
    EXPECT_NE(std::string::npos, attached.out.find("\"result\":\"0x00000000\"")) << attached.out;
    EXPECT_NE(std::string::npos, attached.out.find("\"valid\":true"));

    ToolRun expired = vncard("--sig " + pki.at("expired.p7s") + content + ca + " --time 2025-01-01T00:00:00Z");
    EXPECT_EQ(1, expired.code);
    EXPECT_NE(std::string::npos, expired.out.find("result: 0x8000C000\n"));
    EXPECT_NE(std::string::npos, expired.out.find("  chain-invalid "));
    EXPECT_NE(std::string::npos, expired.out.find("  signer-not-valid "));

    ToolRun revoked = vncard("--sig " + pki.at("revoked.p7s") + content + ca + " --revocation ocsp --source " +
                             ocsp.url() + " --time 2025-01-01T00:00:00Z --json --timeout 5");
    EXPECT_EQ(1, revoked.code);
    EXPECT_NE(std::string::npos, revoked.out.find("\"failures\":[\"revoked\"]")) << revoked.out;
    EXPECT_NE(std::string::npos, revoked.out.find("\"result\":\"0x80000004\""));

    ToolRun chain =
        vncard("--sig " + pki.at("chain.p7s") + content + ca + " --model chain --time 2024-01-01T00:00:00Z");
    EXPECT_EQ(0, chain.code) << chain.out;
    ToolRun shell =
        vncard("--sig " + pki.at("chain.p7s") + content + ca + " --model shell --time 2024-01-01T00:00:00Z");
    EXPECT_EQ(1, shell.code);

    ToolRun stranger = vncard("--sig " + pki.at("stranger.p7s") + content + ca);
    EXPECT_EQ(1, stranger.code);
    EXPECT_NE(std::string::npos, stranger.out.find("  issuer-not-trusted "));

    EXPECT_EQ(2, vncard("--sig " + pki.at("good.p7s") + " --revocation carrier-pigeon").code);
    EXPECT_EQ(2, vncard("--sig " + pki.at("good.p7s") + " --time yesterday").code);
    EXPECT_EQ(2, vncard(content).code);
}

}  // namespace
