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

    // Every certificate object is readable and is an X.509 certificate; every key-bearing
    // object's PIN is registered.
    bench.card().clearTranscript();
    for (int i = 0; i < p->m_certCount; ++i) {
        std::unique_ptr<CCertInfoSC> cert(p->readCert(i));
        ASSERT_NE(cert, nullptr) << c.image << " " << p->getCert(i)->m_certPath;
        EXPECT_TRUE(parsesAsX509(cert.get())) << p->getCert(i)->m_certPath;
        EXPECT_EQ(cert->getLabel(), p->getCert(i)->m_label);
        EXPECT_EQ(cert->isCA(), p->getCert(i)->m_isCA);
        const CCardObject* o = p->getCert(i);
        if (o->m_keyRef != 255 && o->m_pinRef != 255 && c.cardType != 4 && c.cardType != 10 && c.cardType != 7 &&
            p->m_pinCount > 0) {
            EXPECT_NE(p->GetPinObject(o->m_pinPath, o->m_pinRef), nullptr) << c.image << " " << o->m_label;
        }
    }
    const size_t readCommands = bench.commands();
    std::ofstream report(std::string(VN_BINARY_DIR) + "/cardapp-roundtrips.txt", std::ios::app);
    report << c.image << " profile=" << p->m_profileType << " certs=" << p->m_certCount << " detect=" << detectCommands
           << " read_all=" << readCommands << "\n";
}

INSTANTIATE_TEST_SUITE_P(Images, Detection, ::testing::ValuesIn(kCases), [](const ::testing::TestParamInfo<Case>& i) {
    std::string n = i.param.image;
    for (char& ch : n)
        if (!isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return n;
});
