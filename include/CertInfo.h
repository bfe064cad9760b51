// CCertInfo: the certificate entry a host receives (fixed text fields and an owned X509),
// the static readers that take a DER certificate or attribute certificate apart with the
// library's own decoder, and the process-wide CA store used to walk chains.
//
// Text results of the static readers live in one process-wide buffer per operation and stay
// valid until that operation is called again; the CA store is process-wide as well. None of
// it is guarded: call from one thread at a time.
#ifndef VN_CERTINFO_H
#define VN_CERTINFO_H

#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <log4cxx/logger.h>
#include <ctime>
#include <memory>
#include <string>

#include "ASN1.h"
#include "vn_export.h"

class VN_EXPORT CCertInfo {
public:
    // Size of every text field (terminator included) and of each static text result.
    static constexpr int FieldSize = 2048;
    // Result of sslGetNextChainCert when the certificate is its own issuer or no issuer is
    // in the store (0x80010000).
    static constexpr int SSL_CHAIN_END = static_cast<int>(0x80010000u);
    // Result when a certificate does not parse or a lookup cannot start.
    static constexpr int SSL_CERT_ERROR = -56;

    CCertInfo();
    virtual ~CCertInfo();
    CCertInfo(const CCertInfo&) = delete;
    CCertInfo& operator=(const CCertInfo&) = delete;

    // ---- getters (never null; empty text when not set) ----
    char* GetCSP();
    char* GetFingerPrint();
    char* GetSubPubKey();
    char* GetSubPubKeyAlg();
    char* GetSubject();
    char* GetIssuer();
    char* GetNotAfter();
    char* GetNotBefore();
    char* GetSignatureAlg();
    char* GetCertVersion();
    char* GetSerialNumber();
    X509* GetX509Cert();

    // ---- setters: copy the text (cut to 2047 bytes), return 0 ----
    int SetFingerPrint(const char* text);
    int SetSubPubKey(const char* text);
    int SetSubPubKeyAlg(const char* text);
    int SetSubject(const char* text);
    int SetIssuer(const char* text);
    int NotAfter(const char* text);
    int NotBefore(const char* text);
    int SetSignatureAlg(const char* text);
    int SetCertVersion(const char* text);
    int SetSerialNumber(const char* text);
    int NotAfterRaw(const char* text);
    int NotBeforeRaw(const char* text);
    int DisplayName(const char* text);
    int SSLprefix(const char* text);
    int SSLdir(const char* text);
    int SSLcertfilename(const char* text);
    int SSLpkeyfilename(const char* text);
    int SetCertID(const char* text);
    // Stores a duplicate of the certificate (a previous one is freed): 0, or -56.
    int SetX509Cert(X509* cert);
    // Parses DER and stores the certificate: 0, or -56.
    int SetX509Cert(const unsigned char* der, unsigned int length);

    // ---- listing the entry ----
    int GetNumberOfFields();              // 11
    const char* GetFieldName(int index);  // "Subject", "Issuer", ...; "" out of range
    int GetNumberOfDetails(int field);
    // The text of a field, or one part of the subject or issuer ("C=DE"); the text stays
    // valid until the next GetDetails on this entry.
    const char* GetDetails(int field, int detail);

    // One stored field by its exact key ("VERSION", "SERIALNUMBER", "VALIDFROM", "VALIDUNTIL",
    // "USER", "ISSUER", "DISPLAYNAME", "CERTID", "FINGERPRINT") into out (at least FieldSize
    // bytes) with its length. 0; an unknown key leaves out and length unchanged.
    int GetCertFieldSSL(const char* key, char* out, unsigned int* length);
    // One field computed from cert, key without regard to case (the keys above except
    // CERTID, and "KEYUSAGE"); out holds at least FieldSize bytes. 0, or -1 for a null
    // certificate or key.
    static int GetCertFieldX509(X509* cert, const char* key, char* out, unsigned int* length);

    // ---- static readers of DER certificates (own decoder) ----
    static char* getSubject(const unsigned char* cert, unsigned int length);
    static char* getIssuer(const unsigned char* cert, unsigned int length);
    static char* S_getIssuerName(const unsigned char* cert, unsigned int length);
    static char* getSerialNum(const unsigned char* cert, unsigned int length);
    static char* S_getSerial(const unsigned char* cert, unsigned int length);
    // Seconds since 1970 (UTC) of the first and second validity time; 0 when unreadable.
    static time_t getNotBefore(const unsigned char* cert, unsigned int length);
    static time_t getNotAfter(const unsigned char* cert, unsigned int length);
    static char* getVersion(const unsigned char* cert, unsigned int length);
    static char* getPkOID(const unsigned char* cert, unsigned int length);
    static char* getPkMod(const unsigned char* cert, unsigned int length);
    static char* getPkExp(const unsigned char* cert, unsigned int length);
    static int getPkLen(const unsigned char* cert, unsigned int length);
    static char* getSignaturOID(const unsigned char* cert, unsigned int length);
    static char* getCertSigOID(const unsigned char* cert, unsigned int length);
    static char* getCertSigValue(const unsigned char* cert, unsigned int length);
    static int getExtensionNum(const unsigned char* cert, unsigned int length);
    static char* getExtensionOID(const unsigned char* cert, unsigned int length, int index);
    static char* getExtensionValue(const unsigned char* cert, unsigned int length, int index);
    static int getPublicKeyBits(const unsigned char* cert, unsigned int length);
    static int getPublicKeySize(const unsigned char* cert, unsigned int length);
    // Item record (process-wide) of the RSAPublicKey SEQUENCE or the EC key BIT STRING.
    static DBs* getPublicKey(const unsigned char* cert, unsigned int length);

    // ---- static readers of DER attribute certificates ----
    static char* A_getSubject(const unsigned char* acert, unsigned int length);
    static char* A_getSubjectSerial(const unsigned char* acert, unsigned int length);
    static char* A_getIssuer(const unsigned char* acert, unsigned int length);
    static char* A_getSignatureOID(const unsigned char* acert, unsigned int length);
    static char* A_getSerial(const unsigned char* acert, unsigned int length);
    static time_t A_getNotBefore(const unsigned char* acert, unsigned int length);
    static time_t A_getNotAfter(const unsigned char* acert, unsigned int length);
    static int A_getAttributeNum(const unsigned char* acert, unsigned int length);
    static char* A_getAttributeOID(const unsigned char* acert, unsigned int length, int index);
    static char* A_getAttributeValue(const unsigned char* acert, unsigned int length, int index);
    static int A_getExtensionNum(const unsigned char* acert, unsigned int length);
    static char* A_getExtensionOID(const unsigned char* acert, unsigned int length, int index);
    static char* A_getExtensionValue(const unsigned char* acert, unsigned int length, int index);

    // ---- kept for older hosts: return 0 and do nothing ----
    static int getDisplayname(const unsigned char* cert, unsigned int length);
    static int getFingerprint(const unsigned char* cert, unsigned int length);
    static int getSignatur(const unsigned char* cert, unsigned int length);
    static int getKeyUsage(const unsigned char* cert, unsigned int length);
    static int S_getPublicKey(const unsigned char* cert, unsigned int length);
    static int S_getHash(const unsigned char* cert, unsigned int length);
    static int GetCertRawLength(const unsigned char* cert, unsigned int length);
    static int GetCertRaw(const unsigned char* cert, unsigned int length, unsigned char* out);
    static int GetChainSize(const unsigned char* cert, unsigned int length);
    static int GetNextChainCert(const unsigned char* cert, unsigned int length, unsigned char* out,
                                unsigned int* outLength);
    static int CheckCertSignature(const unsigned char* cert, unsigned int length, const unsigned char* issuer,
                                  unsigned int issuerLength);

    // The certificate of a PEM file, else of a DER file (the caller frees it); with print set
    // it is also printed to standard error. Null when neither reads.
    static X509* ReadX509(const char* path, bool print);

    // ---- process-wide CA store ----
    // Loads the directory's certificates (*.crt, *.pem, *.der, *.cer) into the store; without
    // add, a store already loaded from the same path is kept as it is. Number added.
    static int InitSSL_CAStore(const char* path, bool add);
    static int AddDir2Store(const char* dir, X509_STORE* store, bool add);
    // 1 when the file's certificate was added, else 0.
    static int AddCert2Store(const char* path, X509_STORE* store, bool add);
    // Adds a DER certificate (creating the store when there is none): 1 when added.
    static int AddCertToSSL_CAStore(const unsigned char* der, unsigned int length);
    static void CleanUpSSL_CAStore();
    // The issuer of cert from the store loaded for storePath. *outLength holds the size of
    // out on entry and gets the issuer's DER length. 0 found; SSL_CHAIN_END for a self-signed
    // certificate or no issuer; -56 unparsable certificate, no lookup, or out too small.
    static int sslGetNextChainCert(const unsigned char* cert, unsigned int length, unsigned char* out,
                                   unsigned int* outLength, const char* storePath);
    // Number of issuer steps found upward from cert.
    static int sslGetChainSize(const unsigned char* cert, unsigned int length, const char* storePath);
    // 0 when issuer's key verifies cert's signature, 1 otherwise (also when either does not parse).
    static int sslCheckCertSignature(const unsigned char* cert, unsigned int length, const unsigned char* issuer,
                                     unsigned int issuerLength, const char* storePath);

    static X509_STORE* m_store;
    static std::string m_storePath;
    static log4cxx::LoggerPtr m_logger;

private:
    enum Field {
        F_CSP,
        F_FINGERPRINT,
        F_SUBPUBKEY,
        F_SUBPUBKEYALG,
        F_SUBJECT,
        F_ISSUER,
        F_NOTAFTER,
        F_NOTBEFORE,
        F_SIGALG,
        F_VERSION,
        F_SERIAL,
        F_NOTAFTER_RAW,
        F_NOTBEFORE_RAW,
        F_DISPLAYNAME,
        F_SSLPREFIX,
        F_SSLDIR,
        F_SSLCERTFILE,
        F_SSLKEYFILE,
        F_CERTID,
        F_COUNT
    };
    int setField(Field f, const char* text);

    std::unique_ptr<char[]> m_fields[F_COUNT];
    std::unique_ptr<char[]> m_details;
    X509* m_cert;
};

#endif
