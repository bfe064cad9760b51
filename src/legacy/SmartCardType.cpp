// The card type of the legacy card class from the card's label.
#include <string>

#include "SmartCard.h"
#include "card/CardTypes.h"

namespace {
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
    // The card types the minidriver path knows by label; the labels are the registry's.
    for (const vn_card::CardTypeRow* row : vn_card::cardTypeRows()) {
        if (row->legacy == vn_card::LegacySupport::None)
            continue;
        for (const char* known : row->labels)
            if (known != nullptr && sameLabel(label, known))
                return row->code;
    }
    return vn_card::kUnknownCard;
}

int CSmartCard::GetCardType() { return m_cardType; }
