// The per-reader directory cache of the legacy card class and its ATR table.
#include <cstring>

#include "SmartCard.h"
#include "infra/Secrets.h"

#define VN_MF_PATH \
    { 0x3F, 0x00 }
unsigned char CSmartCard::m_currPath[VN_LEGACY_READERS][PATH_SIZE] = {VN_MF_PATH, VN_MF_PATH, VN_MF_PATH, VN_MF_PATH,
                                                                      VN_MF_PATH, VN_MF_PATH, VN_MF_PATH, VN_MF_PATH};
#undef VN_MF_PATH
int CSmartCard::m_currPathLen[VN_LEGACY_READERS] = {2, 2, 2, 2, 2, 2, 2, 2};
unsigned char CSmartCard::m_currFile[VN_LEGACY_READERS][FILE_SIZE] = {};
int CSmartCard::m_currFileLen[VN_LEGACY_READERS] = {};
unsigned char CSmartCard::m_pinVerified[VN_LEGACY_READERS][PIN_RECORD_SIZE] = {};
unsigned char CSmartCard::m_keysInitialized[VN_LEGACY_READERS] = {};
unsigned char CSmartCard::m_pubModulus[VN_LEGACY_READERS][PUBKEY_SIZE] = {};
uint16_t CSmartCard::m_pubModulusLen[VN_LEGACY_READERS] = {};
unsigned char CSmartCard::m_pubExponent[VN_LEGACY_READERS][PUBKEY_SIZE] = {};
uint16_t CSmartCard::m_pubExponentLen[VN_LEGACY_READERS] = {};

const SmartCardAtrRow CSmartCard::m_ATRTABLE[ATR_ROWS] = {
    {1, "3b:ba:96:00:81:31:86:5d:00:64:05:00:02:03:31:80:90:00:00", "", ':'},  // TCOS 2.0
    {3, "3B:6F:00:FF:00:68:D2:76:00:00:28:FF:05:1E:31:80:00:90:00", "", ':'},  // Micardo 2.1
    {0, "", "", ':'},                                                          // end
};

void CSmartCard::ResetCurrPath(int readerId) {
    if (readerId < 0 || readerId >= VN_LEGACY_READERS)
        return;
    std::memset(m_currPath[readerId], 0, PATH_SIZE);
    m_currPath[readerId][0] = 0x3F;
    m_currPath[readerId][1] = 0x00;
    m_currPathLen[readerId] = 2;
    std::memset(m_currFile[readerId], 0, FILE_SIZE);
    m_currFileLen[readerId] = 0;
    vn_secret::cleanse(m_pinVerified[readerId], PIN_RECORD_SIZE);
    std::memset(m_keysInitialized, 0, sizeof m_keysInitialized);
}
