// Internal helpers of file signing: a file read in pieces, and the signed data of a file
// with its content put in without holding the content in memory.
#ifndef VN_SIGN_SIGNEDCONTENT_H
#define VN_SIGN_SIGNEDCONTENT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace vn_sign {

// A regular file read in pieces: hashed once, and copied into the output for attached
// signed data, so that memory stays the same whatever the file's size.
class ContentFile {
public:
    ContentFile() = default;
    ~ContentFile();
    ContentFile(const ContentFile&) = delete;
    ContentFile& operator=(const ContentFile&) = delete;
    // 0, or -1012 when the path is no readable regular file. An empty file is a file.
    int32_t open(const char* path);
    uint64_t size() const { return m_size; }
    // The digest of nAlgoID's hash over the whole file; false on a read error.
    bool digest(int nAlgoID, std::vector<unsigned char>& out);
    // Appends the whole file to out; false on a read or write error.
    bool copyTo(FILE* out);

private:
    bool rewind();
    // Reads the whole file from its start in pieces, handing each to take; false on a read
    // error, when take refuses a piece, or when the length read is not the length found at
    // open (the file changed while it was read).
    bool readPieces(const std::function<bool(const char*, size_t)>& take);
    int m_fd = -1;
    uint64_t m_size = 0;
};

// While an object lives, signed data built on this thread takes this digest of the content
// instead of hashing the content it is given (the content was hashed in pieces before).
class GivenContentDigest {
public:
    explicit GivenContentDigest(const std::vector<unsigned char>& digest);
    ~GivenContentDigest();
    GivenContentDigest(const GivenContentDigest&) = delete;
    GivenContentDigest& operator=(const GivenContentDigest&) = delete;
    // The digest in force on this thread, or null.
    static const std::vector<unsigned char>* current();
};

// For signed data built without its content, the bytes that go before and after the
// content when the content is put into its encapsulated content info: the output is
// prefix, content (contentLength bytes), suffix. False when detached is not signed data
// with an encapsulated content info without content.
bool encapsulateContent(const std::vector<unsigned char>& detached, uint64_t contentLength,
                        std::vector<unsigned char>& prefix, std::vector<unsigned char>& suffix);

}  // namespace vn_sign

#endif
