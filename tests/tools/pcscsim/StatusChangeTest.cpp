// SCardGetStatusChange: the present state of every reader for callers that
// claim no knowledge, and waiting for insertion, removal and cancellation.
#include "SimFixture.h"

#include <cstring>
#include <future>
#include <thread>

using namespace simtest;

namespace {

SCARD_READERSTATE unaware(const char* reader) {
    SCARD_READERSTATE s;
    std::memset(&s, 0, sizeof s);
    s.szReader = reader;
    s.dwCurrentState = SCARD_STATE_UNAWARE;
    return s;
}

}  // namespace

TEST_F(SimTest, UnawareStatesAnswerAtOnceWithPresenceAndAtrOfEveryReader) {
    pcscsim::addReader("Empty Reader");
    pcscsim::addReader("Card Reader");
    pcscsim::addReader("Ignored Reader");
    pcscsim::insertCard("Card Reader", card(kStarcosImage));

    SCARD_READERSTATE states[4] = {unaware("Empty Reader"), unaware("Card Reader"), unaware("Ignored Reader"),
                                   unaware("No Such Reader")};
    states[2].dwCurrentState = SCARD_STATE_IGNORE;
    ASSERT_EQ(SCardGetStatusChange(context(), INFINITE, states, 4), SCARD_S_SUCCESS);

    EXPECT_EQ(states[0].dwEventState & 0xFFFF, DWORD(SCARD_STATE_EMPTY | SCARD_STATE_CHANGED));
    EXPECT_EQ(states[0].cbAtr, 0u);
    EXPECT_EQ(states[1].dwEventState & 0xFFFF, DWORD(SCARD_STATE_PRESENT | SCARD_STATE_CHANGED));
    EXPECT_EQ(Bytes(states[1].rgbAtr, states[1].rgbAtr + states[1].cbAtr), hex("3BD996FF8131FE458031B8738601E0810522"));
    EXPECT_EQ(states[2].dwEventState, 0u);
    EXPECT_TRUE(states[3].dwEventState & SCARD_STATE_UNKNOWN);

    // A connected card shows as in use.
    connect("Card Reader");
    SCARD_READERSTATE again = unaware("Card Reader");
    ASSERT_EQ(SCardGetStatusChange(context(), 0, &again, 1), SCARD_S_SUCCESS);
    EXPECT_EQ(again.dwEventState & 0xFFFF, DWORD(SCARD_STATE_PRESENT | SCARD_STATE_INUSE | SCARD_STATE_CHANGED));

    // No entries, or only ignored ones: nothing to wait for.
    EXPECT_EQ(SCardGetStatusChange(context(), INFINITE, nullptr, 0), SCARD_S_SUCCESS);
    EXPECT_EQ(SCardGetStatusChange(context(), INFINITE, &states[2], 1), SCARD_S_SUCCESS);
}

TEST_F(SimTest, KnownStateWaitsUntilACardArrivesOrLeavesOrTheTimeoutPasses) {
    pcscsim::addReader("Reader");
    SCARD_READERSTATE s = unaware("Reader");
    ASSERT_EQ(SCardGetStatusChange(context(), 0, &s, 1), SCARD_S_SUCCESS);
    s.dwCurrentState = s.dwEventState & ~DWORD(SCARD_STATE_CHANGED);

    EXPECT_EQ(SCardGetStatusChange(context(), 0, &s, 1), SCARD_E_TIMEOUT);
    EXPECT_EQ(SCardGetStatusChange(context(), 20, &s, 1), SCARD_E_TIMEOUT);

    std::thread inserter([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        pcscsim::insertCard("Reader", card(kIsoT0Image));
    });
    EXPECT_EQ(SCardGetStatusChange(context(), 10000, &s, 1), SCARD_S_SUCCESS);
    inserter.join();
    EXPECT_TRUE(s.dwEventState & SCARD_STATE_PRESENT);
    EXPECT_TRUE(s.dwEventState & SCARD_STATE_CHANGED);
    EXPECT_EQ(s.cbAtr, 4u);
    const DWORD insertedCounter = s.dwEventState >> 16;

    // Removed and put back between two calls: the event counter tells.
    s.dwCurrentState = s.dwEventState & ~DWORD(SCARD_STATE_CHANGED);
    auto taken = pcscsim::removeCard("Reader");
    pcscsim::insertCard("Reader", taken);
    ASSERT_EQ(SCardGetStatusChange(context(), 0, &s, 1), SCARD_S_SUCCESS);
    EXPECT_EQ(s.dwEventState >> 16, insertedCounter + 2);

    s.dwCurrentState = s.dwEventState & ~DWORD(SCARD_STATE_CHANGED);
    pcscsim::removeCard("Reader");
    ASSERT_EQ(SCardGetStatusChange(context(), 0, &s, 1), SCARD_S_SUCCESS);
    EXPECT_TRUE(s.dwEventState & SCARD_STATE_EMPTY);
}

TEST_F(SimTest, CancelEndsAnInfiniteWait) {
    pcscsim::addReader("Reader");
    SCARD_READERSTATE s = unaware("Reader");
    s.dwCurrentState = SCARD_STATE_EMPTY;
    SCARDCONTEXT ctx = context();
    auto waiting = std::async(std::launch::async, [ctx, &s] { return SCardGetStatusChange(ctx, INFINITE, &s, 1); });
    EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(30)), std::future_status::timeout);
    EXPECT_EQ(SCardCancel(ctx), SCARD_S_SUCCESS);
    EXPECT_EQ(waiting.get(), SCARD_E_CANCELLED);
}

TEST_F(SimTest, ReaderArrivalShowsOnThePnpNotificationEntry) {
    pcscsim::addReader("Reader");
    SCARD_READERSTATE s = unaware("\\\\?PnP?\\Notification");
    s.dwCurrentState = 1u << 16;  // one reader known
    EXPECT_EQ(SCardGetStatusChange(context(), 0, &s, 1), SCARD_E_TIMEOUT);
    pcscsim::addReader("Second Reader");
    ASSERT_EQ(SCardGetStatusChange(context(), 0, &s, 1), SCARD_S_SUCCESS);
    EXPECT_EQ(s.dwEventState >> 16, 2u);
}
