// The pin-pad reader: feature request, PIN verification and change on the pad
// (direct, and start / key polls / finish) with scripted keys, PIN formats.
#include "SimFixture.h"

using namespace simtest;

namespace {

const char* kPinPad = "Sim Pinpad 00 00";

// STARCOS 3.5 verify structure with its format-2 template (32 bytes), PIN 6..12 digits.
const Bytes kVerifyStarcos =
    hex("1E1E 89 47 04 0C06 02 01 0000 00 000000 0D000000"
        "00200081 08 20FFFFFFFFFFFFFF");
// STARCOS 3.5 modify structure with two format-2 templates (45 bytes), new PIN 5..12 digits.
const Bytes kModifyStarcos =
    hex("1E1E 89 47 04 00 08 0C05 03 02 03 0000 00 01 02 000000 15000000"
        "00240081 10 2FFFFFFFFFFFFFFF 2FFFFFFFFFFFFFFF");
// A verify structure without template: ASCII digits, Lc made by the pad (23 bytes), 4..8 digits.
const Bytes kVerifyAscii = hex("1E1E 02 00 00 0804 02 01 0000 00 000000 04000000 00200001");

class PinPadTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        pcscsim::addReader(kPinPad, pcscsim::pinPadReader());
    }

    SCARDHANDLE insert(const char* image) {
        m_card = card(image);
        pcscsim::insertCard(kPinPad, m_card);
        return connect(kPinPad);
    }

    Bytes control(SCARDHANDLE h, DWORD code, const Bytes& in, LONG* rv = nullptr) {
        uint8_t out[300];
        DWORD got = 0;
        LONG r = SCardControl(h, code, in.empty() ? nullptr : in.data(), DWORD(in.size()), out, sizeof out, &got);
        if (rv) {
            *rv = r;
        } else {
            EXPECT_EQ(r, SCARD_S_SUCCESS);
        }
        return Bytes(out, out + got);
    }

    Bytes feature(SCARDHANDLE h, uint8_t tag, const Bytes& in, LONG* rv = nullptr) {
        return control(h, pcscsim::featureCode(tag), in, rv);
    }

    // The library's pin-pad loop: start, poll keys until enter, cancel or timeout, finish.
    Bytes startPollFinish(SCARDHANDLE h, bool modify, const Bytes& structure, Bytes& keys) {
        EXPECT_EQ(feature(h, modify ? FEATURE_MODIFY_PIN_START : FEATURE_VERIFY_PIN_START, structure), Bytes());
        for (int polls = 0; polls < 100; ++polls) {
            Bytes k = feature(h, FEATURE_GET_KEY_PRESSED, {});
            EXPECT_EQ(k.size(), 1u);
            if (k.size() != 1)
                break;
            keys.push_back(k[0]);
            if (k[0] == pcscsim::key::Enter || k[0] == pcscsim::key::Cancel || k[0] == pcscsim::key::Timeout)
                break;
        }
        return feature(h, modify ? FEATURE_MODIFY_PIN_FINISH : FEATURE_VERIFY_PIN_FINISH, hex("FFFF"));
    }

    std::shared_ptr<cardsim::Card> m_card;
};

}  // namespace

TEST_F(PinPadTest, FeatureRequestAnswersBigEndianControlCodesInSixByteEntries) {
    SCARDHANDLE h = insert(kStarcosImage);
    Bytes tlv = control(h, CM_IOCTL_GET_FEATURE_REQUEST, {});
    ASSERT_EQ(tlv.size(), 8u * 6);
    EXPECT_EQ(Bytes(tlv.begin(), tlv.begin() + 6), hex("0104 42000DAD"));  // VERIFY_PIN_START, SCARD_CTL_CODE(3501)
    std::vector<uint8_t> tags;
    for (size_t i = 0; i < tlv.size(); i += 6) {
        tags.push_back(tlv[i]);
        EXPECT_EQ(tlv[i + 1], 4);
        const DWORD code = DWORD(tlv[i + 2]) << 24 | DWORD(tlv[i + 3]) << 16 | DWORD(tlv[i + 4]) << 8 | tlv[i + 5];
        EXPECT_EQ(code, pcscsim::featureCode(tlv[i]));
    }
    EXPECT_EQ(tags, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 0x0A}));
    EXPECT_EQ(feature(h, FEATURE_IFD_PIN_PROPERTIES, {}), hex("00000700"));

    // A plain reader lists nothing, one without control refuses, a broken one answers odd bytes.
    LONG rv = 0;
    EXPECT_EQ(control(h, SCARD_CTL_CODE(1), {}, &rv), Bytes());
    EXPECT_EQ(rv, SCARD_E_UNSUPPORTED_FEATURE);
    pcscsim::addReader("Plain");
    pcscsim::insertCard("Plain", card(kStarcosImage));
    EXPECT_EQ(control(connect("Plain"), CM_IOCTL_GET_FEATURE_REQUEST, {}, &rv), Bytes());
    EXPECT_EQ(rv, SCARD_S_SUCCESS);
    pcscsim::ReaderOptions refusing;
    refusing.controlSupported = false;
    pcscsim::addReader("Refusing", refusing);
    pcscsim::insertCard("Refusing", card(kStarcosImage));
    control(connect("Refusing"), CM_IOCTL_GET_FEATURE_REQUEST, {}, &rv);
    EXPECT_EQ(rv, SCARD_E_UNSUPPORTED_FEATURE);
    pcscsim::ReaderOptions broken;
    broken.featureAnswer = hex("0604420000");
    pcscsim::addReader("Broken", broken);
    pcscsim::insertCard("Broken", card(kStarcosImage));
    EXPECT_EQ(control(connect("Broken"), CM_IOCTL_GET_FEATURE_REQUEST, {}), hex("0604420000"));
}

TEST_F(PinPadTest, VerifyPinDirectSendsTheFormat2BlockAndReturnsTheCardStatus) {
    SCARDHANDLE h = insert(kStarcosImage);
    pcscsim::scriptKeys(kPinPad, "111111\r");
    EXPECT_EQ(feature(h, FEATURE_VERIFY_PIN_DIRECT, kVerifyStarcos), hex("63C2"));
    EXPECT_EQ(m_card->pinTriesLeft("", 0x81), 2);

    pcscsim::scriptKeys(kPinPad, "123456\r");
    EXPECT_EQ(feature(h, FEATURE_VERIFY_PIN_DIRECT, kVerifyStarcos), hex("9000"));
    EXPECT_EQ(m_card->transcript().back().command, hex("0020008108 2612345 6FFFFFFFF"));
    EXPECT_EQ(pcscsim::calls().back().cardCommand, hex("00200081082612 3456FFFFFFFF"));
    EXPECT_EQ(m_card->pinTriesLeft("", 0x81), 3);
    EXPECT_EQ(pcscsim::pendingKeys(kPinPad), "");
}

TEST_F(PinPadTest, StartKeyPollsAndFinishReportKeysWithoutRevealingDigits) {
    SCARDHANDLE h = insert(kStarcosImage);
    pcscsim::scriptKeys(kPinPad, "12.9\b3456\r");
    Bytes keys;
    EXPECT_EQ(startPollFinish(h, false, kVerifyStarcos, keys), hex("9000"));
    EXPECT_EQ(keys, hex("2B2B 00 2B 08 2B2B2B2B 0D"));

    // Cancelled: the card sees nothing and the pad answers 6401.
    const size_t commands = m_card->commandCount();
    pcscsim::scriptKeys(kPinPad, "12\x1b");
    keys.clear();
    EXPECT_EQ(startPollFinish(h, false, kVerifyStarcos, keys), hex("6401"));
    EXPECT_EQ(keys, hex("2B2B1B"));
    // Keys run out: the entry times out.
    pcscsim::scriptKeys(kPinPad, "12");
    keys.clear();
    EXPECT_EQ(startPollFinish(h, false, kVerifyStarcos, keys), hex("6400"));
    EXPECT_EQ(keys, hex("2B2B40"));
    EXPECT_EQ(m_card->commandCount(), commands);

    // Without a started entry there is no key and nothing to finish.
    EXPECT_EQ(feature(h, FEATURE_GET_KEY_PRESSED, {}), hex("00"));
    LONG rv = 0;
    feature(h, FEATURE_VERIFY_PIN_FINISH, hex("FFFF"), &rv);
    EXPECT_EQ(rv, SCARD_E_NOT_TRANSACTED);
}

TEST_F(PinPadTest, ModifyPinPlacesCurrentAndNewPinAtTheirOffsetsAndChecksTheConfirmation) {
    SCARDHANDLE h = insert(kStarcosImage);
    pcscsim::scriptKeys(kPinPad, "123456\r65432\r65431\r");
    EXPECT_EQ(feature(h, FEATURE_MODIFY_PIN_DIRECT, kModifyStarcos), hex("6402"));

    pcscsim::scriptKeys(kPinPad, "123456\r65432\r65432\r");
    EXPECT_EQ(feature(h, FEATURE_MODIFY_PIN_DIRECT, kModifyStarcos), hex("9000"));
    EXPECT_EQ(m_card->transcript().back().command, hex("0024008110 2612 3456 FFFFFFFF 2565 432F FFFFFFFF"));

    Bytes keys;
    pcscsim::scriptKeys(kPinPad, "65432\r112233\r112233\r");
    EXPECT_EQ(startPollFinish(h, true, kModifyStarcos, keys), hex("9000"));
    EXPECT_EQ(keys, hex("2B2B2B2B2B0D"));  // the loop stops at the first Enter; finish takes the rest
    pcscsim::scriptKeys(kPinPad, "112233\r");
    EXPECT_EQ(feature(h, FEATURE_VERIFY_PIN_DIRECT, kVerifyStarcos), hex("9000"));
}

TEST_F(PinPadTest, AsciiStructureWithoutTemplateGetsLcFromThePinAndLengthLimitsFromThePad) {
    SCARDHANDLE h = insert(kIsoT0Image);
    pcscsim::scriptKeys(kPinPad, "123\r");
    EXPECT_EQ(feature(h, FEATURE_VERIFY_PIN_DIRECT, kVerifyAscii), hex("6403"));
    pcscsim::scriptKeys(kPinPad, "1234\r");
    EXPECT_EQ(feature(h, FEATURE_VERIFY_PIN_DIRECT, kVerifyAscii), hex("9000"));
    EXPECT_EQ(m_card->transcript().back().command, hex("0020000104 31323334"));
    // Digits beyond the maximum are not taken.
    pcscsim::scriptKeys(kPinPad, "1234567890\r");
    feature(h, FEATURE_VERIFY_PIN_DIRECT, kVerifyAscii);
    EXPECT_EQ(pcscsim::calls().back().cardCommand, hex("0020000108 3132333435363738"));
}

TEST_F(PinPadTest, OtherPinFormatsPlaceDigitsAndLengthWhereTheStructureSays) {
    SCARDHANDLE h = insert(kStarcosImage);
    auto cardCommandFor = [&](const Bytes& structure, const std::string& keys) {
        pcscsim::scriptKeys(kPinPad, keys);
        feature(h, FEATURE_VERIFY_PIN_DIRECT, structure);
        return pcscsim::calls().back().cardCommand;
    };
    // BCD right-justified in a 4-byte block at byte 2, length byte (8 bits) at byte 0.
    EXPECT_EQ(
        cardCommandFor(hex("0000 95 84 10 0801 02 00 0000 00 000000 0B000000 00200081 06 000000000000"), "12345\r"),
        hex("0020008106 0500 00012345"));
    // Binary digits one per byte at bit position 8 (bit units), no length field.
    EXPECT_EQ(cardCommandFor(hex("0000 40 00 00 0801 02 00 0000 00 000000 04000000 00200081"), "907\r"),
              hex("0020008104 FF090007"));
    // ASCII left-justified in an 8-byte block keeps the template's filler.
    EXPECT_EQ(cardCommandFor(hex("0000 8A 08 00 0801 02 00 0000 00 000000 0E000000 00200081 09 AA2020202020202020"),
                             "4711\r"),
              hex("0020008109 AA34373131 20202020"));
}

TEST_F(PinPadTest, MalformedStructuresAndAStoppedReaderAreErrors) {
    SCARDHANDLE h = insert(kStarcosImage);
    LONG rv = 0;
    feature(h, FEATURE_VERIFY_PIN_DIRECT, hex("1E1E8947040C06"), &rv);  // shorter than the fixed part
    EXPECT_EQ(rv, SCARD_E_INVALID_PARAMETER);
    Bytes lying = kVerifyStarcos;
    lying[15] = 0x20;  // ulDataLength beyond the input
    feature(h, FEATURE_VERIFY_PIN_DIRECT, lying, &rv);
    EXPECT_EQ(rv, SCARD_E_INVALID_PARAMETER);
    Bytes reserved = kVerifyStarcos;
    reserved[2] = 0x8B;  // PIN format 11
    feature(h, FEATURE_VERIFY_PIN_START, reserved, &rv);
    EXPECT_EQ(rv, SCARD_E_INVALID_PARAMETER);
    // A template whose data cannot take the PIN block.
    pcscsim::scriptKeys(kPinPad, "123456\r");
    feature(h, FEATURE_VERIFY_PIN_DIRECT, hex("1E1E 89 47 04 0C06 02 01 0000 00 000000 07000000 00200081 02 20FF"),
            &rv);
    EXPECT_EQ(rv, SCARD_E_INVALID_PARAMETER);

    // The reader stops answering in the middle of the entry, then recovers.
    pcscsim::scriptKeys(kPinPad, "12!3456\r");
    EXPECT_EQ(feature(h, FEATURE_VERIFY_PIN_START, kVerifyStarcos), Bytes());
    EXPECT_EQ(feature(h, FEATURE_GET_KEY_PRESSED, {}), hex("2B"));
    EXPECT_EQ(feature(h, FEATURE_GET_KEY_PRESSED, {}), hex("2B"));
    feature(h, FEATURE_GET_KEY_PRESSED, {}, &rv);
    EXPECT_EQ(rv, SCARD_E_NOT_TRANSACTED);
    EXPECT_EQ(feature(h, FEATURE_VERIFY_PIN_FINISH, hex("FFFF")), hex("9000"));

    // A reader that stops answering for good fails every poll until its keys are cleared.
    pcscsim::scriptKeys(kPinPad, "1X");
    EXPECT_EQ(feature(h, FEATURE_VERIFY_PIN_START, kVerifyStarcos), Bytes());
    EXPECT_EQ(feature(h, FEATURE_GET_KEY_PRESSED, {}), hex("2B"));
    for (int i = 0; i < 3; ++i) {
        feature(h, FEATURE_GET_KEY_PRESSED, {}, &rv);
        EXPECT_EQ(rv, SCARD_E_NOT_TRANSACTED);
    }
    feature(h, FEATURE_VERIFY_PIN_FINISH, hex("FFFF"), &rv);
    EXPECT_EQ(rv, SCARD_E_NOT_TRANSACTED);
    pcscsim::clearKeys(kPinPad);
    EXPECT_EQ(feature(h, FEATURE_GET_KEY_PRESSED, {}), hex("40"));  // the entry then times out

    // A control error at a chosen call.
    pcscsim::failControlAt(pcscsim::controlCount() + 1, SCARD_E_READER_UNAVAILABLE);
    control(h, CM_IOCTL_GET_FEATURE_REQUEST, {}, &rv);
    EXPECT_EQ(rv, SCARD_E_READER_UNAVAILABLE);
    EXPECT_EQ(control(h, CM_IOCTL_GET_FEATURE_REQUEST, {}).size(), 48u);
}

TEST_F(PinPadTest, SignatureCardImageVerifiesItsSignaturePinOnThePad) {
    auto c = pcscsim::insertImage(kPinPad, "starcos35-a");
    SCARDHANDLE h = connect(kPinPad);
    EXPECT_EQ(transmit(h, hex("00A4010C020604")), hex("9000"));  // signature application DF
    const Bytes verify81 = hex("1E1E 89 47 04 0C05 02 01 0000 00 000000 0D000000 00200081 08 20FFFFFFFFFFFFFF");
    pcscsim::scriptKeys(kPinPad, "12345\r");
    EXPECT_EQ(feature(h, FEATURE_VERIFY_PIN_DIRECT, verify81), hex("63C2"));
    pcscsim::scriptKeys(kPinPad, "123456\r");
    EXPECT_EQ(feature(h, FEATURE_VERIFY_PIN_DIRECT, verify81), hex("9000"));
    EXPECT_EQ(c->pinTriesLeft("3F00/0604", 0x81), 3);
}
