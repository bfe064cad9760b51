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

TEST(AtrList, HasTwentyOneRowsOf772BytesEndedByMinusOne) {
    EXPECT_EQ(sizeof(ATR_LIST_ENTRY), 772u);
    EXPECT_EQ(sizeof(ATRlist), 21u * 772u);
    EXPECT_EQ(ATRlist[20].cardType, -1);
    EXPECT_STREQ(ATRlist[20].cardName, "Unbekannt");
    for (int i = 0; i < 20; ++i) {
        std::string atr = ATRlist[i].atr, mask = ATRlist[i].mask;
        EXPECT_EQ(SCTools::getLenHex(atr), SCTools::getLenHex(mask)) << "row " << i + 1;
    }
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
    CSC_Profile_Base::CardType("");  // static use compiles
}

TEST(AtrList, EmptyReaderAndUnknownAtr) {
    // The card-OS object answers "---" with 0; unknown ATRs are 0 as well.
    EXPECT_EQ(vn_match_atr("3B:00", false), 0);
    EXPECT_EQ(vn_match_atr("", false), 0);
}

TEST(SCTools, HexTextHelpers) {
    std::string a = "3b,ba,96", b = "3B:BA:96", empty, trailing = "3b,ba,";
    EXPECT_EQ(SCTools::getLenHex(a), 3);
    EXPECT_EQ(SCTools::getLenHex(b), 3);
    EXPECT_EQ(SCTools::getLenHex(empty), 1);
    EXPECT_EQ(SCTools::getLenHex(trailing), 2);
    EXPECT_EQ(SCTools::getHex(b), "3bba96");
    EXPECT_EQ(SCTools::getMaskedAtr("3B:D7:96", "ff,f0,0f"), "3bd006");
    EXPECT_EQ(SCTools::getMaskedAtr("3B:D7:96:11", "ff,f0"), "3bd0");
    EXPECT_TRUE(SCTools::isHexNumber('a'));
    EXPECT_FALSE(SCTools::isHexNumber('A'));
    EXPECT_TRUE(SCTools::isQuorvel());
    EXPECT_TRUE(SCTools::isCNG_Os());
    EXPECT_EQ(SCTools::getOs(), 110);
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
