// pkcs11-tool with the module on every card-OS image that has keys: tokens, objects,
// a signature with every key and every sign mechanism the token offers, decipherment
// where the key deciphers, each result checked by openssl (tests/pkcs11/p11-try.py).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cardsim/TestStack.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int code = -1;
    std::string out;
};

// In the sanitizer build the module needs the ASan runtime loaded first in every program
// that opens it. Those programs are not ours, so their own leaks are not counted there;
// the module's are, in the test program that calls it directly.
#ifdef VN_ASAN_RUNTIME
const std::string kForeignPrograms = "export LD_PRELOAD=" VN_ASAN_RUNTIME " ASAN_OPTIONS=detect_leaks=0; ";
#else
const std::string kForeignPrograms;
#endif

Outcome sh(const std::string& line) {
    std::string file = "/tmp/vn-p11-" + std::to_string(getpid()) + ".out";
    int status = system(("(" + kForeignPrograms + line + ") >" + file + " 2>&1").c_str());
    std::ifstream f(file);
    std::stringstream s;
    s << f.rdbuf();
    unlink(file.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, s.str()};
}

int field(const std::string& summary, const std::string& name) {
    std::smatch m;
    if (!std::regex_search(summary, m, std::regex(name + "=(\\d+)")))
        return -1;
    return std::stoi(m[1]);
}

struct Expectation {
    const char* image;
    int tokens;
    int keys;
    bool everyRun;  // one image per card family; VN_ALL_IMAGES=1 runs them all
};

// The card-OS images whose keys all sign through vncard (tools/cardsim/try-images.sh),
// with their tokens (PINs) and private keys. A whole run of pkcs11-tool takes one to
// three minutes per image on the simulated stack.
// clang-format off
const Expectation kImages[] = {
    {"starcos35-a",          2, 2, true},
    {"starcos35-b",          2, 3, false},
    {"cardos50-dtrust",      2, 2, true},
    {"cardos54-dtrust",      2, 2, true},
    {"cardos44-dtrust",      1, 1, false},
    {"smartcard-hsm-layout", 1, 2, true},
    {"starcos30-signtrust",  2, 3, false},
    {"starcos32-medisign",   2, 3, false},
    {"starcos34-dtrust",     1, 1, false},
    {"tcos20-telesec",       1, 1, true},
    {"tcos30v2-esign",       1, 1, true},
};
// clang-format on

std::vector<Expectation> imagesOfThisRun() {
    const char* all = std::getenv("VN_ALL_IMAGES");
    std::vector<Expectation> chosen;
    for (const Expectation& e : kImages)
        if (e.everyRun || (all != nullptr && std::string(all) == "1"))
            chosen.push_back(e);
    return chosen;
}

class Pkcs11Tool : public ::testing::TestWithParam<Expectation> {};

}  // namespace

TEST_P(Pkcs11Tool, SignsWithEveryKeyAndMechanismAndOpensslAgrees) {
    const Expectation& e = GetParam();
    cardsim::StackOptions o;
    o.image0 = e.image;
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    // Listing every object costs no more card commands than listing the certificates
    // with vncard (both start without a cached profile: separate processes).
    stack.mark(0);
    Outcome listed = sh(std::string(VN_BINARY_DIR) + "/tools/vncard/vncard certs --reader 0");
    ASSERT_EQ(listed.code, 0) << listed.out;
    const size_t vncardCommands = stack.commandCount(0);
    stack.mark(0);
    listed = sh(std::string("pkcs11-tool --module ") + VN_PKCS11_MODULE + " -O");
    ASSERT_EQ(listed.code, 0) << listed.out;
    const size_t moduleCommands = stack.commandCount(0);
    EXPECT_LE(moduleCommands, vncardCommands);
    std::ofstream(std::string(VN_BINARY_DIR) + "/pkcs11-counts.txt", std::ios::app)
        << e.image << " vncard-certs=" << vncardCommands << " pkcs11-tool-O=" << moduleCommands << "\n";

    const std::string work = "/tmp/vn-p11-" + std::to_string(getpid()) + "-" + e.image;
    Outcome r = sh(std::string("python3 ") + VN_SOURCE_DIR + "/tests/pkcs11/p11-try.py " + VN_PKCS11_MODULE + " " +
                   VN_SOURCE_DIR + "/tools/cardsim/images/" + e.image + ".card " + work);
    sh("rm -rf " + work);
    ASSERT_EQ(r.code, 0) << r.out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex("SUMMARY .*"))) << r.out;
    const std::string summary = m[0];
    EXPECT_EQ(field(summary, "failures"), 0) << r.out;
    EXPECT_EQ(field(summary, "tokens"), e.tokens) << r.out;
    EXPECT_EQ(field(summary, "keys"), e.keys) << r.out;
    EXPECT_GT(field(summary, "signatures"), 0) << r.out;
    EXPECT_EQ(field(summary, "verified"), field(summary, "signatures")) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Images, Pkcs11Tool, ::testing::ValuesIn(imagesOfThisRun()),
                         [](const ::testing::TestParamInfo<Expectation>& i) {
                             std::string n = i.param.image;
                             for (char& c : n)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return n;
                         });

namespace {
class Consumers : public ::testing::TestWithParam<const char*> {};
}  // namespace

// GnuTLS, NSS, OpenSSL's engine, ssh and p11-kit with the module on an RSA and an EC card.
TEST_P(Consumers, SignAndListWithTheModule) {
    cardsim::StackOptions o;
    o.image0 = GetParam();
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    const std::string work = "/tmp/vn-p11c-" + std::to_string(getpid()) + "-" + GetParam();
    Outcome r = sh(std::string("bash ") + VN_SOURCE_DIR + "/tests/pkcs11/consumers.sh " + VN_PKCS11_MODULE + " " +
                   VN_BINARY_DIR + " " + work + " 123456");
    sh("rm -rf " + work);
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out.find("FAIL"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Cards, Consumers, ::testing::Values("smartcard-hsm-layout", "tcos30v2-esign"),
                         [](const ::testing::TestParamInfo<const char*>& i) {
                             std::string n = i.param;
                             for (char& c : n)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return n;
                         });
