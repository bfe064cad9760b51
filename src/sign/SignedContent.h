// Internal helpers of file signing: a file mapped for reading, and the signed data of a
// file with its content put in without copying the content in memory.
#ifndef VN_SIGN_SIGNEDCONTENT_H
#define VN_SIGN_SIGNEDCONTENT_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vn_sign {

// A whole regular file mapped read-only for the life of the object.
class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    // 0, or the codes of reading a file to sign: -1012 not readable (or too large), -1025 empty.
    int32_t open(const char* path);
    unsigned char* data() const { return m_data; }
    size_t size() const { return m_size; }

private:
    unsigned char* m_data = nullptr;
    size_t m_size = 0;
};

// For signed data built without its content, the bytes that go before and after the
// content when the content is put into its encapsulated content info: the output is
// prefix, content (contentLength bytes), suffix. False when detached is not signed data
// with an encapsulated content info without content.
bool encapsulateContent(const std::vector<unsigned char>& detached, size_t contentLength,
                        std::vector<unsigned char>& prefix, std::vector<unsigned char>& suffix);

}  // namespace vn_sign

#endif
