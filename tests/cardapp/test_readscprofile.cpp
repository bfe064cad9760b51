// The reader builds the complete profile: ATR recognition, the card-OS object of the
// card type and the detected application. Every layout image runs here on the
// simulator dialect of its card operating system, read by the real card-OS class.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "CertInfoSC.h"
#include "ConfigSC.h"
#include "DetectionCases.h"
#include "PinObj.h"
#include "Reader.h"
#include "SC_Profile_CardOS.h"
#include "SimCard.h"
#include "cardapp/ProfileCache.h"

namespace {
const char* dialectOf(int cardType) {
    switch (cardType) {
    case 1:
    case 2:
    case 13: return "tcos";
    case 3: return "micardo";
    case 4:
    case 11: return "cardos4";
    case 5:
    case 9: return "starcos3";
    case 6: return "seccos";
    case 7:
    case 10: return "setcos";
    case 12:
    case 14: return "starcos35";
    case 15:
    case 17: return "cardos50";
    case 16: return "hsm";
    default: return "iso";
    }
}

// The ATR the card-OS dialect images use, where the layout image's generic one differs.
std::string osImageAtr(int cardType) {
    switch (cardType) {
    case 6: return "3B FF 00 00 FF 81 31 FE 45 65 63 0D 0C 01 21 42 00 00 00 00 00 00 00 00 00";
    case 7: return "3B 9F 94 80 1F C3 00 68 10 44 05 01 46 49 53 45 31 C8 07 90 00 18";
    case 10: return "3B 9F 96 80 1F C7 80 31 E0 73 FE 21 1B 63 3A 20 4E 83 00 90 00 31";
    default: return "";
    }
}

std::string onOsDialect(const Case& c) {
    std::ifstream f(imageDir() + "/" + c.image + ".card");
    std::stringstream s;
    s << f.rdbuf();
    std::string text = replaceAll(s.str(), "dialect = iso", std::string("dialect = ") + dialectOf(c.cardType));
    // SetCOS 4.4.1 and Micardo answer a selection with their FCI through GET RESPONSE (T=0).
    if (c.cardType == 7 || c.cardType == 3)
        text = replaceAll(text, "protocol = T1", "protocol = T0");
    if (!osImageAtr(c.cardType).empty())
        text = replaceLines(text, "atr = ", "atr = " + osImageAtr(c.cardType));
    return text;
}

class ReadProfile : public ::testing::TestWithParam<Case> {};
}  // namespace

TEST_P(ReadProfile, ReaderReturnsTheDetectedProfileOnTheCardOsDialect) {
    const Case& c = GetParam();
    if (c.cardType == 10)
        GTEST_SKIP() << "no ATR of the card list names SetCOS 4.4.2";
    pcscsim::reset();
    vn_profile_cache::clear();
    auto card = std::shared_ptr<cardsim::Card>(cardsim::Card::fromText(onOsDialect(c), pkiDir(), c.image));
    pcscsim::addReader(SimBench::Reader, pcscsim::plainReader());
    pcscsim::insertCard(SimBench::Reader, card);
    {
        CReader reader;
        ASSERT_EQ(reader.GetCardType(0), c.cardType);
        card->clearTranscript();
        CSC_ProfileHandle p(reader.ReadSCProfile(0));
        ASSERT_NE(p, nullptr);
        ASSERT_NE(p->m_card, nullptr);
        EXPECT_EQ(p->m_card, reader.GetBaseProfile());
        EXPECT_EQ(p->m_profileType, c.profile);
        if (getenv("VN_CARDAPP_TRACE"))
            for (const auto& e : card->transcript())
                printf("> %s\n< %s\n", cardsim::toHex(e.command).c_str(), cardsim::toHex(e.response).c_str());
        std::vector<std::string> labels;
        for (int i = 0; p->getCert(i) != nullptr; ++i)
            labels.push_back(p->getCert(i)->m_label);
        EXPECT_EQ(labels, c.labels);
        auto apdus = [&card]() {
            size_t n = 0;
            for (const auto& e : card->transcript())
                n += e.kind == cardsim::Exchange::Kind::Apdu;
            return n;
        };
        size_t detect = apdus();
        for (int i = 0; i < p->m_certCount; ++i) {
            std::unique_ptr<CCertInfoSC> cert(p->readCert(i));
            EXPECT_NE(cert, nullptr) << c.image << " " << p->getCert(i)->m_certPath;
        }
        std::ofstream report(std::string(VN_BINARY_DIR) + "/cardapp-roundtrips-cardos.txt", std::ios::app);
        report << c.image << " dialect=" << dialectOf(c.cardType) << " profile=" << p->m_profileType
               << " certs=" << p->m_certCount << " detect=" << detect << " read_all=" << apdus() - detect << "\n";
    }
    pcscsim::reset();
    vn_profile_cache::clear();
}

INSTANTIATE_TEST_SUITE_P(LayoutImages, ReadProfile, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& i) {
                             std::string n = i.param.image;
                             for (char& ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

// The SmartCard-HSM class lists the device objects with ENUMERATE OBJECTS; each CE file
// holding a certificate becomes an object with the key of the same number and the one
// user PIN, while CE02 (no certificate) and the CA file CA00 are left out.
TEST(ReadProfileHsm, ObjectListGivesCertificatesKeysAndTheGlobalPin) {
    pcscsim::reset();
    vn_profile_cache::clear();
    auto card =
        std::shared_ptr<cardsim::Card>(cardsim::Card::fromFile(imageDir() + "/smartcard-hsm-layout.card", pkiDir()));
    pcscsim::addReader(SimBench::Reader, pcscsim::plainReader());
    pcscsim::insertCard(SimBench::Reader, card);
    {
        CReader reader;
        ASSERT_EQ(reader.GetCardType(0), 16);
        card->clearTranscript();
        CSC_ProfileHandle p(reader.ReadSCProfile(0));
        ASSERT_NE(p, nullptr);
        EXPECT_NE(dynamic_cast<CSC_Profile_SmartCardHSM*>(p->m_card), nullptr);
        bool enumerated = false;
        for (const auto& e : card->transcript())
            enumerated |= cardsim::toHex(e.command) == "8058000000";
        EXPECT_TRUE(enumerated);
        EXPECT_EQ(p->m_profileType, CP_SMARTCARD_HSM);
        EXPECT_EQ(p->getSignAlgorithm(), 1);
        EXPECT_EQ(p->getSerialNumber(), "4445434d303130323435");
        ASSERT_EQ(p->m_certCount, 2);
        const unsigned char keys[] = {0x01, 0x03};
        const char* paths[] = {"3f00ce01", "3f00ce03"};
        const char* keyPaths[] = {"3f00c401", "3f00c403"};
        for (int i = 0; i < 2; ++i) {
            const CCardObject* o = p->getCert(i);
            EXPECT_EQ(o->m_certPath, paths[i]);
            EXPECT_EQ(o->m_keyPath, keyPaths[i]);
            EXPECT_EQ(o->m_keyRef, keys[i]);
            EXPECT_EQ(o->m_keyBits, 2048);
            EXPECT_EQ(o->m_usage, 3);
            EXPECT_FALSE(o->m_isCA);
            CPinObj* pin = p->GetPinObject(o->m_pinPath, o->m_pinRef);
            ASSERT_NE(pin, nullptr);
            EXPECT_EQ(pin->getLabel(), CMsg::GetRessString(202));  // "Global"
            std::unique_ptr<CCertInfoSC> cert(p->readCert(i));
            ASSERT_NE(cert, nullptr) << o->m_certPath;
            const std::vector<uint8_t> der =
                readFileBytes(pkiDir() + (i == 0 ? "/signer-rsa2048.der" : "/auth-rsa2048.der"));
            EXPECT_EQ(std::vector<uint8_t>(cert->getCertData(), cert->getCertData() + cert->getCertDataLen()), der);
        }
        EXPECT_EQ(p->m_pinCount, 1);
    }
    pcscsim::reset();
    vn_profile_cache::clear();
}
