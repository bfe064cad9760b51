// Certificate listings through the reader facade on the real PC/SC stack: how many
// commands the first and a second listing send on every card image (against OpenSC's
// pkcs15-tool on the PKCS#15 images), and that the kept profile goes with its card.
#include <gtest/gtest.h>

#include <PCSC/winscard.h>

#include <openssl/x509.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <cardsim/TestStack.h>

#include "SCUtils.h"
#include "cardapp/ProfileCache.h"
#include "support/Command.h"

namespace {

struct Listing {
    int entries = 0;
    std::vector<std::string> labels;
    std::vector<std::vector<uint8_t>> der;
    size_t commands = 0;
    std::vector<cardsim::TranscriptEntry> exchanges;
};

// Lists the certificates of reader 0 with their DER and counts the commands it sent.
Listing list(cardsim::TestStack& stack) {
    stack.mark(0);
    Listing l;
    CSCUtils u;
    u.setReader(0);
    l.entries = u.GetCertIDs();
    for (int i = 0; i < u.numCerts; ++i) {
        l.labels.push_back(u.certLabels[i]);
        l.der.emplace_back(u.certData[i], u.certData[i] + u.certDataLen[i]);
    }
    l.exchanges = stack.exchanges(0);
    l.commands = l.exchanges.size();
    return l;
}

// The files from whose start the listing read the certificate, one entry per read:
// READ BINARY answers at offset 0 (the odd instruction's data after its 53 header) that
// begin with its first bytes, each named by the selections before it (MF, child
// directories, the file; a path from the MF; an application) as far as the commands
// tell. A file read twice (presence test and listing, or two detections) is named twice.
std::vector<std::string> filesReadFromStart(const Listing& l, const std::vector<uint8_t>& der) {
    const size_t kHead = 32;
    const size_t n = der.size() < kHead ? der.size() : kHead;
    std::vector<std::string> files;
    std::string dir = "?", file = "?";
    auto hex = [](std::vector<uint8_t>::const_iterator from, std::vector<uint8_t>::const_iterator to) {
        std::string t;
        char b[3];
        for (auto it = from; it != to; ++it) {
            std::snprintf(b, sizeof b, "%02X", *it);
            t += b;
        }
        return t;
    };
    for (const auto& e : l.exchanges) {
        const auto& c = e.command;
        if (c.size() < 4)
            continue;
        const size_t lc = c.size() > 5 ? c[4] : 0;
        const auto data = c.begin() + 5, end = c.size() >= 5 + lc ? c.begin() + 5 + static_cast<long>(lc) : c.end();
        if (c[1] == 0xA4) {
            const std::string id = c.size() > 5 ? hex(data, end) : "";
            if (c[2] == 0x00 && (id.empty() || id == "3F00"))
                dir = file = "3F00";
            else if (c[2] == 0x01)
                dir = file = dir + id;
            else if (c[2] == 0x04)
                dir = file = "AID" + id;
            else if (c[2] == 0x08)
                file = "3F00" + id;
            else
                file = dir + id;
            continue;
        }
        if (c[1] != 0xB0 && c[1] != 0xB1)
            continue;
        const std::string read =
            c[1] == 0xB1 && !(c[2] == 0 && c[3] == 0) ? dir + hex(c.begin() + 2, c.begin() + 4) : file;
        const bool atStart = c[1] == 0xB0 ? (c[2] == 0 && c[3] == 0) : c.size() >= 9 && c[7] == 0 && c[8] == 0;
        size_t at = 0;
        const auto& r = e.response;
        if (c[1] == 0xB1 && r.size() > 2 && r[0] == 0x53)
            at = r[1] < 0x80 ? 2 : 2 + (r[1] & 0x7Fu);
        if (atStart && r.size() >= at + n + 2 &&
            std::equal(der.begin(), der.begin() + static_cast<long>(n), r.begin() + static_cast<long>(at)))
            files.push_back(read);
    }
    return files;
}

std::string run(const std::string& command) { return runCommand(command).output; }

// Commands of "pkcs15-tool -c" on reader 0, and how many certificates it lists.
size_t openscCount(cardsim::TestStack& stack, int& found) {
    stack.mark(0);
    const std::string out = run("timeout 60 pkcs15-tool --reader 0 -c");
    found = 0;
    for (size_t at = out.find("X.509 Certificate"); at != std::string::npos; at = out.find("X.509 Certificate", at + 1))
        ++found;
    return stack.commandCount(0);
}

// What pkcs15-tool reads of an image: nothing, or a PKCS#15 application that the first
// listing reads with at most as many commands.
enum Opensc { kNoPkcs15, kAtMostOpensc };

// One image: what OpenSC reads of it, the most commands the first listing may send, whether
// its profile is kept, and whether it is one of the images
// every run tries (one per card family and layout kind; VN_ALL_IMAGES=1 tries them all).
struct Row {
    const char* image;
    Opensc opensc;
    size_t firstAtMost;
    bool kept;
    bool everyRun;
};

bool parses(const std::vector<uint8_t>& der) {
    const unsigned char* p = der.data();
    X509* x = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
    const bool whole = x != nullptr && p == der.data() + der.size();
    X509_free(x);
    return whole;
}

const Row kRows[] = {
#include "ListingBounds.inc"
};

// The second listing asks the card only for its serial, from the MF the first one left
// selected.
const size_t kSecondAtMost = 2;

}  // namespace

TEST(ProfileCacheStack, ListingsStayWithinTheirCommandBoundsOnEveryImage) {
    // VN_ALL_IMAGES=1 tries every image, VN_IMAGES="a b" the images named.
    const char* all = std::getenv("VN_ALL_IMAGES");
    const bool everyImage = all != nullptr && std::string(all) == "1";
    const char* named = std::getenv("VN_IMAGES");
    const std::string wanted = named != nullptr ? " " + std::string(named) + " " : "";
    std::vector<Row> rows;
    for (const Row& row : kRows)
        if (named != nullptr ? wanted.find(" " + std::string(row.image) + " ") != std::string::npos
                             : everyImage || row.everyRun)
            rows.push_back(row);
    ASSERT_FALSE(rows.empty()) << "no image of that name";
    cardsim::StackOptions o;
    o.image0 = rows.front().image;
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    std::ofstream table(std::string(VN_BINARY_DIR) + "/profile-cache-counts.txt");
    table << "image certificates pkcs15-tool first second\n";
    bool firstRow = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.image);
        if (!firstRow) {
            ASSERT_TRUE(stack.remove(0));
            ASSERT_TRUE(stack.insert(0, row.image));
        }
        firstRow = false;
        size_t opensc = 0;
        int found = 0;
        if (row.opensc != kNoPkcs15) {
            opensc = openscCount(stack, found);
            EXPECT_GT(found, 0) << "pkcs15-tool lists no certificate";
        }
        const Listing first = list(stack);
        const Listing second = list(stack);
        table << row.image << " " << first.entries << " " << (row.opensc != kNoPkcs15 ? std::to_string(opensc) : "-")
              << " " << first.commands << " " << second.commands << "\n";
        EXPECT_LE(first.commands, row.firstAtMost);
        // One detection and one read of each certificate file: no certificate file is
        // read from its start twice.
        for (const auto& der : first.der) {
            std::vector<std::string> files = filesReadFromStart(first, der);
            std::sort(files.begin(), files.end());
            EXPECT_TRUE(std::adjacent_find(files.begin(), files.end()) == files.end())
                << "a certificate file was read twice: " << ::testing::PrintToString(files);
        }
        if (row.opensc != kNoPkcs15) {
            // The library lists the certificates that have a key on the card.
            EXPECT_GT(first.entries, 0);
            EXPECT_LE(first.entries, found);
        }
        if (row.opensc == kAtMostOpensc) {
            EXPECT_LE(first.commands, opensc);
        }
        // Only a card with certificates and a serial is kept: one read halfway, or one
        // that could not be told from another card of its kind, is detected again.
        if (row.kept) {
            EXPECT_LE(second.commands, kSecondAtMost);
        } else {
            EXPECT_EQ(second.commands, first.commands);
        }
        EXPECT_EQ(second.entries, first.entries);
        EXPECT_EQ(second.labels, first.labels);
        EXPECT_EQ(second.der, first.der);
        for (const auto& der : first.der)
            EXPECT_TRUE(parses(der)) << "a listed certificate is not whole DER";
    }
}

TEST(ProfileCacheStack, AnotherCardInTheReaderIsReadAfresh) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-a";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    const Listing a = list(stack);
    ASSERT_EQ(a.labels, (std::vector<std::string>{"Signing Cert", "Signing Cert CA", "Auth Cert", "Auth Cert CA"}));
    ASSERT_LE(list(stack).commands, kSecondAtMost);

    // Another card of the same kind (same ATR) between two calls.
    ASSERT_TRUE(stack.remove(0));
    ASSERT_TRUE(stack.insert(0, "starcos35-b"));
    const Listing b = list(stack);
    EXPECT_EQ(b.labels, (std::vector<std::string>{"Signing Cert", "Enc Cert", "Auth Cert"}));
    EXPECT_GT(b.commands, kSecondAtMost);
    EXPECT_NE(b.der, a.der);
    // What a detection without the cache finds on it.
    vn_profile_cache::clear();
    const Listing fresh = list(stack);
    EXPECT_EQ(fresh.der, b.der);
    EXPECT_EQ(fresh.commands, b.commands);

    // The same card taken out and put back is read afresh as well.
    ASSERT_TRUE(stack.remove(0));
    ASSERT_TRUE(stack.insert(0));
    const Listing again = list(stack);
    EXPECT_EQ(again.der, b.der);
    EXPECT_EQ(again.commands, b.commands);
    EXPECT_LE(list(stack).commands, kSecondAtMost);
}

std::vector<std::string> hexCommands(const cardsim::TestStack& stack) {
    std::vector<std::string> out;
    for (const auto& e : stack.exchanges(0)) {
        std::string h;
        char b[3];
        for (uint8_t c : e.command) {
            std::snprintf(b, sizeof b, "%02X", c);
            h += b;
        }
        out.push_back(h);
    }
    return out;
}

// Where a selection would cost more, the serial is read by file identifier (SmartCard-HSM)
// or selected without control parameters, so that no GET RESPONSE follows (Micardo and
// SetCOS 4.4.1 on T=0),
// and only the bytes of the serial object are read. A refused probe falls back to the
// full read from a fresh selection.
TEST(ProfileCacheStack, TheSerialIsCheckedWithTheFewestCommandsTheCardAllows) {
    const struct {
        const char* image;
        std::vector<std::string> probe;
        size_t afterRefusal;  // the refused probe command, then the full read
    } cases[] = {
        {"smartcard-hsm", {"00B12F02045402000010"}, 5},
        {"micardo21-dtrust", {"00A4020C025015", "00B000000A"}, 5},
        {"setcos441-telia", {"00A4080C022F02", "00B000000A"}, 5},
    };
    cardsim::StackOptions o;
    o.image0 = cases[0].image;
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.image);
        if (c.image != cases[0].image) {
            ASSERT_TRUE(stack.remove(0));
            ASSERT_TRUE(stack.insert(0, c.image));
        }
        const Listing first = list(stack);
        ASSERT_GT(first.entries, 0);
        const Listing second = list(stack);
        EXPECT_EQ(hexCommands(stack), c.probe);
        EXPECT_EQ(second.der, first.der);

        ASSERT_TRUE(stack.fault(0, "+1:sw=6A82"));
        const Listing refused = list(stack);
        EXPECT_EQ(refused.commands, c.afterRefusal);
        EXPECT_EQ(refused.der, first.der);
        EXPECT_EQ(list(stack).commands, c.probe.size());
    }
}

// A warm reset by another program is not seen by pcscd's event counter; nothing kept
// depends on the card's volatile state (selected file, verified PINs), so the kept
// profile stays right, and the serial is still read from the MF the reset selected.
TEST(ProfileCacheStack, AResetByAnotherProgramLeavesTheListingRight) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-b";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    const Listing first = list(stack);
    ASSERT_EQ(first.entries, 3);

    SCARDCONTEXT ctx = 0;
    ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &ctx), SCARD_S_SUCCESS);
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    ASSERT_EQ(SCardConnect(ctx, cardsim::TestStack::readerName(0).c_str(), SCARD_SHARE_SHARED,
                           SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card, &protocol),
              SCARD_S_SUCCESS);
    // It leaves the card in another directory, then resets it.
    const BYTE selectDf[] = {0x00, 0xA4, 0x01, 0x0C, 0x02, 0x06, 0x04};
    BYTE answer[258];
    DWORD length = sizeof answer;
    ASSERT_EQ(SCardTransmit(card, protocol == SCARD_PROTOCOL_T1 ? SCARD_PCI_T1 : SCARD_PCI_T0, selectDf,
                            sizeof selectDf, nullptr, answer, &length),
              SCARD_S_SUCCESS);
    const Listing moved = list(stack);
    EXPECT_EQ(moved.der, first.der);
    // The serial read from the MF fails (a refused selection is tried three times), then
    // follows a fresh MF selection.
    EXPECT_LE(moved.commands, 6u);
    EXPECT_EQ(SCardDisconnect(card, SCARD_RESET_CARD), SCARD_S_SUCCESS);
    SCardReleaseContext(ctx);

    const Listing after = list(stack);
    EXPECT_EQ(after.der, first.der);
    EXPECT_LE(after.commands, kSecondAtMost);
}

// Another Micardo card of the same kind: its own serial and certificate (the layout
// images of the family have no serial file).
std::string otherMicardo() {
    std::ifstream in(std::string(VN_SOURCE_DIR) + "/tools/cardsim/images/micardo21-dtrust.card");
    std::stringstream text;
    text << in.rdbuf();
    std::string image = text.str();
    const auto swap = [&image](const std::string& from, const std::string& to) {
        const size_t at = image.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            image.replace(at, from.size(), to);
    };
    swap("5A 08 00 00 21 44 55 66 77 88", "5A 08 00 00 21 44 55 66 77 99");
    swap("cert = rsa1024.der", "cert = signer-rsa2048.der");
    const std::string path = ::testing::TempDir() + "micardo21-dtrust-other.card";
    std::ofstream(path) << image;
    return path;
}

// A new service counts the reader's events from the start again, and a card of the same
// kind has the same ATR: the serial tells, also where the card reads it with fewer
// commands than a full selection (SmartCard-HSM by file identifier, Micardo without
// control parameters).
TEST(ProfileCacheStack, AnotherCardAfterARestartOfTheServiceIsToldByItsSerial) {
    const struct {
        const char* before;
        const char* after;
    } pairs[] = {
        {"starcos35-a", "starcos35-b"},
        {"smartcard-hsm", "smartcard-hsm-layout"},
        {"micardo21-dtrust", "micardo21-dtrust-other"},
    };
    for (const auto& pair : pairs) {
        SCOPED_TRACE(std::string(pair.before) + " then " + pair.after);
        const std::string after = pair.after == std::string("micardo21-dtrust-other") ? otherMicardo() : pair.after;
        vn_profile_cache::clear();
        Listing a;
        {
            cardsim::StackOptions o;
            o.image0 = pair.before;
            cardsim::TestStack stack(o);
            ASSERT_TRUE(stack.ok()) << stack.error();
            a = list(stack);
            ASSERT_GT(a.entries, 0);
            ASSERT_LE(list(stack).commands, kSecondAtMost);
        }
        cardsim::StackOptions o;
        o.image0 = after;
        cardsim::TestStack stack(o);
        ASSERT_TRUE(stack.ok()) << stack.error();
        const Listing b = list(stack);
        EXPECT_NE(b.der, a.der);
        EXPECT_GT(b.commands, kSecondAtMost);
        EXPECT_LE(list(stack).commands, kSecondAtMost);
        vn_profile_cache::clear();
        const Listing fresh = list(stack);
        EXPECT_EQ(b.der, fresh.der);
        EXPECT_EQ(b.labels, fresh.labels);
    }
}
