// Pieces of signature verification shared by its source files.
#ifndef VN_VERIFY_VERIFY_INTERNAL_H
#define VN_VERIFY_VERIFY_INTERNAL_H

#include <ctime>
#include <vector>

#include "verify/OsslHandles.h"

namespace vn_verify {

using namespace vn_ossl;

// The process-wide error BIO (standard error).
BIO* errorBio();

// UTC broken-down time of an ASN.1 time; false when it cannot be read.
bool asn1ToTm(const ASN1_TIME* t, struct tm& out);
// UTC broken-down time of seconds since 1970.
struct tm utcTm(time_t seconds);

// The check time of a signature: the verification time, else the first signed attribute
// of the first signer that holds a UTCTime, else now.
struct tm checkTimeOf(PKCS7* p7, const struct timeb* verificationTime);

// The chain of the signer certificate as OpenSSL builds it from a store, with every
// verification error recorded instead of stopping at the first.
class ChainCheck {
public:
    // False when the store or the context cannot be made.
    bool setup(const char* caFile, const char* caPath, X509* signer, STACK_OF(X509) * untrusted);
    void verify();
    // Failure bits of the recorded errors; validity periods are left to the time rule.
    unsigned int faultBits() const;
    // OpenSSL did not find the issuer of a chain certificate.
    bool issuerMissing() const;
    X509_STORE* store() const { return m_store.get(); }
    X509_STORE_CTX* context() const { return m_ctx.get(); }

private:
    StorePtr m_store;
    StoreCtxPtr m_ctx;
    std::vector<int> m_errors;
};

// Records every error in the vector set as the context's app data and lets OpenSSL go on.
int recordingCallback(int ok, X509_STORE_CTX* ctx);

// The issuer of cert: from the context's chain, else looked up in the store; null when none.
X509Ptr issuerOf(X509* cert, X509_STORE* store, X509_STORE_CTX* ctx);

}  // namespace vn_verify

#endif
