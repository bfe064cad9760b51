// PIN dialogs: the console fallbacks over standard input and the host callback's actions.
#include <gtest/gtest.h>

#include <vector>

#include "ConfigSC.h"
#include "ConsoleDialogs.h"
#include "PinInterface.h"
#include "PinObj.h"
#include "StatusThread.h"
#include "StdinFeed.h"

namespace {
struct Seen {
    int action;
    bool pinPad;
    std::string text;
    std::string reader;
    int keyEvent;
    int messageCode;
    int userValue;
};
std::vector<Seen> g_seen;
std::vector<std::string> g_pinsToGive;
bool g_answer = true;

bool recordingCallback(FPINDialogCallBackParams* p) {
    g_seen.push_back({p->action, p->pinPad, p->text, p->readerName, p->keyEvent, p->messageCode, p->userValue});
    if (!g_pinsToGive.empty() && (p->action == PIN_DLG_SHOW || p->action == PIN_DLG_PIN_MISSING)) {
        p->pin = g_pinsToGive.front();
        g_pinsToGive.erase(g_pinsToGive.begin());
    }
    return g_answer;
}

class CallbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_seen.clear();
        g_pinsToGive.clear();
        g_answer = true;
        gConfigSC.usePINDialogCallback = true;
        gConfigSC.pinDialogCallback = &recordingCallback;
    }
    void TearDown() override {
        gConfigSC.usePINDialogCallback = false;
        gConfigSC.pinDialogCallback = nullptr;
    }
};
}  // namespace

TEST(ConsoleDialogs, InputPinReadsOneWordOfAtMost31Characters) {
    StdinFeed in("  123456 rest\n" + std::string(40, '7') + "\n");
    StdoutCapture out;
    CDlgInputPin dlg(nullptr);
    dlg.SetText("Signatur-PIN");
    EXPECT_TRUE(dlg.ShowModal());
    EXPECT_EQ(dlg.GetPin(), "123456");
    EXPECT_TRUE(dlg.ShowModal());
    EXPECT_EQ(dlg.GetPin(), "rest");
    EXPECT_TRUE(dlg.ShowModal());
    EXPECT_EQ(dlg.GetPin(), std::string(31, '7'));
    EXPECT_FALSE(dlg.ShowModal());  // input ended
    std::string shown = out.text();
    EXPECT_NE(shown.find("Signatur-PIN: \n"), std::string::npos);
    EXPECT_EQ(shown.find("123456"), std::string::npos);  // the PIN never reaches stdout
}

TEST(ConsoleDialogs, MessageBoxAnswers) {
    StdinFeed in("c o Y n x");
    StdoutCapture out;
    EXPECT_EQ(CMessageBox("Text", "Titel", 4).GetValue(), 1);
    EXPECT_EQ(CMessageBox("Text", "Titel", 4).GetValue(), 0);
    EXPECT_EQ(CMessageBox("Text", "Titel", 4).GetValue(), 2);
    EXPECT_EQ(CMessageBox("Text", "Titel", 4).GetValue(), 3);
    EXPECT_EQ(CMessageBox("Text", "Titel", 4).GetValue(), 0);
    EXPECT_EQ(CMessageBox("Text", "Titel", 0).GetValue(), 0);
    EXPECT_EQ(CMessageBox("Hinweis", "VN").GetValue(), 0);
    std::string shown = out.text();
    EXPECT_NE(shown.find("[Titel] Text\n\t[O]K, [C]ancel: "), std::string::npos);
    EXPECT_NE(shown.find("[VN] Hinweis\n"), std::string::npos);
}

TEST(ConsoleDialogs, KeyboardDialogReadsPinAndStopsItsKeepAliveWorker) {
    StdinFeed in("4711\n");
    StdoutCapture out;
    {
        CPIN_Window_Dialog dlg(0, nullptr, 0, "PIN eingeben");
        EXPECT_TRUE(dlg.ShowDialog("Reader 0"));
        EXPECT_EQ(dlg.GetPin(), "4711");
        EXPECT_TRUE(dlg.DestroyDialog());
    }
    EXPECT_TRUE(CStatusThread::getThreadStop());
    EXPECT_FALSE(CStatusThread::threadRunning);
    CPIN_PinPad_Dialog pad(0, nullptr, 0, "Bitte PIN am Leser eingeben");
    EXPECT_TRUE(pad.ShowDialog("Reader 0"));
    EXPECT_TRUE(pad.PollDialog('+'));
    EXPECT_TRUE(pad.DestroyDialog());
    EXPECT_NE(out.text().find("Bitte PIN am Leser eingeben\n"), std::string::npos);
}

TEST_F(CallbackTest, KeyboardDialogAsksAgainWithActionThreeWhenPinIsMissing) {
    g_pinsToGive = {"", "123456"};
    CPIN_Window_Dialog_Callback dlg(0, nullptr, 0, "PIN", 42);
    ASSERT_TRUE(dlg.ShowDialog("Reader A"));
    EXPECT_EQ(dlg.GetPin(), "123456");
    EXPECT_TRUE(dlg.DisplayText("neu"));
    EXPECT_TRUE(dlg.DestroyDialog());
    ASSERT_EQ(g_seen.size(), 4u);
    EXPECT_EQ(g_seen[0].action, 0);
    EXPECT_FALSE(g_seen[0].pinPad);
    EXPECT_EQ(g_seen[0].text, "PIN");
    EXPECT_EQ(g_seen[0].reader, "Reader A");
    EXPECT_EQ(g_seen[0].userValue, 42);
    EXPECT_EQ(g_seen[1].action, 3);
    EXPECT_EQ(g_seen[2].action, 4);
    EXPECT_EQ(g_seen[2].text, "neu");
    EXPECT_EQ(g_seen[3].action, 1);
}

TEST_F(CallbackTest, CancelledOrMissingCallbackFails) {
    g_answer = false;
    CPIN_Window_Dialog_Callback dlg(0, nullptr, 0, "PIN");
    EXPECT_FALSE(dlg.ShowDialog("R"));
    EXPECT_EQ(g_seen.size(), 1u);
    gConfigSC.pinDialogCallback = nullptr;
    g_answer = true;
    EXPECT_FALSE(dlg.ShowDialog("R"));
    EXPECT_EQ(g_seen.size(), 1u);
}

TEST_F(CallbackTest, PinPadDialogReportsKeyEvents) {
    CPIN_PinPad_Dialog_Callback dlg(0, nullptr, 0, "Am Leser", 7);
    ASSERT_TRUE(dlg.ShowDialog("Pad"));
    EXPECT_TRUE(dlg.PollDialog('+'));
    EXPECT_TRUE(dlg.PollDialog(0x08));
    EXPECT_TRUE(dlg.PollDialog(0x0A));
    EXPECT_TRUE(dlg.PollDialog('5'));  // no callback
    EXPECT_TRUE(dlg.DestroyDialog());
    ASSERT_EQ(g_seen.size(), 5u);
    EXPECT_EQ(g_seen[0].action, 0);
    EXPECT_TRUE(g_seen[0].pinPad);
    EXPECT_EQ(g_seen[0].keyEvent, 2);
    EXPECT_EQ(g_seen[1].action, 2);
    EXPECT_EQ(g_seen[1].keyEvent, 0);
    EXPECT_EQ(g_seen[2].keyEvent, 1);
    EXPECT_EQ(g_seen[3].keyEvent, 1);
    EXPECT_EQ(g_seen[4].action, 1);
}

TEST_F(CallbackTest, ErrorDialogShowsMessageWithCode) {
    CPIN_Error_Dialog_Callback dlg(0, nullptr, 1234, "PIN falsch", true, 3);
    EXPECT_TRUE(dlg.ShowDialog("R"));
    EXPECT_TRUE(dlg.DestroyDialog());
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].action, 5);
    EXPECT_EQ(g_seen[0].messageCode, 1234);
    EXPECT_TRUE(g_seen[0].pinPad);
    EXPECT_EQ(g_seen[0].text, "PIN falsch");
    EXPECT_EQ(g_seen[1].action, 1);
    EXPECT_FALSE(g_seen[1].pinPad);
}

TEST(PinObj, ConvertPathAndCopies) {
    unsigned char out[8];
    unsigned short len = 0;
    char text[] = "3f00/DF01: 5015";
    EXPECT_TRUE(CPinObj::ConvertPath(text, out, len));
    ASSERT_EQ(len, 6);
    EXPECT_EQ(out[0], 0x3F);
    EXPECT_EQ(out[5], 0x15);
    len = 2;
    EXPECT_FALSE(CPinObj::ConvertPath(text, out, len));  // more than the buffer holds
    char bad[] = "3fzz";
    len = 0;
    EXPECT_FALSE(CPinObj::ConvertPath(bad, out, len));

    CPinObj puk("PUK", 2, "3F00", 0x82, false, false, nullptr, 8, 8, -1, false);
    CPinObj pin("PIN", 1, "3F00DF01", 0x81, true, false, &puk, 6, 12, -1, true);
    CPinObj copy(&pin);
    EXPECT_EQ(copy.getLabel(), "PIN");
    EXPECT_EQ(copy.getRef(), 0x81);
    ASSERT_NE(copy.getLinked(), nullptr);
    EXPECT_EQ(copy.getLinked()->getLabel(), "PUK");
    EXPECT_NE(copy.getLinked(), pin.getLinked());
}
