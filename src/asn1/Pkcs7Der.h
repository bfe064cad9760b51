// Internal helpers of the PKCS#7 model: bounded walking over the children of a DER item
// and appending DER items to a byte vector.
#ifndef VN_ASN1_PKCS7DER_H
#define VN_ASN1_PKCS7DER_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ASN1.h"
#include "Asn1Base.h"

namespace pkcs7der {

// One item: where it starts, its total size, its tag and its content.
struct Item {
    const unsigned char* p = nullptr;
    uint32_t total = 0;
    uint8_t tag = 0;
    const unsigned char* content = nullptr;
    uint32_t contentLength = 0;  // without the end-of-contents pair of an indefinite length
};

// Reads the item at p, which has avail readable bytes.
bool read(const unsigned char* p, size_t avail, Item& out);
// Reads the whole of an object's encoding as one item of the given tag.
bool readObject(const CAsn1Base& object, uint8_t tag, Item& out);

// The children of a constructed item, one after another, never past its content.
class Children {
public:
    explicit Children(const Item& parent) : m_p(parent.content), m_end(parent.content + parent.contentLength) {}
    // False at the end of the content (or an end-of-contents pair); sets m_bad when the
    // next child is malformed.
    bool next(Item& out);
    // The next child must exist and carry this tag.
    bool expect(uint8_t tag, Item& out) { return next(out) && out.tag == tag; }
    bool peek(uint8_t& tag) const;
    bool atEnd() const { return m_p >= m_end || (m_end - m_p >= 2 && m_p[0] == 0 && m_p[1] == 0); }
    bool bad() const { return m_bad; }

private:
    const unsigned char* m_p;
    const unsigned char* m_end;
    bool m_bad = false;
};

// Appends the DER length of n.
void appendLength(std::vector<unsigned char>& out, size_t n);
// Appends tag, DER length and content.
void appendTlv(std::vector<unsigned char>& out, uint8_t tag, const unsigned char* content, size_t n);
void appendTlv(std::vector<unsigned char>& out, uint8_t tag, const std::vector<unsigned char>& content);
// Appends an object's encoding; false when it has none.
bool appendObject(std::vector<unsigned char>& out, const CAsn1Base* object);
// Size of a DER header for content of n bytes.
size_t headerSize(size_t n);

}  // namespace pkcs7der

#endif
