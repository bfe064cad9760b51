// The ASN.1 object model: CAsn1Base, the base of every ASN.1 object class, the universal
// types built on it and the helpers for times and hex text.
//
// An object owns one DER item. It is created empty, from bytes (then decoded) or from a
// value (then encoded). A failed decode, a constructor without data or a failed navigation
// step records the error -22 (getError()); nothing throws.
#ifndef VN_ASN1BASE_H
#define VN_ASN1BASE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ASN1.h"
#include "vn_export.h"

struct timeb;

class VN_EXPORT CAsn1Base {
public:
    // The error recorded by failed decodes and navigation steps.
    static constexpr int ASN1_DECODE_ERROR = -22;

    CAsn1Base() = default;
    virtual ~CAsn1Base();
    CAsn1Base(const CAsn1Base&) = delete;
    CAsn1Base& operator=(const CAsn1Base&) = delete;

    virtual int getError() const;
    virtual unsigned int getAsn1Type() const;
    virtual unsigned int getAsn1Length() const;
    virtual unsigned char* getDER() const;
    virtual unsigned int getDERlength() const;
    virtual int decode() = 0;
    virtual int encode() = 0;

    // Cursor: the current item inside the encoding.
    int resetPosition();
    int nextItem();
    int nextSubItem();
    unsigned int getItemLen() const;
    unsigned int getDataLen() const;
    unsigned int getContentLen() const;
    unsigned char* getData() const;

    // Writes the length of the item whose tag stands at buffer[0] behind it and returns the
    // number of length bytes (0 for a null buffer). Mode 0 and 1 both write the shortest
    // DER form; any other mode writes lengths from 128 on not at all and returns 2.
    static int insertLength(unsigned char* buffer, unsigned int length, int unused, unsigned char flag, int mode);
    // The number of length bytes insertLength writes.
    static int getEncodingSize(unsigned int length, int mode);
    // The non-empty pieces of text between delimiter characters.
    static std::vector<std::string> Tokenize(const std::string& text, const std::string& delimiters);

protected:
    // Replaces the encoding by a copy of the bytes; false (error -22) for null or empty input.
    bool setEncoding(const unsigned char* data, size_t length);
    void setEncoding(const std::vector<unsigned char>& der);
    void clearEncoding();
    // Header of the item at the cursor.
    bool cursorHeader(Asn1Header& h) const;
    // Fails the current decode: records the error and returns 0.
    int fail();
    // The whole encoding as one item: header check of its first item.
    bool encodingHeader(unsigned char tag, Asn1Header& h) const;

    std::unique_ptr<unsigned char[]> m_encoding;
    unsigned int m_encodingLength = 0;
    unsigned int m_asn1Type = 0;
    unsigned int m_asn1Length = 0;
    int m_error = 0;
    DBs m_cursor;
};

// INTEGER: a signed 32-bit number and the hex text of its content.
class VN_EXPORT CAsn1_Int : public CAsn1Base {
public:
    CAsn1_Int();
    CAsn1_Int(const unsigned char* der, unsigned int size);
    explicit CAsn1_Int(int value);
    int decode() override;
    int encode() override;
    int getValue() const { return m_value; }
    const std::string& getText() const { return m_text; }

private:
    int m_value = 0;
    std::string m_text;
};

// OBJECT IDENTIFIER: dotted text and table name (empty when the table lacks it).
class VN_EXPORT CAsn1_Oid : public CAsn1Base {
public:
    CAsn1_Oid();
    CAsn1_Oid(const unsigned char* der, unsigned int size);
    CAsn1_Oid(const std::string& dotted, const std::string& name);
    explicit CAsn1_Oid(const CAsn1_Oid* other);
    int decode() override;
    int encode() override;
    const std::string& getOid() const { return m_oid; }
    const std::string& getName() const { return m_name; }

private:
    std::string m_oid;
    std::string m_name;
};

// NULL: always the encoding 05 00.
class VN_EXPORT CAsn1_NullTag : public CAsn1Base {
public:
    CAsn1_NullTag();
    int decode() override;
    int encode() override;
};

// BIT STRING: hex text of the bits behind the unused-bits byte.
class VN_EXPORT CAsn1_BitString : public CAsn1Base {
public:
    CAsn1_BitString();
    CAsn1_BitString(const unsigned char* der, unsigned int size);
    explicit CAsn1_BitString(const std::string& hex);
    int decode() override;
    int encode() override;
    const std::string& getValue() const { return m_value; }
    unsigned char* getBinaryData() const;
    unsigned int getBinaryDataLen() const;

private:
    std::string m_value;
};

// OCTET STRING: hex text of the content.
class VN_EXPORT CAsn1_OctetString : public CAsn1Base {
public:
    CAsn1_OctetString();
    CAsn1_OctetString(const unsigned char* der, unsigned int size);
    explicit CAsn1_OctetString(const std::string& hex);
    int decode() override;
    int encode() override;
    const std::string& getValue() const { return m_value; }
    unsigned char* getBinaryData() const;
    unsigned int getBinaryDataLen() const;

private:
    std::string m_value;
};

class VN_EXPORT CAsn1_IA5String : public CAsn1Base {
public:
    CAsn1_IA5String();
    CAsn1_IA5String(const unsigned char* der, unsigned int size);
    int decode() override;
    int encode() override;
    const std::string& getValue() const { return m_value; }

private:
    std::string m_value;
};

// BMPString: the characters as UTF-8 text.
class VN_EXPORT CAsn1_BmpString : public CAsn1Base {
public:
    CAsn1_BmpString();
    CAsn1_BmpString(const unsigned char* der, unsigned int size);
    int decode() override;
    int encode() override;
    const std::string& getValue() const { return m_value; }

private:
    std::string m_value;
};

// UTCTime: seconds since 1970 (UTC).
class VN_EXPORT CAsn1_UtcTime : public CAsn1Base {
public:
    CAsn1_UtcTime();
    CAsn1_UtcTime(const unsigned char* der, unsigned int size);
    explicit CAsn1_UtcTime(const std::string& text);
    explicit CAsn1_UtcTime(long seconds);
    explicit CAsn1_UtcTime(int seconds);
    explicit CAsn1_UtcTime(const timeb* tb);
    int decode() override;
    int encode() override;
    long getTime() const { return m_time; }

private:
    long m_time = 0;
};

// GeneralizedTime: "YYYYMMDDhhmmss".
class VN_EXPORT CAsn1_GeneralizedTime : public CAsn1Base {
public:
    CAsn1_GeneralizedTime();
    CAsn1_GeneralizedTime(const unsigned char* der, unsigned int size);
    int decode() override;
    int encode() override;
    const std::string& getValue() const { return m_value; }

private:
    std::string m_value;
};

// Any item kept undecoded (type 16 unless built from bytes, then the item's type).
class VN_EXPORT CAsn1_Universal : public CAsn1Base {
public:
    CAsn1_Universal();
    CAsn1_Universal(const unsigned char* der, unsigned int size);
    int decode() override;
    int encode() override;
};

class VN_EXPORT CAsn1Helper {
public:
    // Seconds since 1970 of "YYMMDDhhmm[ss](Z|+hhmm|-hhmm)", 0 when it cannot be read.
    static long getUTCTime(const std::string& text);
    // Hex text (blanks ignored) to bytes; a null output only sets the length. 0 for an
    // odd number of digits or a non-hex character.
    static int str2hex(const std::string& text, unsigned char* out, int& length);
    static void hex2str(const unsigned char* bytes, unsigned int count, std::string& out);
};

#endif
