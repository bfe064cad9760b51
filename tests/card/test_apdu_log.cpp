// Secrets never reach the APDU dump of the file log.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ConfigSC.h"
#include "card/ApduLog.h"
#include "vn_log.h"

using Bytes = std::vector<unsigned char>;

TEST(ApduLog, PinCommandsAreMaskedAfterTheHeader) {
    Bytes verify = {0x00, 0x20, 0x00, 0x81, 0x06, '1', '2', '3', '4', '5', '6'};
    Bytes shown = vn_mask_command(verify);
    EXPECT_EQ(Bytes(shown.begin(), shown.begin() + 5), Bytes(verify.begin(), verify.begin() + 5));
    for (size_t i = 5; i < shown.size(); ++i)
        EXPECT_EQ(shown[i], kMaskByte);
    Bytes change = {0x00, 0x24, 0x00, 0x81, 0x04, 1, 2, 3, 4};
    Bytes unblock = {0x00, 0x2C, 0x01, 0x81, 0x02, 9, 9};
    Bytes extended = {0x00, 0x24, 0x00, 0x81, 0x00, 0x00, 0x02, 5, 5, 0x00, 0x00};
    EXPECT_EQ(vn_mask_command(change)[5], kMaskByte);
    EXPECT_EQ(vn_mask_command(unblock)[6], kMaskByte);
    Bytes e = vn_mask_command(extended);
    EXPECT_EQ(e[6], 0x02);
    EXPECT_EQ(e[7], kMaskByte);
    Bytes select = {0x00, 0xA4, 0x02, 0x04, 0x02, 0xC0, 0x00, 0x00};
    EXPECT_EQ(vn_mask_command(select), select);
    // a pin-pad verify structure: 19 fixed bytes, then 00 20 00 81 08 and the PIN block
    Bytes pad(32, 0x11);
    Bytes padShown = vn_mask_pinpad(pad.data(), pad.size(), 19);
    EXPECT_EQ(padShown[23], 0x11);
    EXPECT_EQ(padShown[24], kMaskByte);
    EXPECT_EQ(padShown[31], kMaskByte);
}
