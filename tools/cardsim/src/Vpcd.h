// Client side of the vpcd protocol: the simulated card connects to the
// virtual reader of pcscd's vpcd driver over TCP. Every message is a 2-byte
// big-endian length and its bytes; a 1-byte message from the reader is a
// control code (00 power off, 01 power on, 02 reset, 04 ATR request), any
// longer one a command APDU. The card answers the ATR request and the APDUs.
#pragma once

#include <string>

#include "cardsim/Engine.h"

namespace cardsim {

class VpcdLink {
 public:
  VpcdLink() = default;
  ~VpcdLink();
  VpcdLink(const VpcdLink&) = delete;
  VpcdLink& operator=(const VpcdLink&) = delete;

  // Connects, retrying until timeoutMs has passed. Returns false on timeout.
  bool connect(const std::string& host, int port, int timeoutMs);
  void close();
  bool connected() const { return m_fd >= 0; }

  // Waits up to timeoutMs for one message. 1: got one, 0: timeout, -1: closed or error.
  int receive(Bytes& msg, int timeoutMs);
  bool send(const Bytes& msg);

 private:
  bool readFull(uint8_t* p, size_t n, int timeoutMs);
  void ackNow();
  int m_fd = -1;
};

}  // namespace cardsim
