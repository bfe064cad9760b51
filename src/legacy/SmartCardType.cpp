// The card type of the legacy card class from the card's label.
#include <string>

#include "SmartCard.h"
#include "card/CardTypes.h"

namespace {
// The card types the minidriver path knows by label; the labels are the registry's.
const int kLabelledTypes[] = {
    vn_card::kTcos20,    vn_card::kTcos30,   vn_card::kMicardo21, vn_card::kCardOs43b, vn_card::kCardOs401a,
    vn_card::kCardOs44,  vn_card::kCardOs50, vn_card::kCardOs54,  vn_card::kStarcos30, vn_card::kStarcos32,
    vn_card::kStarcos34, vn_card::kSeccos5,  vn_card::kSetcos441, vn_card::kSetcos442,
};

// ASCII case folding, the same in every locale.
int lowerAscii(long c) { return c >= 'A' && c <= 'Z' ? static_cast<int>(c - 'A' + 'a') : static_cast<int>(c); }

bool sameLabel(const wchar_t* label, const char* known) {
    size_t i = 0;
    for (; known[i] != 0; ++i) {
        long c = static_cast<long>(label[i]);
        if (c <= 0 || c > 0x7F || lowerAscii(c) != lowerAscii(static_cast<unsigned char>(known[i])))
            return false;
    }
    return label[i] == 0;
}
}  // namespace

int CSmartCard::GetCardType(wchar_t* label) {
    if (label == nullptr)
        return vn_card::kUnknownCard;
    for (int code : kLabelledTypes) {
        const vn_card::CardTypeRow* row = vn_card::cardType(code);
        if (row == nullptr)
            continue;
        for (const char* known : row->labels)
            if (known != nullptr && sameLabel(label, known))
                return code;
    }
    return vn_card::kUnknownCard;
}

int CSmartCard::GetCardType() { return m_cardType; }
