// The SmartCard-HSM card type and its ATR.
#include <iterator>

#include "SC_Profile_CardOS.h"
#include "card/CardTypes.h"
#include "card/MakeCardOs.h"

namespace vn_card {

namespace {
using namespace rows;

// clang-format off
const CardTypeRow kTypes[] = {
    {kSmartCardHsm, "SmartCard HSM", {"Quorvel VN - SmartCard HSM"}, makeCardOsWithoutEnvironment<CSC_Profile_SmartCardHSM>, false, K::File, D::SmartCardHsm, Q::None, L::None, LD::None, true, true},
};

const AtrRow kAtrs[] = {
    {kSmartCardHsm, 18, "SmartCard HSM", "3b,fe,18,00,00,81,31,fe,45,80,31,81,54,48,53,4d,31,73,80,21,40,81,07,fa", "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
};
// clang-format on
}  // namespace

extern const CardFamily kHsmFamily;  // listed in card/CardFamilies.cpp
const CardFamily kHsmFamily = {"SmartCard-HSM", kTypes, std::size(kTypes), kAtrs, std::size(kAtrs)};

}  // namespace vn_card
