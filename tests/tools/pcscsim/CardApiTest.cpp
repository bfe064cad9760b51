// Card handles: APDUs reach the engine card, protocols are negotiated, errors
// come at the chosen command, removal and resets show, attributes are served.
#include "SimFixture.h"

#include <atomic>
#include <thread>

using namespace simtest;

TEST_F(SimTest, TransmitReachesTheEngineCardAndIsLogged) {
    pcscsim::addReader("Reader");
    auto c = card(kStarcosImage);
    pcscsim::insertCard("Reader", c);
    DWORD protocol = 0;
    SCARDHANDLE h = connect("Reader", &protocol);
    EXPECT_EQ(protocol, DWORD(SCARD_PROTOCOL_T1));

    EXPECT_EQ(transmit(h, hex("00A4000C023F00")), hex("9000"));
    EXPECT_EQ(transmit(h, hex("00200081")), hex("63C3"));  // VERIFY status query: three tries
    ASSERT_FALSE(c->transcript().empty());
    EXPECT_EQ(c->transcript().back().command, hex("00200081"));

    auto log = pcscsim::calls();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].kind, pcscsim::Call::Kind::Transmit);
    EXPECT_EQ(log[1].reader, "Reader");
    EXPECT_EQ(log[1].input, hex("00200081"));
    EXPECT_EQ(log[1].output, hex("63C3"));

    // The wrong protocol header and a short answer buffer are refused as by PC/SC.
    LONG rv = 0;
    transmit(h, hex("00A4000C023F00"), &rv, SCARD_PROTOCOL_T0);
    EXPECT_EQ(rv, SCARD_E_PROTO_MISMATCH);
    uint8_t one[1];
    DWORD length = sizeof one;
    const Bytes select = hex("00A4000C023F00");
    EXPECT_EQ(SCardTransmit(h, SCARD_PCI_T1, select.data(), DWORD(select.size()), nullptr, one, &length),
              SCARD_E_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 2u);
}

TEST_F(SimTest, CardOfferingOnlyT0IsConnectedWithT0OrRefused) {
    pcscsim::addReader("Reader");
    pcscsim::insertCard("Reader", card(kIsoT0Image));
    SCARDHANDLE h = 0;
    DWORD active = 0;
    EXPECT_EQ(SCardConnect(context(), "Reader", SCARD_SHARE_SHARED, SCARD_PROTOCOL_T1, &h, &active),
              SCARD_E_PROTO_MISMATCH);
    ASSERT_EQ(SCardConnect(context(), "Reader", SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &h, &active),
              SCARD_S_SUCCESS);
    EXPECT_EQ(active, DWORD(SCARD_PROTOCOL_T0));

    SCARDHANDLE other = 0;
    EXPECT_EQ(SCardConnect(context(), "Reader", SCARD_SHARE_EXCLUSIVE, SCARD_PROTOCOL_T0, &other, &active),
              SCARD_E_SHARING_VIOLATION);
    EXPECT_EQ(SCardConnect(context(), "Nowhere", SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0, &other, &active),
              SCARD_E_UNKNOWN_READER);
    pcscsim::addReader("Empty");
    EXPECT_EQ(SCardConnect(context(), "Empty", SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0, &other, &active),
              SCARD_E_NO_SMARTCARD);
    ASSERT_EQ(SCardConnect(context(), "Empty", SCARD_SHARE_DIRECT, 0, &other, &active), SCARD_S_SUCCESS);
    EXPECT_EQ(active, DWORD(SCARD_PROTOCOL_UNDEFINED));
}

TEST_F(SimTest, TransmissionErrorComesAtTheChosenCommandOnly) {
    pcscsim::addReader("Reader");
    auto c = card(kStarcosImage);
    pcscsim::insertCard("Reader", c);
    SCARDHANDLE h = connect("Reader");
    pcscsim::failTransmitAt(2, SCARD_E_NOT_TRANSACTED);
    LONG rv = 0;
    EXPECT_EQ(transmit(h, hex("00A4000C023F00"), &rv), hex("9000"));
    transmit(h, hex("00A4000C023F00"), &rv);
    EXPECT_EQ(rv, SCARD_E_NOT_TRANSACTED);
    EXPECT_EQ(transmit(h, hex("00A4000C023F00"), &rv), hex("9000"));
    EXPECT_EQ(c->commandCount(), 2u);  // the failed one never reached the card
    EXPECT_EQ(pcscsim::transmitCount(), 3u);
    EXPECT_EQ(pcscsim::calls()[1].result, SCARD_E_NOT_TRANSACTED);
}

TEST_F(SimTest, CardPulledOutMidSessionGivesRemovedCardAndAnEmptyReader) {
    pcscsim::addReader("Reader");
    auto c = card(kStarcosImage);
    pcscsim::insertCard("Reader", c);
    SCARDHANDLE h = connect("Reader");
    c->addFaultAfter(2, cardsim::Fault{cardsim::Fault::Kind::Drop});
    LONG rv = 0;
    EXPECT_EQ(transmit(h, hex("00A4000C023F00"), &rv), hex("9000"));
    transmit(h, hex("00A4000C023F00"), &rv);
    EXPECT_EQ(rv, SCARD_W_REMOVED_CARD);
    DWORD state = 0;
    EXPECT_EQ(SCardStatus(h, nullptr, nullptr, &state, nullptr, nullptr, nullptr), SCARD_W_REMOVED_CARD);

    SCARD_READERSTATE s{};
    s.szReader = "Reader";
    ASSERT_EQ(SCardGetStatusChange(context(), 0, &s, 1), SCARD_S_SUCCESS);
    EXPECT_TRUE(s.dwEventState & SCARD_STATE_EMPTY);
    EXPECT_EQ(SCardDisconnect(h, SCARD_LEAVE_CARD), SCARD_S_SUCCESS);
}

TEST_F(SimTest, ResetThroughOneHandleIsReportedOnTheOther) {
    pcscsim::addReader("Reader");
    pcscsim::insertCard("Reader", card(kStarcosImage));
    SCARDHANDLE a = connect("Reader");
    SCARDHANDLE b = connect("Reader");
    DWORD active = 0;
    ASSERT_EQ(SCardReconnect(a, SCARD_SHARE_SHARED, SCARD_PROTOCOL_T1, SCARD_RESET_CARD, &active), SCARD_S_SUCCESS);
    LONG rv = 0;
    EXPECT_EQ(transmit(a, hex("00A4000C023F00"), &rv), hex("9000"));
    transmit(b, hex("00A4000C023F00"), &rv);
    EXPECT_EQ(rv, SCARD_W_RESET_CARD);
    ASSERT_EQ(SCardReconnect(b, SCARD_SHARE_SHARED, SCARD_PROTOCOL_T1, SCARD_LEAVE_CARD, &active), SCARD_S_SUCCESS);
    EXPECT_EQ(transmit(b, hex("00A4000C023F00"), &rv), hex("9000"));

    // A transaction keeps the other handle out until it ends.
    ASSERT_EQ(SCardBeginTransaction(a), SCARD_S_SUCCESS);
    transmit(b, hex("00A4000C023F00"), &rv);
    EXPECT_EQ(rv, SCARD_E_SHARING_VIOLATION);
    EXPECT_EQ(SCardEndTransaction(b, SCARD_LEAVE_CARD), SCARD_E_NOT_TRANSACTED);
    EXPECT_EQ(SCardEndTransaction(a, SCARD_LEAVE_CARD), SCARD_S_SUCCESS);
    EXPECT_EQ(transmit(b, hex("00A4000C023F00"), &rv), hex("9000"));
}

TEST_F(SimTest, AttributesAndStatusServeNamesAndAtrWithAutoallocate) {
    pcscsim::ReaderOptions o = pcscsim::pinPadReader();
    o.systemName = "usb:0c4b/0500:libudev:0:/dev/bus/usb/001/004";
    o.vendorName = "Sim Vendor";
    o.attributes[SCARD_ATTR_VENDOR_IFD_VERSION] = {0x00, 0x01, 0x02, 0x03};
    pcscsim::addReader("REINER SCT cyberJack pinpad(a) 00 00", o);
    pcscsim::insertCard("REINER SCT cyberJack pinpad(a) 00 00", card(kStarcosImage));
    SCARDHANDLE h = connect("REINER SCT cyberJack pinpad(a) 00 00");

    DWORD length = 0;
    ASSERT_EQ(SCardGetAttrib(h, SCARD_ATTR_DEVICE_SYSTEM_NAME, nullptr, &length), SCARD_S_SUCCESS);
    EXPECT_EQ(length, o.systemName.size() + 1);
    char name[100];
    length = sizeof name;
    ASSERT_EQ(SCardGetAttrib(h, SCARD_ATTR_DEVICE_SYSTEM_NAME, reinterpret_cast<uint8_t*>(name), &length),
              SCARD_S_SUCCESS);
    EXPECT_EQ(std::string(name), o.systemName);

    uint8_t* friendly = nullptr;
    length = SCARD_AUTOALLOCATE;
    ASSERT_EQ(SCardGetAttrib(h, SCARD_ATTR_DEVICE_FRIENDLY_NAME, reinterpret_cast<uint8_t*>(&friendly), &length),
              SCARD_S_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(friendly)), "REINER SCT cyberJack pinpad(a) 00 00");
    EXPECT_EQ(SCardFreeMemory(context(), friendly), SCARD_S_SUCCESS);

    uint8_t small[4];
    length = sizeof small;
    EXPECT_EQ(SCardGetAttrib(h, SCARD_ATTR_VENDOR_NAME, small, &length), SCARD_E_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 11u);
    length = sizeof small;
    ASSERT_EQ(SCardGetAttrib(h, SCARD_ATTR_VENDOR_IFD_VERSION, small, &length), SCARD_S_SUCCESS);
    EXPECT_EQ(Bytes(small, small + length), hex("00010203"));
    uint8_t atr[40];
    length = sizeof atr;
    ASSERT_EQ(SCardGetAttrib(h, SCARD_ATTR_ATR_STRING, atr, &length), SCARD_S_SUCCESS);
    EXPECT_EQ(Bytes(atr, atr + length), hex("3BD996FF8131FE458031B8738601E0810522"));
    length = sizeof atr;
    EXPECT_EQ(SCardGetAttrib(h, SCARD_ATTR_MAX_CLK, atr, &length), SCARD_E_UNSUPPORTED_FEATURE);

    // SCardStatus as the keep-alive poll calls it, and with allocated outputs.
    char reader[200];
    DWORD readerLength = sizeof reader, state = 0, protocol = 0, atrLength = 32;
    ASSERT_EQ(SCardStatus(h, reader, &readerLength, &state, &protocol, atr, &atrLength), SCARD_S_SUCCESS);
    EXPECT_STREQ(reader, "REINER SCT cyberJack pinpad(a) 00 00");
    EXPECT_EQ(protocol, DWORD(SCARD_PROTOCOL_T1));
    EXPECT_TRUE(state & SCARD_PRESENT);
    char* allocatedName = nullptr;
    uint8_t* allocatedAtr = nullptr;
    readerLength = atrLength = SCARD_AUTOALLOCATE;
    ASSERT_EQ(SCardStatus(h, reinterpret_cast<char*>(&allocatedName), &readerLength, nullptr, nullptr,
                          reinterpret_cast<uint8_t*>(&allocatedAtr), &atrLength),
              SCARD_S_SUCCESS);
    EXPECT_EQ(atrLength, 18u);
    EXPECT_EQ(SCardFreeMemory(context(), allocatedName), SCARD_S_SUCCESS);
    EXPECT_EQ(SCardFreeMemory(context(), allocatedAtr), SCARD_S_SUCCESS);
    EXPECT_EQ(pcscsim::outstandingAllocations(), 0u);
}

TEST_F(SimTest, KeepAlivePollingFromAnotherThreadRunsAlongsideTransmits) {
    pcscsim::addReader("Reader");
    auto c = card(kStarcosImage);
    pcscsim::insertCard("Reader", c);
    SCARDHANDLE h = connect("Reader");
    std::atomic<bool> stop{false};
    std::atomic<int> polls{0};
    std::thread keepAlive([&] {
        char name[200];
        uint8_t atr[33];
        while (!stop) {
            DWORD nameLength = sizeof name, atrLength = sizeof atr, state = 0, protocol = 0;
            if (SCardStatus(h, name, &nameLength, &state, &protocol, atr, &atrLength) == SCARD_S_SUCCESS)
                ++polls;
        }
    });
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(transmit(h, hex("00A4000C023F00")), hex("9000"));
    while (polls == 0)
        std::this_thread::yield();
    stop = true;
    keepAlive.join();
    EXPECT_EQ(c->commandCount(), 200u);
}
