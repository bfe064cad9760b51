// Reader facade without a card: settings, helpers, constant operations and the
// answers before a reader is chosen.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "ConfigSC.h"
#include "PinInterface.h"
#include "SCUtils.h"
#include "SafeMem.h"

namespace {
bool dummyCallback(FPINDialogCallBackParams*) { return true; }
}  // namespace

TEST(SCUtilsSettings, LanguageAcceptsOnlyTheThreeTablesAndSetsTheMessageLanguage) {
    ASSERT_EQ(CSCUtils::SetLanguage(0), 1);
    EXPECT_EQ(CSCUtils::GetLanguage(), 0);
    EXPECT_EQ(CMsg::m_iLanguage, 0);
    EXPECT_STREQ(CMsg::GetRessString(300), "Error");
    EXPECT_EQ(CSCUtils::SetLanguage(3), 0);
    EXPECT_EQ(CSCUtils::SetLanguage(-1), 0);
    EXPECT_EQ(CSCUtils::GetLanguage(), 0);
    EXPECT_EQ(CMsg::m_iLanguage, 0);
    EXPECT_EQ(CSCUtils::SetLanguage(2), 1);
    EXPECT_EQ(CMsg::m_iLanguage, 2);
    EXPECT_EQ(CSCUtils::SetLanguage(1), 1);
    EXPECT_STREQ(CMsg::GetRessString(300), "Fehler");
}

TEST(SCUtilsSettings, LoggingServiceAndCallbackSettingsGoToTheConfiguration) {
    ConfigSC saved = gConfigSC;
    EXPECT_TRUE(CSCUtils::InitLogging("/tmp/vn-scutils.log", 4));
    EXPECT_EQ(gConfigSC.logFile, "/tmp/vn-scutils.log");
    EXPECT_EQ(CSCUtils::GetLogLevel(), 4);
    EXPECT_TRUE(gConfigSC.logEnabled);
    CSCUtils::SetLogLevel(0);
    EXPECT_FALSE(gConfigSC.logEnabled);
    CSCUtils::SetIsService(true);
    EXPECT_TRUE(CSCUtils::GetIsService());
    EXPECT_TRUE(gConfigSC.isService);
    CSCUtils::SetUsePINDialogCallback(true);
    CSCUtils::SetPINDialogCallbackFunc(dummyCallback);
    EXPECT_TRUE(CSCUtils::GetUsePINDialogCallback());
    EXPECT_EQ(CSCUtils::GetPINDialogCallbackFunc(), &dummyCallback);
    EXPECT_TRUE(gConfigSC.canUsePINDlgCallbackFunc());
    gConfigSC = saved;
}

TEST(SCUtilsHelpers, IncIVCountsBigEndianAndWrapsAllFFToZero) {
    unsigned char iv[8] = {0, 0, 0, 0, 0, 0, 0, 0xFF};
    EXPECT_EQ(CSCUtils::incIV(iv), 0);
    const unsigned char carried[8] = {0, 0, 0, 0, 0, 0, 1, 0};
    EXPECT_EQ(memcmp(iv, carried, 8), 0);
    unsigned char mid[8] = {0x12, 0x34, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    CSCUtils::incIV(mid);
    const unsigned char midAfter[8] = {0x12, 0x35, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(mid, midAfter, 8), 0);
    unsigned char all[8];
    memset(all, 0xFF, 8);
    CSCUtils::incIV(all);
    const unsigned char zero[8] = {0};
    EXPECT_EQ(memcmp(all, zero, 8), 0);
}

TEST(SCUtilsHelpers, GenerateRandomFillsExactlyTheBufferWithVaryingBytes) {
    unsigned char buf[66];
    memset(buf, 0xA5, sizeof(buf));
    CSCUtils::GenerateRandom(buf + 1, 64);
    EXPECT_EQ(buf[0], 0xA5);
    EXPECT_EQ(buf[65], 0xA5);
    std::set<unsigned char> distinct(buf + 1, buf + 65);
    EXPECT_GT(distinct.size(), 20u);
    unsigned char again[64];
    CSCUtils::GenerateRandom(again, 64);
    // Two calls within the same second differ (a time-seeded generator would repeat).
    EXPECT_NE(memcmp(buf + 1, again, 64), 0);
    CSCUtils::GenerateRandom(nullptr, 10);
    CSCUtils::GenerateRandom(again, -1);
}

TEST(SCUtilsHelpers, ItoaWritesRadixTwoToSixteenAndMinusOnlyInDecimal) {
    char buf[34];
    EXPECT_STREQ(itoa(255, buf, 16), "ff");
    EXPECT_STREQ(itoa(-12, buf, 10), "-12");
    EXPECT_STREQ(itoa(5, buf, 2), "101");
    EXPECT_STREQ(itoa(-1, buf, 16), "ffffffff");
    EXPECT_STREQ(itoa(7, buf, 17), "");
    EXPECT_STREQ(itoa(7, buf, 1), "");
}

TEST(SCUtilsFacade, NoReaderChosenMeansNoCertificatesAndNoPinOperation) {
    CSCUtils u;
    EXPECT_EQ(u.reader, -1);
    EXPECT_EQ(u.GetNumCerts(), 0);
    EXPECT_EQ(u.GetCertIDs(), 0);
    EXPECT_EQ(u.GetX509(0), nullptr);
    EXPECT_EQ(u.VerifyPIN(0, nullptr), 0);
    EXPECT_EQ(u.ChangePIN(0, nullptr, nullptr), 0);
    EXPECT_EQ(u.numCerts, 0);
    EXPECT_STREQ(u.GetCertID(0), "");
    EXPECT_EQ(u.GetCertID(96), nullptr);
    EXPECT_EQ(u.GetCertID(-1), nullptr);
}

TEST(SCUtilsFacade, ConstantOperationsAnswerTheirValues) {
    CSCUtils u;
    EXPECT_EQ(CSCUtils::GetMaxReaders(), 16);
    EXPECT_EQ(u.getNumSlots(), 6);
    EXPECT_EQ(u.ResetCard() + u.InitSCardEngine() + u.ExitSCardEngine() + u.CheckReader(0) + u.GetCardType(0) +
                  u.EstablishContext() + u.SendAPDU(nullptr, 0) + u.CheckTCOSStausSigPW(0) + u.CheckTCOSStausPW(0) +
                  u.InitTCOSCard(nullptr, nullptr) + u.InitTCOSCardSig(nullptr, nullptr) +
                  u.DES_cbc_cksum_3des(nullptr, nullptr, 0, nullptr, nullptr, nullptr) +
                  u.DES_retail_mac(nullptr, nullptr, 0, nullptr, nullptr, nullptr) + u.ReleaseContext() +
                  u.ConnectCard() + u.DisconnectCard() + u.GetSessionKeys(nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(u.WriteTCOSIFDPubkey(), 1);
    EXPECT_EQ(u.FreeTCOSCardObject(nullptr), 1);
    EXPECT_EQ(u.ReadTCOSCardCert(nullptr, nullptr), 1);
    EXPECT_EQ(u.ReadTCOSCardPubkey(nullptr, nullptr), 1);
    EXPECT_EQ(u.Tmp(), 1);
    EXPECT_EQ(u.CheckTCOSIFDPubkey(), 1);
    EXPECT_EQ(u.PermanentLogin(0, 0, true, nullptr), 1);
    EXPECT_EQ(u.CheckPermanentLogin(0, 0), 1);
}
