// The card object of the minidriver card-data path: built on the host's card handle and
// card label, it forwards file selection and reading to a card-OS object on the same
// handle and keeps that object's directory cache per reader between objects.
#ifndef VN_SMARTCARD_H
#define VN_SMARTCARD_H

#include <PCSC/winscard.h>

#include <cstdint>
#include <string>

#include "Minidriver.h"
#include "vn_export.h"

class CSC_Profile_Base;

// Readers the per-reader tables of the legacy path hold (reader ids 0 to 7).
enum : int { VN_LEGACY_READERS = 8 };

// One row of CSmartCard::m_ATRTABLE.
struct VN_EXPORT SmartCardAtrRow {
    int32_t cardType;
    char atr[120];
    char mask[120];
    char separator;
};

class VN_EXPORT CSmartCard {
public:
    enum : int {
        PATH_SIZE = 128,       // bytes of a cached DF path
        FILE_SIZE = 8,         // bytes of a cached current file
        PIN_RECORD_SIZE = 10,  // bytes of a PIN-verified record
        PUBKEY_SIZE = 512,     // bytes of a cached public modulus or exponent
        RESPONSE_SIZE = 256,   // bytes of the response buffer
        ATR_ROWS = 10,
    };

    explicit CSmartCard(_CARD_DATA* cardData);
    virtual ~CSmartCard();

    // ---- card type ----
    static int GetCardType(wchar_t* label);
    int GetCardType();

    // ---- forwarding to the card-OS object ----
    // Selects a path ("3f00df01c000"): isDF tells a directory from a file; force starts
    // at the MF. Directories the reader's cache shows as selected are not selected again;
    // a file always is. 0, or 255 (also without a card-OS object).
    int SelectPath(const char* path, bool force, bool isDF);
    int ReadFile(unsigned char* buffer, unsigned short* length);
    int ReadFileOffset(unsigned char* buffer, unsigned short* length, unsigned short offset, unsigned short wanted);
    int ReadRecord(unsigned char number, unsigned char* buffer, unsigned short* length);
    std::string getSerial();
    int SetSMKeys(unsigned char* key1, unsigned short length1, unsigned char* key2, unsigned short length2);

    // ---- handles ----
    SCARDHANDLE GetSCardHandle();
    unsigned long GetProtocol();

    // ---- card-specific operations ----
    bool IsNullPIN();
    int TC_GetKey(unsigned long controlCode);
    // GET DATA of SECCOS (00 CA DF p1) and SetCOS 4.4.1 (00 CA 01 p1, p2 bytes expected);
    // *outLength: capacity on entry (0 means 255), bytes copied on return. 255 for other cards.
    int GetData(unsigned char p1, unsigned char p2, unsigned char* out, unsigned char* outLength);

    // Forgets the directory cache of a reader: DF 3F00, no current file, no verified PIN,
    // no initialised keys.
    static void ResetCurrPath(int readerId);

    // ---- further operations with the contracts of the card-OS object's counterparts ----
    void FormatAPDU(unsigned char form, unsigned char cla, unsigned char ins, unsigned char p1, unsigned char p2,
                    unsigned short lc, unsigned short le, unsigned char* data, unsigned short dataLength);
    bool SendToCard();
    bool TransmitControl(unsigned long controlCode, unsigned char* data, unsigned long length);
    void GetRequestedPathPart(unsigned char* path, unsigned int* length, bool reselect, bool isDF);
    // out takes up to 136 bytes.
    bool ConvertPath(char* path, unsigned char* out, unsigned int* length);
    int SCSelectMF();
    int SCSelectDF(unsigned char* id, int length);
    int SCSelectEF(unsigned char* id);
    int SelectPathByName(unsigned char* aid, unsigned int length);
    int ResetCard();
    int GetFileLen();
    int ReadFilePart(unsigned char* buffer, unsigned short* length, unsigned short wanted);
    int SCReadFile(unsigned char* out, unsigned short offset, unsigned char length);
    int SCReadRecord(unsigned char number, unsigned char* out);
    int ReadAllRecords(unsigned char* buffer, unsigned short* length);
    int UpdateFile(unsigned char* data, unsigned short length);
    int EraseFile();
    int GenRSAKeyPair();
    int GetSigAlgOID(unsigned int algId, unsigned char* oid, unsigned long* length);
    int BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength,
                        unsigned char** out, unsigned long* outLength, bool pad);
    int SignData(const char* keyPath, unsigned char keyRef, int keyBits, unsigned int algId, unsigned char* hash,
                 unsigned long hashLength, unsigned char* signature, unsigned long* signatureLength, int profileType);
    int DecryptData(const char* keyPath, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                    unsigned char* out, unsigned long* outLength, int profileType);
    // PIN commands with the PIN given by the caller (no dialog).
    int VerifyPassword(const char* pinPath, unsigned char pinRef, unsigned char* pin, unsigned char pinLength);
    int ModifyPassword(const char* pinPath, unsigned char pinRef, unsigned char* oldPin, unsigned char oldLength,
                       unsigned char* newPin, unsigned char newLength);
    int UnblockPassword(const char* pinPath, unsigned char pinRef, unsigned char* puk, unsigned char pukLength,
                        unsigned char* newPin, unsigned char newLength);
    // PIN commands with the library's own flow: the PIN pad when asked for, else the
    // host's PIN dialog; a non-null pin (NUL-terminated) is used as given.
    int QuorVerifyPIN(const char* pinPath, const char* label, unsigned char pinRef, bool usePinPad, void* parent,
                      const char* pin);
    int QuorModifyPIN(const char* pinPath, const char* label, unsigned char pinRef, bool usePinPad, void* parent,
                      const char* oldPin, const char* newPin);
    int QuorUnblockPIN(const char* pinPath, const char* label, unsigned char pinRef, bool usePinPad, void* parent,
                       const char* puk, const char* newPin);
    int InternalAuthenticate(unsigned char* in, unsigned long inLength, unsigned char* out, unsigned long* outLength);
    int ExternalAuthenticate(unsigned char* in, unsigned long inLength);
    int GetChallange(unsigned char* out, unsigned long length);
    int WriteQuorPubKey();
    bool CheckQuorPubKey();
    // Sets the card type from a card label and returns the number of certificate entries
    // the legacy tables hold for this reader.
    int GetCardCerts(wchar_t* label);

    // ---- per-reader tables ----
    static unsigned char m_currPath[VN_LEGACY_READERS][PATH_SIZE];
    static int m_currPathLen[VN_LEGACY_READERS];
    static unsigned char m_currFile[VN_LEGACY_READERS][FILE_SIZE];
    static int m_currFileLen[VN_LEGACY_READERS];
    static unsigned char m_pinVerified[VN_LEGACY_READERS][PIN_RECORD_SIZE];
    static unsigned char m_keysInitialized[VN_LEGACY_READERS];
    static unsigned char m_pubModulus[VN_LEGACY_READERS][PUBKEY_SIZE];
    static uint16_t m_pubModulusLen[VN_LEGACY_READERS];
    static unsigned char m_pubExponent[VN_LEGACY_READERS][PUBKEY_SIZE];
    static uint16_t m_pubExponentLen[VN_LEGACY_READERS];

    static const SmartCardAtrRow m_ATRTABLE[ATR_ROWS];

    // The reader id this object was made for (-1 when the card data gave none in range),
    // and its card-OS object (null for card types without one).
    int getReaderId() const { return m_readerId; }
    CSC_Profile_Base* getCardOS() const { return m_cardOS; }

private:
    CSmartCard(const CSmartCard&) = delete;
    CSmartCard& operator=(const CSmartCard&) = delete;

    bool readerInRange() const;
    void loadCache();
    void storeCache();

    // Command record of the object's own transport.
    uint32_t m_apduForm;
    unsigned char m_cla, m_ins, m_p1, m_p2;
    unsigned short m_lc;
    unsigned short m_le;
    unsigned char* m_data;
    unsigned short m_dataLen;
    unsigned char* m_response;  // RESPONSE_SIZE bytes, owned
    unsigned short m_respLen;
    unsigned char m_sw1, m_sw2;

    SCARDHANDLE m_hCard;
    int m_cardType;
    bool m_t1Allowed;
    int m_readerId;
    _CARD_DATA* m_cardData;
    CSC_Profile_Base* m_cardOS;
};

#endif
