// Reader enumeration, card recognition and the feature request on the in-process PC/SC.
#include <gtest/gtest.h>

#include <pcscsim/Simulator.h>
#include <memory>

#include "AtrList.h"
#include "Reader.h"
#include "SC_Profile.h"
#include "ScPcsc.h"
#include "card/TestCardOs.h"
#include "cardapp/ProfileCache.h"

using Bytes = std::vector<uint8_t>;

namespace {
std::shared_ptr<cardsim::Card> cardWithAtr(const std::string& atr) {
    return std::shared_ptr<cardsim::Card>(cardsim::Card::fromText("[card]\ndialect = iso\natr = " + atr + "\n"));
}

std::string rowAtr(int row) {
    std::string s = ATRlist[row].atr;
    for (auto& c : s)
        if (c == ',')
            c = ' ';
    return s;
}

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        pcscsim::reset();
        vn_profile_cache::clear();
    }
    void TearDown() override {
        EXPECT_EQ(pcscsim::openContexts(), 0u);
        EXPECT_EQ(pcscsim::outstandingAllocations(), 0u);
        pcscsim::reset();
        vn_profile_cache::clear();
    }
};
}  // namespace

TEST_F(ReaderTest, ReadersAreListedInOrderAndAnEmptyReaderHasNoCard) {
    pcscsim::addReader("Reader A 00 00");
    pcscsim::addReader("Reader B 00 01");
    pcscsim::insertCard("Reader A 00 00", cardWithAtr("3B D2 18 00 81 31 FE 58 C9 04 11"));
    CReader reader;
    ASSERT_EQ(reader.GetReaderNum(), 2);
    EXPECT_EQ(reader.GetReaderName(0), "Reader A 00 00");
    EXPECT_EQ(reader.GetReaderName(1), "Reader B 00 01");
    EXPECT_EQ(reader.GetReaderName(2), "");
    EXPECT_EQ(reader.GetReaderName(-1), "");
    EXPECT_EQ(reader.GetReaderIndex("Reader B 00 01"), 1);
    EXPECT_EQ(reader.GetReaderIndex("Reader C"), -1);
    EXPECT_EQ(reader.GetReaderATR(0), "3B:D2:18:00:81:31:FE:58:C9:04:11");
    EXPECT_TRUE(reader.isCard(0));
    EXPECT_EQ(reader.GetCardType(0), 17);
    EXPECT_EQ(reader.GetReaderATR(1), "---");
    EXPECT_FALSE(reader.isCard(1));
    EXPECT_EQ(reader.GetCardType(1), -1);
    EXPECT_EQ(reader.ReadSCProfile(1), nullptr);
    EXPECT_EQ(reader.GetBaseProfile(), nullptr);
    // indexes out of range answer as an empty reader
    EXPECT_EQ(reader.GetReaderATR(5), "---");
    EXPECT_EQ(reader.GetCardType(-3), -1);
    EXPECT_FALSE(reader.hasPinPad(7));
    // a recognised card gets its card-OS object and its application profile (the caller owns both)
    CSC_ProfileHandle profile(reader.ReadSCProfile(0));
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(profile->m_card, reader.GetBaseProfile());
}

TEST_F(ReaderTest, EveryAtrRowIsRecognisedInEitherReader) {
    pcscsim::addReader("Reader A");
    pcscsim::addReader("Reader B");
    for (int row = 0; row < ATRLIST_ROWS - 1; ++row) {
        pcscsim::insertCard("Reader A", cardWithAtr(rowAtr(row)));
        pcscsim::insertCard("Reader B", cardWithAtr(rowAtr(row)));
        {
            CReader reader;
            EXPECT_EQ(reader.GetCardType(0), ATRlist[row].cardType) << ATRlist[row].cardName;
            EXPECT_EQ(reader.GetCardType(1), ATRlist[row].cardType) << ATRlist[row].cardName;
        }
        pcscsim::removeCard("Reader A");
        pcscsim::removeCard("Reader B");
    }
}

TEST_F(ReaderTest, MaskedAtrsOfStarcos35AndSeccos) {
    pcscsim::addReader("R");
    struct Case {
        const char* atr;
        int type;
    } cases[] = {
        {"3B DE 96 FF 81 31 FE 45 80 5F 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E", 14},
        {"3B DE 96 FF 81 31 FE 45 80 5F 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D", 0},
        {"3B FF 77 00 FF 81 31 FE 45 65 63 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E", 6},
        {"3B FF 77 00 FF 81 31 FE 45 65 64 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E", 0},
    };
    for (const auto& c : cases) {
        pcscsim::insertCard("R", cardWithAtr(c.atr));
        CReader reader;
        EXPECT_EQ(reader.GetCardType(0), c.type) << c.atr;
        pcscsim::removeCard("R");
    }
}

TEST_F(ReaderTest, ReaderThatVanishesOrNoServiceGivesEmptyAnswers) {
    pcscsim::addReader("Gone");
    pcscsim::insertCard("Gone", cardWithAtr("3B D2 18 00 81 31 FE 58 C9 01 14"));
    {
        CReader reader;
        ASSERT_EQ(reader.GetReaderNum(), 1);
        pcscsim::removeReader("Gone");
        EXPECT_EQ(reader.GetReaderATR(0), "---");
        EXPECT_EQ(reader.GetCardType(0), -1);
        EXPECT_FALSE(reader.hasPinPad(0));
    }
    pcscsim::setServiceRunning(false);
    CReader none;
    EXPECT_EQ(none.GetReaderNum(), 0);
    EXPECT_EQ(none.GetReaderName(0), "");
    EXPECT_EQ(none.GetReaderATR(0), "---");
}

TEST_F(ReaderTest, FeatureRequestFindsControlCodes) {
    pcscsim::addReader("Pad", pcscsim::pinPadReader());
    pcscsim::addReader("Plain", pcscsim::plainReader());
    pcscsim::ReaderOptions refusing = pcscsim::plainReader();
    refusing.controlSupported = false;
    pcscsim::addReader("NoControl", refusing);
    for (const char* r : {"Pad", "Plain", "NoControl"})
        pcscsim::insertCard(r, cardWithAtr("3B D2 18 00 81 31 FE 58 C9 01 14"));
    CReader reader;
    EXPECT_TRUE(reader.hasPinPad(0));
    EXPECT_TRUE(reader.hasPinPad(1));  // well formed, no PIN feature
    EXPECT_FALSE(reader.hasPinPad(2));

    CTestCardOs card;
    ASSERT_EQ(card.connectCard("Pad", 0), 0);
    pcscsim::clearCalls();
    EXPECT_TRUE(card.readerPCSC_Part10());
    auto calls = pcscsim::calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].kind, pcscsim::Call::Kind::Control);
    EXPECT_EQ(calls[0].controlCode, 0x42000D48UL);
    EXPECT_TRUE(calls[0].input.empty());
    const CSC_Pcsc* p = card.getPcsc();
    EXPECT_EQ(p->getVerifyStartIoctl(), pcscsim::featureCode(0x01));
    EXPECT_EQ(p->getVerifyFinishIoctl(), pcscsim::featureCode(0x02));
    EXPECT_EQ(p->getModifyStartIoctl(), pcscsim::featureCode(0x03));
    EXPECT_EQ(p->getModifyFinishIoctl(), pcscsim::featureCode(0x04));
    EXPECT_EQ(p->getKeyIoctl(), pcscsim::featureCode(0x05));
    EXPECT_EQ(p->getVerifyDirectIoctl(), pcscsim::featureCode(0x06));
    EXPECT_EQ(p->getModifyDirectIoctl(), pcscsim::featureCode(0x07));
    EXPECT_EQ(card.GetReaderName(), "Pad");
}

TEST_F(ReaderTest, MalformedFeatureAnswersGiveNoPinPad) {
    const Bytes answers[] = {
        Bytes{0x06, 0x04, 0x42, 0x00, 0x0D},                                // not a multiple of 6
        Bytes{0x06, 0x02, 0x42, 0x00, 0x0D, 0xAE},                          // entry length 2
        Bytes{0x06, 0x04, 0x42, 0x00, 0x0D, 0xAE, 0x01, 0x05, 1, 2, 3, 4},  // second entry length 5
        Bytes(300, 0x06),                                                   // longer than the buffer
    };
    int i = 0;
    for (const auto& a : answers) {
        pcscsim::ReaderOptions o = pcscsim::plainReader();
        o.featureAnswer = a;
        std::string name = "Odd " + std::to_string(i++);
        pcscsim::addReader(name, o);
        pcscsim::insertCard(name, cardWithAtr("3B D2 18 00 81 31 FE 58 C9 01 14"));
    }
    CReader reader;
    for (int r = 0; r < 4; ++r)
        EXPECT_FALSE(reader.hasPinPad(r)) << r;
}
