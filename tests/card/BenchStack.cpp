// The bench on the real PC/SC stack: pcscd with vpcd and the card simulator program.
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include <cardsim/TestStack.h>

#include "CardBench.h"

namespace {
class TempImage {
public:
    explicit TempImage(const std::string& text) {
        char tmpl[] = "/tmp/vn-card-image-XXXXXX";
        int fd = mkstemp(tmpl);
        if (fd >= 0)
            close(fd);
        m_path = std::string(tmpl) + ".card";
        std::rename(tmpl, m_path.c_str());
        std::ofstream(m_path) << text;
    }
    ~TempImage() { unlink(m_path.c_str()); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

class StackBench : public CardBench {
public:
    explicit StackBench(const std::string& image) : m_image(image) {
        cardsim::StackOptions o;
        o.image0 = m_image.path();
        m_stack = std::make_unique<cardsim::TestStack>(o);
        if (m_stack->ok())
            m_stack->mark(0);
    }
    bool ready() override { return m_stack->ok(); }
    std::string reader() override { return cardsim::TestStack::readerName(0); }
    std::vector<Bytes> commands() override {
        std::vector<Bytes> out;
        for (const auto& e : m_stack->exchanges(0))
            out.push_back(e.command);
        return out;
    }
    void clear() override { m_stack->mark(0); }
    void failAfter(size_t n, uint16_t sw) override {
        char rule[32];
        snprintf(rule, sizeof(rule), "+%zu:sw=%04X", n, sw);
        m_stack->fault(0, rule);
    }

private:
    TempImage m_image;
    std::unique_ptr<cardsim::TestStack> m_stack;
};
}  // namespace

std::unique_ptr<CardBench> makeBench(const std::string& image) { return std::make_unique<StackBench>(image); }

Bytes hexBytes(const std::string& text) { return cardsim::fromHex(text); }
std::string hexText(const Bytes& b) { return cardsim::toHex(b); }
