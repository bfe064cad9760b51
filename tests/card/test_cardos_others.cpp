// Micardo 2.1, SECCOS 5, SetCOS 4.4.1 and 4.4.2, and the creation of the card-OS object
// for each card type.
#include "CardOsSim.h"
#include "ConfigSC.h"
#include "card/CardFactory.h"

using namespace cardostest;

class OthersTest : public CardOsTest {};

namespace {
const Bytes kHash = sha256(Bytes{'o', 't', 'h', 'e', 'r'});
const std::string kDigestInfo = "3031300D060960864801650304020105000420" + hexOf(kHash);
}  // namespace

TEST_F(OthersTest, Micardo21UsesT0SelectionsAndItsOwnEnvironments) {
    insert("micardo21-dtrust");
    auto c = open<CSC_Profile_Micardo21>();
    ASSERT_EQ(c->PreSigning(2, "3f0040160050"), 0);
    EXPECT_EQ(commands(),
              (std::vector<std::string>{"00A4000000", "00A40100024016", "00C000000C", "00A40200020050", "00C0000010"}));
    EXPECT_EQ(c->GetFileLen(), 1);
    ASSERT_EQ(verifyPin(*c, 0x82, "123456"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3f0040160050", 0x50, 1024, 0x800C, kHash, 2), 0);
    EXPECT_EQ(commands()[0], "002241A4058303805000");
    EXPECT_EQ(commands()[1], "0088000033" + kDigestInfo);
    EXPECT_EQ(commands()[2], "00C0000080");
    ASSERT_EQ(verifyPin(*c, 0x01, "654321"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3f0040160051", 0x51, 1024, 0x800C, kHash, 2), 0);
    EXPECT_EQ(commands()[0], "002241B6058303805100");
    EXPECT_EQ(commands()[1], "002A9E9A33" + kDigestInfo);
    EXPECT_EQ(c->getCardSerial(), "0000214455667788");
    c->SetCardProfile(2);
    EXPECT_EQ(c->getMinPinLength(), 6);
    EXPECT_EQ(c->getMaxPinLength(), 8);
    // Pin pad: the modify structure puts the new PIN at byte 8 of 16.
    c->initPinPad();
    EXPECT_EQ(c->modifyBytes()[6], 0x08);
    EXPECT_EQ(hexOf(c->modifyBytes() + 20, 4), "15000000");
    c->ModifyModifyStruct("3f0040160013", 0x82, c->getModifyStructure());
    EXPECT_EQ(hexOf(c->modifyBytes() + 2, 7),
              "820800000808"
              "06");
    EXPECT_EQ(hexOf(c->modifyBytes() + 24, 4), "00240082");
}

TEST_F(OthersTest, SecCos5PinEncodingsEnvironmentsAndPinPadByPath) {
    insert("seccos5-sparkasse");
    auto c = open<CSC_Profile_SecCos5>();
    ASSERT_EQ(c->PreSigning(8, "3f00ab000016"), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"00A40000023F0000", "00A4010402AB0000", "00A4020402001600"}));
    clear();
    EXPECT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    EXPECT_EQ(verifyPin(*c, 0x03, "654321"), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"002000810826123456FFFFFFFF", "0020000306363534333231"}));
    clear();
    EXPECT_EQ(signHash(*c, "3f00ab000016", 0x01, 2048, 0x8004, Bytes(kHash.begin(), kHash.begin() + 20), 8), 0);
    EXPECT_EQ(commands(),
              (std::vector<std::string>{"002241AA0489021410", "002241B6058903132310",
                                        "002A90A0169014" + hexOf(Bytes(kHash.begin(), kHash.begin() + 20)) + "00",
                                        "002A9E9A00"}));
    // The templates name SHA-1 and SHA-256 alone: a SHA-384 hash is refused before any
    // command instead of going out under SHA-1's reference.
    clear();
    const Bytes sha384Hash(48, 0x38);
    EXPECT_NE(signHash(*c, "3f00ab000016", 0x01, 2048, 0x800D, sha384Hash, 8), 0);
    EXPECT_TRUE(commands().empty());
    EXPECT_FALSE(c->isSupportedHashAlgo(1, 2));
    EXPECT_TRUE(c->isSupportedHashAlgo(1, 1));
    clear();
    EXPECT_EQ(signHash(*c, "3f00ab00c500", 0x82, 2048, 0x800C, kHash, 8), 0);
    EXPECT_EQ(commands()[0], "002241A406840182800105");
    EXPECT_EQ(commands()[1].substr(0, 16), "0088008200010000");
    // Other key sizes: the digital signature template with algorithm 12.
    clear();
    signHash(*c, "3f00ab000016", 0x01, 1024, 0x800C, kHash, 8);
    EXPECT_EQ(commands()[0], "002241B603800112");
    EXPECT_EQ(commands()[1], "002A9E9A33" + kDigestInfo + "00");
    unsigned char out[16];
    unsigned long n = sizeof(out);
    clear();
    c->GetData(0x9F, 0x7F, 0, out, &n);
    EXPECT_EQ(commands(), (std::vector<std::string>{"00CA9F7F00"}));
    // Pin pad: format-2 for the signature PIN path, ASCII in an 8-byte field otherwise.
    c->SetMinMaxPINLength();
    c->initPinPad();
    c->ModifyVerifyStruct("3F00AB000016", 0x81, c->getVerifyStructure());
    EXPECT_EQ(hexOf(c->verifyBytes() + 2, 3), "894704");
    c->ModifyVerifyStruct("3f00ab00c500", 0x03, c->getVerifyStructure());
    EXPECT_EQ(hexOf(c->verifyBytes() + 2, 3), "820800");
    EXPECT_EQ(hexOf(c->verifyBytes() + 19, 4), "00200003");
    EXPECT_EQ(c->getCardSerial(), "67280005000000007788");
}

TEST_F(OthersTest, SetCos441CommandsAndKeyFileEnvironment) {
    insert("setcos441-telia");
    auto c = open<CSC_Profile_SetCos441>();
    ASSERT_EQ(c->PreSigning(9, "3F0050154B01"), 0);
    auto cmds = commands();
    ASSERT_GE(cmds.size(), 4u);
    EXPECT_EQ(cmds[0], "00A40000023F00");
    EXPECT_EQ(cmds[1].substr(0, 8), "00C00000");  // the FCI comes by GET RESPONSE under T=0
    EXPECT_EQ(cmds[2], "00A40100025015");
    ASSERT_EQ(verifyPin(*c, 0x01, "1234"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3F0050154B01", 0x01, 1024, 0x800C, kHash, 9), 0);
    EXPECT_EQ(commands()[0], "002241B60780010281024B01");
    EXPECT_EQ(commands()[1], "002A9E9A33" + kDigestInfo);
    clear();
    c->EraseFile();
    c->GenRSAKeyPair();
    unsigned char out[300];
    unsigned long n = sizeof(out);
    c->GetData(0x01, 0x01, 0x80, out, &n);
    EXPECT_EQ(commands(), (std::vector<std::string>{"000E000000",
                                                    "004600000980020400810301000"
                                                    "1",
                                                    "00CA010180"}));
    CSC_Profile_SetCos441 fresh;
    fresh.SetCardProfile(9);
    EXPECT_EQ(fresh.getMinPinLength(), 4);
    EXPECT_EQ(fresh.getMaxPinLength(), 8);
}

TEST_F(OthersTest, SetCos442PadsPinsAndSelectsByPath) {
    insert("setcos442-telia");
    auto c = open<CSC_Profile_SetCos442>();
    ASSERT_EQ(c->PreSigning(9, "3F0050164B02"), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"00A40000023F00", "00A40900025016", "00A40900024B02"}));
    clear();
    EXPECT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    unsigned char old[] = "123456", fresh[] = "1234567", nine[] = "123456789";
    EXPECT_EQ(c->SCChangeRef(0x81, old, 6, nine, 9), 255);
    EXPECT_EQ(c->SCChangeRef(0x81, old, 6, fresh, 7), 0);
    EXPECT_EQ(commands(),
              (std::vector<std::string>{"00200081083132333435360000", "002400811031323334353600003132333435363700"}));
    c->initPinPad();
    EXPECT_EQ(c->verifyBytes()[3], 0x08);
    EXPECT_EQ(c->modifyBytes()[3], 0x08);
}

TEST(CardOsFactory, EachCardTypeGetsItsClassAndName) {
    const struct {
        int type;
        const char* name;
    } rows[] = {{1, "TCOS 2.0"},      {2, "TCOS 3.0"},    {3, "Micardo 2.1"},    {4, "CardOS 4.3b"},
                {5, "Starcos 3.0"},   {6, "Seccos"},      {7, "Setcos"},         {9, "Starcos 3.2"},
                {10, "Setcos 4.4.2"}, {11, "CardOS 4.4"}, {12, "Starcos 3.4"},   {13, "TCOS 3.0v2"},
                {14, "Starcos 3.5"},  {15, "CardOS 5.0"}, {16, "SmartCard HSM"}, {17, "CardOS 5.4"}};
    for (const auto& r : rows) {
        std::unique_ptr<CSC_Profile_Base> p(vn_create_card_os(r.type));
        ASSERT_NE(p, nullptr) << r.type;
        p->UpdateSCardType(r.type);
        EXPECT_EQ(p->getCardName(), r.name);
    }
    EXPECT_NE(dynamic_cast<CSC_Profile_TCOS20*>(std::unique_ptr<CSC_Profile_Base>(vn_create_card_os(1)).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<CSC_Profile_Micardo21*>(std::unique_ptr<CSC_Profile_Base>(vn_create_card_os(3)).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<CSC_Profile_SetCos442*>(std::unique_ptr<CSC_Profile_Base>(vn_create_card_os(10)).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<CSC_Profile_TCOS30V2*>(std::unique_ptr<CSC_Profile_Base>(vn_create_card_os(13)).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<CSC_Profile_CardOS54*>(std::unique_ptr<CSC_Profile_Base>(vn_create_card_os(17)).get()),
              nullptr);
    std::unique_ptr<CSC_Profile_Base> s35(vn_create_card_os(14));
    EXPECT_FALSE(static_cast<CSC_Profile_StarCos35*>(s35.get())->isSecurityEnvironmentSet());
    for (int type : {-1, 0, 8, 18})
        EXPECT_EQ(vn_create_card_os(type), nullptr) << type;
}

TEST_F(OthersTest, MicardoIsSwitchedToT0OnceConnected) {
    insert("micardo21-dtrust");
    std::unique_ptr<CSC_Profile_Base> p(vn_create_card_os(3));
    ASSERT_EQ(p->connectCard(kReader, 0), 0);
    vn_card_os_connected(p.get(), 3);
    EXPECT_EQ(p->GetProtocol(), static_cast<unsigned long>(SCARD_PROTOCOL_T0));
}

namespace {
std::string startInput(const std::vector<pcscsim::Call>& calls, uint8_t feature) {
    for (const auto& call : calls)
        if (call.controlCode == pcscsim::featureCode(feature))
            return hexOf(call.input);
    return "";
}
}  // namespace

TEST_F(OthersTest, PinPadMessagesOfSetCos442AndMicardo) {
    insert("setcos442-telia", true);
    {
        auto c = open<CSC_Profile_SetCos442>();
        ASSERT_EQ(c->SelectPath("3f005016", false, false, true, false), 0);
        ASSERT_TRUE(c->readerPCSC_Part10());
        pcscsim::scriptKeys(kReader, "123456\r");
        pcscsim::clearCalls();
        gConfigSC.isService = true;
        EXPECT_EQ(c->Verify("", "PIN", 0x81, false, true, nullptr, 0, "", 0, -1), 0);
        gConfigSC.isService = false;
        // 23 bytes of structure (ASCII in an 8-byte field), Lc 08 and a zero template.
        EXPECT_EQ(startInput(controls(), FEATURE_VERIFY_PIN_START),
                  "1E1E820800080602010000000000000D00000000200081"
                  "080000000000000000");
        EXPECT_EQ(commands().back(), "00200081083132333435360000");
    }
    pcscsim::removeCard(kReader);
    pcscsim::removeReader(kReader);
    insert("micardo21-dtrust", true);
    auto c = open<CSC_Profile_Micardo21>();
    ASSERT_TRUE(c->readerPCSC_Part10());
    pcscsim::scriptKeys(kReader, "\x1b");
    pcscsim::clearCalls();
    gConfigSC.isService = true;
    c->ChangeRef("", "", "", "", "PIN", 0x82, true, nullptr, 0, "", 0, "", 0, false);
    gConfigSC.isService = false;
    // 28 bytes of structure, Lc 10 and two FF-filled 8-byte fields.
    EXPECT_EQ(startInput(controls(), FEATURE_MODIFY_PIN_START),
              "1E1E820800000808060302030000000102000000"
              "15000000"
              "00240082"
              "10" +
                  std::string(32, 'F'));
}
