// Test fixture helper: runs the real PC/SC stack (pcscd + vpcd + one cardsim
// per virtual reader) for the life of the object.
//
//   cardsim::StackOptions o;
//   o.image0 = "cardos50-dtrust";             // reader "Virtual PCD 00 00"
//   cardsim::TestStack stack(o);
//   ASSERT_TRUE(stack.ok()) << stack.error();
//   ... SCardEstablishContext / the library ...
//   auto x = stack.exchanges(0);              // every command and answer so far
//
// Every stack is private to its test program: its own pcscd (reached through the
// socket PCSCLITE_CSOCK_NAME names), its own vpcd ports and state folder, so test
// programs run side by side. libpcsclite reads PCSCLITE_CSOCK_NAME once per process;
// this helper sets it, before main, to the socket of the program's stacks (one after
// another, always in the same state folder), and programs the test starts (vncard,
// OpenSC's tools) inherit it. The destructor stops the stack, also when the test failed.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cardsim/Engine.h"

namespace cardsim {

struct StackOptions {
  std::string image0, image1;                 // image names or paths; empty: reader without card
  std::vector<std::string> faults0, faults1;  // cardsim --fault rules
  std::string pkiDir;                         // default: defaultPkiDir()
  bool apduLog = false;                       // pcscd logs every APDU (PINs too) into its log
};

struct TranscriptEntry {
  Bytes command;
  Bytes response;
};

class TestStack {
 public:
  explicit TestStack(const StackOptions& options);
  ~TestStack();
  TestStack(const TestStack&) = delete;
  TestStack& operator=(const TestStack&) = delete;

  bool ok() const { return m_ok; }
  const std::string& error() const { return m_error; }

  static std::string readerName(int n);  // "Virtual PCD 00 00", "Virtual PCD 00 01"
  std::string stateDir() const { return m_state; }
  // The state folder and pcscd socket of this program's stacks.
  static std::string processStateDir();
  static std::string socketPath();
  std::string transcriptPath(int n) const;

  // Commands and answers of reader n since the start (or since mark()).
  std::vector<TranscriptEntry> exchanges(int n) const;
  void mark(int n);  // later exchanges() start after what is there now
  size_t commandCount(int n) const { return exchanges(n).size(); }

  // Take the card out of reader n / put it back; both wait (at most 5 s) until
  // pcscd reports the reader empty / with the card.
  bool remove(int n);
  bool insert(int n);
  // Puts another card (image name or path) into the emptied reader n; its exchanges
  // continue the reader's transcript.
  bool insert(int n, const std::string& image);
  bool fault(int n, const std::string& rule);  // e.g. "+1:sw=6982" for the next command

 private:
  bool run(const std::string& args, std::string& output) const;
  bool m_ok = false;
  bool m_started = false;
  std::string m_error, m_state, m_pki;
  size_t m_mark[2] = {0, 0};
};

}  // namespace cardsim
