// The reader facade and the key interface on the real PC/SC stack: pcscd, vpcd and the
// card simulator with the STARCOS 3.5 images.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/sha.h>
#include <openssl/x509.h>

#include <cardsim/TestStack.h>

#include "ConfigSC.h"
#include "Reader.h"
#include "SCM_Interface.h"
#include "SCUtils.h"
#include "SC_Profile.h"

TEST(SignStack, FacadeListsVerifiesAndTheKeySignsUntilTheCardIsRemoved) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-a";
    o.image1 = "starcos35-b";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    CSCUtils::InitLogging("/tmp/vn-test-sign-stack.log", 5);

    CSCUtils u;
    ASSERT_EQ(CSCUtils::GetNumReaders(), 2);
    EXPECT_EQ(std::string(u.GetReaderName(1)), cardsim::TestStack::readerName(1));
    u.setReader(1);
    EXPECT_EQ(u.GetCertIDs(), 3);
    EXPECT_STREQ(u.certLabels[0], "Signing Cert");
    u.setReader(0);
    EXPECT_EQ(u.GetCertIDs(), 4);
    char right[] = "123456", wrong[] = "000000";
    EXPECT_EQ(u.VerifyPIN(0, right), 1);
    EXPECT_EQ(u.VerifyPIN(0, wrong), 0);
    EXPECT_EQ(u.VerifyPIN(9, right), -2);

    // Sign a hash with the key interface and check it against the card's certificate.
    X509* cert = u.GetX509(0);
    ASSERT_NE(cert, nullptr);
    CReader r;
    CSC_Profile* profile = r.ReadSCProfile(0);
    ASSERT_NE(profile, nullptr);
    CSCM_Interface key(profile, r.GetBaseProfile(), 0, 0, "0", myHinstDLL);
    ASSERT_TRUE(key.VerifyPIN("123456"));
    unsigned char digest[32];
    SHA256(reinterpret_cast<const unsigned char*>("stack"), 5, digest);
    unsigned char sig[512];
    uint32_t len = sizeof(sig);
    ASSERT_EQ(key.SignBlob(digest, 32, sig, &len, nullptr, 1, true, true), 0);
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(X509_get0_pubkey(cert), nullptr);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(EVP_PKEY_verify_init(ctx), 1);
    EXPECT_EQ(EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING), 1);
    EXPECT_EQ(EVP_PKEY_CTX_set_signature_md(ctx, EVP_sha256()), 1);
    EXPECT_EQ(EVP_PKEY_verify(ctx, sig, len, digest, 32), 1);
    EVP_PKEY_CTX_free(ctx);
    CSCUtils::freeX509(cert);

    // The card goes away: the open key fails, the facade finds nothing.
    ASSERT_TRUE(stack.remove(0));
    len = sizeof(sig);
    EXPECT_EQ(key.SignBlob(digest, 32, sig, &len, nullptr, 1, true, true), 0xFF);
    EXPECT_EQ(u.GetNumCerts(), 0);
    // -1 (no profile) or, while the service still reports the old card, -2 (no entries).
    EXPECT_LT(u.VerifyPIN(0, right), 0);
    EXPECT_EQ(u.GetX509(0), nullptr);
}
