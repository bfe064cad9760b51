// Certificate files read from one card: kept so that a file is read once for the
// card, whoever asks for it (detection, listing, a later call while the card stays in).
#ifndef VN_CARDAPP_CARDFILECACHE_H
#define VN_CARDAPP_CARDFILECACHE_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class CCardFileCache {
public:
    // At most this many files of at most this size are kept; more are read each time.
    static constexpr size_t kMaxFiles = 32;
    static constexpr size_t kMaxFileBytes = 0xFFFF;

    // The bytes kept for the part (offset, length; 0, 0 is the whole DER object) of the
    // file at path; false when none are kept.
    bool find(const std::string& path, int offset, int length, std::vector<uint8_t>& out) const;
    void put(const std::string& path, int offset, int length, const unsigned char* data, size_t size);
    size_t size() const;

private:
    static std::string key(const std::string& path, int offset, int length);
    mutable std::mutex m_mutex;
    std::map<std::string, std::vector<uint8_t>> m_files;
};

#endif
