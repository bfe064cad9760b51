// pkcs11-tool with the module on every card-OS image that has keys: tokens, objects,
// a signature with every key and every sign mechanism the token offers, decipherment
// where the key deciphers, each result checked by openssl (tests/pkcs11/p11-try.py).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>

#include <cardsim/TestStack.h>

#include <cstdlib>
#include <fstream>
#include <ostream>
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
    bool everyRun;      // one image per card family; VN_ALL_IMAGES=1 runs them all
    const char* token;  // the token the other consumers use (a key that signs without a PIN
    const char* pin;    // of its own where the card has one), and its PIN
};

// Card images whose keys all sign through vncard and the module (every-image.txt), at
// least one per card family, with their tokens (PINs) and private keys.
// clang-format off
const Expectation kImages[] = {
    {"starcos35-a",           2, 2, true,  "Globale",       "123456"},
    {"starcos35-b",           2, 3, false, "Globale",       "123456"},
    {"cardos50-dtrust",       2, 2, true,  "Card",          "654321"},
    {"cardos54-dtrust",       2, 2, true,  "Card",          "654321"},
    {"cardos54-41-multi-ecc", 2, 2, false, "Signatur",      "123456"},
    {"cardos44-dtrust",       1, 1, false, "CardOS 4.4",    "12345678"},
    {"smartcard-hsm-layout",  1, 2, true,  "SmartCard HSM", "123456"},
    {"starcos30-signtrust",   2, 3, false, "Signatur",      "123456"},
    {"starcos32-medisign",    2, 3, false, "Signatur",      "123456"},
    {"starcos34-dtrust",      1, 1, false, "Starcos 3.4",   "123456"},
    {"tcos20-telesec",        1, 1, true,  "TCOS 2.0",      "123456"},
    {"tcos30v2-esign",        1, 1, true,  "TCOS 3.0v2",    "123456"},
    {"cardos43-quorvel",      2, 2, false, "Globale",       "87654321"},
    {"seccos-single",         2, 2, false, "CSA",           "654321"},
    {"setcos441-telia-ip2i",  2, 2, false, "Identifikation", "654321"},
    {"micardo21-dtrust",      1, 1, false, "Micardo 2.1",   "123456"},
    {"tcos2-quovadis",        2, 2, false, "Globale",       "654321"},
    {"tcos3v2",               2, 2, false, "Globale",       "654321"},
};
// clang-format on

// How gtest (and so CTest) names a case: by its image.
void PrintTo(const Expectation& e, std::ostream* os) { *os << e.image; }

bool allImages() {
    const char* all = std::getenv("VN_ALL_IMAGES");
    return all != nullptr && std::string(all) == "1";
}

std::vector<Expectation> imagesOfThisRun() {
    std::vector<Expectation> chosen;
    for (const Expectation& e : kImages)
        if (e.everyRun || allImages())
            chosen.push_back(e);
    return chosen;
}

std::string testName(const std::string& image) {
    std::string n = image;
    for (char& c : n)
        if (!isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return n;
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
    // pkcs11-tool's fork and thread tests do not depend on the card: one image runs
    // them (the thread test sleeps 30 s of its own), VN_ALL_IMAGES=1 every image.
    const bool threads = allImages() || e.image == std::string(kImages[0].image);
    Outcome r = sh(std::string(threads ? "P11_THREADS=1" : "P11_THREADS=0") + " python3 " + VN_SOURCE_DIR +
                   "/tests/pkcs11/p11-try.py " + VN_PKCS11_MODULE + " " + VN_SOURCE_DIR + "/tools/cardsim/images/" +
                   e.image + ".card " + work);
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
                         [](const ::testing::TestParamInfo<Expectation>& i) { return testName(i.param.image); });

namespace {

struct ConsumerCard {
    Expectation card;
    // NSS signs S/MIME only with a certificate for digital signatures, and the test
    // PKI's EC certificate is for non-repudiation alone: the card then carries a
    // certificate of the same key for both, issued by the test CA.
    bool digitalSignatureEc;
};

// One card of each card family, an EC card whose key signs without a PIN of its own (every
// consumer signs with it), and an EC card whose key asks for its PIN every time (below);
// VN_ALL_IMAGES=1 adds every image of the list.
const std::string kConsumerImages[] = {
    "starcos35-a", "cardos50-dtrust", "cardos43-quorvel", "smartcard-hsm-layout", "tcos20-telesec",  "tcos2-quovadis",
    "tcos3v2",     "tcos30v2-esign",  "seccos-single",    "setcos441-telia-ip2i", "micardo21-dtrust"};

std::vector<ConsumerCard> consumerCards() {
    std::vector<ConsumerCard> out;
    for (const Expectation& e : kImages) {
        const std::string image = e.image;
        if (image == "cardos54-41-multi-ecc")
            out.push_back({e, true});
        if (std::find(std::begin(kConsumerImages), std::end(kConsumerImages), image) != std::end(kConsumerImages) ||
            allImages())
            out.push_back({e, false});
    }
    return out;
}

// A copy of an image in the work folder in which the EC certificate is one for digital
// signatures and non-repudiation; the image's path.
std::string withDigitalSignatureEc(const std::string& image, const std::string& work) {
    const std::string pki = std::string(VN_BINARY_DIR) + "/pki/";
    std::ofstream(work + "/ds.cnf") << "[ds]\nkeyUsage = critical, digitalSignature, nonRepudiation\n"
                                       "extendedKeyUsage = emailProtection\n"
                                       "subjectAltName = email:ec-signer@example.test\n";
    Outcome made = sh("cd " + work + " && openssl req -new -key " + pki +
                      "signer-ec256.key -subj '/CN=EC Signer/O=vorncryptossl test' -out ds.csr && "
                      "openssl x509 -req -in ds.csr -CA " +
                      pki + "issuing-ca.pem -CAkey " + pki +
                      "issuing-ca.key -set_serial 0x5EC1 -days 3650 -extfile ds.cnf -extensions ds "
                      "-outform DER -out ds.der && "
                      "sed 's#^cert = signer-ec256.der#cert = " +
                      work + "/ds.der#' " + VN_SOURCE_DIR + "/tools/cardsim/images/" + image +
                      ".card >ds.card && grep -q ds.der ds.card");
    return made.code == 0 ? work + "/ds.card" : "";
}

void PrintTo(const ConsumerCard& c, std::ostream* os) {
    *os << c.card.image << (c.digitalSignatureEc ? " with a digital-signature EC certificate" : "");
}

class Consumers : public ::testing::TestWithParam<ConsumerCard> {};

}  // namespace

// GnuTLS, NSS, OpenSSL's engine, ssh and p11-kit with the module, each on the token
// of the PIN given.
TEST_P(Consumers, SignAndListWithTheModule) {
    const ConsumerCard& c = GetParam();
    const std::string work = "/tmp/vn-p11c-" + std::to_string(getpid()) + "-" + c.card.image;
    sh("mkdir -p " + work);
    cardsim::StackOptions o;
    o.image0 = c.digitalSignatureEc ? withDigitalSignatureEc(c.card.image, work) : c.card.image;
    ASSERT_FALSE(o.image0.empty());
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    Outcome r = sh(std::string("bash ") + VN_SOURCE_DIR + "/tests/pkcs11/consumers.sh " + VN_PKCS11_MODULE + " " +
                   VN_BINARY_DIR + " " + work + "/run " + c.card.pin + " '' '" + c.card.token + "'");
    sh("rm -rf " + work);
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out.find("FAIL"), std::string::npos) << r.out;
    if (c.digitalSignatureEc) {
        // Every consumer signed on the EC card: nothing was left out.
        EXPECT_EQ(r.out.find("SKIP"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("OK cmsutil -S"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("OK openssl cms -sign -engine pkcs11"), std::string::npos) << r.out;
    }
    std::ofstream(std::string(VN_BINARY_DIR) + "/pkcs11-consumers.txt", std::ios::app)
        << c.card.image << (c.digitalSignatureEc ? " (digital-signature EC certificate)" : "") << ": "
        << std::regex_replace(r.out, std::regex("\n"), "; ") << "\n";
}

INSTANTIATE_TEST_SUITE_P(Cards, Consumers, ::testing::ValuesIn(consumerCards()),
                         [](const ::testing::TestParamInfo<ConsumerCard>& i) {
                             return testName(i.param.card.image) + (i.param.digitalSignatureEc ? "_ds" : "");
                         });
