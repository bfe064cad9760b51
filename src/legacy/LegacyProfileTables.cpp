// The process-wide tables of the legacy card profile, per reader, and the display names
// of the known card type and profile type pairs.
#include "LegacyProfile.h"

CProfileCertEntry CProfile::m_certinfo[VN_LEGACY_READERS][VN_LEGACY_CERTS] = {};
int32_t CProfile::m_certnum[VN_LEGACY_READERS] = {};
CProfileFileEntry CProfile::m_cardfile[VN_LEGACY_READERS][VN_LEGACY_FILES] = {};
int32_t CProfile::m_cardfilenum[VN_LEGACY_READERS] = {};
unsigned char CProfile::m_cardnum[VN_LEGACY_READERS][17] = {};
int32_t CProfile::m_cardosProfile[VN_LEGACY_READERS] = {};
bool CProfile::m_initialized[VN_LEGACY_READERS] = {};
bool CProfile::m_genkey[VN_LEGACY_READERS] = {};
bool CProfile::m_singelsign[VN_LEGACY_READERS] = {};
int32_t CProfile::m_cardspace[VN_LEGACY_READERS] = {};
unsigned char CProfile::m_cachever[VN_LEGACY_READERS][6] = {};
CPkcs15* CProfile::pkcs15[VN_LEGACY_READERS] = {};
SCARDCONTEXT CProfile::g_hSCardCtx[VN_LEGACY_READERS] = {};
SCARDHANDLE CProfile::g_hScard[VN_LEGACY_READERS] = {};

// clang-format off
const CProfileName CProfile::m_profile[VN_LEGACY_PROFILE_ROWS] = {
    {1,  1,  "Telesec",               1},
    {3,  2,  "D-Trust 1k",            1},
    {4,  24, "D-Trust 2k",            1},
    {4,  22, "D-Trust 2k multisign",  1},
    {2,  3,  "Telesec Netkey E4",     1},
    {2,  4,  "Telesec Netkey E4 M",   1},
    {1,  5,  "Signtrust 1k",          1},
    {1,  6,  "Signtrust 2k",          1},
    {7,  9,  "SetCOS 4.4.1",          1},
    {9,  11, "StarCos 3.2",           1},
    {12, 61, "StarCos 3.4",           1},
    {11, 24, "D-Trust 2k",            1},
    {11, 22, "D-Trust 2k multisign",  1},
    {15, 24, "D-Trust 2k",            1},
    {15, 22, "D-Trust 2k multisign",  1},
    {17, 83, "D-Trust 4.1",           1},
    {17, 85, "D-Trust 4.1 multisign", 1},
    {17, 84, "D-Trust 4.1 batch",     1},
    {17, 86, "D-Trust 4.4",           1},
    {17, 87, "D-Trust 4.4 multisign", 1},
    {0,  0,  "Uknown",                0},
};
// clang-format on
