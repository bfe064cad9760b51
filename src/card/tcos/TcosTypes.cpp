// The TCOS card types and their ATRs.
#include <iterator>

#include "SC_Profile_CardOS.h"
#include "card/CardTypes.h"
#include "card/MakeCardOs.h"

namespace vn_card {

namespace {
using namespace rows;

// clang-format off
const CardTypeRow kTypes[] = {
    {kTcos20,   "TCOS 2.0",   {"Quorvel VN - TCOS 2.0"},   makeCardOs<CSC_Profile_TCOS20>,   false, K::File,        D::Tcos2,   Q::None, L::CardOs, LD::Tcos2, false, false, LegacyGetData::None, true},
    {kTcos30,   "TCOS 3.0",   {"Quorvel VN - TCOS 3.0"},   makeCardOs<CSC_Profile_TCOS30>,   false, K::File,        D::Tcos3,   Q::None, L::CardOs, LD::Tcos3, false, false, LegacyGetData::None, false, true},
    {kTcos30v2, "TCOS 3.0v2", {"Quorvel VN - TCOS 3.0v2"}, makeCardOs<CSC_Profile_TCOS30V2>, false, K::Application, D::Tcos3v2, Q::None, L::None,   LD::None, false, false},
};

const AtrRow kAtrs[] = {
    {kTcos20,   0,  "TCOS 2.0",    "3b,ba,96,00,81,31,86,5d,00,64,05,00,02,03,31,80,90,00,00",                "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,00,ff,ff,ff,ff,ff,ff,00"},
    {kTcos30,   1,  "TCOS 3.0",    "3b,bf,96,00,81,31,fe,5d,00,64,04,11,03,01,31,c0,73,f7,01,d0,00,90,00,7d", "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
    {kTcos30v2, 12, "TCOS 3.0 V2", "3b,9f,96,81,31,fe,9d,00,64,05,a0,03,04,31,c0,73,f7,01,d0,00,90,00,28",    "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
};
// clang-format on
}  // namespace

extern const CardFamily kTcosFamily;  // listed in card/CardFamilies.cpp
const CardFamily kTcosFamily = {"TCOS", kTypes, std::size(kTypes), kAtrs, std::size(kAtrs)};

}  // namespace vn_card
