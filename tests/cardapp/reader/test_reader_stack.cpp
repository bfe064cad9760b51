// Readers and card recognition through pcscd, vpcd and the card simulator.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include <cardsim/TestStack.h>

#include "AtrList.h"
#include "Reader.h"
#include "SCTools.h"

namespace {
std::string imageFile(const std::string& atr, const std::string& name) {
    std::string path = "/tmp/vn-card-" + std::to_string(getpid()) + "-" + name + ".card";
    std::ofstream(path) << "[card]\ndialect = iso\natr = " << atr << "\n";
    return path;
}

std::string rowAtr(int row) {
    std::string s = ATRlist[row].atr;
    for (auto& c : s)
        if (c == ',')
            c = ' ';
    return s;
}

std::string readerForm(const std::string& atr) {
    std::string out;
    for (char c : atr)
        out.push_back(c == ' ' ? ':' : static_cast<char>(toupper(static_cast<unsigned char>(c))));
    return out;
}
}  // namespace

TEST(ReaderStack, TwoReadersInOrderAndAnEmptyReader) {
    std::string img = imageFile("3B D2 18 00 81 31 FE 58 C9 04 11", "cardos54");
    cardsim::StackOptions o;
    o.image0 = img;
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    CReader reader;
    ASSERT_EQ(reader.GetReaderNum(), 2);
    EXPECT_EQ(reader.GetReaderName(0), cardsim::TestStack::readerName(0));
    EXPECT_EQ(reader.GetReaderName(1), cardsim::TestStack::readerName(1));
    EXPECT_EQ(reader.GetReaderIndex(cardsim::TestStack::readerName(1).c_str()), 1);
    EXPECT_EQ(reader.GetReaderATR(0), "3B:D2:18:00:81:31:FE:58:C9:04:11");
    EXPECT_TRUE(reader.isCard(0));
    EXPECT_EQ(reader.GetCardType(0), 17);
    EXPECT_EQ(reader.GetReaderATR(1), "---");
    EXPECT_FALSE(reader.isCard(1));
    EXPECT_EQ(reader.GetCardType(1), -1);
    EXPECT_EQ(reader.ReadSCProfile(1), nullptr);
    EXPECT_FALSE(reader.hasPinPad(1));
    // vpcd answers the feature request with no PIN feature
    reader.hasPinPad(0);
    // taking the card out between calls
    ASSERT_TRUE(stack.remove(0));
    // pcscd notices the removal on its next poll of the reader
    for (int i = 0; i < 50 && reader.GetReaderATR(0) != "---"; ++i)
        usleep(100000);
    EXPECT_EQ(reader.GetReaderATR(0), "---");
    EXPECT_EQ(reader.GetCardType(0), -1);
    unlink(img.c_str());
}

TEST(ReaderStack, EveryAtrRowIsRecognisedInBothReaders) {
    // Rows go in pairs, one in each reader; each reader is matched against the whole table.
    const int rows = ATRLIST_ROWS - 1;
    for (int first = 0; first < rows; first += 2) {
        {
            int a = first, b = first + 1 < rows ? first + 1 : first;
            std::string img0 = imageFile(rowAtr(a), "r0"), img1 = imageFile(rowAtr(b), "r1");
            cardsim::StackOptions o;
            o.image0 = img0;
            o.image1 = img1;
            cardsim::TestStack stack(o);
            ASSERT_TRUE(stack.ok()) << stack.error();
            CReader reader;
            EXPECT_EQ(reader.GetReaderATR(0), readerForm(rowAtr(a)));
            EXPECT_EQ(reader.GetCardType(0), ATRlist[a].cardType) << "row " << a + 1;
            EXPECT_EQ(reader.GetCardType(1), ATRlist[b].cardType) << "row " << b + 1;
            unlink(img0.c_str());
            unlink(img1.c_str());
        }
    }
}

TEST(ReaderStack, MaskedStarcos35AndSeccosAtrs) {
    std::string s35 = "3B DE 96 FF 81 31 FE 45 80 5F 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E";
    std::string seccos = "3B FF 77 00 FF 81 31 FE 45 65 63 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E";
    std::string img0 = imageFile(s35, "s35"), img1 = imageFile(seccos, "seccos");
    cardsim::StackOptions o;
    o.image0 = img0;
    o.image1 = img1;
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    CReader reader;
    EXPECT_EQ(reader.GetCardType(0), 14);
    EXPECT_EQ(reader.GetCardType(1), 6);
    unlink(img0.c_str());
    unlink(img1.c_str());
}
