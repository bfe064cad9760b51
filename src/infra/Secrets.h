// Secrets in memory (PINs, PIN blocks, commands that carry them, key copies): wiped
// with OPENSSL_cleanse, which the compiler cannot drop, before the memory goes back.
#ifndef VN_INFRA_SECRETS_H
#define VN_INFRA_SECRETS_H

#include <openssl/crypto.h>

#include <cstddef>
#include <memory>
#include <string>
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

// Wipes a text's contents and empties it.
inline void wipe(std::string& s) {
    cleanse(&s[0], s.size());
    s.clear();
}

// Wipes a fixed buffer, a byte vector's contents or a text (which is also emptied) when
// the scope ends.
class WipeOnExit {
public:
    WipeOnExit(void* p, size_t n) : m_p(p), m_n(n) {}
    explicit WipeOnExit(std::vector<unsigned char>& v) : m_v(&v) {}
    explicit WipeOnExit(std::string& s) : m_s(&s) {}
    ~WipeOnExit() {
        if (m_v != nullptr)
            cleanse(m_v->data(), m_v->size());
        else if (m_s != nullptr)
            wipe(*m_s);
        else
            cleanse(m_p, m_n);
    }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    void* m_p = nullptr;
    size_t m_n = 0;
    std::vector<unsigned char>* m_v = nullptr;
    std::string* m_s = nullptr;
};

// A secret held as text (a PIN, a PUK, a password, a request that carries credentials),
// wiped when it goes.
class SecretText {
public:
    SecretText() = default;
    explicit SecretText(const char* s) : m_text(s != nullptr ? s : "") {}
    SecretText(const unsigned char* bytes, size_t length)
        : m_text(bytes != nullptr ? std::string(reinterpret_cast<const char*>(bytes), length) : std::string()) {}
    ~SecretText() { wipe(m_text); }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;
    std::string& str() { return m_text; }
    const std::string& str() const { return m_text; }

private:
    std::string m_text;
};

}  // namespace vn_secret

#endif
