// PC/SC part 10 pin-pad structures (PIN_VERIFY_STRUCTURE, PIN_MODIFY_STRUCTURE): the
// default structures every card operating system starts from, their adjustments for
// format-2 and ASCII PINs, and the messages that start a pin-pad entry.
#ifndef VN_CARD_PINPADSTRUCTURES_H
#define VN_CARD_PINPADSTRUCTURES_H

#include <cstdint>
#include <string>

#include "IsoCommands.h"

namespace vn_cardos {

// Field offsets (packed little-endian).
namespace pv {  // PIN_VERIFY_STRUCTURE
enum {
    TimerOut = 0,
    TimerOut2 = 1,
    FormatString = 2,
    BlockString = 3,
    LengthFormat = 4,
    MaxExtra = 5,
    Validation = 7,
    NumberMessage = 8,
    LangId = 9,
    MsgIndex = 11,
    Teo = 12,
    DataLength = 15,
    Data = 19
};
}
namespace pm {  // PIN_MODIFY_STRUCTURE
enum {
    TimerOut = 0,
    TimerOut2 = 1,
    FormatString = 2,
    BlockString = 3,
    LengthFormat = 4,
    OffsetOld = 5,
    OffsetNew = 6,
    MaxExtra = 7,
    Confirm = 9,
    Validation = 10,
    NumberMessage = 11,
    LangId = 12,
    MsgIndex1 = 14,
    MsgIndex2 = 15,
    MsgIndex3 = 16,
    Teo = 17,
    DataLength = 20,
    Data = 24
};
}
// wPINMaxExtraDigit: maximum in the low byte, minimum in the high byte.
void setMaxExtra(unsigned char* at, unsigned minimum, unsigned maximum);
// ulDataLength, little-endian.
void setDataLength(unsigned char* at, uint32_t length);

// The default structures: timeouts 30 s, ASCII PIN without block, VERIFY 00 20 00 00 or
// CHANGE REFERENCE DATA 00 24 00 00 with confirmation.
PIN_VERIFY_STRUCTURE* defaultVerifyStructure(unsigned char minimum, unsigned char maximum);
PIN_MODIFY_STRUCTURE* defaultModifyStructure(unsigned char minimum, unsigned char maximum);
// The adjustments for a format-2 PIN of reference `ref` (block of 8 bytes, length
// nibble); the modify insertion offsets move by one for the KOBIL KAAN Advanced.
void format2AdjustVerify(PIN_VERIFY_STRUCTURE* s, unsigned char ref, unsigned char minimum, unsigned char maximum);
void format2AdjustModify(PIN_MODIFY_STRUCTURE* s, unsigned char ref, unsigned char minimum, unsigned char maximum,
                         const std::string& readerName);
// Pin-pad structures where only the PIN length limits are set (bytes wMaxExtra).
void adjustLimits(PIN_VERIFY_STRUCTURE* s, unsigned char minimum, unsigned char maximum);
void adjustLimits(PIN_MODIFY_STRUCTURE* s, unsigned char minimum, unsigned char maximum);
// Pin-pad structures for an ASCII PIN: verification with the block size `blockString`
// and `dataLength` bytes of command data; modification with old and new PIN each in an
// 8-byte field (command data 21 bytes). The PIN reference goes to P2.
void asciiAdjustVerify(PIN_VERIFY_STRUCTURE* s, unsigned char ref, unsigned char blockString, uint32_t dataLength,
                       unsigned char minimum, unsigned char maximum);
void asciiAdjustModify(PIN_MODIFY_STRUCTURE* s, unsigned char ref, unsigned char minimum, unsigned char maximum);

// The start of a format-2 pin-pad verification (structure, then Lc 08 and the
// format-2 template) and modification (structure, Lc 10, two templates).
Bytes format2VerifyMessage(const PIN_VERIFY_STRUCTURE* s);
Bytes format2ModifyMessage(const PIN_MODIFY_STRUCTURE* s);

// Sends `message` under the verify (or modify) start code, else the direct code: 0 or 1.
int startPinPad(CSC_Profile_Base& card, bool modify, Bytes message);
// Sends the format-2 messages of the object's structures: 0 or 1.
int startFormat2Verify(CSC_Profile_Base& card);
int startFormat2Modify(CSC_Profile_Base& card);
// Sends the object's pin-pad structure, then Lc `templateLength` and that many bytes of
// `filler`, under the verify (or modify) start code: 0 or 1 (1 also without a structure).
int startPinPadTemplate(CSC_Profile_Base& card, bool modify, unsigned char templateLength, unsigned char filler);

}  // namespace vn_cardos

#endif
