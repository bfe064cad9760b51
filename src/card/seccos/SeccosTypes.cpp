// The SECCOS card type and its ATR.
#include <iterator>

#include "SC_Profile_CardOS.h"
#include "card/CardTypes.h"
#include "card/MakeCardOs.h"

namespace vn_card {

namespace {
using namespace rows;

// clang-format off
const CardTypeRow kTypes[] = {
    {kSeccos5, "Seccos", {"Quorvel VN - Seccos"}, makeCardOs<CSC_Profile_SecCos5>, false, K::File, D::Seccos5, Q::None, L::CardOs, LD::Seccos, false, false, LegacyGetData::Seccos},
};

const AtrRow kAtrs[] = {
    {kSeccos5, 7, "SecCos 5", "3b,ff,00,00,ff,81,31,fe,45,65,63,00,00,00,00,00,00,00,00,00,00,00,00,00,00", "ff,ff,00,ff,ff,ff,ff,ff,ff,ff,ff,00,00,00,00,00,00,00,00,00,00,00,00,00,00"},
};
// clang-format on
}  // namespace

extern const CardFamily kSeccosFamily;  // listed in card/CardFamilies.cpp
const CardFamily kSeccosFamily = {"SECCOS", kTypes, std::size(kTypes), kAtrs, std::size(kAtrs)};

}  // namespace vn_card
