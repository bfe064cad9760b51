// Detection on simulated cards: one image per profile type and decision branch; the
// certificate objects in layout order, each certificate readable, and the number of
// commands detection and reading took (written to cardapp-roundtrips.txt).
#include <gtest/gtest.h>

#include <openssl/x509.h>

#include <fstream>
#include <string>
#include <vector>

#include "CertInfoSC.h"
#include "DetectionCases.h"
#include "PinObj.h"
#include "SimCard.h"

namespace {
bool parsesAsX509(CCertInfoSC* c) {
    const unsigned char* p = c->getCertData();
    X509* x = d2i_X509(nullptr, &p, c->getCertDataLen());
    bool ok = x != nullptr && p == c->getCertData() + c->getCertDataLen();
    X509_free(x);
    return ok;
}

// Card type code of SetCOS 4.4.2, and the key or PIN reference of an object that has none.
const int kSetCos442 = 10;
const int kNoReference = 255;

class Detection : public ::testing::TestWithParam<Case> {};
}  // namespace

TEST_P(Detection, FindsTheProfileAndTheLayoutObjectsInOrder) {
    const Case& c = GetParam();
    SimBench bench(c.image, c.cardType);
    ASSERT_TRUE(bench.connected());
    CSC_Profile* p = bench.detect();
    const size_t detectCommands = bench.commands();
    EXPECT_EQ(p->m_profileType, c.profile);
    EXPECT_EQ(p->m_singleSign, c.single);
    std::vector<std::string> labels;
    for (int i = 0; p->getCert(i) != nullptr; ++i)
        labels.push_back(p->getCert(i)->m_label);
    EXPECT_EQ(labels, c.labels);
    EXPECT_EQ(p->m_certCount, static_cast<int>(c.labels.size()));

    // Every certificate object is readable and is an X.509 certificate.
    bench.card().clearTranscript();
    for (int i = 0; i < p->m_certCount; ++i) {
        std::unique_ptr<CCertInfoSC> cert(p->readCert(i));
        ASSERT_NE(cert, nullptr) << c.image << " " << p->getCert(i)->m_certPath;
        EXPECT_TRUE(parsesAsX509(cert.get())) << p->getCert(i)->m_certPath;
        EXPECT_EQ(cert->getLabel(), p->getCert(i)->m_label);
        EXPECT_EQ(cert->isCA(), p->getCert(i)->m_isCA);
    }
    const size_t readCommands = bench.commands();
    std::ofstream report(std::string(VN_BINARY_DIR) + "/cardapp-roundtrips.txt", std::ios::app);
    report << c.image << " profile=" << p->m_profileType << " certs=" << p->m_certCount << " detect=" << detectCommands
           << " read_all=" << readCommands << "\n";
}

// The PIN a key-bearing certificate object names (its PIN path and reference) is one the
// profile registered, so that its key can be unlocked. CA certificates bear no key of the
// card: the TC QSign layouts (CardOS 4.3) give their CA "Qualified Cert" key reference 1
// and PIN 129 at 3f001003b100, where no PIN is registered.
TEST_P(Detection, RegistersThePinOfEveryKeyBearingObject) {
    const Case& c = GetParam();
    if (c.cardType == kSetCos442)
        GTEST_SKIP() << "SetCOS 4.4.2 certificate objects take their PIN path from the key path of their PKCS#15 "
                        "entry, not from the path their PIN object is registered under";
    SimBench bench(c.image, c.cardType);
    ASSERT_TRUE(bench.connected());
    CSC_Profile* p = bench.detect();
    for (int i = 0; i < p->m_certCount && p->m_pinCount > 0; ++i) {
        const CCardObject* o = p->getCert(i);
        if (o->m_keyRef != kNoReference && o->m_pinRef != kNoReference && !o->m_isCA) {
            EXPECT_NE(p->GetPinObject(o->m_pinPath, o->m_pinRef), nullptr) << c.image << " " << o->m_label;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Images, Detection, ::testing::ValuesIn(kCases), [](const ::testing::TestParamInfo<Case>& i) {
    std::string n = i.param.image;
    for (char& ch : n)
        if (!isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return n;
});
