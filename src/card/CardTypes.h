// The card types the library knows: one row per card operating system with its code,
// card name, labels, card-OS class and what the command layer must know about it.
// The card factory, the recognition, the card application detection and the PKCS#15
// reader read it.
#ifndef VN_CARD_CARDTYPES_H
#define VN_CARD_CARDTYPES_H

#include <string>

class CSC_Profile_Base;

namespace vn_card {

// Card type codes (ATRlist, CSC_Profile_Base::getCardType()).
enum CardTypeCode : int {
    kNoCard = -1,
    kUnknownCard = 0,
    kTcos20 = 1,
    kTcos30 = 2,
    kMicardo21 = 3,
    kCardOs43b = 4,
    kStarcos30 = 5,
    kSeccos5 = 6,
    kSetcos441 = 7,
    kCardOs401a = 8,
    kStarcos32 = 9,
    kSetcos442 = 10,
    kCardOs44 = 11,
    kStarcos34 = 12,
    kTcos30v2 = 13,
    kStarcos35 = 14,
    kCardOs50 = 15,
    kSmartCardHsm = 16,
    kCardOs54 = 17,
};

// Where a PIN path leads: a file, a directory, or an application by AID.
enum class PinPathKind { File, Directory, Application };

struct CardTypeRow {
    int code;
    const char* name;               // card name (CSC_Profile_Base::getCardName())
    const char* labels[4];          // labels of CSC_Profile_Base::CardType(), null-ended
    CSC_Profile_Base* (*create)();  // its card-OS object; null: none of its own
    bool t0Only;                    // the protocol is set to T=0 once connected
    PinPathKind pinPath;            // how a PIN's path is selected before VERIFY
};

// The row of a code; null for codes without one (no card, unknown card).
const CardTypeRow* cardType(int code);
// The code of a label; 0 when no row has it.
int cardTypeOfLabel(const std::string& label);

}  // namespace vn_card

#endif
