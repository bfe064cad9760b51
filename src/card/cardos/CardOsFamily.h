// What only the CardOS family (4.3b, 4.4, 5.0, 5.4) does: its status mapping, chip
// serial number, MF selection, PIN length limits by profile type, key directories,
// stored security environments and decipherment.
#ifndef VN_CARD_CARDOSFAMILY_H
#define VN_CARD_CARDOSFAMILY_H

#include <initializer_list>
#include <string>

#include "ProfileTypes.h"
#include "card/IsoCommands.h"

namespace vn_cardos {

// 9000 0, 6300 14, 6983 6, 6401/6402/6403 7, else 255; the remaining tries become -1.
int cardosResult(uint32_t status, int& tries);

// The chip serial number by GET DATA 00 CA 01 81 00; its first 8 bytes become the
// serial number. 0 or 255.
int cardosChipId(CSC_Profile_Base& card);
// MF selection: 00 A4 00 04 00 (case 2); the MF is recorded as current first.
int cardosSelectMF(CSC_Profile_Base& card);
// Whether `profileType` is one of `types`.
inline bool isProfileOf(int profileType, std::initializer_list<int> types) {
    for (int t : types)
        if (t == profileType)
            return true;
    return false;
}

// PIN length limits by profile type; `fiveFor41` tells whether profile 41 also allows
// five digits (CardOS 4.3b) or not (CardOS 4.4).
void cardosPinLimits(int profileType, bool fiveFor41, unsigned char& minimum, unsigned char& maximum);

// The key's directory (the key path without its last identifier) is selected; the
// profile type and key path are kept in the given fields.
int cardosSelectKeyDirectory(CSC_Profile_Base& card, int& profileType, int& profileType2, std::string& keyPathField,
                             int newProfileType, const std::string& keyPath);

// CardOS 5: MANAGE SECURITY ENVIRONMENT RESTORE 00 22 F3 se; 0 on 9000, else 255.
int cardosRestoreSE(CSC_Profile_Base& card, unsigned char se);
// CardOS 5: MANAGE SECURITY ENVIRONMENT 00 22 41 B8 83 01 key; 0 on 9000, else 255.
int cardosSetDecipherKey(CSC_Profile_Base& card, unsigned char keyRef);
// CardOS 5 decipherment: environment `se` restored (a refusal is ignored), the key set,
// then DECIPHER with prefix 81 in extended form.
int cardosDecipher(CSC_Profile_Base& card, unsigned char se, unsigned char keyRef, const unsigned char* in,
                   unsigned long inLength, unsigned char* out, unsigned long* outLength);
// CardOS 5: the hash itself (the card frames it), of at most keyBits / 4 bytes, in a new
// array.
int hashOnlyBlock(int keyBits, const unsigned char* hash, unsigned long hashLength, unsigned char** out,
                  unsigned long* outLength);

}  // namespace vn_cardos

#endif
