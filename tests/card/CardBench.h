// A simulated card in a reader, reached through PC/SC: the same card-command tests run
// against pcscd with the card simulator and against the in-process PC/SC.
#ifndef VN_TESTS_CARD_CARDBENCH_H
#define VN_TESTS_CARD_CARDBENCH_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

class CardBench {
public:
    virtual ~CardBench() = default;
    // Name of the reader that holds the card.
    virtual std::string reader() = 0;
    // Command APDUs the card received since the last clear, in order.
    virtual std::vector<Bytes> commands() = 0;
    virtual void clear() = 0;
    // Arms a status-word answer n commands from now (n = 1: the next command).
    virtual void failAfter(size_t n, uint16_t sw) = 0;
    // False when the bench cannot run here (the test is then skipped).
    virtual bool ready() { return true; }
};

// A bench with a card made from the image text (cardsim image syntax).
std::unique_ptr<CardBench> makeBench(const std::string& image);

Bytes hexBytes(const std::string& text);
std::string hexText(const Bytes& b);

#endif
