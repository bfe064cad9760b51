// The reader facade on simulated cards in in-process readers: reader names,
// certificate lists and copies, PIN results and pin-pad support.
#include <openssl/x509.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "SignSim.h"

namespace {
std::vector<unsigned char> pkiDer(const std::string& name) {
    std::ifstream f(std::string(VN_BINARY_DIR) + "/pki/" + name, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}
}  // namespace

TEST_F(SignSim, FacadeNamesReadersAndKeepsThePreviousNameForABadIndex) {
    insert("starcos35-a", "Virtual PCD 00 00");
    pcscsim::addReader("Second Reader 01");
    CSCUtils u;
    EXPECT_EQ(CSCUtils::GetNumReaders(), 2);
    EXPECT_STREQ(u.GetReaderName(1), "Second Reader 01");
    EXPECT_STREQ(u.GetReaderName(-1), "Second Reader 01");
    EXPECT_STREQ(u.GetReaderName(7), "Second Reader 01");
    EXPECT_STREQ(u.GetReaderName(0), "Virtual PCD 00 00");
    EXPECT_STREQ(u.GetReaderName(2), "");
}

TEST_F(SignSim, FacadeListsCertificatesWithLabelsIdsAndDerCopies) {
    insert("starcos35-a");
    CSCUtils u;
    u.setReader(0);
    EXPECT_EQ(u.GetNumCerts(), 4);
    EXPECT_EQ(u.GetCertIDs(), 4);
    ASSERT_EQ(u.numCerts, 4);
    EXPECT_STREQ(u.certLabels[0], "Signing Cert");
    EXPECT_STREQ(u.certLabels[2], "Auth Cert");
    EXPECT_STREQ(u.GetCertID(0), "0");
    EXPECT_STREQ(u.GetCertID(3), "3");
    std::vector<unsigned char> signer = pkiDer("signer-rsa2048.der");
    ASSERT_FALSE(signer.empty());
    ASSERT_EQ(u.certDataLen[0], signer.size());
    EXPECT_EQ(memcmp(u.certData[0], signer.data(), signer.size()), 0);

    X509* x = u.GetX509(2);
    ASSERT_NE(x, nullptr);
    std::vector<unsigned char> auth = pkiDer("auth-rsa2048.der");
    unsigned char* der = nullptr;
    int n = i2d_X509(x, &der);
    ASSERT_EQ(static_cast<size_t>(n), auth.size());
    EXPECT_EQ(memcmp(der, auth.data(), auth.size()), 0);
    CSCUtils::freeOPENSSL(der);
    CSCUtils::freeX509(x);
    EXPECT_EQ(u.GetX509(4), nullptr);
    EXPECT_EQ(u.GetX509(-1), nullptr);
}

TEST_F(SignSim, FacadePinResultsAndTheIndexCheckBeforeAnyPinCommand) {
    auto card = insert("starcos35-b");
    CSCUtils u;
    u.setReader(0);
    size_t before = card->transcript().size();
    char wrong[] = "999999";
    EXPECT_EQ(u.VerifyPIN(5, wrong), -2);
    EXPECT_EQ(u.VerifyPIN(-1, wrong), -2);
    EXPECT_EQ(u.numCerts, 3);
    for (size_t i = before; i < card->transcript().size(); ++i)
        EXPECT_NE(card->transcript()[i].command.size() > 1 ? card->transcript()[i].command[1] : 0, 0x20);
    EXPECT_EQ(card->pinTriesLeft("3F00/0604", 0x81), 3);

    char right[] = "123456";
    EXPECT_EQ(u.VerifyPIN(0, right), 1);
    EXPECT_EQ(u.VerifyPIN(0, wrong), 0);
    EXPECT_EQ(card->pinTriesLeft("3F00/0604", 0x81), 2);

    // A null PIN asks the user.
    DialogHost::install();
    DialogHost::pins = {"123456"};
    EXPECT_EQ(u.VerifyPIN(0, nullptr), 1);
    ASSERT_FALSE(DialogHost::calls.empty());
    EXPECT_EQ(DialogHost::calls[0].action, PIN_DLG_SHOW);

    char newPin[] = "24680";
    EXPECT_EQ(u.ChangePIN(0, right, newPin), 1);
    EXPECT_EQ(u.VerifyPIN(0, newPin), 1);
    EXPECT_EQ(u.ChangePIN(7, newPin, right), -2);
}

TEST_F(SignSim, FacadeGivesMinusOneForACardWithoutProfileAndNothingForAnEmptyReader) {
    pcscsim::addReader("Virtual PCD 00 00");
    pcscsim::insertCard(
        "Virtual PCD 00 00",
        std::shared_ptr<cardsim::Card>(cardsim::Card::fromText("[card]\ndialect = iso\natr = 3B 02 14 50\n")));
    CSCUtils u;
    u.setReader(0);
    char pin[] = "1234";
    EXPECT_EQ(u.VerifyPIN(0, pin), -1);
    EXPECT_EQ(u.ChangePIN(0, pin, pin), -1);
    EXPECT_EQ(u.GetNumCerts(), 0);
    EXPECT_EQ(u.GetCertIDs(), 0);
    pcscsim::removeCard("Virtual PCD 00 00");
    EXPECT_EQ(u.GetNumCerts(), 0);
    EXPECT_EQ(u.GetX509(0), nullptr);
    EXPECT_EQ(u.VerifyPIN(0, pin), -1);
}

TEST_F(SignSim, PinPadSupportRereadsTheSettingsFile) {
    insert("starcos35-a", "Pinpad Reader 00", true);
    pcscsim::addReader("Plain Reader 01");
    CSCUtils u;
    {
        std::ofstream f("settings.cfg");
        f << "language = 0;\nlogEnabled = false;\nlogFile = \"/tmp/vn-test-sign.log\";\nhideUnusedCerts = false;\n"
             "keyboardPIN = false;\nlogLevel = 0;\npinDialogEnabled = false;\n";
    }
    EXPECT_TRUE(u.getPINPADSupport(0));
    EXPECT_FALSE(u.getPINPADSupport(1));
    {
        std::ofstream f("settings.cfg");
        f << "language = 0;\nlogEnabled = false;\nlogFile = \"/tmp/vn-test-sign.log\";\nhideUnusedCerts = false;\n"
             "keyboardPIN = true;\nlogLevel = 0;\npinDialogEnabled = false;\n";
    }
    EXPECT_FALSE(u.getPINPADSupport(0));
    unlink("settings.cfg");
}
