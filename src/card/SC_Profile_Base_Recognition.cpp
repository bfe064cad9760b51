// Card labels, ATR matching and card names of the card command object.
#include <cstring>

#include "AtrMatch.h"
#include "SC_Profile_Base.h"

namespace {
struct LabelRow {
    const char* label;
    int type;
};

const LabelRow kLabels[] = {
    {"Quorvel VN - TCOS 2.0", 1},
    {"Quorvel VN - TCOS 3.0", 2},
    {"Quorvel VN - Micardo 2.1", 3},
    {"Quorvel VN - Micardo 2.1 warm", 3},
    {"Quorvel VN - CardOS 4.3b", 4},
    {"Quorvel VN - CardOS 4.3b SuissID", 4},
    {"Quorvel VN - CardOS 4.4", 11},
    {"Quorvel VN - CardOS 5.0", 15},
    {"Quorvel VN - CardOS 5.4", 17},
    {"Quorvel VN - CardOS 4.01a", 8},
    {"Quorvel VN - Starcos 3.0", 5},
    {"Quorvel VN - Starcos 3.2", 9},
    {"Quorvel VN - Starcos 3.4", 12},
    {"Quorvel VN - Starcos 3.5", 14},
    {"Quorvel VN - Starcos 3.5 - ST", 14},
    {"Quorvel VN - Starcos 3.5 - DGN", 14},
    {"Quorvel VN - Seccos", 6},
    {"Quorvel VN - Setcos", 7},
    {"Quorvel VN - Setcos 4.4.2", 10},
    {"Quorvel VN - TCOS 3.0v2", 13},
    {"Quorvel VN - SmartCard HSM", 16},
};

struct NameRow {
    int type;
    const char* name;
};

const NameRow kCardNames[] = {
    {1, "TCOS 2.0"},     {2, "TCOS 3.0"},          {3, "Micardo 2.1"},  {4, "CardOS 4.3b"},
    {5, "Starcos 3.0"},  {6, "Seccos"},            {7, "Setcos"},       {8, "unknown smartcard"},
    {9, "Starcos 3.2"},  {10, "Setcos 4.4.2"},     {11, "CardOS 4.4"},  {12, "Starcos 3.4"},
    {13, "TCOS 3.0v2"},  {14, "Starcos 3.5"},      {15, "CardOS 5.0"},  {16, "SmartCard HSM"},
    {17, "CardOS 5.4"},
};
}  // namespace

int CSC_Profile_Base::CardType(std::string label) {
    for (const auto& row : kLabels)
        if (label == row.label)
            return row.type;
    return 0;
}

int CSC_Profile_Base::DetermineCardOS(std::string atr) {
    if (atr == "---")
        return 0;
    return vn_match_atr(atr, false);
}

bool CSC_Profile_Base::UpdateSCardType(int type) {
    m_cardType = type;
    m_cardName = "unknown smartcard";
    for (const auto& row : kCardNames)
        if (row.type == type)
            m_cardName = row.name;
    return true;
}
