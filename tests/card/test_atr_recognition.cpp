// Card recognition by ATR: the table, the masks and the card labels.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "AtrList.h"
#include "SCTools.h"
#include "SC_Profile_Base.h"
#include "card/AtrMatch.h"

namespace {
// "3b,d2,18" -> "3B:D2:18", the form the reader object reports.
std::string readerForm(const char* row) {
    std::string out;
    for (const char* p = row; *p; ++p)
        out.push_back(*p == ',' ? ':' : static_cast<char>(toupper(static_cast<unsigned char>(*p))));
    return out;
}
}  // namespace

// The table hosts read: filled from the families' rows, it must hold these bytes in this
// order, the unused ends of every text zero.
TEST(AtrList, FilledFromTheFamiliesAsPrescribedByteForByte) {
    // clang-format off
    const ATR_LIST_ENTRY kPrescribed[ATRLIST_ROWS] = {
    {1,  "TCOS 2.0",             "3b,ba,96,00,81,31,86,5d,00,64,05,00,02,03,31,80,90,00,00",                   "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,00,ff,ff,ff,ff,ff,ff,00"},
    {2,  "TCOS 3.0",             "3b,bf,96,00,81,31,fe,5d,00,64,04,11,03,01,31,c0,73,f7,01,d0,00,90,00,7d",    "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {3,  "Micardo 2.1",          "3b,ff,00,00,ff,80,b1,fe,45,1f,03,00,68,d2,76,00,00,28,ff,05,1e,31,80,00,90,00,00", "ff,ff,00,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,00"},
    {3,  "Micardo 2.1",          "3b,6f,00,ff,00,68,d2,76,00,00,28,ff,05,1e,31,80,00,90,00",                   "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {4,  "CardOS 4.3b",          "3b,f2,18,00,02,c1,0a,31,fe,58,c8,08,74",                                     "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {4,  "CardOS 4.3b",          "3b,fa,18,00,02,c1,0a,31,fe,58,4b,53,77,69,73,73,53,69,67,6e,89",             "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {5,  "StarCos 3.0",          "3b,bb,18,00,c0,10,31,fe,45,80,67,04,12,b0,03,04,00,10,81,05,2b",             "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {6,  "SecCos 5",             "3b,ff,00,00,ff,81,31,fe,45,65,63,00,00,00,00,00,00,00,00,00,00,00,00,00,00", "ff,ff,00,ff,ff,ff,ff,ff,ff,ff,ff,00,00,00,00,00,00,00,00,00,00,00,00,00,00"},
    {7,  "SetCos 441",           "3b,9f,00,80,1f,c3,00,68,10,44,05,01,46,49,53,45,31,c8,00,90,00,00",          "ff,ff,00,ff,ff,ff,ff,ff,f0,ff,ff,ff,ff,ff,ff,ff,ff,ff,00,ff,ff,00"},
    {8,  "CardOS 4.01a",         "3b,f2,98,00,ff,c1,10,31,fe,55,c8,00,00",                                     "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,00,00"},
    {9,  "StarCos 3.2",          "3b,9f,96,81,b1,fe,45,1f,07,00,64,05,1e,b2,00,31,b0,73,96,21,00,00,90,00,00", "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,00,ff,ff,ff,ff,ff,00,00,ff,ff,00"},
    {12, "StarCos 3.4",          "3b,d8,18,ff,81,b1,fe,45,1f,03,80,64,04,1a,b4,03,81,05,61",                   "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {13, "TCOS 3.0 V2",          "3b,9f,96,81,31,fe,9d,00,64,05,a0,03,04,31,c0,73,f7,01,d0,00,90,00,28",       "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {14, "StarCos 3.5",          "3b,d0,96,ff,81,31,fe,45,80,50,00,00,00,00,00,00,00,00,00,00,00,00,00,00",    "ff,f0,ff,ff,ff,ff,ff,ff,ff,f0,00,00,00,00,00,00,00,00,00,00,00,00,00,00"},
    {11, "CardOS 4.4",           "3b,d2,18,02,c1,0a,31,fe,58,c8,0d,51",                                        "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {11, "CardOS 4.4 SwissSign", "3b,da,18,02,c1,0a,31,fe,58,4b,53,77,69,73,73,53,69,67,6e,a9",                "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {14, "StarCos 3.5",          "3b,d9,96,ff,81,31,fe,45,80,31,b8,73,86,01,e0,81,05,22",                      "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {15, "CardOS 5.0",           "3b,d2,18,00,81,31,fe,58,c9,01,14",                                           "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {16, "SmartCard HSM",        "3b,fe,18,00,00,81,31,fe,45,80,31,81,54,48,53,4d,31,73,80,21,40,81,07,fa",    "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {17, "CardOS 5.4",           "3b,d2,18,00,81,31,fe,58,c9,04,11",                                           "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {-1, "Unbekannt",            "00",                                                                          "00"},
    };
    // clang-format on
    for (int i = 0; i < ATRLIST_ROWS; ++i)
        EXPECT_EQ(std::memcmp(&ATRlist[i], &kPrescribed[i], sizeof(ATR_LIST_ENTRY)), 0)
            << "row " << i << " " << kPrescribed[i].cardName;
}

TEST(AtrList, EveryRowIsRecognisedFromItsOwnAtrAsTheFirstRowOfItsType) {
    for (int i = 0; i < 20; ++i) {
        int type = vn_match_atr(readerForm(ATRlist[i].atr), false);
        EXPECT_EQ(type, ATRlist[i].cardType) << "row " << i + 1 << " " << ATRlist[i].cardName;
    }
}

TEST(AtrList, CardOS5VariantsAreToldApart) {
    EXPECT_EQ(vn_match_atr("3B:D2:18:00:81:31:FE:58:C9:04:11", false), 17);
    EXPECT_EQ(vn_match_atr("3B:D2:18:00:81:31:FE:58:C9:01:14", false), 15);
    EXPECT_EQ(vn_match_atr("3B:D2:18:00:81:31:FE:58:C9:02:14", false), 0);
}

TEST(AtrList, Starcos35MaskAcceptsAnyTailOf24BytesOnly) {
    std::string atr24 = "3B:D7:96:FF:81:31:FE:45:80:5A";
    for (int i = 0; i < 14; ++i)
        atr24 += ":" + std::string(i % 2 ? "A5" : "3C");
    EXPECT_EQ(vn_match_atr(atr24, false), 14);
    std::string atr23 = atr24.substr(0, atr24.size() - 3);
    EXPECT_EQ(vn_match_atr(atr23, false), 0);
    std::string wrongTenth = atr24;
    wrongTenth.replace(27, 2, "6A");
    EXPECT_EQ(vn_match_atr(wrongTenth, false), 0);
}

TEST(AtrList, SeccosMaskIgnoresThirdByteAndLast14Bytes) {
    std::string atr = "3B:FF:13:00:FF:81:31:FE:45:65:63";
    for (int i = 0; i < 14; ++i)
        atr += ":9C";
    EXPECT_EQ(vn_match_atr(atr, false), 6);
}

TEST(AtrList, EmptyReaderAndUnknownAtr) {
    // The card-OS object answers "---" with 0; unknown ATRs are 0 as well.
    EXPECT_EQ(vn_match_atr("3B:00", false), 0);
    EXPECT_EQ(vn_match_atr("", false), 0);
}

TEST(CardLabels, ExactLabelsMapToTypesAndAnythingElseToZero) {
    EXPECT_EQ(CSC_Profile_Base::CardType("Quorvel VN - TCOS 2.0"), 1);
    EXPECT_EQ(CSC_Profile_Base::CardType("Quorvel VN - Micardo 2.1 warm"), 3);
    EXPECT_EQ(CSC_Profile_Base::CardType("Quorvel VN - CardOS 4.3b SuissID"), 4);
    EXPECT_EQ(CSC_Profile_Base::CardType("Quorvel VN - Starcos 3.5 - DGN"), 14);
    EXPECT_EQ(CSC_Profile_Base::CardType("Quorvel VN - CardOS 4.01a"), 8);
    EXPECT_EQ(CSC_Profile_Base::CardType("Quorvel VN - SmartCard HSM"), 16);
    EXPECT_EQ(CSC_Profile_Base::CardType("Quorvel VN - CardOS 5.4"), 17);
    EXPECT_EQ(CSC_Profile_Base::CardType("quorvel VN - TCOS 2.0"), 0);
    EXPECT_EQ(CSC_Profile_Base::CardType("Quorvel VN - TCOS 2.0 "), 0);
}
