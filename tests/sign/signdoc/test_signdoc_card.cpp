// Signature creation with card keys on the real PC/SC stack (pcscd, vpcd and the card
// simulator): signed data checked with openssl cms, bare signatures and decryption
// checked with OpenSSL, the PIN flow and single-signature cards.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cardsim/TestStack.h>

#include <string>
#include <vector>

#include "SCUtils.h"
#include "SignDocSupport.h"
#include "SignMessage.h"

using namespace signdoc;

namespace {

const char kPin[] = "123456";
const unsigned char kVerify = 0x20;

X509* cardCert(int reader, int index) {
    CSCUtils u;
    u.setReader(reader);
    return u.GetX509(index);
}

// Signed data over content with the key: the announced length, the signature, openssl cms.
void signAndCheck(const TempDir& dir, uint32_t* key, X509* cert, int nAlgoID, bool attach, int level = 0,
                  const std::string& expectMissing = "") {
    SCOPED_TRACE("algo " + std::to_string(nAlgoID) + (attach ? " attached" : " detached") + " level " +
                 std::to_string(level));
    std::vector<unsigned char> content(777, 0x5A);
    writeBytes(dir / "content.bin", content);
    CSignMessage::setCAdES_Level(level);
    uint32_t announced = 0;
    ASSERT_EQ(CSignMessage::SignBlobSSLForLength(content.data(), content.size(), nullptr, &announced, nullptr, cert,
                                                 key, nAlgoID, attach, nullptr, 0),
              0);
    std::vector<unsigned char> out(announced);
    uint32_t length = announced;
    ASSERT_EQ(CSignMessage::SignBlobSSL(content.data(), content.size(), out.data(), &length, nullptr, cert, key,
                                        nAlgoID, attach, nullptr, 0),
              0);
    // Exact for RSA; an upper bound for ECDSA, whose DER value may come out shorter.
    if (EVP_PKEY_base_id(X509_get0_pubkey(cert)) == EVP_PKEY_EC) {
        EXPECT_LE(length, announced);
    } else {
        EXPECT_EQ(length, announced);
    }
    out.resize(length);
    writeBytes(dir / "sig.p7s", out);
    std::string why;
    EXPECT_TRUE(cmsVerifies(dir / "sig.p7s", attach ? "" : dir / "content.bin", why)) << why;
    const std::string printed = cmsPrint(dir / "sig.p7s");
    EXPECT_NE(printed.find("messageDigest"), std::string::npos);
    if (!expectMissing.empty()) {
        EXPECT_EQ(printed.find(expectMissing), std::string::npos);
    }
    CSignMessage::setCAdES_Level(0);
}

bool verifyBare(X509* cert, int padding, const unsigned char* digest, size_t digestLength, const unsigned char* sig,
                size_t sigLength) {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(X509_get0_pubkey(cert), nullptr);
    bool ok = ctx != nullptr && EVP_PKEY_verify_init(ctx) == 1 && EVP_PKEY_CTX_set_rsa_padding(ctx, padding) == 1 &&
              (padding != RSA_PKCS1_PSS_PADDING || EVP_PKEY_CTX_set_rsa_pss_saltlen(ctx, RSA_PSS_SALTLEN_AUTO) == 1) &&
              EVP_PKEY_CTX_set_signature_md(ctx, EVP_sha256()) == 1 &&
              EVP_PKEY_verify(ctx, sig, sigLength, digest, digestLength) == 1;
    EVP_PKEY_CTX_free(ctx);
    return ok;
}

// The STARCOS 3.5 image whose authentication key deciphers without removing a padding,
// so that the library removes OAEP itself.
std::string rawDecipherImage(const TempDir& dir) {
    std::vector<unsigned char> image = readBytes(sourceDir() + "/tools/cardsim/images/starcos35-a.card");
    std::string text(image.begin(), image.end());
    const std::string key = "private = auth-rsa2048.key\n";
    text.replace(text.find(key), key.size(), key + "decipher-alg = raw\n");
    writeBytes(dir / "starcos35-raw.card", text.data(), text.size());
    return dir / "starcos35-raw.card";
}

size_t verifyCommands(const cardsim::TestStack& stack, int reader) {
    size_t n = 0;
    for (const cardsim::TranscriptEntry& e : stack.exchanges(reader))
        n += e.command.size() > 1 && e.command[1] == kVerify;
    return n;
}

}  // namespace

TEST(SignDocCard, Starcos35SignsPssSignedDataPkcs1BareDecryptsAndSingleSignCardsNeedTheKeyAgain) {
    TempDir dir;
    cardsim::StackOptions o;
    o.image0 = rawDecipherImage(dir);
    o.image1 = "starcos35-b";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();

    // A wrong PIN from the host: no key, after exactly one VERIFY.
    stack.mark(0);
    EXPECT_EQ(CSignMessage::OpenSSLKey(nullptr, nullptr, "000000", 0, 0, "0"), nullptr);
    EXPECT_EQ(verifyCommands(stack, 0), 1u);
    EXPECT_EQ(CSignMessage::OpenSSLKey(nullptr, nullptr, kPin, -1, 0, "0"), nullptr);

    uint32_t* key = CSignMessage::OpenSSLKey(nullptr, nullptr, kPin, 0, 0, "0");
    ASSERT_NE(key, nullptr);
    X509* cert = cardCert(0, 0);
    ASSERT_NE(cert, nullptr);
    EXPECT_EQ(CSignMessage::getSignAlgoFromPKey(key), 1);
    // Every algorithm the card supports, attached and detached; the CAdES levels.
    for (int algo = 0; algo <= 3; ++algo)
        signAndCheck(dir, key, cert, algo, algo % 2 == 0);
    signAndCheck(dir, key, cert, 1, true, 1, "signingTime");
    signAndCheck(dir, key, cert, 1, false, 5, "signingCertificateV2");
    // RIPEMD-160 and MD5: not on this card, but SHA-256 is.
    std::vector<unsigned char> content(10, 1), out(4096);
    uint32_t length = 4096;
    EXPECT_EQ(CSignMessage::SignBlobSSLForLength(content.data(), 10, nullptr, &length, nullptr, cert, key, 4, false,
                                                 nullptr, 0),
              -88);
    EXPECT_EQ(
        CSignMessage::SignBlobSSL(content.data(), 10, out.data(), &length, nullptr, cert, key, 5, false, nullptr, 0),
        -88);

    // Bare signatures of a hash: PKCS#1 v1.5 when PSS is not allowed, else the card's PSS.
    unsigned char digest[32];
    EVP_Digest("bare", 4, digest, nullptr, EVP_sha256(), nullptr);
    unsigned char sig[512];
    uint32_t sigLength = sizeof(sig);
    ASSERT_EQ(CSignMessage::SignBlobSSLRaw(digest, 32, sig, &sigLength, nullptr, cert, key, 1, 0, true, false), 0);
    EXPECT_TRUE(verifyBare(cert, RSA_PKCS1_PADDING, digest, 32, sig, sigLength));
    sigLength = sizeof(sig);
    ASSERT_EQ(CSignMessage::SignBlobSSLRaw(digest, 32, sig, &sigLength, nullptr, cert, key, 1, 0, true, true), 0);
    EXPECT_TRUE(verifyBare(cert, RSA_PKCS1_PSS_PADDING, digest, 32, sig, sigLength));
    sigLength = 100;  // too small: the card layer's error and the length needed
    EXPECT_EQ(CSignMessage::SignBlobSSLRaw(digest, 32, sig, &sigLength, nullptr, cert, key, 1, 0, true, false), 255);
    EXPECT_EQ(sigLength, 256u);

    // A file signed with the card key.
    std::string in = dir / "doc.txt", p7s = dir / "doc.p7s", why;
    writeBytes(in, "Vertrag\n", 8);
    ASSERT_EQ(CSignMessage::SignDetached(&in[0], &p7s[0], cert, key, 1, nullptr, 0), 0);
    EXPECT_TRUE(cmsVerifies(p7s, in, why)) << why;
    X509_free(cert);
    CSignMessage::CloseSSLKey(key);

    // Decryption with the authentication key (certificate 2), OAEP with SHA-256 removed here.
    X509* auth = cardCert(0, 2);
    ASSERT_NE(auth, nullptr);
    uint32_t* authKey = CSignMessage::OpenSSLKey(nullptr, nullptr, kPin, 0, 2, "2");
    ASSERT_NE(authKey, nullptr);
    const unsigned char secret[] = "a session key of 32 bytes length";
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(X509_get0_pubkey(auth), nullptr);
    ASSERT_EQ(EVP_PKEY_encrypt_init(ctx), 1);
    EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_OAEP_PADDING);
    EVP_PKEY_CTX_set_rsa_oaep_md(ctx, EVP_sha256());
    EVP_PKEY_CTX_set_rsa_mgf1_md(ctx, EVP_sha256());
    unsigned char block[256];
    size_t blockLength = sizeof(block);
    ASSERT_EQ(EVP_PKEY_encrypt(ctx, block, &blockLength, secret, 32), 1);
    EVP_PKEY_CTX_free(ctx);
    unsigned char plain[256];
    uint32_t plainLength = sizeof(plain);
    ASSERT_EQ(CSignMessage::RSADecryptBlobSSL(block, blockLength, plain, &plainLength, auth, authKey, true), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(plain), plainLength),
              std::string(reinterpret_cast<const char*>(secret), 32));
    plainLength = sizeof(plain);
    EXPECT_EQ(CSignMessage::RSADecryptBlobSSL(block, blockLength, nullptr, &plainLength, auth, authKey, true), -301);
    // Without OAEP the block must carry PKCS#1 v1.5 padding: an OAEP block is refused, never
    // handed back padded.
    plainLength = sizeof(plain);
    EXPECT_EQ(CSignMessage::RSADecryptBlobSSL(block, blockLength, plain, &plainLength, auth, authKey, false), -24);
    block[5] ^= 1;  // a damaged block does not pass the padding check
    EXPECT_EQ(CSignMessage::RSADecryptBlobSSL(block, blockLength, plain, &plainLength, auth, authKey, true), -24);
    X509_free(auth);
    CSignMessage::CloseSSLKey(authKey);

    // Single-signature card: the second signature fails until the key is opened again.
    X509* single = cardCert(1, 0);
    uint32_t* once = CSignMessage::OpenSSLKey(nullptr, nullptr, kPin, 1, 0, "0");
    ASSERT_NE(once, nullptr);
    signAndCheck(dir, once, single, 1, false);
    length = 4096;
    EXPECT_EQ(
        CSignMessage::SignBlobSSL(content.data(), 10, out.data(), &length, nullptr, single, once, 1, false, nullptr, 0),
        -24);
    CSignMessage::CloseSSLKey(once);
    once = CSignMessage::OpenSSLKey(nullptr, nullptr, kPin, 1, 0, "0");
    ASSERT_NE(once, nullptr);
    signAndCheck(dir, once, single, 3, true);
    CSignMessage::CloseSSLKey(once);
    X509_free(single);
}

TEST(SignDocCard, CardOs50SignsPssWithSha256OnlyAndTcos3SignsEcdsa) {
    cardsim::StackOptions o;
    o.image0 = "cardos50-dtrust";
    o.image1 = "tcos30v2-esign";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    TempDir dir;
    EXPECT_TRUE(CSignMessage::IsSmartCardPresent(0));
    EXPECT_FALSE(CSignMessage::IsSmartCardPresent(-1));
    EXPECT_EQ(CSignMessage::GetSmartCardProfileType(-1), -1);

    X509* cert = cardCert(0, 0);
    ASSERT_NE(cert, nullptr);
    uint32_t* key = CSignMessage::OpenSSLKey(nullptr, nullptr, kPin, 0, 0, "0");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(CSignMessage::getSignAlgoFromPKey(key), 1);
    EXPECT_EQ(CSignMessage::checkSignHashAlgoPKey(key, 3), -88);
    signAndCheck(dir, key, cert, 1, true);
    CSignMessage::CloseSSLKey(key);
    X509_free(cert);

    // ECDSA: the card's r || s goes into the signed data as a DER ECDSA-Sig-Value. The
    // card signs once per PIN entry.
    cert = cardCert(1, 0);
    ASSERT_NE(cert, nullptr);
    ASSERT_EQ(EVP_PKEY_base_id(X509_get0_pubkey(cert)), EVP_PKEY_EC);
    for (int algo : {1, 2}) {
        key = CSignMessage::OpenSSLKey(nullptr, nullptr, kPin, 1, 0, "0");
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(CSignMessage::getSignAlgoFromPKey(key), 2);
        signAndCheck(dir, key, cert, algo, algo == 2);
        CSignMessage::CloseSSLKey(key);
    }
    X509_free(cert);
}
