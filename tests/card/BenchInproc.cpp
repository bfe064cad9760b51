// The bench over the in-process PC/SC: one reader with an engine card.
#include <pcscsim/Simulator.h>

#include "CardBench.h"

namespace {
class InprocBench : public CardBench {
public:
    explicit InprocBench(const std::string& image) {
        pcscsim::reset();
        m_card = std::shared_ptr<cardsim::Card>(cardsim::Card::fromText(image));
        pcscsim::addReader(kReader, pcscsim::plainReader());
        pcscsim::insertCard(kReader, m_card);
        m_card->clearTranscript();
    }
    ~InprocBench() override { pcscsim::reset(); }
    std::string reader() override { return kReader; }
    std::vector<Bytes> commands() override {
        std::vector<Bytes> out;
        for (const auto& e : m_card->transcript())
            if (e.kind == cardsim::Exchange::Kind::Apdu)
                out.push_back(e.command);
        return out;
    }
    void clear() override { m_card->clearTranscript(); }
    void failAfter(size_t n, uint16_t sw) override {
        cardsim::Fault f;
        f.kind = cardsim::Fault::Kind::StatusWord;
        f.sw = sw;
        m_card->addFaultAfter(n, f);
    }

private:
    static constexpr const char* kReader = "VN Test Reader 0";
    std::shared_ptr<cardsim::Card> m_card;
};
}  // namespace

std::unique_ptr<CardBench> makeBench(const std::string& image) { return std::make_unique<InprocBench>(image); }

Bytes hexBytes(const std::string& text) { return cardsim::fromHex(text); }
std::string hexText(const Bytes& b) { return cardsim::toHex(b); }
