#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "ConfigSC.h"
#include "TestSupport.h"

namespace {

// Reads settings.cfg from a fresh folder into a fresh ConfigSC, capturing standard error.
struct Reading {
    ConfigSC config;
    std::string err;
};

Reading readSettings(const char* text, ConfigSC start = ConfigSC()) {
    TempDir dir;
    if (text)
        dir.write("settings.cfg", text);
    ScopedCwd cwd(dir.path());
    Reading r{start, ""};
    std::stringstream captured;
    auto* old = std::cerr.rdbuf(captured.rdbuf());
    EXPECT_EQ(r.config.readLUConfigSC(), 1);
    std::cerr.rdbuf(old);
    r.err = captured.str();
    return r;
}

TEST(ConfigSC, DefaultsInFieldOrder) {
    ConfigSC c;
    EXPECT_EQ(c.language, 1);
    EXPECT_TRUE(c.logEnabled);
    EXPECT_EQ(c.logLevel, 9);
    EXPECT_EQ(c.maxReadChunk, 240u);
    EXPECT_EQ(c.logFile, "./vn.log");
    EXPECT_FALSE(c.hideUnusedCerts || c.hasAuthCert || c.keyboardPIN || c.pinDialogEnabled || c.isService ||
                 c.usePINDialogCallback);
    EXPECT_EQ(c.pinDialogCallback, nullptr);
    EXPECT_EQ(c.writeLUConfigSC(), 1);
}

TEST(ConfigSC, CompleteFileSetsEveryKey) {
    Reading r = readSettings(
        "language = 2;\nlogEnabled = false;\nlogFile = \"/tmp/x.log\";\nhideUnusedCerts = true;\n"
        "keyboardPIN = true;\nlogLevel = 3;\npinDialogEnabled = true;\n");
    EXPECT_EQ(r.config.language, 2);
    EXPECT_FALSE(r.config.logEnabled);
    EXPECT_EQ(r.config.logFile, "/tmp/x.log");
    EXPECT_TRUE(r.config.hideUnusedCerts);
    EXPECT_TRUE(r.config.keyboardPIN);
    EXPECT_EQ(r.config.logLevel, 3);
    EXPECT_TRUE(r.config.pinDialogEnabled);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.config.maxReadChunk, 240u) << "never read from the file";
}

TEST(ConfigSC, FirstMissingKeyStopsTheReading) {
    ConfigSC start;
    start.logLevel = 7;
    start.keyboardPIN = true;
    int languageBefore = CMsg::m_iLanguage;
    Reading r = readSettings("language = 0;\nlogFile = \"/tmp/y.log\";\nlogLevel = 2;\n", start);
    EXPECT_EQ(r.config.language, 0);
    EXPECT_EQ(r.config.logFile, "./vn.log") << "keys after the missing one are not read";
    EXPECT_EQ(r.config.logLevel, 7);
    EXPECT_TRUE(r.config.keyboardPIN);
    EXPECT_EQ(r.err, "Setting in configuration file not found.\n");
    EXPECT_EQ(CMsg::m_iLanguage, languageBefore) << "the message language does not follow the file";

    Reading partial = readSettings("language = 0;\nlogEnabled = false;\nlogFile = \"/tmp/z.log\";\n");
    EXPECT_FALSE(partial.config.logEnabled);
    EXPECT_EQ(partial.config.logFile, "/tmp/z.log");
    EXPECT_FALSE(partial.config.hideUnusedCerts);
}

TEST(ConfigSC, MissingFileAndParseErrorChangeNothing) {
    ConfigSC start;
    start.language = 2;
    Reading missing = readSettings(nullptr, start);
    EXPECT_EQ(missing.err, "I/O error while reading file: settings.cfg\n");
    EXPECT_EQ(missing.config.language, 2);

    Reading broken = readSettings("language = 0;\nlogEnabled = ;\n", start);
    EXPECT_EQ(broken.config.language, 2);
    EXPECT_EQ(broken.err.rfind("Parse error at settings.cfg:2 - ", 0), 0u) << broken.err;
}

TEST(ConfigSC, WrongTypeIsReportedAndStopsAtThatKey) {
    Reading r = readSettings("language = 0;\nlogEnabled = \"yes\";\nlogFile = \"/tmp/w.log\";\nlogLevel = 1;\n");
    EXPECT_EQ(r.config.language, 0);
    EXPECT_TRUE(r.config.logEnabled);
    EXPECT_EQ(r.config.logFile, "./vn.log");
    EXPECT_EQ(r.config.logLevel, 9);
    EXPECT_NE(r.err.find("logEnabled"), std::string::npos) << r.err;
}

TEST(ConfigSC, CallbackUsableOnlyWhenFlagAndFunctionAreSet) {
    ConfigSC c;
    EXPECT_FALSE(c.canUsePINDlgCallbackFunc());
    c.usePINDialogCallback = true;
    EXPECT_FALSE(c.canUsePINDlgCallbackFunc());
    c.pinDialogCallback = [](FPINDialogCallBackParams*) { return true; };
    EXPECT_TRUE(c.canUsePINDlgCallbackFunc());
    c.usePINDialogCallback = false;
    EXPECT_FALSE(c.canUsePINDlgCallbackFunc());
}

class Messages : public ::testing::Test {
protected:
    void TearDown() override { CMsg::m_iLanguage = 1; }
};

TEST_F(Messages, LookupByLanguageWithFirstRowWinning) {
    EXPECT_EQ(CMsg::m_iLanguage, 1) << "German at load";
    EXPECT_STREQ(CMsg::GetRessString(11), "Abbrechen");
    EXPECT_STREQ(CMsg::GetRessString(228), "Frei");
    EXPECT_STREQ(CMsg::GetRessString(204), "Verschlüsselungs");
    CMsg::m_iLanguage = 0;
    EXPECT_STREQ(CMsg::GetRessString(228), "Free");
    EXPECT_STREQ(CMsg::GetRessString(10), "OK");
    EXPECT_STREQ(CMsg::GetRessString(110), "Please enter %s PIN with the computer keyboard.");
    CMsg::m_iLanguage = 2;
    EXPECT_STREQ(CMsg::GetRessString(305), "The PIN entry via the keypad of the reader was canceled.");
    EXPECT_STREQ(CMsg::GetRessString(8004), "Datan krypteras.");
    EXPECT_STREQ(CMsg::GetRessString(228), "Frei");
    CMsg::m_iLanguage = 7;
    EXPECT_STREQ(CMsg::GetRessString(303), "PIN blockiert.");
}

TEST_F(Messages, UnknownIdsAndLoadString) {
    EXPECT_STREQ(CMsg::GetRessString(999), "----Error in Stringtable----");
    EXPECT_STREQ(CMsg::GetRessString(0xFFFFFFFF), "----Error in Stringtable----");
    CMsg::m_iLanguage = 0;
    CMsg msg;
    EXPECT_STREQ(msg.LoadString(10), "OK");
    EXPECT_STREQ(msg.LoadString(702), "Änderung der PIN erfolgreich.");
    EXPECT_STREQ(msg.LoadString(12345), "----Error in Stringtable----");
}

}  // namespace
