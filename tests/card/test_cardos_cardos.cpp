// CardOS 4.3b, 4.4, 5.0 and 5.4: selection, chip serial, PIN limits by profile, the
// environments and signature commands by profile type, the CardOS status mapping.
#include "CardOsSim.h"

using namespace cardostest;

class CardosTest : public CardOsTest {};

namespace {
const Bytes kHash = sha256(Bytes{'c', 'a', 'r', 'd', 'o', 's'});
const std::string kDigestInfo = "3031300D060960864801650304020105000420" + hexOf(kHash);
}  // namespace

TEST_F(CardosTest, CardOS43bSelectsReadsTheChipSerialAndMapsStatus) {
    insert("cardos43b-dtrust");
    auto c = open<CSC_Profile_CardOS43b>();
    ASSERT_EQ(c->SelectPath("3f001fff", false, false, true, false), 0);
    ASSERT_EQ(c->SelectPath("3f0050154304c001", false, false, false, false), 255);  // no such file
    auto cmds = commands();
    EXPECT_EQ(cmds[0], "00A4000400");
    EXPECT_EQ(cmds[1], "00A40104021FFF00");
    EXPECT_EQ(cmds[5], "00A4020402C00100");
    clear();
    std::string serial = c->getCardSerial();
    EXPECT_EQ(commands(), (std::vector<std::string>{"00CA018100"}));
    EXPECT_EQ(serial.size(), 16u);
    EXPECT_EQ(serial.substr(0, 4), "4342");

    ASSERT_EQ(c->SelectPath("3f001fff", false, false, true, false), 0);
    EXPECT_EQ(verifyPin(*c, 0x81, "11111111"), 14);  // 6300
    EXPECT_EQ(c->getRemainingTries(), -1);
    EXPECT_EQ(verifyPin(*c, 0x81, "11111111"), 14);
    EXPECT_EQ(verifyPin(*c, 0x81, "11111111"), 6);  // 6983: blocked
    EXPECT_EQ(verifyPin(*c, 0x81, "12345678"), 6);
    EXPECT_EQ(answers().back(), "6983");
}

TEST_F(CardosTest, CardOSPinLimitsFollowTheProfileType) {
    const struct {
        int profile;
        unsigned char min43, min44;
    } rows[] = {{20, 8, 8}, {21, 6, 6}, {24, 6, 6}, {25, 6, 6}, {29, 6, 6}, {40, 5, 5}, {41, 5, 8}, {23, 8, 8}};
    for (const auto& r : rows) {
        CSC_Profile_CardOS43b a;
        CSC_Profile_CardOS44 b;
        a.SetCardProfile(r.profile);
        b.SetCardProfile(r.profile);
        EXPECT_EQ(a.getMinPinLength(), r.min43) << r.profile;
        EXPECT_EQ(b.getMinPinLength(), r.min44) << r.profile;
        EXPECT_EQ(a.getMaxPinLength(), 15);
        EXPECT_EQ(b.getMaxPinLength(), 15);
    }
    CSC_Profile_CardOS50 c50;
    CSC_Profile_CardOS54 c54;
    c50.SetCardProfile(77);
    c54.SetCardProfile(83);
    EXPECT_EQ(c50.getMinPinLength(), 6);
    EXPECT_EQ(c54.getMaxPinLength(), 12);
}

TEST_F(CardosTest, CardOS43bEnvironmentAndSignatureByProfileType) {
    insert("cardos43b-dtrust");
    auto c = open<CSC_Profile_CardOS43b>();
    ASSERT_EQ(c->PreSigning(23, "3f001fff0102"), 0);
    ASSERT_EQ(verifyPin(*c, 0x81, "12345678"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3f001fff0102", 0x02, 2048, 0x800C, kHash, 23), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"002201B603840102", "002A9E9A33" + kDigestInfo + "00"}));
    ASSERT_EQ(c->PreSigning(20, "3F00501550724B015501"), 0);
    ASSERT_EQ(verifyPin(*c, 0x01, "87654321"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3F00501550724B015501", 0x01, 2048, 0x800C, kHash, 20), 0);
    auto cmds = commands();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0], "002201B803830101");
    EXPECT_EQ(cmds[1].substr(0, 22), "002A8086000101000001FF");
    EXPECT_EQ(cmds[1].substr(cmds[1].size() - 4), "0100");  // Le 256

    // Profiles 26 and 27: no environment for a 12-character key path, else erase and set.
    clear();
    EXPECT_EQ(signHash(*c, "3F00501550724B015501", 0x01, 2048, 0x800C, kHash, 26), 0);
    EXPECT_EQ(commands()[0], "00220301");
    EXPECT_EQ(commands()[1], "002201B803840101");
    // An unknown profile type is refused before anything is sent.
    clear();
    EXPECT_EQ(signHash(*c, "3f001fff0102", 0x02, 2048, 0x800C, kHash, 77), 255);
    EXPECT_TRUE(commands().empty());
    // 6982 from the card maps to 13.
    m_card->addFaultAfter(2, cardsim::Fault{cardsim::Fault::Kind::StatusWord, 0, 0x6982, 0});
    EXPECT_EQ(signHash(*c, "3F00501550724B015501", 0x01, 2048, 0x800C, kHash, 20), 13);
}

TEST_F(CardosTest, CardOS44SignsOnlyForItsProfiles) {
    insert("cardos44-dtrust");
    auto c = open<CSC_Profile_CardOS44>();
    ASSERT_EQ(c->PreSigning(50, "3f002000200100260001"), 0);
    ASSERT_EQ(verifyPin(*c, 0x81, "12345678"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3f002000200100260001", 0x01, 2048, 0x800C, kHash, 23), 255);
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(signHash(*c, "3f002000200100260001", 0x01, 2048, 0x800C, kHash, 52), 0);
    EXPECT_EQ(commands()[0], "002201B803830101");
    Bytes cryptogram = encryptTo("signer-rsa2048.der", Bytes{5});
    Bytes out(512);
    unsigned long len = out.size();
    clear();
    ASSERT_EQ(c->RSADecrypt("x", 0x01, cryptogram.data(), cryptogram.size(), out.data(), &len, 50, false), 0);
    EXPECT_EQ(commands()[0], "002241B803840101");
    EXPECT_EQ(commands()[1], "002A808600010181" + hexOf(cryptogram) + "0000");
}

TEST_F(CardosTest, CardOS50RestoresEnvironmentsAndSendsTheHash) {
    insert("cardos50-dtrust");
    auto c = open<CSC_Profile_CardOS50>();
    ASSERT_EQ(c->SelectPath("3F001FFF", false, false, true, false), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"00A4000400", "00A40104021FFF00"}));
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3F001FFF", 0x81, 2048, 0x1800C, kHash, 15), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"0022F309", "002A9E9A000020" + hexOf(kHash) + "0100"}));
    // Without the PIN again the card refuses: 6982 maps to 13.
    clear();
    EXPECT_EQ(signHash(*c, "3F001FFF", 0x81, 3072, 0x2800C, kHash, 15), 13);
    EXPECT_EQ(commands(), (std::vector<std::string>{"0022F304", "002A9E9A000020" + hexOf(kHash) + "0000"}));
    EXPECT_TRUE(c->isSupportedHashAlgo(1, 1));
    EXPECT_FALSE(c->isSupportedHashAlgo(1, 2));
    EXPECT_TRUE(c->isSupportedHashAlgo(0, 3));
    EXPECT_FALSE(c->isSupportedHashAlgo(0, 4));
    EXPECT_EQ(c->getCardSerial(), "0012345678900001");
    // A wrong PIN: 6300 -> 14; the pin-pad structures carry the limits.
    EXPECT_EQ(verifyPin(*c, 0x81, "000000"), 14);
    c->SetMinMaxPINLength();
    c->initPinPad();
    c->ModifyVerifyStruct("3F001FFF", 0x81, c->getVerifyStructure());
    EXPECT_EQ(hexOf(c->verifyBytes() + 2, 5), "0200000C06");
    c->ModifyModifyStruct("3F001FFF", 0x81, c->getModifyStructure());
    EXPECT_EQ(hexOf(c->modifyBytes() + 7, 2), "0C06");
}

TEST_F(CardosTest, CardOS54ChoosesTheEnvironmentByHashAndKeyType) {
    insert("cardos54-dtrust");
    auto c = open<CSC_Profile_CardOS54>();
    ASSERT_EQ(c->SelectPath("3F000101", false, false, true, false), 0);
    ASSERT_EQ(verifyPin(*c, 0x87, "123456"), 0);
    const struct {
        int profile;
        unsigned int alg;
        size_t hashLength;
        const char* se;
    } rows[] = {{83, 0x800C, 32, "0022F319"}, {83, 0x800D, 48, "0022F31A"}, {83, 0x800E, 64, "0022F31B"},
                {83, 0x8004, 20, "0022F319"}, {84, 0x800C, 32, "0022F321"}, {87, 0x800D, 48, "0022F321"}};
    for (const auto& r : rows) {
        clear();
        c->SetCardProfile(r.profile);
        int bits = r.profile == 83 ? 2048 : 256;
        unsigned char ref = r.profile == 83 ? 0x02 : 0x03;
        signHash(*c, "3F000101", ref, bits, r.alg, Bytes(r.hashLength, 0x11), r.profile);
        ASSERT_GE(commands().size(), 2u);
        EXPECT_EQ(commands()[0], r.se) << std::hex << r.alg;
        EXPECT_EQ(commands()[1].substr(0, 14), "002A9E9A0000" + hexOf(Bytes{static_cast<unsigned char>(r.hashLength)}));
        EXPECT_EQ(commands()[1].substr(commands()[1].size() - 4), "0000");
    }
    EXPECT_TRUE(c->isSupportedHashAlgo(2, 1));
    EXPECT_FALSE(c->isSupportedHashAlgo(2, 2));
    EXPECT_TRUE(c->isSupportedHashAlgo(1, 3));
    EXPECT_FALSE(c->isSupportedHashAlgo(1, 4));
    EXPECT_TRUE(c->isSupportedHashAlgo(5, 9));
    EXPECT_EQ(c->getCardSerial(), "0054000012345678");
}
