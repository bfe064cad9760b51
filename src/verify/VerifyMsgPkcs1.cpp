// CVerifyMsg::CheckSignPKCS1Detached: a bare PKCS#1 v1.5 signature against the content's hash.
#include <openssl/err.h>
#include <openssl/rsa.h>

#include <cstring>
#include <vector>

#include "HashSSL.h"
#include "VerifyMsg.h"
#include "infra/Loggers.h"
#include "verify/OsslHandles.h"

namespace {

// OpenSSL digest NIDs and the hash ids of CHashSSL.
struct DigestRow {
    int nid;
    int hashId;
};
const DigestRow kDigests[] = {
    {NID_sha1, 1},   {NID_ripemd160, 2}, {NID_md5, 3},
    {NID_sha256, 4}, {NID_sha384, 5},    {NID_sha512, 6},
};

int hashIdOf(int nid) {
    for (const DigestRow& row : kDigests)
        if (row.nid == nid)
            return row.hashId;
    return 0;
}

using SigPtr = std::unique_ptr<X509_SIG, vn_ossl::Deleter<X509_SIG, X509_SIG_free>>;

// The DigestInfo inside the signature: its hash id and digest; false when there is none.
bool digestInfoOf(const unsigned char* sig, unsigned int sigLen, X509* cert, int& hashId,
                  std::vector<unsigned char>& digest) {
    const RSA* rsa = EVP_PKEY_get0_RSA(X509_get0_pubkey(cert));
    if (rsa == nullptr || sigLen != static_cast<unsigned int>(RSA_size(rsa)))
        return false;
    std::vector<unsigned char> plain(sigLen);
    const int n = RSA_public_decrypt(static_cast<int>(sigLen), sig, plain.data(), const_cast<RSA*>(rsa),
                                     RSA_PKCS1_PADDING);
    if (n <= 0)
        return false;
    const unsigned char* p = plain.data();
    SigPtr info(d2i_X509_SIG(nullptr, &p, n));
    if (!info || p != plain.data() + n)
        return false;
    const X509_ALGOR* algorithm = nullptr;
    const ASN1_OCTET_STRING* value = nullptr;
    X509_SIG_get0(info.get(), &algorithm, &value);
    hashId = hashIdOf(OBJ_obj2nid(algorithm->algorithm));
    digest.assign(ASN1_STRING_get0_data(value), ASN1_STRING_get0_data(value) + ASN1_STRING_length(value));
    return hashId != 0 && !digest.empty();
}

}  // namespace

unsigned int CVerifyMsg::CheckSignPKCS1Detached(const unsigned char* sig, unsigned int sigLen,
                                                const unsigned char* certificate, unsigned int certificateLength,
                                                const unsigned char* content, unsigned int contentLen, int, int,
                                                const char*, char* message, const struct timeb*, int, int,
                                                const char*, const char*) {
    VN_TRACE_ENTER(m_logger, "CheckSignPKCS1Detached");
    if (message != nullptr)
        message[0] = '\0';
    vn_ossl::X509Ptr cert = vn_ossl::x509FromDer(certificate, static_cast<long>(certificateLength));
    int hashId = 0;
    std::vector<unsigned char> signedDigest;
    unsigned int result = VERIFY_BAD_SIGNATURE;
    if (cert && sig != nullptr && digestInfoOf(sig, sigLen, cert.get(), hashId, signedDigest) &&
        (content != nullptr || contentLen == 0)) {
        unsigned int length = 0;
        static const unsigned char kEmpty[1] = {0};
        const unsigned char* computed = CHashSSL::calculateHashBin(
            const_cast<unsigned char*>(content != nullptr ? content : kEmpty), contentLen, hashId, &length);
        // The whole digest must match; a shortened one proves nothing.
        if (computed != nullptr && length == signedDigest.size() &&
            std::memcmp(computed, signedDigest.data(), length) == 0)
            result = 0;
    }
    ERR_clear_error();
    VN_TRACE_LEAVE(m_logger, "CheckSignPKCS1Detached");
    return result;
}
