// Signature verification: the signature value, the certificate chain, the validity model
// (shell or chain) and revocation from CRLs or OCSP, answered as a word of failure bits.
#ifndef VN_VERIFYMSG_H
#define VN_VERIFYMSG_H

#include <openssl/bio.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <sys/timeb.h>

#include <log4cxx/logger.h>
#include <cstdint>
#include <ctime>
#include <string>
#include "ValidationReport.h"
#include "vn_export.h"

// Result bits (0: everything asked for passed).
#define VERIFY_BAD_SIGNATURE 0x80000001u  // signature value or hash does not verify
#define VERIFY_NO_CONTEXT \
    0x80010000u  // no verification context; issuer not in the
                 // store; no trusted root for the chain
#define VERIFY_NO_CONTEXT_BAD_SIGNATURE 0x80010001u
#define VERIFY_CHAIN_NOT_VALID \
    0x80008000u                               // a chain certificate is not valid at the check
                                              // time, or is unusable (bad signature, not a CA,
                                              // path length, unhandled critical extension)
#define VERIFY_SIGNER_NOT_VALID 0x80004000u   // signer not valid at the verification time
#define VERIFY_REVOKED 0x80000004u            // revoked before the check time
#define VERIFY_NO_OCSP_RESPONDER 0x80080000u  // OCSP asked for without a responder address
#define VERIFY_OCSP_FAILED 0x80000200u        // OCSP exchange or response not acceptable
#define VERIFY_TIMESTAMP_FAILED 0x80000100u   // a signature timestamp does not verify
// Revocation status not obtained (no CRL, peer down, OCSP "unknown"); only set when
// CVerifyMsg::setRevocationHardFail(true) was called, else such a check counts as passed.
#define VERIFY_NO_REVOCATION_INFO 0x80000400u

// Check flags.
#define VERIFY_FLAG_SIGNATURE 1
#define VERIFY_FLAG_CHAIN 4
#define VERIFY_FLAG_VALIDITY 8
#define VERIFY_FLAG_REVOCATION 16

// Revocation sources; the first one set, in this order, is used.
#define VERIFY_CRL_STORE 1
#define VERIFY_CRL_DISTRIBUTION_POINTS 2
#define VERIFY_CRL_DIRECTORY 4
#define VERIFY_CRL_OCSP 8
#define VERIFY_CRL_ADDRESS 16
#define VERIFY_CRL_ADDRESS_2 32

// Validity models.
#define VERIFY_MODEL_CHAIN 1
#define VERIFY_MODEL_SHELL 0

// CVerifyOptions::contentFileLength for "from the offset to the end of the file".
#define VERIFY_CONTENT_TO_END UINT64_MAX

// What CVerifyMsg::Validate checks, with the same meaning as the arguments of
// CheckSignDetached. The signature may be DER, PEM or S/MIME; detached content comes from
// memory or, streamed in chunks, from contentFile: the whole file, or the region of
// contentFileLength bytes at contentFileOffset. The region lets a caller verify attached
// signed data as the signed data with its content taken out plus where that content lies
// in the signature file, so the content is never held in memory.
struct VN_EXPORT CVerifyOptions {
    const unsigned char* sig = nullptr;
    size_t sigLen = 0;
    bool attached = true;
    const unsigned char* content = nullptr;
    size_t contentLen = 0;
    std::string contentFile;
    uint64_t contentFileOffset = 0;
    uint64_t contentFileLength = VERIFY_CONTENT_TO_END;
    int flags = VERIFY_FLAG_SIGNATURE | VERIFY_FLAG_CHAIN | VERIFY_FLAG_VALIDITY;
    int crlFlags = 0;
    std::string crlSource;
    bool timed = false;
    time_t verificationTime = 0;
    int model = VERIFY_MODEL_SHELL;
    std::string caFile;
    std::string caPath;
    // Revocation not obtained adds VERIFY_NO_REVOCATION_INFO to the result word.
    bool revocationHardFail = false;
};

class VN_EXPORT CVerifyMsg {
public:
    CVerifyMsg();
    virtual ~CVerifyMsg();

    // Verifies a DER PKCS#7 signedData: content inside it with mode 1, else the detached
    // content. The check time of the validity and revocation rules is the verification time,
    // else the signing time (the first signed attribute holding a UTCTime), else the current
    // time. All times are compared in UTC. Returns the result bits.
    static unsigned int CheckSignDetached(const unsigned char* sig, unsigned int sigLen, int mode,
                                          const unsigned char* content, unsigned int contentLen, int flags,
                                          int crlFlags, const char* crlSource, const char* ignoredText,
                                          const struct timeb* verificationTime, int ignoredNumber, int model,
                                          const char* CAfile, const char* CApath);
    // Every signer of the signature with its timestamps: fills the report and returns its
    // result word. Never throws.
    static unsigned int Validate(const CVerifyOptions& options, CValidationReport& report);
    // Process-wide: revocation not obtained fails CheckSignDetached (VERIFY_NO_REVOCATION_INFO)
    // instead of counting as passed. Off by default.
    static void setRevocationHardFail(bool on);
    static bool getRevocationHardFail();
    // A timestamp token (DER ContentInfo) given alone, over data: signature, TSA chain
    // against the CA file/directory with a critical id-kp-timeStamping, imprint.
    static CTimestampCheck CheckTimestampToken(const unsigned char* token, size_t tokenLen, const unsigned char* data,
                                               size_t dataLen, const char* CAfile, const char* CApath);
    // A bare PKCS#1 v1.5 signature made with the certificate's key over content:
    // 0 when the DigestInfo's hash equals the content's hash, else 0x80000001.
    static unsigned int CheckSignPKCS1Detached(const unsigned char* sig, unsigned int sigLen,
                                               const unsigned char* certificate, unsigned int certificateLength,
                                               const unsigned char* content, unsigned int contentLen, int flags,
                                               int crlFlags, const char* crlSource, char* message,
                                               const struct timeb* verificationTime, int ignoredNumber, int model,
                                               const char* CAfile, const char* CApath);
    // The first signer's certificate valid at the verification time (the current time when
    // none is given): 0, else -1. 0 at once when a store is given.
    static int Check_TimeNested(PKCS7* p7, X509_STORE* store, const struct timeb* verificationTime, int model);
    // Validity of the chain of storeContext at checkTime (UTC) by the shell or chain model: 0 or -1.
    static int Check_TimeNested_CA(X509_STORE_CTX* storeContext, const struct tm* checkTime, int model);
    // Revocation of certificate at checkTime (UTC) from the source chosen by crlFlags.
    static unsigned int Check_CRL(X509* certificate, X509_STORE* store, X509_STORE_CTX* storeContext, int crlFlags,
                                  const char* crlSource, const struct tm* checkTime, int model);

    static log4cxx::LoggerPtr m_logger;
};

// A store with the CA file (or OpenSSL's default file) and the hashed CA directory (or the
// default directory). 1, or 0 with "Error loading file/directory" printed to bio.
VN_EXPORT int setup_verify(BIO* bio, const char* CAfile, const char* CApath, X509_STORE** store);
// 0x80000004 when the CRL lists the certificate with a revocation date before checkTime
// (UTC), else 0.
VN_EXPORT unsigned int Check_CRL_signtime(X509_CRL* crl, const struct tm* checkTime, X509* certificate);
// Compares two broken-down times from the year down to the second: -1, 0 or 1.
VN_EXPORT int tm_Compare(const struct tm* a, const struct tm* b);
VN_EXPORT void copy_tm(struct tm* dst, const struct tm* src);

#endif
