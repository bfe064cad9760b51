// A signature file as show-sig reads it: mapped, not copied, and for signed data with its
// content, the same signed data without the content (small, whatever the content's size).
#ifndef VNCARD_SIGFILE_H
#define VNCARD_SIGFILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class SigFile {
public:
    SigFile() = default;
    ~SigFile();
    SigFile(const SigFile&) = delete;
    SigFile& operator=(const SigFile&) = delete;

    // Maps the file ("-": reads standard input); false with a message printed.
    bool open(const std::string& path);
    const unsigned char* data() const { return m_data; }
    size_t size() const { return m_size; }

private:
    unsigned char* m_data = nullptr;
    size_t m_size = 0;
    bool m_mapped = false;
    std::vector<unsigned char> m_read;
};

// For DER signed data whose encapsulated content is present as one primitive OCTET STRING
// with definite lengths: the signed data without the content, and the content's length
// (and, when asked, where the content starts in der). False (out untouched) for anything
// else, which is then read as it is.
bool withoutContent(const unsigned char* der, size_t length, std::vector<unsigned char>& out, uint64_t& contentLength,
                    uint64_t* contentOffset = nullptr);

#endif
