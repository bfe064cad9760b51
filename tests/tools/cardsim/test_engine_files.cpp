// File selection, reading and writing, transport rules and malformed commands.
#include <random>

#include "CardTest.h"

using namespace cardsim_test;
using cardsim::Protocol;

namespace {

std::unique_ptr<cardsim::Card> isoCard(Protocol p) {
    auto c = loadCard("iso-t0");
    c->setProtocol(p);
    return c;
}

}  // namespace

TEST(EngineSelect, SelectsByFidPathAidAndParentAndAnswersTheFcp) {
    auto c = isoCard(Protocol::T1);
    EXPECT_EQ(tx(*c, "00A4000C023F00"), "9000");
    EXPECT_EQ(tx(*c, "00A4000402010100"),
              "62118002000A82010183020101880108"
              "8A01059000");
    EXPECT_EQ(sw(tx(*c, "00A40000023F0000")), "9000");
    EXPECT_EQ(tx(*c, "00A40000023F0000").substr(0, 2), "6F");  // FCI template

    EXPECT_EQ(tx(*c, "00A4040C06F0564F524E01"), "9000");  // full AID
    EXPECT_EQ(tx(*c, "00A4020C02C000"), "9000");
    EXPECT_EQ(tx(*c, "00B0000002"), "30829000");
    EXPECT_EQ(tx(*c, "00A4040C05F0564F524E"), "9000");  // truncated AID
    EXPECT_EQ(tx(*c, "00A4030C"), "9000");              // parent of DF 5000 is the MF
    EXPECT_EQ(tx(*c, "00A4020C020101"), "9000");
    EXPECT_EQ(tx(*c, "00A4080C045000C000"), "9000");  // path from the MF
    EXPECT_EQ(tx(*c, "00A4000C023F00"), "9000");
    EXPECT_EQ(tx(*c, "00A4090C045000C000"), "9000");  // path from the current DF

    EXPECT_EQ(tx(*c, "00A4000C021234"), "6A82");
    EXPECT_EQ(tx(*c, "00A4010C020101"), "6A82");  // an EF is not a DF
    EXPECT_EQ(tx(*c, "00A4020C025000"), "6A82");  // a DF is not an EF
    EXPECT_EQ(tx(*c, "00A4040C03010203"), "6A82");
    EXPECT_EQ(tx(*c, "00A40F0C023F00"), "6A86");
    EXPECT_EQ(tx(*c, "00A400FC023F00"), "6A86");
    EXPECT_EQ(tx(*c, "00A4010C03010203"), "6700");
    EXPECT_EQ(tx(*c, "00A4080C03500000"), "6700");  // odd path length
}

TEST(EngineRead, ReadBinaryHonoursOffsetsLengthsSfiAndFileKinds) {
    auto c = isoCard(Protocol::T1);
    EXPECT_EQ(tx(*c, "00A4020C020101"), "9000");
    EXPECT_EQ(tx(*c, "00B0000005"), "68656C6C6F9000");
    EXPECT_EQ(tx(*c, "00B0000604"), "636172649000");
    EXPECT_EQ(tx(*c, "00B000060A"), "636172646282");  // end of file before Le bytes
    EXPECT_EQ(tx(*c, "00B0000B01"), "6B00");
    EXPECT_EQ(tx(*c, "00B0000000"), "68656C6C6F20636172649000");  // Le 00: what there is
    EXPECT_EQ(tx(*c, "00B0000001AA"), "6700");
    // Odd instruction: offset in a 54 object, answer in a 53 object.
    EXPECT_EQ(tx(*c, "00B10000045402000600"), "5304636172649000");
    EXPECT_EQ(tx(*c,
                 "00B10101035401"
                 "0000"),
              "530A68656C6C6F20636172649000");
    EXPECT_EQ(tx(*c, "00B100000453020006"), "6A80");

    EXPECT_EQ(tx(*c, "00A4000C023F00"), "9000");
    EXPECT_EQ(tx(*c, "00B0000001"), "6986");        // no current EF
    EXPECT_EQ(tx(*c, "00B0810003"), "68656C9000");  // short file identifier 1
    EXPECT_EQ(tx(*c, "00B0850003"), "6A82");

    EXPECT_EQ(tx(*c, "00A4020C020104"), "9000");
    EXPECT_EQ(tx(*c, "00B0000001"), "6981");  // record file
    EXPECT_EQ(tx(*c, "00B2020400"), "040506079000");
    EXPECT_EQ(tx(*c, "00B2030400"), "089000");
    EXPECT_EQ(tx(*c, "00B2040400"), "6A83");
    EXPECT_EQ(tx(*c, "00B2020402"), "04056282");
    EXPECT_EQ(tx(*c, "00B2020500"), "6A86");

    EXPECT_EQ(tx(*c, "00A4020C020103"), "9000");
    EXPECT_EQ(tx(*c, "00B0000002"), "6982");  // needs external authentication
}

TEST(EngineUpdate, UpdateBinaryNeedsItsPinAndStaysInsideTheFile) {
    auto c = isoCard(Protocol::T1);
    EXPECT_EQ(tx(*c, "00A4020C020102"), "9000");
    EXPECT_EQ(tx(*c, "00D6000002AABB"), "6982");
    EXPECT_EQ(tx(*c, "002000010431323334"), "9000");
    EXPECT_EQ(tx(*c, "00D6000102AABB"), "9000");
    EXPECT_EQ(tx(*c, "00B0000008"), "00AABB00000000009000");
    EXPECT_EQ(tx(*c, "00D6000702AABB"), "6A84");
    EXPECT_EQ(tx(*c, "00D6000901AA"), "6B00");
    EXPECT_EQ(tx(*c, "00D60000"), "6700");
    EXPECT_EQ(cardsim::toHex(c->fileContents("3F00/0102")), "00AABB0000000000");
    EXPECT_EQ(tx(*c, "00A4020C020104"), "9000");
    EXPECT_EQ(tx(*c, "00D6000001AA"), "6981");
}

TEST(EngineTransport, T0AnswersWith61xxAndGetResponseAnd6Cxx) {
    auto c = isoCard(Protocol::T0);
    ASSERT_EQ(c->protocol(), Protocol::T0);  // from the ATR
    EXPECT_EQ(tx(*c, "00A40004023F00"), "610C");
    EXPECT_EQ(tx(*c, "00C0000005"), "620A8201386107");
    EXPECT_EQ(tx(*c, "00C0000007"), "83023F008A01059000");
    EXPECT_EQ(tx(*c, "00C0000007"), "6985");  // nothing left
    EXPECT_EQ(tx(*c, "00A40004023F0000"), "610C");
    EXPECT_EQ(tx(*c, "00C0000020"), "6C0C");
    EXPECT_EQ(tx(*c, "00C000000C"), "620A82013883023F008A01059000");
    EXPECT_EQ(tx(*c, "00A4000C020101"), "9000");
    EXPECT_EQ(tx(*c, "00B0000020"), "6C0A");  // wrong Le: the card names the right one
    EXPECT_EQ(tx(*c, "00B000000A"), "68656C6C6F20636172649000");
    EXPECT_EQ(tx(*c, "00B00000000000"), "6700");  // no extended lengths under T=0
}

TEST(EngineTransport, T1AnswersDirectlyWithExtendedLengthsAndLongAnswersInPieces) {
    auto c = isoCard(Protocol::T1);
    EXPECT_EQ(tx(*c, "00A4080C045000C000"), "9000");
    std::string all = tx(*c, "00B00000000000");
    EXPECT_EQ(sw(all), "9000");
    EXPECT_EQ(body(all), cardsim::toHex(c->fileContents("3F00/5000/C000")));
    EXPECT_EQ(body(all).size(), 2400u);
    EXPECT_EQ(body(tx(*c, "00B0000000")).size(), 512u);
    // An answer longer than Le comes in pieces with 61xx.
    std::string first = tx(*c, "00A40004023F0002");
    EXPECT_EQ(first, "620A610A");
    EXPECT_EQ(tx(*c, "00C0000000"), "82013883023F008A01059000");
}

TEST(EngineBadInput, MalformedCommandsGetTheStatusWordsOfACard) {
    auto c = isoCard(Protocol::T1);
    EXPECT_EQ(tx(*c, "00A4"), "6700");
    EXPECT_EQ(tx(*c, "00B0000000FF"), "6700");
    EXPECT_EQ(tx(*c, "00A4000C053F00"), "6700");
    EXPECT_EQ(tx(*c, "00A4000C0000033F00"), "6700");  // extended Lc that does not match
    EXPECT_EQ(tx(*c, "00000000"), "6D00");
    EXPECT_EQ(tx(*c, "00600000"), "6D00");
    EXPECT_EQ(tx(*c, "FFA40000"), "6E00");
    EXPECT_EQ(tx(*c, "80B0000001"), "6E00");  // proprietary class of another card
    EXPECT_EQ(tx(*c, "20B0000001"), "6E00");
    EXPECT_EQ(tx(*c, "0CB0000001"), "6882");  // secure messaging
    EXPECT_EQ(tx(*c, "01B0000001"), "6881");  // logical channel
    EXPECT_EQ(tx(*c, "00A4FF0C023F00"), "6A86");
    EXPECT_EQ(tx(*c, "0084000108"), "6A86");
    EXPECT_EQ(tx(*c, "00840000"), "6700");
    // Command chaining: another instruction in the middle of a chain.
    EXPECT_EQ(tx(*c, "102A9E9A02AABB"), "9000");
    EXPECT_EQ(tx(*c, "00B0000001"), "6883");
}

TEST(EngineBadInput, RandomCommandsNeverBreakTheCard) {
    auto c = isoCard(Protocol::T1);
    std::mt19937 rng(7);
    const uint8_t ins[] = {0xA4, 0xB0, 0xB1, 0xB2, 0xD6, 0xDC, 0x20, 0x24,
                           0x2C, 0x22, 0x2A, 0x88, 0x82, 0xCA, 0x84, 0xC0};
    for (int i = 0; i < 3000; ++i) {
        Bytes apdu(rng() % 24);
        for (auto& b : apdu)
            b = static_cast<uint8_t>(rng());
        if (apdu.size() > 1)
            apdu[1] = ins[rng() % sizeof ins];
        if (apdu.size() > 0 && rng() % 2)
            apdu[0] = 0x00;
        Bytes r = c->transmit(apdu);
        ASSERT_GE(r.size(), 2u) << cardsim::toHex(apdu);
    }
    EXPECT_EQ(tx(*c, "00A4000C023F00"), "9000");
}
