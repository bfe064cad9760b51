// The pin pad of a simulated reader: the PC/SC part 10 PIN structures, the
// user's entry from a key script, and the command APDU with the PIN inserted.
#pragma once

#include <PCSC/winscard.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pcscsim::pinpad {

using Bytes = std::vector<uint8_t>;

// Where and how a PIN goes into the command data (bmFormatString,
// bmPINBlockString, bmPINLengthFormat). Positions count bits from the most
// significant bit of the first data byte after Lc.
struct Format {
  unsigned pinBitPos = 0;
  bool rightJustify = false;
  unsigned type = 0;        // 0 binary (one byte per digit), 1 BCD, 2 ASCII
  unsigned lengthBits = 0;  // size of the PIN length field; 0: no field
  unsigned lengthBitPos = 0;
  unsigned blockBytes = 0;  // PIN block size; 0: as long as the encoded PIN
};

// A parsed PIN_VERIFY_STRUCTURE or PIN_MODIFY_STRUCTURE.
struct Request {
  bool modify = false;
  Format format;
  unsigned offsetOld = 0;  // modify: byte offsets of the current and the new PIN
  unsigned offsetNew = 0;
  unsigned minDigits = 0;
  unsigned maxDigits = 0;
  uint8_t confirm = 0;     // modify: bit 0 new PIN entered twice, bit 1 current PIN entered
  uint8_t validation = 0;  // bEntryValidationCondition
  Bytes apdu;              // abData: the command template
};

// Size of the fixed part of each structure, before abData.
constexpr size_t kVerifyHeader = 19;
constexpr size_t kModifyHeader = 24;

// nullopt when the structure is malformed (short, lengths that disagree,
// reserved format, no command header).
std::optional<Request> parseVerify(const uint8_t* data, size_t length);
std::optional<Request> parseModify(const uint8_t* data, size_t length);

// The command with the PIN(s) in place, or why there is none.
struct Built {
  LONG error = SCARD_S_SUCCESS;  // SCARD_E_INVALID_PARAMETER: the template cannot take the PIN
  uint16_t readerSw = 0;         // non-zero: the pin pad answers this instead (PIN too long)
  Bytes apdu;
};
Built buildCommand(const Request& request, const std::string& currentPin, const std::string& newPin);

// One PIN entry on the pad: a verification (one PIN) or a change (current PIN,
// new PIN, confirmation, as the request asks).
class Entry {
 public:
  explicit Entry(Request request);

  // Handles one scripted key ('0'..'9', '\r', '\x1b', '\b', '\n', '.', 'T') and
  // returns the key code the reader reports for it.
  uint8_t press(char k);
  // The user stopped typing.
  void timeout();

  bool done() const { return m_done; }
  // After done(): 0 when the PINs are complete, else the pin pad's status word.
  uint16_t status() const { return m_status; }
  // After done(): the key code that ended the entry (Enter, Cancel, Timeout).
  uint8_t finalKey() const { return m_finalKey; }
  const Request& request() const { return m_request; }
  const std::string& currentPin() const { return m_current; }
  const std::string& newPin() const { return m_new; }

 private:
  enum class Stage { Current, New, Confirm };
  void completeStage();
  void finish(uint16_t status, uint8_t finalKey);
  unsigned maxDigits() const;

  Request m_request;
  std::vector<Stage> m_stages;
  size_t m_stage = 0;
  std::string m_typing;
  std::string m_current;
  std::string m_new;
  std::string m_confirm;
  bool m_done = false;
  uint16_t m_status = 0;
  uint8_t m_finalKey = 0;
};

// True for the characters a key script may hold.
bool isScriptKey(char k);

}  // namespace pcscsim::pinpad
