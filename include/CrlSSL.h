// Revocation material: CRLs from HTTP addresses, LDAP directories, files and hashed CRL
// directories, whether a certificate is listed, and OCSP requests (directly or through an
// HTTP proxy tunnel with Basic authentication).
#ifndef VN_CRLSSL_H
#define VN_CRLSSL_H

#include <log4cxx/logger.h>
#include <ctime>
#include <string>
#include "vn_export.h"

// Result codes of the revocation operations.
#define CRLSSL_NOT_FOUND 0x80000080              // nothing found, or the file cannot be read
#define CRLSSL_BAD_DER (-56)                     // DER that cannot be parsed
#define CRLSSL_FETCH_FAILED (-1)                 // a fetch failed
#define CRLSSL_FETCH_TIMEOUT (-2)                // a fetch did not end within the time limit
#define CRLSSL_FETCH_TOO_LARGE (-3)              // the CRL is larger than the size limit
#define CRLSSL_OCSP_REVOKED 0x80000004           // the certificate is revoked
#define CRLSSL_OCSP_FAILED 0x80000200            // the OCSP exchange failed
#define CRLSSL_OCSP_UNKNOWN 0x80000800           // status unknown; also added for unparsable certificates
#define CRLSSL_OCSP_FAILED_BAD_INPUT 0x80000a00  // failure base when a certificate does not parse
#define CRLSSL_OCSP_NO_RESPONDER 0x80080000      // no usable responder address
// The OCSP exchange failed in one of two named ways; both keep the failure base 0x200.
#define CRLSSL_OCSP_TIMEOUT 0x80001200    // the exchange with the responder passed its deadline
#define CRLSSL_OCSP_TOO_LARGE 0x80002200  // the answer is over CRLSSL_MAX_OCSP_RESPONSE

// Default deadline of every network exchange (connect, request and whole answer; LDAP bind
// and search; OCSP with its proxy tunnel).
#define CRLSSL_DEFAULT_TIMEOUT_MS 60000
// Default size limit of a fetched CRL (HTTP body, LDAP answer).
#define CRLSSL_DEFAULT_MAX_CRL_SIZE (64u * 1024u * 1024u)
// Size limit of an OCSP response.
#define CRLSSL_MAX_OCSP_RESPONSE (1024u * 1024u)
// The largest CRL file LoadFromFile reads.
#define CRLSSL_MAX_FILE_SIZE (64u * 1024u * 1024u)

class VN_EXPORT CCrlSSL {
public:
    CCrlSSL();
    virtual ~CCrlSSL();

    // Process-wide proxy for OCSP requests.
    static void setProxy(bool active, const std::string& url, const std::string& user, const std::string& password,
                         const std::string& useragent);
    // Bound of every network wait in milliseconds (values of 0 or less restore 60 s).
    static void setTimeout(int milliseconds);
    static int getTimeout();
    // Size limit of a fetched CRL in bytes (0 restores CRLSSL_DEFAULT_MAX_CRL_SIZE).
    static void setMaxCrlSize(unsigned int bytes);
    static unsigned int getMaxCrlSize();

    // Fetch a CRL: "ldap://" addresses from the directory, others through ssl_get_from_uri.
    // The buffer is malloc'ed and belongs to the caller (free()). 0, or -1 on failure,
    // CRLSSL_FETCH_TIMEOUT past the time limit, CRLSSL_FETCH_TOO_LARGE over the size limit.
    static int LoadCrl(const char* url, unsigned char** buffer, unsigned int* length, const char* = nullptr,
                       const char* = nullptr);
    static int LoadFromHttp(const char* url, unsigned char** buffer, unsigned int* length);
    static int LoadFromLdap(const char* url, unsigned char** buffer, unsigned int* length, const char* = nullptr,
                            const char* = nullptr);
    // Only "http://" and "https://" addresses (HTTP GET); the body is malloc'ed (free()). 0, -1,
    // CRLSSL_FETCH_TIMEOUT or CRLSSL_FETCH_TOO_LARGE.
    static int ssl_get_from_uri(const char* url, unsigned char** buffer, unsigned int* length);
    // Reads a whole file (at most CRLSSL_MAX_FILE_SIZE bytes) into a malloc'ed buffer handed
    // to the caller (free()). 0, or 0x80000080 when the file cannot be read or is too large.
    static int LoadFromFile(const char* path, unsigned char** buffer, unsigned int* length);
    // Replaces every "%20" by a blank, in place; returns the new length.
    static int ParseURL(char* url);

    // The CRL of the certificate's issuer from a hashed CRL directory, as DER. With a null
    // crl only *crlLength is set; otherwise *crlLength gives the buffer's capacity on entry
    // and the DER length on return (-1 and the needed length when it does not fit).
    // 0x80000080 when none is found, -56 when the certificate or directory is unusable.
    static int sslGetCrl(const unsigned char* cert, unsigned int certLength, unsigned char* crl,
                         unsigned int* crlLength, const char* crlDirectory);
    // 1 when the CRL (of the certificate's issuer) lists the certificate, with the revocation
    // date in seconds since 1970 (UTC); 0 when it does not; -1 when either DER does not parse.
    static int FindCertInCrl(const unsigned char* cert, unsigned int certLength, const unsigned char* crl,
                             unsigned int crlLength, time_t* revocationTime);
    // The first value of "certificateRevocationList" of the entry ldap://host[:port]/dn.
    // The buffer is malloc'ed (free()). 0, -1, CRLSSL_FETCH_TIMEOUT or CRLSSL_FETCH_TOO_LARGE.
    static int ssl_get_ldap_url(const char* url, unsigned char** buffer, unsigned int* length);

    // OCSP status of a certificate ("http://" or "https://" responder, the latter checked
    // against the system's trust store and its name). The response DER and the responder
    // certificate DER are OPENSSL_malloc'ed (CSCUtils::freeOPENSSL). 0 good, 0x80000004 revoked (revocation time
    // set), 0x80000800 unknown, 0x80000200 exchange or response not acceptable, 0x80080000
    // unusable address (0x800 added when a certificate does not parse).
    static unsigned int CheckOCSP(const char* url, const unsigned char* cert, unsigned int certLength,
                                  const unsigned char* issuer, unsigned int issuerLength, unsigned char** response,
                                  unsigned int* responseLength, time_t* revocationTime, unsigned char** responderCert,
                                  unsigned int* responderCertLength);

    // Operations kept for hosts; they carry no function.
    static int GetCrl();
    static int SendCRLRequest();
    static int SendHttpRequest();
    static void SetDCUrl(const char*);
    static char* SendLdapRequest(const char* ip, int port, const char* dn, const char* filter, const char* = nullptr,
                                 const char* = nullptr);

    static bool proxy_active;
    static std::string proxy_url;
    static std::string proxy_user;
    static std::string proxy_password;
    static std::string proxy_useragent;

    static log4cxx::LoggerPtr m_logger;
};

#endif
