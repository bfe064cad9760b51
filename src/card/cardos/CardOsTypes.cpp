// The CardOS card types and their ATRs.
#include <iterator>

#include "SC_Profile_CardOS.h"
#include "card/CardTypes.h"
#include "card/MakeCardOs.h"

namespace vn_card {

namespace {
using namespace rows;

// clang-format off
const CardTypeRow kTypes[] = {
    {kCardOs43b,  "CardOS 4.3b",       {"Quorvel VN - CardOS 4.3b", "Quorvel VN - CardOS 4.3b SuissID"}, makeCardOs<CSC_Profile_CardOS43b>, false, K::File,      D::CardOs43, Q::CardOs,   L::CardOs, LD::CardOs, false, false, LegacyGetData::None, false, false, MinidriverP15::CardOs43b},
    {kCardOs401a, "unknown smartcard", {"Quorvel VN - CardOS 4.01a"},                                    nullptr,                           false, K::File,      D::None,     Q::None,     L::Label,  LD::CardOs401, false, false},
    {kCardOs44,   "CardOS 4.4",        {"Quorvel VN - CardOS 4.4"},                                      makeCardOs<CSC_Profile_CardOS44>,  false, K::File,      D::CardOs44, Q::CardOs,   L::CardOs, LD::CardOs, false, false},
    {kCardOs50,   "CardOS 5.0",        {"Quorvel VN - CardOS 5.0"},                                      makeCardOs<CSC_Profile_CardOS50>,  false, K::Directory, D::CardOs50, Q::CardOs,   L::CardOs, LD::CardOs, true, false},
    {kCardOs54,   "CardOS 5.4",        {"Quorvel VN - CardOS 5.4"},                                      makeCardOs<CSC_Profile_CardOS54>,  false, K::Directory, D::CardOs54, Q::CardOs54, L::CardOs, LD::CardOs, false, false},
};

const AtrRow kAtrs[] = {
    {kCardOs43b,  4,  "CardOS 4.3b",          "3b,f2,18,00,02,c1,0a,31,fe,58,c8,08,74",                         "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {kCardOs43b,  5,  "CardOS 4.3b",          "3b,fa,18,00,02,c1,0a,31,fe,58,4b,53,77,69,73,73,53,69,67,6e,89", "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {kCardOs401a, 9,  "CardOS 4.01a",         "3b,f2,98,00,ff,c1,10,31,fe,55,c8,00,00",                         "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,00,00"},
    {kCardOs44,   14, "CardOS 4.4",           "3b,d2,18,02,c1,0a,31,fe,58,c8,0d,51",                            "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {kCardOs44,   15, "CardOS 4.4 SwissSign", "3b,da,18,02,c1,0a,31,fe,58,4b,53,77,69,73,73,53,69,67,6e,a9",    "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {kCardOs50,   17, "CardOS 5.0",           "3b,d2,18,00,81,31,fe,58,c9,01,14",                               "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {kCardOs54,   19, "CardOS 5.4",           "3b,d2,18,00,81,31,fe,58,c9,04,11",                               "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
};
// clang-format on
}  // namespace

extern const CardFamily kCardOsFamily;  // listed in card/CardFamilies.cpp
const CardFamily kCardOsFamily = {"CardOS", kTypes, std::size(kTypes), kAtrs, std::size(kAtrs)};

}  // namespace vn_card
