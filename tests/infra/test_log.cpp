#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <thread>
#include <vector>

#include "ConfigSC.h"
#include "SC_Profile_Base.h"
#include "TestSupport.h"
#include "card/CardFactory.h"
#include "card/CardTypes.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

namespace {

// Points the file log at a fresh file and restores the global settings afterwards.
class FileLog : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = gConfigSC;
        gConfigSC.logEnabled = true;
        gConfigSC.logLevel = 9;
        gConfigSC.logFile = dir_.file("vn.log");
        vn_log_updateCardName("CardOS 4.3b");
        vn_log_updateReaderId(2);
    }
    void TearDown() override {
        gConfigSC = saved_;
        vn_log_updateCardName("");
        vn_log_updateReaderId(0);
    }
    std::string log() { return readFile(dir_.file("vn.log")); }
    std::vector<std::string> lines() {
        std::vector<std::string> out;
        std::istringstream in(log());
        for (std::string l; std::getline(in, l);)
            out.push_back(l);
        return out;
    }
    TempDir dir_;
    ConfigSC saved_;
};

const char kPrefix[] = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d - CardOS 4\.3b \(2\) : )";

TEST_F(FileLog, MessageCarriesDateCardAndReaderPrefix) {
    vn_log(3, "Select EF :%s\n", "C000");
    auto l = lines();
    ASSERT_EQ(l.size(), 1u);
    EXPECT_TRUE(std::regex_match(l[0], std::regex(std::string(kPrefix) + "Select EF :C000"))) << l[0];
    EXPECT_EQ(m_file, nullptr) << "the file is closed between messages";
}

TEST_F(FileLog, LevelThresholdAndDisabledLogCreateNoFile) {
    gConfigSC.logLevel = 0;
    vn_log(1, "--entering x\n");
    gConfigSC.logLevel = 9;
    gConfigSC.logEnabled = false;
    vn_log(1, "--entering y\n");
    EXPECT_FALSE(fileExists(dir_.file("vn.log")));

    gConfigSC.logEnabled = true;
    gConfigSC.logFile = "";
    vn_log(1, "--entering z\n");
    EXPECT_FALSE(fileExists(dir_.file("vn.log")));

    gConfigSC.logFile = dir_.file("vn.log");
    gConfigSC.logLevel = 4;
    vn_log(5, "dropped\n");
    vn_log(4, "kept\n");
    auto l = lines();
    ASSERT_EQ(l.size(), 1u);
    EXPECT_NE(l[0].find("kept"), std::string::npos);
}

TEST_F(FileLog, ExitingSilencesAndUnwritablePathDropsQuietly) {
    m_exiting = true;
    vn_log(1, "not written\n");
    m_exiting = false;
    EXPECT_FALSE(fileExists(dir_.file("vn.log")));
    gConfigSC.logFile = dir_.file("no/such/dir/vn.log");
    vn_log(1, "dropped\n");
    unsigned char b[3] = {1, 2, 3};
    vn_log_buffer(5, "x", b, 3);
    SUCCEED();
}

TEST_F(FileLog, BufferDumpsSixteenBytesPerLine) {
    std::vector<unsigned char> data(20);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(0xA0 + i);
    vn_log_buffer(5, "[data sent to card]", data.data(), 20);
    auto l = lines();
    ASSERT_EQ(l.size(), 3u);
    EXPECT_TRUE(std::regex_match(l[0], std::regex(std::string(kPrefix) + R"(\[data sent to card\]:)"))) << l[0];
    EXPECT_TRUE(
        std::regex_match(l[1], std::regex(std::string(kPrefix) + "a0:a1:a2:a3:a4:a5:a6:a7:a8:a9:aa:ab:ac:ad:ae:af")))
        << l[1];
    EXPECT_TRUE(std::regex_match(l[2], std::regex(std::string(kPrefix) + "b0:b1:b2:b3"))) << l[2];
}

TEST_F(FileLog, BufferOfExactlySixteenEndsWithLonePrefixLine) {
    std::vector<unsigned char> data(16, 0x0f);
    vn_log_buffer(5, "", data.data(), 16);
    std::string text = log();
    auto l = lines();
    ASSERT_EQ(l.size(), 3u);
    EXPECT_TRUE(std::regex_match(l[0], std::regex(R"(.* - CardOS 4\.3b \(2\) :)")))
        << "empty label: no colon text" << l[0];
    EXPECT_TRUE(std::regex_match(l[1], std::regex(std::string(kPrefix) + "(0f:){15}0f")));
    EXPECT_TRUE(std::regex_match(l[2], std::regex(kPrefix))) << "lone prefix line: '" << l[2] << "'";
    EXPECT_EQ(text.back(), '\n');

    TempDir other;
    gConfigSC.logFile = other.file("vn.log");
    vn_log_buffer(5, "empty", nullptr, 0);
    std::string empty = readFile(other.file("vn.log"));
    EXPECT_TRUE(std::regex_match(empty, std::regex(R"(.* : empty:\n\n)"))) << empty;
}

TEST_F(FileLog, ReturnCodeNamesAndPassThrough) {
    EXPECT_EQ(vn_log_dw_return("CSC_Profile_Base::SCVerify", 0x8010006B), 0x8010006Bu);
    EXPECT_EQ(vn_log_dw_return("f", 7), 7u);
    EXPECT_EQ(vn_log_dw_return("g", 255), 255u);
    auto l = lines();
    ASSERT_EQ(l.size(), 3u);
    EXPECT_NE(l[0].find("-->leaving CSC_Profile_Base::SCVerify (0x000000008010006B)(SCARD_W_WRONG_CHV)"),
              std::string::npos)
        << l[0];
    EXPECT_NE(l[1].find("-->leaving f (0x0000000000000007)(unknown)"), std::string::npos) << l[1];
    EXPECT_NE(l[2].find("(CSC_Profile_Base::SC_CMD_FAILED)"), std::string::npos) << l[2];
}

// The text of each line after the date, card and reader prefix.
std::vector<std::string> texts(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& l : lines) {
        const size_t at = l.find(" : ");
        out.push_back(at == std::string::npos ? l : l.substr(at + 3));
    }
    return out;
}

TEST_F(FileLog, TraceScopeWritesTheLeavingLineOnEveryWayOut) {
    auto work = [](bool early) -> int {
        VnTraceScope trace("CSC_Profile_Base::ReadFile");
        if (early)
            return 1;
        vn_log(3, "work\n");
        return 0;
    };
    EXPECT_EQ(work(true), 1);
    EXPECT_EQ(work(false), 0);
    try {
        VnTraceScope trace("CPkcs15::Init");
        throw 1;
    } catch (int) {
    }
    {
        // Lines of their own, a different leaving line on one way out, and none at all.
        VnTraceScope a(1, "<--entering CStatusThread::startThread\n", 2, "<--leaving CStatusThread::startThread\n");
        a.leaveWith(
            "<--leaving CStatusThread::startThread (CStatusThread::threadRunning || !CStatusThread::threadStop)\n");
    }
    {
        VnTraceScope b("CSC_Profile_Base::SendToCard", 2);
        b.leaveWith(nullptr);
    }
    const std::vector<std::string> expected = {
        "--entering CSC_Profile_Base::ReadFile",
        "--leaving CSC_Profile_Base::ReadFile",
        "--entering CSC_Profile_Base::ReadFile",
        "work",
        "--leaving CSC_Profile_Base::ReadFile",
        "--entering CPkcs15::Init",
        "--leaving CPkcs15::Init",
        "<--entering CStatusThread::startThread",
        "<--leaving CStatusThread::startThread (CStatusThread::threadRunning || !CStatusThread::threadStop)",
        "--entering CSC_Profile_Base::SendToCard"};
    EXPECT_EQ(texts(lines()), expected);

    // Each line at its own level: at level 1 the level-2 leaving line and scope stay out.
    TempDir other;
    gConfigSC.logFile = other.file("vn.log");
    gConfigSC.logLevel = 1;
    { VnTraceScope c(1, "<--entering CStatusThread::startThread\n", 2, "<--leaving CStatusThread::startThread\n"); }
    { VnTraceScope d("CSC_Profile_Base::SelectPath", 2); }
    gConfigSC.logFile = dir_.file("vn.log");
    const std::string quiet = readFile(other.file("vn.log"));
    EXPECT_NE(quiet.find("<--entering CStatusThread::startThread\n"), std::string::npos) << quiet;
    EXPECT_EQ(quiet.find("leaving"), std::string::npos) << quiet;
    EXPECT_EQ(quiet.find("SelectPath"), std::string::npos) << quiet;
}

TEST_F(FileLog, CardFunctionsLeaveOnEarlyReturns) {
    std::unique_ptr<CSC_Profile_Base> card(vn_create_card_os(vn_card::kStarcos35));
    ASSERT_NE(card, nullptr);
    const size_t before = lines().size();
    EXPECT_NE(card->ReadFile(nullptr, nullptr), 0);
    EXPECT_NE(card->SignData("3f00", 1, 0, 0, nullptr, 0, nullptr, nullptr, 0), 0);
    unsigned char block[8];
    EXPECT_NE(card->GetChallange(block, 0), 0);
    std::vector<std::string> written = texts(lines());
    written.erase(written.begin(), written.begin() + static_cast<long>(before));
    const std::vector<std::string> expected = {
        "--entering CSC_Profile_Base::ReadFile", "--leaving CSC_Profile_Base::ReadFile",
        "--entering CSC_Profile_Base::SignData", "--leaving CSC_Profile_Base::SignData",
        "--entering CSmartCard::GetChallange",   "--leaving CSmartCard::GetChallange"};
    EXPECT_EQ(written, expected);
}

TEST_F(FileLog, CardNamePrefixIsStrippedOnlyWhenPresent) {
    vn_log_updateCardName("Quorvel VN - CardOS 4.3b");
    EXPECT_EQ(m_cardname, "CardOS 4.3b");
    vn_log_updateCardName("STARCOS 3.5 Quorvel VN - ");
    EXPECT_EQ(m_cardname, "STARCOS 3.5 Quorvel VN - ");
    vn_log_updateCardName("Quorvel VN -");
    EXPECT_EQ(m_cardname, "Quorvel VN -");
}

TEST_F(FileLog, ConcurrentWritersLoseNoLineAndCorruptNothing) {
    const int kThreads = 4, kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                vn_log(2, "thread %d line %d\n", t, i);
        });
    for (auto& th : threads)
        th.join();
    auto l = lines();
    EXPECT_EQ(l.size(), static_cast<size_t>(kThreads * kLines));
    for (const auto& line : l)
        ASSERT_TRUE(std::regex_match(line, std::regex(std::string(kPrefix) + R"(thread \d line \d+)"))) << line;
}

TEST(DateTime, FormatsWithPattern) {
    tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 6;
    t.tm_hour = 7;
    t.tm_min = 5;
    t.tm_sec = 9;
    EXPECT_EQ(dateTimeToString(t, "%Y-%m-%d %H:%M:%S"), "2026-12-06 07:05:09");
    EXPECT_TRUE(std::regex_match(getDateTimeStr(), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
}

}  // namespace
