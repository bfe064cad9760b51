#include "CardTypes.h"

#include "SC_Profile_CardOS.h"

namespace vn_card {

namespace {
template <class T>
CSC_Profile_Base* make() {
    return new T();
}
// The classes that keep a security environment start without one.
template <class T>
CSC_Profile_Base* makeWithoutEnvironment() {
    auto* p = new T();
    p->setSecurityEnvironmentSet(false);
    return p;
}

using K = PinPathKind;

// clang-format off
const CardTypeRow kCardTypes[] = {
    {kTcos20,       "TCOS 2.0",          {"Quorvel VN - TCOS 2.0"},                                       make<CSC_Profile_TCOS20>,                      false, K::File},
    {kTcos30,       "TCOS 3.0",          {"Quorvel VN - TCOS 3.0"},                                       make<CSC_Profile_TCOS30>,                      false, K::File},
    {kMicardo21,    "Micardo 2.1",       {"Quorvel VN - Micardo 2.1", "Quorvel VN - Micardo 2.1 warm"},   make<CSC_Profile_Micardo21>,                   true,  K::File},
    {kCardOs43b,    "CardOS 4.3b",       {"Quorvel VN - CardOS 4.3b", "Quorvel VN - CardOS 4.3b SuissID"}, make<CSC_Profile_CardOS43b>,                  false, K::File},
    {kStarcos30,    "Starcos 3.0",       {"Quorvel VN - Starcos 3.0"},                                    make<CSC_Profile_StarCos30>,                   false, K::File},
    {kSeccos5,      "Seccos",            {"Quorvel VN - Seccos"},                                         make<CSC_Profile_SecCos5>,                     false, K::File},
    {kSetcos441,    "Setcos",            {"Quorvel VN - Setcos"},                                         make<CSC_Profile_SetCos441>,                   false, K::File},
    {kCardOs401a,   "unknown smartcard", {"Quorvel VN - CardOS 4.01a"},                                   nullptr,                                       false, K::File},
    {kStarcos32,    "Starcos 3.2",       {"Quorvel VN - Starcos 3.2"},                                    make<CSC_Profile_StarCos32>,                   false, K::File},
    {kSetcos442,    "Setcos 4.4.2",      {"Quorvel VN - Setcos 4.4.2"},                                   make<CSC_Profile_SetCos442>,                   false, K::File},
    {kCardOs44,     "CardOS 4.4",        {"Quorvel VN - CardOS 4.4"},                                     make<CSC_Profile_CardOS44>,                    false, K::File},
    {kStarcos34,    "Starcos 3.4",       {"Quorvel VN - Starcos 3.4"},                                    makeWithoutEnvironment<CSC_Profile_StarCos34>, false, K::Directory},
    {kTcos30v2,     "TCOS 3.0v2",        {"Quorvel VN - TCOS 3.0v2"},                                     make<CSC_Profile_TCOS30V2>,                    false, K::Application},
    {kStarcos35,    "Starcos 3.5",       {"Quorvel VN - Starcos 3.5", "Quorvel VN - Starcos 3.5 - ST", "Quorvel VN - Starcos 3.5 - DGN"}, makeWithoutEnvironment<CSC_Profile_StarCos35>, false, K::File},
    {kCardOs50,     "CardOS 5.0",        {"Quorvel VN - CardOS 5.0"},                                     make<CSC_Profile_CardOS50>,                    false, K::Directory},
    {kSmartCardHsm, "SmartCard HSM",     {"Quorvel VN - SmartCard HSM"},                                  makeWithoutEnvironment<CSC_Profile_SmartCardHSM>, false, K::File},
    {kCardOs54,     "CardOS 5.4",        {"Quorvel VN - CardOS 5.4"},                                     make<CSC_Profile_CardOS54>,                    false, K::Directory},
};
// clang-format on
}  // namespace

const CardTypeRow* cardType(int code) {
    for (const auto& row : kCardTypes)
        if (row.code == code)
            return &row;
    return nullptr;
}

int cardTypeOfLabel(const std::string& label) {
    for (const auto& row : kCardTypes)
        for (const char* l : row.labels)
            if (l != nullptr && label == l)
                return row.code;
    return 0;
}

}  // namespace vn_card
