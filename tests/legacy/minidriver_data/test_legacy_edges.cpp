// Edges of the legacy tables and the minidriver card data: container names, the file
// table, the eleventh certificate, an empty card, a host allocator that gives nothing,
// the virtual file types, the userCertificate wrapper and the built-in PKCS#15 tables.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CertInfoSC.h"
#include "ConfigSC.h"
#include "LegacyCards.h"
#include "LegacyProfile.h"
#include "MinidriverCardData.h"
#include "P15Profile.h"
#include "ProfileTypes.h"

using namespace legacytest;

namespace {
int addRow(CProfile& p, int n, bool ca = false) {
    char path[32];
    std::snprintf(path, sizeof path, "3f00df01c%03d", n);
    return p.AddCert(7, path, 0, 0, "3f00df015331", "3f00df015081", 129, 129, 2048, 64, "Signature", false, ca, 1);
}

struct TableSnapshot {
    std::vector<unsigned char> certs, files;
    int certnum, filenum;
    explicit TableSnapshot(int r)
        : certs(reinterpret_cast<unsigned char*>(CProfile::m_certinfo[r]),
                reinterpret_cast<unsigned char*>(CProfile::m_certinfo[r]) + sizeof CProfile::m_certinfo[r]),
          files(reinterpret_cast<unsigned char*>(CProfile::m_cardfile[r]),
                reinterpret_cast<unsigned char*>(CProfile::m_cardfile[r]) + sizeof CProfile::m_cardfile[r]),
          certnum(CProfile::m_certnum[r]),
          filenum(CProfile::m_cardfilenum[r]) {}
    bool operator==(const TableSnapshot& o) const {
        return certs == o.certs && files == o.files && certnum == o.certnum && filenum == o.filenum;
    }
};

class LegacyEdges : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_stack = new TwoCards(onOsDialect(kSetcos.image, kSetcos.cardType),
                               onOsDialect(kCardos43.image, kCardos43.cardType));
    }
    static void TearDownTestSuite() {
        delete s_stack;
        s_stack = nullptr;
        CProfile::FreeCertList(nullptr);
        mdhost::resetBook();
    }
    void SetUp() override {
        ASSERT_TRUE(s_stack->ok()) << s_stack->error();
        mdhost::resetBook();
    }
    static TwoCards* s_stack;
};
TwoCards* LegacyEdges::s_stack = nullptr;
}  // namespace

// The SetCOS PKCS#15 card in reader 0 and the CardOS 4.3 card in reader 1.
TEST_F(LegacyEdges, SetcosAndCardos43Layouts) {
    checkCard(kSetcos, 0);
    checkCard(kCardos43, 1);
}

// Entries added by hand on reader 1 (CardOS 4.3, two readers): the container name
// carries CA flag, reader and reader count, card type and index; each entry owns four
// files; three entries make a 504-byte container map; an eleventh is refused and
// leaves the tables as they were.
TEST_F(LegacyEdges, EntriesNamesFilesAndTheEleventhCertificate) {
    mdhost::Host host(TwoCards::reader(1), "Quorvel VN - CardOS 4.3b");
    ASSERT_TRUE(host.ok());
    CProfile p(host.data());
    ASSERT_EQ(p.getReaderId(), 1);
    ASSERT_EQ(p.getReaderNum(), 2);
    CProfile::m_initialized[1] = true;
    p.ClearCertList();
    EXPECT_EQ(std::wstring(CProfile::m_certinfo[1][0].containerName), L"{2e0caa00-0efd-11dc-8314-0800200c9a66}");
    ASSERT_EQ(addRow(p, 0), 1);
    ASSERT_EQ(addRow(p, 1), 1);
    ASSERT_EQ(addRow(p, 2, true), 1);
    EXPECT_EQ(std::wstring(CProfile::m_certinfo[1][2].containerName), L"2e0c1542-0efd-11dc-8314-0800200c9a66");
    EXPECT_EQ(std::wstring(CProfile::m_certinfo[1][0].containerName), L"2e0c0540-0efd-11dc-8314-0800200c9a66");
    ASSERT_EQ(CProfile::m_cardfilenum[1], 12);
    const char* names[] = {"kxc00", "ksc00", "kxp00", "ksp00"};
    const char* paths[] = {"3f00df01c000", "3f00df01c000", "3f00df015331", "3f00df015331"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(CProfile::m_cardfile[1][i].name, names[i]);
        EXPECT_STREQ(CProfile::m_cardfile[1][i].path, paths[i]);
    }
    EXPECT_STREQ(CProfile::m_cardfile[1][8].name, "kxc02");
    const CProfileCertEntry& e = CProfile::m_certinfo[1][2];
    EXPECT_EQ(e.cardType, 4u);
    EXPECT_EQ(e.profileType, 7u);
    EXPECT_EQ(e.index, 2u);
    EXPECT_EQ(e.valid, 1u);
    EXPECT_EQ(e.keyExKeySize, 2048);
    EXPECT_EQ(e.sigKeySize, 0);
    EXPECT_STREQ(e.pinName, "Signature");

    unsigned char* maps = nullptr;
    unsigned long length = 0;
    ASSERT_EQ(CCardData::GetContainerMaps(host.data(), &maps, &length), 1);
    EXPECT_EQ(length, 504u);
    mdhost::hostFree(maps);

    char out[64];
    ASSERT_EQ(CCardData::GetKeyPath(host.data(), 1, out), 1);
    EXPECT_STREQ(out, "3f00df015331");
    ASSERT_EQ(CCardData::GetPINPath(host.data(), 1, out), 1);
    EXPECT_STREQ(out, "3f00df015081");
    EXPECT_EQ(CCardData::GetPINPath(host.data(), 3, out), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(CCardData::GetCertFileName(host.data(), 3, out), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(CCardData::GetFileIndex(host.data()), -1);

    // Paths longer than their fields are cut and terminated.
    const std::string longPath(200, 'a');
    ASSERT_EQ(p.AddCert(7, longPath.c_str(), 0, 0, longPath.c_str(), longPath.c_str(), 1, 1, 2048, 64, longPath.c_str(),
                        false, false, 1),
              1);
    EXPECT_EQ(std::strlen(CProfile::m_certinfo[1][3].certPath), 51u);
    EXPECT_EQ(std::strlen(CProfile::m_certinfo[1][3].keyPath), 43u);
    EXPECT_EQ(std::strlen(CProfile::m_certinfo[1][3].pinPath), 47u);
    EXPECT_EQ(std::strlen(CProfile::m_certinfo[1][3].pinName), 39u);
    EXPECT_EQ(std::strlen(CProfile::m_cardfile[1][12].path), 39u);

    for (int n = 4; n < 10; ++n)
        ASSERT_EQ(addRow(p, n), 1);
    const TableSnapshot before(1);
    EXPECT_EQ(addRow(p, 10), 0);
    EXPECT_TRUE(TableSnapshot(1) == before);
    EXPECT_EQ(CProfile::m_certnum[1], 10);
    EXPECT_EQ(CProfile::m_cardfilenum[1], 40);

    // An entry for a container the host made takes its name, flags and sizes.
    p.ClearCertList();
    CONTAINERMAPRECORD rec;
    std::memset(&rec, 0, sizeof rec);
    for (wchar_t& ch : rec.GuidInfo)
        ch = L'x';  // not terminated: the entry cuts it
    rec.Flags = 1;
    rec.ui16KeyExchangeKeySize = 2048;
    ASSERT_EQ(p.AddEmptyCert(&rec), 1);
    EXPECT_EQ(std::wstring(CProfile::m_certinfo[1][0].containerName), std::wstring(39, L'x'));
    CONTAINER_INFO info;
    EXPECT_EQ(CCardData::GetContainerInfo(host.data(), 0, &info), 1);  // no certificate, no key
    EXPECT_EQ(info.cbKeyExPublicKey, 0u);
    EXPECT_EQ(info.pbKeyExPublicKey, nullptr);
    unsigned char* data = nullptr;
    EXPECT_FALSE(CCardData::ReadFile(host.data(), const_cast<char*>("kxc00"), &data, &length));
    p.ClearCertList();
    EXPECT_TRUE(mdhost::book().live.empty());
    EXPECT_EQ(mdhost::book().badFrees, 0);
}

// A card without any layout of its type (the SetCOS card taken for a STARCOS 3.0 one):
// no entries, no directory, a map of nothing, and still the serial number.
TEST_F(LegacyEdges, CardWithoutLayoutHasNoFiles) {
    mdhost::Host host(TwoCards::reader(0), "Quorvel VN - Starcos 3.0");
    ASSERT_TRUE(host.ok());
    CProfile p(host.data());
    ASSERT_EQ(p.getReaderId(), 0);
    EXPECT_EQ(p.GetProfile(), CP_SIGNTRUST2K);
    EXPECT_EQ(CCardData::GetContNum(0, 5), 0);
    char* list = nullptr;
    unsigned long length = 7;
    EXPECT_EQ(CCardData::GetDirectory(host.data(), const_cast<char*>("mscp"), &list, &length),
              static_cast<long>(0x80100024));
    EXPECT_EQ(list, nullptr);
    unsigned char* maps = nullptr;
    EXPECT_EQ(CCardData::GetContainerMaps(host.data(), &maps, &length), 1);
    EXPECT_EQ(maps, nullptr);
    EXPECT_EQ(length, 0u);
    void* serial = nullptr;
    ASSERT_EQ(CCardData::ReadSerial(host.data(), &serial, &length), 1);
    EXPECT_EQ(
        std::vector<unsigned char>(static_cast<unsigned char*>(serial), static_cast<unsigned char*>(serial) + length),
        contentsOf(imageText(kSetcos.image)).serialFile);
    mdhost::hostFree(serial);
    EXPECT_EQ(mdhost::book().allocs, 1);
    EXPECT_EQ(mdhost::book().frees, 1);
}

// A host whose allocator gives nothing: every operation fails cleanly and writes
// through no null pointer.
TEST_F(LegacyEdges, AllocatorGivingNothingFails) {
    mdhost::Host host(TwoCards::reader(1), "Quorvel VN - CardOS 4.3b");
    ASSERT_TRUE(host.ok());
    CProfile p(host.data());
    CProfile::m_initialized[1] = true;
    p.ClearCertList();
    ASSERT_EQ(p.AddCert(CP_DTRUST_CARD, "3f00501543044301", 0, 0, "3f00501550724B010101", "3f00501550724B010101", 1, 1,
                        2048, 128, "Cipher", false, false, 3),
              1);
    for (bool nullFunction : {true, false}) {
        SCOPED_TRACE(nullFunction ? "no allocation function" : "allocation answers null");
        if (nullFunction)
            host.data()->pfnCspAlloc = nullptr;
        else
            host.data()->pfnCspAlloc = mdhost::hostAlloc;
        mdhost::book().failNext = nullFunction ? 0 : 100;
        unsigned char* data = reinterpret_cast<unsigned char*>(1);
        unsigned long length = 5;
        EXPECT_EQ(CCardData::GetContainerMaps(host.data(), &data, &length), 0);
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(length, 0u);
        EXPECT_FALSE(CCardData::ReadFile(host.data(), const_cast<char*>("kxc00"), &data, &length));
        EXPECT_FALSE(CCardData::ReadFile(host.data(), const_cast<char*>("cardid"), &data, &length));
        EXPECT_EQ(data, nullptr);
        char* list = nullptr;
        EXPECT_EQ(CCardData::GetDirectory(host.data(), const_cast<char*>("mscp"), &list, &length),
                  static_cast<long>(SCARD_E_NO_MEMORY));
        EXPECT_EQ(list, nullptr);
        void* serial = nullptr;
        EXPECT_EQ(CCardData::ReadSerial(host.data(), &serial, &length), 0);
        CONTAINER_INFO info;
        EXPECT_EQ(CCardData::GetContainerInfo(host.data(), 0, &info), 0);
        EXPECT_EQ(info.pbKeyExPublicKey, nullptr);
        unsigned char blob[40] = {6, 2};
        CONTAINER_INFO in = {1, 0, sizeof blob, blob, sizeof blob, blob};
        CONTAINER_INFO out;
        std::memset(&out, 0, sizeof out);
        EXPECT_EQ(CCardData::CopyContainerInfo(host.data(), &out, &in), 0);
        EXPECT_EQ(out.pbSigPublicKey, nullptr);
        EXPECT_TRUE(mdhost::book().live.empty());
    }
    mdhost::book().failNext = 0;
    // One allocation, then none: the first blob of a copy goes back to the host.
    host.data()->pfnCspAlloc = mdhost::hostAlloc;
    unsigned char blob[40] = {6, 2};
    CONTAINER_INFO in = {1, 0, sizeof blob, blob, sizeof blob, blob};
    CONTAINER_INFO out;
    std::memset(&out, 0, sizeof out);
    mdhost::book() = mdhost::Allocations();
    struct FailSecond {
        static void* alloc(size_t n) { return mdhost::book().allocs == 0 ? mdhost::hostAlloc(n) : nullptr; }
    };
    host.data()->pfnCspAlloc = FailSecond::alloc;
    EXPECT_EQ(CCardData::CopyContainerInfo(host.data(), &out, &in), 0);
    EXPECT_EQ(mdhost::book().allocs, 1);
    EXPECT_EQ(mdhost::book().frees, 1);
    EXPECT_TRUE(mdhost::book().live.empty());
}

TEST(MinidriverFiles, FileTypesByNameAndPrefix) {
    struct {
        const char* name;
        int type;
    } rows[] = {{"cardid", 0}, {"cardcf", 1}, {"cardapps", 2}, {"cmapfile", 3}, {"cardidx", -1},
                {"cardi", -1}, {"kxc07", 4},  {"ksc00", 5},    {"kxp01", 6},    {"kxs02", 7},
                {"ksp03", 8},  {"kss04", 9},  {"kx", -1},      {"", -1},        {"mscp", -1}};
    for (const auto& r : rows)
        EXPECT_EQ(CCardData::GetFileType(const_cast<char*>(r.name)), r.type) << r.name;
    EXPECT_EQ(CCardData::GetFileType(nullptr), -1);
    char name[] = "keep";
    EXPECT_EQ(CCardData::GetFileName(0, 0, 0, name), 1);
    EXPECT_STREQ(name, "keep");
}

// 30 82 01 00 06 03 55 04 24 30 82 ...: the certificate behind the OID moves to the front
// and the length becomes its own; truncated or odd input keeps its bytes in bounds.
TEST(MinidriverFiles, CorrectCertDropsTheUserCertificateWrapper) {
    std::vector<unsigned char> cert = {0x30, 0x82, 0x00, 0x04, 0x30, 0x02, 0x05, 0x00};
    std::vector<unsigned char> buf = {0x30, 0x82, 0x01, 0x00, 0x06, 0x03, 0x55, 0x04, 0x24};
    buf.insert(buf.end(), cert.begin(), cert.end());
    buf.resize(buf.size() + 20, 0xEE);
    unsigned short length = static_cast<unsigned short>(buf.size());
    CCertInfoSC::CorrectCert(buf.data(), &length);
    EXPECT_EQ(length, cert.size());
    EXPECT_EQ(std::vector<unsigned char>(buf.begin(), buf.begin() + length), cert);

    std::vector<unsigned char> plain = {0x30, 0x03, 0x02, 0x01, 0x05, 0xFF, 0xFF};
    length = static_cast<unsigned short>(plain.size());
    CCertInfoSC::CorrectCert(plain.data(), &length);
    EXPECT_EQ(length, 5);
    // A length beyond the data keeps what is there.
    std::vector<unsigned char> cut = {0x30, 0x82, 0x10, 0x00, 0x06, 0x03, 0x55, 0x04, 0x24, 0x30, 0x82, 0x20, 0x00};
    length = static_cast<unsigned short>(cut.size());
    CCertInfoSC::CorrectCert(cut.data(), &length);
    EXPECT_EQ(length, 4);
    EXPECT_EQ(cut[0], 0x30);
    std::vector<unsigned char> notDer = {0x04, 0x02, 0x01, 0x02};
    length = 4;
    CCertInfoSC::CorrectCert(notDer.data(), &length);
    EXPECT_EQ(length, 4);
}

// The lookups of the built-in PKCS#15 tables: by key kind (signature or exchange), by
// certificate name, and indexes outside a table, which give the empty answer instead of
// reading past it.
TEST(P15Profiles, LookupsAndIndexesOutsideTheTables) {
    CP15Profile_Telia telia;
    EXPECT_EQ(telia.getKeyPathBySpec(2), "3f00/5015/5016/4b02");
    EXPECT_EQ(telia.getKeyPathBySpec(1), "3f00/5015/4b01");
    EXPECT_EQ(telia.getKeyAuthIdBySpec(2), 2);
    EXPECT_EQ(telia.getKeyNameBySpec(0), "PrK#1");
    EXPECT_EQ(telia.getCertId(std::string("Signature Cert")), 70);
    EXPECT_EQ(telia.getCertId(std::string("nothing")), 0);
    EXPECT_EQ(telia.getPinRef(telia.getPinNum()), 0);
    EXPECT_EQ(telia.getKeyPath(-1), "");
    EXPECT_EQ(telia.getCertPath(10), "");

    CP15Profile_CardOS43b cardos;
    EXPECT_EQ(cardos.getKeyNum(), 1);
    EXPECT_EQ(cardos.getKeyPath(1), "");
}
