#include <gtest/gtest.h>

#include <regex>
#include <thread>
#include <vector>

#include "ConfigSC.h"
#include "TestSupport.h"
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
    EXPECT_TRUE(std::regex_match(l[1], std::regex(std::string(kPrefix) + "a0:a1:a2:a3:a4:a5:a6:a7:a8:a9:aa:ab:ac:ad:ae:af"))) << l[1];
    EXPECT_TRUE(std::regex_match(l[2], std::regex(std::string(kPrefix) + "b0:b1:b2:b3"))) << l[2];
}

TEST_F(FileLog, BufferOfExactlySixteenEndsWithLonePrefixLine) {
    std::vector<unsigned char> data(16, 0x0f);
    vn_log_buffer(5, "", data.data(), 16);
    std::string text = log();
    auto l = lines();
    ASSERT_EQ(l.size(), 3u);
    EXPECT_TRUE(std::regex_match(l[0], std::regex(R"(.* - CardOS 4\.3b \(2\) :)"))) << "empty label: no colon text" << l[0];
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
    EXPECT_NE(l[0].find("-->leaving CSC_Profile_Base::SCVerify (0x000000008010006B)(SCARD_W_WRONG_CHV)"), std::string::npos) << l[0];
    EXPECT_NE(l[1].find("-->leaving f (0x0000000000000007)(unknown)"), std::string::npos) << l[1];
    EXPECT_NE(l[2].find("(CSC_Profile_Base::SC_CMD_FAILED)"), std::string::npos) << l[2];
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
