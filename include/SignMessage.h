// Signing for the host: opening a key on a smart card or in a PKCS#12 file, PKCS#7
// signed data over buffers and files (with an RFC 3161 timestamp when a service is
// set), bare signatures, decryption with the card key, and questions about the card.
//
// The key handle is a uint32_t* that is either the card key interface (CSCM_Interface)
// or an OpenSSL EVP_PKEY; CSignMessage::m_isP12 tells which kind was opened last.
//
// Logging: the library writes through log4cxx loggers named "VornCryptoSSL..." and adds no
// appender of its own. A host configures log4cxx once before its first call, for example
//   log4cxx::BasicConfigurator::configure();                               // to the console
//   log4cxx::PropertyConfigurator::configure("log4cxx.properties");        // from a file
//   log4cxx::Logger::getRootLogger()->setLevel(log4cxx::Level::getOff());  // silent
// Without any configuration log4cxx prints "No appender could be found" once.
#ifndef VN_SIGNMESSAGE_H
#define VN_SIGNMESSAGE_H

#include <log4cxx/logger.h>
#include <openssl/types.h>
#include <sys/timeb.h>

#include <cstdint>
#include <string>
#include <vector>

#include "vn_export.h"

class CAsn1_Pkcs7;

// One further certificate to embed in signed data: DER bytes and their length.
typedef struct _ASN1_CERT_BLOB {
    unsigned char* data;
    uint32_t length;
} ASN1_CERT_BLOB, *PASN1_CERT_BLOB;

// Hash algorithm numbers (nAlgoID) of the signing operations.
#define VN_SIGN_SHA1 0
#define VN_SIGN_SHA256 1
#define VN_SIGN_SHA384 2
#define VN_SIGN_SHA512 3
#define VN_SIGN_RIPEMD160 4
#define VN_SIGN_MD5 5

// Signature modes (getSignAlgoFromPKey, CPkcs7tool::signMode).
#define VN_SIGN_MODE_RSA_PKCS1 0
#define VN_SIGN_MODE_RSA_PSS 1
#define VN_SIGN_MODE_ECDSA 2

// Results of addTimestamp besides those of CTimeStampSSL (-91, -92).
#define SM_TS_NO_BUFFER (-24)     // missing buffer or length, or the token could not be inserted
#define SM_TS_NO_ROOM (-93)       // the signed data with the token does not fit into the buffer
#define SM_TS_NO_SIGNATURE (-94)  // no signature value found in the signed data

// Room reserved beyond the signed data for a timestamp token and its attribute.
constexpr uint32_t MAX_TS_ADD_SIZE = 7000;

// Builds and signs one PKCS#7 signed data with the library's own PKCS#7 model.
class VN_EXPORT CPkcs7tool {
public:
    CPkcs7tool();
    virtual ~CPkcs7tool();
    CPkcs7tool(const CPkcs7tool&) = delete;
    CPkcs7tool& operator=(const CPkcs7tool&) = delete;

    // Builds the signed data with a placeholder signature; its DER length goes to
    // *outLength when outLength is set. -300 without a usable certificate.
    int32_t prepare2sign(X509* cert, int nAlgoID, unsigned char* data, int dataLength, timeb* signingTime, bool attach,
                         uint32_t* outLength, _ASN1_CERT_BLOB* moreCerts, int moreCertsCount);
    // Signs the signed attributes of one signer with the key and stores the signature.
    // 0 or -24. The scratch buffer is not needed and may be null.
    int32_t signIt(int signerIndex, uint32_t* key, unsigned char* scratch, bool isP12);
    int32_t signItSCM(int signerIndex, uint32_t* key, unsigned char* scratch);
    int32_t signItP12(int signerIndex, uint32_t* key, unsigned char* scratch);
    // Bare signature of data (a digest when isHash). *outLength is the capacity of out
    // on entry and the signature length on return. Card: 0 or 255; PKCS#12: 0 or -24.
    int32_t signItRaw(unsigned char* data, int dataLength, uint32_t* key, unsigned char* out, uint32_t* outLength,
                      int nAlgoID, bool isHash, bool noRSAPSS, bool isP12);
    // Decrypts one block with the card key; *outLength is capacity in, length out. 0 or 0xFF.
    int32_t decryptBlob(unsigned char* data, int dataLength, uint32_t* key, unsigned char* out, uint32_t* outLength,
                        bool useOAEP);

    // The finished signed data (owned by the tool) and its length; null and 0 before prepare2sign.
    unsigned char* getSignedPkcs7();
    uint32_t getSignedPkcs7Length();
    // The DER of one signer's signed attributes as they are signed (first byte 0x31);
    // false when the signer or its attributes are missing.
    bool getSignedAttributes(int signerIndex, std::vector<unsigned char>& der) const;

    CAsn1_Pkcs7* pkcs7;
    int32_t nAlgoID;
    unsigned char* data;
    int32_t dataLength;
    int32_t cadesLevel;
    std::string keyAlgorithmOid;
    int32_t signMode;
};

class VN_EXPORT CSignMessage {
public:
    CSignMessage();
    virtual ~CSignMessage();

    // Keys. The card PIN comes from pin, the pin pad or the host's dialog (null pin: ask).
    static uint32_t* OpenSSLKey(const char* p12File, const char* p12Password, const char* pin, int reader,
                                int certIndex, const char* certID);
    static uint32_t* OpenSSLKey_P12(const char* p12File, const char* p12Password, const char* pin, int reader,
                                    int certIndex, const char* certID);
    static void CloseSSLKey(uint32_t* key);
    // Sign mode of a key: 0 RSA PKCS#1 v1.5, 1 RSASSA-PSS, 2 ECDSA.
    static int getSignAlgoFromPKey(uint32_t* key);
    static int getSignAlgoFromPKeyP12(uint32_t* key);
    static int getSignAlgoFromPKeySCM(uint32_t* key);
    // 0 when the key can sign with nAlgoID; -37 no key, -88 only SHA-256, -89 neither.
    static int32_t checkSignHashAlgoPKey(uint32_t* key, int nAlgoID);
    static int32_t checkSignHashAlgoSCM(uint32_t* key, int nAlgoID);
    static int InitSignAlgoOID(CPkcs7tool* tool, X509* cert);

    // Signed data over a buffer. *outLength is the capacity of out on entry and the
    // length of the signed data on return; SignBlobSSLForLength tells the size needed.
    static int32_t SignBlobSSL(unsigned char* data, uint32_t dataLength, unsigned char* out, uint32_t* outLength,
                               timeb* signingTime, X509* cert, uint32_t* key, int nAlgoID, bool attach,
                               _ASN1_CERT_BLOB* moreCerts, int moreCertsCount);
    static int32_t SignBlobSSLForLength(unsigned char* data, uint32_t dataLength, unsigned char* out,
                                        uint32_t* outLength, timeb* signingTime, X509* cert, uint32_t* key, int nAlgoID,
                                        bool attach, _ASN1_CERT_BLOB* moreCerts, int moreCertsCount);
    // Bare signature over data or a given hash; *outLength is capacity in, length out.
    static int32_t SignBlobSSLRaw(unsigned char* data, uint32_t dataLength, unsigned char* out, uint32_t* outLength,
                                  timeb* signingTime, X509* cert, uint32_t* key, int nAlgoID, int flag, bool isHash,
                                  bool allowPSS);
    // One RSA block decrypted with the card key, OAEP (SHA-256, MGF1-SHA-256) removed on request.
    static int32_t RSADecryptBlobSSL(unsigned char* data, uint32_t dataLength, unsigned char* out, uint32_t* outLength,
                                     X509* cert, uint32_t* key, bool useOAEP);

    // Files: signed data of inPath written to outPath (DER).
    static int32_t SignDetached(char* inPath, char* outPath, X509* cert, uint32_t* key, int nAlgoID,
                                _ASN1_CERT_BLOB* moreCerts, int moreCertsCount);
    static int32_t SignEnveloped(char* inPath, char* outPath, X509* cert, uint32_t* key, int nAlgoID,
                                 _ASN1_CERT_BLOB* moreCerts, int moreCertsCount);
    static int32_t SignDetachedEnveloped(char* inPath, char* outPath, X509* cert, uint32_t* key, int nAlgoID,
                                         _ASN1_CERT_BLOB* moreCerts, int moreCertsCount, bool attach);
    static int32_t checkInutFilePathLengthV1(char* path);
    static int32_t checkInutFilePathLengthV2(char* path);
    // The whole file in a new buffer (release with CSCUtils::freeOPENSSL).
    static int32_t readFile2Sign(char* path, unsigned char** data, int* length);

    // Adds an RFC 3161 timestamp over the signerIndex-th signature value to the signed data in
    // place. *capacity is the size of the buffer on entry and the new length on success; on
    // -93 it is set to signedLength and the data is untouched. nAlgoID 0 to 3 choose SHA-1,
    // SHA-256, SHA-384, SHA-512 for the imprint; any other value SHA-256.
    static int32_t addTimestamp(unsigned char* signedData, unsigned int signedLength, unsigned int* capacity,
                                int nAlgoID, int signerIndex);

    // Address of the timestamp service; empty: signatures of files get no timestamp.
    static void setTSUrl(std::string url);
    // CAdES level of every new signed data (1 omits the signing time, 5 the message digest
    // and the signing certificate).
    static void setCAdES_Level(int level);
    // CAdES baseline level of every new signed data by name ("B-B", "B-T", "B-LT", "B-LTA",
    // see CadesLevel.h); B-B is level 0. The signature of a file then gets what the level
    // needs (B-T and above a timestamp from setTSUrl, else VN_CADES_NO_TSA). 0, or -1 for an
    // unknown name (the setting stays). setCAdES_Level drops the named level.
    static int32_t setCAdES_LevelName(const char* name);
    // Issuers (PEM file) for the chain walks of B-LT and B-LTA; empty: the signature's own.
    static void setCAdES_CaFile(std::string path);

    // Card questions.
    static bool IsSmartCardPresent(int reader);
    static bool isSmartCardSupported(int reader);
    static int GetSmartCardProfileType(int reader);
    static bool IsSmartCardHashAlgoSupported(int reader, int nAlgoID);

    static int32_t m_cadesLevel;
    static std::string m_tsURL;
    static bool m_isP12;
    static log4cxx::LoggerPtr m_logger;
};

// Loads an OpenSSL engine by id or shared-object path and makes it the default.
VN_EXPORT ENGINE* setup_engine(BIO* err, const char* engine, int debug);

VN_EXPORT int test1();
VN_EXPORT char* test2(X509* cert, char* out);
VN_EXPORT char* test3(X509* cert, char* out);
VN_EXPORT void test4();
VN_EXPORT void InitSSL();

#endif
