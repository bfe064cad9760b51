// The library's own DER/BER reader and writer: tag-length-value navigation, typed
// readers that return text, X.509 and attribute-certificate field location, PKCS#1
// block readers and the few primitive writers the PKCS#15 writer needs.
//
// Every reader is bounded: an item is never read beyond the number of bytes its caller
// says are there, and malformed input gives the failure result (0, null record, or an
// empty text), never a read past the end.
#ifndef VN_ASN1_H
#define VN_ASN1_H

#include <cstddef>
#include <cstdint>

#include "vn_export.h"

// One item inside a buffer: its first (tag) byte and its total encoded length.
// `end` is the limit of the enclosing buffer (one past its last byte); the navigation
// calls keep it so that a walk over siblings never leaves the buffer. When it is null the
// record's own `length` is taken as the number of bytes available from `data`.
struct VN_EXPORT DBs {
    unsigned char* data = nullptr;
    uint32_t length = 0;
    const unsigned char* end = nullptr;
};

// One row of the OID name table: DER length (tag and length byte included; 0 ends the
// table), DER bytes, dotted text and display name.
struct VN_EXPORT Asn1OidEntry {
    unsigned int length;
    const char* der;
    const char* oid;
    const char* name;
};

// The OID name table: 76 rows and the end row (length 0, "0", "----").
extern VN_EXPORT const Asn1OidEntry myOID[];

// A decoded item header.
struct Asn1Header {
    uint8_t tag = 0;
    uint32_t headerLength = 0;   // tag byte plus length bytes
    uint32_t contentLength = 0;  // for indefinite lengths: content up to and including 00 00
    bool indefinite = false;
    uint32_t total() const { return headerLength + contentLength; }
};

class VN_EXPORT CASN1 {
public:
    CASN1() = default;
    virtual ~CASN1() = default;

    // Size of each text result buffer.
    static constexpr size_t ResultSize = 5000;

    // Item codes of GetCertItem / GetAttrCertItem / GetCmsItem.
    enum {
        CERT_VERSION = 100,
        CERT_SUBJECT = 101,
        CERT_HOLDER_OLD = 102,
        CERT_ISSUER = 103,
        CERT_SIGNATURE = 104,
        CERT_SERIAL = 105,
        CERT_VALIDITY = 106,
        CERT_ATTRIBUTES = 109,
        CERT_ACERT_ISSUERUID = 110,
        CERT_EXTENSIONS = 111,
        CERT_PUBLICKEY = 112,
        CERT_ISSUERUID = 113,
        CERT_SUBJECTUID = 114,
        CMS_CONTENTTYPE = 200
    };

    // ---- tag interpretation (null item: 0) ----
    static unsigned int getType(const unsigned char* item);
    static unsigned int getClass(const unsigned char* item);
    static unsigned int getContextNum(const unsigned char* item);

    // ---- headers and navigation ----
    // Decodes the header of the item at p, which has `avail` readable bytes. Fails when the
    // header or the content would pass `avail`, for tags 0x1F (multi-byte tags), for length
    // fields wider than 4 bytes and for indefinite lengths nested deeper than MaxNesting.
    static bool readHeader(const unsigned char* p, size_t avail, Asn1Header& out);
    static constexpr int MaxNesting = 32;

    // Content length of the item whose tag stands at buffer+position; the buffer has
    // `bufferLength` bytes. The position advances past the header; hdrSize (may be null)
    // gets the header size. Malformed or truncated items: 0, position unchanged.
    static uint32_t getSeqLength(const unsigned char* buffer, uint32_t& position, unsigned char* hdrSize,
                                 uint32_t bufferLength);

    // Moves rec to the sibling following `item` (see DBs for the bound).
    static int GetNextItem(const unsigned char* item, DBs* rec);
    // Moves rec to the first child of `item` (BIT STRING: behind the unused-bits byte).
    static int GetNextSubItem(const unsigned char* item, DBs* rec);
    // Number of SEQUENCE children of the item (entered when it is a SEQUENCE) within bound.
    static int getSubItems(const unsigned char* item, uint32_t bound);

    static int GetCertItem(const unsigned char* cert, uint32_t certLength, int code, DBs* rec);
    static int GetAttrCertItem(const unsigned char* acert, uint32_t length, int code, DBs* rec);
    static int GetCmsItem(const unsigned char* contentInfo, uint32_t length, int code, DBs* rec);
    // 1 sha1RSA, 2 ripemd160RSA, 3 md5RSA, 4 sha256RSA, 5 sha384RSA, 6 sha512RSA, 7 PSS; else 0.
    static int GetCertSignatureAlgo(const unsigned char* cert, uint32_t certLength);
    // Copies the to-be-signed part (its whole item) to out, which holds outSize bytes; out may
    // be null to ask for the size. len gets the size. 0 on failure or when it does not fit.
    static int GetCertValue(const unsigned char* cert, uint32_t certLength, unsigned char* out, uint32_t outSize,
                            uint32_t* len);

    // ---- typed readers ----
    // raw: p is the content and len its length; otherwise p is an OBJECT IDENTIFIER item of
    // total length len. Empty text on malformed input.
    static char* getOID(const unsigned char* p, uint32_t len, bool raw);
    static const char* getOIDDescr(const char* dotted);
    static const char* getOIDDescrOpt(const char* dotted);
    // Low 32 bits of the item's content, big-endian; 0 for a malformed item.
    static uint32_t getInteger(const unsigned char* item, uint32_t total);
    static char* getString(const unsigned char* item, uint32_t total);
    static int getBoolean(const unsigned char* item, uint32_t total);
    static char* getOctetString(const unsigned char* item, uint32_t total);
    static char* getBitString(const unsigned char* item, uint32_t total);
    static uint16_t* getBmpString(const unsigned char* item, uint32_t total);
    static char* getGenTime(const unsigned char* item, uint32_t total);
    static char* getGenTimeDate(const unsigned char* item, uint32_t total);
    static char* getGenTimeTime(const unsigned char* item, uint32_t total);
    static char* getGenTimeRaw(const unsigned char* item, uint32_t total);
    static char* getGenName(const unsigned char* item, uint32_t total);
    static int getAttrCertType(const char* dotted);
    static int getExtensionCertType(const char* dotted);
    static unsigned int getAlgoId(DBs rec);

    // PKCS#15 token information. out holds outSize bytes.
    static int getCardName(const unsigned char* buf, uint32_t len, char* out, size_t outSize);
    static int getCardName1k(const unsigned char* buf, uint32_t len, char* out, size_t outSize);
    static int getCardSerial(const unsigned char* buf, uint32_t len, unsigned char* out, size_t outSize,
                             unsigned char* outLen);

    // PKCS#1 blocks. getPKCS1: rec.data points behind the padding of a block-type-1 block of
    // blockLength bytes and rec.length is the data length.
    static int getPKCS1(const unsigned char* block, uint32_t blockLength, DBs& rec);
    static int getPKCS1_2(const unsigned char* block, unsigned char** data, uint32_t* length);

    static void EndianConv(const unsigned char* src, unsigned char* dst, size_t count);
    static unsigned short endian_swap_short(unsigned short& value);

    // ---- writers (a null output only computes the size) ----
    static int encodeInteger(uint32_t value, unsigned char* out, uint32_t* size);
    static int GetLenBytes(uint32_t value, unsigned char* out, uint32_t* count);
    static int encodeOctetString(const unsigned char* data, uint32_t length, unsigned char* out, uint32_t* size);
    static int encodeUTF8(const unsigned char* data, uint32_t length, unsigned char* out, uint32_t* size);
    static int encodeBitString(uint32_t flags, unsigned char* out, uint32_t* size);
};

#endif
