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

// clang-format off
const Pkcs15Quirks kRows[] = {
    {vn_card::kCardOs43b, nullptr,        false, nullptr,       cardosPaths},
    {vn_card::kSetcos441, nullptr,        true,  setcos441Link, setcos441Paths},
    {vn_card::kSetcos442, nullptr,        false, setcos442Link, setcos442Paths},
    {vn_card::kCardOs44,  nullptr,        false, nullptr,       cardosPaths},
    {vn_card::kCardOs50,  nullptr,        false, nullptr,       cardosPaths},
    {vn_card::kCardOs54,  "3f0001045032", false, nullptr,       cardosPaths},
};
// clang-format on
const Pkcs15Quirks kNone = {vn_card::kUnknownCard, nullptr, false, nullptr, nullptr};

}  // namespace

const Pkcs15Quirks& pkcs15Quirks(int cardType) {
    for (const Pkcs15Quirks& row : kRows)
        if (row.cardType == cardType)
            return row;
    return kNone;
}

const Pkcs15Quirks* pkcs15QuirkRows(size_t* count) {
    if (count != nullptr)
        *count = sizeof(kRows) / sizeof(kRows[0]);
    return kRows;
}

}  // namespace vn_cardapp
