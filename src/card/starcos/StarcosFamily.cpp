#include "card/starcos/StarcosFamily.h"

#include "crypto/Algorithms.h"

namespace vn_cardos {

namespace {
const uint32_t kStarcos6982Iso[] = {kSwSecurityNotSatisfied};
const StatusMap kStarcosStatus6982 = isoStatusMap(kStarcos6982Iso, &kSecurityStatus);
const unsigned char kPrivateKeyTag = 0x84;  // key reference of the environment
const unsigned char kCryptogramPadding = 0x81;
// The hash reference of codes without one of their own (SHA-256's).
const unsigned char kDefaultHashRef = 0x30;
}  // namespace

int starcosResult(uint32_t status, bool with6982, int& tries) {
    tries = -1;
    unsigned sw1 = status & 0xFFFF, sw2 = status >> 16;
    if (sw1 == 0x63 && (sw2 & 0xF0) == 0xC0)
        tries = static_cast<int>(sw2 & 0x0F);
    return with6982 ? mapStatus(status, kStarcosStatus6982) : mapStatus(status, kSecurityStatus);
}

unsigned char hashRef(unsigned int algId) {
    const vn_crypto::Algorithm* a = vn_crypto::algorithm_for_card_id(algId);
    return a != nullptr && a->cardHashRef != 0 ? a->cardHashRef : kDefaultHashRef;
}

int starcosDecipher(CSC_Profile_Base& card, unsigned char keyRef, const unsigned char* in, unsigned long inLength,
                    unsigned char* out, unsigned long* outLength) {
    // Without an algorithm the key's own (PKCS#1 v1.5) applies; OAEP (SHA-256) is asked for by
    // its algorithm identifier 11 31.
    const Bytes se = card.IsRSAOAEP() ? Bytes{kPrivateKeyTag, 0x01, keyRef, 0x89, 0x02, 0x11, 0x31}
                                      : Bytes{kPrivateKeyTag, 0x01, keyRef};
    return decipher(card, se, kCryptogramPadding, in, inLength, out, outLength, true);
}

}  // namespace vn_cardos
