// The legacy path on the layout images, two cards per stack (the SetCOS and CardOS
// images share the stack of the edge cases): detection into the reader
// tables, the container map, the "mscp" directory, every certificate file equal to the
// test PKI's certificate, the public-key blobs against OpenSSL's reading of those
// certificates, the serial number, and every host buffer released exactly once.
#include <gtest/gtest.h>

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "LegacyCards.h"
#include "LegacyProfile.h"
#include "MinidriverCardData.h"
#include "P15Profile.h"
#include "ProfileTypes.h"

using namespace legacytest;

const LegacyCase kSetcos = {"setcos441-other", 7, CP_SETCOS, {"3f0050154331", "3f0050154332"}, "00", 2048};
const LegacyCase kCardos43 = {"cardos43-dtrust-card",
                              4,
                              CP_DTRUST_CARD,
                              {"3f005015430443f1", "3f00501543044301", "3f00501543044302", "3f0050154304c008",
                               "3f0050154304c708", "3f0050154304c70f", "3f0050154304c70f"},
                              "0001111",
                              2048};

namespace {
const LegacyCase kTelesec = {
    "tcos2-telesec", 1, CP_TELESEC, {"3f00df06c000", "3f00df064331", "3f00df01c000", "3f00df01c200"}, "0000", 1024};
const LegacyCase kSigntrust = {"tcos2-signtrust",
                               1,
                               CP_SIGNTRUST2K,
                               {"3f008000df01c000", "3f00800082008220", "3f00800083008320", "3f008000df01c00e"},
                               "0001",
                               1024};
const LegacyCase kDatev = {
    "tcos2-datev", 1, CP_DATEV, {"3f00df01c000", "3f003000c500", "3f00df01c008", "3f00df01b000"}, "0011", 1024};
const LegacyCase kMedisign = {"tcos2-medisign", 1,
                              CP_MEDISIGN_1K,   {"3f00df01c000", "3f00df01c00e", "3f008300c000", "3f008200c000"},
                              "0100",           1024};
const LegacyCase kMicardo = {"micardo21", 3,   CP_DTRUST_1K, {"3f004016c000", "3f004016c500", "3f004016c008"},
                             "001",       1024};
const LegacyCase kStarcos30 = {
    "starcos30", 5, CP_SIGNTRUST2K, {"3f003f01c000", "3f003f01c008", "3f003f01c500", "3f003f01c200"}, "0100", 2048};
const LegacyCase kStarcos32Medisign = {
    "starcos32-medisign-layout", 9, CP_MEDISIGN2K, {"3f003f04c000", "3f003f02c500", "3f003f02c200"}, "000", 2048};
const LegacyCase kStarcos32Signtrust = {"starcos32-signtrust-single",
                                        9,
                                        CP_SIGNTRUST32_SINGLE,
                                        {"3f003f04c000", "3f003f04c008", "3f003f01c500", "3f003f01c200"},
                                        "0100",
                                        2048};
const LegacyCase kStarcos34 = {
    "starcos34-dtrust-02",
    12,
    CP_DTRUST3_02,
    {"3f001501c100", "3f001501c101", "3f001501c102", "3f001501c103", "3f001501c104", "3f001501c105"},
    "011011",
    2048};
const LegacyCase kSeccos = {
    "seccos-single", 6, CP_STRUST, {"3f00ab00c000", "3f00ab00c500", "3f00ab00c608", "3f00ab00b000"}, "0011", 1976};
struct Pair {
    const char* name;
    const LegacyCase* cards[2];
};
const Pair kPairs[] = {
    {"TeleSecAndSigntrust", {&kTelesec, &kSigntrust}},
    {"DatevAndMedisign", {&kDatev, &kMedisign}},
    {"MicardoAndStarcos30", {&kMicardo, &kStarcos30}},
    {"Starcos32MedisignAndSigntrust", {&kStarcos32Medisign, &kStarcos32Signtrust}},
    {"Starcos34AndSeccos", {&kStarcos34, &kSeccos}},
};

void PrintTo(const Pair& p, std::ostream* out) { *out << p.name; }

using Bytes = std::vector<unsigned char>;

std::wstring containerName(int reader, int readers, int cardType, int index, bool ca) {
    std::wstring n = L"2e0caa00-0efd-11dc-8314-0800200c9a66";
    n[4] = ca ? L'1' : L'0';
    n[5] = static_cast<wchar_t>(L'0' + reader + 2 * readers);
    n[6] = static_cast<wchar_t>(L'0' + cardType);
    n[7] = static_cast<wchar_t>(L'0' + index);
    return n;
}

// Modulus and exponent of a certificate as OpenSSL reads them.
bool rsaOf(const Bytes& der, Bytes& modulus, unsigned long& exponent, int& bits) {
    const unsigned char* p = der.data();
    std::unique_ptr<X509, void (*)(X509*)> x(d2i_X509(nullptr, &p, static_cast<long>(der.size())), X509_free);
    if (!x)
        return false;
    const RSA* rsa = EVP_PKEY_get0_RSA(X509_get0_pubkey(x.get()));
    if (rsa == nullptr)
        return false;
    const BIGNUM *n = nullptr, *e = nullptr;
    RSA_get0_key(rsa, &n, &e, nullptr);
    modulus.assign(static_cast<size_t>(BN_num_bytes(n)), 0);
    BN_bn2bin(n, modulus.data());
    exponent = BN_get_word(e);
    bits = BN_num_bits(n);
    return true;
}

std::vector<std::string> listing(const char* list, unsigned long length) {
    std::vector<std::string> names;
    size_t at = 0;
    while (at < length && list[at] != '\0') {
        names.emplace_back(list + at);
        at += names.back().size() + 1;
    }
    return names;
}

Bytes takeHostBuffer(unsigned char* p, unsigned long n) {
    Bytes b(p, p + n);
    mdhost::hostFree(p);
    return b;
}

}  // namespace

void checkCard(const LegacyCase& c, int reader) {
    SCOPED_TRACE(c.image);
    const ImageContents image = contentsOf(imageText(c.image));
    mdhost::resetBook();
    mdhost::Host host(TwoCards::reader(reader), cardOs(c.cardType).label);
    ASSERT_TRUE(host.ok());
    CARD_DATA* cd = host.data();

    CProfile profile(cd);
    ASSERT_EQ(profile.getReaderId(), reader);
    EXPECT_EQ(profile.getReaderNum(), 2);
    EXPECT_EQ(profile.getCardType(), c.cardType);
    EXPECT_EQ(profile.GetProfile(), c.profile);
    EXPECT_TRUE(CProfile::m_initialized[reader]);

    // ---- the reader's entries and the container map ----
    const int count = CCardData::GetContNum(reader, c.cardType);
    ASSERT_EQ(count, static_cast<int>(c.certPaths.size()));
    EXPECT_EQ(CCardData::GetCertNum(reader, c.cardType), count);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(uniform(CProfile::m_certinfo[reader][i].certPath), uniform(c.certPaths[i])) << i;
    EXPECT_EQ(CProfile::m_certinfo[reader][0].keyExKeySize, c.keyBits);

    unsigned char* maps = nullptr;
    unsigned long mapsLength = 0;
    ASSERT_EQ(CCardData::GetContainerMaps(cd, &maps, &mapsLength), 1);
    ASSERT_EQ(mapsLength, count * 168u);
    const Bytes mapBytes = takeHostBuffer(maps, mapsLength);
    int defaults = 0;
    for (int i = 0; i < count; ++i) {
        CONTAINERMAPRECORD rec;
        std::memcpy(&rec, mapBytes.data() + i * 168, sizeof rec);
        const bool ca = c.ca[static_cast<size_t>(i)] == '1';
        EXPECT_EQ(std::wstring(rec.GuidInfo), containerName(reader, 2, c.cardType, i, ca)) << i;
        EXPECT_TRUE(rec.Flags == 1 || rec.Flags == 3) << i;
        if (rec.Flags == 3) {
            ++defaults;
            EXPECT_FALSE(ca) << "the default container holds a key";
        }
        EXPECT_EQ(rec.RFUPadding, 0);
        EXPECT_EQ(rec.ui16SigKeySize, 0);
        EXPECT_EQ(rec.ui16KeyExchangeKeySize, CProfile::m_certinfo[reader][i].keyExKeySize);
        EXPECT_EQ(mapBytes[i * 168 + 166], 0);
        EXPECT_EQ(mapBytes[i * 168 + 167], 0);
        CONTAINERMAPRECORD one;
        ASSERT_EQ(CCardData::GetCont(reader, c.cardType, i, &one), 1);
        EXPECT_EQ(std::memcmp(&one, mapBytes.data() + i * 168, sizeof one), 0);
    }
    EXPECT_EQ(defaults, 1);
    CONTAINERMAPRECORD none;
    EXPECT_EQ(CCardData::GetCont(reader, c.cardType, count, &none), 0);

    unsigned char* cmap = nullptr;
    unsigned long cmapLength = 0;
    ASSERT_TRUE(CCardData::ReadFile(cd, const_cast<char*>("cmapfile"), &cmap, &cmapLength));
    EXPECT_EQ(takeHostBuffer(cmap, cmapLength), mapBytes);

    // ---- the directory ----
    char* list = nullptr;
    unsigned long listLength = 0;
    ASSERT_EQ(CCardData::GetDirectory(cd, const_cast<char*>("mscp"), &list, &listLength), 0);
    std::vector<std::string> expected = {"cardid", "cardcf", "cardapps", "cmapfile"};
    for (int i = 0; i < count; ++i) {
        char n[4][16];
        std::snprintf(n[0], 16, "kxc%02d", i);
        std::snprintf(n[1], 16, "ksc%02d", i);
        std::snprintf(n[2], 16, "kxp%02d", i);
        std::snprintf(n[3], 16, "ksp%02d", i);
        expected.insert(expected.end(), {n[0], n[1], n[2], n[3]});
    }
    EXPECT_EQ(listing(list, listLength), expected);
    EXPECT_EQ(list[listLength - 1], '\0');
    EXPECT_EQ(list[listLength - 2], '\0');
    mdhost::hostFree(list);
    EXPECT_EQ(CCardData::GetDirectory(cd, const_cast<char*>("other"), &list, &listLength),
              static_cast<long>(0x80100023));

    // ---- certificate files and public keys ----
    // Every certificate file; the other name of a file, the modulus and the key blob
    // where a card command more is worth it (the first entry, the key-bearing entries).
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(c.certPaths[static_cast<size_t>(i)]);
        const auto pki = image.certs.find(uniform(c.certPaths[static_cast<size_t>(i)]));
        ASSERT_NE(pki, image.certs.end());
        const Bytes der = fileBytes(pkiDir() + "/" + pki->second);
        ASSERT_FALSE(der.empty());
        for (const char* kind : {"kxc", "ksc"}) {
            if (i > 0 && kind[1] == 's')
                continue;
            char name[16];
            std::snprintf(name, sizeof name, "%s%02d", kind, i);
            unsigned char* data = nullptr;
            unsigned long length = 0;
            ASSERT_TRUE(CCardData::ReadFile(cd, name, &data, &length)) << name;
            EXPECT_EQ(takeHostBuffer(data, length), der) << name;
        }
        char certName[16] = "x";
        EXPECT_EQ(CCardData::GetCertFileName(cd, static_cast<unsigned char>(i), certName), 1);
        char kxc[16];
        std::snprintf(kxc, sizeof kxc, "kxc%02d", i);
        EXPECT_STREQ(certName, kxc);

        Bytes modulus;
        unsigned long exponent = 0;
        int bits = 0;
        ASSERT_TRUE(rsaOf(der, modulus, exponent, bits));
        if (i == 0) {
            unsigned char mod[1024];
            unsigned long modLength = sizeof mod, modBits = 0;
            ASSERT_EQ(CCardData::GetPubKey(cd, i, &modBits, mod, &modLength), 1);
            EXPECT_EQ(Bytes(mod, mod + modLength), modulus);
            EXPECT_EQ(modBits, static_cast<unsigned long>(bits));
        }
        if (c.ca[static_cast<size_t>(i)] == '1')
            continue;

        CONTAINER_INFO info;
        ASSERT_EQ(CCardData::GetContainerInfo(cd, i, &info), 1);
        EXPECT_EQ(info.dwVersion, 1u);
        EXPECT_EQ(info.cbSigPublicKey, 0u);
        EXPECT_EQ(info.pbSigPublicKey, nullptr);
        ASSERT_EQ(info.cbKeyExPublicKey, 32u + modulus.size());
        const Bytes blob = takeHostBuffer(info.pbKeyExPublicKey, info.cbKeyExPublicKey);
        VN_RSA_PUBLIC_BLOB head;
        std::memcpy(&head, blob.data(), sizeof head);
        EXPECT_EQ(head.header.bType, 6);
        EXPECT_EQ(head.header.bVersion, 2);
        EXPECT_EQ(head.header.reserved, 0);
        EXPECT_EQ(head.header.aiKeyAlg, 0xA400u);
        EXPECT_EQ(head.rsa.magic, 0x31415352u);
        EXPECT_EQ(head.rsa.bitlen, static_cast<DWORD>(bits));
        EXPECT_EQ(head.rsa.pubexp, exponent);
        EXPECT_EQ(Bytes(blob.rbegin(), blob.rbegin() + static_cast<long>(modulus.size())), modulus);

        if (i == 0) {
            // A copy of the information holds blobs of its own.
            CONTAINER_INFO copy;
            info.pbKeyExPublicKey = const_cast<unsigned char*>(blob.data());
            ASSERT_EQ(CCardData::CopyContainerInfo(cd, &copy, &info), 1);
            EXPECT_NE(copy.pbKeyExPublicKey, blob.data());
            EXPECT_EQ(takeHostBuffer(copy.pbKeyExPublicKey, copy.cbKeyExPublicKey), blob);
            EXPECT_EQ(copy.pbSigPublicKey, nullptr);
        }
    }

    // ---- serial number and the fixed files ----
    void* serial = nullptr;
    unsigned long serialLength = 0;
    ASSERT_EQ(CCardData::ReadSerial(cd, &serial, &serialLength), 1);
    const size_t tail = image.serialFile.size() < 16 ? image.serialFile.size() : 16;
    EXPECT_EQ(takeHostBuffer(static_cast<unsigned char*>(serial), serialLength),
              Bytes(image.serialFile.end() - static_cast<long>(tail), image.serialFile.end()));

    unsigned char* data = nullptr;
    unsigned long length = 0;
    ASSERT_TRUE(CCardData::ReadFile(cd, const_cast<char*>("cardid"), &data, &length));
    const Bytes cardid = takeHostBuffer(data, length);
    ASSERT_EQ(cardid.size(), 16u);
    EXPECT_EQ(cardid, Bytes(CProfile::m_cardnum[reader], CProfile::m_cardnum[reader] + 16));
    EXPECT_NE(cardid, Bytes(16, 0));
    ASSERT_TRUE(CCardData::ReadFile(cd, const_cast<char*>("cardcf"), &data, &length));
    EXPECT_EQ(takeHostBuffer(data, length), Bytes(6, 0));
    ASSERT_TRUE(CCardData::ReadFile(cd, const_cast<char*>("cardapps"), &data, &length));
    EXPECT_EQ(takeHostBuffer(data, length), Bytes({'m', 's', 'c', 'p', 0, 0, 0, 0}));
    EXPECT_FALSE(CCardData::ReadFile(cd, const_cast<char*>("kxc99"), &data, &length));
    EXPECT_EQ(data, nullptr);

    // ---- the built-in PKCS#15 layout ----
    std::unique_ptr<IP15Profile> p15(CCardData::GetP15CardProfile(cd));
    if (c.cardType == 4) {
        ASSERT_NE(p15, nullptr);
        EXPECT_EQ(p15->getCardType(), 10);
    } else if (c.cardType == 7) {
        ASSERT_NE(p15, nullptr);
        EXPECT_EQ(p15->getCardType(), 1);  // neither Telia nor an application in root mode
    } else {
        EXPECT_EQ(p15, nullptr);
    }

    // Every buffer the host gave out came back once.
    EXPECT_TRUE(mdhost::book().live.empty());
    EXPECT_EQ(mdhost::book().badFrees, 0);
    EXPECT_EQ(mdhost::book().allocs, mdhost::book().frees);
    EXPECT_GT(mdhost::book().allocs, 0);
}

namespace {
class LegacyCards : public ::testing::TestWithParam<Pair> {};
}  // namespace

TEST_P(LegacyCards, ServeContainersFilesAndKeysOfEachLayout) {
    const Pair& p = GetParam();
    TwoCards stack(onOsDialect(p.cards[0]->image, p.cards[0]->cardType),
                   onOsDialect(p.cards[1]->image, p.cards[1]->cardType));
    ASSERT_TRUE(stack.ok()) << stack.error();
    CProfile::FreeCertList(nullptr);
    for (int reader = 0; reader < 2; ++reader)
        checkCard(*p.cards[reader], reader);
    // Each reader keeps its own entries.
    EXPECT_EQ(CCardData::GetContNum(0, 0), static_cast<int>(p.cards[0]->certPaths.size()));
    EXPECT_EQ(CCardData::GetContNum(1, 0), static_cast<int>(p.cards[1]->certPaths.size()));
    CProfile::FreeCertList(nullptr);
    EXPECT_EQ(CCardData::GetContNum(0, 0), 0);
    mdhost::resetBook();
}

INSTANTIATE_TEST_SUITE_P(LayoutImages, LegacyCards, ::testing::ValuesIn(kPairs),
                         [](const ::testing::TestParamInfo<Pair>& i) { return std::string(i.param.name); });
