// CPkcs15 on simulated cards: locating the application (EF.DIR as a transparent or a
// record file, 3F00/5015 without EF.DIR, root mode), record directory files, linking, the error codes, and the
// SetCOS path rewriting of the linking step.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ConfigSC.h"
#include "Pkcs15.h"
#include "SimCard.h"

namespace {
std::string loadImage(const std::string& name) {
    std::ifstream f(imageDir() + "/" + name + ".card");
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Adds a line right after a section header.
std::string addTo(std::string image, const std::string& header, const std::string& line) {
    size_t at = image.find(header);
    EXPECT_NE(at, std::string::npos) << header;
    if (at != std::string::npos)
        image.insert(image.find('\n', at) + 1, line + "\n");
    return image;
}

// Removes a section (header up to the next header).
std::string drop(std::string image, const std::string& header) {
    size_t at = image.find(header);
    EXPECT_NE(at, std::string::npos) << header;
    if (at == std::string::npos)
        return image;
    size_t end = image.find("\n[", at + 1);
    image.erase(at, end == std::string::npos ? std::string::npos : end + 1 - at);
    return image;
}

std::string hexData(const std::vector<uint8_t>& b) { return "data = " + hexOf(b); }

// A PKCS#15 application at the MF itself, no EF.DIR and no DF 5015 (root mode):
// ODF, token info and directory files with paths relative to the MF.
std::string rootModeImage(const std::string& certId) {
    CPkcs15DfOdf odf;
    odf.addPath(CPkcs15DfOdf::CDF, "4403");
    odf.addPath(CPkcs15DfOdf::PRKDF, "4402");
    odf.addPath(CPkcs15DfOdf::AODF, "4401");
    CPkcs15DfTi ti(0, "A1B2C3", "SignGuard AB", "Root Token", 0x20);
    CPkcs15Auth aodf;
    aodf.addAuth(CPkcs15AuthInfo(CPkcs15CommAttrib("PIN 1", 3, ""), CPkcs15AuthAttrib("01"),
                                 CPkcs15Pin(CPkcs15Pin::LOCAL, 1, 4, 8, 8, 0x82, 0, "")));
    CPkcs15PrKey prkdf;
    prkdf.addPrKey(CPkcs15PrKeyInfo(CPkcs15CommAttrib("Key", 1, "01"), CPkcs15CommKeyAttrib(certId, 4, true, 0, 0x82),
                                    CPkcs15KeyAttrib("4B02", 2048)));
    CPkcs15Cert cdf;
    cdf.addCert(
        CPkcs15CertInfo(CPkcs15CommAttrib("Cert", 0, ""), CPkcs15CertAttrib(certId, false), CPkcs15Path("4331")));
    std::string image = "[card]\ndialect = iso\natr = 3B 02 14 50\nprotocol = T1\n";
    const std::pair<const char*, std::vector<uint8_t>> files[] = {
        {"5031", odf.encode()},   {"5032", ti.encode()},  {"4401", aodf.encode()},
        {"4402", prkdf.encode()}, {"4403", cdf.encode()},
    };
    for (const auto& f : files)
        image += std::string("[ef 3F00/") + f.first + "]\n" + hexData(f.second) + "\n";
    return image + "[ef 3F00/4331]\ncert = signer-rsa2048.der\n";
}

struct P15Bench {
    SimBench bench;
    std::unique_ptr<CPkcs15> p15;
    P15Bench(const std::string& image, int cardType) : bench(image, cardType) { p15.reset(new CPkcs15(bench.os())); }
};
}  // namespace

TEST(Pkcs15Card, ReadsTheApplicationThroughEfDirAndLinksCertificatesToKeysAndPins) {
    P15Bench b("cardos43-signcard-single", 4);
    ASSERT_EQ(b.p15->getError(), 0);
    EXPECT_FALSE(b.p15->isRoot());
    ASSERT_NE(b.p15->getEf_dir(), nullptr);
    EXPECT_EQ(b.p15->getEf_dir()->getPath(), "3F005015");
    ASSERT_NE(b.p15->getDf_ti(), nullptr);
    EXPECT_EQ(b.p15->getDf_ti()->getLabel(), "SignCard single");
    EXPECT_EQ(b.p15->ReadCerts(), 1);
    ASSERT_EQ(b.p15->getNumcerts(), 2);
    CPkcs15ExportCert* c = b.p15->getCert(0);
    EXPECT_EQ(c->getCertLabel(), "Signaturzertifikat");
    EXPECT_EQ(c->getCertpath(), "3F0050154331");
    EXPECT_EQ(c->getKeypath(), "3F001FFF");
    EXPECT_EQ(c->getPinpath(), "3F001FFF");
    EXPECT_EQ(c->getPinindex(), 0x83);  // the Quorvel layout's signature PIN
    EXPECT_EQ(c->getKeyindex(), 0x84);
    EXPECT_EQ(c->getKeysize(), 2048);
    EXPECT_EQ(c->getPinname(), "Signatur PIN");
    EXPECT_EQ(c->getAuthId(), "01");
    EXPECT_EQ(c->getCertId(), "45");
    EXPECT_FALSE(c->isSiglesign());
    EXPECT_FALSE(c->isCacert());
    EXPECT_FALSE(c->isSelectP15byname());
    EXPECT_EQ(b.p15->getCert(1)->getPinindex(), 0x01);
    EXPECT_EQ(b.p15->getNumAuthInfo(), 2);
    EXPECT_EQ(b.p15->getAuthInfo(1)->getCommAttrib()->getLabel(), "Karten PIN");
    ASSERT_NE(b.p15->GetPrKeyByCert(0), nullptr);
    EXPECT_EQ(b.p15->GetPrKeyByCert(0)->getCommKeyAttrib()->getId(), "45");
}

TEST(Pkcs15Card, FindsTheApplicationAt5015WithoutEfDirAndReadsRecordFilesAndUsefulCdfs) {
    P15Bench b("pkcs15-no-efdir", 4);
    ASSERT_EQ(b.p15->getError(), 0);
    EXPECT_FALSE(b.p15->isRoot());
    EXPECT_EQ(b.p15->getEf_dir()->getPath(), "3F005015");
    EXPECT_EQ(b.p15->getDf_ti()->getLabel(), "Quorvel No EF.DIR");
    // ODF and token info selected under 3F00 5015.
    bool odf = false, ti = false;
    for (const auto& e : b.bench.card().transcript()) {
        std::string cmd = cardsim::toHex(e.command);
        odf = odf || cmd.find("00A40204025031") == 0;
        ti = ti || cmd.find("00A40204025032") == 0;
    }
    EXPECT_TRUE(odf && ti);
    EXPECT_EQ(b.p15->ReadCerts(), 1);
    // The PrKDF is a record file: both keys linked; the useful CDF adds the CA.
    ASSERT_EQ(b.p15->getNumcerts(), 3);
    EXPECT_EQ(b.p15->getCert(1)->getKeypath(), "3F00501550724B01");
    EXPECT_TRUE(b.p15->getCert(2)->isCacert());
    EXPECT_EQ(b.p15->getCert(2)->getKeysize(), 1024);
    EXPECT_EQ(b.p15->getCert(2)->getCertLabel(), "CA Zertifikat");
    EXPECT_EQ(b.p15->GetPrKeyByCert(2), nullptr);
}

// EF.DIR as a record file (SetCOS 4.4.1): each record is one application template and is
// read whole, so the PKCS#15 template is found in whichever record holds it.
TEST(Pkcs15Card, AnEfDirOfRecordsIsReadTemplateByTemplate) {
    const std::string base = loadImage("setcos441-telia");
    const std::string other = "record = 61 0C 4F 06 A0 00 00 01 67 45 51 02 3F 00";
    for (const std::string& image : {base, addTo(base, "type = linear-variable", other)}) {
        P15Bench b(image, 7);
        ASSERT_EQ(b.p15->getError(), 0);
        EXPECT_EQ(b.p15->getEf_dir()->getPath(), "3F005015");
        EXPECT_EQ(b.p15->getDf_ti()->getLabel(), "Telia EID IP2i");
        EXPECT_EQ(b.p15->ReadCerts(), 1);
        EXPECT_EQ(b.p15->getNumcerts(), 2);
    }
}

TEST(Pkcs15Card, RootModeAddressesFilesRelativeToTheMf) {
    P15Bench b(rootModeImage("02"), 7);
    ASSERT_EQ(b.p15->getError(), 0);
    EXPECT_TRUE(b.p15->isRoot());
    EXPECT_EQ(b.p15->getEf_dir()->getPath(), "3F00");
    EXPECT_EQ(b.p15->getDf_ti()->getLabel(), "Root Token");
    EXPECT_EQ(b.p15->ReadCerts(), 1);
    ASSERT_EQ(b.p15->getNumcerts(), 1);
    EXPECT_EQ(b.p15->getCert(0)->getKeypath(), "3f004B02");
    EXPECT_EQ(b.p15->getCert(0)->getPinpath(), "");
    EXPECT_TRUE(b.p15->getCert(0)->isSiglesign());  // certificate id 02 in root mode
    EXPECT_TRUE(b.p15->getCert(0)->isSelectP15byname());

    P15Bench other(rootModeImage("03"), 7);
    ASSERT_EQ(other.p15->ReadCerts(), 1);
    EXPECT_FALSE(other.p15->getCert(0)->isSiglesign());
}

TEST(Pkcs15Card, HideUnusedCertsSkipsTheFirstCdfOfARootModeSetCos441) {
    gConfig.hideUnusedCerts = true;
    P15Bench b(rootModeImage("02"), 7);
    EXPECT_EQ(b.p15->ReadCerts(), 0);  // the only CDF was skipped
    EXPECT_EQ(b.p15->getNumcerts(), 0);
    gConfig.hideUnusedCerts = false;
    P15Bench other(rootModeImage("02"), 4);
    gConfig.hideUnusedCerts = true;
    EXPECT_EQ(other.p15->ReadCerts(), 1);  // only SetCOS 4.4.1 skips it
    gConfig.hideUnusedCerts = false;
}

TEST(Pkcs15Card, ReportsEachFailureWithItsCode) {
    const std::string base = loadImage("cardos43-signcard-single");
    struct Case {
        const char* what;
        std::string image;
        int init;  // error after Init
        int read;  // error after ReadCerts (-1: not run)
        // clang-format off
    } cases[] = {
        {"EF.DIR unreadable", addTo(base, "[ef 3F00/2F00]", "read = never"), 1, -1},
        {"EF.DIR not templates", drop(base, "[ef 3F00/2F00]") + "\n[ef 3F00/2F00]\ndata = 30 03 4F 01 00\n", 2, -1},
        {"ODF missing", drop(base, "[ef 3F00/5015/5031]"), 3, -1},
        {"ODF unreadable", addTo(base, "[ef 3F00/5015/5031]", "read = never"), 4, -1},
        {"token info missing", drop(base, "[ef 3F00/5015/5032]"), 5, -1},
        {"token info unreadable", addTo(base, "[ef 3F00/5015/5032]", "read = never"), 6, -1},
        {"CDF missing", drop(base, "[ef 3F00/5015/4403]"), 0, 7},
        {"PrKDF unreadable", addTo(base, "[ef 3F00/5015/4402]", "read = never"), 0, 8},
        {"root mode without ODF", "[card]\ndialect = iso\natr = 3B 02 14 50\nprotocol = T1\n[ef 3F00/5032]\ndata = 30 00\n", 3, -1},
    };
    // clang-format on
    for (const Case& c : cases) {
        P15Bench b(c.image, 4);
        EXPECT_EQ(b.p15->getError(), c.init) << c.what;
        if (c.read >= 0) {
            EXPECT_EQ(b.p15->ReadCerts(), 0) << c.what;
            EXPECT_EQ(b.p15->getError(), c.read) << c.what;
            EXPECT_EQ(b.p15->getNumcerts(), 0) << c.what;
        }
    }
    // No card object at all.
    CPkcs15 none(nullptr);
    EXPECT_EQ(none.getError(), 1);
    EXPECT_EQ(none.ReadCerts(), 0);
}

TEST(Pkcs15Card, SetCosLinkingRewritesPinAndKeyPaths) {
    // SetCOS 4.4.1: a PIN at 3F005015 becomes 3f0050155b005b01 and single-signature.
    std::string image = loadImage("setcos441-telia-ip2i");
    CPkcs15Pin pin5015(CPkcs15Pin::LOCAL, 1, 4, 8, 8, 0x82, 0, "3F005015");
    CPkcs15Auth aodf;
    aodf.addAuth(CPkcs15AuthInfo(CPkcs15CommAttrib("Signature PIN", 3, ""), CPkcs15AuthAttrib("01"), pin5015));
    aodf.addAuth(CPkcs15AuthInfo(CPkcs15CommAttrib("PIN 2", 3, ""), CPkcs15AuthAttrib("02"),
                                 CPkcs15Pin(0, 1, 4, 8, 8, 0x01, 0, "3F0050155016")));
    image = drop(image, "[ef 3F00/5015/4401]");
    image += "\n[ef 3F00/5015/4401]\n" + hexData(aodf.encode()) + "\n";
    {
        P15Bench b(image, 7);
        ASSERT_EQ(b.p15->ReadCerts(), 1);
        ASSERT_EQ(b.p15->getNumcerts(), 2);
        EXPECT_EQ(b.p15->getCert(0)->getPinpath(), "3f0050155b005b01");
        EXPECT_TRUE(b.p15->getCert(0)->isSiglesign());
        EXPECT_EQ(b.p15->getCert(1)->getPinpath(), "3F0050155016");
        EXPECT_TRUE(b.p15->getCert(1)->isSiglesign());
    }
    // SetCOS 4.4.2: a key path 4B01 becomes 3f004b01.
    CPkcs15PrKey prkdf;
    prkdf.addPrKey(CPkcs15PrKeyInfo(CPkcs15CommAttrib("Key", 1, "01"), CPkcs15CommKeyAttrib("45", 4, true, 0, 0x82),
                                    CPkcs15KeyAttrib("4B01", 2048)));
    std::string v442 = drop(loadImage("setcos442-telia-ip5a"), "[ef 3F00/5015/4402]");
    v442 += "\n[ef 3F00/5015/4402]\n" + hexData(prkdf.encode()) + "\n";
    P15Bench b(v442, 10);
    ASSERT_EQ(b.p15->ReadCerts(), 1);
    ASSERT_EQ(b.p15->getNumcerts(), 1);
    EXPECT_EQ(b.p15->getCert(0)->getKeypath(), "3f004b01");
    EXPECT_FALSE(b.p15->getCert(0)->isSiglesign());
}

TEST(Pkcs15Card, CardOS54ReadsOnlyTheTokenInfo) {
    P15Bench b("cardos54-41-std-rsa", 17);
    EXPECT_EQ(b.p15->getError(), 0);
    ASSERT_NE(b.p15->getDf_ti(), nullptr);
    EXPECT_EQ(b.p15->getDf_ti()->getLabel(), "D-TRUST Card 4.1 Std. RSA");
    EXPECT_EQ(b.p15->getDf_odf(), nullptr);
    EXPECT_EQ(b.p15->ReadCerts(), 0);
}

namespace {
// The image with its token info replaced (label, manufacturer, serial).
std::string withTokenInfo(const std::string& image, const std::string& label, const std::string& manufacturer,
                          const std::string& serial = "0011223344556677") {
    CPkcs15DfTi ti(0, serial, manufacturer, label, 0x20);
    return drop(loadImage(image), "[ef 3F00/5015/5032]") + "\n[ef 3F00/5015/5032]\n" + hexData(ti.encode()) + "\n";
}
}  // namespace

TEST(Pkcs15Card, CardOS43LabelRulesCompareExactlyOrByPrefixAsListed) {
    struct Rule {
        const char* label;
        const char* manufacturer;
        int profile;
        bool single;  // m_singleSign afterwards (starts true)
        bool signCard;
        // clang-format off
    } rules[] = {
        {"SignCard single", "X", CP_QUORVEL, true, true},
        {"SignCard singleton", "X", CP_QUORVEL, true, true},           // 15 bytes compared
        {"SignCard mult", "X", CP_QUORVEL, false, true},               // 13 bytes of "SignCard multi"
        {"PKCS15andSigG 2", "X", CP_QUORVEL, false, true},
        {"TC QSign", "X", CP_TC_QSIGN, true, false},                   // exact
        {"TC QSign ", "X", 0, true, false},                            // a blank more: no rule
        {"TC QSign unlimited edition", "X", CP_TC_QSIGN_UNLIMITED, false, false},
        {"D-SIGN multicard 2.0 2ce", "X", CP_DSIGN_MULTICARD_2CE, false, false},
        {"D-SIGN multicard 2.0 2ce+", "X", CP_DSIGN_MULTICARD, false, false},  // not exact: the shorter rule
        {"D-TRUST multicard 3", "X", CP_DTRUST_MULTICARD, false, false},
        {"D-TRUST card 2.4 2ce v2", "X", CP_DTRUST_CARD_2CE, true, false},
        {"D-TRUST card 2.1", "X", CP_DTRUST_CARD, true, false},
        {"Quorvel Signature", "X", CP_QUORVEL, true, false},
        {"SwissSignID Gold", "X", CP_SWISSSIGN_ID, false, false},
        {"SuisseID Card", "X", CP_SUISSEID, false, false},
        {"Something", "Siemens AG", CP_QUOVADIS_CH, true, false},
        {"Something", "Other", 0, true, false},
    };
    // clang-format on
    for (const Rule& r : rules) {
        SimBench bench(withTokenInfo("cardos43-signcard-single", r.label, r.manufacturer), 4);
        CSC_Profile* p = bench.detect();
        EXPECT_EQ(p->m_profileType, r.profile) << "'" << r.label << "'";
        EXPECT_EQ(p->m_singleSign, r.single) << "'" << r.label << "'";
        EXPECT_EQ(p->m_signCardToken, r.signCard) << "'" << r.label << "'";
    }
}

TEST(Pkcs15Card, CardOS50LabelsAreExactAndATrailingEMeans3072Bits) {
    struct Rule {
        const char* label;
        int profile;
        int keySize;
    } rules[] = {
        {"D-TRUST Card V3.1 batch100", CP_DTRUST_V31_BATCH100, 2048},
        {"D-TRUST Card V3.1 batch1000", 0, 2048},
        {"D-TRUST Card V3.1 standard ", 0, 2048},
        {"D-TRUST Card V3.4 multicard", CP_DTRUST_V34_MULTI, 2048},
        {"Some card type e", 0, 3072},
    };
    for (const Rule& r : rules) {
        SimBench bench(withTokenInfo("cardos50-v31-batch100", r.label, "D-TRUST GmbH"), 15);
        CSC_Profile* p = bench.detect();
        EXPECT_EQ(p->m_profileType, r.profile) << r.label;
        EXPECT_EQ(p->m_keySize, r.keySize) << r.label;
        EXPECT_EQ(p->m_signAlgorithm, 1) << r.label;
        EXPECT_EQ(p->m_certCount, r.profile ? 2 : 0) << r.label;
    }
    // A token info without a serial number gets the card's serial.
    SimBench bench(withTokenInfo("cardos50-v31-batch100", "D-TRUST Card V3.1 batch100", "D-TRUST GmbH", ""), 15);
    CSC_Profile* p = bench.detect();
    EXPECT_EQ(p->getSerialNumber(), "0012345678900002");
    EXPECT_EQ(p->getPkcs15()->getDf_ti()->getSerialNumber(), "0012345678900002");
}

TEST(Pkcs15Card, WithoutAnAuthLabelTheAdvancedOrFirstCertificateTakesTheAuthenticationRole) {
    auto withCdf = [](const char* label0, const char* label1) {
        CPkcs15Cert cdf;
        cdf.addCert(CPkcs15CertInfo(CPkcs15CommAttrib(label0, 0, ""), CPkcs15CertAttrib("45", false),
                                    CPkcs15Path("3F0050154331")));
        cdf.addCert(CPkcs15CertInfo(CPkcs15CommAttrib(label1, 0, ""), CPkcs15CertAttrib("46", false),
                                    CPkcs15Path("3F0050154332")));
        return drop(loadImage("cardos43-quorvel"), "[ef 3F00/5015/4403]") + "\n[ef 3F00/5015/4403]\n" +
               hexData(cdf.encode()) + "\n";
    };
    {
        SimBench bench(withCdf("Qualified", "Advanced Cert"), 4);
        CSC_Profile* p = bench.detect();
        ASSERT_EQ(p->m_certCount, 2);
        EXPECT_EQ(p->getCert(0)->m_usage, 1);
        EXPECT_EQ(p->getCert(1)->m_usage, 3);
    }
    SimBench bench(withCdf("Qualified", "Other"), 4);
    CSC_Profile* p = bench.detect();
    ASSERT_EQ(p->m_certCount, 2);
    EXPECT_EQ(p->getCert(0)->m_usage, 3);
    EXPECT_EQ(p->getCert(1)->m_usage, 1);
}

TEST(Pkcs15Card, ACertificateWithoutItsPrivateKeyIsNoResult) {
    CPkcs15Cert cdf;
    cdf.addCert(CPkcs15CertInfo(CPkcs15CommAttrib("Signaturzertifikat", 0, ""), CPkcs15CertAttrib("45", false),
                                CPkcs15Path("3F0050154331")));
    cdf.addCert(CPkcs15CertInfo(CPkcs15CommAttrib("Ohne Schluessel", 0, ""), CPkcs15CertAttrib("99", false),
                                CPkcs15Path("3F0050154332")));
    std::string image = drop(loadImage("cardos43-quorvel"), "[ef 3F00/5015/4403]") + "\n[ef 3F00/5015/4403]\n" +
                        hexData(cdf.encode()) + "\n";
    P15Bench b(image, 4);
    ASSERT_EQ(b.p15->ReadCerts(), 1);
    ASSERT_EQ(b.p15->getNumcerts(), 1);
    EXPECT_EQ(b.p15->getCert(0)->getCertId(), "45");
    ASSERT_NE(b.p15->getP15Cert(0), nullptr);
    EXPECT_EQ(b.p15->getP15Cert(0)->getNum(), 2);
}
