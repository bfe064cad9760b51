// The process-wide CA store and chain walking over the generated three-level PKI.
#include <gtest/gtest.h>

#include <string>

#include "CertInfo.h"
#include "CertTestSupport.h"

namespace {

class CaStore : public ::testing::Test {
protected:
    void SetUp() override {
        CCertInfo::CleanUpSSL_CAStore();
        ASSERT_FALSE(certCorpus().empty());
        caDir = certCorpus() + "/ca";
        root = corpusFile("pki/root.der");
        sub = corpusFile("pki/sub.der");
        signer = corpusFile("pki/signer.der");
    }
    void TearDown() override { CCertInfo::CleanUpSSL_CAStore(); }

    static unsigned int len(const Bytes& b) { return static_cast<unsigned int>(b.size()); }

    std::string caDir;
    Bytes root, sub, signer;
};

}  // namespace

TEST_F(CaStore, LoadsTheDirectoryOncePerPath) {
    // root.pem, root-copy.crt, sub.der and sub-copy.cer; broken.pem is left out.
    EXPECT_EQ(4, CCertInfo::InitSSL_CAStore(caDir.c_str(), false));
    EXPECT_EQ(caDir, CCertInfo::m_storePath);
    X509_STORE* first = CCertInfo::m_store;
    EXPECT_EQ(0, CCertInfo::InitSSL_CAStore(caDir.c_str(), false));
    EXPECT_EQ(first, CCertInfo::m_store);
    EXPECT_EQ(4, CCertInfo::InitSSL_CAStore(caDir.c_str(), true));
    EXPECT_EQ(first, CCertInfo::m_store);
    EXPECT_EQ(0, CCertInfo::InitSSL_CAStore((caDir + "/missing").c_str(), false));
    EXPECT_NE(nullptr, CCertInfo::m_store);
    EXPECT_EQ(caDir + "/missing", CCertInfo::m_storePath);
    EXPECT_EQ(1, CCertInfo::AddCert2Store((caDir + "/root.pem").c_str(), CCertInfo::m_store, true));
    EXPECT_EQ(1, CCertInfo::AddCert2Store((caDir + "/sub.der").c_str(), CCertInfo::m_store, true));
    EXPECT_EQ(0, CCertInfo::AddCert2Store((caDir + "/broken.pem").c_str(), CCertInfo::m_store, true));
    EXPECT_EQ(0, CCertInfo::AddCert2Store((caDir + "/nothing.pem").c_str(), CCertInfo::m_store, true));
    CCertInfo::CleanUpSSL_CAStore();
    EXPECT_EQ(nullptr, CCertInfo::m_store);
}

TEST_F(CaStore, WalksTheChainUpToTheRoot) {
    unsigned char out[10000];
    unsigned int outLength = sizeof(out);
    ASSERT_EQ(0, CCertInfo::sslGetNextChainCert(signer.data(), len(signer), out, &outLength, caDir.c_str()));
    EXPECT_EQ(sub, Bytes(out, out + outLength));
    outLength = sizeof(out);
    ASSERT_EQ(0, CCertInfo::sslGetNextChainCert(sub.data(), len(sub), out, &outLength, caDir.c_str()));
    EXPECT_EQ(root, Bytes(out, out + outLength));
    outLength = sizeof(out);
    EXPECT_EQ(static_cast<int>(0x80010000u),
              CCertInfo::sslGetNextChainCert(root.data(), len(root), out, &outLength, caDir.c_str()));
    EXPECT_EQ(2, CCertInfo::sslGetChainSize(signer.data(), len(signer), caDir.c_str()));
    EXPECT_EQ(1, CCertInfo::sslGetChainSize(sub.data(), len(sub), caDir.c_str()));
    EXPECT_EQ(0, CCertInfo::sslGetChainSize(root.data(), len(root), caDir.c_str()));

    // Too small an output buffer and unparsable certificates.
    outLength = 100;
    EXPECT_EQ(-56, CCertInfo::sslGetNextChainCert(signer.data(), len(signer), out, &outLength, caDir.c_str()));
    outLength = sizeof(out);
    EXPECT_EQ(-56, CCertInfo::sslGetNextChainCert(signer.data(), len(signer) - 10, out, &outLength, caDir.c_str()));
    EXPECT_EQ(0, CCertInfo::sslGetChainSize(signer.data(), 5, caDir.c_str()));

    // A store without the issuing CA ends the walk at the signer.
    const std::string empty = certCorpus() + "/certs";
    outLength = sizeof(out);
    EXPECT_EQ(CCertInfo::SSL_CHAIN_END,
              CCertInfo::sslGetNextChainCert(signer.data(), len(signer), out, &outLength, empty.c_str()));
}

TEST_F(CaStore, StoreBuiltFromSingleCertificates) {
    EXPECT_EQ(1, CCertInfo::AddCertToSSL_CAStore(root.data(), len(root)));
    EXPECT_EQ("set", CCertInfo::m_storePath);
    EXPECT_EQ(1, CCertInfo::AddCertToSSL_CAStore(sub.data(), len(sub)));
    EXPECT_EQ(0, CCertInfo::AddCertToSSL_CAStore(sub.data(), 20));
    EXPECT_EQ(2, CCertInfo::sslGetChainSize(signer.data(), len(signer), nullptr));
    EXPECT_EQ(2, CCertInfo::sslGetChainSize(signer.data(), len(signer), "set"));
}

TEST_F(CaStore, CertificateSignatures) {
    EXPECT_EQ(0, CCertInfo::sslCheckCertSignature(signer.data(), len(signer), sub.data(), len(sub), nullptr));
    EXPECT_EQ(0, CCertInfo::sslCheckCertSignature(sub.data(), len(sub), root.data(), len(root), caDir.c_str()));
    EXPECT_EQ(0, CCertInfo::sslCheckCertSignature(root.data(), len(root), root.data(), len(root), nullptr));
    EXPECT_EQ(1, CCertInfo::sslCheckCertSignature(signer.data(), len(signer), root.data(), len(root), nullptr));
    // Unparsable input is a failure, never a valid signature.
    EXPECT_EQ(1, CCertInfo::sslCheckCertSignature(signer.data(), len(signer) - 1, sub.data(), len(sub), nullptr));
    EXPECT_EQ(1, CCertInfo::sslCheckCertSignature(signer.data(), len(signer), sub.data(), 3, nullptr));
    EXPECT_EQ(1, CCertInfo::sslCheckCertSignature(nullptr, 0, nullptr, 0, nullptr));
    Bytes tampered = signer;
    tampered[tampered.size() - 5] ^= 0x01;
    EXPECT_EQ(1, CCertInfo::sslCheckCertSignature(tampered.data(), len(tampered), sub.data(), len(sub), nullptr));

    X509* x = CCertInfo::ReadX509((caDir + "/sub-copy.cer").c_str(), false);
    ASSERT_NE(x, nullptr);
    X509_free(x);
    EXPECT_EQ(nullptr, CCertInfo::ReadX509((caDir + "/broken.pem").c_str(), false));
    EXPECT_EQ(nullptr, CCertInfo::ReadX509(nullptr, false));
}
