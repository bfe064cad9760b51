// Certificate files read from one card.
#include "CardFileCache.h"

#include "SafeMem.h"

std::string CCardFileCache::key(const std::string& path, int offset, int length) {
    return strTools::uniformPath(path) + "@" + std::to_string(offset) + "+" + std::to_string(length);
}

bool CCardFileCache::find(const std::string& path, int offset, int length, std::vector<uint8_t>& out) const {
    const std::string k = key(path, offset, length);
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_files.find(k);
    if (it == m_files.end())
        return false;
    out = it->second;
    return true;
}

void CCardFileCache::put(const std::string& path, int offset, int length, const unsigned char* data, size_t size) {
    if (data == nullptr || size == 0 || size > kMaxFileBytes)
        return;
    std::string k = key(path, offset, length);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_files.size() >= kMaxFiles && m_files.find(k) == m_files.end())
        return;
    m_files[std::move(k)].assign(data, data + size);
}

size_t CCardFileCache::size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_files.size();
}
