// Message tables: one row per message, the same ids in the same order in each language.
#ifndef VN_INFRA_MSGTABLES_H
#define VN_INFRA_MSGTABLES_H

#include <cstdint>

struct MsgRow {
    uint32_t id;
    const char* text;
};

constexpr uint32_t kEndOfTable = 0xFFFFFFFF;

// Ids of the messages the library shows by name (the PIN names of the layout tables
// have theirs beside those tables).
namespace msgid {
enum : unsigned {
    kPinPadEnter = 100,        // "Please enter %s PIN with the reader keypad."
    kPinPadEnterOld = 101,     // "Please enter the old %s PIN with the reader keypad."
    kPinPadChange = 102,       // the old PIN, then twice the new one, on the reader keypad
    kPinPadEnterNew = 103,     // "Please enter the new %s PIN with the reader keypad."
    kRepeatPin = 104,          // "Please repeat the PIN."
    kKeyboardEnterOld = 106,   // "Please enter the old %s PIN with the computer keyboard."
    kKeyboardEnterNew = 107,   // "Please enter the new %s PIN."
    kKeyboardRepeatNew = 108,  // "Please repeat the new %s PIN."
    kKeyboardEnter = 110,      // "Please enter %s PIN with the computer keyboard."
    kError = 300,              // "Error" (title)
    kInitialPin = 301,         // "Initial PIN is active, please change the PIN."
    kWrongPin = 302,           // "PIN is wrong."
    kPinBlocked = 303,         // "PIN is blocked."
    kPinPadCancelled = 305,    // "The PIN entry via the keypad of the reader was canceled."
    kKeyboardCancelled = 306,  // "The PIN entry via the keyboard of the computer was canceled."
    kUnknown = 11000,          // "unknown"
};
}  // namespace msgid

extern const MsgRow kMsgEnglish[];
extern const MsgRow kMsgGerman[];
extern const MsgRow kMsgSwedish[];

#endif
