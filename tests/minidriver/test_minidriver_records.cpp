// The minidriver records as the host sees them: sizes and offsets of this platform.
#include <gtest/gtest.h>

#include <cstddef>

#include "LegacyProfile.h"
#include "Minidriver.h"
#include "MinidriverCardData.h"
#include "P15Profile.h"
#include "SmartCard.h"

TEST(MinidriverRecords, LayoutsOfThisPlatform) {
    EXPECT_EQ(sizeof(CONTAINERMAPRECORD), 168u);
    EXPECT_EQ(offsetof(CONTAINERMAPRECORD, Flags), 160u);
    EXPECT_EQ(offsetof(CONTAINERMAPRECORD, ui16KeyExchangeKeySize), 164u);
    EXPECT_EQ(sizeof(VN_RSA_PUBLIC_BLOB), 32u);
    EXPECT_EQ(offsetof(CARD_DATA, pwszCardName), 3 * sizeof(void*));
    EXPECT_LT(offsetof(CARD_DATA, pfnCspAlloc), offsetof(CARD_DATA, hSCardCtx));
    EXPECT_LT(offsetof(CARD_DATA, hSCardCtx), offsetof(CARD_DATA, hScard));
    EXPECT_EQ(SCARD_E_DIR_NOT_FOUND, 0x80100023L);
    EXPECT_EQ(SCARD_E_FILE_NOT_FOUND, 0x80100024L);
    // the certificate entry holds a container name as long as the record's
    EXPECT_EQ(sizeof(CProfileCertEntry::containerName), sizeof(CONTAINERMAPRECORD::GuidInfo));
    EXPECT_EQ(sizeof(CProfileName::name), 32u);
}

