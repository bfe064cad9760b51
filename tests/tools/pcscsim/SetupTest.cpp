// Readers from a setup text, and the preloaded simulator under a program that
// knows only libpcsclite.
#include "SimFixture.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>

using namespace simtest;

TEST_F(SimTest, SetupTextMakesReadersWithPinPadCardAndKeys) {
    pcscsim::loadSetup(R"(
# two readers
reader Sim Pinpad 00 00
  pinpad
  system usb:1234/5678
  card starcos35-a
  keys 12\b3456\r\e
reader Sim Plain 01 00
)");
    EXPECT_EQ(pcscsim::readers(), (std::vector<std::string>{"Sim Pinpad 00 00", "Sim Plain 01 00"}));
    EXPECT_EQ(pcscsim::pendingKeys("Sim Pinpad 00 00"), std::string("12\b3456\r\x1b"));
    ASSERT_NE(pcscsim::cardIn("Sim Pinpad 00 00"), nullptr);
    EXPECT_EQ(pcscsim::cardIn("Sim Pinpad 00 00")->dialectName(), "starcos35");
    EXPECT_EQ(pcscsim::cardIn("Sim Plain 01 00"), nullptr);

    EXPECT_THROW(pcscsim::loadSetup("pinpad\n"), std::invalid_argument);
    EXPECT_THROW(pcscsim::loadSetup("reader X\n  keys 12\\q\n"), std::invalid_argument);
    EXPECT_THROW(pcscsim::loadSetup("reader X\n  colour blue\n"), std::invalid_argument);
    EXPECT_THROW(pcscsim::loadSetup("reader Sim Plain 01 00\n"), std::invalid_argument);  // exists already
}

TEST_F(SimTest, PreloadedSimulatorServesAProgramLinkedWithPcscliteOnly) {
    const std::string setup = ::testing::TempDir() + "pcscsim-preload-setup.txt";
    std::ofstream(setup) << "reader Preloaded Pinpad 00 00\n  pinpad\n  card iso-t0\nreader Preloaded Plain 01 00\n";
    // ASan wants its runtime first among the loaded objects; the preload comes before it.
    const std::string command = std::string("ASAN_OPTIONS=verify_asan_link_order=0 PCSCSIM_SETUP=") + setup +
                                " LD_PRELOAD=" + PCSCSIM_PRELOAD_LIBRARY + " " + PCSCSIM_LIST_PROGRAM;
    FILE* out = popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, out))
        text += buffer;
    const int status = pclose(out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
    EXPECT_EQ(text, "Preloaded Pinpad 00 00|8\nPreloaded Plain 01 00|0\n");
    std::remove(setup.c_str());
}
