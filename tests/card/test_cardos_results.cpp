// A wrong result is a failure: answers without data or of another length than the key
// gives, raw RSA blocks whose padding is not well formed; the padding asked for is the
// padding used (OAEP where the card offers it, RSA-PSS only when asked).
#include "CardOsSim.h"

using namespace cardostest;

class CardOsResults : public CardOsTest {};

namespace {

const Bytes kMessage = {'s', 'e', 's', 's', 'i', 'o', 'n', ' ', 'k', 'e', 'y'};

cardsim::Fault answerOnly(uint16_t sw) { return cardsim::Fault{cardsim::Fault::Kind::StatusWord, 0, sw, 0}; }

template <class T>
int decrypt(T& card, const std::string& keyPath, unsigned char keyRef, const Bytes& cryptogram, Bytes& out) {
    out.assign(512, 0);
    unsigned long len = out.size();
    int r = card.RSADecrypt(keyPath, keyRef, const_cast<unsigned char*>(cryptogram.data()), cryptogram.size(),
                            out.data(), &len, 0, false);
    out.resize(r == 0 ? len : 0);
    return r;
}

// A 2048-bit raw RSA block that is PKCS#1 v1.5 type 1, not type 2.
Bytes type1Block(const Bytes& message) {
    Bytes block(256, 0xFF);
    block[0] = 0x00;
    block[1] = 0x01;
    block[256 - message.size() - 1] = 0x00;
    std::copy(message.begin(), message.end(), block.end() - static_cast<long>(message.size()));
    return block;
}

}  // namespace

TEST_F(CardOsResults, StarCos35SignatureWithoutDataOrOfAnotherKeySizeFails) {
    insert("starcos35-a");
    auto c = open<CSC_Profile_StarCos35>();
    const Bytes h = sha256(kMessage);
    ASSERT_EQ(c->PreSigning(74, "3f000604c001"), 0);
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    c->SetNoRSAPSS(true);
    clear();
    // The PSO (second command, after the environment) answers 9000 and nothing.
    m_card->addFaultAfter(2, answerOnly(0x9000));
    Bytes sig;
    EXPECT_EQ(signHash(*c, "3f000604c001", 0x84, 2048, 0x800C, h, 74, &sig), 255);
    ASSERT_EQ(answers().size(), 2u);
    EXPECT_EQ(answers()[1], "9000");
    // A 2048-bit signature where the application says the key has 3072 bits.
    EXPECT_EQ(signHash(*c, "3f000604c001", 0x84, 3072, 0x800C, h, 74, &sig), 255);
    // The same key and size as the card: a signature OpenSSL accepts.
    ASSERT_EQ(signHash(*c, "3f000604c001", 0x84, 2048, 0x800C, h, 74, &sig), 0);
    EXPECT_EQ(sig.size(), 256u);
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha256", h, sig));
}

TEST_F(CardOsResults, EcdsaSignatureIsTwiceTheFieldSizeOrAFailure) {
    insert("cardos54-dtrust");
    auto c = open<CSC_Profile_CardOS54>();
    const Bytes h = sha256(kMessage);
    ASSERT_EQ(c->SelectPath("3F000101", false, false, true, false), 0);
    ASSERT_EQ(verifyPin(*c, 0x87, "123456"), 0);
    c->setProfile(84);
    Bytes sig;
    ASSERT_EQ(signHash(*c, "3F000101", 0x03, 256, 0x800C, h, 84, &sig), 0);
    EXPECT_EQ(sig.size(), 64u);
    EXPECT_TRUE(verifyEcdsa("signer-ec256.der", h, sig));
    clear();
    m_card->addFaultAfter(2, answerOnly(0x9000));  // MSE RESTORE, then the PSO
    EXPECT_EQ(signHash(*c, "3F000101", 0x03, 256, 0x800C, h, 84, &sig), 255);
    EXPECT_EQ(commands().size(), 2u);
    // The P-256 signature for a key the application calls a P-384 key.
    EXPECT_EQ(signHash(*c, "3F000101", 0x03, 384, 0x800C, h, 84, &sig), 255);
}

TEST_F(CardOsResults, RawRsaBlocksLoseTheirPaddingAndBadPaddingFails) {
    insert("tcos20-telesec");
    auto c = open<CSC_Profile_TCOS20>();
    ASSERT_EQ(c->PreSigning(1, "3f00DF065331"), 0);
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    Bytes plain;
    clear();
    ASSERT_EQ(decrypt(*c, "3f00DF065331", 0x81, encryptTo("rsa1024.der", kMessage), plain), 0);
    EXPECT_EQ(plain, kMessage);
    // The card answered the whole 128-byte block 00 02 ... 00 message.
    ASSERT_EQ(answers().size(), 1u);
    EXPECT_EQ(answers()[0].size(), (128u + 2u) * 2u);
    EXPECT_EQ(answers()[0].substr(0, 4), "0002");

    // OAEP is removed here from the raw block.
    c->SetRSAOAEP(true);
    ASSERT_EQ(decrypt(*c, "3f00DF065331", 0x81, encryptTo("rsa1024.der", kMessage, RSA_PKCS1_OAEP_PADDING), plain), 0);
    EXPECT_EQ(plain, kMessage);
    // A PKCS#1 v1.5 block is no OAEP block, and the other way round.
    EXPECT_EQ(decrypt(*c, "3f00DF065331", 0x81, encryptTo("rsa1024.der", kMessage), plain), 255);
    c->SetRSAOAEP(false);
    EXPECT_EQ(decrypt(*c, "3f00DF065331", 0x81, encryptTo("rsa1024.der", kMessage, RSA_PKCS1_OAEP_PADDING), plain),
              255);

    // 9000 without the block.
    clear();
    m_card->addFaultAfter(1, answerOnly(0x9000));
    EXPECT_EQ(decrypt(*c, "3f00DF065331", 0x81, encryptTo("rsa1024.der", kMessage), plain), 255);
    EXPECT_EQ(commands().size(), 1u);
}

TEST_F(CardOsResults, SecCos5RawBlocksOfType1AreRefused) {
    insert("seccos5-sparkasse");
    auto c = open<CSC_Profile_SecCos5>();
    ASSERT_EQ(c->PreSigning(8, "3f00ab00c500"), 0);
    ASSERT_EQ(verifyPin(*c, 0x03, "654321"), 0);
    Bytes plain;
    ASSERT_EQ(decrypt(*c, "3f00ab00c500", 0x82, encryptTo("auth-rsa2048.der", kMessage), plain), 0);
    EXPECT_EQ(plain, kMessage);
    clear();
    EXPECT_EQ(
        decrypt(*c, "3f00ab00c500", 0x82, encryptTo("auth-rsa2048.der", type1Block(kMessage), RSA_NO_PADDING), plain),
        255);
    EXPECT_EQ(answers().back().substr(0, 4), "0001");  // the card did decipher; the padding is wrong
}

TEST_F(CardOsResults, StarCos30RawBlocksOfType1AreRefused) {
    insert("starcos30-signtrust");
    Bytes plain;
    auto s = open<CSC_Profile_StarCos30>();
    ASSERT_EQ(s->PreSigning(13, "3f003f01c200"), 0);
    ASSERT_EQ(verifyPin(*s, 0x01, "654321"), 0);
    ASSERT_EQ(decrypt(*s, "3f003f01c200", 0x93, encryptTo("auth-rsa2048.der", kMessage), plain), 0);
    EXPECT_EQ(plain, kMessage);
    EXPECT_EQ(
        decrypt(*s, "3f003f01c200", 0x93, encryptTo("auth-rsa2048.der", type1Block(kMessage), RSA_NO_PADDING), plain),
        255);
}

TEST_F(CardOsResults, StarCos35DeciphersOaepWhenAskedAndNotWithoutDataOrPadding) {
    insert("starcos35-a");
    auto c = open<CSC_Profile_StarCos35>();
    ASSERT_EQ(c->PreSigning(74, "3f000604c001"), 0);
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    Bytes plain;
    c->SetRSAOAEP(true);
    clear();
    ASSERT_EQ(
        decrypt(*c, "3f000604c001", 0x84, encryptTo("signer-rsa2048.der", kMessage, RSA_PKCS1_OAEP_PADDING), plain), 0);
    EXPECT_EQ(plain, kMessage);
    ASSERT_EQ(commands().size(), 2u);
    EXPECT_EQ(commands()[0],
              "002241B807840184"
              "89021131");
    EXPECT_EQ(commands()[1].substr(0, 16), "002A808600010181");

    c->SetRSAOAEP(false);
    clear();
    ASSERT_EQ(decrypt(*c, "3f000604c001", 0x84, encryptTo("signer-rsa2048.der", kMessage), plain), 0);
    EXPECT_EQ(plain, kMessage);
    EXPECT_EQ(commands()[0], "002241B803840184");
    clear();
    m_card->addFaultAfter(2, answerOnly(0x9000));
    EXPECT_EQ(decrypt(*c, "3f000604c001", 0x84, encryptTo("signer-rsa2048.der", kMessage), plain), 255);
}

TEST_F(CardOsResults, CardOS50SignsPssOnlyWhenAllowedAndRefusesOaepWithoutACommand) {
    insert("cardos50-dtrust");
    auto c = open<CSC_Profile_CardOS50>();
    const Bytes h = sha256(kMessage);
    ASSERT_EQ(c->SelectPath("3F001FFF", false, false, true, false), 0);
    Bytes sig;
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    c->SetNoRSAPSS(true);
    clear();
    ASSERT_EQ(signHash(*c, "3F001FFF", 0x81, 2048, 0x800C, h, 15, &sig), 0);
    EXPECT_EQ(commands()[0], "0022F304");
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha256", h, sig));
    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);  // one signature per PIN entry
    c->SetNoRSAPSS(false);
    clear();
    ASSERT_EQ(signHash(*c, "3F001FFF", 0x81, 2048, 0x800C, h, 15, &sig), 0);
    EXPECT_EQ(commands()[0], "0022F309");
    EXPECT_TRUE(verifyPss("signer-rsa2048.der", "sha256", h, sig));

    ASSERT_EQ(verifyPin(*c, 0x81, "123456"), 0);
    c->SetRSAOAEP(true);
    clear();
    Bytes plain;
    EXPECT_EQ(decrypt(*c, "3F001FFF", 0x81, encryptTo("signer-rsa2048.der", kMessage, RSA_PKCS1_OAEP_PADDING), plain),
              255);
    EXPECT_TRUE(commands().empty());
}

TEST_F(CardOsResults, SmartCardHsmVerifiesTheUserPinWhenTheApplicationNamesNone) {
    insert("smartcard-hsm-layout");
    auto c = open<CSC_Profile_SmartCardHSM>();
    clear();
    EXPECT_EQ(verifyPin(*c, 0x00, "123456"), 0);
    EXPECT_EQ(commands(), (std::vector<std::string>{"0020008108"
                                                    "26123456FFFFFFFF"}));
}
