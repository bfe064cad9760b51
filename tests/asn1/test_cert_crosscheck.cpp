// Cross-checks of the certificate readers and objects with OpenSSL on the generated corpus.
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <functional>
#include <memory>

#include "ASN1.h"
#include "Asn1Cert.h"
#include "Asn1TestSupport.h"

namespace {

struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};
typedef std::unique_ptr<X509, X509Free> X509Ptr;

template <class F>
Bytes i2dBytes(F encode) {
    unsigned char* buf = nullptr;
    const int len = encode(&buf);
    Bytes b;
    if (buf && len > 0)
        b.assign(buf, buf + len);
    OPENSSL_free(buf);
    return b;
}

Bytes itemBytes(const DBs& rec) { return Bytes(rec.data, rec.data + rec.length); }

// Calls fn for every item of the DER tree below (and including) the first item of der.
void forEachItem(const Bytes& der, const std::function<void(const DBs&)>& fn) {
    std::function<void(DBs, int)> visit = [&](DBs rec, int depth) {
        do {
            fn(rec);
            const unsigned char tag = rec.data[0];
            if ((tag & 0x20) || tag == 0x04 || tag == 0x03) {
                DBs child = rec;
                // Primitive strings are looked into only when they hold DER.
                Asn1Header h;
                if (CASN1::GetNextSubItem(rec.data, &child) && child.length &&
                    ((tag & 0x20) || CASN1::readHeader(child.data, child.end - child.data, h)) && depth < 30) {
                    const bool whole = (tag & 0x20) || child.data + h.total() == child.end;
                    if (whole)
                        visit(child, depth + 1);
                }
            }
        } while (CASN1::GetNextItem(rec.data, &rec));
    };
    DBs top;
    top.data = const_cast<unsigned char*>(der.data());
    top.length = static_cast<uint32_t>(der.size());
    top.end = der.data() + der.size();
    visit(top, 0);
}

std::string opensslOidText(const unsigned char* item, long len) {
    const unsigned char* p = item;
    ASN1_OBJECT* obj = d2i_ASN1_OBJECT(nullptr, &p, len);
    if (!obj)
        return "<openssl refused>";
    char buf[512];
    OBJ_obj2txt(buf, sizeof(buf), obj, 1);
    ASN1_OBJECT_free(obj);
    return buf;
}

// The name as getGenName writes it, built from OpenSSL's view of the entries: table name
// (else dotted text), "=", the value; BMPStrings as UTF-8, other strings as their bytes.
std::string expectedName(X509_NAME* name) {
    std::string out;
    for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
        X509_NAME_ENTRY* e = X509_NAME_get_entry(name, i);
        char dotted[128];
        OBJ_obj2txt(dotted, sizeof(dotted), X509_NAME_ENTRY_get_object(e), 1);
        const char* tableName = CASN1::getOIDDescr(dotted);
        ASN1_STRING* v = X509_NAME_ENTRY_get_data(e);
        std::string value;
        if (ASN1_STRING_type(v) == V_ASN1_BMPSTRING) {
            unsigned char* utf8 = nullptr;
            const int n = ASN1_STRING_to_UTF8(&utf8, v);
            value.assign(reinterpret_cast<char*>(utf8), n > 0 ? n : 0);
            OPENSSL_free(utf8);
        } else {
            value.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(v)), ASN1_STRING_length(v));
        }
        if (!out.empty())
            out += ", ";
        out += std::string(tableName ? tableName : dotted) + "=" + value;
    }
    return out;
}

int expectedSigAlgo(int nid) {
    switch (nid) {
    case NID_sha1WithRSAEncryption: return 1;
    case NID_ripemd160WithRSA: return 2;
    case NID_md5WithRSAEncryption: return 3;
    case NID_sha256WithRSAEncryption: return 4;
    case NID_sha384WithRSAEncryption: return 5;
    case NID_sha512WithRSAEncryption: return 6;
    case NID_rsassaPss: return 7;
    default: return 0;
    }
}

class CorpusTest : public ::testing::Test {
protected:
    void SetUp() override {
        names = corpusCerts();
        ASSERT_GE(names.size(), 18u) << "corpus not generated in " << corpusDir();
    }
    std::vector<std::string> names;
};

}  // namespace

TEST_F(CorpusTest, CertificateFieldsEqualOpenSslEncodings) {
    int v1 = 0, withExtensions = 0, bmp = 0, t61 = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Bytes der = readBytes(corpusDir() + "/" + name);
        const unsigned char* p = der.data();
        X509Ptr x(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
        ASSERT_TRUE(x);
        const uint32_t n = static_cast<uint32_t>(der.size());

        DBs rec;
        ASSERT_TRUE(CASN1::GetCertItem(der.data(), n, CASN1::CERT_ISSUER, &rec));
        EXPECT_EQ(toHex(itemBytes(rec)),
                  toHex(i2dBytes([&](unsigned char** b) { return i2d_X509_NAME(X509_get_issuer_name(x.get()), b); })));
        ASSERT_TRUE(CASN1::GetCertItem(der.data(), n, CASN1::CERT_SUBJECT, &rec));
        EXPECT_EQ(toHex(itemBytes(rec)),
                  toHex(i2dBytes([&](unsigned char** b) { return i2d_X509_NAME(X509_get_subject_name(x.get()), b); })));
        EXPECT_EQ(CASN1::getGenName(rec.data, rec.length), expectedName(X509_get_subject_name(x.get())));
        for (int i = 0; i < X509_NAME_entry_count(X509_get_subject_name(x.get())); ++i) {
            const int type =
                ASN1_STRING_type(X509_NAME_ENTRY_get_data(X509_NAME_get_entry(X509_get_subject_name(x.get()), i)));
            bmp += type == V_ASN1_BMPSTRING;
            t61 += type == V_ASN1_T61STRING;
        }

        ASSERT_TRUE(CASN1::GetCertItem(der.data(), n, CASN1::CERT_SERIAL, &rec));
        EXPECT_EQ(
            toHex(itemBytes(rec)),
            toHex(i2dBytes([&](unsigned char** b) { return i2d_ASN1_INTEGER(X509_get_serialNumber(x.get()), b); })));

        ASSERT_TRUE(CASN1::GetCertItem(der.data(), n, CASN1::CERT_PUBLICKEY, &rec));
        EXPECT_EQ(
            toHex(itemBytes(rec)),
            toHex(i2dBytes([&](unsigned char** b) { return i2d_X509_PUBKEY(X509_get_X509_PUBKEY(x.get()), b); })));

        // The to-be-signed part and the signature algorithm.
        uint32_t tbsLen = 0;
        ASSERT_TRUE(CASN1::GetCertValue(der.data(), n, nullptr, 0, &tbsLen));
        Bytes tbs(tbsLen);
        ASSERT_TRUE(CASN1::GetCertValue(der.data(), n, tbs.data(), tbsLen, &tbsLen));
        EXPECT_EQ(tbs, i2dBytes([&](unsigned char** b) { return i2d_re_X509_tbs(x.get(), b); }));
        EXPECT_EQ(CASN1::GetCertSignatureAlgo(der.data(), n), expectedSigAlgo(X509_get_signature_nid(x.get())));

        // Version and extensions.
        const bool isV1 = X509_get_version(x.get()) == 0;
        v1 += isV1;
        EXPECT_EQ(CASN1::GetCertItem(der.data(), n, CASN1::CERT_VERSION, &rec), isV1 ? 0 : 1);
        const bool hasExt = X509_get_ext_count(x.get()) > 0;
        withExtensions += hasExt;
        EXPECT_EQ(CASN1::GetCertItem(der.data(), n, CASN1::CERT_EXTENSIONS, &rec), hasExt ? 1 : 0);
        if (hasExt)
            EXPECT_EQ(rec.data[0], 0xA3);
        else
            EXPECT_EQ(rec.data, nullptr);
        EXPECT_EQ(CASN1::GetCertItem(der.data(), n, CASN1::CERT_ISSUERUID, &rec), 0);
    }
    EXPECT_GE(v1, 2);
    EXPECT_GE(withExtensions, 10);
    EXPECT_GE(bmp, 1);
    EXPECT_GE(t61, 1);
}

TEST_F(CorpusTest, KeySizeAndKeyOidEqualOpenSsl) {
    int rsa = 0, ec = 0, pss = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Bytes der = readBytes(corpusDir() + "/" + name);
        const unsigned char* p = der.data();
        X509Ptr x(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
        ASSERT_TRUE(x);
        EVP_PKEY* key = X509_get0_pubkey(x.get());
        ASSERT_TRUE(key);
        ASN1_OBJECT* alg = nullptr;
        ASSERT_TRUE(X509_PUBKEY_get0_param(&alg, nullptr, nullptr, nullptr, X509_get_X509_PUBKEY(x.get())));
        char oid[128];
        OBJ_obj2txt(oid, sizeof(oid), alg, 1);

        CAsn1_Cert cert(der.data(), static_cast<unsigned int>(der.size()));
        EXPECT_EQ(cert.getError(), 0);
        EXPECT_EQ(cert.getPublicKeyOID(), oid);
        EXPECT_EQ(cert.getPublicKeyLength(), EVP_PKEY_bits(key));
        const int base = EVP_PKEY_base_id(key);
        EXPECT_EQ(cert.isPublicKeyRSA(), base == EVP_PKEY_RSA || base == EVP_PKEY_RSA_PSS);
        EXPECT_EQ(cert.isPublicKeyEC(), base == EVP_PKEY_EC);
        rsa += cert.isPublicKeyRSA();
        ec += cert.isPublicKeyEC();
        pss += base == EVP_PKEY_RSA_PSS;
        if (cert.isPublicKeyEC()) {
            // The key point is the uncompressed point of the field size.
            ASSERT_TRUE(cert.getPublicKey()->getECKey());
            EXPECT_EQ(cert.getPublicKey()->getECKey()->getKeySize(), 1 + 2 * ((EVP_PKEY_bits(key) + 7) / 8));
        }
        const unsigned char* issuer = nullptr;
        size_t issuerLen = 0;
        ASSERT_TRUE(X509_NAME_get0_der(X509_get_issuer_name(x.get()), &issuer, &issuerLen));
        EXPECT_EQ(toHex(cert.getIssuerDn(), cert.getIssuerDnLength()), toHex(issuer, issuerLen));
        ASN1_INTEGER* serial = X509_get_serialNumber(x.get());
        EXPECT_EQ(cert.getSerialLength(), static_cast<unsigned int>(i2d_ASN1_INTEGER(serial, nullptr)));
    }
    EXPECT_GE(rsa, 8);
    EXPECT_GE(ec, 7);
    EXPECT_GE(pss, 2);
}

TEST_F(CorpusTest, EveryObjectIdentifierReadsAsOpenSslDottedText) {
    size_t checked = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const Bytes der = readBytes(corpusDir() + "/" + name);
        forEachItem(der, [&](const DBs& rec) {
            if (rec.data[0] != 0x06)
                return;
            EXPECT_EQ(CASN1::getOID(rec.data, rec.length, false), opensslOidText(rec.data, rec.length));
            ++checked;
        });
    }
    // Large arcs and a first arc of 2 with a second arc above 39 are in the corpus.
    EXPECT_GT(checked, 300u);
    const Bytes der = readBytes(corpusDir() + "/rsa1024.der");
    std::vector<std::string> oids;
    forEachItem(der, [&](const DBs& rec) {
        if (rec.data[0] == 0x06)
            oids.push_back(CASN1::getOID(rec.data, rec.length, false));
    });
    EXPECT_NE(std::find(oids.begin(), oids.end(), "2.999.3.4"), oids.end());
    EXPECT_NE(std::find(oids.begin(), oids.end(), "1.2.3.4.5.6.7.8.9.10.11.12.300000.4294967295"), oids.end());
}

TEST_F(CorpusTest, CmsContentTypeIsLocated) {
    const Bytes cms = readBytes(corpusDir() + "/keys/signed.cms");
    ASSERT_FALSE(cms.empty());
    DBs rec;
    ASSERT_TRUE(CASN1::GetCmsItem(cms.data(), static_cast<uint32_t>(cms.size()), CASN1::CMS_CONTENTTYPE, &rec));
    EXPECT_STREQ(CASN1::getOID(rec.data, rec.length, false), "1.2.840.113549.1.7.2");
    EXPECT_FALSE(CASN1::GetCmsItem(cms.data(), static_cast<uint32_t>(cms.size()), 201, &rec));
}

TEST_F(CorpusTest, TruncatedCertificatesFailWithoutReadingPastTheEnd) {
    for (const char* name : {"rsa1024.der", "P-521.der", "names_bmp.der"}) {
        SCOPED_TRACE(name);
        const Bytes der = readBytes(corpusDir() + "/" + name);
        for (size_t len = 0; len < der.size(); ++len) {
            // An exact-size copy, so that the sanitizer build sees any read past the end.
            std::unique_ptr<unsigned char[]> cut(new unsigned char[len ? len : 1]);
            std::copy(der.begin(), der.begin() + static_cast<long>(len), cut.get());
            DBs rec;
            EXPECT_EQ(CASN1::GetCertItem(cut.get(), static_cast<uint32_t>(len), CASN1::CERT_PUBLICKEY, &rec), 0);
            EXPECT_EQ(CASN1::GetCertSignatureAlgo(cut.get(), static_cast<uint32_t>(len)), 0);
            CAsn1_Cert cert(cut.get(), static_cast<unsigned int>(len));
            EXPECT_EQ(cert.getPublicKeyLength(), 0);
            EXPECT_EQ(cert.getIssuerDn(), nullptr);
        }
    }
}
