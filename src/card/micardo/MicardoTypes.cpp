// The Micardo card type and its ATRs (cold and warm).
#include <iterator>

#include "SC_Profile_CardOS.h"
#include "card/CardTypes.h"
#include "card/MakeCardOs.h"

namespace vn_card {

namespace {
using namespace rows;

// clang-format off
const CardTypeRow kTypes[] = {
    {kMicardo21, "Micardo 2.1", {"Quorvel VN - Micardo 2.1", "Quorvel VN - Micardo 2.1 warm"}, makeCardOs<CSC_Profile_Micardo21>, true, K::File, D::Micardo21, Q::None, L::CardOs, LD::Micardo, false, false},
};

const AtrRow kAtrs[] = {
    {kMicardo21, 2, "Micardo 2.1", "3b,ff,00,00,ff,80,b1,fe,45,1f,03,00,68,d2,76,00,00,28,ff,05,1e,31,80,00,90,00,00", "ff,ff,00,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,00"},
    {kMicardo21, 3, "Micardo 2.1", "3b,6f,00,ff,00,68,d2,76,00,00,28,ff,05,1e,31,80,00,90,00",                   "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
};
// clang-format on
}  // namespace

extern const CardFamily kMicardoFamily;  // listed in card/CardFamilies.cpp
const CardFamily kMicardoFamily = {"Micardo", kTypes, std::size(kTypes), kAtrs, std::size(kAtrs)};

}  // namespace vn_card
