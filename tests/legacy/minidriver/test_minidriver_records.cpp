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

TEST(MinidriverRecords, ProfileNamesEndWithTheUnknownRow) {
    const CProfileName* rows = CProfile::m_profile;
    EXPECT_EQ(rows[0].cardType, 1);
    EXPECT_STREQ(rows[0].name, "Telesec");
    EXPECT_EQ(rows[10].cardType, 12);
    EXPECT_EQ(rows[10].profileType, 61);
    EXPECT_STREQ(rows[10].name, "StarCos 3.4");
    EXPECT_STREQ(rows[19].name, "D-Trust 4.4 multisign");
    EXPECT_EQ(rows[19].profileType, 87);
    for (int i = 0; i + 1 < VN_LEGACY_PROFILE_ROWS; ++i)
        EXPECT_EQ(rows[i].flag, 1) << i;
    const CProfileName& end = rows[VN_LEGACY_PROFILE_ROWS - 1];
    EXPECT_EQ(end.cardType, 0);
    EXPECT_EQ(end.profileType, 0);
    EXPECT_STREQ(end.name, "Uknown");
    EXPECT_EQ(end.flag, 0);
}
