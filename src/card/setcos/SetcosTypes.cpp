// The SetCOS card types and their ATRs.
#include <iterator>

#include "SC_Profile_CardOS.h"
#include "card/CardTypes.h"
#include "card/MakeCardOs.h"

namespace vn_card {

namespace {
using namespace rows;

// clang-format off
const CardTypeRow kTypes[] = {
    {kSetcos441, "Setcos",       {"Quorvel VN - Setcos"},       makeCardOs<CSC_Profile_SetCos441>, false, K::File, D::Setcos441, Q::Setcos441, L::CardOs, LD::Setcos, false, false, LegacyGetData::Setcos, false, false, MinidriverP15::FromCard},
    {kSetcos442, "Setcos 4.4.2", {"Quorvel VN - Setcos 4.4.2"}, makeCardOs<CSC_Profile_SetCos442>, false, K::File, D::Setcos442, Q::Setcos442, L::Label,  LD::None, false, false},
};

const AtrRow kAtrs[] = {
    {kSetcos441, 8, "SetCos 441", "3b,9f,00,80,1f,c3,00,68,10,44,05,01,46,49,53,45,31,c8,00,90,00,00", "ff,ff,00,ff,ff,ff,ff,ff,f0,ff,ff,ff,ff,ff,ff,ff,ff,ff,00,ff,ff,00"},
};
// clang-format on
}  // namespace

extern const CardFamily kSetcosFamily;  // listed in card/CardFamilies.cpp
const CardFamily kSetcosFamily = {"SetCOS", kTypes, std::size(kTypes), kAtrs, std::size(kAtrs)};

}  // namespace vn_card
