// Pieces of revocation checking shared by the CRL and OCSP sources and by the verifier.
#ifndef VN_VERIFY_CRL_INTERNAL_H
#define VN_VERIFY_CRL_INTERNAL_H

#include <ctime>
#include <string>
#include <vector>

#include "infra/HttpInternal.h"
#include "infra/OpenSslPtr.h"

namespace vn_crl {

using namespace vn_ossl;

// CRL bytes as PEM when they hold "-----BEGIN X509 CRL-----", else as DER; null when neither.
CrlPtr parseCrl(const unsigned char* data, size_t length);

// True when the CRL was issued by issuer: same name as the certificate's issuer and a
// signature that verifies with the issuer's key.
bool crlIssuedBy(X509_CRL* crl, X509* cert, X509* issuer);

// Seconds since 1970 of an ASN.1 time read as UTC; -1 when it cannot be read.
time_t utcSeconds(const ASN1_TIME* t);

// The deadline of one network exchange in milliseconds.
int timeoutMs();
// The size limit of a fetched CRL in bytes.
unsigned int maxCrlSize();

// A connected socket to the OCSP responder's host and port: directly, or through the
// configured proxy with a CONNECT tunnel, before the deadline. -1 on failure (proxy refusals
// are logged).
int openOcspConnection(const std::string& host, unsigned port, const vnhttp::Deadline& deadline);

// Reads the proxy's answer to CONNECT (bounded in size, and in time by the deadline) and tells
// whether the tunnel is open; refusals are logged.
bool tunnelAccepted(int fd, const vnhttp::Deadline& deadline);
// The same within the time limit from now.
bool tunnelAccepted(int fd);

// Sends the OCSP request to path on the connected socket fd (which it takes over) and
// returns the response (at most CRLSSL_MAX_OCSP_RESPONSE bytes); null on failure, with
// failure set to CRLSSL_OCSP_TIMEOUT when the deadline passed, CRLSSL_OCSP_TOO_LARGE when the
// answer is over its limit, else CRLSSL_OCSP_FAILED.
OcspResponsePtr exchangeOcsp(int fd, const std::string& host, unsigned port, const std::string& path,
                             OCSP_REQUEST* request, const vnhttp::Deadline& deadline, unsigned int& failure);
// The same over TLS ("https://" responders): the responder's certificate is checked against
// the system's trust store and host.
OcspResponsePtr exchangeOcspTls(int fd, const std::string& host, unsigned port, const std::string& path,
                                OCSP_REQUEST* request, const vnhttp::Deadline& deadline, unsigned int& failure);

// Judges an OCSP response for the certificate id: 0 good, CRLSSL_OCSP_REVOKED (revocation time
// set), CRLSSL_OCSP_UNKNOWN, or CRLSSL_OCSP_FAILED when the response is not successful, is not signed by
// the issuer or a responder the issuer delegated, lacks the nonce of the request, or
// carries no answer for the id.
unsigned int judgeOcspResponse(OCSP_RESPONSE* response, OCSP_REQUEST* request, OCSP_CERTID* id, X509* issuer,
                               time_t* revocationTime);

}  // namespace vn_crl

#endif
