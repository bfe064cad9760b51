// Signing a file into a file, detached or with the content, timestamped when a
// timestamp service is set.
#include <openssl/crypto.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <memory>
#include <vector>

#include "SignMessage.h"
#include "infra/Loggers.h"
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

struct Piece {
    const unsigned char* data;
    size_t length;
};

bool writeAll(const char* path, std::initializer_list<Piece> pieces) {
    std::unique_ptr<FILE, FileClose> f(fopen(path, "wb+"));
    if (!f)
        return false;
    for (const Piece& p : pieces)
        if (fwrite(p.data, 1, p.length, f.get()) != p.length)
            return false;
    return fclose(f.release()) == 0;
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

    // The file is mapped, not copied: it is hashed in place and, for attached signed
    // data, written out from the mapping around the signed data built without it.
    vn_sign::MappedFile content;
    rc = content.open(inPath);
    if (rc != 0)
        return leave(rc);
    timeb signingTime = now();
    // Nothing can be signed without the signer's certificate.
    if (cert == nullptr)
        return leave(kNoCertificate);

    // One build serves both the length and the signature, so the file is hashed once.
    CPkcs7tool tool;
    uint32_t length = 0;
    rc = vn_sign::buildSignedData(tool, content.data(), static_cast<uint32_t>(content.size()), &signingTime, cert, key,
                                  nAlgoID, false, moreCerts, moreCertsCount, &length);
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
    std::vector<unsigned char> prefix, suffix;
    if (attach && !vn_sign::encapsulateContent(result, content.size(), prefix, suffix))
        return leave(kSignFailed);
    const bool written = attach ? writeAll(outPath, {{prefix.data(), prefix.size()},
                                                     {content.data(), content.size()},
                                                     {suffix.data(), suffix.size()}})
                                : writeAll(outPath, {{result.data(), result.size()}});
    if (!written) {
        LOG4CXX_ERROR(m_logger, "cannot write the signed data");
        return leave(kCannotWrite);
    }
    return leave(0);
}
