// Public interface of the card simulator engine.
//
// A Card is one simulated smart card built from an image file (see images/*.card).
// It answers command APDUs as the card operating system named in the image does,
// keeps a transcript of every exchange and can be scripted to misbehave.
//
// The interface is stable: later versions only add members.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace cardsim {

using Bytes = std::vector<uint8_t>;

// Malformed image file, unknown dialect, missing PKI file. what() names the
// file and line, e.g. "starcos35.card:12: unknown key 'fidd'".
class ImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Transmission protocol of the card. Taken from the ATR (first T= offered);
// setProtocol() overrides it (a reader negotiating the other one).
enum class Protocol { T0, T1 };

// One entry of the transcript.
struct Exchange {
  enum class Kind { Apdu, PowerOn, PowerOff, Reset, Removed, Inserted };
  Kind kind = Kind::Apdu;
  Bytes command;     // the command APDU as received (Apdu only)
  Bytes response;    // the answer as sent, data + SW; empty when the card gave none
  size_t index = 0;  // 1-based number of the command (Apdu only)
};

// A scripted misbehaviour. It fires at the command with the given 1-based
// number (counted over the life of the Card, see commandCount()), once.
struct Fault {
  enum class Kind {
    StatusWord,  // answer only `sw` without executing the command
    Truncate,    // execute, then send only the first `keep` bytes of the answer
    Drop,        // the card is pulled out: no answer, present() becomes false
    Mute,        // no answer at all (the reader sees a timeout); card stays
    Corrupt,     // execute, then invert the answer data byte `offset` (< 0: from the end)
    Zero,        // execute, then set every answer data byte to zero; the status stays
  };
  Kind kind = Kind::StatusWord;
  size_t atCommand = 1;
  uint16_t sw = 0x6F00;
  size_t keep = 0;
  long offset = 0;
};

class Engine;  // implementation

class Card {
 public:
  // Loads an image. PKI file names in the image (cert = ..., key = ...) are
  // resolved against pkiDir; when empty, against $CARDSIM_PKI_DIR, then the
  // image's own folder. Throws ImageError.
  static std::unique_ptr<Card> fromFile(const std::string& imagePath, const std::string& pkiDir = "");
  static std::unique_ptr<Card> fromText(const std::string& text, const std::string& pkiDir = "",
                                        const std::string& sourceName = "image");
  // Non-throwing variant: returns nullptr and fills error.
  static std::unique_ptr<Card> load(const std::string& imagePath, const std::string& pkiDir,
                                    std::string& error) noexcept;

  ~Card();
  Card(const Card&) = delete;
  Card& operator=(const Card&) = delete;

  // Answer to reset of the card (from the image).
  const Bytes& atr() const;
  std::string dialectName() const;  // "iso", "starcos35", "cardos50"
  std::string label() const;        // "label" of the image, may be empty

  // Power and reset. A cold or warm reset clears the volatile state (current
  // file, verified PINs, security environment, pending GET RESPONSE data);
  // file contents, PIN values and retry counters persist.
  void powerOn();
  void powerOff();
  void reset();
  bool powered() const;

  // Presence: false after a Drop fault or remove(); insert() puts it back.
  bool present() const;
  void remove();
  void insert();

  Protocol protocol() const;
  void setProtocol(Protocol p);

  // Sends one command APDU (short or extended, as bytes on the wire) and
  // returns the answer (data + SW1 SW2). Returns an empty vector when the card
  // gives no answer (not present, not powered, Drop or Mute fault).
  // Never throws; malformed APDUs get the status word a card gives.
  Bytes transmit(const Bytes& apdu) noexcept;

  // Transcript: in memory, and when a file is set, appended to it line by line:
  //   "> 00A4000C023F00"   command
  //   "< 9000"             answer ("< " alone: no answer)
  //   "* power on" / "* power off" / "* reset" / "* removed" / "* inserted"
  const std::vector<Exchange>& transcript() const;
  void clearTranscript();  // the command counter keeps counting
  // "" switches the file off; the file is truncated unless append is set.
  void setTranscriptFile(const std::string& path, bool append = false);
  size_t commandCount() const;  // commands received so far (life of the Card)
  // With $CARDSIM_RECORD naming a file, every card of the process appends its
  // exchanges there too, each line led by the card's tag (image name and "#n", the
  // n-th card of the process, unless set here): transcripts of whole test runs.
  void setRecordTag(const std::string& tag);

  // Faults.
  void addFault(const Fault& f);
  // Arms a fault `n` commands from now (n = 1: the next command).
  void addFaultAfter(size_t n, Fault f);
  void clearFaults();

  // Parses a fault text "N:sw=6982", "N:truncate=3", "N:drop", "N:mute", "N:corrupt=-1",
  // "N:zero"; several rules separated by commas ("+1:zero,+2:sw=6982")
  // (N = absolute command number; "+N:..." = relative to now). Throws std::invalid_argument.
  void addFaultSpec(const std::string& rule);

  // Direct access for tests: contents of a transparent EF by absolute path
  // ("3F00/0604/C001" or "3f000604c001"); empty when there is no such EF.
  Bytes fileContents(const std::string& path) const;
  // Retry counter of the PIN with the given reference in the DF of path ("" = MF); -1 if none.
  int pinTriesLeft(const std::string& dfPath, uint8_t reference) const;

  Engine& engine();

 private:
  explicit Card(std::unique_ptr<Engine> e);
  static std::unique_ptr<Card> fromTextIn(const std::string& text, const std::string& pkiDir,
                                          const std::string& sourceName, const std::string& imageDir);
  std::unique_ptr<Engine> m_engine;
};

// Helpers.
// Image by path, or by name ("cardos50-dtrust") in $CARDSIM_IMAGE_DIR or the
// source tree's image folder. Returns the path; the name itself when not found.
std::string resolveImage(const std::string& nameOrPath);
// PKI folder: $CARDSIM_PKI_DIR, else the build tree's pki folder.
std::string defaultPkiDir();

Bytes fromHex(const std::string& hex);  // ignores spaces, ':' and '/'; throws std::invalid_argument
std::string toHex(const Bytes& b);      // upper case, no separators

}  // namespace cardsim
