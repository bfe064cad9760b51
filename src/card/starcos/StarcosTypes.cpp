// The STARCOS card types and their ATRs. The log names keep the ATR table's spelling
// ("StarCos"), the card names the registry's ("Starcos").
#include <iterator>

#include "SC_Profile_CardOS.h"
#include "card/CardTypes.h"
#include "card/MakeCardOs.h"

namespace vn_card {

namespace {
using namespace rows;

// clang-format off
const CardTypeRow kTypes[] = {
    {kStarcos30, "Starcos 3.0", {"Quorvel VN - Starcos 3.0"}, makeCardOs<CSC_Profile_StarCos30>, false, K::File, D::Starcos30, Q::None, L::CardOs, LD::Starcos30, false, false},
    {kStarcos32, "Starcos 3.2", {"Quorvel VN - Starcos 3.2"}, makeCardOs<CSC_Profile_StarCos32>, false, K::File, D::Starcos32, Q::None, L::CardOs, LD::Starcos32, false, false},
    {kStarcos34, "Starcos 3.4", {"Quorvel VN - Starcos 3.4"}, makeCardOsWithoutEnvironment<CSC_Profile_StarCos34>, false, K::Directory, D::Starcos34, Q::None, L::CardOs, LD::Starcos34, false, false},
    {kStarcos35, "Starcos 3.5", {"Quorvel VN - Starcos 3.5", "Quorvel VN - Starcos 3.5 - ST", "Quorvel VN - Starcos 3.5 - DGN"}, makeCardOsWithoutEnvironment<CSC_Profile_StarCos35>, false, K::File, D::Starcos35, Q::None, L::None, LD::None, true, true},
};

const AtrRow kAtrs[] = {
    {kStarcos30, 6,  "StarCos 3.0", "3b,bb,18,00,c0,10,31,fe,45,80,67,04,12,b0,03,04,00,10,81,05,2b",             "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {kStarcos32, 10, "StarCos 3.2", "3b,9f,96,81,b1,fe,45,1f,07,00,64,05,1e,b2,00,31,b0,73,96,21,00,00,90,00,00", "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,00,ff,ff,ff,ff,ff,00,00,ff,ff,00"},
    {kStarcos34, 11, "StarCos 3.4", "3b,d8,18,ff,81,b1,fe,45,1f,03,80,64,04,1a,b4,03,81,05,61",                   "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {kStarcos35, 13, "StarCos 3.5", "3b,d0,96,ff,81,31,fe,45,80,50,00,00,00,00,00,00,00,00,00,00,00,00,00,00",    "ff,f0,ff,ff,ff,ff,ff,ff,ff,f0,00,00,00,00,00,00,00,00,00,00,00,00,00,00"},
    {kStarcos35, 16, "StarCos 3.5", "3b,d9,96,ff,81,31,fe,45,80,31,b8,73,86,01,e0,81,05,22",                      "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
};
// clang-format on
}  // namespace

extern const CardFamily kStarcosFamily;  // listed in card/CardFamilies.cpp
const CardFamily kStarcosFamily = {"STARCOS", kTypes, std::size(kTypes), kAtrs, std::size(kAtrs)};

}  // namespace vn_card
