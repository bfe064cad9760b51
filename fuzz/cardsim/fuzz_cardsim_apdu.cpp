// Feeds command sequences to the simulated cards: every answer must be at
// least a status word, whatever the bytes. Input: commands separated by the
// byte FF FF; the first byte picks the image and the protocol.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "cardsim/Engine.h"

namespace {
const char* kImages[] = {"iso-t0", "starcos35-a", "cardos50-dtrust"};
std::unique_ptr<cardsim::Card> g_cards[3];
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    size_t which = data[0] % 3;
    if (!g_cards[which])
        g_cards[which] = cardsim::Card::fromFile(cardsim::resolveImage(kImages[which]), cardsim::defaultPkiDir());
    cardsim::Card& card = *g_cards[which];
    card.powerOn();  // volatile state back to the start; files and counters may change, as on a card
    card.setProtocol((data[0] & 0x80) ? cardsim::Protocol::T0 : cardsim::Protocol::T1);
    cardsim::Bytes apdu;
    for (size_t i = 1; i <= size; ++i) {
        bool end = i == size || (data[i] == 0xFF && i + 1 < size && data[i + 1] == 0xFF);
        if (!end) {
            apdu.push_back(data[i]);
            continue;
        }
        cardsim::Bytes r = card.transmit(apdu);
        if (r.size() < 2)
            __builtin_trap();
        apdu.clear();
        ++i;
    }
    card.clearTranscript();
    return 0;
}
