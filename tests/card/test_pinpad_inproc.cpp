// PIN entry on the in-process PC/SC: pin-pad structures, the key loop, the host
// callback's actions, keyboard and console entry, and what reaches the log.
#include <gtest/gtest.h>
#include <pcscsim/Simulator.h>

#include <fstream>
#include <sstream>

#include "CardImages.h"
#include "ConfigSC.h"
#include "PinInterface.h"
#include "StatusThread.h"
#include "StdinFeed.h"
#include "TestCardOs.h"

namespace {
struct Seen {
    int action;
    bool pinPad;
    int keyEvent;
    std::string text;
};
std::vector<Seen> g_seen;
std::vector<std::string> g_pins;

bool callback(FPINDialogCallBackParams* p) {
    g_seen.push_back({p->action, p->pinPad, p->keyEvent, p->text});
    if ((p->action == PIN_DLG_SHOW || p->action == PIN_DLG_PIN_MISSING) && !p->pinPad && !g_pins.empty()) {
        p->pin = g_pins.front();
        g_pins.erase(g_pins.begin());
    }
    return true;
}

std::string hex(const std::vector<uint8_t>& b) { return cardsim::toHex(b); }

class PinEntry : public ::testing::Test {
protected:
    void SetUp() override {
        pcscsim::reset();
        g_seen.clear();
        g_pins.clear();
        m_card = std::shared_ptr<cardsim::Card>(cardsim::Card::fromText(isoImage()));
    }
    void TearDown() override {
        gConfigSC.usePINDialogCallback = false;
        gConfigSC.pinDialogCallback = nullptr;
        gConfigSC.isService = false;
        gConfigSC.pinDialogEnabled = false;
        card.reset();
        pcscsim::reset();
    }
    void useCallback() {
        gConfigSC.usePINDialogCallback = true;
        gConfigSC.pinDialogCallback = &callback;
    }
    void open(const pcscsim::ReaderOptions& options, const std::string& name = "Pad Reader") {
        pcscsim::addReader(name, options);
        pcscsim::insertCard(name, m_card);
        card = std::make_unique<CTestCardOs>();
        ASSERT_EQ(card->connectCard(name, 0), 0);
        card->readerPCSC_Part10();
        pcscsim::clearCalls();
        m_card->clearTranscript();
    }
    std::vector<pcscsim::Call> controls(DWORD code) {
        std::vector<pcscsim::Call> out;
        for (const auto& c : pcscsim::calls())
            if (c.kind == pcscsim::Call::Kind::Control && c.controlCode == code)
                out.push_back(c);
        return out;
    }
    int verifyOnPad() { return card->Verify("3F00", "PIN am Leser", 0x01, false, true, nullptr, 0, "", 0, 9); }

    std::shared_ptr<cardsim::Card> m_card;
    std::unique_ptr<CTestCardOs> card;
};
}  // namespace

TEST_F(PinEntry, PinPadVerifySendsTheStructureAndReportsEveryKey) {
    useCallback();
    open(pcscsim::pinPadReader());
    pcscsim::scriptKeys("Pad Reader", "12.34\r");
    EXPECT_EQ(verifyOnPad(), 0);
    EXPECT_FALSE(card->isPinEntryCancelled());
    auto start = controls(pcscsim::featureCode(0x01));
    ASSERT_EQ(start.size(), 1u);
    EXPECT_EQ(hex(start[0].input),
              "1E1E020000"
              "0804"
              "0201"
              "0000"
              "00"
              "000000"
              "04000000"
              "00200001");
    auto finish = controls(pcscsim::featureCode(0x02));
    ASSERT_EQ(finish.size(), 1u);
    EXPECT_EQ(hex(finish[0].input), "FFFF");
    EXPECT_EQ(hex(finish[0].cardCommand), "002000010431323334");
    EXPECT_GE(controls(pcscsim::featureCode(0x05)).size(), 6u);
    // show, four digits, close
    ASSERT_EQ(g_seen.size(), 6u);
    EXPECT_EQ(g_seen[0].action, 0);
    EXPECT_TRUE(g_seen[0].pinPad);
    EXPECT_EQ(g_seen[0].keyEvent, 2);
    EXPECT_EQ(g_seen[0].text, "PIN am Leser");
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(g_seen[i].action, 2);
        EXPECT_EQ(g_seen[i].keyEvent, 0);
    }
    EXPECT_EQ(g_seen[5].action, 1);
}

TEST_F(PinEntry, ClearAndBackspaceAreKeyEventsAndCancelEndsTheEntry) {
    useCallback();
    open(pcscsim::pinPadReader());
    pcscsim::scriptKeys("Pad Reader", "12\b\n1\x1b");
    EXPECT_EQ(verifyOnPad(), 255);  // the pad answers 6401
    EXPECT_TRUE(card->isPinEntryCancelled());
    std::vector<int> events;
    for (const auto& s : g_seen)
        if (s.action == 2)
            events.push_back(s.keyEvent);
    EXPECT_EQ(events, (std::vector<int>{0, 0, 1, 1, 0}));
    EXPECT_TRUE(m_card->transcript().empty());  // nothing reached the card
}

TEST_F(PinEntry, ReaderThatStopsAnsweringEndsTheEntryAsFailed) {
    open(pcscsim::pinPadReader());
    pcscsim::scriptKeys("Pad Reader", "1" + std::string(40, '!'));
    EXPECT_EQ(verifyOnPad(), 255);
    // the loop gave up after a bounded number of failed polls
    EXPECT_LE(controls(pcscsim::featureCode(0x05)).size(), 25u);
}

TEST_F(PinEntry, PadThatNeverFinishesEndsAfterItsTimeoutAndAMargin) {
    pcscsim::addReader("Slow Pad", pcscsim::pinPadReader());
    pcscsim::insertCard("Slow Pad", m_card);
    card = std::make_unique<CTestCardOs>();
    card->verifyTimeout = 1;
    ASSERT_EQ(card->connectCard("Slow Pad", 0), 0);
    card->readerPCSC_Part10();
    pcscsim::scriptKeys("Slow Pad", std::string(100000, '.'));
    EXPECT_EQ(verifyOnPad(), 255);
    // the reader was still asked to finish the entry
    EXPECT_EQ(controls(pcscsim::featureCode(0x02)).size(), 1u);
}

TEST_F(PinEntry, ReaderWithoutPinFeaturesCannotStartAndDoesNotReportSuccess) {
    open(pcscsim::plainReader());
    ASSERT_EQ(card->SelectPath("3f00", true, false, false, false), 0);  // leaves 9000 behind
    EXPECT_EQ(verifyOnPad(), 255);
}

TEST_F(PinEntry, CyberjackNameLimitsTheMaximumTo15Digits) {
    pcscsim::ReaderOptions o = pcscsim::pinPadReader();
    o.systemName = "REINER SCT cyberJack pinpad(a) 00 00";
    open(o, "cyberJack");
    CSC_Profile_Base::bytesOf(card->getVerifyStructure())[5] = 16;
    pcscsim::scriptKeys("cyberJack", "1234\r");
    EXPECT_EQ(verifyOnPad(), 0);
    auto start = controls(pcscsim::featureCode(0x01));
    ASSERT_EQ(start.size(), 1u);
    EXPECT_EQ(start[0].input[5], 15);
}

TEST_F(PinEntry, PinPadChangeSendsTheModifyStructure) {
    open(pcscsim::pinPadReader());
    pcscsim::scriptKeys("Pad Reader", "1234\r5678\r5678\r");
    card->ChangeRef("3F00", "", "", "", "PIN ändern", 0x01, true, nullptr, 0, "", 0, "", 0, false);
    auto start = controls(pcscsim::featureCode(0x03));
    ASSERT_EQ(start.size(), 1u);
    EXPECT_EQ(start[0].input.size(), 28u);
    EXPECT_EQ(hex(start[0].input),
              "1E1E02000000000804030203"
              "0000000102000000"
              "04000000"
              "00240001");
    EXPECT_EQ(controls(pcscsim::featureCode(0x04)).size(), 1u);
}

TEST_F(PinEntry, KeyboardVerifyAsksTheHostTwiceWhenThePinIsMissing) {
    useCallback();
    open(pcscsim::plainReader());
    g_pins = {"", "1234"};
    EXPECT_EQ(card->Verify("3F00", "PIN", 0x01, true, false, nullptr, 0, "", 0, -1), 0);
    ASSERT_EQ(g_seen.size(), 3u);
    EXPECT_EQ(g_seen[0].action, 0);
    EXPECT_FALSE(g_seen[0].pinPad);
    EXPECT_EQ(g_seen[1].action, 3);
    EXPECT_EQ(g_seen[2].action, 1);
    auto t = m_card->transcript();
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(hex(t.back().command), "002000010431323334");
}

TEST_F(PinEntry, KeyboardChangeWithDifferentRepetitionSendsNothing) {
    useCallback();
    open(pcscsim::plainReader());
    g_pins = {"1234", "5678", "5679"};
    EXPECT_EQ(card->ChangeRef("3F00", "alt", "neu", "wiederholen", "", 0x01, false, nullptr, 0, "", 0, "", 0, false),
              7);
    EXPECT_TRUE(m_card->transcript().empty());
    gConfigSC.isService = true;
    EXPECT_EQ(card->Verify("3F00", "PIN", 0x01, false, false, nullptr, 0, "", 0, -1), 255);
    EXPECT_TRUE(m_card->transcript().empty());
}

TEST_F(PinEntry, ConsoleVerifyReadsStandardInputAndStopsTheKeepAliveWorker) {
    open(pcscsim::plainReader());
    {
        StdinFeed in("1234\n");
        StdoutCapture out;
        EXPECT_EQ(card->Verify("3F00", "PIN eingeben", 0x01, false, false, nullptr, 0, "", 0, -1), 0);
        EXPECT_NE(out.text().find("PIN eingeben: "), std::string::npos);
    }
    EXPECT_TRUE(CStatusThread::getThreadStop());
    EXPECT_FALSE(CStatusThread::threadRunning);
    StdinFeed empty("");
    StdoutCapture quiet;
    EXPECT_EQ(card->Verify("3F00", "PIN", 0x01, false, false, nullptr, 0, "", 0, -1), 255);
    EXPECT_TRUE(card->isPinEntryCancelled());
}

TEST_F(PinEntry, TransmissionErrorsGive255) {
    open(pcscsim::plainReader());
    pcscsim::failTransmitAt(pcscsim::transmitCount() + 1, SCARD_E_NOT_TRANSACTED);
    unsigned char pin[4] = {'1', '2', '3', '4'};
    EXPECT_EQ(card->SCVerify(0x01, pin, 4), 255);
    card->FormatAPDU(3, 0x00, 0x84, 0x00, 0x00, 8, 0, nullptr, 0);
    pcscsim::failTransmitAt(pcscsim::transmitCount() + 1, SCARD_W_REMOVED_CARD);
    EXPECT_FALSE(card->SendToCard());
    pcscsim::failControlAt(pcscsim::controlCount() + 1, SCARD_E_NOT_TRANSACTED);
    EXPECT_FALSE(card->TransmitControl(0x42000D48UL, nullptr, 0));
}

TEST_F(PinEntry, PinsAndPinBlocksNeverReachTheLog) {
    char path[] = "/tmp/vn-card-log-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ConfigSC saved = gConfigSC;
    gConfigSC.logEnabled = true;
    gConfigSC.logLevel = 9;
    gConfigSC.logFile = path;
    open(pcscsim::pinPadReader());
    EXPECT_EQ(card->Verify("3F00", "PIN", 0x01, false, false, nullptr, 0, "1234", 4, -1), 0);
    unsigned char puk[8] = {'8', '7', '6', '5', '4', '3', '2', '1'}, np[4] = {'5', '6', '7', '8'};
    card->SCUnblockPin(0x01, puk, 8, np, 4);
    card->SCChangeRef(0x01, np, 4, np, 4);
    pcscsim::scriptKeys("Pad Reader", "4321\r");
    verifyOnPad();
    gConfigSC.logEnabled = saved.logEnabled;
    gConfigSC.logLevel = saved.logLevel;
    gConfigSC.logFile = saved.logFile;
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::string log = text.str();
    unlink(path);
    EXPECT_NE(log.find("[data sent to card]"), std::string::npos);
    EXPECT_NE(log.find("00:20:00:01:04:2a:2a:2a:2a"), std::string::npos);
    EXPECT_EQ(log.find("31:32:33:34"), std::string::npos);
    EXPECT_EQ(log.find("38:37:36:35"), std::string::npos);
    EXPECT_EQ(log.find("35:36:37:38"), std::string::npos);
    EXPECT_EQ(log.find("1234"), std::string::npos);
}

TEST_F(PinEntry, UnblockWithGivenValuesSendsResetRetryCounter) {
    open(pcscsim::plainReader());
    EXPECT_EQ(card->GetUnblockMethod(), 0);
    card->UnblockRef("3F00", "", "", "", "", 0x01, false, nullptr, 0, "87654321", 8, "5678", 4, false);
    auto t = m_card->transcript();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(hex(t[0].command),
              "002C000110"
              "3837363534333231"
              "3536373800000000");
    // a new PIN longer than the PUK does not fit the data field
    m_card->clearTranscript();
    EXPECT_EQ(card->UnblockRef("3F00", "", "", "", "", 0x01, false, nullptr, 0, "1234", 4, "567890", 6, false), 255);
    EXPECT_TRUE(m_card->transcript().empty());
}

TEST_F(PinEntry, CardObjectForAHandleFromElsewhereKnowsItsCardType) {
    pcscsim::addReader("Other");
    pcscsim::insertCard("Other", std::shared_ptr<cardsim::Card>(cardsim::Card::fromText(
                                     "[card]\ndialect = iso\natr = 3B D2 18 00 81 31 FE 58 C9 01 14\n")));
    SCARDCONTEXT ctx = 0;
    ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &ctx), SCARD_S_SUCCESS);
    SCARDHANDLE h = 0;
    DWORD proto = 0;
    ASSERT_EQ(SCardConnect(ctx, "Other", SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &h, &proto),
              SCARD_S_SUCCESS);
    {
        CTestCardOs legacy(h);
        EXPECT_EQ(legacy.getCardType(), 15);
        EXPECT_EQ(legacy.getCardName(), "CardOS 5.0");
    }
    SCardDisconnect(h, SCARD_LEAVE_CARD);
    SCardReleaseContext(ctx);
}
