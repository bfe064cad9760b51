// PIN blocks and the PIN commands that carry them: the ISO 9564 format-2 block of the
// format-2 cards and the zero-padded ASCII block.
#ifndef VN_CARD_PINBLOCKS_H
#define VN_CARD_PINBLOCKS_H

#include "IsoCommands.h"
#include "infra/Secrets.h"

namespace vn_cardos {

// ISO 9564 format-2 block: 2N, the digits packed in nibbles, F filler. False when the
// PIN is empty, longer than 14 digits or holds anything but decimal digits.
bool format2Block(const unsigned char* pin, unsigned length, unsigned char out[8]);
// The PIN as ASCII, zero-padded to `size` bytes; false when it is longer.
bool paddedBlock(const unsigned char* pin, unsigned length, unsigned size, vn_secret::WipedBytes& out);

// Format-2 PIN commands; the status is mapped with the object's returnResult().
// New PINs outside [minNew, maxNew] digits give 255 without a command.
// VERIFY 00 20 00 ref 08 block.
int f2Verify(CSC_Profile_Base& card, unsigned char ref, const unsigned char* pin, unsigned length);
// CHANGE REFERENCE DATA 00 24 00 ref 10 old new.
int f2Change(CSC_Profile_Base& card, unsigned char ref, const unsigned char* oldPin, unsigned oldLength,
             const unsigned char* newPin, unsigned newLength, unsigned minNew, unsigned maxNew);
// RESET RETRY COUNTER 00 2C 00 ref 10 puk new.
int f2Unblock(CSC_Profile_Base& card, unsigned char ref, const unsigned char* puk, unsigned pukLength,
              const unsigned char* newPin, unsigned newLength, unsigned minNew, unsigned maxNew);
// RESET RETRY COUNTER 00 2C 01 ref 08 puk: the PIN stays, its counter is reset.
int f2Unblock2(CSC_Profile_Base& card, unsigned char ref, const unsigned char* puk, unsigned pukLength);

// Format-2 change and unblock with the object's PIN length limits (read again first);
// a new PIN may be `shorter` digits below the minimum.
int f2ChangeLimited(CSC_Profile_Base& card, unsigned char ref, const unsigned char* oldPin, unsigned oldLength,
                    const unsigned char* newPin, unsigned newLength, unsigned shorter);
int f2UnblockLimited(CSC_Profile_Base& card, unsigned char ref, const unsigned char* puk, unsigned pukLength,
                     const unsigned char* newPin, unsigned newLength);

}  // namespace vn_cardos

#endif
