#include "Pkcs15Quirks.h"

#include "Layouts.h"
#include "ProfileTypes.h"
#include "card/CardTypes.h"

namespace vn_cardapp {

namespace {

void cardosPaths(int32_t& profileType, std::string& keyPath, std::string& pinPath) {
    cardosPkcs15Paths(profileType == CP_QUORVEL, keyPath, pinPath);
}
void setcos441Paths(int32_t& profileType, std::string& keyPath, std::string& pinPath) {
    setcos441Pkcs15Paths(keyPath, pinPath);
    profileType = CP_SETCOS;
}
void setcos442Paths(int32_t&, std::string& keyPath, std::string& pinPath) { pinPath = keyPath; }

void setcos441Link(std::string&, std::string& pinPath, bool& single) { setcos441Pkcs15Link(pinPath, single); }
void setcos442Link(std::string& keyPath, std::string&, bool&) { setcos442Pkcs15Link(keyPath); }

using Q = vn_card::Pkcs15Quirk;
// clang-format off
const Pkcs15Quirks kRows[] = {
    {Q::CardOs,    nullptr,        false, nullptr,       cardosPaths},
    {Q::CardOs54,  "3f0001045032", false, nullptr,       cardosPaths},
    {Q::Setcos441, nullptr,        true,  setcos441Link, setcos441Paths},
    {Q::Setcos442, nullptr,        false, setcos442Link, setcos442Paths},
};
// clang-format on
const Pkcs15Quirks kNone = {Q::None, nullptr, false, nullptr, nullptr};

}  // namespace

const Pkcs15Quirks& pkcs15Quirks(int cardType) {
    const vn_card::CardTypeRow* type = vn_card::cardType(cardType);
    if (type == nullptr)
        return kNone;
    for (const Pkcs15Quirks& row : kRows)
        if (row.quirk == type->pkcs15)
            return row;
    return kNone;
}

}  // namespace vn_cardapp
