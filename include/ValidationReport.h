// The validation report of a signature: one indication for the whole file and one per
// signer, in the vocabulary of ETSI EN 319 102-1 (TOTAL_PASSED, TOTAL_FAILED, INDETERMINATE
// and their sub-indications), with what each verdict rests on: the chain as found, the
// claimed and the proven time, every revocation check and every timestamp. The result word
// of CVerifyMsg::CheckSignDetached is carried beside it.
#ifndef VN_VALIDATIONREPORT_H
#define VN_VALIDATIONREPORT_H

#include <ctime>
#include <string>
#include <vector>

#include "vn_export.h"

// Indications.
#define VN_TOTAL_PASSED "TOTAL_PASSED"
#define VN_TOTAL_FAILED "TOTAL_FAILED"
#define VN_INDETERMINATE "INDETERMINATE"

// One revocation check of a signer's certificate.
struct VN_EXPORT CRevocationCheck {
    std::string source;          // "crl-store", "crl-distribution-point", "crl-directory", "crl-address", "ocsp"
    std::string location;        // URL or file the answer came from (or was asked for)
    std::string status;          // "good", "revoked", "unknown", "unavailable"
    std::string reason;          // revocation reason, or why no answer was obtained
    time_t revocationTime = -1;  // when revoked; -1 when not
    time_t productionTime = -1;  // CRL thisUpdate or OCSP producedAt; -1 when unknown
};

// One signature timestamp of a signer (or a token given alone).
struct VN_EXPORT CTimestampCheck {
    bool verified = false;
    time_t genTime = -1;  // -1 when the token could not be read
    std::string tsa;      // subject of the TSA certificate
    std::string hashAlgorithm;
    std::string subIndication;       // empty when verified
    std::string reason;              // why it failed; empty when verified
    std::string kind = "signature";  // "signature" (over the signature value) or "archive" (CAdES B-LTA)
    time_t tsaNotAfter = -1;         // end of the validity of the TSA certificate; -1 when unknown
};

struct VN_EXPORT CSignerReport {
    std::string indication = VN_INDETERMINATE;
    std::string subIndication;
    std::string message;  // the main finding in words
    std::string subject;
    std::string issuer;
    std::string serial;
    std::string signatureAlgorithm;
    std::vector<std::string> chain;  // subjects from the signer upward, as found
    time_t signingTimeClaim = -1;    // the signed signingTime attribute; -1 when absent
    std::string signingTimeSource;   // "signed attribute signingTime" or "none"
    time_t provenTime = -1;          // the time validity and revocation were judged at
    std::string provenTimeSource;    // "timestamp", "verification time" or "current time"
    bool revocationChecked = false;
    std::vector<CRevocationCheck> revocation;
    std::vector<CTimestampCheck> timestamps;
    std::vector<std::string> findings;  // every problem found, in words
    unsigned int resultWord = 0;
    std::string level;  // CAdES baseline level by what the signer carries: "B-B", "B-T", "B-LT", "B-LTA"
};

class VN_EXPORT CValidationReport {
public:
    std::string indication = VN_INDETERMINATE;
    std::string subIndication;
    std::string message;
    std::vector<CSignerReport> signers;
    unsigned int resultWord = 0;

    bool passed() const { return indication == VN_TOTAL_PASSED; }
    // The report as one JSON object (times as "YYYY-MM-DDTHH:MM:SSZ").
    std::string toJson() const;
    // The report as lines of text for people.
    std::string toText() const;
    // The worst of the signers' indications (and its sub-indication) as the overall one.
    void summarize();
};

// "YYYY-MM-DDTHH:MM:SSZ" of seconds since 1970; empty for -1.
VN_EXPORT std::string vn_utc_text(time_t t);

#endif
