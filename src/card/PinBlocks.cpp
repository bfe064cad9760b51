#include "PinBlocks.h"

#include <cstring>

namespace vn_cardos {

bool format2Block(const unsigned char* pin, unsigned length, unsigned char out[8]) {
    if (pin == nullptr || length == 0 || length > 14)
        return false;
    std::memset(out, 0xFF, 8);
    out[0] = static_cast<unsigned char>(0x20 | length);
    for (unsigned i = 0; i < length; ++i) {
        if (pin[i] < '0' || pin[i] > '9')
            return false;
        unsigned char digit = static_cast<unsigned char>(pin[i] - '0');
        unsigned char& b = out[1 + i / 2];
        b = (i % 2 == 0) ? static_cast<unsigned char>((digit << 4) | 0x0F)
                         : static_cast<unsigned char>((b & 0xF0) | digit);
    }
    return true;
}

bool paddedBlock(const unsigned char* pin, unsigned length, unsigned size, vn_secret::WipedBytes& out) {
    if ((pin == nullptr && length) || length > size)
        return false;
    out.assign(size, 0x00);
    if (length)
        std::memcpy(out.data(), pin, length);
    return true;
}

int f2Verify(CSC_Profile_Base& card, unsigned char ref, const unsigned char* pin, unsigned length) {
    unsigned char block[8];
    vn_secret::WipeOnExit wipe(block, sizeof(block));
    if (!format2Block(pin, length, block))
        return kCardFailed;
    return send(card, Command::iso(kApduCase3, kInsVerify, 0x00, ref).withData(block, sizeof(block)))
               ? card.returnResult()
               : kCardFailed;
}

namespace {
int twoBlocks(CSC_Profile_Base& card, unsigned char p1, unsigned char ins, unsigned char ref, const unsigned char* a,
              unsigned aLength, const unsigned char* b, unsigned bLength) {
    unsigned char blocks[16];
    vn_secret::WipeOnExit wipe(blocks, sizeof(blocks));
    if (!format2Block(a, aLength, blocks) || !format2Block(b, bLength, blocks + 8))
        return kCardFailed;
    return send(card, Command::iso(kApduCase3, ins, p1, ref).withData(blocks, sizeof(blocks))) ? card.returnResult()
                                                                                               : kCardFailed;
}
}  // namespace

int f2Change(CSC_Profile_Base& card, unsigned char ref, const unsigned char* oldPin, unsigned oldLength,
             const unsigned char* newPin, unsigned newLength, unsigned minNew, unsigned maxNew) {
    if (newLength < minNew || newLength > maxNew)
        return kCardFailed;
    return twoBlocks(card, 0x00, 0x24, ref, oldPin, oldLength, newPin, newLength);
}

int f2Unblock(CSC_Profile_Base& card, unsigned char ref, const unsigned char* puk, unsigned pukLength,
              const unsigned char* newPin, unsigned newLength, unsigned minNew, unsigned maxNew) {
    if (newLength < minNew || newLength > maxNew)
        return kCardFailed;
    return twoBlocks(card, 0x00, 0x2C, ref, puk, pukLength, newPin, newLength);
}

int f2Unblock2(CSC_Profile_Base& card, unsigned char ref, const unsigned char* puk, unsigned pukLength) {
    unsigned char block[8];
    vn_secret::WipeOnExit wipe(block, sizeof(block));
    if (!format2Block(puk, pukLength, block))
        return kCardFailed;
    return send(card, Command::iso(kApduCase3, kInsResetRetryCounter, 0x01, ref).withData(block, sizeof(block)))
               ? card.returnResult()
               : kCardFailed;
}

int f2ChangeLimited(CSC_Profile_Base& card, unsigned char ref, const unsigned char* oldPin, unsigned oldLength,
                    const unsigned char* newPin, unsigned newLength, unsigned shorter) {
    card.SetMinMaxPINLength();
    return f2Change(card, ref, oldPin, oldLength, newPin, newLength, card.getMinPinLength() - shorter,
                    card.getMaxPinLength());
}

int f2UnblockLimited(CSC_Profile_Base& card, unsigned char ref, const unsigned char* puk, unsigned pukLength,
                     const unsigned char* newPin, unsigned newLength) {
    card.SetMinMaxPINLength();
    return f2Unblock(card, ref, puk, pukLength, newPin, newLength, card.getMinPinLength(), card.getMaxPinLength());
}

}  // namespace vn_cardos
