// A card operating system: what differs from the generic ISO/IEC 7816-4 card.
//
// A dialect overrides only what its card does differently. Adding one is one
// file in dialects/ plus one line in DialectRegistry.cpp.
#pragma once

#include <memory>
#include <string>

#include "Apdu.h"
#include "Model.h"

namespace cardsim {

class Engine;

struct Response {
  Bytes data;
  uint16_t sw = 0x9000;
  static Response status(uint16_t s) {
    Response r;
    r.sw = s;
    return r;
  }
  static Response ok(Bytes d) {
    Response r;
    r.data = std::move(d);
    return r;
  }
};

// Which template an algorithm reference of MANAGE SECURITY ENVIRONMENT belongs to.
enum class SeUse { Sign, Decipher, Auth };

class Dialect {
 public:
  virtual ~Dialect() = default;
  virtual std::string name() const = 0;

  // Proprietary class bytes (bit 8 set) the card accepts for an instruction.
  virtual bool proprietaryClass(uint8_t cla, uint8_t ins) const {
    (void)cla;
    (void)ins;
    return false;
  }
  virtual bool extendedLength() const { return true; }
  // Secure-messaging class bytes (CLA 0C) the card takes for an instruction; without
  // them the engine answers 6882.
  virtual bool secureMessaging(uint8_t cla, uint8_t ins) const {
    (void)cla;
    (void)ins;
    return false;
  }
  // Power-on and reset: the dialect's own volatile state goes back to the start.
  virtual void reset() {}

  // Handles a command before the generic engine does; returns true when handled.
  virtual bool handle(Engine& e, const Apdu& a, Response& r) {
    (void)e;
    (void)a;
    (void)r;
    return false;
  }

  // File control parameters returned by SELECT (the whole 62 template).
  virtual Bytes fcp(const Engine& e, const FileNode& f) const;

  // Status after a wrong PIN, `left` tries remaining.
  virtual uint16_t wrongPinStatus(const Engine& e, int left) const;

  // Maps an algorithm object (tag 80 or 89) of MANAGE SECURITY ENVIRONMENT to an
  // algorithm name of KeyOps; false when the card does not know it (6A80).
  virtual bool algorithm(uint8_t tag, const Bytes& value, SeUse use, std::string& alg) const;

  // Data object for GET DATA that the card computes itself (serial, versions).
  virtual bool getData(const Engine& e, uint16_t tag, Bytes& out) const {
    (void)e;
    (void)tag;
    (void)out;
    return false;
  }
};

// Dialect by name ("iso", "starcos35", "cardos50"); nullptr when unknown.
std::unique_ptr<Dialect> makeDialect(const std::string& name);

}  // namespace cardsim
