// What the module shows of one recognised card: one token per PIN of the card
// application, each with its certificates and, for every certificate with a key, a
// public and a private key object linked by CKA_ID.
#ifndef VN_PKCS11_TOKEN_H
#define VN_PKCS11_TOKEN_H

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "P11.h"
#include "SC_Profile.h"

namespace vn_p11 {

struct Object {
    CK_OBJECT_CLASS objectClass = CKO_CERTIFICATE;
    bool isPrivate = false;
    int certIndex = -1;  // the certificate entry of the card application
    std::vector<std::pair<CK_ATTRIBUTE_TYPE, Bytes>> attributes;
    const Bytes* find(CK_ATTRIBUTE_TYPE type) const;
};

// A private key: what signing and deciphering need to know.
struct Key {
    int certIndex = -1;
    CK_KEY_TYPE keyType = CKK_RSA;
    int bits = 0;  // modulus or field size
    bool decrypt = false;
    bool alwaysAuthenticate = false;
    Bytes spki;  // SubjectPublicKeyInfo of the certificate
};

struct Token {
    std::string label;     // token label
    std::string pinLabel;  // the PIN's own label
    int pinIndex = -1;     // PIN object index in the profile (-1: the card has none)
    int minPin = 0, maxPin = 0;
    std::vector<Object> objects;  // handle = index + 1
    std::map<int, Key> keys;      // by certificate entry
    std::vector<CK_MECHANISM_TYPE> mechanisms;
};

struct Card {
    int cardType = 0;
    std::string cardName, serial, manufacturer;
    bool pinPad = false;
    std::vector<Token> tokens;
};

// Reads the card in the named reader through the library's detection and profile
// cache; false when the reader holds no card the library recognises. The profile (with
// its card-OS object, connected to the card) is handed on for the card's keys.
bool loadCard(const std::string& readerName, Card& out, CSC_ProfileHandle& profileOut);

}  // namespace vn_p11

#endif
