// A card OS added from outside the library: its class and family row registered by the
// test, its dialect in the simulator. On the real pcscd stack the reader recognises it by
// its ATR, makes its card-OS object, detects the layout the row names, and the card signs
// a hash that OpenSSL verifies with the certificate the card gave.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <openssl/x509.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

#include "AtrList.h"
#include "CertInfoSC.h"
#include "ProfileTypes.h"
#include "Reader.h"
#include "SC_Profile.h"
#include "TestOs.h"
#include "card/AtrMatch.h"
#include "card/CardFactory.h"
#include "cardsim/TestStack.h"

namespace {
const char kAtrText[] = "3B:88:81:31:FE:45:54:45:53:54:4F:53:31:30:88";
const unsigned int kSha256AlgId = 0x800C;

void registerOnce() {
    static const bool registered = vn_card::registerCardFamily(testos::kFamily);
    ASSERT_TRUE(registered);
}

// PKCS#1 v1.5 verification of a SHA-256 hash with the key of a DER certificate.
bool verifiesWith(const std::vector<unsigned char>& certDer, const unsigned char* hash, size_t hashLength,
                  const std::vector<unsigned char>& signature) {
    const unsigned char* p = certDer.data();
    std::unique_ptr<X509, decltype(&X509_free)> cert(d2i_X509(nullptr, &p, static_cast<long>(certDer.size())),
                                                     X509_free);
    if (!cert)
        return false;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(X509_get_pubkey(cert.get()), EVP_PKEY_free);
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(EVP_PKEY_CTX_new(key.get(), nullptr),
                                                                    EVP_PKEY_CTX_free);
    return ctx && EVP_PKEY_verify_init(ctx.get()) > 0 &&
           EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) > 0 &&
           EVP_PKEY_CTX_set_signature_md(ctx.get(), EVP_sha256()) > 0 &&
           EVP_PKEY_verify(ctx.get(), signature.data(), signature.size(), hash, hashLength) == 1;
}
}  // namespace

TEST(NewCardOs, RegisteredRowIsFoundAfterThePrescribedTableOnly) {
    registerOnce();
    unsigned char before[sizeof ATRlist];
    std::memcpy(before, ATRlist, sizeof ATRlist);
    EXPECT_EQ(vn_match_atr(kAtrText, false), testos::kCode);
    EXPECT_EQ(std::memcmp(before, ATRlist, sizeof ATRlist), 0) << "the exported table stays as prescribed";
    EXPECT_EQ(CSC_Profile_Base::CardType("Quorvel VN - TestOS 1.0"), testos::kCode);
    // A family whose code, label or ATR position is taken is refused.
    EXPECT_FALSE(vn_card::registerCardFamily(testos::kFamily));
    const vn_card::CardTypeRow clash[] = {{vn_card::kStarcos35,
                                           "x",
                                           {"y"},
                                           nullptr,
                                           false,
                                           vn_card::PinPathKind::File,
                                           vn_card::Detection::None,
                                           vn_card::Pkcs15Quirk::None,
                                           vn_card::LegacySupport::None,
                                           vn_card::LegacyDetection::None,
                                           false,
                                           false}};
    static const vn_card::CardFamily kClash = {"clash", clash, 1, nullptr, 0};
    EXPECT_FALSE(vn_card::registerCardFamily(kClash));
    EXPECT_EQ(vn_card::cardType(vn_card::kStarcos35)->name, std::string("Starcos 3.5"));
}

TEST(NewCardOs, ReaderMakesItsObjectDetectsItsLayoutAndItSigns) {
    if (access("/usr/sbin/pcscd", X_OK) != 0)
        GTEST_SKIP() << "pcscd is not installed";
    registerOnce();
    cardsim::StackOptions o;
    o.image0 = std::string(VN_SOURCE_DIR) + "/tests/card/newos/testos.card";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();

    CReader reader;
    ASSERT_EQ(reader.GetReaderATR(0), kAtrText);
    EXPECT_EQ(reader.GetCardType(0), testos::kCode);
    CSC_ProfileHandle profile(reader.ReadSCProfile(0));
    ASSERT_NE(profile, nullptr);
    auto* card = dynamic_cast<CSC_Profile_TestOs*>(profile->getCard());
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->getCardName(), "TestOS 1.0");
    EXPECT_EQ(profile->getProfileType(), CP_STARCOS35_A);
    EXPECT_EQ(card->lastSerial().size(), 16u) << "the chip serial from GET DATA 80 CA 01 81";
    ASSERT_GE(profile->getCertCount(), 1);
    const CCardObject* entry = profile->getCert(0);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->m_label, "Signing Cert");
    std::unique_ptr<CCertInfoSC> cert(profile->readCert(0));
    ASSERT_NE(cert, nullptr);

    const char pin[] = "123456";
    ASSERT_EQ(card->SelectPath(entry->m_pinPath, true, false, false, false), 0);
    ASSERT_EQ(card->SCVerify(entry->m_pinRef, reinterpret_cast<unsigned char*>(const_cast<char*>(pin)),
                             static_cast<unsigned char>(std::strlen(pin))),
              0);
    unsigned char hash[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>("new card os"), 11, hash);
    ASSERT_EQ(card->PreSigning(entry->m_profileType, entry->m_keyPath), 0);
    std::vector<unsigned char> signature(static_cast<size_t>(entry->m_keyBits) / 8);
    unsigned long signatureLength = signature.size();
    ASSERT_EQ(card->SignData(entry->m_keyPath, entry->m_keyRef, entry->m_keyBits, kSha256AlgId, hash, sizeof hash,
                             signature.data(), &signatureLength, entry->m_profileType),
              0);
    signature.resize(signatureLength);

    std::vector<unsigned char> certDer(cert->getCertData(), cert->getCertData() + cert->getCertDataLen());
    EXPECT_TRUE(verifiesWith(certDer, hash, sizeof hash, signature));
    // The security environment went with the class's own command.
    bool sawSet = false;
    for (const auto& e : stack.exchanges(0))
        sawSet = sawSet || (e.command.size() >= 8 && e.command[1] == 0x22 && e.command[2] == 0x41 &&
                            e.command[3] == 0xB6 && e.command[5] == 0x84 && e.command[7] == entry->m_keyRef);
    EXPECT_TRUE(sawSet);
}
