// The card types the library knows. Each card-OS family keeps the rows of its card types
// and its ATRs in its own folder (card/<family>/<Family>Types.cpp); CardFamilies.cpp lists
// the families. Every list of card types (the ATR table, the factory, the recognition, the
// card application detection, the PKCS#15 differences, the legacy path) is read from these
// rows; nothing else names a card type.
#ifndef VN_CARD_CARDTYPES_H
#define VN_CARD_CARDTYPES_H

#include <cstddef>
#include <string>
#include <vector>

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

// The card application layer's detection routine for a card type (CSC_Profile::Init
// interprets it); None: the card type detects no layout.
enum class Detection {
    None,
    Tcos2,
    Tcos3,
    Tcos3v2,
    Micardo21,
    CardOs43,
    CardOs44,
    CardOs50,
    CardOs54,
    Starcos30,
    Starcos32,
    Starcos34,
    Starcos35,
    Seccos5,
    Setcos441,
    Setcos442,
    SmartCardHsm,
};

// What the PKCS#15 reader and the profile do differently (cardapp/Pkcs15Quirks interprets it).
enum class Pkcs15Quirk { None, CardOs, CardOs54, Setcos441, Setcos442 };

// How far the legacy minidriver path knows a card type: not at all, by its label only, or
// by its label with a card-OS object on the host's handle.
enum class LegacySupport { None, Label, CardOs };

// The legacy path's detection routine (CProfile::GetProfile interprets it).
enum class LegacyDetection {
    None,
    Tcos2,
    Tcos3,
    Micardo,
    CardOs,
    Starcos30,
    Seccos,
    Setcos,
    CardOs401,
    Starcos32,
    Starcos34,
};

// The legacy path's GET DATA: none, SECCOS's (00 CA DF p1) or SetCOS 4.4.1's (00 CA 01 p1, Le p2).
enum class LegacyGetData { None, Seccos, Setcos };

// The PKCS#15 profile the minidriver hands out: none, the built-in CardOS 4.3b one, or
// the one the legacy detection read from the card.
enum class MinidriverP15 { None, CardOs43b, FromCard };

struct CardTypeRow {
    int code;
    const char* name;               // card name (CSC_Profile_Base::getCardName())
    const char* labels[4];          // labels of CSC_Profile_Base::CardType(), null-ended
    CSC_Profile_Base* (*create)();  // its card-OS object; null: none of its own
    bool t0Only;                    // the protocol is set to T=0 once connected
    PinPathKind pinPath;            // how a PIN's path is selected before VERIFY
    Detection detection;
    Pkcs15Quirk pkcs15;
    LegacySupport legacy;
    LegacyDetection legacyDetection;
    bool signsPss;       // its signing environment makes RSA-PSS signatures
    bool deciphersOaep;  // it deciphers OAEP blocks
    // What only a few card types do; rows leave them out when they do not.
    LegacyGetData legacyGetData = LegacyGetData::None;
    bool nullPinProbe = false;  // the legacy path asks whether the PIN is still in its transport state
    bool makerKey = false;      // the maker's public key is written to the card and checked there
    MinidriverP15 minidriverP15 = MinidriverP15::None;
};

// The position of an ATR row that is matched after the prescribed ATR table.
constexpr int kAfterAtrList = -1;

// One ATR of a card type: the card type, its row in ATRlist (or kAfterAtrList), the name
// written to the log when it matches, the ATR and its mask ("3b,d2,18,...").
struct AtrRow {
    int code;
    int position;
    const char* logName;
    const char* atr;
    const char* mask;
};

// The card types of one family and their ATRs.
struct CardFamily {
    const char* name;
    const CardTypeRow* types;
    size_t typeCount;
    const AtrRow* atrs;
    size_t atrCount;
};

// The row of a code; null for codes without one (no card, unknown card).
const CardTypeRow* cardType(int code);
// The code of a label; 0 when no row has it.
int cardTypeOfLabel(const std::string& label);
// Whether a card type has a card-OS class of its own.
bool hasCardOs(int code);
// Every card type row: the built-in families' first, then the registered ones.
std::vector<const CardTypeRow*> cardTypeRows();
// Every ATR row of every family, in family order.
std::vector<AtrRow> atrRows();

// Adds a family beyond the built-in ones (its rows must outlive every use); its ATRs are
// matched after the prescribed table. False when one of its codes or labels is taken.
bool registerCardFamily(const CardFamily& family);

}  // namespace vn_card

#endif
