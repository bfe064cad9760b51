// The card in the shape of the smart-card minidriver model: container maps, the "mscp"
// directory with its virtual files, serial number and public keys, read from the legacy
// per-reader tables and the card. Every buffer handed back comes from the host's
// allocation function in CARD_DATA.
#ifndef VN_MINIDRIVERCARDDATA_H
#define VN_MINIDRIVERCARDDATA_H

#include "Minidriver.h"
#include "vn_export.h"

class IP15Profile;

// Virtual file types of CCardData::GetFileType.
enum : int {
    VN_FILE_UNKNOWN = -1,
    VN_FILE_CARDID = 0,
    VN_FILE_CARDCF = 1,
    VN_FILE_CARDAPPS = 2,
    VN_FILE_CMAPFILE = 3,
    VN_FILE_KXC = 4,
    VN_FILE_KSC = 5,
    VN_FILE_KXP = 6,
    VN_FILE_KXS = 7,
    VN_FILE_KSP = 8,
    VN_FILE_KSS = 9,
};

class VN_EXPORT CCardData {
public:
    // Number of certificate entries of a reader (0 for a reader out of range).
    static int GetContNum(int reader, int cardType);
    static int GetCertNum(int reader, int cardType);
    // 1 and the container record of entry index, or 0 for an index out of range.
    static int GetCont(int reader, int cardType, int index, CONTAINERMAPRECORD* out);
    static int GetContainerMap(int reader, int cardType, int index, CONTAINERMAPRECORD* out);
    // count x 168 bytes from the host's allocator; 1, or 0 when the allocator fails.
    static int GetContainerMaps(CARD_DATA* cardData, unsigned char** data, unsigned long* length);
    // Copies the header and duplicates both key blobs with the host's allocator.
    static int CopyContainerInfo(CARD_DATA* cardData, CONTAINER_INFO* out, CONTAINER_INFO* in);

    static int GetFileType(char* name);
    static int GetFileName(int reader, int cardType, int index, char* name);
    // "mscp" only: 0 and a host-allocated list of NUL-terminated names ended by an empty
    // name; SCARD_E_DIR_NOT_FOUND for other directories, SCARD_E_FILE_NOT_FOUND without
    // certificate entries.
    static long GetDirectory(CARD_DATA* cardData, char* directory, char** list, unsigned long* length);
    static int GetFileIndex(CARD_DATA* cardData);
    // Copy the entry's key or PIN path into out (at least 48 bytes); 1.
    static int GetKeyPath(CARD_DATA* cardData, unsigned char index, char* out);
    static int GetPINPath(CARD_DATA* cardData, unsigned char index, char* out);
    // "kxc%02d" into out (at least 6 bytes) when index is below the count (1), else "" (0).
    static int GetCertFileName(CARD_DATA* cardData, unsigned char index, char* out);

    // A virtual file's content in host-allocated memory; false when the name is not in
    // the reader's file table, no entry can be selected, or nothing was read.
    static bool ReadFile(CARD_DATA* cardData, char* name, unsigned char** data, unsigned long* length);
    // The last 16 bytes of the serial number file, host-allocated; 1 or 0.
    static int ReadSerial(CARD_DATA* cardData, void** data, unsigned long* length);
    // The RSA modulus of entry index's certificate (*length: capacity on entry, length on
    // return) and its bit length; 1 or 0.
    static int GetPubKey(CARD_DATA* cardData, int index, unsigned long* bits, unsigned char* modulus,
                         unsigned long* length);
    static int GetContainerInfo(CARD_DATA* cardData, int index, CONTAINER_INFO* out);

    // A new built-in PKCS#15 layout for the card (owned by the caller), or null.
    static IP15Profile* GetP15CardProfile(CARD_DATA* cardData);
};

#endif
