// What a card's signature is: checked against the certificate's public key with OpenSSL,
// which tells the padding the card used; ECDSA values as r || s or DER.
#ifndef VNCARD_SIGCHECK_H
#define VNCARD_SIGCHECK_H

#include <string>
#include <vector>

#include "OpenSslPtr.h"

using EvpKeyPtr = vn_ossl::EvpPkeyPtr;

// The public key of a DER certificate; null when it does not parse.
EvpKeyPtr publicKeyOf(const unsigned char* der, size_t length);
bool isEcKey(EVP_PKEY* key);

enum class Padding { None, Pkcs1, Pss, Ecdsa };

// Which scheme makes `signature` a valid signature of `digest` (named by the OpenSSL
// digest name md) under `key`; None when none does.
Padding signatureScheme(EVP_PKEY* key, const std::string& md, const std::vector<unsigned char>& digest,
                        const std::vector<unsigned char>& signature);
// Short name ("pkcs1", "pss", "ecdsa") and the text for people.
const char* paddingName(Padding p);
const char* paddingText(Padding p);

// r || s (two halves of equal size) as a DER ECDSA-Sig-Value; false when it is not one.
bool ecdsaRawToDer(const std::vector<unsigned char>& raw, std::vector<unsigned char>& der);

#endif
