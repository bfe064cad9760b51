// Parses arbitrary image text: it loads or is refused with ImageError, never more.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cardsim/Engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        auto card = cardsim::Card::fromText(text, cardsim::defaultPkiDir(), "fuzz.card");
        card->powerOn();
        card->transmit(cardsim::fromHex("00A4000C023F00"));
    } catch (const cardsim::ImageError&) {
    }
    return 0;
}
