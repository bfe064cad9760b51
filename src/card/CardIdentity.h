// What tells the card in a reader from the one before it without a card command.
#ifndef VN_CARD_CARDIDENTITY_H
#define VN_CARD_CARDIDENTITY_H

#include <cstdint>
#include <string>
#include <vector>

namespace vn_card {

struct CardIdentity {
    std::string reader;
    // pcscd counts every insertion and removal in the high word of the event state.
    uint32_t events = 0;
    std::vector<uint8_t> atr;

    bool operator==(const CardIdentity& o) const { return reader == o.reader && events == o.events && atr == o.atr; }
    bool operator!=(const CardIdentity& o) const { return !(*this == o); }
};

}  // namespace vn_card

#endif
