// The public authentication key of a card that signs only under secure messaging (TCOS
// 3.0): the host knows it from the card's issuer and hands it to the library before the
// key agreement. Public data, no secret.
#ifndef VNCARD_CARDKEY_H
#define VNCARD_CARDKEY_H

#include <string>

class CSC_Profile_Base;

// Reads an RSA public key or certificate (PEM or DER) from path and gives its modulus and
// exponent to the card object; 0 on success, else an exit code (the message printed).
int giveCardKey(const std::string& path, CSC_Profile_Base* card);

#endif
