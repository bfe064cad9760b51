// PKCS#7 inspection on blobs made by openssl cms -sign, openssl smime -sign/-encrypt and
// openssl ts -reply, each answer compared with what OpenSSL says.
#include <gtest/gtest.h>
#include <openssl/sha.h>
#include <openssl/x509.h>

#include <cstring>
#include <ctime>

#include "Cms.h"
#include "PKCS7SSL.h"
#include "Pkcs7TestSupport.h"

namespace {

const Bytes kContent = {'i', 'n', 's', 'p', 'e', 'c', 't', 'e', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't'};

class Pkcs7Inspect : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir();
        writeBytes(f("content"), kContent);
        const std::string sign = "openssl cms -sign -binary -in " + f("content") + " -outform DER ";
        run(sign + "-nodetach -md sha256 -signer " + pkiFile("signer-rsa2048.pem") + " -inkey " +
            pkiFile("signer-rsa2048.key") + " -certfile " + pkiFile("issuing-ca.pem") + " -out " + f("attached.der"));
        run(sign + "-noattr -md sha384 -signer " + pkiFile("signer-rsa3072.pem") + " -inkey " +
            pkiFile("signer-rsa3072.key") + " -out " + f("detached-noattr.der"));
        run(sign + "-nodetach -md sha512 -signer " + pkiFile("signer-ec256.pem") + " -inkey " +
            pkiFile("signer-ec256.key") + " -out " + f("ec.der"));
        run("openssl smime -sign -binary -nodetach -md sha1 -outform DER -in " + f("content") + " -signer " +
            pkiFile("signer-rsa2048.pem") + " -inkey " + pkiFile("signer-rsa2048.key") + " -out " + f("smime.der"));
        run("openssl smime -encrypt -binary -aes256 -outform DER -in " + f("content") + " -out " + f("enveloped.der") +
            " " + pkiFile("signer-rsa2048.pem"));
        run("openssl dgst -sha256 -sign " + pkiFile("signer-rsa2048.key") + " -out " + f("pkcs1.sig") + " " +
            f("content"));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string f(const std::string& name) { return s_dir->file(name); }
    static void run(const std::string& cmd) {
        int status = -1;
        const std::string out = commandOutput(cmd, &status);
        ASSERT_EQ(status, 0) << cmd << "\n" << out;
    }
    static Bytes blob(const std::string& name) { return readBytes(f(name)); }
    static unsigned int len(const Bytes& b) { return static_cast<unsigned int>(b.size()); }

    static TempDir* s_dir;
};
TempDir* Pkcs7Inspect::s_dir = nullptr;

Bytes sha(const EVP_MD* md, const Bytes& data) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_Digest(data.data(), data.size(), out, &n, md, nullptr);
    return Bytes(out, out + n);
}

Bytes certDer(const std::string& name) { return readBytes(pkiFile(name)); }

// Sets TZ for the life of the object.
class ScopedTz {
public:
    explicit ScopedTz(const char* tz) {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (old)
            m_old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTz() {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_had = false;
    std::string m_old;
};

long timeOf(int type, const char* text) {
    ASN1_STRING* s = ASN1_STRING_type_new(type);
    ASN1_STRING_set(s, text, static_cast<int>(std::strlen(text)));
    const long t = CPKCS7SSL::getTimeFromASN1(s);
    ASN1_STRING_free(s);
    return t;
}

}  // namespace

TEST_F(Pkcs7Inspect, ContentDigestAndAlgorithmMatchOpenssl) {
    const struct {
        const char* file;
        const EVP_MD* md;
        const char* oid;
        bool attached;
    } cases[] = {{"attached.der", EVP_sha256(), "2.16.840.1.101.3.4.2.1", true},
                 {"detached-noattr.der", EVP_sha384(), "2.16.840.1.101.3.4.2.2", false},
                 {"ec.der", EVP_sha512(), "2.16.840.1.101.3.4.2.3", true},
                 {"smime.der", EVP_sha1(), "1.3.14.3.2.26", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Bytes b = blob(c.file);
        ASSERT_FALSE(b.empty());
        unsigned int n = 0;
        if (c.attached) {
            ASSERT_EQ(CPKCS7SSL::GetData(b.data(), len(b), nullptr, &n), 0);
            EXPECT_EQ(n, kContent.size());
            Bytes out(n);
            unsigned int small = n - 1;
            EXPECT_EQ(CPKCS7SSL::GetData(b.data(), len(b), out.data(), &small), -1);
            ASSERT_EQ(CPKCS7SSL::GetData(b.data(), len(b), out.data(), &n), 0);
            EXPECT_EQ(out, kContent);
        } else {
            EXPECT_EQ(CPKCS7SSL::GetData(b.data(), len(b), nullptr, &n), -1);
        }
        unsigned int hashLength = 0;
        unsigned char* hash = CPKCS7SSL::GetHash(b.data(), len(b), &hashLength);
        ASSERT_NE(hash, nullptr);
        EXPECT_EQ(Bytes(hash, hash + hashLength), sha(c.md, kContent));
        std::free(hash);
        unsigned int oidLength = 0;
        const char* oid = CPKCS7SSL::GetHashAlgo(b.data(), len(b), 0, &oidLength);
        ASSERT_NE(oid, nullptr);
        EXPECT_STREQ(oid, c.oid);
        EXPECT_EQ(oidLength, std::strlen(c.oid));
        EXPECT_EQ(CPKCS7SSL::GetHashAlgo(b.data(), len(b), 1, &oidLength), nullptr);
        EXPECT_EQ(CPKCS7SSL::GetVersion(b.data(), len(b)), 1);
        EXPECT_EQ(CPKCS7SSL::FindQualifiedSC(b.data(), len(b)), 0);
        EXPECT_EQ(CPKCS7SSL::GetCRLNum(b.data(), len(b)), 0);
        ASSERT_NE(CPKCS7SSL::GetHashFromSignature(b.data(), len(b)), nullptr);
        EXPECT_STREQ(CPKCS7SSL::GetHashFromSignature(b.data(), len(b)), "");
    }
}

TEST_F(Pkcs7Inspect, CertificatesAndSignerKeyMatchTheFilesSignedWith) {
    Bytes b = blob("attached.der");
    EXPECT_EQ(CPKCS7SSL::GetSignerCertNum(b.data(), len(b)), 1);
    EXPECT_EQ(CPKCS7SSL::GetNCertNum(b.data(), len(b)), 2);
    unsigned int n = 0;
    ASSERT_EQ(CPKCS7SSL::GetSignerCert(b.data(), len(b), 0, nullptr, &n), 0);
    Bytes out(n);
    ASSERT_EQ(CPKCS7SSL::GetSignerCert(b.data(), len(b), 0, out.data(), &n), 0);
    EXPECT_EQ(out, certDer("signer-rsa2048.der"));
    n = static_cast<unsigned int>(out.size());
    std::fill(out.begin(), out.end(), 0);
    ASSERT_EQ(CPKCS7SSL::GetSignerCertEx(b.data(), len(b), 0, out.data(), &n), 0);
    EXPECT_EQ(out, certDer("signer-rsa2048.der"));
    EXPECT_EQ(CPKCS7SSL::GetSignerCert(b.data(), len(b), 1, out.data(), &n), -22);
    EXPECT_EQ(CPKCS7SSL::GetSignerCertEx(b.data(), len(b), 1, out.data(), &n), -1);
    // Both certificates are in the set, in OpenSSL's order.
    Bytes ca = certDer("issuing-ca.der");
    std::vector<Bytes> set;
    for (int i = 0; i < 2; ++i) {
        n = 4096;
        Bytes c(n);
        ASSERT_EQ(CPKCS7SSL::GetNCert(b.data(), len(b), i, c.data(), &n), 0);
        c.resize(n);
        set.push_back(c);
    }
    EXPECT_TRUE((set[0] == ca && set[1] == certDer("signer-rsa2048.der")) ||
                (set[1] == ca && set[0] == certDer("signer-rsa2048.der")));
    n = 10;
    EXPECT_EQ(CPKCS7SSL::GetNCert(b.data(), len(b), 1, out.data(), &n), -22) << "buffer too small";
    EXPECT_EQ(CPKCS7SSL::GetNCert(b.data(), len(b), 2, out.data(), &n), -22);

    const unsigned char* p = out.data();
    X509* x = d2i_X509(nullptr, &p, static_cast<long>(out.size()));
    unsigned char* spki = nullptr;
    const int spkiLength = i2d_PUBKEY(X509_get0_pubkey(x), &spki);
    n = 0;
    ASSERT_EQ(CPKCS7SSL::GetSignerRSAKey(b.data(), len(b), nullptr, &n, 0), 0);
    Bytes key(n);
    ASSERT_EQ(CPKCS7SSL::GetSignerRSAKey(b.data(), len(b), key.data(), &n, 0), 0);
    EXPECT_EQ(key, Bytes(spki, spki + spkiLength));
    EXPECT_EQ(CPKCS7SSL::GetSignerRSAKeySize(b.data(), len(b), 0), 2048);

    unsigned int offset = 0;
    Bytes cert = certDer("signer-rsa2048.der");
    EXPECT_EQ(CPKCS7SSL::GetRSAKeySize(cert.data(), &offset), 256);
    const BIGNUM* modulus = nullptr;
    RSA_get0_key(EVP_PKEY_get0_RSA(X509_get0_pubkey(x)), &modulus, nullptr, nullptr);
    Bytes m(256);
    BN_bn2bin(modulus, m.data());
    ASSERT_LE(offset + 256, cert.size());
    EXPECT_EQ(Bytes(cert.begin() + offset, cert.begin() + offset + 256), m);
    Bytes rsa3072 = certDer("signer-rsa3072.der");
    EXPECT_EQ(CPKCS7SSL::GetRSAKeySize(rsa3072.data(), &offset), 384);
    OPENSSL_free(spki);
    X509_free(x);
}

TEST_F(Pkcs7Inspect, SigningTimeIsUtcWhateverTheLocalZone) {
    Bytes b = blob("attached.der");
    const long now = static_cast<long>(std::time(nullptr));
    for (const char* tz : {"UTC0", "Pacific/Auckland", "America/New_York", "Europe/Berlin"}) {
        ScopedTz zone(tz);
        const long t = CPKCS7SSL::GetSigningTime(b.data(), len(b));
        EXPECT_LE(std::labs(t - now), 600L) << tz;
    }
    Bytes noattr = blob("detached-noattr.der");
    EXPECT_EQ(CPKCS7SSL::GetSigningTime(noattr.data(), len(noattr)), 0);

    ScopedTz zone("Europe/Berlin");
    EXPECT_EQ(timeOf(V_ASN1_UTCTIME, "240701120000Z"), 1719835200L);
    EXPECT_EQ(timeOf(V_ASN1_UTCTIME, "2407011200Z"), 1719835200L);
    EXPECT_EQ(timeOf(V_ASN1_UTCTIME, "240701140000+0200"), 1719835200L);
    EXPECT_EQ(timeOf(V_ASN1_GENERALIZEDTIME, "20240701120000.125Z"), 1719835200L);
    EXPECT_EQ(timeOf(V_ASN1_GENERALIZEDTIME, "20240701070000-0500"), 1719835200L);
    EXPECT_EQ(timeOf(V_ASN1_GENERALIZEDTIME, "20240101120000Z"), 1704110400L);
    EXPECT_EQ(timeOf(V_ASN1_UTCTIME, "991231235959Z"), 946684799L);
    EXPECT_EQ(timeOf(V_ASN1_UTCTIME, "2407Z"), 0);
    EXPECT_EQ(timeOf(V_ASN1_GENERALIZEDTIME, "2024x701120000Z"), 0);
    EXPECT_EQ(CPKCS7SSL::getTimeFromASN1(nullptr), 0);
}

TEST_F(Pkcs7Inspect, SignatureChecksAcceptGoodAndRefuseChangedSignatures) {
    Bytes b = blob("attached.der");
    EXPECT_EQ(CPKCS7SSL::Verify(b.data(), len(b)), 0);
    Bytes sm = blob("smime.der");
    EXPECT_EQ(CPKCS7SSL::Verify(sm.data(), len(sm)), 0);
    Bytes ec = blob("ec.der");
    EXPECT_EQ(CPKCS7SSL::Verify(ec.data(), len(ec)), -22) << "only RSA signatures";
    // The signature value is the last 256 bytes of the only signer: flip one.
    Bytes changed(b);
    changed[changed.size() - 5] ^= 0x01;
    EXPECT_EQ(CPKCS7SSL::Verify(changed.data(), len(changed)), -22);

    Bytes d = blob("detached-noattr.der");
    Bytes content(kContent);
    EXPECT_EQ(CPKCS7SSL::VerifyCMS(d.data(), len(d), content.data(), len(content)), 0);
    content[0] ^= 1;
    EXPECT_EQ(CPKCS7SSL::VerifyCMS(d.data(), len(d), content.data(), len(content)), -22);
    Bytes junk = {0x30, 0x00};
    EXPECT_EQ(CPKCS7SSL::VerifyCMS(junk.data(), len(junk), content.data(), len(content)), -22);
}

TEST_F(Pkcs7Inspect, PlainEcdsaSignatureFromTheModelVerifiesWithVerifyCms) {
    const Bytes data(kContent);
    // ecdsa-plain-SHA256 for a digest number outside the ECDSA table (SHA-256 digest).
    const Built built = buildSigned("signer-ec256", 2, 7, data, false, 0, "0.4.0.127.0.7.1.1.4.1.3");
    ASSERT_FALSE(built.der.empty());
    Bytes der(built.der);
    Bytes content(data);
    EXPECT_EQ(CPKCS7SSL::VerifyCMS(der.data(), len(der), content.data(), len(content)), 0);
    content.back() ^= 1;
    EXPECT_EQ(CPKCS7SSL::VerifyCMS(der.data(), len(der), content.data(), len(content)), -22);
    content.back() ^= 1;
    Bytes changed(der);
    changed[changed.size() - 3] ^= 0x40;  // inside the raw signature value
    EXPECT_EQ(CPKCS7SSL::VerifyCMS(changed.data(), len(changed), content.data(), len(content)), -22);
}

TEST_F(Pkcs7Inspect, EnvelopedDataIsRecognisedAndOtherOperationsRefuseIt) {
    Bytes e = blob("enveloped.der");
    EXPECT_EQ(CPKCS7SSL::isEnveloped(e.data(), len(e)), 1);
    Bytes b = blob("attached.der");
    EXPECT_EQ(CPKCS7SSL::isEnveloped(b.data(), len(b)), 0);
    Bytes junk = {0x04, 0x01, 0x00};
    EXPECT_EQ(CPKCS7SSL::isEnveloped(junk.data(), len(junk)), -22);
    EXPECT_EQ(CPKCS7SSL::GetCipherCertNum(e.data(), len(e)), 1);
    EXPECT_EQ(CPKCS7SSL::GetCipherCertNum(b.data(), len(b)), 0);
    unsigned int n = 0;
    EXPECT_EQ(CPKCS7SSL::GetData(e.data(), len(e), nullptr, &n), -1);
    EXPECT_EQ(CPKCS7SSL::GetHash(e.data(), len(e), &n), nullptr);
    EXPECT_EQ(CPKCS7SSL::GetSignerCertNum(e.data(), len(e)), 0);
    EXPECT_EQ(CPKCS7SSL::GetNCertNum(e.data(), len(e)), 0);
    EXPECT_EQ(CPKCS7SSL::GetVersion(e.data(), len(e)), 0);
    EXPECT_EQ(CPKCS7SSL::FindQualifiedSC(e.data(), len(e)), -22);
    EXPECT_EQ(CPKCS7SSL::GetTimestampBlob(e.data(), len(e), nullptr, &n), -1);

    CAsn1_Pkcs7 model(e.data(), len(e));
    ASSERT_EQ(model.getError(), 0);
    EXPECT_EQ(model.getContentTypeNum(), 3);
    ASSERT_NE(model.getEnvelopedData(), nullptr);
    EXPECT_EQ(model.getEnvelopedData()->getRecipientInfoNum(), 1);
    ASSERT_NE(model.getEnvelopedData()->getRecipientInfo(0)->getKeyTransport(), nullptr);
    EXPECT_EQ(model.getEnvelopedData()->getRecipientInfo(0)->getKeyTransport()->getVersion()->getValue(), 0);
    EXPECT_EQ(model.getSignature(0, true), nullptr);
}

TEST_F(Pkcs7Inspect, Pkcs1SignatureDigestAndAlgorithms) {
    Bytes sig = blob("pkcs1.sig");
    Bytes cert = certDer("signer-rsa2048.der");
    unsigned int n = 0;
    int algo = -1;
    unsigned char* hash = CPKCS7SSL::GetHashFromPKCS1Signature(sig.data(), len(sig), cert.data(), len(cert), &n, &algo);
    ASSERT_NE(hash, nullptr);
    EXPECT_EQ(Bytes(hash, hash + n), sha(EVP_sha256(), kContent));
    EXPECT_EQ(algo, 4);
    std::free(hash);
    Bytes other = certDer("signer-rsa3072.der");
    EXPECT_EQ(CPKCS7SSL::GetHashFromPKCS1Signature(sig.data(), len(sig), other.data(), len(other), &n, &algo), nullptr);

    // A block of type 1 with a SHA-1 DigestInfo, and one with an unknown DigestInfo.
    Bytes block = {0x00, 0x01, 0xFF, 0xFF, 0xFF, 0x00, 0x30, 0x21, 0x30, 0x09, 0x06,
                   0x05, 0x2B, 0x0E, 0x03, 0x02, 0x1A, 0x05, 0x00, 0x04, 0x14};
    block.resize(block.size() + 20, 0xAB);
    unsigned int index = 0;
    EXPECT_STREQ(CPKCS7SSL::GetHashAlgoPkcs1(block.data(), len(block), &index, &algo), "1.2.840.113549.1.1.5");
    EXPECT_EQ(index, block.size() - 20);
    EXPECT_EQ(algo, 1);
    block[9] = 0x0A;
    EXPECT_STREQ(CPKCS7SSL::GetHashAlgoPkcs1(block.data(), len(block), &index, &algo), "");

    unsigned char out[EVP_MAX_MD_SIZE];
    n = sizeof out;
    Bytes data(kContent);
    ASSERT_EQ(CPKCS7SSL::getHashfromBlob(data.data(), len(data), out, &n, "SHA384"), 1);
    EXPECT_EQ(Bytes(out, out + n), sha(EVP_sha384(), kContent));
    n = sizeof out;
    ASSERT_EQ(CPKCS7SSL::getHashfromBlob(data.data(), len(data), out, &n, "no-such-digest"), 1);
    EXPECT_EQ(Bytes(out, out + n), sha(EVP_sha256(), kContent));

    const struct {
        const char* oid;
        int type;
    } types[] = {{"1.2.840.113549.1.1.11", 2},   {"1.2.840.113549.1.1.10", 3}, {"1.2.840.10045.4.3.2", 0},
                 {"0.4.0.127.0.7.1.1.4.1.3", 1}, {"1.3.36.3.3.1.2", 2},        {"1.2.3.4", -1}};
    for (const auto& t : types) {
        ASN1_OBJECT* o = OBJ_txt2obj(t.oid, 1);
        EXPECT_EQ(CPKCS7SSL::getPublicKeyType(o), t.type) << t.oid;
        ASN1_OBJECT_free(o);
    }
}

TEST_F(Pkcs7Inspect, AttributeCertificatesInTheSignedAttributes) {
    Bytes cert = certDer("signer-rsa2048.der");
    Bytes data(kContent);
    CAsn1_Pkcs7 p7;
    p7.setContentType(2);
    ASSERT_TRUE(
        p7.setContent_SignedData(cert.data(), len(cert), 1, data.data(), len(data), nullptr, true, 0, "", nullptr));
    const Bytes acert = {0x30, 0x03, 0x02, 0x01, 0x07};
    ASSERT_EQ(p7.getAuthAttributes(0)->addAttribute(new CAsn1_Attribute(
                  "2.5.4.58", new CAsn1_Universal(acert.data(), len(acert)), "attributeCertificate")),
              1);
    Bytes value(256, 0x11);
    ASSERT_TRUE(p7.setSignature(0, value.data(), len(value)));  // re-encodes the whole
    Bytes b(p7.getDER(), p7.getDER() + p7.getDERlength());
    EXPECT_EQ(CPKCS7SSL::GetSignedAttrCertNum(b.data(), len(b)), 1);
    unsigned int n = 0;
    ASSERT_EQ(CPKCS7SSL::GetSignedAttrCert(b.data(), len(b), 0, nullptr, &n), 0);
    Bytes out(n);
    ASSERT_EQ(CPKCS7SSL::GetSignedAttrCert(b.data(), len(b), 0, out.data(), &n), 0);
    EXPECT_EQ(out, acert);
    EXPECT_EQ(CPKCS7SSL::GetSignedAttrCert(b.data(), len(b), 1, out.data(), &n), -22);
    Bytes plain = blob("attached.der");
    EXPECT_EQ(CPKCS7SSL::GetSignedAttrCertNum(plain.data(), len(plain)), 0);
}

TEST_F(Pkcs7Inspect, CmsHolderKeepsTheBlobAndItsContentType) {
    Bytes b = blob("attached.der");
    CCms cms(b.data(), len(b));
    EXPECT_EQ(cms.getError(), 0);
    EXPECT_STREQ(cms.getDataContentType(), "1.2.840.113549.1.7.2");
    EXPECT_EQ(Bytes(cms.getPbCms(), cms.getPbCms() + cms.getCbCms()), b);
    ASSERT_NE(cms.getDataContent(), nullptr);
    EXPECT_EQ(cms.getDataContent()->getCbCmsData(), 11u);  // 06 09 and the OID
    CCms copy(cms);
    CCms assigned;
    assigned = copy;
    EXPECT_EQ(assigned.getCbCms(), b.size());
    EXPECT_STREQ(assigned.getDataContentType(), "1.2.840.113549.1.7.2");
    EXPECT_NE(assigned.getDataContent(), cms.getDataContent());
    EXPECT_EQ(CCms::GetData(b.data(), len(b)), 0);

    Bytes junk = {0x30, 0x03, 0x02, 0x01, 0x01};
    CCms bad(junk.data(), len(junk));
    EXPECT_EQ(bad.getError(), 1000);
    EXPECT_EQ(CCms::GetData(junk.data(), len(junk)), -22);
    CCmsDataContent none(nullptr, 0);
    EXPECT_EQ(none.getError(), 1000);
}
