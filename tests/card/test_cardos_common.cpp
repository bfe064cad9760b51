// The card-OS tests on the in-process PC/SC service, and the building blocks without a card.
#include "CardOsSim.h"

#include <cstdio>
#include <ios>

#include "card/IsoCommands.h"
#include "card/PinBlocks.h"
#include "card/cardos/CardOsFamily.h"
#include "card/starcos/StarcosFamily.h"

namespace cardostest {

const char* kReader = "Sim Reader 00";

void CardOsTest::SetUp() { pcscsim::reset(); }

void CardOsTest::TearDown() {
    if (HasFailure() && m_card) {
        for (const auto& e : m_card->transcript())
            if (e.kind == cardsim::Exchange::Kind::Apdu)
                std::printf("  > %s\n  < %s\n", cardsim::toHex(e.command).c_str(), cardsim::toHex(e.response).c_str());
    }
    m_card.reset();
    pcscsim::reset();
}

std::shared_ptr<cardsim::Card> CardOsTest::insert(const std::string& image, bool pinPad,
                                                  const std::string& systemName) {
    pcscsim::ReaderOptions o = pinPad ? pcscsim::pinPadReader() : pcscsim::plainReader();
    o.systemName = systemName;
    pcscsim::addReader(kReader, o);
    std::string path = std::string(VN_SOURCE_DIR) + "/tools/cardsim/images/" + image + ".card";
    m_card = std::shared_ptr<cardsim::Card>(cardsim::Card::fromFile(path, std::string(VN_BINARY_DIR) + "/pki"));
    pcscsim::insertCard(kReader, m_card);
    return m_card;
}

std::vector<pcscsim::Call> CardOsTest::controls() {
    std::vector<pcscsim::Call> out;
    for (auto& call : pcscsim::calls())
        if (call.kind == pcscsim::Call::Kind::Control)
            out.push_back(call);
    return out;
}

}  // namespace cardostest

// The building blocks without a card.
using namespace vn_cardos;

TEST(CardOsBlocks, Format2BlockPacksDigitsWithFillerForOddAndEvenLengths) {
    unsigned char b[8];
    ASSERT_TRUE(format2Block(reinterpret_cast<const unsigned char*>("123456"), 6, b));
    EXPECT_EQ(cardostest::hexOf(b, 8), "26123456FFFFFFFF");
    ASSERT_TRUE(format2Block(reinterpret_cast<const unsigned char*>("12345"), 5, b));
    EXPECT_EQ(cardostest::hexOf(b, 8), "2512345FFFFFFFFF");
    ASSERT_TRUE(format2Block(reinterpret_cast<const unsigned char*>("12345678901234"), 14, b));
    EXPECT_EQ(cardostest::hexOf(b, 8), "2E12345678901234");
    EXPECT_FALSE(format2Block(reinterpret_cast<const unsigned char*>("12a456"), 6, b));
    EXPECT_FALSE(format2Block(reinterpret_cast<const unsigned char*>("123456789012345"), 15, b));
    EXPECT_FALSE(format2Block(reinterpret_cast<const unsigned char*>(""), 0, b));
}

TEST(CardOsBlocks, FcpSizeReadsTag80AndIgnoresTruncatedTemplates) {
    Bytes fcp = cardostest::hex("620E 8002 0123 8201 01 8302 C000 8A01 05");
    EXPECT_EQ(fcpFileSize(fcp.data(), static_cast<unsigned>(fcp.size()), false), 0x0123);
    Bytes fci = cardostest::hex("6F08 8102 0200 8302 C000");
    EXPECT_EQ(fcpFileSize(fci.data(), static_cast<unsigned>(fci.size()), false), 0);
    EXPECT_EQ(fcpFileSize(fci.data(), static_cast<unsigned>(fci.size()), true), 0x200);
    Bytes cut = cardostest::hex("6210 8004 0000 01");  // the size object runs past the answer
    EXPECT_EQ(fcpFileSize(cut.data(), static_cast<unsigned>(cut.size()), false), 0);
}

TEST(CardOsBlocks, HashReferenceFollowsTheAlgorithmTests) {
    EXPECT_EQ(hashRef(0x8004), 0x10);
    EXPECT_EQ(hashRef(0x8007), 0x20);
    EXPECT_EQ(hashRef(0x800C), 0x30);
    EXPECT_EQ(hashRef(0x800D), 0x40);
    EXPECT_EQ(hashRef(0x800E), 0x50);
    EXPECT_EQ(hashRef(0x1800C), 0x30);
}

TEST(CardOsBlocks, StatusTablesKnowEachWordOnceAndCountTheTriesLeft) {
    for (size_t i = 0; i < kIsoStatusRows; ++i) {
        EXPECT_STRNE(kIsoStatus[i].text, "") << std::hex << kIsoStatus[i].status;
        for (size_t j = i + 1; j < kIsoStatusRows; ++j)
            EXPECT_NE(kIsoStatus[i].status, kIsoStatus[j].status) << std::hex << kIsoStatus[i].status;
    }
    // A map's own rows win over the ISO table; words it does not take from it fail.
    EXPECT_STREQ(statusText(kSwVerificationFailed), "verification failed");
    EXPECT_STREQ(statusText(kSwVerificationFailed, &kBaseStatus), "verification failed (no tries given)");
    EXPECT_EQ(mapStatus(kSwVerificationFailed, kBaseStatus), kCardReferenceUnusable);
    EXPECT_STREQ(statusText(sw(0x12, 0x34)), "");
    int tries = 0;
    EXPECT_EQ(starcosResult(sw(0x63, 0xC2), true, tries), kCardFailed);
    EXPECT_EQ(tries, 2);
    EXPECT_EQ(starcosResult(kSwSecurityNotSatisfied, false, tries), kCardFailed);
    EXPECT_EQ(tries, -1);
    EXPECT_EQ(cardosResult(kSwConditionsNotSatisfied, tries), kCardFailed);
}
