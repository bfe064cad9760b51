// Shared set-up of the in-process PC/SC tests: a fresh simulator, engine cards
// made from small images, and a context that is released after each test.
#pragma once

#include <gtest/gtest.h>

#include <pcscsim/Simulator.h>

#include <memory>
#include <string>

namespace simtest {

using pcscsim::Bytes;

// STARCOS 3.5 card, T=1, PIN 81 = 123456 in format-2 blocks, three tries.
inline const char* kStarcosImage = R"(
[card]
dialect = starcos35
atr = 3B D9 96 FF 81 31 FE 45 80 31 B8 73 86 01 E0 81 05 22
protocol = T1
[pin 3F00 81]
value = 123456
tries = 3
max-tries = 3
encoding = format2
[ef 3F00/2F02]
data = 5A 0A 12 34 56 78 90 12 34 56 78 90
)";

// Plain ISO card, T=0 only, PIN 01 = 1234 in ASCII.
inline const char* kIsoT0Image = R"(
[card]
dialect = iso
atr = 3B 02 14 50
[pin 3F00 01]
value = 1234
tries = 3
encoding = ascii
)";

inline std::shared_ptr<cardsim::Card> card(const char* image) {
    return std::shared_ptr<cardsim::Card>(cardsim::Card::fromText(image));
}

inline Bytes hex(const std::string& text) { return cardsim::fromHex(text); }

class SimTest : public ::testing::Test {
protected:
    void SetUp() override { pcscsim::reset(); }
    void TearDown() override {
        if (m_ctx)
            SCardReleaseContext(m_ctx);
        pcscsim::reset();
    }

    SCARDCONTEXT context() {
        if (!m_ctx) {
            EXPECT_EQ(SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &m_ctx), SCARD_S_SUCCESS);
        }
        return m_ctx;
    }

    // Connects shared to a card reader; the handle dies with the context.
    SCARDHANDLE connect(const std::string& reader, DWORD* protocol = nullptr) {
        SCARDHANDLE h = 0;
        DWORD active = 0;
        EXPECT_EQ(SCardConnect(context(), reader.c_str(), SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &h,
                               &active),
                  SCARD_S_SUCCESS);
        if (protocol)
            *protocol = active;
        return h;
    }

    // One APDU over a connected handle; the answer, or empty on a PC/SC error (in rv).
    Bytes transmit(SCARDHANDLE h, const Bytes& apdu, LONG* rv = nullptr, DWORD protocol = SCARD_PROTOCOL_T1) {
        uint8_t answer[300];
        DWORD length = sizeof answer;
        const SCARD_IO_REQUEST* pci = protocol == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
        LONG r = SCardTransmit(h, pci, apdu.data(), DWORD(apdu.size()), nullptr, answer, &length);
        if (rv)
            *rv = r;
        if (r != SCARD_S_SUCCESS)
            return {};
        return Bytes(answer, answer + length);
    }

    SCARDCONTEXT m_ctx = 0;
};

}  // namespace simtest
