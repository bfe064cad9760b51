// The card-OS tests on the real PC/SC stack: pcscd with the vpcd reader driver and the
// card simulator program behind reader "Virtual PCD 00 00". Each test starts the stack
// with its image (the stack script holds the machine-wide pcscd lock) and stops it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "CardOsSim.h"

namespace cardostest {

const char* kReader = "Virtual PCD 00 00";

namespace {
std::string stateDir() { return std::string(VN_BINARY_DIR) + "/cardos-stack-" + std::to_string(getpid()); }

std::string stackScript() { return std::string(VN_SOURCE_DIR) + "/tools/cardsim/pcsc-stack.sh"; }

int runStack(const std::string& arguments) {
    // Output to a file: the stack's background processes must not hold a pipe of ours.
    std::string cmd = stackScript() + " " + arguments + " --state " + stateDir() + " </dev/null >>" + stateDir() +
                      ".log 2>&1";
    return std::system(cmd.c_str());
}
}  // namespace

void CardOsTest::SetUp() {
    if (access("/usr/sbin/pcscd", X_OK) != 0)
        GTEST_SKIP() << "pcscd is not installed";
}

void CardOsTest::TearDown() {
    if (HasFailure()) {
        std::ifstream t(stateDir() + "/transcript0.log");
        std::string line;
        int n = 0;
        while (std::getline(t, line) && n++ < 60)
            std::printf("  %s\n", line.substr(0, 140).c_str());
    }
    runStack("stop");
}

std::shared_ptr<cardsim::Card> CardOsTest::insert(const std::string& image, bool, const std::string&) {
    std::string args = "start --image0 " + std::string(VN_SOURCE_DIR) + "/tools/cardsim/images/" + image +
                       ".card --pki " + std::string(VN_BINARY_DIR) + "/pki --cardsim " +
                       std::string(VN_BINARY_DIR) + "/tools/cardsim/cardsim";
    EXPECT_EQ(runStack(args), 0) << "the PC/SC stack did not start, see " << stateDir() << ".log";
    return nullptr;
}

std::vector<pcscsim::Call> CardOsTest::controls() { return {}; }

}  // namespace cardostest
