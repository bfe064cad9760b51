// The card command layer on a simulated card: exact command bytes, the directory
// cache, chunked reads, records, GET CHALLENGE and PIN commands.
#include <gtest/gtest.h>

#include <cstring>

#include "CardBench.h"
#include "CardImages.h"
#include "TestCardOs.h"

// The same tests run on both benches; the suite names tell the programs apart.
#ifdef VN_CARD_BENCH_STACK
#define CardCommands CardCommandsStack
#define CardCommandsT0 CardCommandsT0Stack
#else
#define CardCommands CardCommandsInproc
#define CardCommandsT0 CardCommandsT0Inproc
#endif

namespace {
class CardCommands : public ::testing::Test {
protected:
    void open(const std::string& image = isoImage()) {
        bench = makeBench(image);
        if (!bench->ready())
            GTEST_SKIP() << "card bench not available";
        card = std::make_unique<CTestCardOs>();
        ASSERT_EQ(card->connectCard(bench->reader(), 0), 0);
        bench->clear();
    }
    void SetUp() override { open(); }
    std::vector<std::string> sent() {
        std::vector<std::string> out;
        for (const auto& c : bench->commands())
            out.push_back(hexText(c));
        return out;
    }
    std::unique_ptr<CardBench> bench;
    std::unique_ptr<CTestCardOs> card;
};

using Strings = std::vector<std::string>;
}  // namespace

TEST_F(CardCommands, EveryApduFormIsLaidOutAsDocumented) {
    unsigned char data[3] = {0xC0, 0x01, 0x02};
    card->FormatAPDU(0, 0x00, 0xB0, 0x00, 0x00, 5, 0, nullptr, 0);
    EXPECT_TRUE(card->SendToCard());
    card->FormatAPDU(1, 0x00, 0x70, 0x00, 0x00, 0, 0, nullptr, 0);
    EXPECT_TRUE(card->SendToCard());
    card->FormatAPDU(2, 0x00, 0xCA, 0x01, 0x81, 7, 0x10, nullptr, 0);
    EXPECT_TRUE(card->SendToCard());
    card->FormatAPDU(3, 0x00, 0x84, 0x00, 0x00, 8, 0, nullptr, 0);
    EXPECT_TRUE(card->SendToCard());
    card->FormatAPDU(4, 0x00, 0xB2, 0x01, 0x04, 0, 0, nullptr, 0);
    EXPECT_TRUE(card->SendToCard());
    card->FormatAPDU(5, 0x00, 0xA4, 0x02, 0x04, 2, 0x00, data, 2);
    EXPECT_TRUE(card->SendToCard());
    card->FormatAPDU(6, 0x00, 0xD6, 0x00, 0x00, 3, 0, data, 3);
    EXPECT_TRUE(card->SendToCard());
    card->FormatAPDU(7, 0x00, 0x2A, 0x80, 0x86, 3, 0x0000, data, 3);
    EXPECT_TRUE(card->SendToCard());
    EXPECT_EQ(sent(), (Strings{"00B0000005", "00700000", "00CA018110", "0084000008", "00B2010400", "00A4020402C00100",
                               "00D6000003C00102", "002A8086000003C001020000"}));
    // Unknown forms and data shorter than Lc are never sent.
    bench->clear();
    card->FormatAPDU(8, 0x00, 0xB0, 0x00, 0x00, 0, 0, nullptr, 0);
    EXPECT_FALSE(card->SendToCard());
    card->FormatAPDU(6, 0x00, 0xD6, 0x00, 0x00, 40, 0, data, 3);
    EXPECT_FALSE(card->SendToCard());
    EXPECT_TRUE(bench->commands().empty());
}

TEST_F(CardCommands, ReadBinaryWithLcZeroTakes256Bytes) {
    ASSERT_EQ(card->SelectPath("3f00df01c000", false, false, false, false), 0);
    bench->clear();
    unsigned char out[256];
    EXPECT_EQ(card->SCReadBinary(out, 0, 0), 0);
    EXPECT_EQ(sent(), (Strings{"00B0000000"}));
    EXPECT_EQ(card->getResponseLength(), 256);
    EXPECT_EQ(out[255], 0x5A);
}

TEST_F(CardCommands, SelectPathSendsOnlyWhatTheCacheRequires) {
    EXPECT_EQ(card->SelectPath("3f00df01c000", false, false, false, false), 0);
    EXPECT_EQ(sent(), (Strings{"00A40004023F0000", "00A4010402DF01FF", "00A4020402C00000"}));
    EXPECT_EQ(card->GetCurrFilePath(), "3f00df01c000");
    bench->clear();
    EXPECT_EQ(card->SelectPath("3F00/DF01/C000", false, false, false, false), 0);
    EXPECT_TRUE(bench->commands().empty());
    EXPECT_EQ(card->SelectPath("3f00df01c000", false, true, false, false), 0);
    EXPECT_EQ(sent(), (Strings{"00A4020402C00000"}));
    bench->clear();
    // a sibling in the same directory: only the file
    EXPECT_EQ(card->SelectPath("3f00df01c001", false, false, false, false), 0);
    EXPECT_EQ(sent(), (Strings{"00A4020402C00100"}));
    bench->clear();
    // force always starts at the MF, then the whole path follows; the MF the last
    // command selected is not selected again
    EXPECT_EQ(card->SelectPath("3f00df01c001", true, false, false, false), 0);
    EXPECT_EQ(sent(), (Strings{"00A40004023F0000", "00A4010402DF01FF", "00A4020402C00100"}));
    bench->clear();
    EXPECT_EQ(card->SelectPath("3f00", false, false, false, false), 0);
    EXPECT_EQ(sent(), (Strings{"00A40004023F0000"}));
    bench->clear();
    // a directory from the MF just selected, then again as it stands: nothing more is sent
    EXPECT_EQ(card->SelectPath("3f00df01", false, false, true, false), 0);
    EXPECT_EQ(card->SelectPath("3f00df01", false, false, true, false), 0);
    EXPECT_EQ(sent(), (Strings{"00A4010402DF01FF"}));
    EXPECT_EQ(card->currDFLen(), 4);
    EXPECT_EQ(card->currEFLen(), 0);
    bench->clear();
    // from that directory a file needs only its own selection
    EXPECT_EQ(card->SelectPath("3f00df01c000", false, false, false, false), 0);
    EXPECT_EQ(sent(), (Strings{"00A4020402C00000"}));
}

TEST_F(CardCommands, FailedSelectionStopsWith255) {
    EXPECT_EQ(card->SelectPath("3f00df01c0ff", false, false, false, false), 255);
    EXPECT_EQ(card->currEFLen(), 0);
    EXPECT_EQ(card->SelectPath("3f00df", false, false, false, false), 255);  // odd path
    EXPECT_EQ(card->SelectPath("3f00zz01", false, false, false, false), 255);
    // the stack brings the earlier file back
    ASSERT_EQ(card->SelectPath("3f00df01c001", false, false, false, false), 0);
    card->PushCurrentFile("");
    ASSERT_EQ(card->SelectPath("3f002f02", true, false, false, false), 0);
    bench->clear();
    EXPECT_EQ(card->PopCurrentFile(), 0);
    EXPECT_FALSE(bench->commands().empty());
    EXPECT_EQ(card->PopCurrentFile(), 255);  // empty stack
}

TEST_F(CardCommands, FilesAreReadAndWrittenInChunksOfTheLargestReadSize) {
    ASSERT_EQ(card->SelectPath("3f00df01c000", false, false, false, false), 0);
    bench->clear();
    std::vector<unsigned char> buf(1000);
    unsigned short len = static_cast<unsigned short>(buf.size());
    // the FCP of the selection tells the size
    ASSERT_EQ(card->SelectPath("3f00df01c000", false, true, false, false), 0);
    bench->clear();
    EXPECT_EQ(card->ReadFile(buf.data(), &len), 0);
    EXPECT_EQ(len, 1000);
    EXPECT_EQ(sent(), (Strings{"00B00000F0", "00B000F0F0", "00B001E0F0", "00B002D0F0", "00B003C028"}));
    for (unsigned char c : buf)
        ASSERT_EQ(c, 0x5A);

    // a buffer too small for the file is not overrun
    ASSERT_EQ(card->SelectPath("3f00df01c000", false, true, false, false), 0);
    unsigned short small = 100;
    EXPECT_EQ(card->ReadFile(buf.data(), &small), 255);

    ASSERT_EQ(card->SelectPath("3f00df01c001", false, true, false, false), 0);
    bench->clear();
    unsigned char part[10];
    unsigned short plen = sizeof(part);
    EXPECT_EQ(card->ReadFileOffset(part, &plen, 4, 3), 0);
    EXPECT_EQ(plen, 3);
    EXPECT_EQ(part[0], 0x05);
    EXPECT_EQ(sent(), (Strings{"00B0000403"}));

    // writing 300 bytes: 240, then 60
    ASSERT_EQ(card->SelectPath("3f00df01c000", false, true, false, false), 0);
    bench->clear();
    std::vector<unsigned char> data(300, 0xA5);
    EXPECT_EQ(card->UpdateFile(data.data(), 300), 0);
    auto cmds = sent();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0].substr(0, 10), "00D60000F0");
    EXPECT_EQ(cmds[1].substr(0, 10), "00D600F03C");

    // a chained write: CLA 10 on every piece but the last
    unsigned char ten[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    card->setMaxRead(4);
    bench->clear();
    card->FormatAPDU(6, 0x00, 0xD6, 0x00, 0x00, 10, 0, ten, 10);
    EXPECT_TRUE(card->SendToCardChained());
    EXPECT_EQ(sent(), (Strings{"10D600000401020304", "10D600000405060708", "00D6000002090A"}));
    EXPECT_EQ(card->getSW(), 0x90u);
    card->setMaxRead(240);
    unsigned char back[10];
    unsigned short blen = sizeof(back);
    ASSERT_EQ(card->SelectPath("3f00df01c000", false, true, false, false), 0);
    EXPECT_EQ(card->ReadFileOffset(back, &blen, 0, 10), 0);
    EXPECT_EQ(hexText(Bytes(back, back + blen)), "0102030405060708090A");
}

TEST_F(CardCommands, ReadAllRecordsDropsTwoLeadingBytesAndFailsOnEmptyFile) {
    ASSERT_EQ(card->SelectPath("3f00df01/5031", false, false, false, false), 0);
    bench->clear();
    unsigned char buf[64];
    unsigned short len = sizeof(buf);
    EXPECT_EQ(card->ReadAllRecords(buf, &len), 0);
    EXPECT_EQ(hexText(Bytes(buf, buf + len)), "111213212231323334");
    EXPECT_EQ(bench->commands().size(), 4u);  // records 1 to 3, then the end
    ASSERT_EQ(card->SelectPath("3f00df01/5032", false, false, false, false), 0);
    len = sizeof(buf);
    EXPECT_EQ(card->ReadAllRecords(buf, &len), 255);
    unsigned char rec[256];
    unsigned short rlen = sizeof(rec);
    ASSERT_EQ(card->SelectPath("3f00df01/5031", false, false, false, false), 0);
    EXPECT_EQ(card->ReadRecord(2, rec, &rlen), 0);
    EXPECT_EQ(hexText(Bytes(rec, rec + rlen)), "A2022122");
}

TEST_F(CardCommands, GetChallengeAsksEightBytesPerRound) {
    unsigned char out[20];
    EXPECT_EQ(card->GetChallange(out, 20), 0);
    EXPECT_EQ(sent(), (Strings{"0084000008", "0084000008", "0084000008"}));
    EXPECT_EQ(card->GetChallange(out, 0), 255);
    bench->failAfter(1, 0x6985);
    EXPECT_EQ(card->GetChallange(out, 8), 8);
    bench->failAfter(1, 0x6D00);
    EXPECT_EQ(card->GetChallange(out, 8), 255);
}

TEST_F(CardCommands, PinCommandsAndResultMapping) {
    EXPECT_EQ(card->Verify("3F00", "PIN", 0x01, false, false, nullptr, 0, "1234", 4, -1), 0);
    EXPECT_EQ(sent(), (Strings{"002000010431323334"}));
    bench->clear();
    // a new PIN outside 4..8 digits is refused before anything is sent
    unsigned char oldPin[4] = {'1', '2', '3', '4'}, shortPin[3] = {'9', '9', '9'};
    EXPECT_EQ(card->SCChangeRef(0x01, oldPin, 4, shortPin, 3), 255);
    EXPECT_TRUE(bench->commands().empty());
    bench->failAfter(1, 0x6983);
    EXPECT_EQ(card->SCVerify(0x01, oldPin, 4), 6);
    bench->failAfter(1, 0x6300);
    EXPECT_EQ(card->SCVerify(0x01, oldPin, 4), 5);
    bench->failAfter(1, 0x63C2);
    EXPECT_EQ(card->SCVerify(0x01, oldPin, 4), 255);
    bench->clear();
    unsigned char puk[8] = {'1', '2', '3', '4', '5', '6', '7', '8'}, newPin[6] = {'6', '5', '4', '3', '2', '1'};
    card->SCUnblockPin(0x01, puk, 8, newPin, 6);
    card->SCUnblockPin2(0x01, puk, 4);
    EXPECT_EQ(sent(), (Strings{"002C00011031323334353637383635343332310000", "002C0001083132333400000000"}));
}

TEST_F(CardCommands, SigningFrameSelectsTheKeyAndSendsTheDigestInfo) {
    EXPECT_EQ(card->PreSigning(74, "3F00DF01C001"), 0);
    EXPECT_EQ(sent(), (Strings{"00A40004023F0000", "00A4010402DF01FF", "00A4020402C00100"}));
    bench->clear();
    card->SetCardProfile(6);
    EXPECT_EQ(card->PostSigning(), 0);
    EXPECT_EQ(sent(), (Strings{"00A40004023F0000"}));
    bench->clear();
    unsigned char hash[20] = {};
    unsigned char sig[512];
    unsigned long sigLen = sizeof(sig);
    card->SignData("3F00DF01C001", 0x84, 2048, 0x8004, hash, 20, sig, &sigLen, 74);
    ASSERT_EQ(bench->commands().size(), 1u);
    EXPECT_EQ(hexText(bench->commands()[0]).substr(0, 40),
              "002A9E9A23302130090605"
              "2B0E03021A05000414");
}

TEST(CardCommandsT0, SixtyOneAnswerIsFollowedByOneGetResponse) {
    auto bench = makeBench(isoImage("T0"));
    if (!bench->ready())
        GTEST_SKIP() << "card bench not available";
    CTestCardOs card;
    ASSERT_EQ(card.connectCard(bench->reader(), 0), 0);
    bench->clear();
    unsigned char mf[2] = {0x3F, 0x00};
    card.FormatAPDU(5, 0x00, 0xA4, 0x00, 0x04, 2, 0x00, mf, 2);
    ASSERT_TRUE(card.SendToCard());
    auto cmds = bench->commands();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(hexText(cmds[1]).substr(0, 8), "00C00000");
    EXPECT_EQ(card.getSW(), 0x90u);
    EXPECT_EQ(card.getResponseLength(), cmds[1][4]);
    // A second 61xx is not followed
    bench->clear();
    bench->failAfter(2, 0x6110);
    card.FormatAPDU(5, 0x00, 0xA4, 0x00, 0x04, 2, 0x00, mf, 2);
    ASSERT_TRUE(card.SendToCard());
    EXPECT_EQ(bench->commands().size(), 2u);
    EXPECT_EQ(card.getSW(), 0x61u + 0x10u * 65536u);
}

TEST(CardCommandsT0, RecordsAreReadAgainWithTheLengthOfA6CAnswerAndLoseTheirWholeHeader) {
    auto bench = makeBench(isoImage("T0"));
    if (!bench->ready())
        GTEST_SKIP() << "card bench not available";
    CTestCardOs card;
    ASSERT_EQ(card.connectCard(bench->reader(), 0), 0);
    ASSERT_EQ(card.SelectPath("3f00df01/5031", false, false, false, false), 0);
    bench->clear();
    unsigned char rec[256];
    unsigned short rlen = sizeof(rec);
    EXPECT_EQ(card.ReadRecord(2, rec, &rlen), 0);
    EXPECT_EQ(hexText(Bytes(rec, rec + rlen)), "A2022122");
    auto cmds = bench->commands();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(hexText(cmds[0]), "00B2020400");
    EXPECT_EQ(hexText(cmds[1]), "00B2020404");  // the length the card told with 6C04

    // Tag and length of each record are dropped whatever their form.
    ASSERT_EQ(card.SelectPath("3f00df01/5033", false, false, false, false), 0);
    unsigned char buf[64];
    unsigned short len = sizeof(buf);
    EXPECT_EQ(card.ReadAllRecords(buf, &len), 0);
    EXPECT_EQ(hexText(Bytes(buf, buf + len)),
              "414251"
              "6162");
}
