// CSC_Profile: PIN lookup, serial, hash support, manufacturer texts, the SECCOS product
// table and the medisign names, certificate reading (wrapped, offset and length), the
// presence test, object fields against the layout rows, SmartCard-HSM enumeration.
#include <gtest/gtest.h>

#include <cstring>

#include "CertInfoSC.h"
#include "ConfigSC.h"
#include "PinObj.h"
#include "Pkcs15.h"
#include "SimCard.h"
#include "card/CardTypes.h"
#include "cardapp/Pkcs15Quirks.h"

namespace {
std::vector<uint8_t> pkiCert(const char* name) { return readFileBytes(pkiDir() + "/" + name); }

std::string isoCard(const std::string& files) {
    return "[card]\ndialect = iso\natr = 3B 02 14 50\nprotocol = T1\n[df 3F00/DF01]\n" + files;
}

CCardObject* find(CSC_Profile* p, const std::string& label) {
    for (int i = 0; p->getCert(i); ++i)
        if (p->getCert(i)->m_label == label)
            return p->getCert(i);
    return nullptr;
}
}  // namespace

TEST(Profile, PinLookupNormalisesPathsAndMatchesGlobalPinsEverywhere) {
    CSC_Profile p(nullptr);
    EXPECT_EQ(p.m_profileType, 0);
    p.AddPinObject("Signature", 1, "3f00DF015331", 0x81, true, false, nullptr, 6, 8, -1, false);
    p.AddPinObject("Global", 0, "3f00/df01/c000", 0x00, false, false, nullptr, 6, 8, -1, false);
    EXPECT_EQ(p.m_pinCount, 2);
    CPinObj* local = p.GetPinObject("3F00/DF01/5331", 0x81);
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(local->getLabel(), "Signature");
    EXPECT_EQ(local->getPath(), "3F00DF015331");  // stored normalised
    EXPECT_EQ(p.GetPinObject("3f00df015331", 0x81), local);
    EXPECT_EQ(p.GetPinObject("3F00DF064331", 0x81), nullptr);  // a local PIN matches only its path
    EXPECT_EQ(p.GetPinObject("3F00DF015331", 0x82), nullptr);
    // The global PIN answers for any path with its reference.
    EXPECT_EQ(p.GetPinObject("3F00/ABCD", 0)->getLabel(), "Global");
    EXPECT_EQ(p.GetPinObjectIndex("anything", 0), 1);
    EXPECT_EQ(p.GetPinObjectIndex("3F00DF015331", 0x81), 0);
    EXPECT_EQ(p.GetPinObjectIndex("3F00DF015331", 7), -1);
    EXPECT_EQ(p.GetPinObject(1)->getLabel(), "Global");
    EXPECT_EQ(p.GetPinObject(2), nullptr);
    EXPECT_EQ(p.GetPinObject(-1), nullptr);
    EXPECT_EQ(p.AddPinObject(nullptr), 0);
    CPinObj copy("Copy", 2, "3F00", 3, false, false, nullptr, 4, 8, -1, true);
    EXPECT_EQ(p.AddPinObject(&copy), 1);
    EXPECT_EQ(p.GetPinObject("x", 3)->getLabel(), "Copy");
}

TEST(Profile, SerialTextAndBinaryForm) {
    CSC_Profile p(nullptr);
    p.setSerial("0A1B2C");
    EXPECT_EQ(p.getSerialNumber(), "0A1B2C");
    unsigned char want[16] = {0};
    want[13] = 0x0A, want[14] = 0x1B, want[15] = 0x2C;
    EXPECT_EQ(std::memcmp(p.m_serialBin, want, 16), 0);
    // More than 16 bytes: the last 16 are kept.
    p.setSerial("FF000102030405060708090A0B0C0D0E0F");
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(p.m_serialBin[i], i);
    p.setSerial("");
    unsigned char zero[16] = {0};
    EXPECT_EQ(std::memcmp(p.m_serialBin, zero, 16), 0);
}

TEST(Profile, HashSupportFollowsTheSignatureAlgorithmClassAndProfile) {
    CSC_Profile p(nullptr);
    for (int id = 0; id <= 5; ++id)
        EXPECT_TRUE(p.isSupportedHashAlgo(id)) << id;  // class 0 takes everything
    p.m_signAlgorithm = 1;
    for (int profile : {15, 77, 78, 79, 80, 81}) {
        p.m_profileType = profile;
        EXPECT_FALSE(p.isSupportedHashAlgo(0)) << profile;
        EXPECT_TRUE(p.isSupportedHashAlgo(1)) << profile;
        EXPECT_FALSE(p.isSupportedHashAlgo(3)) << profile;
    }
    p.m_profileType = 74;
    EXPECT_TRUE(p.isSupportedHashAlgo(0));
    EXPECT_TRUE(p.isSupportedHashAlgo(3));
    EXPECT_FALSE(p.isSupportedHashAlgo(4));
    EXPECT_FALSE(p.isSupportedHashAlgo(5));
    p.m_signAlgorithm = 2;
    for (int profile : {17, 84, 85, 87}) {
        p.m_profileType = profile;
        EXPECT_FALSE(p.isSupportedHashAlgo(0)) << profile;
        EXPECT_TRUE(p.isSupportedHashAlgo(1)) << profile;
    }
    p.m_profileType = 75;
    EXPECT_TRUE(p.isSupportedHashAlgo(4));
    EXPECT_TRUE(p.isSupportedHashAlgo(5));
}

TEST(Profile, TextsWithoutPkcs15) {
    CSC_Profile p(nullptr);
    EXPECT_EQ(p.getManufacturer(), "unknown");
    p.m_profileType = CP_MEDISIGN2K;
    EXPECT_EQ(p.getManufacturer(), "medisign GmbH ");
    p.m_profileType = CP_QUOVADIS_CH;
    EXPECT_EQ(p.getManufacturer(), "QuoVadis Trustlink Schweiz AG");
    p.m_profileType = CP_STARCOS35_A;
    EXPECT_EQ(p.getManufacturer(), "unknown");
    EXPECT_EQ(p.getModel(), "SmartCard");
    EXPECT_EQ(p.getLabel(), "SmartCard");
    EXPECT_EQ(p.getFlags(), 96u);
    EXPECT_EQ(p.getCertLabel(0), CMsg::GetRessString(11000));
    EXPECT_EQ(p.getPkcs15Cert(0), nullptr);
    EXPECT_EQ(p.readCert(0), nullptr);
}

TEST(Profile, SeccosTableRowsAndLookup) {
    int rows = 0;
    while (st_tab[rows].sigKeyBits != 0)
        ++rows;
    EXPECT_EQ(rows, 86);
    const size_t size = sizeof(st_tab) / sizeof(st_tab[0]);
    EXPECT_EQ(size, 89u);
    for (size_t i = static_cast<size_t>(rows); i < size; ++i) {
        EXPECT_EQ(st_tab[i].productCode[0], 0) << i;
        EXPECT_EQ(st_tab[i].sigKeyBits, 0u) << i;
    }
    // Lookup stops at the first match: a second row with the same key could never be found.
    for (int i = 0; i < rows; ++i)
        for (int j = i + 1; j < rows; ++j)
            EXPECT_FALSE(!std::strcmp(st_tab[i].productCode, st_tab[j].productCode) &&
                         st_tab[i].variant[0] == st_tab[j].variant[0] && st_tab[i].variant[1] == st_tab[j].variant[1])
                << "rows " << i << " and " << j << ": " << st_tab[i].productCode;
    int singles = 0;
    for (const SeccosProduct* r = st_tab; r->sigKeyBits; ++r) {
        singles += r->singleSign;
        EXPECT_EQ(std::strlen(r->productCode), 8u);
    }
    EXPECT_EQ(singles, 2);

    // On a card: the product data picks the key sizes and the signature object's profile.
    struct Card {
        const char* image;
        int sig, auth, sigProfile;
    } cards[] = {{"seccos-single", 1976, 1728, CP_STRUST_SINGLE},
                 {"seccos-multi", 1976, 1728, CP_STRUST},
                 // an unknown product keeps 1536-bit keys and the card's initial single-signature flag
                 {"seccos-unknown", 1536, 1536, CP_STRUST_SINGLE}};
    for (const Card& c : cards) {
        SimBench bench(c.image, 6);
        CSC_Profile* p = bench.detect();
        ASSERT_NE(find(p, "SigG Cert"), nullptr) << c.image;
        EXPECT_EQ(find(p, "SigG Cert")->m_keyBits, c.sig) << c.image;
        EXPECT_EQ(find(p, "SigG Cert")->m_profileType, c.sigProfile) << c.image;
        EXPECT_EQ(find(p, "Auth Cert")->m_keyBits, c.auth) << c.image;
        EXPECT_EQ(find(p, "Auth Cert")->m_profileType, CP_STRUST) << c.image;
        EXPECT_EQ(find(p, "Root CA Cert")->m_keyBits, c.auth) << c.image;
    }
}

TEST(Profile, MedisignNamesAreTheSubjectsOfTheTestPkiCas) {
    EXPECT_EQ(medicards[0].length, 85u);
    EXPECT_EQ(medicards[1].length, 98u);
    const char* files[] = {"medisign-zod.der", "medisign-zod-test.der"};
    for (int i = 0; i < 2; ++i) {
        std::vector<uint8_t> der = pkiCert(files[i]);
        ASSERT_FALSE(der.empty()) << files[i];
        CCertInfoSC c("ca", der.data(), static_cast<unsigned short>(der.size()));
        unsigned char subject[256];
        unsigned int n = sizeof subject;
        ASSERT_EQ(c.getDER(1, subject, &n), 1);
        ASSERT_EQ(n, medicards[i].length);
        EXPECT_EQ(std::memcmp(subject, medicards[i].der, n), 0);
    }
    // The PIN reference of the medisign layout follows the name.
    SimBench known("tcos2-medisign", 1);
    CSC_Profile* p = known.detect();
    EXPECT_EQ(find(p, "SigG Cert")->m_pinRef, 129);
    EXPECT_EQ(p->GetPinObject(0)->getRef(), 129);
    SimBench other("tcos2-medisign-other-ca", 1);
    p = other.detect();
    EXPECT_EQ(find(p, "SigG Cert")->m_pinRef, 0);
    EXPECT_EQ(find(p, "Auth Cert")->m_pinRef, 0);
    EXPECT_EQ(p->GetPinObject(1)->getRef(), 0);
}

TEST(Profile, ReadsWrappedCertificatesAndCertificatesAtAnOffset) {
    std::vector<uint8_t> cert = pkiCert("signer-rsa2048.der");
    ASSERT_GT(cert.size(), 300u);
    // userCertificate wrapper: SEQUENCE { OID 2.5.4.36, certificate }, and file padding.
    std::vector<uint8_t> wrapped = {0x30,
                                    0x82,
                                    static_cast<uint8_t>((cert.size() + 5) >> 8),
                                    static_cast<uint8_t>(cert.size() + 5),
                                    0x06,
                                    0x03,
                                    0x55,
                                    0x04,
                                    0x24};
    wrapped.insert(wrapped.end(), cert.begin(), cert.end());
    wrapped.insert(wrapped.end(), 40, 0xFF);
    // 16 bytes of something else, the certificate, then more.
    std::vector<uint8_t> inside(16, 0xA5);
    inside.insert(inside.end(), cert.begin(), cert.end());
    inside.insert(inside.end(), 10, 0x00);
    std::vector<uint8_t> notCert = {0x30, 0x82, 0x01, 0x00, 0x02, 0x01, 0x01, 0x30, 0x00, 0x00, 0x00};
    SimBench bench(isoCard("[ef 3F00/DF01/C000]\ndata = " + hexOf(wrapped) + "\n[ef 3F00/DF01/C001]\ndata = " +
                           hexOf(inside) + "\n[ef 3F00/DF01/C002]\ndata = " + hexOf(notCert) + "\n"),
                   99);
    CSC_Profile* p = bench.detect();
    EXPECT_EQ(p->m_certCount, 0);                // an unknown card type has no layout
    EXPECT_TRUE(p->CheckCert("3f00df01c000"));   // 30 82 xx xx 06 03 55 04 24
    EXPECT_FALSE(p->CheckCert("3f00df01c002"));  // 30 82 xx xx 02
    EXPECT_FALSE(p->CheckCert("3f00df01c003"));  // no such file
    p->AddCardObject(1, "Wrapped", 0, "3f00df01c000", 0, 0, "3f00df01", "3f00df01", 1, 1, 2048, 64, "Signature", false,
                     true, 1, false);
    p->AddCardObject(1, "Inside", 0, "3f00df01c001", 16, static_cast<int>(cert.size()), "3f00df01", "3f00df01", 1, 1,
                     2048, 64, "Signature", false, false, 1, false);
    p->AddCardObject(2, "Not a certificate object", 0, "3f00df01c002", 0, 0, "", "", 255, 255, 0, 64, "", false, false,
                     1, false);
    EXPECT_EQ(p->m_certCount, 2);
    std::unique_ptr<CCertInfoSC> a(p->readCert(0));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(a->getCertData(), a->getCertData() + a->getCertDataLen()), cert);
    EXPECT_TRUE(a->isCA());
    EXPECT_EQ(a->getLabel(), "Wrapped");
    EXPECT_NE(a->getSubject().find("Erika Mustermann"), std::string::npos);
    std::unique_ptr<CCertInfoSC> b(p->readCert(1));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(b->getCertData(), b->getCertData() + b->getCertDataLen()), cert);
    EXPECT_FALSE(b->isCA());
    EXPECT_EQ(p->readCert(2), nullptr);
    EXPECT_EQ(p->getCertLabel(1), "Inside");
}

TEST(Profile, LayoutRowsBecomeObjectsWithTheirFields) {
    SimBench telesec("tcos2-telesec", 1);
    CSC_Profile* p = telesec.detect();
    const CCardObject* sigg = p->getCert(0);
    EXPECT_EQ(sigg->m_label, "SigG Cert");
    EXPECT_EQ(sigg->m_certPath, "3f00df06c000");
    EXPECT_EQ(sigg->m_keyPath, "3f00DF065331");
    EXPECT_EQ(sigg->m_keyRef, 129);
    EXPECT_EQ(sigg->m_pinPath, "3f00df06c000");
    EXPECT_EQ(sigg->m_pinRef, 129);
    EXPECT_EQ(sigg->m_keyBits, 1024);
    EXPECT_EQ(sigg->m_keyClass, 64);
    EXPECT_EQ(sigg->m_pinName, CMsg::GetRessString(200));
    EXPECT_EQ(sigg->m_usage, 3);
    EXPECT_EQ(sigg->m_profileType, CP_TELESEC);
    EXPECT_FALSE(sigg->m_isCA);
    EXPECT_EQ(p->m_pinCount, 7);
    // The signature PINs are local to their paths; the DF01 certificate's PIN 129 is the global one at C200.
    EXPECT_EQ(p->GetPinObject("3F00/DF06/C000", 129)->getPath(), "3F00DF06C000");
    EXPECT_EQ(p->GetPinObject("3f00df064331", 129)->getPath(), "3F00DF064331");
    EXPECT_EQ(p->getCert(1)->m_certPath, "3f00df064331");  // SigG Cert before Qualified Cert
    EXPECT_EQ(p->getCert(2)->m_certPath, "3f00df01c000");
    EXPECT_EQ(p->GetPinObject(p->getCert(2)->m_pinPath, 129)->getPath(), "3F00DF01C200");

    SimBench signtrust("tcos2-signtrust", 1);
    p = signtrust.detect();
    EXPECT_EQ(p->m_profileType, CP_SIGNTRUST2K);
    EXPECT_EQ(p->getCert(0)->m_profileType, CP_SIGNTRUST_1K);  // the rows carry 5
    EXPECT_TRUE(find(p, "Root Qualified Cert")->m_isCA);
    EXPECT_EQ(find(p, "Root Qualified Cert")->m_keyRef, 255);

    SimBench cardos50("cardos50-dtrust", 15);
    p = cardos50.detect();
    EXPECT_EQ(p->m_keySize, 2048);
    EXPECT_EQ(p->getCert(0)->m_keyBits, 2048);
    EXPECT_EQ(p->getCert(0)->m_profileType, 15);
    EXPECT_TRUE(p->getCert(0)->m_singleSign);
    EXPECT_EQ(p->getCert(1)->m_keyRef, 18);
    EXPECT_EQ(p->getCert(1)->m_pinRef, 17);
    EXPECT_EQ(p->getCert(1)->m_pinName, CMsg::GetRessString(230));
    EXPECT_EQ(p->getLabel(), "D-TRUST Card V3.1 standard");
    EXPECT_EQ(p->getManufacturer(), "D-TRUST GmbH");
    EXPECT_EQ(p->getModel(), "PKCS#15 SCard");
    EXPECT_EQ(p->getSerialNumber(), "0012345678900001");
    EXPECT_FALSE(p->isSupportedHashAlgo(0));
    EXPECT_TRUE(p->GetPinObject(0)->m_option);

    SimBench s34("starcos34-dtrust-02", 12);
    p = s34.detect();
    EXPECT_TRUE(p->getCert(0)->m_decipherFlag);
    EXPECT_EQ(p->GetPinObject("3f000fff", 1)->m_local, true);
    EXPECT_TRUE(find(p, "Qualified Cert CA")->m_singleSign);  // S1 rows
    SimBench s35("starcos35-a", 14);
    p = s35.detect();
    EXPECT_FALSE(p->getCert(0)->m_singleSign);  // S follows the multi-signature card
    EXPECT_TRUE(p->getCert(1)->m_singleSign);
    EXPECT_EQ(p->getSignAlgorithm(), 1);
}

TEST(Profile, HideUnusedCertsDropsTheTcos3AuthAndTksCertificates) {
    gConfig.hideUnusedCerts = true;
    SimBench bench("tcos3-single", 2);
    CSC_Profile* p = bench.detect();
    gConfig.hideUnusedCerts = false;
    EXPECT_EQ(find(p, "Auth Cert"), nullptr);
    EXPECT_EQ(p->m_certCount, 3);
}

TEST(Profile, Pkcs15CertificatesGetTheCardOSPathRewriting) {
    // Profile 20: "0101" appended to 3F001FFF and 3F00501550724B01.
    SimBench signcard("cardos43-signcard-single", 4);
    CSC_Profile* p = signcard.detect();
    EXPECT_TRUE(p->m_signCardToken);
    EXPECT_EQ(p->getCert(0)->m_keyPath, "3F001FFF0101");
    EXPECT_EQ(p->getCert(0)->m_pinPath, "3F001FFF0101");
    EXPECT_EQ(p->getCert(0)->m_keyClass, 128);
    // Single-signature card, but the PIN name "Signatur PIN" holds neither "Signature" nor "underskrift".
    EXPECT_FALSE(p->getCert(0)->m_singleSign);
    EXPECT_EQ(p->getCert(1)->m_keyPath, "3F00501550724B010101");
    EXPECT_EQ(p->getCert(1)->m_usage, 3);  // "Authentisierungszertifikat" contains "Auth"
    EXPECT_EQ(p->getCert(0)->m_usage, 1);
    ASSERT_NE(p->getPkcs15Cert(0), nullptr);
    EXPECT_EQ(p->getPkcs15Cert(0)->getCertLabel(), "Signaturzertifikat");
    // Other profiles: "c100" appended to a PIN path 3F001FFF.
    SimBench tc("cardos43-tc-qsign", 4);
    p = tc.detect();
    EXPECT_EQ(p->getCert(0)->m_pinPath, "3F001FFFc100");
    EXPECT_NE(p->GetPinObject(p->getCert(0)->m_pinPath, p->getCert(0)->m_pinRef), nullptr);
    EXPECT_EQ(p->getCert(0)->m_keyPath, "3F001FFF");
    // SetCOS 4.4.1: "0080" appended to the PIN path of a key outside 3F0050155B00.
    SimBench setcos("setcos441-telia-ip2i", 7);
    p = setcos.detect();
    EXPECT_EQ(p->getCert(0)->m_pinPath, "3F00501550160080");
    EXPECT_EQ(p->m_profileType, CP_SETCOS);
    EXPECT_EQ(p->m_pinCount, 2);
    EXPECT_EQ(p->getSerialNumber(), "00112233445566778899AA");
    // The token serial text, its last 14 characters, in the binary serial field.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p->m_serialBin), 14), "445566778899AA");
}

namespace {
// A SmartCard-HSM answers the object list with the file identifiers of its objects.
class CHsmSim : public CSimCardOs {
public:
    int SCEnumerateObjects(unsigned char* out, unsigned long* outLength) override {
        const unsigned char ids[] = {0xCE, 0x01, 0xCC, 0x01, 0xC4, 0x01, 0xCE, 0x02, 0xCE, 0x03};
        if (*outLength < sizeof ids)
            return SC_CMD_FAILED;
        std::memcpy(out, ids, sizeof ids);
        *outLength = sizeof ids;
        return 0;
    }
};
}  // namespace

TEST(Profile, SmartCardHsmCertificatesComeFromTheObjectList) {
    pcscsim::reset();
    auto card = std::shared_ptr<cardsim::Card>(cardsim::Card::fromText(
        "[card]\ndialect = iso\natr = 3B 02 14 50\nprotocol = T1\n[ef 3F00/CE01]\ncert = signer-rsa2048.der\n"
        "[ef 3F00/CE03]\ncert = auth-rsa2048.der\n[ef 3F00/CC01]\ndata = 01 02\n",
        pkiDir()));
    pcscsim::addReader(SimBench::Reader, pcscsim::plainReader());
    pcscsim::insertCard(SimBench::Reader, card);
    CHsmSim* os = new CHsmSim();
    os->UpdateSCardType(16);
    ASSERT_EQ(os->connectCard(SimBench::Reader, 0), 0);
    {
        CSC_Profile p(os);
        EXPECT_EQ(p.m_profileType, CP_SMARTCARD_HSM);
        EXPECT_FALSE(p.m_singleSign);
        EXPECT_EQ(p.getSignAlgorithm(), 1);
        ASSERT_EQ(p.m_certCount, 2);  // CE02 has no certificate
        const CCardObject* c = p.getCert(0);
        EXPECT_EQ(c->m_certPath, "3f00ce01");
        EXPECT_EQ(c->m_keyPath, "3f00c401");
        EXPECT_EQ(c->m_keyRef, 1);
        EXPECT_EQ(c->m_pinRef, 0);
        EXPECT_EQ(c->m_keyBits, 2048);
        EXPECT_EQ(c->m_keyClass, 64);
        EXPECT_EQ(c->m_usage, 3);
        EXPECT_EQ(p.getCert(1)->m_keyPath, "3f00c403");
        EXPECT_EQ(p.m_pinCount, 1);
        EXPECT_EQ(p.GetPinObject(c->m_pinPath, c->m_pinRef)->getLabel(), CMsg::GetRessString(202));
        std::unique_ptr<CCertInfoSC> cert(p.readCert(1));
        ASSERT_NE(cert, nullptr);
        EXPECT_EQ(std::vector<uint8_t>(cert->getCertData(), cert->getCertData() + cert->getCertDataLen()),
                  pkiCert("auth-rsa2048.der"));
        p.FreeProfile();  // destroys the card object
        EXPECT_EQ(p.m_card, nullptr);
    }
    pcscsim::reset();
}

TEST(Profile, ObjectsCarryTheValuesOfTheirLayoutRows) {
    struct Row {
        const char* image;
        int cardType;
        const char* label;
        const char* certPath;
        const char* keyPath;
        int keyRef;
        const char* pinPath;
        int pinRef;
        int keyBits;
        int keyClass;
        unsigned pinMsg;
        bool single, ca;
        int usage;
        bool decipher;
        int profile;
        // clang-format off
    } rows[] = {
        {"seccos-multi", 6, "Auth Cert", "3f00ab00c500", "3f00ab00c500", 130, "3f00ab00c500", 3, 1728, 128, 201, false, false, 3, false, 8},
        {"seccos-multi", 6, "Root CA Cert", "3f00ab00b000", "3f00ab00c500", 255, "3f00ab00c500", 255, 1728, 128, 201, false, true, 1, false, 8},
        {"starcos30", 5, "Decipher Cert", "3f003f01c200", "3f003f01c200", 147, "3f003f01c200", 1, 2048, 128, 202, false, false, 1, false, 13},
        {"starcos30-single", 5, "SigG Cert", "3f003f01c000", "3f003f01c000", 132, "3f003f01c000", 129, 2048, 64, 200, true, false, 1, false, 6},
        {"cardos43-dtrust-card", 4, "Enc CA Cert", "3f0050154304c70f", "3f00501550724B01", 255, "3f002f02", 255, 2048, 128, 204, false, true, 1, false, 25},
        {"cardos43-dsign-2ce", 4, "Qualified Cert", "3f005015430443f1", "3F001FFFC100", 2, "3F001FFFC100", 129, 2048, 64, 222, false, false, 1, false, 28},
        {"cardos44-dtrust-layout", 11, "Qualified Cert", "3f0020002001002a", "3f002000200100260001", 1, "3f002000200100260001", 129, 2048, 64, 202, true, false, 1, false, 50},
        {"cardos54-41-std-rsa", 17, "Auth Cert", "3F0001030204", "3F000102", 3, "3F00", 131, 2048, 128, 230, true, false, 3, false, 17},
        {"tcos3v2", 13, "ADS Cert", "3f00df02c000", "D2760000030102", 128, "D2760000030102", 3, 256, 128, 202, true, false, 1, true, 75},
        {"micardo21", 3, "Advanced Cert", "3f004016c500", "3f0040160051", 81, "3f0040160015", 1, 1024, 128, 204, false, false, 3, false, 2},
        {"tcos2-datev", 1, "Auth Cert", "3f003000c500", "3f0030005371", 130, "3f0030004571", 1, 1024, 128, 203, false, false, 3, false, 7},
    };
    // clang-format on
    for (const Row& r : rows) {
        SimBench bench(r.image, r.cardType);
        CSC_Profile* p = bench.detect();
        const CCardObject* o = find(p, r.label);
        ASSERT_NE(o, nullptr) << r.image << " " << r.label;
        SCOPED_TRACE(std::string(r.image) + " " + r.label);
        EXPECT_EQ(o->m_certPath, r.certPath);
        EXPECT_EQ(o->m_keyPath, r.keyPath);
        EXPECT_EQ(o->m_keyRef, r.keyRef);
        EXPECT_EQ(o->m_pinPath, r.pinPath);
        EXPECT_EQ(o->m_pinRef, r.pinRef);
        EXPECT_EQ(o->m_keyBits, r.keyBits);
        EXPECT_EQ(o->m_keyClass, r.keyClass);
        EXPECT_EQ(o->m_pinName, CMsg::GetRessString(r.pinMsg));
        EXPECT_EQ(o->m_singleSign, r.single);
        EXPECT_EQ(o->m_isCA, r.ca);
        EXPECT_EQ(o->m_usage, r.usage);
        EXPECT_EQ(o->m_decipherFlag, r.decipher);
        EXPECT_EQ(o->m_profileType, r.profile);
        EXPECT_EQ(o->m_certOffset, 0);
        EXPECT_EQ(o->m_certLength, 0);
    }
}

TEST(Profile, Pkcs15QuirksRewritePathsAsEachFamilyWants) {
    int32_t profileType = 0;
    std::string key = "3F0050155B005B05", pin = "3F005015";
    vn_cardapp::pkcs15Quirks(vn_card::kSetcos441).paths(profileType, key, pin);
    EXPECT_EQ(profileType, CP_SETCOS);
    EXPECT_EQ(pin, "3F0050155B005B05");
    key = "3F00501550724B01";
    pin = "3F001FFF";
    profileType = CP_QUORVEL;
    vn_cardapp::pkcs15Quirks(vn_card::kCardOs54).paths(profileType, key, pin);
    EXPECT_EQ(key, "3F00501550724B010101");
    EXPECT_EQ(pin, "3F001FFF0101");
    EXPECT_EQ(profileType, CP_QUORVEL);
    EXPECT_STREQ(vn_cardapp::pkcs15Quirks(vn_card::kCardOs54).tokenInfoPath, "3f0001045032");
    // Any other card type: the application directory, no rewrites.
    for (int code : {vn_card::kStarcos35, vn_card::kUnknownCard, vn_card::kNoCard}) {
        const vn_cardapp::Pkcs15Quirks& none = vn_cardapp::pkcs15Quirks(code);
        EXPECT_EQ(none.tokenInfoPath, nullptr);
        EXPECT_FALSE(none.skipFirstCdfWhenHiding);
        EXPECT_EQ(none.link, nullptr);
        EXPECT_EQ(none.paths, nullptr);
    }
}
