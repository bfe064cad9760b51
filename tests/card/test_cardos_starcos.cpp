// STARCOS 3.0 to 3.5 and SmartCard-HSM: commands on the wire, PIN blocks, limits, the
// security-environment flag, status mapping and pin-pad structures.
#include <cstring>

#include "CardOsSim.h"
#include "ConfigSC.h"

using namespace cardostest;

class StarcosTest : public CardOsTest {};

namespace {
const Bytes kHash = sha256(Bytes{'h', 'a', 's', 'h'});
const std::string kDigestInfo = "3031300D060960864801650304020105000420" + hexOf(kHash);
}  // namespace

TEST_F(StarcosTest, StarCos35SelectsWithFcpAndReadsTheSerialFromEfGdo) {
    insert("starcos35-a");
    auto c = open<CSC_Profile_StarCos35>();
    ASSERT_EQ(c->SelectPath("3f000604c001", false, false, false, false), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"00A40004023F0000", "00A40104020604FF", "00A4020402C00100"}));
    EXPECT_GT(c->GetFileLen(), 500);
    EXPECT_EQ(c->getCardSerial(), "92760003510000001234");
    unsigned char out[64];
    unsigned long n = 0;
    clear();
    EXPECT_EQ(c->GetData(0x01, 0x81, 0, out, &n), 255);  // no such object on this card
    EXPECT_EQ(commands(), (std::vector<std::string>{"A0CA018100"}));
}

TEST_F(StarcosTest, StarCos35PinBlocksLimitsAndTries) {
    insert("starcos35-a");
    auto c = open<CSC_Profile_StarCos35>();
    ASSERT_EQ(c->SelectPath("3f000604", false, false, true, false), 0);
    clear();
    EXPECT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    EXPECT_EQ(verifyPin(*c, 0x81, "12345"), 255);  // wrong PIN: 63 C2
    EXPECT_EQ(c->getRemainingTries(), 2);
    EXPECT_EQ(commands(), (std::vector<std::string>{"002000810826123456FFFFFFFF", "00200081082512345FFFFFFFFF"}));
    EXPECT_EQ(answers()[1], "63C2");

    clear();
    unsigned char old[] = "123456", four[] = "1234", five[] = "54321";
    EXPECT_EQ(c->SCChangeRef(0x81, old, 6, four, 4), 255);  // below minimum - 1: nothing sent
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(c->SCChangeRef(0x81, old, 6, five, 5), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"002400811026123456FFFFFFFF2554321FFFFFFFFF"}));
    clear();
    unsigned char puk[] = "12345678";
    EXPECT_EQ(c->SCUnblockPin(0x81, puk, 8, five, 5), 255);  // unblock needs the full minimum
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(c->SCUnblockPin2(0x81, puk, 8), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"002C0181082812345678FFFFFF"}));
    c->SetUnblockMethod();
    EXPECT_EQ(c->GetUnblockMethod(), 1);
    unsigned char letters[] = "12a456";
    clear();
    EXPECT_EQ(c->SCVerify(0x81, letters, 6), 255);
    EXPECT_TRUE(commands().empty());
}

TEST_F(StarcosTest, StarCos35KeepsTheEnvironmentAcrossSignaturesUntilAPsoFails) {
    insert("starcos35-a");
    auto c = open<CSC_Profile_StarCos35>();
    ASSERT_EQ(c->PreSigning(74, "3f000604c001"), 0);
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    c->SetNoRSAPSS(true);
    clear();
    EXPECT_EQ(signHash(*c, "3f000604c001", 0x84, 2048, 0x800C, kHash, 74), 0);
    EXPECT_EQ(signHash(*c, "3f000604c001", 0x84, 2048, 0x800C, kHash, 74), 0);
    auto cmds = commands();
    ASSERT_EQ(cmds.size(), 3u);
    EXPECT_EQ(cmds[0], "002241B60784018489021323");
    EXPECT_EQ(cmds[1], "002A9E9A33" + kDigestInfo + "00");
    EXPECT_EQ(cmds[2], cmds[1]);

    m_card->addFaultAfter(1, cardsim::Fault{cardsim::Fault::Kind::StatusWord, 0, 0x6982, 0});
    clear();
    EXPECT_EQ(signHash(*c, "3f000604c001", 0x84, 2048, 0x800C, kHash, 74), 13);
    EXPECT_FALSE(c->isSecurityEnvironmentSet());
    EXPECT_EQ(signHash(*c, "3f000604c001", 0x84, 2048, 0x800C, kHash, 74), 0);
    cmds = commands();
    ASSERT_EQ(cmds.size(), 3u);
    EXPECT_EQ(cmds[1], "002241B60784018489021323");

    // RSA-PSS requested by the algorithm flag: the hash reference follows the algorithm.
    c->setSecurityEnvironmentSet(false);
    clear();
    Bytes h384(48, 7);
    EXPECT_EQ(signHash(*c, "3f000604c001", 0x84, 2048, 0x1800D, h384, 74), 0);
    EXPECT_FALSE(c->IsNoRSAPSS());
    EXPECT_EQ(commands()[0], "002241B6088401848903133340");
    EXPECT_EQ(commands()[1], "002A9E9A30" + hexOf(h384) + "00");
}

TEST_F(StarcosTest, StarCos35DeciphersWithExtendedLengths) {
    insert("starcos35-a");
    auto c = open<CSC_Profile_StarCos35>();
    ASSERT_EQ(c->PreSigning(74, "3f000604c001"), 0);
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    Bytes cryptogram = encryptTo("signer-rsa2048.der", Bytes{1, 2, 3});
    clear();
    Bytes out(512);
    unsigned long len = out.size();
    ASSERT_EQ(c->RSADecrypt("3f000604c001", 0x84, cryptogram.data(), cryptogram.size(), out.data(), &len, 74, true), 0);
    EXPECT_EQ(commands()[0], "002241B803840184");
    EXPECT_EQ(commands()[1], "002A80860001018" + std::string("1") + hexOf(cryptogram) + "0000");
}

TEST_F(StarcosTest, StarCos35PinPadStructuresAndKobilOffsets) {
    insert("starcos35-a", true, "KOBIL Systems KAAN Advanced 00 00");
    auto c = open<CSC_Profile_StarCos35>();
    c->SetMinMaxPINLength();
    ASSERT_EQ(c->SelectPath("3f000604", false, false, true, false), 0);
    ASSERT_TRUE(c->readerPCSC_Part10());
    EXPECT_EQ(hexOf(c->verifyBytes(), 23), "1E1E0200000C0602010000000000000400000000200000");
    EXPECT_EQ(hexOf(c->modifyBytes(), 28),
              "1E1E020000"
              "00"
              "00"
              "0C06"
              "03"
              "02"
              "03"
              "0000"
              "00"
              "01"
              "02"
              "000000"
              "04000000"
              "00240000");
    c->ModifyVerifyStruct("3f000604", 0x81, c->getVerifyStructure());
    EXPECT_EQ(hexOf(c->verifyBytes(), 23), "1E1E8947040C0602010000000000000D00000000200081");
    c->ModifyModifyStruct("3f000604", 0x81, c->getModifyStructure());
    EXPECT_EQ(hexOf(c->modifyBytes(), 28),
              "1E1E8947040109"
              "0C05"
              "030203"
              "0000"
              "000102"
              "000000"
              "15000000"
              "00240081");

    // Verification on the pin pad: 23 bytes of structure, Lc 08 and the format-2 template.
    pcscsim::scriptKeys(kReader, "123456\r");
    pcscsim::clearCalls();
    gConfigSC.isService = true;
    int r = c->Verify("", "PIN", 0x81, false, true, nullptr, 0, "", 0, -1);
    gConfigSC.isService = false;
    EXPECT_EQ(r, 0);
    std::string start;
    for (auto& call : controls())
        if (call.controlCode == pcscsim::featureCode(FEATURE_VERIFY_PIN_START))
            start = hexOf(call.input);
    EXPECT_EQ(start,
              "1E1E8947040C0602010000000000000D00000000200081"
              "0820FFFFFFFFFFFFFF");
    EXPECT_EQ(commands().back(), "002000810826123456FFFFFFFF");
}

TEST_F(StarcosTest, StarCos34SignsTheDigestInfoAndPreSigningResetsTheEnvironment) {
    insert("starcos34-dtrust");
    auto c = open<CSC_Profile_StarCos34>();
    ASSERT_EQ(c->PreSigning(61, "3f000604"), 0);
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3f000604", 0x84, 2048, 0x800C, kHash, 61), 0);
    EXPECT_EQ(signHash(*c, "3f000604", 0x84, 2048, 0x800C, kHash, 61), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"002241B60784018489021323", "002A9E9A33" + kDigestInfo + "00",
                                                    "002A9E9A33" + kDigestInfo + "00"}));
    ASSERT_EQ(c->PreSigning(61, "3f000604"), 0);
    EXPECT_FALSE(c->isSecurityEnvironmentSet());
    m_card->addFaultAfter(2, cardsim::Fault{cardsim::Fault::Kind::StatusWord, 0, 0x6985, 0});
    clear();
    EXPECT_EQ(signHash(*c, "3f000604", 0x84, 2048, 0x800C, kHash, 61), 13);
    EXPECT_EQ(commands().size(), 2u);
    c->SetMinMaxPINLength();
    EXPECT_EQ(c->getMinPinLength(), 6);
    EXPECT_EQ(c->getMaxPinLength(), 12);
}

TEST_F(StarcosTest, StarCos32CommandsByKeyPathAndProfileAndItsStatusMapping) {
    insert("starcos32-medisign");
    auto c = open<CSC_Profile_StarCos32>();
    ASSERT_EQ(c->PreSigning(30, "3f003f04c000"), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"00A40004023F0000", "00A40104023F04FF", "00A4020402C00000"}));
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    ASSERT_EQ(verifyPin(*c, 0x01, "654321"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3f003f04c000", 0x84, 2048, 0x800C, kHash, 30), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"002241B606840184800142", "002A9E9A33" + kDigestInfo + "00"}));
    ASSERT_EQ(c->PreSigning(11, "3f003f02c500"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3f003f02c500", 0x82, 2048, 0x800C, kHash, 11), 0);
    EXPECT_EQ(commands(),
              (std::vector<std::string>{"0022F301", "002241A406840182800105", "0088000033" + kDigestInfo + "00"}));
    ASSERT_EQ(c->PreSigning(30, "3f003f01c500"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3f003f01c500", 0x86, 2048, 0x800C, kHash, 30), 0);
    auto cmds = commands();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0], "002241B8058403800600");
    EXPECT_EQ(cmds[1].substr(0, 20),
              "002A808600010100"
              "0001");  // 00 in front of the padded block
    EXPECT_EQ(cmds[1].size(), (9u + 257u) * 2);

    // No 6982 in the STARCOS 3.2 mapping; 63Cx counts.
    clear();
    EXPECT_EQ(verifyPin(*c, 0x01, "111111"), 255);
    EXPECT_EQ(c->getRemainingTries(), 2);
    m_card->addFaultAfter(1, cardsim::Fault{cardsim::Fault::Kind::StatusWord, 0, 0x6982, 0});
    EXPECT_EQ(verifyPin(*c, 0x01, "654321"), 255);
    EXPECT_EQ(verifyPin(*c, 0x01, "654321"), 0);
}

TEST_F(StarcosTest, StarCos30HashesOnTheCardAndChainsTheCryptogram) {
    insert("starcos30-signtrust");
    auto c = open<CSC_Profile_StarCos30>();
    ASSERT_EQ(c->PreSigning(13, "3f003f01c000"), 0);
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3f003f01c000", 0x84, 2048, 0x800C, kHash, 13), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"002241AA03800130", "002241B606840184800112",
                                                    "002A90A0229020" + hexOf(kHash) + "00", "002A9E9A00"}));
    ASSERT_EQ(verifyPin(*c, 0x01, "654321"), 0);
    clear();
    EXPECT_EQ(signHash(*c, "3f003f01c500", 0x86, 2048, 0x800C, kHash, 13), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"002241A406840186800101", "0088000033" + kDigestInfo + "00"}));
    Bytes cryptogram = encryptTo("auth-rsa2048.der", Bytes{9, 9});
    Bytes out(300);
    unsigned long len = out.size();
    clear();
    ASSERT_EQ(c->RSADecrypt("3f003f01c200", 0x93, cryptogram.data(), cryptogram.size(), out.data(), &len, 13, false),
              0);
    auto cmds = commands();
    ASSERT_EQ(cmds.size(), 3u);
    EXPECT_EQ(cmds[0], "002241B803840193");
    EXPECT_EQ(cmds[1], "102A8086F981" + hexOf(Bytes(cryptogram.begin(), cryptogram.begin() + 248)));
    EXPECT_EQ(cmds[2], "002A808608" + hexOf(Bytes(cryptogram.begin() + 248, cryptogram.end())) + "00");
    // PINs of 6 to 8 digits, format-2 blocks; a 9-digit new PIN is refused unsent.
    unsigned char old[] = "123456", nine[] = "123456789";
    clear();
    EXPECT_EQ(c->SCChangeRef(0x81, old, 6, nine, 9), 255);
    EXPECT_TRUE(commands().empty());
}

TEST_F(StarcosTest, SmartCardHsmCommandsSerialAndOddReadBinary) {
    insert("smartcard-hsm");
    auto c = open<CSC_Profile_SmartCardHSM>();
    EXPECT_EQ(c->getCardSerial(), "4445434d303130323334");
    EXPECT_EQ(commands()[0], "00A4040C0AE82B0601040181C31F0200");
    ASSERT_EQ(c->SelectPath("E82B0601040181C31F02", false, false, false, true), 0);
    ASSERT_EQ(c->SelectPath("3f004000c001", true, false, false, false), 0);
    unsigned char buf[2048];
    unsigned short n = sizeof(buf);
    clear();
    ASSERT_EQ(c->ReadFile(buf, &n), 0);
    EXPECT_GT(n, 500);
    EXPECT_EQ(commands()[0], "00B100000454020000F4");
    EXPECT_EQ(buf[0], 0x30);
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    c->SetNoRSAPSS(true);
    clear();
    EXPECT_EQ(signHash(*c, "", 0x01, 2048, 0x800C, kHash, 82), 0);
    EXPECT_EQ(commands()[0].substr(0, 18),
              "80680120000100"
              "0001");
    c->SetNoRSAPSS(false);
    clear();
    EXPECT_EQ(signHash(*c, "", 0x01, 2048, 0x1800C, kHash, 82), 0);
    EXPECT_EQ(commands()[0],
              "8068014000002"
              "0" +
                  hexOf(kHash) + "0000");
    unsigned char out[1024];
    unsigned long outLength = sizeof(out);
    clear();
    EXPECT_EQ(c->EnumerateObjects(out, &outLength), 0);
    EXPECT_EQ(commands()[0], "8058000000");
    EXPECT_EQ(hexOf(out, outLength), "C001CC01C401CE01");
    c->setReaderName("x");
    c->initPinPad();
    EXPECT_EQ(hexOf(c->verifyBytes() + 19, 4), "00200081");
}
