// Reading signature files without copying them, and taking the content out of attached
// signed data so that only the small rest is parsed.
#include "SigFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Commands.h"
#include "Output.h"

namespace {

const uint8_t kSequence = 0x30;
const uint8_t kOid = 0x06;
const uint8_t kInteger = 0x02;
const uint8_t kSet = 0x31;
const uint8_t kOctetString = 0x04;
const uint8_t kExplicit0 = 0xA0;
const uint8_t kLongForm = 0x80;
const size_t kMaxLengthBytes = 8;

// One DER item with a definite length inside [p, end).
struct Tlv {
    uint8_t tag = 0;
    const unsigned char* p = nullptr;        // first byte of the item
    const unsigned char* content = nullptr;  // first byte of the content
    uint64_t length = 0;                     // content length
    const unsigned char* end() const { return content + length; }
};

bool readTlv(const unsigned char* p, const unsigned char* end, Tlv& out) {
    if (end - p < 2)
        return false;
    out.p = p;
    out.tag = p[0];
    if ((out.tag & 0x1F) == 0x1F)  // multi-byte tags do not occur at these places
        return false;
    const unsigned char* q = p + 2;
    uint64_t length = p[1];
    if (length & kLongForm) {
        const size_t n = length & ~kLongForm;
        if (n == 0 || n > kMaxLengthBytes || static_cast<size_t>(end - q) < n)
            return false;  // indefinite or too long
        length = 0;
        for (size_t i = 0; i < n; ++i)
            length = (length << 8) | *q++;
    }
    if (length > static_cast<uint64_t>(end - q))
        return false;
    out.content = q;
    out.length = length;
    return true;
}

void appendHeader(std::vector<unsigned char>& out, uint8_t tag, uint64_t length) {
    out.push_back(tag);
    if (length < kLongForm) {
        out.push_back(static_cast<unsigned char>(length));
        return;
    }
    unsigned char bytes[kMaxLengthBytes];
    size_t n = 0;
    for (uint64_t v = length; v != 0; v >>= 8)
        bytes[n++] = static_cast<unsigned char>(v & 0xFF);
    out.push_back(static_cast<unsigned char>(kLongForm | n));
    while (n > 0)
        out.push_back(bytes[--n]);
}

// Size of a header (tag and length bytes) for a content of length bytes.
uint64_t headerSize(uint64_t length) {
    std::vector<unsigned char> h;
    appendHeader(h, 0, length);
    return h.size();
}

}  // namespace

SigFile::~SigFile() {
    if (m_mapped)
        munmap(m_data, m_size);
}

bool SigFile::open(const std::string& path) {
    if (path == "-") {
        std::string text;
        if (!readFile(path, text))
            return false;
        m_read.assign(text.begin(), text.end());
        m_data = m_read.data();
        m_size = m_read.size();
        return true;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Output::fail(EXIT_FAILED, "cannot open '" + path + "': " + strerror(errno));
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        Output::fail(EXIT_FAILED, "cannot read '" + path + "': not a regular file");
        return false;
    }
    m_size = static_cast<size_t>(st.st_size);
    if (m_size > 0) {
        void* p = mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            close(fd);
            Output::fail(EXIT_FAILED, "cannot read '" + path + "': " + strerror(errno));
            return false;
        }
        m_data = static_cast<unsigned char*>(p);
        m_mapped = true;
    }
    close(fd);
    return true;
}

bool withoutContent(const unsigned char* der, size_t length, std::vector<unsigned char>& out, uint64_t& contentLength,
                    uint64_t* contentOffset) {
    const unsigned char* end = der + length;
    Tlv outer, type, explicit0, signedData, version, algorithms, encap, innerType, wrapper, octets;
    if (!readTlv(der, end, outer) || outer.tag != kSequence || outer.end() != end)
        return false;
    if (!readTlv(outer.content, outer.end(), type) || type.tag != kOid ||
        !readTlv(type.end(), outer.end(), explicit0) || explicit0.tag != kExplicit0 || explicit0.end() != outer.end())
        return false;
    if (!readTlv(explicit0.content, explicit0.end(), signedData) || signedData.tag != kSequence ||
        signedData.end() != explicit0.end())
        return false;
    if (!readTlv(signedData.content, signedData.end(), version) || version.tag != kInteger ||
        !readTlv(version.end(), signedData.end(), algorithms) || algorithms.tag != kSet ||
        !readTlv(algorithms.end(), signedData.end(), encap) || encap.tag != kSequence)
        return false;
    if (!readTlv(encap.content, encap.end(), innerType) || innerType.tag != kOid ||
        !readTlv(innerType.end(), encap.end(), wrapper) || wrapper.tag != kExplicit0 || wrapper.end() != encap.end())
        return false;
    if (!readTlv(wrapper.content, wrapper.end(), octets) || octets.tag != kOctetString || octets.end() != wrapper.end())
        return false;

    // The same structure with the encapsulated content info holding its type alone.
    const uint64_t encapContent = static_cast<uint64_t>(innerType.end() - innerType.p);
    const uint64_t rest = static_cast<uint64_t>(signedData.end() - encap.end());
    const uint64_t before = static_cast<uint64_t>(encap.p - signedData.content);
    const uint64_t sdContent = before + headerSize(encapContent) + encapContent + rest;
    const uint64_t sdTotal = headerSize(sdContent) + sdContent;
    const uint64_t typeTotal = static_cast<uint64_t>(type.end() - type.p);
    const uint64_t outerContent = typeTotal + headerSize(sdTotal) + sdTotal;
    out.clear();
    appendHeader(out, kSequence, outerContent);
    out.insert(out.end(), type.p, type.end());
    appendHeader(out, kExplicit0, sdTotal);
    appendHeader(out, kSequence, sdContent);
    out.insert(out.end(), signedData.content, encap.p);
    appendHeader(out, kSequence, encapContent);
    out.insert(out.end(), innerType.p, innerType.end());
    out.insert(out.end(), encap.end(), signedData.end());
    contentLength = octets.length;
    if (contentOffset != nullptr)
        *contentOffset = static_cast<uint64_t>(octets.content - der);
    return true;
}
