// CCertHandler: fills certificate entries (CCertInfo) from an X509, from a PEM file pair in
// a directory or from the first signer of a PKCS#7 blob, and offers the formatting helpers
// the entries use.
#ifndef VN_CERTHANDLER_H
#define VN_CERTHANDLER_H

#include <openssl/asn1.h>
#include <openssl/x509.h>

#include <log4cxx/logger.h>
#include <ctime>
#include <memory>

#include "CertInfo.h"
#include "vn_export.h"

class VN_EXPORT CCertHandler {
public:
    // Size of the readable name buffer of X509_NAME_oneline_readable.
    static constexpr int NameSize = 200;
    // Size of each date text output (GetNotBeforeSSL, GetNotAfterSSL).
    static constexpr int DateSize = 128;
    // Size of the output of GetPubkeySSL.
    static constexpr int PubkeySize = 4096;
    // Flags of the readable names (0x20317).
    static const unsigned long ReadableNameFlags;

    CCertHandler();
    ~CCertHandler();
    CCertHandler(const CCertHandler&) = delete;
    CCertHandler& operator=(const CCertHandler&) = delete;

    // The entry filled from the certificate (SSL file fields "SCARD"). The handler owns the
    // entry; it stays valid until the next fill call or the handler's end. Null for null.
    CCertInfo* GetEntrySSL(X509* cert);
    // The entry of the file pair csCertStore/prefix.cert.pem and .key; "--SCARD--" is not a
    // directory and gives null, as do a missing or unreadable file.
    CCertInfo* GetEntrySSL(const char* csCertStore, const char* prefix, int iReaderID, int iSlotID);
    // The entry of the first signer's certificate of a DER PKCS#7 blob, or null.
    CCertInfo* GetCertFromPKCS7(const unsigned char* blob, unsigned int length);

    // ---- formatting helpers; text outputs hold outSize bytes and are cut to fit ----
    static int GetSerialNumberSSL(X509* cert, char* out, int outSize);
    static int GetSignatureAlgSSL(X509* cert, char* out, int outSize);
    // out holds at least DateSize bytes; raw 1: "%Y.%m.%d %H:%M:%S", otherwise
    // "%A, %B %d, %Y, %Hh %Mmin %Ssec", both in local time.
    static int GetNotBeforeSSL(X509* cert, char* out, int raw);
    static int GetNotAfterSSL(X509* cert, char* out, int raw);
    static int GetSubjectSSL(X509* cert, char* out, int outSize);
    static int GetIssuerSSL(X509* cert, char* out, int outSize);
    // The subject's commonName (at most 256 bytes).
    static int GetSubjectsNameSSL(X509* cert, char* out, int outSize);
    // SHA-1 of the DER certificate, "%02x " per byte.
    static int GetFingerPrintSSL(X509* cert, char* out, int outSize);
    // X509_get_version; 0 for a null certificate.
    static long GetCertVersionSSL(X509* cert);
    // "0" without a key-usage extension, else the bits in decimal.
    static int GetKeyUsageSSL(X509* cert, char* out, int outSize);
    // Produces no text: for a key other than RSA or DSA the PubkeySize-byte output is
    // cleared, otherwise it is left as it is.
    static int GetPubkeySSL(X509* cert, char* out);

    // Readable one-line name into buf (size bytes, NameSize by convention), bytes from 0x80
    // on escaped and Latin-1 characters turned back into single bytes (uft8iso). Returns buf.
    static char* X509_NAME_oneline_readable(X509_NAME* name, char* buf, int size);
    // Replaces the escapes \C2\A0 to \C3\BF of the text in place by the bytes 0xA0 to 0xFF.
    static void uft8iso(char* text);
    // The name printed with flags. When buf is large enough (*size bytes) it is zeroed and
    // filled; otherwise (or for a null buf) *size gets the bytes needed. Returns 1 when
    // written, 0 otherwise.
    static int X509_NAME_oneline_ex(X509_NAME* name, char* buf, unsigned int* size, unsigned long flags);

    // Seconds since 1970 (UTC) of an ASN.1 UTCTime or GeneralizedTime; 0 when unreadable.
    static time_t ASN1_UTCTIME_get(const ASN1_TIME* time);

    // Digest of data with the library's digests: algorithm 0 SHA-1, 1 SHA-256,
    // 2 SHA-384, 3 SHA-512, 4 MD5, 5 RIPEMD-160 into out (at least 64 bytes) and its
    // length into *outLength (20, 32, 48, 64, 16 or 20). Another algorithm writes
    // nothing. Returns 0.
    int HashBlob(unsigned char* data, unsigned int length, int algorithm, unsigned char* out, int* outLength);

    static log4cxx::LoggerPtr m_logger;

private:
    CCertInfo* fill(X509* cert);

    std::unique_ptr<CCertInfo> m_entry;
};

#endif
