// CVerifyMsg::CheckSignDetached and CheckSignPKCS1Detached on signatures of the test PKI:
// signature value, chain faults, shell and chain model, and revocation from every source
// with real servers.
#include <gtest/gtest.h>

#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/sha.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CrlSSL.h"
#include "PKCS7SSL.h"
#include "Peers.h"
#include "VerifyMsg.h"
#include "VerifyTestSupport.h"

namespace {

const int kChecked = VERIFY_FLAG_SIGNATURE | VERIFY_FLAG_CHAIN;

// A verification of one signature of the PKI against the detached content.
class VerifyTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("http_proxy");
        CCrlSSL::setTimeout(5000);
        content = pki.bytes("content.txt");
    }

    // The servers the signers' certificates name, and the signers made for them.
    void startServers() {
        http = std::make_unique<CrlHttpServer>();
        ocsp = std::make_unique<OcspResponder>(pki, pki.ca + "/ocsp.pem", std::string(VN_VERIFY_KEYS) + "/ocsp.key",
                                               dir, "ocsp");
        ASSERT_NE(0u, ocsp->port());
        ASSERT_TRUE(pki.make(http->port(), ocsp->port())) << readFile(pki.run.file("make.log"));
        http->serve("/issuing.crl", readFile(pki.at("issuing.crl")));
        http->serve("/oldca.crl", readFile(pki.at("oldca.pem.crl")));
    }

    unsigned check(const std::string& name, int flags, int crlFlags = 0, const char* source = nullptr,
                   const struct timeb* when = nullptr, int model = VERIFY_MODEL_SHELL, const char* caFile = nullptr) {
        const std::vector<unsigned char> sig = pki.bytes(name);
        const std::string file = caFile != nullptr ? caFile : pki.caFile();
        return CVerifyMsg::CheckSignDetached(sig.data(), sig.size(), 0, content.data(), content.size(), flags, crlFlags,
                                             source, nullptr, when, 0, model, file.c_str(), nullptr);
    }

    RunPki pki;
    TempDir dir;
    std::vector<unsigned char> content;
    std::unique_ptr<CrlHttpServer> http;
    std::unique_ptr<OcspResponder> ocsp;
};

// `openssl cms -verify` on the same signature and content.
bool opensslAccepts(const std::string& sig, const std::string& content, const std::string& caFile) {
    const std::string cmd = "openssl cms -verify -binary -inform DER -in " + sig + " -content " + content +
                            " -CAfile " + caFile + " -purpose any -out /dev/null >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// A raw RSA value whose block is 00 02 <random non-zero bytes> 00 DigestInfo(SHA-256(content)).
std::vector<unsigned char> encryptionBlockSignature(const std::vector<unsigned char>& content,
                                                    const std::string& keyFile) {
    static const unsigned char kSha256Info[] = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                                0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};
    FILE* f = fopen(keyFile.c_str(), "r");
    EVP_PKEY* key = f ? PEM_read_PrivateKey(f, nullptr, nullptr, nullptr) : nullptr;
    if (f)
        fclose(f);
    const RSA* rsa = key ? EVP_PKEY_get0_RSA(key) : nullptr;
    std::vector<unsigned char> out;
    if (rsa != nullptr) {
        const size_t n = static_cast<size_t>(RSA_size(rsa));
        std::vector<unsigned char> block(n, 0x5a);
        block[0] = 0x00;
        block[1] = 0x02;
        const size_t info = n - sizeof(kSha256Info) - SHA256_DIGEST_LENGTH;
        block[info - 1] = 0x00;
        std::memcpy(&block[info], kSha256Info, sizeof(kSha256Info));
        SHA256(content.data(), content.size(), &block[n - SHA256_DIGEST_LENGTH]);
        out.resize(n);
        if (RSA_private_encrypt(static_cast<int>(n), block.data(), out.data(), const_cast<RSA*>(rsa), RSA_NO_PADDING) !=
            static_cast<int>(n))
            out.clear();
    }
    EVP_PKEY_free(key);
    return out;
}

TEST_F(VerifyTest, SignatureValueDetachedAttachedAndPkcs1) {
    ASSERT_TRUE(pki.make(1, 1));
    const struct timeb when = utcAt(2025, 1, 1);
    EXPECT_EQ(0u, check("good.p7s", 0));
    const unsigned char junk[] = {0x30, 0x00};
    EXPECT_EQ(0u, CVerifyMsg::CheckSignDetached(junk, sizeof(junk), 0, nullptr, 0, 0, 0, nullptr, nullptr, nullptr, 0,
                                                0, nullptr, nullptr));
    EXPECT_EQ(VERIFY_BAD_SIGNATURE, CVerifyMsg::CheckSignDetached(junk, sizeof(junk), 0, nullptr, 0, 1, 0, nullptr,
                                                                  nullptr, nullptr, 0, 0, nullptr, nullptr));
    EXPECT_EQ(0u,
              check("good.p7s", VERIFY_FLAG_SIGNATURE | VERIFY_FLAG_CHAIN | VERIFY_FLAG_VALIDITY, 0, nullptr, &when));
    EXPECT_TRUE(opensslAccepts(pki.at("good.p7s"), pki.at("content.txt"), pki.caFile()));

    const std::vector<unsigned char> attached = pki.bytes("good-attached.p7s");
    EXPECT_EQ(0u, CVerifyMsg::CheckSignDetached(attached.data(), attached.size(), 1, nullptr, 0, kChecked, 0, nullptr,
                                                nullptr, &when, 0, 0, pki.caFile().c_str(), nullptr));

    // One byte of the detached content changed.
    content[5] ^= 0x01;
    EXPECT_EQ(VERIFY_BAD_SIGNATURE, check("good.p7s", VERIFY_FLAG_SIGNATURE));
    EXPECT_EQ(VERIFY_BAD_SIGNATURE, check("good.p7s", kChecked, 0, nullptr, &when));
    const std::string changed = pki.run.file("changed.txt");
    std::ofstream(changed, std::ios::binary).write(reinterpret_cast<const char*>(content.data()), content.size());
    EXPECT_FALSE(opensslAccepts(pki.at("good.p7s"), changed, pki.caFile()));

    // The bare PKCS#1 signature over the same content.
    const std::vector<unsigned char> pkcs1 = pki.bytes("good.pkcs1");
    const std::vector<unsigned char> cert = pki.bytes("good.der");
    char message[64] = "untouched";
    EXPECT_EQ(VERIFY_BAD_SIGNATURE, CVerifyMsg::CheckSignPKCS1Detached(
                                        pkcs1.data(), pkcs1.size(), cert.data(), cert.size(), content.data(),
                                        content.size(), 0, 0, nullptr, message, nullptr, 0, 0, nullptr, nullptr));
    EXPECT_EQ('\0', message[0]);
    content[5] ^= 0x01;
    EXPECT_EQ(0u, CVerifyMsg::CheckSignPKCS1Detached(pkcs1.data(), pkcs1.size(), cert.data(), cert.size(),
                                                     content.data(), content.size(), 0, 0, nullptr, message, nullptr, 0,
                                                     0, nullptr, nullptr));
    const std::vector<unsigned char> other = pki.bytes("revoked.der");
    EXPECT_EQ(VERIFY_BAD_SIGNATURE, CVerifyMsg::CheckSignPKCS1Detached(
                                        pkcs1.data(), pkcs1.size(), other.data(), other.size(), content.data(),
                                        content.size(), 0, 0, nullptr, nullptr, nullptr, 0, 0, nullptr, nullptr));
    // The right DigestInfo behind an encryption block (type 2, random padding) is no signature.
    std::vector<unsigned char> type2 = encryptionBlockSignature(content, std::string(VN_VERIFY_KEYS) + "/good.key");
    ASSERT_FALSE(type2.empty());
    unsigned int hashLength = 0;
    int algo = 0;
    EXPECT_EQ(nullptr,
              CPKCS7SSL::GetHashFromPKCS1Signature(type2.data(), type2.size(), const_cast<unsigned char*>(cert.data()),
                                                   cert.size(), &hashLength, &algo));
    EXPECT_EQ(VERIFY_BAD_SIGNATURE, CVerifyMsg::CheckSignPKCS1Detached(
                                        type2.data(), type2.size(), cert.data(), cert.size(), content.data(),
                                        content.size(), 0, 0, nullptr, nullptr, nullptr, 0, 0, nullptr, nullptr));
    EXPECT_EQ(VERIFY_BAD_SIGNATURE, CVerifyMsg::CheckSignPKCS1Detached(
                                        pkcs1.data(), pkcs1.size() - 1, cert.data(), cert.size(), content.data(),
                                        content.size(), 0, 0, nullptr, nullptr, nullptr, 0, 0, nullptr, nullptr));
}

TEST_F(VerifyTest, ChainFaultsSetFailureBits) {
    const struct timeb when = utcAt(2025, 1, 1);
    // An unknown CA: the issuer is not in the store.
    EXPECT_EQ(VERIFY_NO_CONTEXT, check("stranger.p7s", kChecked, 0, nullptr, &when));
    EXPECT_FALSE(opensslAccepts(pki.at("stranger.p7s"), pki.at("content.txt"), pki.caFile()));
    // A broken certificate signature in the chain.
    EXPECT_EQ(VERIFY_CHAIN_NOT_VALID, check("badsig.p7s", kChecked, 0, nullptr, &when));
    EXPECT_FALSE(opensslAccepts(pki.at("badsig.p7s"), pki.at("content.txt"), pki.caFile()));
    // A signer that expired before the verification time.
    EXPECT_EQ(VERIFY_CHAIN_NOT_VALID, check("expired.p7s", kChecked, 0, nullptr, &when));
    EXPECT_EQ(VERIFY_CHAIN_NOT_VALID | VERIFY_SIGNER_NOT_VALID,
              check("expired.p7s", kChecked | VERIFY_FLAG_VALIDITY, 0, nullptr, &when));
    const struct timeb inside = utcAt(2021, 6, 1);
    EXPECT_EQ(0u, check("expired.p7s", kChecked | VERIFY_FLAG_VALIDITY, 0, nullptr, &inside));
    // The hashed CA directory alone serves as well.
    const std::vector<unsigned char> sig = pki.bytes("expired.p7s");
    EXPECT_EQ(0u, CVerifyMsg::CheckSignDetached(sig.data(), sig.size(), 0, content.data(), content.size(), kChecked, 0,
                                                nullptr, nullptr, &inside, 0, 0, nullptr, pki.caDir().c_str()));
    // No context: an unreadable CA file, alone or with a bad signature value.
    EXPECT_EQ(VERIFY_NO_CONTEXT, check("expired.p7s", kChecked, 0, nullptr, &inside, 0, "/nonexistent/ca.pem"));
    content[0] ^= 0x01;
    EXPECT_EQ(VERIFY_NO_CONTEXT_BAD_SIGNATURE,
              check("expired.p7s", kChecked, 0, nullptr, &inside, 0, "/nonexistent/ca.pem"));
}

TEST_F(VerifyTest, ShellAndChainModelWithACaThatExpiredAfterIssuing) {
    ASSERT_TRUE(pki.make(1, 1));
    // The expired CA was valid until 2023; it issued the chain signer in 2021.
    const struct timeb later = utcAt(2024, 1, 1), earlier = utcAt(2022, 6, 1);
    EXPECT_EQ(VERIFY_CHAIN_NOT_VALID, check("chain.p7s", kChecked, 0, nullptr, &later, VERIFY_MODEL_SHELL));
    EXPECT_EQ(0u, check("chain.p7s", kChecked, 0, nullptr, &later, VERIFY_MODEL_CHAIN));
    EXPECT_EQ(0u, check("chain.p7s", kChecked, 0, nullptr, &earlier, VERIFY_MODEL_SHELL));
    // Without a verification time the signing time (now) counts: the shell fails, the chain holds.
    EXPECT_EQ(VERIFY_CHAIN_NOT_VALID, check("chain.p7s", kChecked, 0, nullptr, nullptr, VERIFY_MODEL_SHELL));
    EXPECT_EQ(0u, check("chain.p7s", kChecked, 0, nullptr, nullptr, VERIFY_MODEL_CHAIN));
    // Without any time in the signature the current time counts.
    EXPECT_EQ(0u, check("good-noattr.p7s", kChecked));
    EXPECT_EQ(VERIFY_CHAIN_NOT_VALID, check("expired-noattr.p7s", kChecked));
}

TEST_F(VerifyTest, RevocationFromCrlsOfEverySource) {
    startServers();
    const struct timeb before = utcAt(2024, 1, 1), after = utcAt(2025, 1, 1);
    const int flags = kChecked | VERIFY_FLAG_REVOCATION;
    const std::string crlAddress = http->url("/issuing.crl");
    const std::string pemAddress = http->url("/oldca.crl");
    http->serve("/issuing.pem", readFile(pki.at("issuing.pem.crl")));
    TempDir crlDir;
    crlDir.write("issuing.crl", readFile(pki.at("issuing.crl")));
    crlDir.write("oldca.crl", readFile(pki.at("oldca.pem.crl")));
    crlDir.write("junk.crl", "not a CRL");
    const std::string pemIssuing = http->url("/issuing.pem");
    const std::string store = pki.ca + "/cafile-crl.pem";
    struct Source {
        int flag;
        const char* source;
        const char* caFile;
    } sources[] = {
        {VERIFY_CRL_STORE, nullptr, store.c_str()},
        {VERIFY_CRL_DISTRIBUTION_POINTS, nullptr, nullptr},
        {VERIFY_CRL_DIRECTORY, crlDir.path().c_str(), nullptr},
        {VERIFY_CRL_ADDRESS, crlAddress.c_str(), nullptr},
        {VERIFY_CRL_ADDRESS_2, pemIssuing.c_str(), nullptr},
    };
    for (const Source& s : sources) {
        SCOPED_TRACE(s.flag);
        EXPECT_EQ(0u, check("revoked.p7s", flags, s.flag, s.source, &before, 0, s.caFile));
        EXPECT_EQ(VERIFY_REVOKED, check("revoked.p7s", flags, s.flag, s.source, &after, 0, s.caFile));
        EXPECT_EQ(0u, check("good.p7s", flags, s.flag, s.source, &after, 0, s.caFile));
    }
    // The expired CA's PEM CRL from the distribution point, in the chain model.
    const struct timeb early = utcAt(2021, 3, 1), late = utcAt(2022, 1, 1);
    EXPECT_EQ(0u, check("noaia.p7s", flags, VERIFY_CRL_DISTRIBUTION_POINTS, nullptr, &early, VERIFY_MODEL_CHAIN));
    EXPECT_EQ(0u, check("noaia.p7s", flags, VERIFY_CRL_ADDRESS, pemAddress.c_str(), &late, VERIFY_MODEL_CHAIN));
    EXPECT_EQ(VERIFY_REVOKED,
              check("chain.p7s", flags, VERIFY_CRL_ADDRESS, pemAddress.c_str(), &late, VERIFY_MODEL_CHAIN));
    // An address that serves nothing: not found counts as not revoked.
    const std::string missing = http->url("/missing.crl");
    EXPECT_EQ(0u, check("revoked.p7s", flags, VERIFY_CRL_ADDRESS, missing.c_str(), &after));
    // Several flags: only the first source in precedence is asked (store, distribution points,
    // directory, OCSP, address); the source given would not serve the ones after it.
    const std::string noDirectory = crlDir.path() + "/none";
    EXPECT_EQ(VERIFY_REVOKED, check("revoked.p7s", flags, VERIFY_CRL_DISTRIBUTION_POINTS | VERIFY_CRL_DIRECTORY,
                                    noDirectory.c_str(), &after));
    EXPECT_EQ(VERIFY_REVOKED, check("revoked.p7s", flags, VERIFY_CRL_DIRECTORY | VERIFY_CRL_OCSP | VERIFY_CRL_ADDRESS,
                                    crlDir.path().c_str(), &after));
    EXPECT_EQ(VERIFY_OCSP_FAILED,
              check("revoked.p7s", flags, VERIFY_CRL_OCSP | VERIFY_CRL_ADDRESS, crlAddress.c_str(), &after));
}

TEST_F(VerifyTest, CrlOfAnotherCaDoesNotRevoke) {
    startServers();
    const struct timeb after = utcAt(2025, 1, 1);
    const int flags = kChecked | VERIFY_FLAG_REVOCATION;
    // The impostor carries the issuing CA's name and lists the good signer's serial.
    const std::string impostor = readFile(pki.at("impostor.crl"));
    http->serve("/issuing.crl", impostor);
    http->serve("/impostor.crl", impostor);
    TempDir crlDir;
    crlDir.write("impostor.crl", impostor);
    const std::string address = http->url("/impostor.crl");
    EXPECT_EQ(0u, check("good.p7s", flags, VERIFY_CRL_DISTRIBUTION_POINTS, nullptr, &after));
    EXPECT_EQ(0u, check("good.p7s", flags, VERIFY_CRL_DIRECTORY, crlDir.path().c_str(), &after));
    EXPECT_EQ(0u, check("good.p7s", flags, VERIFY_CRL_ADDRESS, address.c_str(), &after));
    // The same CRL put into the store does not count either.
    const std::string store = dir.file("store.pem");
    std::ofstream(store) << readFile(pki.caFile()) << readFile(pki.at("impostor.pem.crl"));
    EXPECT_EQ(0u, check("good.p7s", flags, VERIFY_CRL_STORE, nullptr, &after, 0, store.c_str()));
    // The real CRL behind the same distribution point does revoke.
    http->serve("/issuing.crl", readFile(pki.at("issuing.crl")));
    EXPECT_EQ(VERIFY_REVOKED, check("revoked.p7s", flags, VERIFY_CRL_DISTRIBUTION_POINTS, nullptr, &after));
}

TEST_F(VerifyTest, RevocationByOcsp) {
    startServers();
    const struct timeb before = utcAt(2024, 1, 1), after = utcAt(2025, 1, 1);
    const int flags = kChecked | VERIFY_FLAG_REVOCATION;
    const std::string responder = ocsp->url();
    EXPECT_EQ(0u, check("revoked.p7s", flags, VERIFY_CRL_OCSP, responder.c_str(), &before));
    EXPECT_EQ(VERIFY_REVOKED, check("revoked.p7s", flags, VERIFY_CRL_OCSP, responder.c_str(), &after));
    EXPECT_EQ(0u, check("good.p7s", flags, VERIFY_CRL_OCSP, responder.c_str(), &after));
    // The address from the certificate's authorityInfoAccess.
    EXPECT_EQ(VERIFY_REVOKED, check("revoked.p7s", flags, VERIFY_CRL_OCSP, nullptr, &after));
    EXPECT_EQ(VERIFY_NO_OCSP_RESPONDER,
              check("noaia.p7s", flags, VERIFY_CRL_OCSP, nullptr, &after, VERIFY_MODEL_CHAIN));

    // A responder signing with an unrelated key, and one whose certificate the issuer did not
    // make an OCSP responder.
    OcspResponder forged(pki, pki.ca + "/forged.pem", std::string(VN_VERIFY_KEYS) + "/forged.key", dir, "forged");
    OcspResponder undelegated(pki, pki.at("good.pem"), std::string(VN_VERIFY_KEYS) + "/good.key", dir, "plain");
    ASSERT_NE(0u, forged.port());
    ASSERT_NE(0u, undelegated.port());
    EXPECT_EQ(VERIFY_OCSP_FAILED, check("revoked.p7s", flags, VERIFY_CRL_OCSP, forged.url().c_str(), &after));
    EXPECT_EQ(VERIFY_OCSP_FAILED, check("good.p7s", flags, VERIFY_CRL_OCSP, undelegated.url().c_str(), &after));

    // A responder that never answers: the wait ends at the time limit.
    HttpTestServer silent([](HttpTestServer& s, int, const std::string&) { s.waitForStop(20000); }, false);
    CCrlSSL::setTimeout(1000);
    EXPECT_EQ(VERIFY_OCSP_FAILED, check("good.p7s", flags, VERIFY_CRL_OCSP, (silent.base() + "/").c_str(), &after));
}

}  // namespace
