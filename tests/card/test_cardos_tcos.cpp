// TCOS 2.0, 3.0 and 3.0v2: selection, signatures by key path, the keys that need
// secure messaging, the application selection and the pin-pad limits of 3.0v2.
#include "CardOsSim.h"

using namespace cardostest;

class TcosTest : public CardOsTest {};

namespace {
const Bytes kHash = sha256(Bytes{'t', 'c', 'o', 's'});
const std::string kDigestInfo = "3031300D060960864801650304020105000420" + hexOf(kHash);
}  // namespace

TEST_F(TcosTest, Tcos20SelectsWithFciAndSignsByKeyPath) {
    insert("tcos20-telesec");
    auto c = open<CSC_Profile_TCOS20>();
    ASSERT_EQ(c->PreSigning(1, "3f00DF065331"), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"00A40000023F00FF", "00A4010002DF06FF", "00A40200025331FF"}));
    EXPECT_EQ(c->GetFileLen(), 1);
    c->SetCardProfile(1);
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3f00DF065331", 0x81, 1024, 0x800C, kHash, 1), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"002A9E9A33" + kDigestInfo + "00"}));
    ASSERT_EQ(c->PreSigning(1, "3f00DF0253B1"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3f00DF0253B1", 0x81, 1024, 0x800C, kHash, 1), 0);
    auto cmds = commands();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0], "0022C1B806800110840181");
    EXPECT_EQ(cmds[1].substr(0, 18),
              "002A808480"
              "0001FFFF");  // the padded 128-byte block
    EXPECT_EQ(cmds[1].size(), (5u + 128u + 1u) * 2);
    // A short key path signs without an environment as well.
    clear();
    EXPECT_EQ(signHash(*c, "5331", 0x81, 1024, 0x800C, kHash, 1), 0);
    EXPECT_EQ(commands().size(), 1u);
    EXPECT_EQ(c->getCardSerial(), "2760012345678901");
    // The base PIN rules: ASCII, 4 to 8 characters; a 9-character new PIN is not sent.
    unsigned char old[] = "123456", nine[] = "123456789";
    clear();
    EXPECT_EQ(c->SCChangeRef(0x81, old, 6, nine, 9), 255);
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(verifyPin(*c, 0x81, "12345"), 255);  // 63C2 in the base mapping
    EXPECT_EQ(commands().back(), "00200081053132333435");
}

TEST_F(TcosTest, Tcos30SignsSecureMessagingKeysOnlyInASessionAndTheOthersDirectly) {
    insert("tcos30-telesec");
    auto c = open<CSC_Profile_TCOS30>();
    ASSERT_EQ(c->PreSigning(3, "3f00df015344"), 255);  // no such key file on this card
    ASSERT_EQ(verifyPin(*c, 0x00, "123456"), 0);
    EXPECT_EQ(c->InitSM(), 255);  // no card authentication key was given
    EXPECT_FALSE(c->isSmInitialized());
    clear();
    // Without a session the key is never used unprotected.
    EXPECT_EQ(signHash(*c, "3F00DF01C000", 0x81, 2048, 0x800C, kHash, 3), 255);
    EXPECT_TRUE(commands().empty());
    ASSERT_EQ(c->PreSigning(3, "3f00DF025344"), 0);
    EXPECT_EQ(commands().back(), "00A40204025344FF");
    EXPECT_EQ(c->InitSM(), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3f00DF025344", 0x80, 2048, 0x800C, kHash, 3), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"002A9E9A000033" + kDigestInfo + "0000"}));
    clear();
    EXPECT_EQ(signHash(*c, "3f00DF025344", 0x81, 2048, 0x800C, kHash, 3), 0);
    EXPECT_EQ(commands()[0], "002241B80680010A840181");
    EXPECT_EQ(commands()[1].substr(0, 22), "002A8086000101000001FF");
    // Other key paths go through DECIPHER without an environment.
    clear();
    EXPECT_EQ(signHash(*c, "3f00DF024331", 0x80, 2048, 0x800C, kHash, 3), 0);
    EXPECT_EQ(commands().size(), 1u);
    EXPECT_EQ(commands()[0].substr(0, 14), "002A8086000101");
    unsigned char challenge[8] = {1, 2, 3, 4, 5, 6, 7, 8}, answer[300];
    unsigned long n = sizeof(answer);
    clear();
    c->InternalAuthenticate(challenge, 8, answer, &n);
    EXPECT_EQ(commands()[0],
              "00880000080102030405060708"
              "00");
    EXPECT_EQ(c->getCardSerial(), "80276003000000123456");
}

TEST_F(TcosTest, Tcos30v2SelectsTheApplicationAndChoosesTheTemplateByKey) {
    insert("tcos30v2-esign");
    auto c = open<CSC_Profile_TCOS30V2>();
    ASSERT_EQ(c->PreSigning(75, "A000000167455349474E"), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"00A404040AA000000167455349474EFF"}));
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "A000000167455349474E", 0x84, 256, 0x800C, kHash, 75), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"002241B603840184", "002A9E9A20" + hexOf(kHash) + "00"}));
    clear();
    signHash(*c, "A000000167455349474E", 0x81, 256, 0x800C, kHash, 75);
    EXPECT_EQ(commands()[0], "002241B803840181");
    clear();
    Bytes out(64);
    unsigned long len = out.size();
    EXPECT_EQ(c->RSADecrypt("A000000167455349474E", 0x84, out.data(), 32, out.data(), &len, 75, true), 255);
    EXPECT_TRUE(commands().empty());
    // The pin pad takes 5 to 15 digits whatever the card's limits.
    c->initPinPad();
    EXPECT_EQ(hexOf(c->verifyBytes() + 5, 2), "0F05");
    c->SetMinMaxPINLength();
    EXPECT_EQ(c->getMinPinLength(), 4);
}
