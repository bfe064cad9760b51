// Signature creation with PKCS#12 keys: bare signatures, signed data over buffers and
// files, checked with OpenSSL; the file path codes; a timestamped file.
#include <gtest/gtest.h>
#include <log4cxx/fileappender.h>
#include <log4cxx/logger.h>
#include <log4cxx/patternlayout.h>
#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstring>
#include <string>
#include <vector>

#include "SCUtils.h"
#include "SignDocSupport.h"
#include "SignMessage.h"

using namespace signdoc;

namespace {

struct P12Case {
    const char* name;
    int signMode;
};

// Opens a PKCS#12 key; the file name is relative to the test PKI unless absolute.
uint32_t* openP12(const std::string& path, const char* password = "123456") {
    return CSignMessage::OpenSSLKey(path.c_str(), password, nullptr, -1, 0, "0");
}

bool verifyDigest(X509* cert, int signMode, const EVP_MD* md, const unsigned char* digest, size_t digestLength,
                  const std::vector<unsigned char>& sig) {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(X509_get0_pubkey(cert), nullptr);
    bool ok = ctx != nullptr && EVP_PKEY_verify_init(ctx) == 1;
    if (ok && signMode == 1)
        ok = EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PSS_PADDING) == 1 &&
             EVP_PKEY_CTX_set_rsa_pss_saltlen(ctx, RSA_PSS_SALTLEN_DIGEST) == 1;
    ok = ok && EVP_PKEY_CTX_set_signature_md(ctx, md) == 1 &&
         EVP_PKEY_verify(ctx, sig.data(), sig.size(), digest, digestLength) == 1;
    EVP_PKEY_CTX_free(ctx);
    return ok;
}

}  // namespace

TEST(SignDocP12, KeysSignBareDataAndHashesAsOpenSslChecks) {
    TempDir dir;
    const std::string pss = makePssP12(dir);
    struct Key {
        std::string p12, cert;
        int mode;
    } keys[] = {
        {pkiDir() + "/signer-rsa2048.p12", pkiDir() + "/signer-rsa2048.der", 0},
        {pss, dir / "pss.der", 1},
        {pkiDir() + "/signer-ec256.p12", pkiDir() + "/signer-ec256.der", 2},
    };
    const EVP_MD* mds[] = {EVP_sha1(), EVP_sha256(), EVP_sha384(), EVP_sha512(), EVP_ripemd160(), EVP_md5()};
    unsigned char message[] = "a document to be signed";
    for (const Key& k : keys) {
        SCOPED_TRACE(k.p12);
        uint32_t* key = openP12(k.p12);
        ASSERT_NE(key, nullptr);
        X509* cert = loadCert(k.cert);
        ASSERT_NE(cert, nullptr);
        EXPECT_EQ(CSignMessage::getSignAlgoFromPKey(key), k.mode);
        for (int algo = 0; algo <= 5; ++algo) {
            SCOPED_TRACE(algo);
            EXPECT_EQ(CSignMessage::checkSignHashAlgoPKey(key, algo), 0);
            unsigned char digest[EVP_MAX_MD_SIZE];
            unsigned int digestLength = 0;
            EVP_Digest(message, sizeof(message), digest, &digestLength, mds[algo], nullptr);
            std::vector<unsigned char> overData(600), overHash(600);
            uint32_t l1 = 600, l2 = 600;
            ASSERT_EQ(CSignMessage::SignBlobSSLRaw(message, sizeof(message), overData.data(), &l1, nullptr, cert, key,
                                                   algo, 0, false, true),
                      0);
            ASSERT_EQ(CSignMessage::SignBlobSSLRaw(digest, digestLength, overHash.data(), &l2, nullptr, cert, key, algo,
                                                   0, true, true),
                      0);
            overData.resize(l1);
            overHash.resize(l2);
            EXPECT_TRUE(verifyDigest(cert, k.mode, mds[algo], digest, digestLength, overData));
            EXPECT_TRUE(verifyDigest(cert, k.mode, mds[algo], digest, digestLength, overHash));
            if (k.mode == 0) {  // PKCS#1 v1.5 is deterministic: the two are the same signature
                EXPECT_EQ(overData, overHash);
            }
        }
        // Too small a buffer: an error, the length needed, nothing written.
        std::vector<unsigned char> small(20, 0xEE);
        uint32_t l = 10;
        EXPECT_EQ(CSignMessage::SignBlobSSLRaw(message, sizeof(message), small.data(), &l, nullptr, cert, key, 1, 0,
                                               false, true),
                  -24);
        EXPECT_GT(l, 10u);
        EXPECT_EQ(small, std::vector<unsigned char>(20, 0xEE));
        EXPECT_EQ(
            CSignMessage::SignBlobSSLRaw(message, sizeof(message), nullptr, &l, nullptr, cert, key, 1, 0, false, true),
            -301);
        // A PKCS#12 key does not decrypt.
        unsigned char plain[512];
        uint32_t pl = sizeof(plain);
        EXPECT_EQ(CSignMessage::RSADecryptBlobSSL(message, 16, plain, &pl, cert, key, true), -24);
        X509_free(cert);
        CSignMessage::CloseSSLKey(key);
    }
    EXPECT_EQ(openP12(pkiDir() + "/signer-rsa2048.p12", "wrong"), nullptr);
    EXPECT_EQ(openP12(dir / "missing.p12"), nullptr);
    EXPECT_EQ(CSignMessage::checkSignHashAlgoPKey(nullptr, 1), -37);
    EXPECT_EQ(CSignMessage::getSignAlgoFromPKey(nullptr), 0);
    CSignMessage::CloseSSLKey(nullptr);
}

// The key is opened without decrypting the certificate safes; it must be the key that
// went into the file, for every layout openssl writes (also without a MAC, which
// OpenSSL 3.0's PKCS12_parse refuses), and nothing on a wrong password.
TEST(SignDocP12, EveryLayoutOpensToItsKey) {
    TempDir dir;
    const std::string pki = pkiDir();
    FILE* pem = fopen((pki + "/signer-rsa2048.key").c_str(), "r");
    ASSERT_NE(nullptr, pem);
    EVP_PKEY* expected = PEM_read_PrivateKey(pem, nullptr, nullptr, nullptr);
    fclose(pem);
    ASSERT_NE(nullptr, expected);
    const struct {
        std::string name;
        std::string options;
        const char* password;
    } layouts[] = {
        {"default", "", "pw"},
        {"empty-password", "", ""},
        {"nothing-encrypted", "-keypbe NONE -certpbe NONE", "pw"},
        {"no-mac", "-nomac", "pw"},
        {"sha1-3des", "-keypbe PBE-SHA1-3DES -certpbe PBE-SHA1-3DES -macalg sha1", "pw"},
        {"with-chain", "-certfile '" + pki + "/chain.pem'", "pw"},
    };
    for (const auto& l : layouts) {
        const std::string file = dir / (l.name + ".p12");
        std::string out;
        ASSERT_EQ(
            0, run("openssl pkcs12 -export -in '" + pki + "/signer-rsa2048.pem' -inkey '" + pki +
                       "/signer-rsa2048.key' " + l.options + " -passout 'pass:" + l.password + "' -out '" + file + "'",
                   out))
            << l.name << ": " << out;
        uint32_t* key = openP12(file, l.password);
        ASSERT_NE(nullptr, key) << l.name;
        EXPECT_EQ(1, EVP_PKEY_eq(reinterpret_cast<EVP_PKEY*>(key), expected)) << l.name;
        CSignMessage::CloseSSLKey(key);
        // A wrong password opens nothing: the MAC or the key's encryption tells it.
        EXPECT_EQ(nullptr, openP12(file, "wrong")) << l.name;
    }
    EVP_PKEY_free(expected);
}

TEST(SignDocP12, SignedDataOverBuffersVerifiesWithOpenSslCms) {
    TempDir dir;
    const std::string pss = makePssP12(dir);
    struct Key {
        std::string p12, cert;
    } keys[] = {
        {pkiDir() + "/signer-rsa2048.p12", pkiDir() + "/signer-rsa2048.der"},
        {pss, dir / "pss.der"},
        {pkiDir() + "/signer-ec256.p12", pkiDir() + "/signer-ec256.der"},
    };
    std::vector<unsigned char> content(3000);
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<unsigned char>(i * 7 + 1);
    writeBytes(dir / "content.bin", content);
    std::vector<unsigned char> issuing = readBytes(pkiDir() + "/issuing-ca.der");
    _ASN1_CERT_BLOB more = {issuing.data(), static_cast<uint32_t>(issuing.size())};
    for (const Key& k : keys) {
        uint32_t* key = openP12(k.p12);
        ASSERT_NE(key, nullptr);
        X509* cert = loadCert(k.cert);
        const bool ec = CSignMessage::getSignAlgoFromPKey(key) == 2;
        for (int level : {0, 1, 5}) {
            for (bool attach : {false, true}) {
                for (int algo : {0, 1, 2, 3}) {
                    if (level != 0 && algo != 1)
                        continue;  // the levels with SHA-256; every digest at level 0
                    SCOPED_TRACE(k.p12 + " level " + std::to_string(level) + (attach ? " attached" : " detached") +
                                 " algo " + std::to_string(algo));
                    CSignMessage::setCAdES_Level(level);
                    uint32_t announced = 0;
                    ASSERT_EQ(CSignMessage::SignBlobSSLForLength(content.data(), content.size(), nullptr, &announced,
                                                                 nullptr, cert, key, algo, attach, &more, 1),
                              0);
                    std::vector<unsigned char> out(announced + 16, 0xEE);
                    uint32_t length = announced;
                    ASSERT_EQ(CSignMessage::SignBlobSSL(content.data(), content.size(), out.data(), &length, nullptr,
                                                        cert, key, algo, attach, &more, 1),
                              0);
                    if (ec) {
                        EXPECT_LE(length, announced);
                    } else {
                        EXPECT_EQ(length, announced);
                    }
                    EXPECT_EQ(out[announced], 0xEE);
                    out.resize(length);
                    const std::string sig = dir / "sig.p7s";
                    writeBytes(sig, out);
                    std::string why;
                    EXPECT_TRUE(cmsVerifies(sig, attach ? "" : dir / "content.bin", why)) << why;
                    const std::string printed = cmsPrint(sig);
                    EXPECT_NE(printed.find("contentType"), std::string::npos);
                    EXPECT_EQ(printed.find("signingTime") != std::string::npos, level != 1);
                    // The message digest stays at every level: signed attributes need it.
                    EXPECT_NE(printed.find("messageDigest"), std::string::npos);
                    EXPECT_EQ(printed.find("signingCertificateV2") != std::string::npos, level != 5);
                }
            }
        }
        // Too small an output buffer: an error and the length needed, nothing beyond it written.
        CSignMessage::setCAdES_Level(0);
        std::vector<unsigned char> small(100, 0xEE);
        uint32_t length = 50;
        EXPECT_EQ(CSignMessage::SignBlobSSL(content.data(), content.size(), small.data(), &length, nullptr, cert, key,
                                            1, false, nullptr, 0),
                  -300);
        EXPECT_GT(length, 1000u);
        EXPECT_EQ(std::vector<unsigned char>(small.begin() + 50, small.end()), std::vector<unsigned char>(50, 0xEE));
        EXPECT_EQ(CSignMessage::SignBlobSSL(content.data(), content.size(), nullptr, &length, nullptr, cert, key, 1,
                                            false, nullptr, 0),
                  -300);
        EXPECT_EQ(CSignMessage::SignBlobSSLForLength(content.data(), content.size(), nullptr, nullptr, nullptr, cert,
                                                     key, 1, false, nullptr, 0),
                  -29);
        EXPECT_EQ(CSignMessage::SignBlobSSLForLength(content.data(), content.size(), nullptr, &length, nullptr, nullptr,
                                                     key, 1, false, nullptr, 0),
                  -29);
        EXPECT_EQ(CSignMessage::SignBlobSSLForLength(content.data(), content.size(), nullptr, &length, nullptr, cert,
                                                     nullptr, 1, false, nullptr, 0),
                  -37);
        X509_free(cert);
        CSignMessage::CloseSSLKey(key);
    }
}

TEST(SignDocP12, FilePathsAndFilesGiveTheirCodes) {
    TempDir dir;
    std::string p256(256, 'a'), p257(257, 'a');
    EXPECT_EQ(CSignMessage::checkInutFilePathLengthV1(&p256[0]), 0);
    EXPECT_EQ(CSignMessage::checkInutFilePathLengthV2(&p256[0]), 0);
    EXPECT_EQ(CSignMessage::checkInutFilePathLengthV1(&p257[0]), -1007);
    EXPECT_EQ(CSignMessage::checkInutFilePathLengthV2(&p257[0]), -1007);
    EXPECT_EQ(CSignMessage::checkInutFilePathLengthV2(nullptr), -1008);
    char empty[] = "";
    EXPECT_EQ(CSignMessage::checkInutFilePathLengthV2(empty), 0);
    // Two bytes per character: 200 characters are 400 bytes, counted as characters by V2.
    std::string umlauts;
    for (int i = 0; i < 200; ++i)
        umlauts += "\xC3\xA4";
    EXPECT_EQ(CSignMessage::checkInutFilePathLengthV1(&umlauts[0]), -1007);
    EXPECT_EQ(CSignMessage::checkInutFilePathLengthV2(&umlauts[0]), 0);

    uint32_t* key = openP12(pkiDir() + "/signer-rsa2048.p12");
    ASSERT_NE(key, nullptr);
    X509* cert = loadCert(pkiDir() + "/signer-rsa2048.der");
    std::string in = dir / "doc.txt", out = dir / "doc.p7s", none = dir / "none.txt", blank = dir / "blank.txt";
    writeBytes(in, "Dies ist ein Dokument.\n", 23);
    writeBytes(blank, "", 0);
    std::string bad = dir / "no/such/folder/doc.p7s";
    std::string longOut = dir.path() + "/" + std::string(257 - dir.path().size() - 1, 'x');
    ASSERT_EQ(longOut.size(), 257u);
    CSignMessage::setCAdES_Level(0);
    EXPECT_EQ(CSignMessage::SignDetached(&in[0], &in[0], cert, key, 1, nullptr, 0), -35);
    std::string alias = dir.path() + "/./doc.txt";
    EXPECT_EQ(CSignMessage::SignDetached(&in[0], &alias[0], cert, key, 1, nullptr, 0), -35);
    // An empty document is signed like any other, detached and with its empty content.
    std::string why;
    ASSERT_EQ(CSignMessage::SignDetached(&blank[0], &out[0], cert, key, 1, nullptr, 0), 0);
    EXPECT_TRUE(cmsVerifies(out, blank, why)) << why;
    ASSERT_EQ(CSignMessage::SignEnveloped(&blank[0], &out[0], cert, key, 1, nullptr, 0), 0);
    EXPECT_TRUE(cmsVerifies(out, "", why)) << why;
    std::remove(out.c_str());
    EXPECT_EQ(CSignMessage::SignDetached(&none[0], &out[0], cert, key, 1, nullptr, 0), -1012);
    EXPECT_EQ(CSignMessage::SignDetached(&in[0], &longOut[0], cert, key, 1, nullptr, 0), -1007);
    EXPECT_EQ(CSignMessage::SignDetached(nullptr, &out[0], cert, key, 1, nullptr, 0), -1008);
    EXPECT_EQ(CSignMessage::SignDetached(&in[0], &bad[0], cert, key, 1, nullptr, 0), -36);
    // Without a certificate nothing is signed and nothing written.
    EXPECT_EQ(CSignMessage::SignEnveloped(&in[0], &out[0], nullptr, key, 1, nullptr, 0), -300);
    EXPECT_EQ(access(out.c_str(), F_OK), -1);

    ASSERT_EQ(CSignMessage::SignDetached(&in[0], &out[0], cert, key, 1, nullptr, 0), 0);
    EXPECT_TRUE(cmsVerifies(out, in, why)) << why;
    ASSERT_EQ(CSignMessage::SignEnveloped(&in[0], &out[0], cert, key, 2, nullptr, 0), 0);
    EXPECT_TRUE(cmsVerifies(out, "", why)) << why;
    // Content sizes whose lengths take one, two and three length bytes: the content comes back whole.
    for (size_t size : {100u, 300u, 70000u}) {
        std::vector<unsigned char> body(size);
        for (size_t i = 0; i < size; ++i)
            body[i] = static_cast<unsigned char>(i * 31 + size);
        writeBytes(in, body);
        ASSERT_EQ(CSignMessage::SignEnveloped(&in[0], &out[0], cert, key, 1, nullptr, 0), 0);
        EXPECT_EQ(run("openssl cms -verify -binary -inform DER -in '" + out + "' -CAfile '" + pkiDir() +
                          "/chain.pem' -out '" + (dir / "back.bin") + "'",
                      why),
                  0)
            << why;
        EXPECT_EQ(readBytes(dir / "back.bin"), body);
    }
    writeBytes(in, "Dies ist ein Dokument.\n", 23);

    unsigned char* data = nullptr;
    int length = 0;
    EXPECT_EQ(CSignMessage::readFile2Sign(&in[0], &data, &length), 0);
    ASSERT_EQ(length, 23);
    EXPECT_EQ(std::memcmp(data, "Dies ist ein Dokument.\n", 23), 0);
    CSCUtils::freeOPENSSL(data);
    EXPECT_EQ(CSignMessage::readFile2Sign(&in[0], &data, nullptr), -1012);
    EXPECT_EQ(CSignMessage::readFile2Sign(&blank[0], &data, &length), -1025);
    X509_free(cert);
    CSignMessage::CloseSSLKey(key);
}

TEST(SignDocP12, FileWithTimestampFromTheLocalServiceVerifies) {
    TsaService tsa;
    ASSERT_TRUE(tsa.ok());
    TempDir dir;
    uint32_t* key = openP12(pkiDir() + "/signer-rsa2048.p12");
    ASSERT_NE(key, nullptr);
    X509* cert = loadCert(pkiDir() + "/signer-rsa2048.der");
    std::string in = dir / "doc.txt", out = dir / "doc.p7s";
    writeBytes(in, "Ein Dokument mit Zeitstempel.\n", 30);
    CSignMessage::setCAdES_Level(0);
    CSignMessage::setTSUrl(tsa.url());
    const int32_t rc = CSignMessage::SignDetached(&in[0], &out[0], cert, key, 1, nullptr, 0);
    CSignMessage::setTSUrl("");
    ASSERT_EQ(rc, 0);
    std::string why;
    EXPECT_TRUE(cmsVerifies(out, in, why)) << why;

    // The token is an unsigned attribute over the signature value: openssl ts checks it.
    std::vector<unsigned char> der = readBytes(out);
    BIO* bio = BIO_new_mem_buf(der.data(), static_cast<int>(der.size()));
    CMS_ContentInfo* cms = d2i_CMS_bio(bio, nullptr);
    BIO_free(bio);
    ASSERT_NE(cms, nullptr);
    CMS_SignerInfo* si = sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(cms), 0);
    ASSERT_NE(si, nullptr);
    ASN1_OCTET_STRING* value = CMS_SignerInfo_get0_signature(si);
    writeBytes(dir / "value.bin", ASN1_STRING_get0_data(value), static_cast<size_t>(ASN1_STRING_length(value)));
    int at = CMS_unsigned_get_attr_by_NID(si, NID_id_smime_aa_timeStampToken, -1);
    ASSERT_GE(at, 0);
    ASN1_TYPE* token = X509_ATTRIBUTE_get0_type(CMS_unsigned_get_attr(si, at), 0);
    ASSERT_NE(token, nullptr);
    ASSERT_EQ(token->type, V_ASN1_SEQUENCE);
    writeBytes(dir / "token.der", token->value.sequence->data, static_cast<size_t>(token->value.sequence->length));
    CMS_ContentInfo_free(cms);
    std::string output;
    EXPECT_EQ(run("openssl ts -verify -token_in -in '" + (dir / "token.der") + "' -data '" + (dir / "value.bin") +
                      "' -CAfile '" + pkiDir() + "/root-ca.pem' -untrusted '" + pkiDir() + "/chain.pem'",
                  output),
              0)
        << output;
    X509_free(cert);
    CSignMessage::CloseSSLKey(key);
}

TEST(SignDocP12, EngineHelperAndProbes) {
    BIO* err = BIO_new(BIO_s_mem());
    EXPECT_EQ(setup_engine(err, nullptr, 0), nullptr);
    EXPECT_EQ(setup_engine(err, "auto", 0), nullptr);
    EXPECT_EQ(setup_engine(err, "/no/such/engine.so", 0), nullptr);
    char* text = nullptr;
    long n = BIO_get_mem_data(err, &text);
    std::string printed(text, static_cast<size_t>(n));
    EXPECT_NE(printed.find("enabling auto ENGINE support\n"), std::string::npos);
    EXPECT_NE(printed.find("invalid engine \"/no/such/engine.so\"\n"), std::string::npos);
    BIO_free(err);
    EXPECT_EQ(test1(), 1);
    X509* cert = loadCert(pkiDir() + "/signer-rsa2048.der");
    char name[128];
    EXPECT_STREQ(test2(cert, name), "sha256WithRSAEncryption");
    EXPECT_STREQ(test3(cert, name), "sha256WithRSAEncryption");
    X509_free(cert);
    CPkcs7tool tool;
    EXPECT_EQ(tool.nAlgoID, 1);
    EXPECT_EQ(tool.keyAlgorithmOid, "1.2.840.113549.1.1.1");
    X509* ec = loadCert(pkiDir() + "/signer-ec256.der");
    EXPECT_EQ(CSignMessage::InitSignAlgoOID(&tool, ec), 0);
    EXPECT_EQ(tool.keyAlgorithmOid, "1.2.840.10045.2.1");
    X509_free(ec);
}

TEST(SignDocP12, TracesEnteringAndLeavingWithCodesAndNeverThePassword) {
    TempDir dir;
    log4cxx::LoggerPtr root = log4cxx::Logger::getRootLogger();
    auto layout = std::make_shared<log4cxx::PatternLayout>("%c %m%n");
    auto appender = std::make_shared<log4cxx::FileAppender>(layout, dir / "trace.log", false);
    root->addAppender(appender);
    root->setLevel(log4cxx::Level::getDebug());
    uint32_t* key = CSignMessage::OpenSSLKey((pkiDir() + "/signer-rsa2048.p12").c_str(), "123456", nullptr, -1, 0, "0");
    ASSERT_NE(key, nullptr);
    X509* cert = loadCert(pkiDir() + "/signer-rsa2048.der");
    unsigned char data[] = "traced";
    std::vector<unsigned char> out(4096);
    uint32_t length = static_cast<uint32_t>(out.size());
    EXPECT_EQ(CSignMessage::SignBlobSSL(data, 6, out.data(), &length, nullptr, cert, key, 1, false, nullptr, 0), 0);
    std::string in = dir / "x.txt";
    EXPECT_EQ(CSignMessage::SignDetached(&in[0], &in[0], cert, key, 1, nullptr, 0), -35);
    EXPECT_EQ(CSignMessage::checkSignHashAlgoPKey(nullptr, 1), -37);
    X509_free(cert);
    CSignMessage::CloseSSLKey(key);
    root->removeAppender(appender);
    appender->close();
    std::vector<unsigned char> bytes = readBytes(dir / "trace.log");
    const std::string log(bytes.begin(), bytes.end());
    for (const char* line :
         {"VornCryptoSSL.CSignMessage entering CSignMessage::OpenSSLKey", "leaving CSignMessage::OpenSSLKey_P12: OK",
          "entering SignBlobSSL", "leaving SignBlobSSL: 0", "leaving SignDetachedEnveloped: -35",
          "leaving checkSignHashAlgoPKey: -37"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    EXPECT_EQ(log.find("123456"), std::string::npos);
}
