// Secrets in memory (PINs, PIN blocks, commands that carry them, key copies): wiped
// with OPENSSL_cleanse, which the compiler cannot drop, before the memory goes back.
#ifndef VN_INFRA_SECRETS_H
#define VN_INFRA_SECRETS_H

#include <openssl/crypto.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace vn_secret {

inline void cleanse(void* p, size_t n) {
    if (p != nullptr && n != 0)
        OPENSSL_cleanse(p, n);
}

// An allocator that wipes every block it gives back (also the old block of a growing vector).
template <class T>
struct WipingAllocator {
    using value_type = T;
    WipingAllocator() = default;
    template <class U>
    WipingAllocator(const WipingAllocator<U>&) {}
    T* allocate(size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T* p, size_t n) {
        cleanse(p, n * sizeof(T));
        std::allocator<T>().deallocate(p, n);
    }
};
template <class T, class U>
bool operator==(const WipingAllocator<T>&, const WipingAllocator<U>&) {
    return true;
}
template <class T, class U>
bool operator!=(const WipingAllocator<T>&, const WipingAllocator<U>&) {
    return false;
}

// Bytes that are wiped when they are freed.
using WipedBytes = std::vector<unsigned char, WipingAllocator<unsigned char>>;

// Wipes a fixed buffer (or a byte vector's contents) when the scope ends.
class WipeOnExit {
public:
    WipeOnExit(void* p, size_t n) : m_p(p), m_n(n) {}
    explicit WipeOnExit(std::vector<unsigned char>& v) : m_v(&v) {}
    ~WipeOnExit() {
        if (m_v != nullptr)
            cleanse(m_v->data(), m_v->size());
        else
            cleanse(m_p, m_n);
    }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    void* m_p = nullptr;
    size_t m_n = 0;
    std::vector<unsigned char>* m_v = nullptr;
};

}  // namespace vn_secret

#endif
