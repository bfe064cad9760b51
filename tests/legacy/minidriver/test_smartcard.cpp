// The legacy card class on the real PC/SC stack: a minidriver host's card data on handles
// of pcscd, the card simulator behind vpcd, and the bytes on the wire.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <cardsim/TestStack.h>

#include "LegacyProfile.h"
#include "MinidriverHost.h"
#include "SC_Profile_Base.h"
#include "SC_Profile_CardOS.h"
#include "SmartCard.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char kImage[] = R"([card]
dialect = iso
atr = 3B BB 18 00 C0 10 31 FE 45 80 67 04 12 B0 03 04 00 10 81 05 2B
protocol = T1
label = legacy test card

[df 3F00/DF01]
[df 3F00/DF06]

[ef 3F00/2F02]
data = 5A 08 11 22 33 44 55 66 77 88
[ef 3F00/DF01/C000]
cert = signer-rsa2048.der
[ef 3F00/DF01/0013]
type = linear-variable
record = A0 01 11
record = A1 02 22 22
record = 80 01 83 9F 22 01 02
[ef 3F00/DF06/5081]
data = 00
[pin 3F00/DF06 81]
value = 123456
encoding = ascii
tries = 3
[pin 3F00/DF01 81]
value = 123456
encoding = format2
tries = 3
[data DF20]
value = 53 53 49 33 50 33 4D 36
[data 0142]
value = 01 02 03 04 05 06 07 08 09 0A
)";

std::string writeImage(const std::string& name, const std::string& text) {
    std::string path = "/tmp/vn-minidriver-" + std::to_string(getpid()) + "-" + name + ".card";
    std::ofstream(path) << text;
    return path;
}

Bytes fileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

bool contains(const Bytes& hay, const Bytes& needle) {
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

// A stack with the test image in both readers; removes its image file when done.
struct Stack {
    std::string image = writeImage("card", kImage);
    cardsim::TestStack stack;
    static cardsim::StackOptions options(const std::string& image) {
        cardsim::StackOptions o;
        o.image0 = image;
        o.image1 = image;
        return o;
    }
    Stack() : stack(options(image)) {}
    ~Stack() { unlink(image.c_str()); }
};

const std::string kSeccos = "Quorvel VN - Seccos";

}  // namespace

TEST(LegacyCardType, EveryLabelGivesItsTypeAndOthersNone) {
    const struct {
        const char* label;
        int type;
        // clang-format off
    } rows[] = {
        {"Quorvel VN - TCOS 2.0", 1},          {"Quorvel VN - TCOS 3.0", 2},
        {"Quorvel VN - Micardo 2.1", 3},       {"Quorvel VN - Micardo 2.1 warm", 3},
        {"Quorvel VN - CardOS 4.3b", 4},       {"Quorvel VN - CardOS 4.3b SuissID", 4},
        {"Quorvel VN - CardOS 4.01a", 8},      {"Quorvel VN - CardOS 4.4", 11},
        {"Quorvel VN - CardOS 5.0", 15},       {"quorvel vn - cardos 5.0", 15},
        {"QUORVEL VN - CARDOS 5.4", 17},       {"Quorvel VN - Starcos 3.0", 5},
        {"Quorvel VN - Starcos 3.2", 9},       {"Quorvel VN - Starcos 3.4", 12},
        {"Quorvel VN - Seccos", 6},            {"Quorvel VN - SetCOS", 7},
        {"Quorvel VN - SetCOS 4.4.2", 10},     {"Quorvel VN - Starcos 3.5", 0},
        {"Quorvel VN - TCOS 3.0v2", 0},        {"Quorvel VN - SmartCard HSM", 0},
        {"Quorvel VN - CardOS 5.0 ", 0},       {"Quorvel VN - CardOS 5", 0},
        {"", 0},
    };
    // clang-format on
    for (const auto& row : rows) {
        std::wstring label = mdhost::wide(row.label);
        EXPECT_EQ(CSmartCard::GetCardType(&label[0]), row.type) << row.label;
    }
    // Letters outside ASCII never fold onto a label.
    std::wstring accented = L"Quorvel VN - Seccos";
    accented[1] = 0x00FC;
    EXPECT_EQ(CSmartCard::GetCardType(&accented[0]), 0);
    EXPECT_EQ(CSmartCard::GetCardType(nullptr), 0);
    // The ATR table of the class: two rows and the end row.
    EXPECT_EQ(CSmartCard::m_ATRTABLE[0].cardType, 1);
    EXPECT_STREQ(CSmartCard::m_ATRTABLE[1].atr, "3B:6F:00:FF:00:68:D2:76:00:00:28:FF:05:1E:31:80:00:90:00");
    EXPECT_EQ(CSmartCard::m_ATRTABLE[2].cardType, 0);
    EXPECT_STREQ(CSmartCard::m_ATRTABLE[2].atr, "");
}

TEST(LegacyCardType, ReaderIdsOutOfRangeTouchNoTable) {
    CSmartCard::ResetCurrPath(7);
    CSmartCard::m_currPath[7][2] = 0xDF;
    CSmartCard::m_currPath[7][3] = 0x07;
    CSmartCard::m_currPathLen[7] = 4;
    CSmartCard::m_keysInitialized[7] = 1;
    unsigned char pathBefore[sizeof CSmartCard::m_currPath];
    std::memcpy(pathBefore, CSmartCard::m_currPath, sizeof pathBefore);
    CSmartCard::ResetCurrPath(8);
    CSmartCard::ResetCurrPath(-1);
    CSmartCard::ResetCurrPath(1 << 20);
    EXPECT_EQ(std::memcmp(pathBefore, CSmartCard::m_currPath, sizeof pathBefore), 0);
    EXPECT_EQ(CSmartCard::m_currPathLen[7], 4);
    EXPECT_EQ(CSmartCard::m_keysInitialized[7], 1);
    // A reader in range is reset to the MF; the keys of every reader count as not initialised.
    CSmartCard::ResetCurrPath(7);
    EXPECT_EQ(CSmartCard::m_currPathLen[7], 2);
    EXPECT_EQ(CSmartCard::m_currPath[7][0], 0x3F);
    EXPECT_EQ(CSmartCard::m_keysInitialized[7], 0);
    // Without card data there is no reader, no card object and nothing to select.
    EXPECT_EQ(CProfile::GetReaderID(nullptr), -1);
    CSmartCard none(nullptr);
    EXPECT_EQ(none.getReaderId(), -1);
    EXPECT_EQ(none.getCardOS(), nullptr);
    EXPECT_EQ(none.SelectPath("3f00", false, true), 255);
    EXPECT_EQ(none.getSerial(), "");
}

TEST(LegacyCardStack, SecondObjectStartsWhereTheFirstLeftAndReadsTheImage) {
    Stack s;
    ASSERT_TRUE(s.stack.ok()) << s.stack.error();
    mdhost::Host host(cardsim::TestStack::readerName(0), kSeccos);
    ASSERT_TRUE(host.ok());
    EXPECT_EQ(CProfile::GetReaderID(host.data()), 0);
    CSmartCard::ResetCurrPath(0);

    {
        CSmartCard first(host.data());
        EXPECT_EQ(first.GetCardType(), 6);
        EXPECT_EQ(first.getReaderId(), 0);
        ASSERT_NE(first.getCardOS(), nullptr);
        EXPECT_EQ(first.GetSCardHandle(), host.data()->hScard);
        EXPECT_EQ(first.GetProtocol(), static_cast<unsigned long>(SCARD_PROTOCOL_T1));
        ASSERT_EQ(first.SelectPath("3f00df01", false, true), 0);
    }
    // The reader's table holds the DF the first object left selected.
    ASSERT_EQ(CSmartCard::m_currPathLen[0], 4);
    EXPECT_EQ(Bytes(CSmartCard::m_currPath[0], CSmartCard::m_currPath[0] + 4), (Bytes{0x3F, 0x00, 0xDF, 0x01}));

    s.stack.mark(0);
    CSmartCard second(host.data());
    ASSERT_EQ(second.SelectPath("3f00df01", false, true), 0);
    EXPECT_EQ(s.stack.exchanges(0).size(), 0u) << "the DF is selected already";
    ASSERT_EQ(second.SelectPath("3f00df01c000", false, false), 0);
    auto x = s.stack.exchanges(0);
    ASSERT_EQ(x.size(), 1u);
    EXPECT_EQ(x[0].command[1], 0xA4);
    EXPECT_TRUE(contains(x[0].command, Bytes{0x02, 0xC0, 0x00})) << "only the file below the DF is selected";
    EXPECT_FALSE(contains(x[0].command, Bytes{0x3F, 0x00}));

    // The certificate file as the image holds it.
    const Bytes cert = fileBytes(cardsim::defaultPkiDir() + "/signer-rsa2048.der");
    ASSERT_GT(cert.size(), 256u);
    std::vector<unsigned char> buffer(4096);
    unsigned short length = static_cast<unsigned short>(buffer.size());
    ASSERT_EQ(second.ReadFile(buffer.data(), &length), 0);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + length), cert);
    // A part of it at an offset, after the file is selected again (its size comes from
    // the answer to SELECT): only the file is sent again.
    s.stack.mark(0);
    ASSERT_EQ(second.SelectPath("3f00df01c000", false, false), 0);
    EXPECT_EQ(s.stack.exchanges(0).size(), 1u);
    length = static_cast<unsigned short>(buffer.size());
    ASSERT_EQ(second.ReadFileOffset(buffer.data(), &length, 100, 50), 0);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + length), Bytes(cert.begin() + 100, cert.begin() + 150));

    // Records of a record file beside it, again without the MF.
    s.stack.mark(0);
    ASSERT_EQ(second.SelectPath("3f00df010013", false, false), 0);
    EXPECT_EQ(s.stack.exchanges(0).size(), 1u);
    length = static_cast<unsigned short>(buffer.size());
    ASSERT_EQ(second.ReadRecord(2, buffer.data(), &length), 0);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + length), (Bytes{0xA1, 0x02, 0x22, 0x22}));

    // GET DATA of a SECCOS card: 00 CA DF p1.
    s.stack.mark(0);
    unsigned char data[255];
    unsigned char dataLength = sizeof data;
    ASSERT_EQ(second.GetData(0x20, 0, data, &dataLength), 0);
    EXPECT_EQ(Bytes(data, data + dataLength), (Bytes{0x53, 0x53, 0x49, 0x33, 0x50, 0x33, 0x4D, 0x36}));
    x = s.stack.exchanges(0);
    ASSERT_EQ(x.size(), 1u);
    EXPECT_EQ(x[0].command, (Bytes{0x00, 0xCA, 0xDF, 0x20, 0x00}));
    // A short buffer gets what fits.
    dataLength = 3;
    ASSERT_EQ(second.GetData(0x20, 0, data, &dataLength), 0);
    EXPECT_EQ(Bytes(data, data + dataLength), (Bytes{0x53, 0x53, 0x49}));

    // The serial number file's content after its tag.
    EXPECT_EQ(second.getSerial(), "1122334455667788");

    // The second reader is reader 1.
    mdhost::Host other(cardsim::TestStack::readerName(1), kSeccos);
    ASSERT_TRUE(other.ok());
    EXPECT_EQ(CProfile::GetReaderID(other.data()), 1);
    CSmartCard onOther(other.data());
    EXPECT_EQ(onOther.getReaderId(), 1);
    // Card data whose handle names no reader falls back to reader 0.
    CARD_DATA lost = *other.data();
    lost.hScard = 0;
    EXPECT_EQ(CProfile::GetReaderID(&lost), 0);
}

TEST(LegacyCardStack, LabelsChooseTheCardObjectAndItsCommands) {
    Stack s;
    ASSERT_TRUE(s.stack.ok()) << s.stack.error();
    mdhost::Host host(cardsim::TestStack::readerName(0), "Quorvel VN - Starcos 3.5");
    ASSERT_TRUE(host.ok());
    CSmartCard::ResetCurrPath(0);
    s.stack.mark(0);
    {
        // A card type without a card object here: nothing reaches the card.
        CSmartCard starcos35(host.data());
        EXPECT_EQ(starcos35.GetCardType(), 0);
        EXPECT_EQ(starcos35.getCardOS(), nullptr);
        EXPECT_EQ(starcos35.SelectPath("3f00df01", false, true), 255);
        unsigned char buffer[64];
        unsigned short length = sizeof buffer;
        EXPECT_NE(starcos35.ReadFile(buffer, &length), 0);
        unsigned char small = sizeof buffer;
        EXPECT_NE(starcos35.GetData(0x20, 0, buffer, &small), 0);
        EXPECT_EQ(starcos35.getSerial(), "");
        EXPECT_EQ(starcos35.SetSMKeys(buffer, 16, buffer, 16), 0);
        EXPECT_FALSE(starcos35.IsNullPIN());
    }
    EXPECT_EQ(s.stack.exchanges(0).size(), 0u);
    EXPECT_EQ(CSmartCard::m_currPathLen[0], 2);

    // The CardOS 5.0 label in lower case.
    host.setLabel("quorvel vn - cardos 5.0");
    {
        CSmartCard cardos(host.data());
        EXPECT_EQ(cardos.GetCardType(), 15);
        ASSERT_NE(cardos.getCardOS(), nullptr);
        EXPECT_EQ(cardos.getCardOS()->getCardType(), 15);
    }

    // CardOS 4.01a and SetCOS 4.4.2 have no card object here; the STARCOS 3.4 object
    // starts without a security environment. Making them sends nothing.
    s.stack.mark(0);
    for (const char* label : {"Quorvel VN - CardOS 4.01a", "Quorvel VN - SetCOS 4.4.2"}) {
        host.setLabel(label);
        CSmartCard none(host.data());
        EXPECT_NE(none.GetCardType(), 0) << label;
        EXPECT_EQ(none.getCardOS(), nullptr) << label;
    }
    host.setLabel("Quorvel VN - Starcos 3.4");
    {
        CSmartCard starcos34(host.data());
        auto* os = dynamic_cast<CSC_Profile_StarCos34*>(starcos34.getCardOS());
        ASSERT_NE(os, nullptr);
        EXPECT_FALSE(os->isSecurityEnvironmentSet());
    }
    EXPECT_EQ(s.stack.exchanges(0).size(), 0u);

    // SetCOS 4.4.1: GET DATA 00 CA 01 p1 with p2 as the expected length.
    host.setLabel("Quorvel VN - SetCOS");
    {
        CSmartCard setcos(host.data());
        s.stack.mark(0);
        unsigned char data[255];
        unsigned char length = sizeof data;
        ASSERT_EQ(setcos.GetData(0x42, 0x0A, data, &length), 0);
        EXPECT_EQ(Bytes(data, data + length), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
        auto x = s.stack.exchanges(0);
        ASSERT_EQ(x.size(), 1u);
        EXPECT_EQ(x[0].command, (Bytes{0x00, 0xCA, 0x01, 0x42, 0x0A}));
    }

    // TCOS 2.0: the null-PIN test selects the PIN file and asks the PIN's status.
    host.setLabel("Quorvel VN - TCOS 2.0");
    {
        CSmartCard tcos(host.data());
        EXPECT_EQ(tcos.GetCardType(), 1);
        s.stack.mark(0);
        EXPECT_FALSE(tcos.IsNullPIN());  // 63C3: a PIN in use
        auto x = s.stack.exchanges(0);
        ASSERT_GE(x.size(), 2u);
        EXPECT_EQ(x.back().command, (Bytes{0x00, 0x20, 0x00, 0x81}));
        EXPECT_EQ(x.back().response, (Bytes{0x63, 0xC3}));
        EXPECT_TRUE(contains(x[x.size() - 2].command, Bytes{0x00, 0xA4, 0x02, 0x00, 0x02, 0x50, 0x81}));
        // Once the PIN is verified the card no longer tells its tries.
        unsigned char pin[] = {'1', '2', '3', '4', '5', '6'};
        ASSERT_EQ(tcos.VerifyPassword("", 0x81, pin, sizeof pin), 0);
        EXPECT_TRUE(tcos.IsNullPIN());
        // A control code the reader does not know is a failure.
        EXPECT_EQ(tcos.TC_GetKey(SCARD_CTL_CODE(3400)), 255);
    }
}

TEST(LegacyCardStack, FurtherOperationsReachTheCardThroughTheCardObject) {
    Stack s;
    ASSERT_TRUE(s.stack.ok()) << s.stack.error();
    mdhost::Host host(cardsim::TestStack::readerName(0), kSeccos);
    ASSERT_TRUE(host.ok());
    CSmartCard::ResetCurrPath(0);
    CSmartCard card(host.data());
    ASSERT_NE(card.getCardOS(), nullptr);

    char text[] = "3f00/df01";
    unsigned char path[136];
    unsigned int pathLength = 0;
    ASSERT_TRUE(card.ConvertPath(text, path, &pathLength));
    EXPECT_EQ(Bytes(path, path + pathLength), (Bytes{0x3F, 0x00, 0xDF, 0x01}));

    // The file's size from the answer to SELECT.
    ASSERT_EQ(card.SelectPath("3f00df01c000", false, false), 0);
    const Bytes cert = fileBytes(cardsim::defaultPkiDir() + "/signer-rsa2048.der");
    EXPECT_EQ(card.GetFileLen(), static_cast<int>(cert.size()));
    unsigned char part[16];
    ASSERT_EQ(card.SCReadFile(part, 4, sizeof part), 0);
    EXPECT_EQ(Bytes(part, part + sizeof part), Bytes(cert.begin() + 4, cert.begin() + 4 + sizeof part));

    // Selecting the MF goes to the card and into the reader's cache.
    s.stack.mark(0);
    EXPECT_EQ(card.SCSelectMF(), 0);
    auto x = s.stack.exchanges(0);
    ASSERT_EQ(x.size(), 1u);
    EXPECT_TRUE(contains(x[0].command, Bytes{0x3F, 0x00}));

    // A challenge of 8 bytes.
    s.stack.mark(0);
    unsigned char challenge[8] = {};
    ASSERT_EQ(card.GetChallange(challenge, sizeof challenge), 0);
    x = s.stack.exchanges(0);
    ASSERT_EQ(x.size(), 1u);
    EXPECT_EQ(x[0].command, (Bytes{0x00, 0x84, 0x00, 0x00, 0x08}));
    EXPECT_EQ(Bytes(challenge, challenge + 8), Bytes(x[0].response.begin(), x[0].response.begin() + 8));

    // PIN commands with the PIN given: a wrong PIN, the right one, a change (format-2
    // PIN blocks, as SECCOS takes them).
    unsigned char wrong[] = {'0', '0', '0', '0', '0', '0'};
    unsigned char right[] = {'1', '2', '3', '4', '5', '6'};
    unsigned char next[] = {'6', '5', '4', '3', '2', '1'};
    s.stack.mark(0);
    EXPECT_NE(card.VerifyPassword("3f00df01c000", 0x81, wrong, sizeof wrong), 0);
    x = s.stack.exchanges(0);
    ASSERT_FALSE(x.empty());
    EXPECT_EQ(x.back().command, (Bytes{0x00, 0x20, 0x00, 0x81, 0x08, 0x26, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(x.back().response, (Bytes{0x63, 0xC2}));
    EXPECT_EQ(card.VerifyPassword("3f00df01c000", 0x81, right, sizeof right), 0);
    EXPECT_EQ(card.ModifyPassword("3f00df01c000", 0x81, right, sizeof right, next, sizeof next), 0);
    EXPECT_NE(card.VerifyPassword("3f00df01c000", 0x81, right, sizeof right), 0);
    EXPECT_EQ(card.VerifyPassword("3f00df01c000", 0x81, next, sizeof next), 0);

    // A reset of the card forgets the reader's directory cache.
    ASSERT_EQ(card.SelectPath("3f00df01", false, true), 0);
    EXPECT_EQ(CSmartCard::m_currPathLen[0], 4);
    EXPECT_EQ(card.ResetCard(), 0);
    EXPECT_EQ(CSmartCard::m_currPathLen[0], 2);
    s.stack.mark(0);
    ASSERT_EQ(card.SelectPath("3f00df01c000", false, false), 0);
    x = s.stack.exchanges(0);
    ASSERT_EQ(x.size(), 3u) << "the MF, the DF and the file after the reset";
    EXPECT_TRUE(contains(x[0].command, Bytes{0x3F, 0x00}));
}
