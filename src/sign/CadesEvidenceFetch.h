// Fetching the revocation evidence of one certificate for a long-term signature: OCSP
// responses from the addresses of its authority information access and CRLs from its
// distribution points, over the library's HTTP client with its deadline and answer limits.
// Fetching only: what an answer proves is judged by the verification.
#ifndef VN_SIGN_CADESEVIDENCEFETCH_H
#define VN_SIGN_CADESEVIDENCEFETCH_H

#include <openssl/x509.h>

#include <string>
#include <vector>

#include "sign/CadesInternal.h"

namespace vn_sign {

struct FetchedEvidence {
    std::vector<Bytes> ocspResponses;  // DER OCSPResponse, status successful, for this certificate
    std::vector<Bytes> crls;           // DER CRLs issued under the certificate's issuer name
    std::vector<std::string> notes;    // what failed, in words
    bool hadSources = false;           // the certificate names at least one OCSP or CRL address
};

// Largest OCSP answer and largest CRL taken.
constexpr uint64_t kMaxOcspAnswer = 1u << 20;
constexpr uint64_t kMaxCrl = 64ull << 20;

FetchedEvidence fetch_evidence(X509* cert, X509* issuer, int timeoutMs);

}  // namespace vn_sign

#endif
