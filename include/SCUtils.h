// Reader and card utility facade for the host: readers, the certificates of the card
// in the current reader, pin-pad support, PIN verification and change, and the
// process-wide settings.
#ifndef VN_SCUTILS_H
#define VN_SCUTILS_H

#include <log4cxx/logger.h>
#include <openssl/x509.h>

#include <cstdint>
#include <string>

#include "vn_export.h"

struct FPINDialogCallBackParams;

class VN_EXPORT CSCUtils {
public:
    enum { MAX_CERTS = 96, CERT_ID_SIZE = 128, CERT_LABEL_SIZE = 256 };

    CSCUtils();
    virtual ~CSCUtils();
    CSCUtils(const CSCUtils&) = delete;
    CSCUtils& operator=(const CSCUtils&) = delete;

    // ---- readers and certificates ----
    static int GetNumReaders();
    static int GetMaxReaders();
    int getNumSlots();
    // Name of the reader at index, valid until the next call; an index outside
    // 0 .. number of readers leaves the previous name.
    const char* GetReaderName(int reader) const;
    void setReader(int reader);
    void setSlot(int slot);
    void setCertID(const char* certID);
    void InitCerts();
    int GetNumCerts();
    // Fills certIDs, certLabels and certData with the readable certificates; returns
    // the profile's count of certificate entries.
    int GetCertIDs();
    // The n-th identifier field, or null for n outside the arrays.
    char* GetCertID(int n);
    // The certificate at certIndex parsed by OpenSSL, or null; free with freeX509.
    X509* GetX509(int certIndex);
    static void freeX509(void* cert);
    static void freeOPENSSL(void* buffer);
    bool getPINPADSupport(int reader);

    // ---- PINs ----
    // 1 verified, 0 not verified or no reader selected, -1 no profile, -2 index out of range.
    int32_t VerifyPIN(int certIndex, char* pin);
    int32_t ChangePIN(int certIndex, char* oldPin, char* newPin);
    int PermanentLogin(int reader, int certIndex, bool enable, char* pin);
    int CheckPermanentLogin(int reader, int certIndex);

    // ---- settings ----
    static bool InitLogging(std::string logFile, int level);
    static void SetLogLevel(int level);
    static int GetLogLevel();
    static int SetLanguage(int language);
    static int GetLanguage();
    static void SetIsService(bool isService);
    static bool GetIsService();
    static void SetUsePINDialogCallback(bool use);
    static bool GetUsePINDialogCallback();
    static void SetPINDialogCallbackFunc(bool (*callback)(FPINDialogCallBackParams*));
    static bool (*GetPINDialogCallbackFunc())(FPINDialogCallBackParams*);

    // ---- miscellaneous ----
    // Fills length bytes with random values from OpenSSL's generator.
    static void GenerateRandom(unsigned char* buffer, int length);
    // The 8 bytes as a big-endian counter plus one; all FF wraps to all 00. Returns 0.
    static int incIV(unsigned char* iv);

    // ---- operations kept for older hosts: they do nothing but answer a constant ----
    int ResetCard();
    int InitSCardEngine();
    int ExitSCardEngine();
    int CheckReader(int reader);
    int GetCardType(int reader);
    int EstablishContext();
    int SendAPDU(char* apdu, int length);
    int CheckTCOSStausSigPW(int reader);
    int CheckTCOSStausPW(int reader);
    int InitTCOSCard(char* pin, char* puk);
    int InitTCOSCardSig(char* pin, char* puk);
    int DES_cbc_cksum_3des(unsigned char* in, unsigned char* out, long length, unsigned char* key1, unsigned char* key2,
                           unsigned char* iv);
    int DES_retail_mac(unsigned char* in, unsigned char* out, long length, unsigned char* key1, unsigned char* key2,
                       unsigned char* iv);
    void setMODULE_PATH(char* path);
    void setSO_PATH(char* path);
    int ReleaseContext();
    int ConnectCard();
    int DisconnectCard();
    int GetSessionKeys(unsigned char* rnd1, unsigned char* rnd2, unsigned char* keys);
    int WriteTCOSIFDPubkey();
    int FreeTCOSCardObject(unsigned char* object);
    int ReadTCOSCardCert(unsigned char** cert, int* length);
    int ReadTCOSCardPubkey(unsigned char** key, int* length);
    int Tmp();
    int CheckTCOSIFDPubkey();

    int32_t numCerts;
    char certIDs[MAX_CERTS][CERT_ID_SIZE];
    char certLabels[MAX_CERTS][CERT_LABEL_SIZE];
    unsigned char* certData[MAX_CERTS];
    uint32_t certDataLen[MAX_CERTS];
    int32_t reader;

    static std::string m_reader;
    static log4cxx::LoggerPtr m_logger;

private:
    void clearCertData();
};

#endif
