// Small bounded DER walker and writer for the PKCS#15 records. Headers are decoded by
// the library's DER reader (CASN1::readHeader); nothing is read past the given bounds.
#ifndef VN_CARDAPP_PKCS15DER_H
#define VN_CARDAPP_PKCS15DER_H

#include <cstdint>
#include <string>
#include <vector>

namespace p15der {

using Bytes = std::vector<uint8_t>;

struct Tlv {
    uint8_t tag = 0;
    const uint8_t* start = nullptr;  // tag byte
    uint32_t total = 0;              // header and content
    const uint8_t* content = nullptr;
    uint32_t length = 0;  // content length
};

// Decodes the item at p with avail readable bytes.
bool parse(const uint8_t* p, size_t avail, Tlv& out);

// Walks the items of one level.
class Walker {
public:
    Walker(const uint8_t* p, size_t n) : m_p(p), m_end(p ? p + n : p) {}
    explicit Walker(const Tlv& t) : m_p(t.content), m_end(t.content + t.length) {}
    bool atEnd() const { return m_p >= m_end; }
    // Next item; false at the end or on a malformed item (the walk then stops).
    bool next(Tlv& out);
    // Next item only when it carries tag.
    bool nextIf(uint8_t tag, Tlv& out);

private:
    const uint8_t* m_p;
    const uint8_t* m_end;
};

std::string hex(const uint8_t* p, size_t n);      // upper case
bool unhex(const std::string& text, Bytes& out);  // "/" and blanks skipped; false on odd or bad digits
std::string text(const Tlv& t);                   // content as text
// BIT STRING content to a number: ASN.1 bit n in value bit n (first 32 bits).
unsigned int bits(const Tlv& t);
// First data byte of a BIT STRING (MSB-first flags), 0 when empty.
unsigned int firstByte(const Tlv& t);
// INTEGER or ENUMERATED content read unsigned (first 4 bytes); 0 when empty.
int integer(const Tlv& t);

// Writers.
Bytes tlv(uint8_t tag, const Bytes& content);
Bytes integer(int value, uint8_t tag = 0x02);
Bytes octets(const std::string& hexText, uint8_t tag = 0x04);
Bytes utf8(const std::string& s, uint8_t tag = 0x0C);
Bytes bitString(unsigned int flags);          // ASN.1 bit n from value bit n
Bytes bitStringFirstByte(unsigned int byte);  // one byte of MSB-first flags
Bytes boolean(bool v);
void append(Bytes& to, const Bytes& what);

}  // namespace p15der

#endif
