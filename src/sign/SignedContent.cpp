// A file mapped for signing, and signed data with the content put in around it.
#include "sign/SignedContent.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>

#include "MessageDigest.h"
#include "asn1/DerTags.h"
#include "asn1/Pkcs7Der.h"
#include "crypto/DigestFactory.h"

using namespace vn_der;

namespace vn_sign {

namespace {

const int32_t kCannotRead = -1012;
// The piece of the file read at a time.
const size_t kPiece = 64 * 1024;
constexpr uint8_t kTagExplicit0 = vn_der::TAG_CONTEXT_0;

size_t tlvSize(size_t contentLength) {
    std::vector<unsigned char> length;
    pkcs7der::appendLength(length, contentLength);
    return 1 + length.size() + contentLength;
}

void appendHeader(std::vector<unsigned char>& out, uint8_t tag, size_t contentLength) {
    out.push_back(tag);
    pkcs7der::appendLength(out, contentLength);
}

void appendItem(std::vector<unsigned char>& out, const pkcs7der::Item& item) {
    out.insert(out.end(), item.p, item.p + item.total);
}

}  // namespace

ContentFile::~ContentFile() {
    if (m_fd >= 0)
        close(m_fd);
}

int32_t ContentFile::open(const char* path) {
    m_fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        return kCannotRead;
    struct stat st;
    if (fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0)
        return kCannotRead;
    m_size = static_cast<uint64_t>(st.st_size);
    return 0;
}

bool ContentFile::rewind() { return m_fd >= 0 && lseek(m_fd, 0, SEEK_SET) == 0; }

bool ContentFile::readPieces(const std::function<bool(const char*, size_t)>& take) {
    if (!rewind())
        return false;
    std::vector<char> piece(kPiece);
    uint64_t done = 0;
    for (;;) {
        const ssize_t n = read(m_fd, piece.data(), piece.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!take(piece.data(), static_cast<size_t>(n)))
            return false;
        done += static_cast<uint64_t>(n);
    }
    return done == m_size;
}

bool ContentFile::digest(int nAlgoID, std::vector<unsigned char>& out) {
    const vn_crypto::DigestKind kind = vn_crypto::algorithm_for_sign_id(nAlgoID).kind;
    std::unique_ptr<IMessageDigest> md = vn_crypto::make_digest(kind);
    if (!md || !readPieces([&](const char* data, size_t n) {
            md->AddData(data, static_cast<int>(n));
            return true;
        }))
        return false;
    out.assign(static_cast<size_t>(vn_crypto::digest_length(kind)), 0);
    md->FinalDigest(reinterpret_cast<char*>(out.data()));
    return true;
}

// The length announced in the signed data must be what was written, so a file that
// changed its length while it was copied fails.
bool ContentFile::copyTo(FILE* out) {
    return readPieces([&](const char* data, size_t n) { return std::fwrite(data, 1, n, out) == n; });
}

namespace {
thread_local const std::vector<unsigned char>* t_givenDigest = nullptr;
}  // namespace

GivenContentDigest::GivenContentDigest(const std::vector<unsigned char>& digest) { t_givenDigest = &digest; }

GivenContentDigest::~GivenContentDigest() { t_givenDigest = nullptr; }

const std::vector<unsigned char>* GivenContentDigest::current() { return t_givenDigest; }

bool encapsulateContent(const std::vector<unsigned char>& detached, uint64_t contentLength,
                        std::vector<unsigned char>& prefix, std::vector<unsigned char>& suffix) {
    // ContentInfo { OID signedData, [0] { SignedData { version, digestAlgorithms,
    // EncapsulatedContentInfo { OID } , rest } } }
    pkcs7der::Item outer, type, explicit0, signedData, version, algorithms, encap, contentType, end;
    if (!pkcs7der::read(detached.data(), detached.size(), outer) || outer.tag != TAG_SEQUENCE ||
        outer.total != detached.size())
        return false;
    pkcs7der::Children top(outer);
    if (!top.expect(TAG_OID, type) || !top.expect(kTagExplicit0, explicit0) || top.next(end))
        return false;
    pkcs7der::Children inExplicit(explicit0);
    if (!inExplicit.expect(TAG_SEQUENCE, signedData) || inExplicit.next(end))
        return false;
    pkcs7der::Children sd(signedData);
    if (!sd.expect(TAG_INTEGER, version) || !sd.expect(TAG_SET, algorithms) || !sd.expect(TAG_SEQUENCE, encap) ||
        version.p != signedData.content || encap.p + encap.total > signedData.content + signedData.contentLength)
        return false;
    pkcs7der::Children inEncap(encap);
    if (!inEncap.expect(TAG_OID, contentType) || inEncap.next(end) || inEncap.bad())
        return false;

    const size_t octets = tlvSize(contentLength);
    const size_t explicitContent = tlvSize(octets);
    const size_t encapContent = contentType.total + explicitContent;
    const size_t signedContent = signedData.contentLength - encap.total + tlvSize(encapContent);
    const size_t outerContent = type.total + tlvSize(tlvSize(signedContent));

    prefix.clear();
    appendHeader(prefix, TAG_SEQUENCE, outerContent);
    appendItem(prefix, type);
    appendHeader(prefix, kTagExplicit0, tlvSize(signedContent));
    appendHeader(prefix, TAG_SEQUENCE, signedContent);
    prefix.insert(prefix.end(), version.p, encap.p);  // version and digest algorithms
    appendHeader(prefix, TAG_SEQUENCE, encapContent);
    appendItem(prefix, contentType);
    appendHeader(prefix, kTagExplicit0, octets);
    appendHeader(prefix, TAG_OCTETSTRING, contentLength);
    suffix.assign(encap.p + encap.total, signedData.content + signedData.contentLength);
    return true;
}

}  // namespace vn_sign
