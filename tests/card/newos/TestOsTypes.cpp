// The family row of the test-only card OS: one card type, detected with the layouts of
// STARCOS 3.5 (its image carries them), and its ATR matched after the prescribed table.
#include <iterator>

#include "TestOs.h"
#include "card/MakeCardOs.h"

namespace testos {

namespace {
using namespace vn_card;

// clang-format off
const CardTypeRow kTypes[] = {
    {kCode, "TestOS 1.0", {"Quorvel VN - TestOS 1.0"}, makeCardOs<CSC_Profile_TestOs>, false, PinPathKind::File, Detection::Starcos35, Pkcs15Quirk::None, LegacySupport::None, LegacyDetection::None, false, false},
};

const AtrRow kAtrs[] = {
    {kCode, kAfterAtrList, "TestOS 1.0", "3b,88,81,31,fe,45,54,45,53,54,4f,53,31,30,88", "ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff"},
};
// clang-format on
}  // namespace

const vn_card::CardFamily kFamily = {"TestOS", kTypes, std::size(kTypes), kAtrs, std::size(kAtrs)};

}  // namespace testos
