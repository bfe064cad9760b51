// The legacy card application profile of the minidriver card-data path: process-wide
// tables per reader with the card's certificate entries (key, PIN and container
// information) and the virtual file names mapped to card paths, filled by the legacy
// detection routines on a CSmartCard.
#ifndef VN_LEGACYPROFILE_H
#define VN_LEGACYPROFILE_H

#include <PCSC/winscard.h>

#include <cstdint>

#include "Minidriver.h"
#include "SmartCard.h"
#include "vn_export.h"

class CPkcs15;

enum : int {
    VN_LEGACY_CERTS = 10,         // certificate entries per reader
    VN_LEGACY_FILES = 40,         // virtual file entries per reader
    VN_LEGACY_PROFILE_ROWS = 21,  // rows of CProfile::m_profile, end row included
};

// One certificate entry of a reader.
struct VN_EXPORT CProfileCertEntry {
    uint32_t cardType;
    uint32_t profileType;
    uint32_t index;
    char certPath[52];
    uint32_t valid;
    uint32_t certOffset;
    uint32_t certLength;
    char keyPath[44];
    uint32_t keyRef;
    char pinPath[48];
    uint32_t pinRef;
    uint32_t keyClass;  // 64 or 128
    char pinName[40];
    wchar_t containerName[VN_CONTAINER_NAME_CHARS];
    uint8_t containerFlags;
    uint8_t reserved;
    uint16_t sigKeySize;
    uint16_t keyExKeySize;
    uint8_t singleSign;
    uint8_t lastFlag;
};

// One virtual file of a reader: its minidriver name ("kxc00") and card path.
struct VN_EXPORT CProfileFileEntry {
    char name[10];
    char path[40];
};

// One row of CProfile::m_profile: display name of a card type and profile type pair.
struct VN_EXPORT CProfileName {
    int32_t cardType;
    int32_t profileType;
    char name[32];
    int32_t flag;
};

class VN_EXPORT CProfile {
public:
    explicit CProfile(CARD_DATA* cardData);
    CProfile(long context, long card);
    virtual ~CProfile();

    // 0-based position of the card's reader in the reader list (the last position when a
    // name occurs twice, 0 when none matches); stored with the number of readers.
    int GetReaderId();
    static int GetReaderID(CARD_DATA* cardData);

    // Legacy detection: fills the reader's tables, returns the profile type.
    int GetProfile();

    // Appends a certificate entry with its four virtual files; 1, or 0 when refused
    // (reader id out of range, table full).
    int AddCert(int profileType, const char* certPath, int offset, int length, const char* keyPath, const char* pinPath,
                int pinRef, int keyRef, int keySize, int keyClass, const char* pinName, bool singleSign, bool isCA,
                unsigned long containerFlags);
    // Rewrites entry index with the same values as AddCert; 1, or 0 when there is no such entry.
    int UpdateCert(int index, int profileType, const char* certPath, int offset, int length, const char* keyPath,
                   const char* pinPath, int pinRef, int keyRef, int keySize, int keyClass, const char* pinName,
                   bool singleSign, bool isCA, unsigned long containerFlags);
    // Appends an entry for a container the host created; 1, or 0 when refused.
    int AddEmptyCert(CONTAINERMAPRECORD* container);
    void ClearCertList();
    static void FreeCertList(CARD_DATA* cardData);

    // Whether the file at path holds a certificate.
    bool CheckCert(const char* path, int offset, int length, CSmartCard& card);
    // Reads the card serial number into m_cardnum; 1 on success.
    int GetSerial();

    // ---- legacy detection routines: each registers its layout through AddCert and
    // returns true when the card has it ----
    bool CheckTelesec1k(CSmartCard& card);
    bool CheckTelesec2k(CSmartCard& card);
    bool CheckSignTrust1k(CSmartCard& card);
    bool CheckSignTrust2k(CSmartCard& card);
    bool CheckSignTrust2k9(CSmartCard& card);
    bool CheckDatev1k(CSmartCard& card);
    bool CheckMicardo1k(CSmartCard& card);
    bool CheckMediSign2k(CSmartCard& card);
    bool CheckMedisign1k(CSmartCard& card);
    bool CheckSTrust(CSmartCard& card);
    bool CheckPKCS15(CSmartCard& card);
    bool CheckCardOS43(CSmartCard& card);
    bool CheckCardOS401(CSmartCard& card);
    bool CheckStarCos32(CSmartCard& card);
    bool CheckStarCos34(CSmartCard& card);

    int getCardType() const { return m_cardType; }
    int getReaderId() const { return m_readerId; }
    int getReaderNum() const { return m_readerNum; }

    // ---- process-wide tables, per reader ----
    static CProfileCertEntry m_certinfo[VN_LEGACY_READERS][VN_LEGACY_CERTS];
    static int32_t m_certnum[VN_LEGACY_READERS];
    static CProfileFileEntry m_cardfile[VN_LEGACY_READERS][VN_LEGACY_FILES];
    static int32_t m_cardfilenum[VN_LEGACY_READERS];
    static unsigned char m_cardnum[VN_LEGACY_READERS][17];
    static int32_t m_cardosProfile[VN_LEGACY_READERS];
    static bool m_initialized[VN_LEGACY_READERS];
    static bool m_genkey[VN_LEGACY_READERS];
    static bool m_singelsign[VN_LEGACY_READERS];
    static int32_t m_cardspace[VN_LEGACY_READERS];
    static unsigned char m_cachever[VN_LEGACY_READERS][6];
    static CPkcs15* pkcs15[VN_LEGACY_READERS];
    static SCARDCONTEXT g_hSCardCtx[VN_LEGACY_READERS];
    static SCARDHANDLE g_hScard[VN_LEGACY_READERS];
    static const CProfileName m_profile[VN_LEGACY_PROFILE_ROWS];

    // Whether a reader id indexes the tables.
    static bool validReader(int readerId) { return readerId >= 0 && readerId < VN_LEGACY_READERS; }

private:
    CProfile(const CProfile&) = delete;
    CProfile& operator=(const CProfile&) = delete;

    CARD_DATA* m_cardData;
    int32_t m_cardType;
    SCARDCONTEXT m_hSCardCtx;
    SCARDHANDLE m_hScard;
    int32_t m_readerId;
    int32_t m_readerNum;
};

#endif
