// In-process PC/SC service for tests.
//
// Linking the `pcscsim` library into a test program gives the program its own
// definitions of the SCard* functions of <PCSC/winscard.h>. They take precedence
// over libpcsclite's, so everything in the program that talks PC/SC (the library
// under test included) talks to the readers configured here instead of pcscd.
// The cards in the readers are card simulator engine cards (cardsim::Card).
//
// What this adds over a virtual reader on the real pcscd: pin-pad readers with
// the PC/SC part 10 features (feature request, VERIFY/MODIFY PIN START, FINISH
// and DIRECT, GET KEY PRESSED) fed by a scripted key sequence, reader
// attributes (system name, vendor, anything else), transmission and control
// errors at a chosen call, and card removal while a handle is open.
//
// The configuration functions may be called from any thread; a thread waiting
// in SCardGetStatusChange wakes up when a card is inserted or removed.
// They throw std::invalid_argument for an unknown reader or a bad argument.
#pragma once

#include <PCSC/reader.h>
#include <PCSC/winscard.h>

#include <cardsim/Engine.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pcscsim {

using Bytes = std::vector<uint8_t>;

// Key codes a pin pad reports through FEATURE_GET_KEY_PRESSED. A digit is
// reported as Digit, never as its value.
namespace key {
constexpr uint8_t None = 0x00;       // no key pressed since the last poll
constexpr uint8_t Backspace = 0x08;  // the last digit was removed
constexpr uint8_t Clear = 0x0A;      // all digits were removed
constexpr uint8_t Enter = 0x0D;      // entry validated
constexpr uint8_t Cancel = 0x1B;     // entry cancelled
constexpr uint8_t Digit = 0x2B;      // a digit was entered
constexpr uint8_t Timeout = 0x40;    // the user did not finish in time
}  // namespace key

// Status words the pin pad returns instead of a card answer.
namespace sw {
constexpr uint16_t Timeout = 0x6400;
constexpr uint16_t Cancelled = 0x6401;
constexpr uint16_t Mismatch = 0x6402;   // new PIN and its confirmation differ
constexpr uint16_t BadLength = 0x6403;  // PIN shorter or longer than allowed
}  // namespace sw

// Control code under which a reader built with pinPadReader() offers a feature.
constexpr DWORD featureCode(uint8_t tag) { return SCARD_CTL_CODE(3500 + tag); }

struct ReaderOptions {
  // PC/SC part 10 features announced by the feature request: tag -> control code.
  std::map<uint8_t, DWORD> features;
  // false: the reader refuses every SCardControl (SCARD_E_UNSUPPORTED_FEATURE).
  bool controlSupported = true;
  // When set, the feature request answers these bytes verbatim (malformed answers).
  std::optional<Bytes> featureAnswer;
  // SCARD_ATTR_DEVICE_SYSTEM_NAME; empty: the reader name.
  std::string systemName;
  // SCARD_ATTR_VENDOR_NAME; empty: the attribute is not supported.
  std::string vendorName;
  // Further attributes, or replacements of the built-in ones, as raw bytes.
  std::map<DWORD, Bytes> attributes;
};

// A reader with a pin pad: VERIFY/MODIFY PIN START and FINISH, GET KEY PRESSED,
// VERIFY/MODIFY PIN DIRECT and IFD_PIN_PROPERTIES, each under featureCode(tag).
ReaderOptions pinPadReader();
// A plain reader: answers the feature request with an empty list.
ReaderOptions plainReader();

// One SCardTransmit or SCardControl call that reached a reader.
struct Call {
  enum class Kind { Transmit, Control };
  Kind kind = Kind::Transmit;
  std::string reader;
  DWORD controlCode = 0;  // Control only
  Bytes input;            // the command APDU, or the control input
  Bytes output;           // the answer returned to the caller (empty on error)
  LONG result = SCARD_S_SUCCESS;
  Bytes cardCommand;  // pin-pad operations: the APDU the reader built and sent to the card
};

// Forgets every reader, card, context, handle, script, fault and the call log.
// Memory handed out with SCARD_AUTOALLOCATE stays tracked (see outstandingAllocations).
void reset();

// Readers are listed in the order they were added. Names must be unique,
// non-empty and shorter than MAX_READERNAME.
void addReader(const std::string& name, const ReaderOptions& options = plainReader());
void removeReader(const std::string& name);
std::vector<std::string> readers();

// Puts a card into an empty reader (inserts and powers it). The simulator shares
// the card with the caller, who can read its transcript and arm its faults; a
// cardsim Drop fault shows as a card removed at that command.
void insertCard(const std::string& reader, std::shared_ptr<cardsim::Card> card);
// Takes the card out; open handles on it get SCARD_W_REMOVED_CARD. Returns the card.
std::shared_ptr<cardsim::Card> removeCard(const std::string& reader);
std::shared_ptr<cardsim::Card> cardIn(const std::string& reader);
// Loads a card image by name ("starcos35-a") or path, with the test PKI, and
// inserts it. Throws cardsim::ImageError when the image cannot be loaded.
std::shared_ptr<cardsim::Card> insertImage(const std::string& reader, const std::string& image);

// Appends keys the user will press on the reader's pin pad, one character each:
//   '0'..'9'  a digit           '\r'  Enter (validate)      '\x1b'  Cancel
//   '\b'      Backspace         '\n'  Clear                 '.'     no key yet (one poll)
//   'T'       the entry times out
//   '!'       the reader stops answering: that key poll, or the direct PIN
//             operation reaching it, fails with SCARD_E_NOT_TRANSACTED
//   'X'       the same for good: every later poll or PIN operation fails,
//             until clearKeys()
// An entry that runs out of keys times out.
void scriptKeys(const std::string& reader, const std::string& keys);
void clearKeys(const std::string& reader);
std::string pendingKeys(const std::string& reader);

// The n-th SCardTransmit (1-based, counted over all readers since reset()) fails
// with `code` without reaching the card. Same for SCardControl.
void failTransmitAt(size_t n, LONG code);
void failControlAt(size_t n, LONG code);
size_t transmitCount();
size_t controlCount();

// false: SCardEstablishContext answers SCARD_E_NO_SERVICE.
void setServiceRunning(bool running);

std::vector<Call> calls();
void clearCalls();

// Adds readers, cards and keys from a text, one item a line ('#' starts a comment):
//   reader NAME           a new reader; the lines below belong to it
//   pinpad                it has the pin-pad features of pinPadReader()
//   system NAME           SCARD_ATTR_DEVICE_SYSTEM_NAME
//   vendor NAME           SCARD_ATTR_VENDOR_NAME
//   card IMAGE            a card from an image name or path (insertImage)
//   keys KEYS             scripted keys; escapes \r Enter, \e Cancel, \b Backspace, \n Clear,
//                         and a doubled backslash for one
// Throws std::invalid_argument naming the line, or cardsim::ImageError.
void loadSetup(const std::string& text);

// For leak checks: contexts not released, card handles not disconnected, and
// SCARD_AUTOALLOCATE buffers not given back with SCardFreeMemory.
size_t openContexts();
size_t openHandles();
size_t outstandingAllocations();
// SCardFreeMemory calls with a pointer the simulator did not hand out.
size_t foreignFrees();

}  // namespace pcscsim
