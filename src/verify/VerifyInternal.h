// Pieces of signature verification shared by its source files.
#ifndef VN_VERIFY_VERIFY_INTERNAL_H
#define VN_VERIFY_VERIFY_INTERNAL_H

#include <openssl/cms.h>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "ValidationReport.h"
#include "VerifyMsg.h"

#include "infra/OpenSslPtr.h"
#include "sign/CadesInternal.h"

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

using RevocationChecks = std::vector<CRevocationCheck>;

// Revocation of certificate at checkTime from the source crlFlags choose, every answer (or
// missing answer) in checks. Returns the result bits: nothing obtained counts as not revoked.
unsigned int revocationOf(X509* certificate, X509_STORE* store, X509_STORE_CTX* storeContext, int crlFlags,
                          const char* crlSource, const struct tm* checkTime, RevocationChecks& checks);
// Some check gave a status (good or revoked).
bool revocationObtained(const RevocationChecks& checks);
// The signed data taken apart into its DER items (once per validation: the long-term checks
// below read it); false when it cannot be.
bool partsOf(CMS_ContentInfo* cms, vn_sign::SignedDataParts& parts);
// The revocation values embedded in the signature (cms, parts) judged for cert (issued by
// issuer) at the proven time, each in checks; true when one verified value gives a status.
bool embeddedRevocation(CMS_ContentInfo* cms, const vn_sign::SignedDataParts& parts, X509* cert, X509* issuer,
                        time_t provenTime, RevocationChecks& checks);
// The archive timestamps of the signer, each checked (detached content from content; the
// authorities' chains against store).
std::vector<CTimestampCheck> checkArchiveTimestamps(const vn_sign::SignedDataParts& parts, size_t signer,
                                                    const vn_sign::ContentFeeder& content, X509_STORE* store);
// The result word bits of the revoked entries among checks at checkTime.
unsigned int embeddedRevocationBits(const RevocationChecks& checks, const struct tm* checkTime);

// notBefore <= t <= notAfter.
bool certValidAt(X509* cert, time_t t);

// A signature read from DER, PEM or S/MIME (multipart/signed or application/pkcs7-mime).
struct ParsedSignature {
    CmsPtr cms;
    BioPtr mimeContent;   // the signed part of a multipart/signed message
    std::string problem;  // why there is no signed data; empty when there is
};
ParsedSignature parseSignature(const unsigned char* data, size_t length);

// A BIO reading length bytes of the file at offset (VERIFY_CONTENT_TO_END: to its end); null
// when the file cannot be opened or the region does not lie inside it.
BioPtr fileRegionBio(const std::string& path, uint64_t offset, uint64_t length);

// The signature timestamp tokens (DER) among the signer's unsigned attributes.
std::vector<std::vector<unsigned char>> timestampTokens(CMS_SignerInfo* si);

// One timestamp token over data (named dataName in the reason of a wrong imprint), its TSA
// chain checked against store at its genTime.
// With sha256 set, the imprint must be that SHA-256 value and data is not hashed.
CTimestampCheck checkTimestamp(const unsigned char* token, size_t tokenLength, const unsigned char* data,
                               size_t dataLength, X509_STORE* store, const char* dataName,
                               const std::vector<unsigned char>* sha256 = nullptr);

// Signed attributes signed with a plain (r || s) ECDSA value: true when the value verifies.
bool plainEcdsaAttributesVerify(CMS_SignerInfo* si, X509* cert);

// Why the certificate may not sign documents (key usage, extended key usage, a CA); empty
// when it may.
std::string signingUsageProblem(X509* cert);

// Validate with the rules of CheckSignDetached (the signer's own validity only at a given
// verification time).
unsigned int validateLegacy(const CVerifyOptions& options, CValidationReport& report);

// Subject or issuer name as one line of text.
std::string nameText(const X509_NAME* name);

}  // namespace vn_verify

#endif
