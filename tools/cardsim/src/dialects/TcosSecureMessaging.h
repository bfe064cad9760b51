// The card side of the TCOS 3.0 device authentication with key transport and of the
// secure messaging that follows it. Active when the image names the card's
// authentication key:
//
//   [card]
//   option.sm-auth-key = 8E          # reference of the card's RSA-1024 key in the MF
//   option.sm-key.C000 = 84          # key used by the protected PSO when EF C000 ...
//   option.sm-key.5344 = 85          # ... or EF 5344 of the current DF is selected
//
// The maker's public key is record 5 of 3F00/4500: the 128-byte modulus followed by the
// public exponent (010001 when the record holds only the modulus). MANAGE SECURITY
// ENVIRONMENT 00 22 81 A4 with 83 01 xx 7F49 (81 modulus, 82 exponent) rewrites it.
//
// Blocks: 6A | 74 random | 32-byte key part | SHA-1 | BC, the SHA-1 over
// random || key part || challenge of the receiver || card serial (last 8 bytes of the
// first object of 3F00/2F02); signed by the sender, min(s, n - s), enciphered for the
// receiver. Protected commands: CLA 0C, 81 plain || 97 le || 8E mac, the MAC (retail
// MAC, IV = counter) over pad(header) || pad(81 .. 97 ..); answers 87 01 cryptogram ||
// 99 9000 || 8E mac. The counter goes up before each MAC; any failure ends the session.
#pragma once

#include "../Dialect.h"

namespace cardsim {

class TcosSecureMessaging {
 public:
  bool enabled(const Engine& e) const;
  void reset();

  Response internalAuthenticate(Engine& e, const Apdu& a);
  Response externalAuthenticate(Engine& e, const Apdu& a);
  Response writeMakerKey(Engine& e, const Apdu& a);
  Response protectedCommand(Engine& e, const Apdu& a);

 private:
  void endSession();

  bool m_session = false;
  Bytes m_encKey, m_macKey, m_ssc;
  Bytes m_keyIcc, m_rndIfd;  // kept between INTERNAL and EXTERNAL AUTHENTICATE
};

}  // namespace cardsim
