// One signature and one decipherment per card operating system on its simulated card;
// signatures are checked by OpenSSL with the certificate's public key, decipherment
// gives the message itself (cards that answer with the raw block included).
#include "CardOsSim.h"

using namespace cardostest;

namespace {

const Bytes kMessage = {'c', 'a', 'r', 'd', ' ', 'o', 's'};

template <class T>
unsigned long sign(T& card, const std::string& keyPath, unsigned char keyRef, int bits, unsigned int alg,
                   const Bytes& hash, Bytes& sig, int profile) {
    sig.assign(static_cast<size_t>(bits) / 4, 0);
    unsigned long len = sig.size();
    int r = card.SignData(keyPath, keyRef, bits, alg, const_cast<unsigned char*>(hash.data()), hash.size(), sig.data(),
                          &len, profile);
    sig.resize(r == 0 ? len : 0);
    return static_cast<unsigned long>(r);
}

template <class T>
Bytes decrypt(T& card, const std::string& keyPath, unsigned char keyRef, const Bytes& cryptogram) {
    Bytes out(1024);
    unsigned long len = out.size();
    int r = card.RSADecrypt(keyPath, keyRef, const_cast<unsigned char*>(cryptogram.data()), cryptogram.size(),
                            out.data(), &len, 0, false);
    out.resize(r == 0 ? len : 0);
    return out;
}

template <class T>
int verify(T& card, unsigned char ref, const std::string& pin) {
    return card.SCVerify(ref, reinterpret_cast<unsigned char*>(const_cast<char*>(pin.data())),
                         static_cast<unsigned char>(pin.size()));
}

Bytes hash32() { return sha256(Bytes{'s', 'i', 'g', 'n', 'e', 'd'}); }

}  // namespace

class CardOsEndToEnd : public CardOsTest {};

TEST_F(CardOsEndToEnd, Tcos20SignsBothKeyKindsAndDeciphers) {
    insert("tcos20-telesec");
    auto c = open<CSC_Profile_TCOS20>();
    Bytes sig, h = hash32();
    ASSERT_EQ(c->PreSigning(1, "3f00DF065331"), 0);
    ASSERT_EQ(verify(*c, 0x81, "123456"), 0);
    ASSERT_EQ(sign(*c, "3f00DF065331", 0x81, 1024, 0x800C, h, sig, 1), 0u);
    EXPECT_TRUE(verifyPkcs1("rsa1024.der", "sha256", h, sig));
    EXPECT_EQ(decrypt(*c, "3f00DF065331", 0x81, encryptTo("rsa1024.der", kMessage)), kMessage);
    ASSERT_EQ(c->PreSigning(1, "3f00DF0253B1"), 0);
    ASSERT_EQ(sign(*c, "3f00DF0253B1", 0x81, 1024, 0x800C, h, sig, 1), 0u);
    EXPECT_TRUE(verifyPkcs1("rsa1024.der", "sha256", h, sig));
}

TEST_F(CardOsEndToEnd, Tcos30SignsWithoutSecureMessagingAndDeciphers) {
    insert("tcos30-telesec");
    auto c = open<CSC_Profile_TCOS30>();
    Bytes sig, h = hash32();
    ASSERT_EQ(c->PreSigning(3, "3f00DF025344"), 0);
    ASSERT_EQ(verify(*c, 0x00, "123456"), 0);
    ASSERT_EQ(sign(*c, "3f00DF025344", 0x80, 2048, 0x800C, h, sig, 3), 0u);
    EXPECT_TRUE(verifyPkcs1("auth-rsa2048.der", "sha256", h, sig));
    ASSERT_EQ(sign(*c, "3f00DF025344", 0x81, 2048, 0x800C, h, sig, 3), 0u);
    EXPECT_TRUE(verifyPkcs1("auth-rsa2048.der", "sha256", h, sig));
    EXPECT_EQ(decrypt(*c, "3f00DF025344", 0x81, encryptTo("auth-rsa2048.der", kMessage)), kMessage);
}

TEST_F(CardOsEndToEnd, Tcos30v2SignsWithEcdsaInTheApplication) {
    insert("tcos30v2-esign");
    auto c = open<CSC_Profile_TCOS30V2>();
    Bytes sig, h = hash32();
    ASSERT_EQ(c->PreSigning(75, "A000000167455349474E"), 0);
    ASSERT_EQ(verify(*c, 0x81, "123456"), 0);
    ASSERT_EQ(sign(*c, "A000000167455349474E", 0x84, 256, 0x800C, h, sig, 75), 0u);
    EXPECT_EQ(sig.size(), 64u);
    EXPECT_TRUE(verifyEcdsa("signer-ec256.der", h, sig));
    EXPECT_TRUE(decrypt(*c, "A000000167455349474E", 0x84, Bytes(64, 1)).empty());
}

TEST_F(CardOsEndToEnd, Micardo21SignsBothWaysUnderT0AndDeciphers) {
    insert("micardo21-dtrust");
    auto c = open<CSC_Profile_Micardo21>();
    EXPECT_EQ(c->GetProtocol(), static_cast<unsigned long>(SCARD_PROTOCOL_T0));
    Bytes sig, h = hash32();
    ASSERT_EQ(c->PreSigning(2, "3f0040160050"), 0);
    ASSERT_EQ(verify(*c, 0x82, "123456"), 0);
    ASSERT_EQ(sign(*c, "3f0040160050", 0x50, 1024, 0x800C, h, sig, 2), 0u);
    EXPECT_TRUE(verifyPkcs1("rsa1024.der", "sha256", h, sig));
    ASSERT_EQ(verify(*c, 0x01, "654321"), 0);
    ASSERT_EQ(c->PreSigning(2, "3f0040160051"), 0);
    ASSERT_EQ(sign(*c, "3f0040160051", 0x51, 1024, 0x8004, Bytes(h.begin(), h.begin() + 20), sig, 2), 0u);
    EXPECT_TRUE(verifyPkcs1("rsa1024.der", "sha1", Bytes(h.begin(), h.begin() + 20), sig));
    EXPECT_EQ(decrypt(*c, "3f0040160051", 0x51, encryptTo("rsa1024.der", kMessage)), kMessage);
}

TEST_F(CardOsEndToEnd, CardOS43bSignsByProfileTypeAndDeciphers) {
    insert("cardos43b-dtrust");
    auto c = open<CSC_Profile_CardOS43b>();
    Bytes sig, h = hash32();
    c->SetCardProfile(23);
    ASSERT_EQ(c->PreSigning(23, "3f001fff0102"), 0);
    ASSERT_EQ(verify(*c, 0x81, "12345678"), 0);
    ASSERT_EQ(sign(*c, "3f001fff0102", 0x02, 2048, 0x800C, h, sig, 23), 0u);
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha256", h, sig));
    ASSERT_EQ(c->PreSigning(20, "3F00501550724B015501"), 0);
    ASSERT_EQ(verify(*c, 0x01, "87654321"), 0);
    ASSERT_EQ(sign(*c, "3F00501550724B015501", 0x01, 2048, 0x800C, h, sig, 20), 0u);
    EXPECT_TRUE(verifyPkcs1("auth-rsa2048.der", "sha256", h, sig));
    EXPECT_EQ(decrypt(*c, "3F00501550724B015501", 0x01, encryptTo("auth-rsa2048.der", kMessage)), kMessage);
}

TEST_F(CardOsEndToEnd, CardOS44SignsThroughDecipherAndDeciphers) {
    insert("cardos44-dtrust");
    auto c = open<CSC_Profile_CardOS44>();
    Bytes sig, h = hash32();
    ASSERT_EQ(c->PreSigning(50, "3f002000200100260001"), 0);
    ASSERT_EQ(verify(*c, 0x81, "12345678"), 0);
    ASSERT_EQ(sign(*c, "3f002000200100260001", 0x01, 2048, 0x800C, h, sig, 50), 0u);
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha256", h, sig));
    EXPECT_EQ(decrypt(*c, "3f002000200100260001", 0x01, encryptTo("signer-rsa2048.der", kMessage)), kMessage);
}

TEST_F(CardOsEndToEnd, CardOS50SignsPssAndPkcs1AndDeciphers) {
    insert("cardos50-dtrust");
    auto c = open<CSC_Profile_CardOS50>();
    Bytes sig, h = hash32();
    ASSERT_EQ(c->SelectPath("3F001FFF", false, false, true, false), 0);
    ASSERT_EQ(verify(*c, 0x81, "123456"), 0);
    ASSERT_EQ(sign(*c, "3F001FFF", 0x81, 2048, 0x1800C, h, sig, 15), 0u);
    EXPECT_TRUE(verifyPss("signer-rsa2048.der", "sha256", h, sig));
    ASSERT_EQ(verify(*c, 0x81, "123456"), 0);  // one signature per PIN entry
    ASSERT_EQ(sign(*c, "3F001FFF", 0x81, 2048, 0x2800C, h, sig, 15), 0u);
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha256", h, sig));
    ASSERT_EQ(verify(*c, 0x81, "123456"), 0);
    EXPECT_EQ(decrypt(*c, "3F001FFF", 0x81, encryptTo("signer-rsa2048.der", kMessage)), kMessage);
}

TEST_F(CardOsEndToEnd, CardOS54SignsRsaAndEcdsaAndDeciphers) {
    insert("cardos54-dtrust");
    auto c = open<CSC_Profile_CardOS54>();
    Bytes sig, h = hash32();
    ASSERT_EQ(c->SelectPath("3F000101", false, false, true, false), 0);
    ASSERT_EQ(verify(*c, 0x87, "123456"), 0);
    c->setProfile(83);
    ASSERT_EQ(sign(*c, "3F000101", 0x02, 2048, 0x800C, h, sig, 83), 0u);
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha256", h, sig));
    Bytes h384(48, 0x5A);
    ASSERT_EQ(sign(*c, "3F000101", 0x02, 2048, 0x800D, h384, sig, 83), 0u);
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha384", h384, sig));
    ASSERT_EQ(sign(*c, "3F000101", 0x03, 256, 0x800C, h, sig, 84), 0u);
    EXPECT_TRUE(verifyEcdsa("signer-ec256.der", h, sig));
    EXPECT_EQ(decrypt(*c, "3F000101", 0x02, encryptTo("signer-rsa2048.der", kMessage)), kMessage);
}

TEST_F(CardOsEndToEnd, StarCos30SignsQualifiedAndAuthKeysAndDecipheresInAChain) {
    insert("starcos30-signtrust");
    auto c = open<CSC_Profile_StarCos30>();
    Bytes sig, h = hash32();
    ASSERT_EQ(c->PreSigning(13, "3f003f01c000"), 0);
    ASSERT_EQ(verify(*c, 0x81, "123456"), 0);
    ASSERT_EQ(sign(*c, "3f003f01c000", 0x84, 2048, 0x800C, h, sig, 13), 0u);
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha256", h, sig));
    ASSERT_EQ(c->PreSigning(13, "3f003f01c500"), 0);
    ASSERT_EQ(verify(*c, 0x01, "654321"), 0);
    ASSERT_EQ(sign(*c, "3f003f01c500", 0x86, 2048, 0x800C, h, sig, 13), 0u);
    EXPECT_TRUE(verifyPkcs1("auth-rsa2048.der", "sha256", h, sig));
    EXPECT_EQ(decrypt(*c, "3f003f01c200", 0x93, encryptTo("auth-rsa2048.der", kMessage)), kMessage);
}

TEST_F(CardOsEndToEnd, StarCos32SignsEachCaseAndDeciphers) {
    insert("starcos32-medisign");
    auto c = open<CSC_Profile_StarCos32>();
    Bytes sig, h = hash32();
    ASSERT_EQ(c->PreSigning(30, "3f003f04c000"), 0);
    ASSERT_EQ(verify(*c, 0x81, "123456"), 0);
    ASSERT_EQ(sign(*c, "3f003f04c000", 0x84, 2048, 0x800C, h, sig, 30), 0u);
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha256", h, sig));
    ASSERT_EQ(verify(*c, 0x01, "654321"), 0);
    ASSERT_EQ(c->PreSigning(11, "3f003f02c500"), 0);
    ASSERT_EQ(sign(*c, "3f003f02c500", 0x82, 2048, 0x800C, h, sig, 11), 0u);
    EXPECT_TRUE(verifyPkcs1("auth-rsa2048.der", "sha256", h, sig));
    ASSERT_EQ(c->PreSigning(30, "3f003f01c500"), 0);
    ASSERT_EQ(sign(*c, "3f003f01c500", 0x86, 2048, 0x800C, h, sig, 30), 0u);
    EXPECT_TRUE(verifyPkcs1("auth-rsa2048.der", "sha256", h, sig));
    EXPECT_EQ(decrypt(*c, "3f003f01c500", 0x86, encryptTo("auth-rsa2048.der", kMessage)), kMessage);
}

TEST_F(CardOsEndToEnd, StarCos34SignsTwiceWithOneEnvironmentAndDeciphers) {
    insert("starcos34-dtrust");
    auto c = open<CSC_Profile_StarCos34>();
    Bytes sig, h = hash32();
    ASSERT_EQ(c->PreSigning(61, "3f000604"), 0);
    ASSERT_EQ(verify(*c, 0x81, "123456"), 0);
    ASSERT_EQ(sign(*c, "3f000604", 0x84, 2048, 0x800C, h, sig, 61), 0u);
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha256", h, sig));
    EXPECT_EQ(decrypt(*c, "3f000604", 0x84, encryptTo("signer-rsa2048.der", kMessage)), kMessage);
}

TEST_F(CardOsEndToEnd, StarCos35SignsPkcs1AndPssAndDeciphers) {
    insert("starcos35-a");
    Bytes sig, h = hash32();
    {
        auto c = open<CSC_Profile_StarCos35>();
        ASSERT_EQ(c->PreSigning(74, "3f000604c001"), 0);
        ASSERT_EQ(verify(*c, 0x81, "123456"), 0);
        c->SetNoRSAPSS(true);
        ASSERT_EQ(sign(*c, "3f000604c001", 0x84, 2048, 0x800C, h, sig, 74), 0u);
        EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha256", h, sig));
        EXPECT_EQ(decrypt(*c, "3f000604c001", 0x84, encryptTo("signer-rsa2048.der", kMessage)), kMessage);
    }
    auto c = open<CSC_Profile_StarCos35>();
    ASSERT_EQ(c->PreSigning(74, "3f000604c001"), 0);
    ASSERT_EQ(verify(*c, 0x81, "123456"), 0);
    ASSERT_EQ(sign(*c, "3f000604c001", 0x84, 2048, 0x1800C, h, sig, 74), 0u);
    EXPECT_TRUE(verifyPss("signer-rsa2048.der", "sha256", h, sig));
}

TEST_F(CardOsEndToEnd, SecCos5SignsWithPsoHashAndInternalAuthenticateAndDeciphers) {
    insert("seccos5-sparkasse");
    auto c = open<CSC_Profile_SecCos5>();
    Bytes sig, h = hash32();
    ASSERT_EQ(c->PreSigning(8, "3f00ab000016"), 0);
    ASSERT_EQ(verify(*c, 0x81, "123456"), 0);
    ASSERT_EQ(sign(*c, "3f00ab000016", 0x01, 2048, 0x800C, h, sig, 8), 0u);
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha256", h, sig));
    ASSERT_EQ(c->PreSigning(8, "3f00ab00c500"), 0);
    ASSERT_EQ(verify(*c, 0x03, "654321"), 0);
    ASSERT_EQ(sign(*c, "3f00ab00c500", 0x82, 2048, 0x800C, h, sig, 8), 0u);
    EXPECT_TRUE(verifyPkcs1("auth-rsa2048.der", "sha256", h, sig));
    EXPECT_EQ(decrypt(*c, "3f00ab00c500", 0x82, encryptTo("auth-rsa2048.der", kMessage)), kMessage);
}

TEST_F(CardOsEndToEnd, SetCos441SignsUnderT0AndDeciphers) {
    insert("setcos441-telia");
    auto c = open<CSC_Profile_SetCos441>();
    Bytes sig, h = hash32();
    ASSERT_EQ(c->PreSigning(9, "3F0050154B01"), 0);
    ASSERT_EQ(verify(*c, 0x01, "1234"), 0);
    ASSERT_EQ(sign(*c, "3F0050154B01", 0x01, 1024, 0x800C, h, sig, 9), 0u);
    EXPECT_TRUE(verifyPkcs1("rsa1024.der", "sha256", h, sig));
    EXPECT_EQ(decrypt(*c, "3F0050154B01", 0x01, encryptTo("rsa1024.der", kMessage)), kMessage);
}

TEST_F(CardOsEndToEnd, SetCos442SignsWithPathSelectionAndDeciphers) {
    insert("setcos442-telia");
    auto c = open<CSC_Profile_SetCos442>();
    Bytes sig, h = hash32();
    ASSERT_EQ(c->PreSigning(9, "3F0050164B02"), 0);
    ASSERT_EQ(verify(*c, 0x81, "123456"), 0);
    ASSERT_EQ(sign(*c, "3F0050164B02", 0x02, 2048, 0x800C, h, sig, 9), 0u);
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha256", h, sig));
    EXPECT_EQ(decrypt(*c, "3F0050164B02", 0x02, encryptTo("signer-rsa2048.der", kMessage)), kMessage);
}

TEST_F(CardOsEndToEnd, SmartCardHsmSignsPkcs1AndPssAndDeciphers) {
    insert("smartcard-hsm");
    auto c = open<CSC_Profile_SmartCardHSM>();
    Bytes sig, h = hash32();
    ASSERT_EQ(c->SelectPath("E82B0601040181C31F02", false, false, false, true), 0);
    ASSERT_EQ(verify(*c, 0x81, "123456"), 0);
    c->SetNoRSAPSS(true);
    ASSERT_EQ(sign(*c, "", 0x01, 2048, 0x800C, h, sig, 82), 0u);
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", "sha256", h, sig));
    EXPECT_TRUE(c->isSecurityEnvironmentSet());
    c->SetNoRSAPSS(false);
    ASSERT_EQ(sign(*c, "", 0x01, 2048, 0x1800C, h, sig, 82), 0u);
    EXPECT_TRUE(verifyPss("signer-rsa2048.der", "sha256", h, sig));
    EXPECT_EQ(decrypt(*c, "", 0x01, encryptTo("signer-rsa2048.der", kMessage)), kMessage);
}
