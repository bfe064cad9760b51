#include "card/cardos/CardOsFamily.h"

#include <cstring>

namespace vn_cardos {

namespace {
// The pin pad's answers (PC/SC part 10) all count as a cancelled entry.
// clang-format off
const StatusRow kCardosOwn[] = {
    {kSwPinPadCancelled, kCardPinPadCancelled, "pin pad: entry cancelled"},
    {kSwPinPadMismatch,  kCardPinPadCancelled, "pin pad: the new PINs differ"},
    {kSwPinPadLength,    kCardPinPadCancelled, "pin pad: PIN length out of range"},
};
// clang-format on
const uint32_t kCardosIso[] = {kSwOk, kSwVerificationFailed, kSwAuthBlocked};
const StatusMap kCardosStatus = statusMap(kCardosOwn, kCardosIso);
// The PIN lengths a CardOS 4 card object accepts for a new PIN (and gives its pin-pad
// structures): 8 to 15, with shorter minimums for the layouts below. The layout rows of
// these cards describe their PINs as up to 16 digits long; the library sends at most 15.
const unsigned char kCardosPinMaximum = 15;
const unsigned char kCardosPinMinimum = 8;
struct CardosPinMinimum {
    int profileType;
    unsigned char minimum;
    bool only43b;  // CardOS 4.4 keeps the 8-digit minimum for this layout
};
// clang-format off
const CardosPinMinimum kCardosPinMinimums[] = {
    {CP_QUOVADIS_CH,     6, false},
    {CP_DTRUST_CARD_24,  6, false},
    {CP_DTRUST_CARD,     6, false},
    {CP_DTRUST_CARD_2CE, 6, false},
    {CP_SWISSSIGN_ID,    5, false},
    {CP_SUISSEID,        5, true},
};
// clang-format on
}  // namespace

int cardosResult(uint32_t status, int& tries) {
    tries = -1;
    return mapStatus(status, kCardosStatus);
}

int cardosChipId(CSC_Profile_Base& card) {
    if (!send(card, Command::iso(kApduRead, kInsGetData, 0x01, 0x81)) || card.getSW() != kSwOk) {
        card.SetSerialNumber(nullptr, 0);
        return kCardFailed;
    }
    unsigned char id[8];
    int n = card.getResponseLength() < 8 ? card.getResponseLength() : 8;
    std::memcpy(id, card.getResponse(), static_cast<size_t>(n));
    card.SetSerialNumber(id, n);
    return kCardOk;
}

int cardosSelectMF(CSC_Profile_Base& card) {
    markMasterFile(card);
    if (!send(card, Command::iso(kApduCase2, kInsSelect, 0x00, 0x04).withLe(0x00)))
        return kCardFailed;
    return selectResult(card.getSW(), false);
}

void cardosPinLimits(int profileType, bool fiveFor41, unsigned char& minimum, unsigned char& maximum) {
    maximum = kCardosPinMaximum;
    minimum = kCardosPinMinimum;
    for (const CardosPinMinimum& row : kCardosPinMinimums)
        if (row.profileType == profileType && (fiveFor41 || !row.only43b))
            minimum = row.minimum;
}

int cardosSelectKeyDirectory(CSC_Profile_Base& card, int& profileType, int& profileType2, std::string& keyPathField,
                             int newProfileType, const std::string& keyPath) {
    profileType = newProfileType;
    profileType2 = newProfileType;
    keyPathField = keyPath;
    std::string path = upperPath(keyPath);
    if (path.size() < 8)
        return card.SelectPath(keyPath, true, false, true, false);
    return card.SelectPath(path.substr(0, path.size() - 4), false, false, true, false);
}

int cardosRestoreSE(CSC_Profile_Base& card, unsigned char se) {
    if (!send(card, Command::iso(kApduCase1, kInsManageSe, kMseRestore, se)))
        return kCardFailed;
    return card.getSW() == kSwOk ? kCardOk : kCardFailed;
}

int cardosSetDecipherKey(CSC_Profile_Base& card, unsigned char keyRef) {
    if (!send(card, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateCipher)
                        .withData(Bytes{0x83, 0x01, keyRef})) ||
        card.getSW() != kSwOk)
        return kCardFailed;
    return kCardOk;
}

int cardosDecipher(CSC_Profile_Base& card, unsigned char se, unsigned char keyRef, const unsigned char* in,
                   unsigned long inLength, unsigned char* out, unsigned long* outLength) {
    cardosRestoreSE(card, se);
    if (cardosSetDecipherKey(card, keyRef) != kCardOk)
        return kCardFailed;
    return decipher(card, Bytes(), 0x81, in, inLength, out, outLength, true);
}

int hashOnlyBlock(int keyBits, const unsigned char* hash, unsigned long hashLength, unsigned char** out,
                  unsigned long* outLength) {
    if (hash == nullptr || keyBits <= 0 || hashLength > static_cast<unsigned long>(keyBits) / 4)
        return kCardFailed;
    return handOut(SignBlock(hash, hash + hashLength), out, outLength);
}

}  // namespace vn_cardos
