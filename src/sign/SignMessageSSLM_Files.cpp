// Signing a file into a file, detached or with the content, timestamped when a
// timestamp service is set.
#include <openssl/crypto.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "SignMessage.h"
#include "infra/Loggers.h"
#include "sign/CadesInternal.h"
#include "sign/SignBuild.h"
#include "sign/SignKeys.h"
#include "sign/SignedContent.h"

namespace {

const int32_t kSignFailed = -24;
const int32_t kSameFile = -35;
const int32_t kCannotWrite = -36;
const int32_t kHashOnlySha256 = -88;
const int32_t kHashNone = -89;
const int32_t kNoCertificate = -300;
const int32_t kNoPath = -1008;
const int32_t kCannotRead = -1012;

int32_t leave(int32_t rc) {
    LOG4CXX_DEBUG(CSignMessage::m_logger, "leaving SignDetachedEnveloped: " << rc);
    return rc;
}

struct FileClose {
    void operator()(FILE* f) const { fclose(f); }
};

// The same text, or two names of one existing file.
bool sameFile(const char* a, const char* b) {
    if (std::strcmp(a, b) == 0)
        return true;
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

timeb now() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    timeb t{};
    t.time = ts.tv_sec;
    t.millitm = static_cast<unsigned short>(ts.tv_nsec / 1000000);
    return t;
}

// The errors of signing that reach the host as they are; the others become -24.
int32_t signingError(int32_t rc) { return rc == kHashOnlySha256 || rc == kHashNone ? rc : kSignFailed; }

bool writePiece(FILE* f, const std::vector<unsigned char>& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

}  // namespace

int32_t CSignMessage::SignDetached(char* inPath, char* outPath, X509* cert, uint32_t* key, int nAlgoID,
                                   _ASN1_CERT_BLOB* moreCerts, int moreCertsCount) {
    VN_TRACE_ENTER(m_logger, "SignDetached");
    const int32_t rc = SignDetachedEnveloped(inPath, outPath, cert, key, nAlgoID, moreCerts, moreCertsCount, false);
    LOG4CXX_DEBUG(m_logger, "leaving SignDetached: " << rc);
    return rc;
}

int32_t CSignMessage::SignEnveloped(char* inPath, char* outPath, X509* cert, uint32_t* key, int nAlgoID,
                                    _ASN1_CERT_BLOB* moreCerts, int moreCertsCount) {
    VN_TRACE_ENTER(m_logger, "SignEnveloped");
    const int32_t rc = SignDetachedEnveloped(inPath, outPath, cert, key, nAlgoID, moreCerts, moreCertsCount, true);
    LOG4CXX_DEBUG(m_logger, "leaving SignEnveloped: " << rc);
    return rc;
}

int32_t CSignMessage::SignDetachedEnveloped(char* inPath, char* outPath, X509* cert, uint32_t* key, int nAlgoID,
                                            _ASN1_CERT_BLOB* moreCerts, int moreCertsCount, bool attach) {
    VN_TRACE_ENTER(m_logger, "SignDetachedEnveloped");
    if (inPath == nullptr || outPath == nullptr)
        return leave(kNoPath);
    int32_t rc = checkInutFilePathLengthV2(inPath);
    if (rc == 0)
        rc = checkInutFilePathLengthV2(outPath);
    if (rc != 0)
        return leave(rc);
    if (sameFile(inPath, outPath))
        return leave(kSameFile);
    // A named level from B-T up needs the timestamp service before anything is signed.
    const int level = vn_sign::baseline_level();
    if (level >= VN_CADES_B_T && m_tsURL.empty())
        return leave(VN_CADES_NO_TSA);

    // The file is read in pieces: hashed once, and for attached signed data copied into the
    // output between the header and the tail of the signed data built without it, so memory
    // stays the same whatever the file's size. Empty files are signed like any other.
    vn_sign::ContentFile content;
    rc = content.open(inPath);
    if (rc != 0)
        return leave(rc);
    timeb signingTime = now();
    // Nothing can be signed without the signer's certificate.
    if (cert == nullptr)
        return leave(kNoCertificate);
    // A hash the key cannot sign with is refused before the file is read.
    rc = checkSignHashAlgoPKey(key, nAlgoID);
    if (rc != 0)
        return leave(signingError(rc));
    std::vector<unsigned char> digest;
    if (!content.digest(nAlgoID, digest)) {
        LOG4CXX_ERROR(m_logger, "cannot read the file to sign");
        return leave(kCannotRead);
    }

    CPkcs7tool tool;
    uint32_t length = 0;
    {
        vn_sign::GivenContentDigest given(digest);
        rc = vn_sign::buildSignedData(tool, nullptr, 0, &signingTime, cert, key, nAlgoID, false, moreCerts,
                                      moreCertsCount, &length);
    }
    if (rc != 0)
        return leave(signingError(rc));
    if (tool.signIt(0, key, nullptr, vn_sign::isP12Key(key)) != 0 || tool.getSignedPkcs7() == nullptr)
        return leave(kSignFailed);

    std::vector<unsigned char> result(tool.getSignedPkcs7(), tool.getSignedPkcs7() + tool.getSignedPkcs7Length());
    if (!m_tsURL.empty()) {
        LOG4CXX_DEBUG(m_logger, "CSignMessage: addTimestamp");
        LOG4CXX_DEBUG(m_logger, "iPKCS7Block " << result.size());
        LOG4CXX_DEBUG(m_logger, "MAX_TS_ADD_SIZE " << MAX_TS_ADD_SIZE);
        const unsigned int signedLength = static_cast<unsigned int>(result.size());
        result.resize(result.size() + MAX_TS_ADD_SIZE);
        unsigned int total = static_cast<unsigned int>(result.size());
        rc = addTimestamp(result.data(), signedLength, &total, nAlgoID, 0);
        if (rc != 0)
            return leave(rc);
        result.resize(total);
    }
    if (level >= VN_CADES_B_LT) {
        rc = vn_sign::add_evidence_to(result, level, m_tsURL, inPath);
        if (rc != 0)
            return leave(rc);
    }
    std::vector<unsigned char> prefix, suffix;
    if (attach && !vn_sign::encapsulateContent(result, content.size(), prefix, suffix))
        return leave(kSignFailed);
    std::unique_ptr<FILE, FileClose> f(fopen(outPath, "wb+"));
    const bool opened = f != nullptr;
    bool written = opened;
    if (written && attach)
        written = writePiece(f.get(), prefix) && content.copyTo(f.get()) && writePiece(f.get(), suffix);
    else if (written)
        written = writePiece(f.get(), result);
    if (f)
        written = fclose(f.release()) == 0 && written;
    if (!written) {
        LOG4CXX_ERROR(m_logger, "cannot write the signed data");
        // No half-written signature is left behind.
        if (opened)
            std::remove(outPath);
        return leave(kCannotWrite);
    }
    return leave(0);
}
