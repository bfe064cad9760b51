// A file mapped for signing, and signed data with the content put in around it.
#include "sign/SignedContent.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "sign/Pkcs7Der.h"

namespace vn_sign {

namespace {

const int32_t kCannotRead = -1012;
const int32_t kEmptyFile = -1025;
const uint8_t kTagOid = 0x06;
const uint8_t kTagInteger = 0x02;
const uint8_t kTagOctetString = 0x04;
const uint8_t kTagSequence = 0x30;
const uint8_t kTagSet = 0x31;
const uint8_t kTagExplicit0 = 0xA0;

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

MappedFile::~MappedFile() {
    if (m_data != nullptr)
        munmap(m_data, m_size);
}

int32_t MappedFile::open(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return kCannotRead;
    struct stat st;
    int32_t rc = 0;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > INT_MAX)
        rc = kCannotRead;
    else if (st.st_size == 0)
        rc = kEmptyFile;
    if (rc == 0) {
        void* p = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (p == MAP_FAILED) {
            rc = kCannotRead;
        } else {
            m_data = static_cast<unsigned char*>(p);
            m_size = static_cast<size_t>(st.st_size);
        }
    }
    close(fd);
    return rc;
}

bool encapsulateContent(const std::vector<unsigned char>& detached, size_t contentLength,
                        std::vector<unsigned char>& prefix, std::vector<unsigned char>& suffix) {
    // ContentInfo { OID signedData, [0] { SignedData { version, digestAlgorithms,
    // EncapsulatedContentInfo { OID } , rest } } }
    pkcs7der::Item outer, type, explicit0, signedData, version, algorithms, encap, contentType, end;
    if (!pkcs7der::read(detached.data(), detached.size(), outer) || outer.tag != kTagSequence ||
        outer.total != detached.size())
        return false;
    pkcs7der::Children top(outer);
    if (!top.expect(kTagOid, type) || !top.expect(kTagExplicit0, explicit0) || top.next(end))
        return false;
    pkcs7der::Children inExplicit(explicit0);
    if (!inExplicit.expect(kTagSequence, signedData) || inExplicit.next(end))
        return false;
    pkcs7der::Children sd(signedData);
    if (!sd.expect(kTagInteger, version) || !sd.expect(kTagSet, algorithms) || !sd.expect(kTagSequence, encap) ||
        version.p != signedData.content || encap.p + encap.total > signedData.content + signedData.contentLength)
        return false;
    pkcs7der::Children inEncap(encap);
    if (!inEncap.expect(kTagOid, contentType) || inEncap.next(end) || inEncap.bad())
        return false;

    const size_t octets = tlvSize(contentLength);
    const size_t explicitContent = tlvSize(octets);
    const size_t encapContent = contentType.total + explicitContent;
    const size_t signedContent = signedData.contentLength - encap.total + tlvSize(encapContent);
    const size_t outerContent = type.total + tlvSize(tlvSize(signedContent));

    prefix.clear();
    appendHeader(prefix, kTagSequence, outerContent);
    appendItem(prefix, type);
    appendHeader(prefix, kTagExplicit0, tlvSize(signedContent));
    appendHeader(prefix, kTagSequence, signedContent);
    prefix.insert(prefix.end(), version.p, encap.p);  // version and digest algorithms
    appendHeader(prefix, kTagSequence, encapContent);
    appendItem(prefix, contentType);
    appendHeader(prefix, kTagExplicit0, octets);
    appendHeader(prefix, kTagOctetString, contentLength);
    suffix.assign(encap.p + encap.total, signedData.content + signedData.contentLength);
    return true;
}

}  // namespace vn_sign
