// The card-OS tests on the real PC/SC stack: pcscd with the vpcd reader driver and the
// card simulator program behind readers "Virtual PCD 00 00" and "Virtual PCD 00 01".
// A start puts the test's image into the first reader and the image of the next test
// in the list into the second, so that every other test finds its card already there.
// The stack is the program's own (its own pcscd, socket and vpcd ports).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "CardOsSim.h"
#include "cardsim/TestStack.h"

namespace cardostest {

const char* kReader = "Virtual PCD 00 00";

namespace {
// The images in the order the end-to-end tests use them.
const char* const kOrder[] = {"tcos20-telesec",      "tcos30-telesec",     "tcos30v2-esign",   "micardo21-dtrust",
                              "cardos43b-dtrust",    "cardos44-dtrust",    "cardos50-dtrust",  "cardos54-dtrust",
                              "starcos30-signtrust", "starcos32-medisign", "starcos34-dtrust", "starcos35-a",
                              "seccos5-sparkasse",   "setcos441-telia",    "setcos442-telia",  "smartcard-hsm"};
std::string g_loaded[2];  // images in the two readers of the running stack

// The program's stack state: TestStack points libpcsclite at its socket before main.
std::string stateDir() { return cardsim::TestStack::processStateDir(); }

std::string stackScript() { return std::string(VN_SOURCE_DIR) + "/tools/cardsim/pcsc-stack.sh"; }

int runStack(const std::string& arguments) {
    // Output to a file: the stack's background processes must not hold a pipe of ours.
    std::string cmd =
        stackScript() + " " + arguments + " --state " + stateDir() + " </dev/null >>" + stateDir() + ".log 2>&1";
    return std::system(cmd.c_str());
}
}  // namespace

void CardOsTest::SetUp() {
    if (access("/usr/sbin/pcscd", X_OK) != 0)
        GTEST_SKIP() << "pcscd is not installed";
}

namespace {
// Stops the stack when the program ends.
struct StackStopper {
    ~StackStopper() {
        if (!g_loaded[0].empty() || !g_loaded[1].empty()) {
            runStack("stop --clean");
            std::remove((stateDir() + ".log").c_str());
        }
    }
} g_stopper;

std::string imagePath(const std::string& name) {
    return std::string(VN_SOURCE_DIR) + "/tools/cardsim/images/" + name + ".card";
}
}  // namespace

void CardOsTest::TearDown() {
    if (HasFailure()) {
        std::string reader = kReader[sizeof("Virtual PCD 00 0") - 1] == '1' ? "1" : "0";
        std::ifstream t(stateDir() + "/transcript" + reader + ".log");
        std::string line;
        int n = 0;
        while (std::getline(t, line) && n++ < 60)
            std::printf("  %s\n", line.substr(0, 140).c_str());
        runStack("stop");  // the next test starts afresh
        g_loaded[0].clear();
        g_loaded[1].clear();
    }
}

std::shared_ptr<cardsim::Card> CardOsTest::insert(const std::string& image, bool, const std::string&) {
    for (int r = 0; r < 2; ++r)
        if (g_loaded[r] == image) {
            kReader = r == 0 ? "Virtual PCD 00 00" : "Virtual PCD 00 01";
            return nullptr;
        }
    std::string next;
    for (size_t i = 0; i + 1 < sizeof(kOrder) / sizeof(kOrder[0]); ++i)
        if (image == kOrder[i])
            next = kOrder[i + 1];
    std::string args = "start --image0 " + imagePath(image) + (next.empty() ? "" : " --image1 " + imagePath(next)) +
                       " --pki " + std::string(VN_BINARY_DIR) + "/pki --cardsim " + std::string(VN_BINARY_DIR) +
                       "/tools/cardsim/cardsim";
    EXPECT_EQ(runStack(args), 0) << "the PC/SC stack did not start, see " << stateDir() << ".log";
    g_loaded[0] = image;
    g_loaded[1] = next;
    kReader = "Virtual PCD 00 00";
    return nullptr;
}

std::vector<pcscsim::Call> CardOsTest::controls() { return {}; }

}  // namespace cardostest
