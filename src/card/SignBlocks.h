// The block a card signs, owned as bytes: the DigestInfo framing of the base class, the
// block of a card OS's own BuildSignBuffer, and the hand-over in a new array that the
// BuildSignBuffer interface prescribes.
#ifndef VN_CARD_SIGNBLOCKS_H
#define VN_CARD_SIGNBLOCKS_H

#include <vector>

#include "SC_Profile_Base.h"

namespace vn_cardos {

using SignBlock = std::vector<unsigned char>;

// Flags above the hash code in the card algorithm code: RSA-PSS asked for, and (CardOS
// 5.0) the stored environment that signs with block type 1.
const unsigned int kAlgFlagPss = 0x10000;
const unsigned int kAlgFlagBlockType1 = 0x20000;

// DigestInfo of the hash by the card algorithm code (the hash itself for the raw and the
// MD5+SHA-1 codes), as the EMSA-PKCS1-v1_5 block of keyBits / 8 bytes when `pad`.
// Logs as CSC_Profile_Base::BuildSignBuffer. False when the hash cannot be framed.
bool digestInfoBlock(unsigned int algId, int keyBits, const unsigned char* hash, unsigned long hashLength, bool pad,
                     SignBlock& block);
// The block of the object's BuildSignBuffer (the framing of its card OS). False on failure.
bool buildSignBlock(CSC_Profile_Base& card, unsigned int algId, int keyBits, unsigned char* hash,
                    unsigned long hashLength, bool pad, SignBlock& block);
// Gives the block out in a new array (delete[] by the receiver); 0, or 255 without outputs.
int handOut(const SignBlock& block, unsigned char** out, unsigned long* outLength);
// One 00 byte in front: the padded block as the private-key operation of DECIPHER takes it.
void prependZero(SignBlock& block);

}  // namespace vn_cardos

#endif
