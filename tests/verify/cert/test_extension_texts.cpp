// Extension and ISIS-MTT attribute texts on hand-built DER, attribute certificates, and
// truncated or mutated inputs.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "AttrCertSample.h"
#include "CertInfo.h"
#include "CertTestSupport.h"
#include "ExtensionSSL.h"

namespace {

unsigned int len(const Bytes& b) { return static_cast<unsigned int>(b.size()); }

// The element that follows an extension's OID: [critical BOOLEAN,] OCTET STRING(value).
Bytes extValue(const Bytes& value, bool critical = false) {
    return cat({critical ? Bytes{0x01, 0x01, 0xFF} : Bytes(), tlv(0x04, value)});
}

}  // namespace

TEST(ExtensionTexts, QualifiedCertificateExtensions) {
    const Bytes qc = seq({seq({oid("0.4.0.1862.1.1")}), seq({oid("0.4.0.1862.1.4")})});
    EXPECT_STREQ("0.4.0.1862.1.1, 0.4.0.1862.1.4",
                 CExtensionSSL::getQSTatements(extValue(qc).data(), len(extValue(qc))));
    const Bytes qcCritical = extValue(qc, true);
    EXPECT_STREQ("0.4.0.1862.1.1, 0.4.0.1862.1.4", CExtensionSSL::getQSTatements(qcCritical.data(), len(qcCritical)));

    const Bytes ku = extValue(Bytes{0x03, 0x02, 0x06, 0x40});
    const Bytes kuCritical = extValue(Bytes{0x03, 0x02, 0x06, 0x40}, true);
    EXPECT_STREQ("40", CExtensionSSL::getKeyUsage(ku.data(), len(ku)));
    EXPECT_STREQ("40", CExtensionSSL::getKeyUsage(kuCritical.data(), len(kuCritical)));

    const Bytes aia = extValue(seq({seq({oid("1.3.6.1.5.5.7.48.1"), text(0x86, "http://127.0.0.1:8081/ocsp")})}));
    EXPECT_STREQ("URI={1.3.6.1.5.5.7.48.1=http://127.0.0.1:8081/ocsp}",
                 CExtensionSSL::getAuthorityInfoAccess(aia.data(), len(aia)));

    const Bytes akiNoKeyId = extValue(seq({tlv(0xA1, tlv(0xA4, name({{"2.5.4.3", "x"}}))), tlv(0x82, Bytes{1})}));
    EXPECT_STREQ("", CExtensionSSL::getAuthorityKeyIdent(akiNoKeyId.data(), len(akiNoKeyId)));
    const Bytes ski = extValue(tlv(0x04, Bytes{0x01, 0xAB}));
    EXPECT_STREQ("01AB", CExtensionSSL::getSubjectKeyIdent(ski.data(), len(ski)));

    const Bytes crldp =
        extValue(seq({seq({tlv(0xA0, tlv(0xA0, text(0x86, "http://a/crl"))), tlv(0x81, Bytes{0x07, 0x80}),
                           tlv(0xA2, tlv(0xA4, name({{"2.5.4.3", "CRL CA"}})))}),
                      seq({tlv(0xA0, tlv(0xA0, cat({text(0x86, "ldap://b"), text(0x86, "http://c")})))})}));
    EXPECT_STREQ("URI={http://a/crl}, reasons={80}, cRLIssuer={commonName=CRL CA}, URI={ldap://b}, URI={http://c}",
                 CExtensionSSL::getCRLDistrbutionPoints(crldp.data(), len(crldp)));

    const Bytes san =
        extValue(seq({text(0x81, "a@b.c"), tlv(0xA4, name({{"2.5.4.3", "Dir Name"}})), text(0x82, "b.c")}));
    EXPECT_STREQ("a@b.c, commonName=Dir Name, b.c", CExtensionSSL::getSubjectAltName(san.data(), len(san)));
    EXPECT_STREQ("a@b.c, commonName=Dir Name, b.c", CExtensionSSL::getIssuerAltName(san.data(), len(san)));

    const Bytes restriction = extValue(utf8("Nur f\xC3\xBCr Tests"));
    EXPECT_STREQ("Nur f\xC3\xBCr Tests", CExtensionSSL::getRestriction(restriction.data(), len(restriction)));

    // A value that is not an OCTET STRING, or a wrong inner type, gives the empty text.
    const Bytes wrong = utf8("x");
    EXPECT_STREQ("", CExtensionSSL::getKeyUsage(wrong.data(), len(wrong)));
    EXPECT_STREQ("", CExtensionSSL::getCertPolicies(ku.data(), len(ku)));
    EXPECT_STREQ("", CExtensionSSL::getQSTatements(nullptr, 0));
}

TEST(ExtensionTexts, IsisMttAttributes) {
    const Bytes money = set({seq({printable("EUR"), integer(5), integer(3)})});
    EXPECT_STREQ("EUR 5000.00", CRestrictionSSL::getRestrictionMonetary(money.data(), len(money)));
    const Bytes numeric = seq({integer(978), integer(125), integer(-2)});  // ETSI form, negative exponent
    EXPECT_STREQ("978 1.25", CRestrictionSSL::getRestrictionMonetary(numeric.data(), len(numeric)));
    const Bytes noExponent = set({seq({printable("EUR"), integer(5)})});
    EXPECT_STREQ("EUR ", CRestrictionSSL::getRestrictionMonetary(noExponent.data(), len(noExponent)));
    const Bytes noAmount = set({seq({printable("EUR"), utf8("x"), integer(2)})});
    EXPECT_STREQ("EUR 0.00", CRestrictionSSL::getRestrictionMonetary(noAmount.data(), len(noAmount)));

    const Bytes majority = set({tlv(0x80, Bytes{18})});
    EXPECT_STREQ("notYoungerThan=18", CRestrictionSSL::getRestrictionMajority(majority.data(), len(majority)));
    const Bytes born = set({text(0x82, "19700315000000Z")});
    EXPECT_STREQ(" dateOfBirth=15.03.1970", CRestrictionSSL::getRestrictionMajority(born.data(), len(born)));
    const Bytes country = set({tlv(0xA1, printable("DE"))});
    EXPECT_STREQ("", CRestrictionSSL::getRestrictionMajority(country.data(), len(country)));

    const Bytes prokura = set({seq({tlv(0xA1, printable("DE")), tlv(0xA2, utf8("Prokura")),
                                    tlv(0xA3, tlv(0xA4, name({{"2.5.4.10", "Muster GmbH"}})))})});
    EXPECT_STREQ("country=DE, typeOfSubstitution=Prokura, signingFor={organizationName=Muster GmbH}",
                 CRestrictionSSL::getRestrictionProkura(prokura.data(), len(prokura)));

    const Bytes adm = admission();
    EXPECT_STREQ(
        "admissionAuthority={countryName=DE, organizationName=Bundesnotarkammer}, "
        "namingAuthority={1.2.276.0.76.4.1, http://www.example.org/na, Kammer}, "
        "professionInfos=professionItems={Rechtsanw\xC3\xA4ltin, Notarin} "
        ", professionOIDs={1.2.276.0.76.4.6, 1.2.276.0.76.4.7} , registrationNumber=RA-12345",
        CRestrictionSSL::getRestrictionAdmission(adm.data(), len(adm)));
    const Bytes bare = set({seq({seq({seq({seq({seq({seq({utf8("Arzt")})})})})})})});
    EXPECT_STREQ("professionInfos=professionItems={Arzt} ",
                 CRestrictionSSL::getRestrictionAdmission(bare.data(), len(bare)));

    const Bytes additional = set({integer(1), utf8("ICCSN 1234"), utf8("second")});
    EXPECT_STREQ("ICCSN 1234", CRestrictionSSL::getRestrictionAdditional(additional.data(), len(additional)));
    const Bytes restriction = set({utf8("Nur f\xC3\xBCr Tests")});
    EXPECT_STREQ("Nur f\xC3\xBCr Tests", CRestrictionSSL::getRestriction(restriction.data(), len(restriction)));
    const Bytes notUtf8 = set({printable("x")});
    EXPECT_STREQ("", CRestrictionSSL::getRestriction(notUtf8.data(), len(notUtf8)));

    const Bytes identity = set({seq({seq({oid("1.3.6.1.5.5.7.9.1"), set({generalizedTime("19700315000000Z")})}),
                                     seq({oid("1.3.6.1.5.5.7.9.4"), set({printable("DE")})}),
                                     seq({oid("2.5.4.42"), set({seq({utf8("Erika"), utf8("Maria")})})}),
                                     seq({oid("1.2.3.4"), set({utf8("x")})}), seq({utf8("no oid")})})});
    EXPECT_STREQ("dateOfBirth=15.03.1970, countryOfCitizenship=DE, givenname=Erika, Maria, 1.2.3.4=x, unknownOID=",
                 CRestrictionSSL::getRestrictionIdentity(identity.data(), len(identity)));
}

TEST(ExtensionTexts, TextsAreCutAtTheirBuffers) {
    const std::string longUri(3000, 'u');
    const Bytes aia = extValue(seq(
        {seq({oid("1.3.6.1.5.5.7.48.2"), text(0x86, longUri)}), seq({oid("1.3.6.1.5.5.7.48.1"), text(0x86, "x")})}));
    const char* t = CExtensionSSL::getAuthorityInfoAccess(aia.data(), len(aia));
    EXPECT_EQ(static_cast<size_t>(CExtensionSSL::TextSize - 1), std::strlen(t));
    EXPECT_EQ(0, std::strncmp(t, "URI={1.3.6.1.5.5.7.48.2=uuu", 27));

    Bytes many;
    for (int i = 0; i < 300; ++i)
        many = cat({many, seq({oid("0.4.0.1862.1." + std::to_string(i))})});
    const Bytes qc = extValue(tlv(0x30, many));
    EXPECT_EQ(static_cast<size_t>(CExtensionSSL::TextSize - 1),
              std::strlen(CExtensionSSL::getQSTatements(qc.data(), len(qc))));
    const Bytes big = set({seq({printable("EUR"), integer(1), integer(400)})});
    EXPECT_STREQ("EUR inf", CRestrictionSSL::getRestrictionMonetary(big.data(), len(big)));
}

TEST(AttributeCertificate, ReadersAndAttributeTexts) {
    const Bytes ac = attributeCertificate();
    const unsigned char* d = ac.data();
    const unsigned int n = len(ac);
    EXPECT_STREQ("countryName=DE, commonName=Erika Mustermann", CCertInfo::A_getSubject(d, n));
    EXPECT_STREQ("1003", CCertInfo::A_getSubjectSerial(d, n));
    EXPECT_STREQ("countryName=DE, commonName=Attribute Authority", CCertInfo::A_getIssuer(d, n));
    EXPECT_STREQ("1.2.840.113549.1.1.11", CCertInfo::A_getSignatureOID(d, n));
    EXPECT_STREQ("0ABC", CCertInfo::A_getSerial(d, n));
    for (const char* zone : {"UTC", "Europe/Berlin"}) {
        inZone(zone, [&] {
            EXPECT_EQ(1719835200, CCertInfo::A_getNotBefore(d, n));
            EXPECT_EQ(2556144000, CCertInfo::A_getNotAfter(d, n));
        });
    }
    ASSERT_EQ(8, CCertInfo::A_getAttributeNum(d, n));
    const char* const expected[][2] = {
        {"1.3.36.8.3.4", "EUR 5000.00"},
        {"1.3.36.8.3.2", "country=DE, typeOfSubstitution=Prokura, signingFor={organizationName=Muster GmbH}"},
        {"1.3.36.8.3.3", nullptr},
        {"1.3.36.8.3.5", "notYoungerThan=18"},
        {"1.3.36.8.3.6", "ICCSN 1234"},
        {"1.3.36.8.3.8", "Nur f\xC3\xBCr Tests"},
        {"2.5.29.9", "dateOfBirth=15.03.1970, givenname=Erika, Maria, 1.2.3.4=x"},
        {"1.2.3.99", ""},
    };
    for (int i = 0; i < 8; ++i) {
        EXPECT_STREQ(expected[i][0], CCertInfo::A_getAttributeOID(d, n, i));
        if (expected[i][1]) {
            EXPECT_STREQ(expected[i][1], CCertInfo::A_getAttributeValue(d, n, i)) << i;
        }
    }
    EXPECT_EQ(0, std::strncmp("admissionAuthority={", CCertInfo::A_getAttributeValue(d, n, 2), 20));
    EXPECT_STREQ("", CCertInfo::A_getAttributeOID(d, n, 8));
    ASSERT_EQ(2, CCertInfo::A_getExtensionNum(d, n));
    EXPECT_STREQ("2.5.29.35", CCertInfo::A_getExtensionOID(d, n, 0));
    EXPECT_STREQ("ABCD", CCertInfo::A_getExtensionValue(d, n, 0));
    EXPECT_STREQ("1.3.36.8.3.15", CCertInfo::A_getExtensionOID(d, n, 1));
    EXPECT_STREQ("Zusatz", CCertInfo::A_getExtensionValue(d, n, 1));
}

// Every prefix and many mutations of a certificate and an attribute certificate go through
// every reader; results must stay inside their buffers (the sanitizer build checks reads).
TEST(MalformedInput, TruncatedAndMutatedCertificates) {
    const Bytes inputs[] = {corpusFile("certs/full_rsa.der"), corpusFile("certs/full_ec.der"), attributeCertificate()};
    auto readAll = [](const Bytes& b) {
        const unsigned char* d = b.data();
        const unsigned int n = len(b);
        size_t total = std::strlen(CCertInfo::getSubject(d, n)) + std::strlen(CCertInfo::getIssuer(d, n)) +
                       std::strlen(CCertInfo::getSerialNum(d, n)) + std::strlen(CCertInfo::getVersion(d, n)) +
                       std::strlen(CCertInfo::getPkMod(d, n)) + std::strlen(CCertInfo::getPkExp(d, n)) +
                       std::strlen(CCertInfo::getCertSigValue(d, n)) + std::strlen(CCertInfo::getSignaturOID(d, n));
        total += static_cast<size_t>(CCertInfo::getNotBefore(d, n) != 0) + CCertInfo::getPublicKeySize(d, n);
        for (int i = 0; i < CCertInfo::getExtensionNum(d, n) + 1; ++i)
            total += std::strlen(CCertInfo::getExtensionValue(d, n, i));
        total += std::strlen(CCertInfo::A_getSubject(d, n)) + std::strlen(CCertInfo::A_getIssuer(d, n)) +
                 std::strlen(CCertInfo::A_getSubjectSerial(d, n));
        for (int i = 0; i < CCertInfo::A_getAttributeNum(d, n) + 1; ++i)
            total += std::strlen(CCertInfo::A_getAttributeValue(d, n, i));
        for (int i = 0; i < CCertInfo::A_getExtensionNum(d, n); ++i)
            total += std::strlen(CCertInfo::A_getExtensionValue(d, n, i));
        return total;
    };
    for (const Bytes& input : inputs) {
        ASSERT_FALSE(input.empty());
        EXPECT_GT(readAll(input), 0u);
        for (size_t cut = 0; cut < input.size(); ++cut) {
            Bytes prefix(input.begin(), input.begin() + static_cast<long>(cut));
            prefix.shrink_to_fit();
            readAll(prefix);
            EXPECT_EQ(0, CCertInfo::getExtensionNum(prefix.data(), len(prefix)));
        }
        std::mt19937 rng(12345);
        for (int round = 0; round < 600; ++round) {
            Bytes m = input;
            for (int k = 0; k < 3; ++k)
                m[rng() % m.size()] = static_cast<unsigned char>(rng());
            readAll(m);
        }
    }
}
