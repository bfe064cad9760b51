// PINs, security environments and key operations; every signature is checked
// with the certificate's public key by OpenSSL.
#include <openssl/ecdsa.h>
#include <openssl/rsa.h>

#include "CardTest.h"

using namespace cardsim_test;
using cardsim::fromHex;
using cardsim::Protocol;
using cardsim::toHex;

namespace {

std::unique_ptr<cardsim::Card> t1Card(const std::string& image) {
    auto c = loadCard(image);
    c->setProtocol(Protocol::T1);
    return c;
}

// Verifies an RSA signature: md = nullptr verifies a PKCS#1 v1.5 block over raw data.
bool verifyRsa(EVP_PKEY* key, const Bytes& sig, const Bytes& tbs, const EVP_MD* md, bool pss) {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
    bool ok = ctx && EVP_PKEY_verify_init(ctx) == 1;
    if (ok && md)
        ok = EVP_PKEY_CTX_set_signature_md(ctx, md) == 1;
    if (ok)
        ok = EVP_PKEY_CTX_set_rsa_padding(ctx, pss ? RSA_PKCS1_PSS_PADDING : RSA_PKCS1_PADDING) == 1;
    if (ok && pss)
        ok = EVP_PKEY_CTX_set_rsa_pss_saltlen(ctx, RSA_PSS_SALTLEN_DIGEST) == 1;
    if (ok)
        ok = EVP_PKEY_verify(ctx, sig.data(), sig.size(), tbs.data(), tbs.size()) == 1;
    EVP_PKEY_CTX_free(ctx);
    return ok;
}

Bytes encryptFor(EVP_PKEY* key, const Bytes& plain) {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
    size_t len = 512;
    Bytes out(len);
    bool ok = ctx && EVP_PKEY_encrypt_init(ctx) == 1 && EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) == 1 &&
              EVP_PKEY_encrypt(ctx, out.data(), &len, plain.data(), plain.size()) == 1;
    EVP_PKEY_CTX_free(ctx);
    out.resize(ok ? len : 0);
    return out;
}

std::string extLen(size_t n) {
    char b[8];
    std::snprintf(b, sizeof b, "%04X", static_cast<unsigned>(n));
    return b;
}

const Bytes kHash = sha256(Bytes{'v', 'o', 'r', 'n'});

}  // namespace

TEST(Pins, VerifyCountsDownBlocksAndIsUnblockedWithThePuk) {
    auto c = t1Card("iso-t0");
    EXPECT_EQ(tx(*c, "002000010431313131"), "63C2");
    EXPECT_EQ(tx(*c, "00200001"), "63C2");  // status without a PIN
    EXPECT_EQ(tx(*c, "002000010431323334"), "9000");
    EXPECT_EQ(tx(*c, "00200001"), "9000");
    EXPECT_EQ(c->pinTriesLeft("3F00", 1), 3);
    EXPECT_EQ(tx(*c, "002000010431313131"), "63C2");
    EXPECT_EQ(tx(*c, "00200001"), "63C2");  // a wrong PIN cancels the verification
    EXPECT_EQ(tx(*c, "002000010431313131"), "63C1");
    EXPECT_EQ(tx(*c, "002000010431313131"), "63C0");
    EXPECT_EQ(tx(*c, "002000010431323334"), "6983");
    EXPECT_EQ(tx(*c, "00200001"), "6983");
    EXPECT_EQ(c->pinTriesLeft("3F00", 1), 0);

    EXPECT_EQ(tx(*c, "002C0101083131313131313131"), "63C9");  // wrong PUK
    EXPECT_EQ(tx(*c, "002C0101083837363534333231"), "9000");  // PUK only: counter reset
    EXPECT_EQ(tx(*c, "002000010431323334"), "9000");
    // PUK and a new PIN, zero-filled to the PUK's length.
    EXPECT_EQ(tx(*c,
                 "002C000110383736353433323135363738"
                 "00000000"),
              "9000");
    EXPECT_EQ(tx(*c, "002000010435363738"), "9000");
    EXPECT_EQ(tx(*c, "00240001083536373839393939"), "9000");  // change 5678 -> 9999
    EXPECT_EQ(tx(*c, "002000010439393939"), "9000");
    EXPECT_EQ(tx(*c, "00240001083131313139393939"), "63C2");

    EXPECT_EQ(tx(*c, "00200001023132"), "6A80");  // too short for this PIN
    EXPECT_EQ(tx(*c, "002000090431323334"), "6A88");
    EXPECT_EQ(tx(*c, "002001010431323334"), "6A86");
    EXPECT_EQ(tx(*c, "002000020834373131FFFFFFFF"), "9000");  // padded PIN
    EXPECT_EQ(tx(*c, "002000020434373131"), "6700");
    EXPECT_EQ(tx(*c, "002000020834373132FFFFFFFF"), "63C1");
}

TEST(Starcos35, PinsAreFormat2BlocksAndGetDataTakesItsClasses) {
    auto c = t1Card("starcos35-a");
    EXPECT_EQ(tx(*c, "00A40004023F0000").substr(0, 2), "62");
    EXPECT_EQ(sw(tx(*c, "00A40104020604FF")), "9000");
    EXPECT_EQ(tx(*c, "002000810826123457FFFFFFFF"), "63C2");
    EXPECT_EQ(tx(*c, "00200081082512345FFFFFFFFF"), "63C1");  // five digits 12345
    EXPECT_EQ(tx(*c, "002000810816123456FFFFFFFF"), "6A80");  // not a format-2 block
    EXPECT_EQ(tx(*c, "002000810826123456FFFFFF00"), "6A80");
    EXPECT_EQ(tx(*c, "00200081"), "63C1");
    EXPECT_EQ(tx(*c, "002000810826123456FFFFFFFF"), "9000");
    // Change to the five-digit 12345, then unblock with the PUK only.
    EXPECT_EQ(tx(*c, "002400811026123456FFFFFFFF2512345FFFFFFFFF"), "9000");
    EXPECT_EQ(tx(*c, "00200081082512345FFFFFFFFF"), "9000");
    EXPECT_EQ(tx(*c, "002000810826999999FFFFFFFF"), "63C2");
    EXPECT_EQ(tx(*c, "002C0181082812345678FFFFFF"), "9000");
    EXPECT_EQ(c->pinTriesLeft("3F00/0604", 0x81), 3);
    EXPECT_EQ(tx(*c, "002C0181082812345679FFFFFF"), "63C9");
    // The global PIN lives in the MF and is found from any DF.
    EXPECT_EQ(tx(*c, "002000060826123456FFFFFFFF"), "9000");

    auto b = t1Card("starcos35-b");
    EXPECT_EQ(tx(*b, "A0CA9F6700"), "9F67030100009000");
    EXPECT_EQ(tx(*b, "80CA9F6700"), "9F67030100009000");
    EXPECT_EQ(tx(*b, "00CA9F6700"), "9F67030100009000");
    EXPECT_EQ(tx(*b, "A0B0000001"), "6E00");
    EXPECT_EQ(tx(*b, "00CA010100"), "6A88");
    auto iso = t1Card("iso-t0");
    EXPECT_EQ(tx(*iso, "A0CA9F6700"), "6E00");
}

TEST(Starcos35, SignsPkcs1AndPssAndDeciphersWithTheCardKeys) {
    auto c = t1Card("starcos35-a");
    auto pub = certKey("signer-rsa2048.der");
    ASSERT_TRUE(pub);
    Bytes di = digestInfoSha256(kHash);
    EXPECT_EQ(tx(*c, "00A4080C040604C001"), "9000");
    EXPECT_EQ(tx(*c, "002A9E9A" + hexLen(di.size()) + toHex(di) + "00"), "6985");  // no environment yet
    EXPECT_EQ(tx(*c, "002241B60784018489021323"), "9000");
    EXPECT_EQ(tx(*c, "002A9E9A" + hexLen(di.size()) + toHex(di) + "00"), "6982");  // PIN not verified
    EXPECT_EQ(tx(*c, "002000810826123456FFFFFFFF"), "9000");
    std::string r = tx(*c, "002A9E9A" + hexLen(di.size()) + toHex(di) + "00");
    ASSERT_EQ(sw(r), "9000");
    EXPECT_TRUE(verifyRsa(pub.get(), fromHex(body(r)), kHash, EVP_sha256(), false));

    EXPECT_EQ(tx(*c, "002241B6088401848903133330"), "9000");
    r = tx(*c, "002A9E9A20" + toHex(kHash) + "00");
    ASSERT_EQ(sw(r), "9000");
    EXPECT_TRUE(verifyRsa(pub.get(), fromHex(body(r)), kHash, EVP_sha256(), true));
    EXPECT_EQ(tx(*c, "002A9E9A1F" + toHex(kHash).substr(2) + "00"), "6A80");  // not a SHA-256 hash

    EXPECT_EQ(tx(*c, "002241B603840199"), "6A88");
    EXPECT_EQ(tx(*c, "002241B60784018489021399"), "6A80");
    EXPECT_EQ(tx(*c, "002241B2038401 84"), "6A86");

    // Decipherment with the authentication key, behind the global PIN.
    auto authPub = certKey("auth-rsa2048.der");
    Bytes secret = fromHex("0102030405060708090A0B0C0D0E0F10");
    Bytes crypt = encryptFor(authPub.get(), secret);
    ASSERT_EQ(crypt.size(), 256u);
    EXPECT_EQ(tx(*c, "00A4080C040608C003"), "9000");
    EXPECT_EQ(tx(*c, "002241B803840182"), "9000");
    std::string pso = "002A808600" + extLen(crypt.size() + 1) + "81" + toHex(crypt) + "0000";
    EXPECT_EQ(tx(*c, pso), "6982");
    EXPECT_EQ(tx(*c, "002000060826123456FFFFFFFF"), "9000");
    EXPECT_EQ(tx(*c, pso), toHex(secret) + "9000");
    EXPECT_EQ(tx(*c, "002A808600" + extLen(crypt.size() + 1) + "77" + toHex(crypt) + "0000"), "6A80");
}

TEST(Starcos35, SingleSignatureCardWantsThePinForEverySignature) {
    auto c = t1Card("starcos35-b");
    Bytes di = digestInfoSha256(kHash);
    std::string pso = "002A9E9A" + hexLen(di.size()) + toHex(di) + "00";
    EXPECT_EQ(tx(*c, "00A4080C040604C000"), "9000");
    EXPECT_EQ(tx(*c, "002000810826123456FFFFFFFF"), "9000");
    EXPECT_EQ(tx(*c, "002241B60784018489021323"), "9000");
    EXPECT_EQ(sw(tx(*c, pso)), "9000");
    EXPECT_EQ(tx(*c, pso), "6982");
    EXPECT_EQ(tx(*c, "002000810826123456FFFFFFFF"), "9000");
    EXPECT_EQ(sw(tx(*c, pso)), "9000");
    // A reset forgets the environment and the PIN.
    c->reset();
    EXPECT_EQ(tx(*c, "00A4080C040604C000"), "9000");
    EXPECT_EQ(tx(*c, pso), "6985");
}

TEST(CardOS50, RestoredEnvironmentSignsPssAndAWrongPinGives6300) {
    auto c = t1Card("cardos50-dtrust");
    auto pub = certKey("signer-rsa2048.der");
    EXPECT_EQ(tx(*c, "00A4080C021FFF"), "9000");
    EXPECT_EQ(tx(*c, "0020008106313131313131"), "6300");
    EXPECT_EQ(c->pinTriesLeft("3F00/1FFF", 0x81), 2);
    EXPECT_EQ(tx(*c, "0020008106313233343536"), "9000");
    EXPECT_EQ(tx(*c, "0022F309"), "9000");
    std::string pso = "002A9E9A000020" + toHex(kHash) + "0100";
    std::string r = tx(*c, pso);
    ASSERT_EQ(sw(r), "9000");
    EXPECT_EQ(body(r).size(), 512u);
    EXPECT_TRUE(verifyRsa(pub.get(), fromHex(body(r)), kHash, EVP_sha256(), true));
    EXPECT_EQ(tx(*c, pso), "6982");  // single signature
    EXPECT_EQ(tx(*c, "0022F377"), "6A88");

    // Environment 04: PKCS#1 v1.5 over the hash, and decipherment.
    EXPECT_EQ(tx(*c, "0020008106313233343536"), "9000");
    EXPECT_EQ(tx(*c, "0022F304"), "9000");
    r = tx(*c, pso);
    ASSERT_EQ(sw(r), "9000");
    EXPECT_TRUE(verifyRsa(pub.get(), fromHex(body(r)), kHash, EVP_sha256(), false));
    EXPECT_EQ(tx(*c, "0020008106313233343536"), "9000");
    EXPECT_EQ(tx(*c, "002241B803830181"), "9000");
    Bytes crypt = encryptFor(pub.get(), fromHex("CAFE"));
    EXPECT_EQ(tx(*c, "002A808600" + extLen(crypt.size() + 1) + "81" + toHex(crypt) + "0000"), "CAFE9000");

    // Wrong PINs until blocked.
    EXPECT_EQ(tx(*c, "0020008106313131313131"), "6300");
    EXPECT_EQ(tx(*c, "0020008106313131313131"), "6300");
    EXPECT_EQ(tx(*c, "0020008106313131313131"), "6983");
    EXPECT_EQ(tx(*c, "0020008106313233343536"), "6983");
}

TEST(CardOS50, AnswersItsProprietaryGetDataAndListDirectory) {
    auto c = t1Card("cardos50-dtrust");
    EXPECT_EQ(tx(*c, "00CA018200"), "C9019000");
    EXPECT_EQ(tx(*c, "00CA018100"), "00123456789000019000");
    EXPECT_EQ(tx(*c, "80CA018100"), "00123456789000019000");
    EXPECT_EQ(tx(*c, "00CA018D02"), "04009000");
    EXPECT_EQ(tx(*c, "00CA01FF00"), "6A88");
    EXPECT_EQ(tx(*c, "8016010000"), "00111FFF1FFD1FFE50159000");
    EXPECT_EQ(tx(*c, "8016020000"), "2F002F029000");
    EXPECT_EQ(tx(*c, "8016040000"), "6A86");
    // CardOS reports the access rules in tag 86, STARCOS the EF.ARR reference in 8B.
    EXPECT_NE(tx(*c,
                 "00A4080404501550320"
                 "0")
                  .find("8608"),
              std::string::npos);
    auto s = t1Card("starcos35-a");
    EXPECT_NE(tx(*s, "00A4020402 2F0200").find("8B03003001"), std::string::npos);
}

TEST(IsoCard, SignsEcdsaPlainAndChecksExternalAuthentication) {
    auto c = t1Card("iso-t0");
    auto pub = certKey("signer-ec256.der");
    EXPECT_EQ(tx(*c, "00A4040C06F0564F524E01"), "9000");
    EXPECT_EQ(tx(*c, "002000010431323334"), "9000");
    EXPECT_EQ(tx(*c, "002241B603840181"), "9000");
    std::string r = tx(*c, "002A9E9A20" + toHex(kHash) + "00");
    ASSERT_EQ(sw(r), "9000");
    Bytes rs = fromHex(body(r));
    ASSERT_EQ(rs.size(), 64u);  // plain r || s
    ECDSA_SIG* sig = ECDSA_SIG_new();
    ECDSA_SIG_set0(sig, BN_bin2bn(rs.data(), 32, nullptr), BN_bin2bn(rs.data() + 32, 32, nullptr));
    unsigned char* der = nullptr;
    int derLen = i2d_ECDSA_SIG(sig, &der);
    ECDSA_SIG_free(sig);
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(pub.get(), nullptr);
    EXPECT_EQ(EVP_PKEY_verify_init(ctx), 1);
    EXPECT_EQ(EVP_PKEY_verify(ctx, der, static_cast<size_t>(derLen), kHash.data(), kHash.size()), 1);
    EVP_PKEY_CTX_free(ctx);
    OPENSSL_free(der);

    // PSO HASH first, then COMPUTE DIGITAL SIGNATURE without data signs that hash.
    EXPECT_EQ(tx(*c,
                 "002A90A02290"
                 "20" +
                     toHex(kHash)),
              "9000");
    EXPECT_EQ(body(tx(*c, "002A9E9A00")).size(), 128u);
    EXPECT_EQ(tx(*c, "002A9E9A00"), "6985");        // the hash is used once
    EXPECT_EQ(tx(*c, "002A90A0039005AA"), "6A80");  // a 90 object longer than the data

    // INTERNAL AUTHENTICATE with the RSA key: PKCS#1 block over the data.
    auto rsaPub = certKey("signer-rsa2048.der");
    Bytes di = digestInfoSha256(kHash);
    r = tx(*c, "00880082" + hexLen(di.size()) + toHex(di) + "00");
    ASSERT_EQ(sw(r), "9000");
    EXPECT_TRUE(verifyRsa(rsaPub.get(), fromHex(body(r)), di, nullptr, false));

    // EXTERNAL AUTHENTICATE: 3DES of the last challenge opens EF 0103.
    EXPECT_EQ(tx(*c, "00A4000C023F00"), "9000");
    EXPECT_EQ(tx(*c,
                 "0082000308"
                 "0000000000000000"),
              "6985");  // no challenge yet
    std::string ch = tx(*c, "0084000008");
    ASSERT_EQ(sw(ch), "9000");
    EXPECT_EQ(tx(*c,
                 "0082000308"
                 "0000000000000000"),
              "63C2");
    ch = tx(*c, "0084000008");
    Bytes key = fromHex("00112233445566778899AABBCCDDEEFF");
    Bytes in = fromHex(body(ch)), out(16);
    int l1 = 0, l2 = 0;
    EVP_CIPHER_CTX* cc = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(cc, EVP_des_ede_ecb(), nullptr, key.data(), nullptr);
    EVP_CIPHER_CTX_set_padding(cc, 0);
    EVP_EncryptUpdate(cc, out.data(), &l1, in.data(), 8);
    EVP_EncryptFinal_ex(cc, out.data() + l1, &l2);
    EVP_CIPHER_CTX_free(cc);
    out.resize(8);
    EXPECT_EQ(tx(*c, "0082000308" + toHex(out)), "9000");
    EXPECT_EQ(tx(*c, "00A4020C020103"), "9000");
    EXPECT_EQ(tx(*c, "00B0000002"), "CAFE9000");
}

TEST(IsoCard, RawSignatureAndOaepDecipherFollowTheImageAlgorithms) {
    const char* image =
        "[card]\ndialect = iso\natr = 3B 02 14 50\nprotocol = T1\n"
        "[pin 3F00 01]\nvalue = 1234\n"
        "[key 3F00 10]\nprivate = signer-rsa2048.key\npin = 01\nsign-alg = raw\ndecipher-alg = oaep\n";
    auto c = cardsim::Card::fromText(image, cardsim::defaultPkiDir(), "raw.card");
    c->powerOn();
    auto pub = certKey("signer-rsa2048.der");
    EXPECT_EQ(tx(*c, "002000010431323334"), "9000");
    EXPECT_EQ(tx(*c, "002241B603840110"), "9000");
    Bytes block(256, 0x5A);
    block[0] = 0x00;
    std::string r = tx(*c, "002A9E9A000100" + toHex(block) + "0000");
    ASSERT_EQ(sw(r), "9000");
    Bytes sig = fromHex(body(r)), back(256);
    size_t len = back.size();
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(pub.get(), nullptr);
    ASSERT_EQ(EVP_PKEY_verify_recover_init(ctx), 1);
    EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_NO_PADDING);
    ASSERT_EQ(EVP_PKEY_verify_recover(ctx, back.data(), &len, sig.data(), sig.size()), 1);
    EVP_PKEY_CTX_free(ctx);
    EXPECT_EQ(toHex(back), toHex(block));

    Bytes plain = fromHex("00112233"), crypt(256);
    len = crypt.size();
    ctx = EVP_PKEY_CTX_new(pub.get(), nullptr);
    ASSERT_EQ(EVP_PKEY_encrypt_init(ctx), 1);
    EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_OAEP_PADDING);
    ASSERT_EQ(EVP_PKEY_encrypt(ctx, crypt.data(), &len, plain.data(), plain.size()), 1);
    EVP_PKEY_CTX_free(ctx);
    EXPECT_EQ(tx(*c, "002241B803840110"), "9000");
    EXPECT_EQ(tx(*c,
                 "002A8086000101"
                 "00" +
                     toHex(crypt) + "0000"),
              "001122339000");
    EXPECT_EQ(tx(*c,
                 "002A8086000101"
                 "00" +
                     toHex(Bytes(256, 0x01)) + "0000"),
              "6A80");  // bad padding
}
