// The simulated TCOS 3.0 card's side of secure messaging when the terminal misbehaves,
// and the fault kinds that corrupt or zero an answer.
#include <unistd.h>

#include "CardTest.h"

using namespace cardsim_test;

TEST(TcosSecureMessagingCard, RefusesCommandsOutOfOrderAndDamagesAnswersOnRequest) {
    if (access((cardsim::defaultPkiDir() + "/rsa1024.key").c_str(), R_OK) != 0)
        GTEST_SKIP() << "the 1024-bit test key is made by the card tests' build";
    auto c = loadCard("tcos30-sm");
    const std::string mac = "8E080102030405060708";
    // No session: a protected command is refused before anything is checked.
    EXPECT_EQ(tx(*c,
                 "0C2A9E9A12"
                 "8103010203"
                 "970100" +
                     mac + "00"),
              "6882");
    EXPECT_EQ(tx(*c,
                 "0C2A9E9A000012"
                 "8103010203"
                 "970100" +
                     mac + "0000"),
              "6882");
    EXPECT_EQ(tx(*c,
                 "0088000008"
                 "0102030405060708"
                 "00"),
              "6700");  // challenge without serial
    EXPECT_EQ(tx(*c,
                 "0082000008"
                 "0102030405060708"
                 "00"),
              "6985");  // no INTERNAL AUTHENTICATE before
    EXPECT_EQ(tx(*c,
                 "002281A403"
                 "830101"),
              "6A80");  // not a key block
    // The card's block is a 1024-bit number enciphered for the maker key.
    std::string ia = tx(*c,
                        "0088000010"
                        "01020304050607086003000000654321"
                        "00");
    EXPECT_EQ(sw(ia), "9000");
    EXPECT_EQ(body(ia).size(), 256u);
    EXPECT_EQ(sw(tx(*c, "0084000008")), "9000");
    EXPECT_EQ(tx(*c, "0082000080" + std::string(256, '1') + "00"), "6300");  // not the maker's block
    EXPECT_EQ(tx(*c, "0082000080" + std::string(256, '1') + "00"), "6985");  // and the challenge is used up
    // Without the options, TCOS 3.0 knows no secure messaging.
    auto plain = loadCard("tcos30-telesec");
    EXPECT_EQ(tx(*plain,
                 "0C2A9E9A12"
                 "8103010203"
                 "970100" +
                     mac + "00"),
              "6882");

    // Faults: the data zeroed, one byte inverted (from the start or the end); status kept.
    EXPECT_EQ(tx(*c, "00A4020C022F02"), "9000");
    c->addFaultSpec("+1:zero,+2:corrupt=0,+3:corrupt=-1");
    EXPECT_EQ(tx(*c, "00B000000C"),
              "000000000000000000000000"
              "9000");
    EXPECT_EQ(tx(*c, "00B000000C"),
              "A50A80276003000000654321"
              "9000");
    EXPECT_EQ(tx(*c, "00B000000C"),
              "5A0A802760030000006543DE"
              "9000");
    EXPECT_EQ(tx(*c, "00B000000C"),
              "5A0A80276003000000654321"
              "9000");
    c->addFaultSpec("+1:corrupt=99");  // past the data: the answer stays
    EXPECT_EQ(tx(*c, "00B000000C"),
              "5A0A80276003000000654321"
              "9000");
    EXPECT_THROW(c->addFaultSpec("+1:corrupt=x"), std::invalid_argument);
    EXPECT_THROW(c->addFaultSpec("+1:zero,+2:bogus"), std::invalid_argument);
}
