// Certificate entries: filling by CCertHandler from an X509, a PEM file pair and a PKCS#7
// signature, listing and field access, and the formatting helpers.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/pem.h>
#include <openssl/sha.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "CertHandler.h"
#include "CertInfo.h"
#include "CertStore.h"
#include "CertTestSupport.h"

namespace {

std::string field(CCertInfo* e, const char* key) {
    char out[CCertInfo::FieldSize] = "unchanged";
    unsigned int len = 12345;
    e->GetCertFieldSSL(key, out, &len);
    return out;
}

std::string x509Field(X509* x, const char* key) {
    char out[CCertInfo::FieldSize] = {0};
    unsigned int len = 0;
    EXPECT_EQ(0, CCertInfo::GetCertFieldX509(x, key, out, &len));
    EXPECT_EQ(std::strlen(out), len);
    return out;
}

}  // namespace

TEST(CertEntry, FilledFromX509LikeOpenSSLSeesIt) {
    const Bytes der = corpusFile("certs/full_rsa.der");
    X509Ptr x = parseX509(der);
    ASSERT_TRUE(x);
    CCertHandler handler;
    CCertInfo* e = handler.GetEntrySSL(x.get());
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ("2", e->GetCertVersion());
    EXPECT_STREQ("1003", e->GetSerialNumber());
    EXPECT_STREQ("sha256WithRSAEncryption", e->GetSignatureAlg());
    EXPECT_STREQ("C=DE, O=Test Trust, CN=Full RSA", e->GetSubject());
    EXPECT_STREQ("C=DE, O=Test Trust, CN=Test Sub CA", e->GetIssuer());
    EXPECT_EQ("Full RSA", field(e, "DISPLAYNAME"));
    unsigned char sha1[SHA_DIGEST_LENGTH];
    SHA1(der.data(), der.size(), sha1);
    std::string fp;
    char hex[4];
    for (unsigned char b : sha1) {
        std::snprintf(hex, sizeof(hex), "%02x ", b);
        fp += hex;
    }
    EXPECT_STREQ(fp.c_str(), e->GetFingerPrint());
    EXPECT_EQ(fp, field(e, "FINGERPRINT"));
    EXPECT_STREQ("", e->GetCSP());
    EXPECT_STREQ("", e->GetSubPubKey());
    ASSERT_NE(e->GetX509Cert(), nullptr);
    EXPECT_NE(e->GetX509Cert(), x.get());
    EXPECT_EQ(0, X509_cmp(e->GetX509Cert(), x.get()));

    // Fields by index and details.
    EXPECT_EQ(11, e->GetNumberOfFields());
    EXPECT_STREQ("Subject", e->GetFieldName(0));
    EXPECT_STREQ("Version", e->GetFieldName(10));
    EXPECT_STREQ("", e->GetFieldName(11));
    EXPECT_STREQ("", e->GetFieldName(-1));
    EXPECT_STREQ("C=DE", e->GetDetails(0, 0));
    EXPECT_STREQ("O=Test Trust", e->GetDetails(0, 3));
    EXPECT_STREQ("CN=Full RSA", e->GetDetails(0, 5));
    EXPECT_STREQ("", e->GetDetails(0, 2));  // no locality
    EXPECT_STREQ("", e->GetDetails(0, 7));
    EXPECT_STREQ("CN=Test Sub CA", e->GetDetails(1, 4));
    EXPECT_STREQ("", e->GetDetails(1, 6));
    EXPECT_STREQ("1003", e->GetDetails(4, 99));
    EXPECT_STREQ("2", e->GetDetails(10, 0));
    EXPECT_STREQ("", e->GetDetails(11, 0));
    EXPECT_EQ(7, e->GetNumberOfDetails(0));
    EXPECT_EQ(6, e->GetNumberOfDetails(1));
    EXPECT_EQ(1, e->GetNumberOfDetails(8));
    EXPECT_EQ(1, e->GetNumberOfDetails(3));

    // Exact keys for the entry, any case for the certificate.
    EXPECT_EQ("2", field(e, "VERSION"));
    EXPECT_EQ("1003", field(e, "SERIALNUMBER"));
    EXPECT_EQ("C=DE, O=Test Trust, CN=Full RSA", field(e, "USER"));
    EXPECT_EQ("C=DE, O=Test Trust, CN=Test Sub CA", field(e, "ISSUER"));
    EXPECT_EQ("unchanged", field(e, "validuntil"));
    EXPECT_EQ("unchanged", field(e, "NOSUCHKEY"));
    EXPECT_EQ(field(e, "VALIDUNTIL"), x509Field(x.get(), "validuntil"));
    EXPECT_EQ(field(e, "VALIDFROM"), x509Field(x.get(), "ValidFrom"));
    EXPECT_EQ("2", x509Field(x.get(), "version"));
    EXPECT_EQ("1003", x509Field(x.get(), "serialnumber"));
    EXPECT_EQ(fp, x509Field(x.get(), "Fingerprint"));
    EXPECT_EQ(std::to_string(X509v3_KU_NON_REPUDIATION), x509Field(x.get(), "KEYUSAGE"));
    EXPECT_EQ("Full RSA", x509Field(x.get(), "displayname"));
    EXPECT_EQ("C=DE, O=Test Trust, CN=Full RSA", x509Field(x.get(), "user"));
    X509Ptr v1 = parseX509(corpusFile("certs/v1.der"));
    EXPECT_EQ("0", x509Field(v1.get(), "keyusage"));
    EXPECT_EQ("0", x509Field(v1.get(), "VERSION"));
    char out[8] = "x";
    EXPECT_EQ(-1, CCertInfo::GetCertFieldX509(nullptr, "VERSION", out, nullptr));
}

// Dates are shown in the host's local time; the zone is set inside the test.
TEST(CertEntry, DatesInLocalTime) {
    X509Ptr x = parseX509(corpusFile("certs/full_rsa.der"));  // 2024-07-01 12:00 to 2035-01-15 12:00 UTC
    inZone("UTC", [&] {
        CCertHandler h;
        CCertInfo* e = h.GetEntrySSL(x.get());
        EXPECT_EQ("2024.07.01 12:00:00", field(e, "VALIDFROM"));
        EXPECT_EQ("2035.01.15 12:00:00", field(e, "VALIDUNTIL"));
        EXPECT_STREQ("Monday, July 01, 2024, 12h 00min 00sec", e->GetNotBefore());
        EXPECT_STREQ("Monday, January 15, 2035, 12h 00min 00sec", e->GetNotAfter());
        EXPECT_EQ(1719835200, CCertHandler::ASN1_UTCTIME_get(X509_get0_notBefore(x.get())));
    });
    inZone("Europe/Berlin", [&] {
        CCertHandler h;
        CCertInfo* e = h.GetEntrySSL(x.get());
        EXPECT_EQ("2024.07.01 14:00:00", field(e, "VALIDFROM"));   // summer time
        EXPECT_EQ("2035.01.15 13:00:00", field(e, "VALIDUNTIL"));  // winter time
        EXPECT_STREQ("Monday, July 01, 2024, 14h 00min 00sec", e->GetNotBefore());
        EXPECT_EQ(1719835200, CCertHandler::ASN1_UTCTIME_get(X509_get0_notBefore(x.get())));
        EXPECT_EQ(2052475200, CCertHandler::ASN1_UTCTIME_get(X509_get0_notAfter(x.get())));
    });
    X509Ptr gen = parseX509(corpusFile("certs/dates_gen.der"));
    inZone("Europe/Berlin", [&] {
        EXPECT_EQ(2562480550, CCertHandler::ASN1_UTCTIME_get(X509_get0_notBefore(gen.get())));
        char out[CCertHandler::DateSize];
        CCertHandler::GetNotBeforeSSL(gen.get(), out, 1);
        EXPECT_STREQ("2051.03.15 09:09:10", out);
    });
    EXPECT_EQ(0, CCertHandler::ASN1_UTCTIME_get(nullptr));
}

TEST(CertEntry, ReadableNamesTurnLatin1EscapesIntoBytes) {
    X509Ptr latin = parseX509(corpusFile("certs/names_latin.der"));
    X509Ptr greek = parseX509(corpusFile("certs/names_greek.der"));
    X509Ptr longName = parseX509(corpusFile("certs/names_long.der"));
    char buf[CCertHandler::NameSize];
    EXPECT_STREQ(
        "C=DE, O=Gr\xFC\xDF"
        "e aus K\xF6ln, CN=J\xFCrgen Wei\xDF \xE9",
        CCertHandler::X509_NAME_oneline_readable(X509_get_subject_name(latin.get()), buf, sizeof(buf)));
    EXPECT_STREQ("C=DE, O=\\CE\\A9mega \xC4, CN=Test \\CE\\A9\\CE\\A8",
                 CCertHandler::X509_NAME_oneline_readable(X509_get_subject_name(greek.get()), buf, sizeof(buf)));
    // The long name is cut at the 200-byte buffer.
    CCertHandler::X509_NAME_oneline_readable(X509_get_subject_name(longName.get()), buf, sizeof(buf));
    EXPECT_EQ(CCertHandler::NameSize - 1, static_cast<int>(std::strlen(buf)));
    EXPECT_EQ(0, std::strncmp(buf, "C=DE, ST=Nordrhein-Westfalen, L=Koeln, O=LLLL", 45));

    char t1[] = "A\\C3\\A4\\C2\\A0\\C2\\9F\\C3\\BF\\C4\\80\\\\C3\\A4\\C3";
    CCertHandler::uft8iso(t1);
    EXPECT_STREQ("A\xE4\xA0\\C2\\9F\xFF\\C4\\80\\\\C3\\A4\\C3", t1);

    // Size query and filling with any flags.
    unsigned int size = 0;
    const unsigned long flags = XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB;
    EXPECT_EQ(0, CCertHandler::X509_NAME_oneline_ex(X509_get_subject_name(latin.get()), nullptr, &size, flags));
    std::string expect =
        "C = DE, O = Gr\xC3\xBC\xC3\x9F"
        "e aus K\xC3\xB6ln, CN = J\xC3\xBCrgen Wei\xC3\x9F \xC3\xA9";
    EXPECT_EQ(expect.size() + 1, size);
    std::vector<char> small(size - 1, 'x');
    unsigned int smallSize = size - 1;
    EXPECT_EQ(0,
              CCertHandler::X509_NAME_oneline_ex(X509_get_subject_name(latin.get()), small.data(), &smallSize, flags));
    EXPECT_EQ(size, smallSize);
    EXPECT_EQ('x', small[0]);
    std::vector<char> big(size + 10, 'x');
    unsigned int bigSize = size + 10;
    EXPECT_EQ(1, CCertHandler::X509_NAME_oneline_ex(X509_get_subject_name(latin.get()), big.data(), &bigSize, flags));
    EXPECT_EQ(expect, std::string(big.data()));
    EXPECT_EQ('\0', big[size + 9]);
}

TEST(CertEntry, FilledFromFilePairAndPkcs7) {
    const std::string keys = certCorpus() + "/keys";
    CCertHandler h;
    CCertInfo* e = h.GetEntrySSL(keys.c_str(), "signer", 1, 2);
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ("C=DE, O=Test Trust, CN=Erika Mustermann", e->GetSubject());
    X509Ptr signer = parseX509(corpusFile("pki/signer.der"));
    EXPECT_EQ(0, X509_cmp(signer.get(), e->GetX509Cert()));
    EXPECT_EQ(nullptr, h.GetEntrySSL(keys.c_str(), "missing", 0, 0));
    EXPECT_EQ(nullptr, h.GetEntrySSL("--SCARD--", "signer", 0, 0));
    EXPECT_EQ(nullptr, h.GetEntrySSL((keys + "/").c_str(), "data", 0, 0));  // data.txt is no certificate pair
    CCertInfo* again = h.GetEntrySSL((keys + "/").c_str(), "signer", 0, 0);
    ASSERT_NE(again, nullptr);
    EXPECT_STREQ("C=DE, O=Test Trust, CN=Erika Mustermann", again->GetSubject());
    EXPECT_EQ(nullptr, h.GetEntrySSL(static_cast<X509*>(nullptr)));

    const Bytes p7 = corpusFile("keys/signed.p7");
    CCertInfo* fromP7 = h.GetCertFromPKCS7(p7.data(), static_cast<unsigned int>(p7.size()));
    ASSERT_NE(fromP7, nullptr);
    EXPECT_EQ(0, X509_cmp(signer.get(), fromP7->GetX509Cert()));
    for (size_t cut : {size_t(0), size_t(1), p7.size() / 2, p7.size() - 1})
        EXPECT_EQ(nullptr, h.GetCertFromPKCS7(p7.data(), static_cast<unsigned int>(cut))) << cut;
}

TEST(CertEntry, SettersAndCertificateCopies) {
    CCertInfo e;
    const std::string big(3000, 'a');
    EXPECT_EQ(0, e.SetSubject(big.c_str()));
    EXPECT_EQ(std::string(CCertInfo::FieldSize - 1, 'a'), e.GetSubject());
    EXPECT_EQ(0, e.SetSubPubKey(std::string(300, 'k').c_str()));
    EXPECT_EQ(10, e.GetNumberOfDetails(8));
    EXPECT_EQ(0, e.SetCertID("7"));
    char out[CCertInfo::FieldSize];
    unsigned int len = 0;
    e.GetCertFieldSSL("CERTID", out, &len);
    EXPECT_STREQ("7", out);
    EXPECT_EQ(1u, len);
    EXPECT_EQ(0, e.SetSubject(nullptr));
    EXPECT_STREQ("", e.GetSubject());

    const Bytes der = corpusFile("pki/root.der");
    EXPECT_EQ(0, e.SetX509Cert(der.data(), static_cast<unsigned int>(der.size())));
    EXPECT_NE(e.GetX509Cert(), nullptr);
    EXPECT_EQ(CCertInfo::SSL_CERT_ERROR, e.SetX509Cert(der.data(), static_cast<unsigned int>(der.size() - 1)));
    EXPECT_EQ(-56, e.SetX509Cert(static_cast<X509*>(nullptr)));
    EXPECT_NE(e.GetX509Cert(), nullptr);  // the previous certificate stays
    X509Ptr sub = parseX509(corpusFile("pki/sub.der"));
    EXPECT_EQ(0, e.SetX509Cert(sub.get()));
    EXPECT_EQ(0, X509_cmp(sub.get(), e.GetX509Cert()));

    char pub[CCertHandler::PubkeySize];
    std::memset(pub, 'x', sizeof(pub));
    X509Ptr ec = parseX509(corpusFile("certs/full_ec.der"));
    CCertHandler::GetPubkeySSL(sub.get(), pub);
    EXPECT_EQ('x', pub[0]);
    CCertHandler::GetPubkeySSL(ec.get(), pub);
    EXPECT_EQ('\0', pub[0]);
    EXPECT_EQ('\0', pub[CCertHandler::PubkeySize - 1]);

    CCertStore store;
    unsigned int n = 0;
    EXPECT_EQ(0, store.GetCertNum());
    EXPECT_EQ(0, store.GetCert(0, nullptr, &n));
    EXPECT_EQ(0, store.DecryptMsg(nullptr, 0, nullptr, &n));
}
