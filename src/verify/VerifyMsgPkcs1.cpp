// CVerifyMsg::CheckSignPKCS1Detached: a bare PKCS#1 v1.5 signature against the content's hash.
#include <openssl/err.h>
#include <openssl/rsa.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "HashSSL.h"
#include "PKCS7SSL.h"
#include "VerifyMsg.h"
#include "infra/Loggers.h"
#include "infra/OpenSslPtr.h"
#include "infra/TraceScope.h"

namespace {

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};

// The signature opens to a PKCS#1 v1.5 signature block (type 1, padding of 0xFF bytes)
// under the certificate's RSA key.
bool hasSignaturePadding(const unsigned char* sig, unsigned int sigLen, X509* cert) {
    const RSA* rsa = EVP_PKEY_get0_RSA(X509_get0_pubkey(cert));
    if (rsa == nullptr || sigLen != static_cast<unsigned int>(RSA_size(rsa)))
        return false;
    std::vector<unsigned char> plain(sigLen);
    return RSA_public_decrypt(static_cast<int>(sigLen), sig, plain.data(), const_cast<RSA*>(rsa), RSA_PKCS1_PADDING) >
           0;
}

}  // namespace

unsigned int CVerifyMsg::CheckSignPKCS1Detached(const unsigned char* sig, unsigned int sigLen,
                                                const unsigned char* certificate, unsigned int certificateLength,
                                                const unsigned char* content, unsigned int contentLen, int, int,
                                                const char*, char* message, const struct timeb*, int, int, const char*,
                                                const char*) {
    VnLoggerTraceScope trace(m_logger, "CheckSignPKCS1Detached");
    if (message != nullptr)
        message[0] = '\0';
    vn_ossl::X509Ptr cert = vn_ossl::x509FromDer(certificate, certificateLength);
    unsigned int signedLength = 0;
    int hashId = 0;
    std::unique_ptr<unsigned char, FreeDeleter> signedDigest(
        sig != nullptr && cert ? CPKCS7SSL::GetHashFromPKCS1Signature(const_cast<unsigned char*>(sig), sigLen,
                                                                      const_cast<unsigned char*>(certificate),
                                                                      certificateLength, &signedLength, &hashId)
                               : nullptr);
    unsigned int result = VERIFY_BAD_SIGNATURE;
    if (signedDigest && signedLength > 0 && hasSignaturePadding(sig, sigLen, cert.get()) &&
        (content != nullptr || contentLen == 0)) {
        unsigned int length = 0;
        static const unsigned char kEmpty[1] = {0};
        const unsigned char* computed = CHashSSL::calculateHashBin(
            const_cast<unsigned char*>(content != nullptr ? content : kEmpty), contentLen, hashId, &length);
        // The whole digest must match; a shortened one proves nothing.
        if (computed != nullptr && length == signedLength && std::memcmp(computed, signedDigest.get(), length) == 0)
            result = 0;
    }
    ERR_clear_error();
    return result;
}
