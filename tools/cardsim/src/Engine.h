// The ISO/IEC 7816-4 card engine: command dispatch, file system, PINs,
// security environments and key operations. The dialect adjusts it.
#pragma once

#include <set>
#include <utility>

#include "Dialect.h"

namespace cardsim {

class Engine {
 public:
  Engine(std::unique_ptr<CardModel> model, std::unique_ptr<Dialect> dialect);
  virtual ~Engine() = default;
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Transport: one command in, one answer out (T=0 and T=1 rules, GET
  // RESPONSE, command chaining). Never throws.
  Bytes process(const Bytes& apdu);

  void resetState();  // power-on / reset: volatile state back to the start

  Protocol protocol = Protocol::T1;
  CardModel& model() { return *m_model; }
  const CardModel& model() const { return *m_model; }
  Dialect& dialect() { return *m_dialect; }

  // --- generic command handlers (dialects may call them) ---
  Response dispatch(const Apdu& a);
  Response select(const Apdu& a);
  Response readBinary(const Apdu& a);
  Response readBinaryOdd(const Apdu& a);
  Response readRecord(const Apdu& a);
  Response updateBinary(const Apdu& a);
  Response updateRecord(const Apdu& a);
  Response verify(const Apdu& a);
  Response changeReference(const Apdu& a);
  Response resetRetryCounter(const Apdu& a);
  Response manageSe(const Apdu& a);
  Response performSecurityOperation(const Apdu& a);
  Response internalAuthenticate(const Apdu& a);
  Response externalAuthenticate(const Apdu& a);
  Response getData(const Apdu& a);
  Response getChallenge(const Apdu& a);

  // Answer to SELECT for a file, by P2 (FCI / FCP / FMD / none).
  Response selectAnswer(FileNode* f, uint8_t p2);
  void makeCurrent(FileNode* f);

  // --- state ---
  FileNode* currentDf = nullptr;
  FileNode* currentEf = nullptr;
  SeObj se;                  // environment in force
  FileNode* seDf = nullptr;  // DF in which it was set
  Bytes challenge;
  Bytes pendingHash;

  // Lookups from a DF upwards to the MF.
  PinObj* findPin(FileNode* from, uint8_t ref, FileNode** owner = nullptr) const;
  KeyObj* findKey(FileNode* from, uint8_t ref, FileNode** owner = nullptr) const;
  const SeObj* findSe(FileNode* from, uint8_t number) const;
  bool granted(const Access& a, FileNode* context) const;
  bool pinVerified(FileNode* owner, uint8_t ref) const { return m_verified.count({owner, ref}) > 0; }
  void setPinVerified(FileNode* owner, uint8_t ref, bool v);

  // PIN block decoding by the PIN's encoding; returns 0 or a status word.
  uint16_t decodePin(const PinObj& p, const Bytes& block, std::string& pin) const;
  size_t pinBlockLength(const PinObj& p, const std::string& current) const;

 private:
  Bytes frame(const Apdu& a, Response r);
  Bytes getResponse(const Apdu& a);
  Response signWith(KeyObj& key, FileNode* owner, const std::string& alg, const Bytes& input);

  std::unique_ptr<CardModel> m_model;
  std::unique_ptr<Dialect> m_dialect;
  Bytes m_pending;  // answer data waiting for GET RESPONSE
  Bytes m_chain;    // command chaining
  int m_chainIns = -1;
  std::set<std::pair<FileNode*, uint8_t>> m_verified;
  std::set<std::pair<FileNode*, uint8_t>> m_authenticated;  // external authentication keys
};

inline Bytes swBytes(uint16_t sw) { return Bytes{static_cast<uint8_t>(sw >> 8), static_cast<uint8_t>(sw)}; }

}  // namespace cardsim
