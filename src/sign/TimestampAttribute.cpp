// The timestamp token of a signature as the first signer's unsigned attribute, appended
// directly on the bytes of finished signed data, with the lengths of the enclosing items
// rewritten.
#include "sign/TimestampAttribute.h"

#include <cstring>
#include <vector>

#include "asn1/Pkcs7Der.h"

namespace {

constexpr uint8_t TAG_OID = 0x06;
constexpr uint8_t TAG_SEQUENCE = 0x30;
constexpr uint8_t TAG_SET = 0x31;
constexpr uint8_t TAG_EXPLICIT_0 = 0xA0;
constexpr uint8_t TAG_UNAUTH_ATTRIBUTES = 0xA1;
// The content of 06 0B 2A 86 48 86 F7 0D 01 09 10 02 0E: id-aa-timeStampToken.
const unsigned char kTimeStampTokenOid[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x10, 0x02, 0x0E};
const unsigned char kSignedDataOid[] = {0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};

// The enclosing items from the outside in: ContentInfo, [0], SignedData, signerInfos, signer.
constexpr int LEVELS = 5;

struct Level {
    const unsigned char* start;
    const unsigned char* content;
    const unsigned char* end;
};

bool level(const pkcs7der::Item& item, Level& out) {
    // Lengths are rewritten, so each enclosing item needs a definite length.
    if (item.p[1] == 0x80)
        return false;
    out.start = item.p;
    out.content = item.content;
    out.end = item.p + item.total;
    return true;
}

// Finds the five enclosing items of the first signer info; false when the blob is not a
// signedData with a signer that has no unsigned attributes yet.
bool findLevels(const unsigned char* blob, unsigned int length, Level (&levels)[LEVELS]) {
    pkcs7der::Item outer, type, wrapper, signedData, part, signer;
    if (!pkcs7der::read(blob, length, outer) || outer.tag != TAG_SEQUENCE || outer.total != length ||
        !level(outer, levels[0]))
        return false;
    pkcs7der::Children c(outer);
    if (!c.expect(TAG_OID, type) || type.total != sizeof kSignedDataOid ||
        std::memcmp(type.p, kSignedDataOid, sizeof kSignedDataOid) != 0 || !c.expect(TAG_EXPLICIT_0, wrapper) ||
        !level(wrapper, levels[1]))
        return false;
    pkcs7der::Children w(wrapper);
    if (!w.expect(TAG_SEQUENCE, signedData) || !level(signedData, levels[2]))
        return false;
    // signerInfos is the last element of SignedData.
    pkcs7der::Children s(signedData);
    pkcs7der::Item last;
    bool any = false;
    while (s.next(part)) {
        last = part;
        any = true;
    }
    if (s.bad() || !any || last.tag != TAG_SET || !level(last, levels[3]))
        return false;
    pkcs7der::Children signers(last);
    if (!signers.expect(TAG_SEQUENCE, signer) || !level(signer, levels[4]))
        return false;
    pkcs7der::Children fields(signer);
    while (fields.next(part))
        if (part.tag == TAG_UNAUTH_ATTRIBUTES)
            return false;
    return !fields.bad();
}

// A1 { 30 { id-aa-timeStampToken, 31 { token } } }.
std::vector<unsigned char> timeStampAttribute(const unsigned char* token, unsigned int tokenLength) {
    std::vector<unsigned char> content, attribute, set;
    pkcs7der::appendTlv(content, TAG_OID, kTimeStampTokenOid, sizeof kTimeStampTokenOid);
    pkcs7der::appendTlv(content, TAG_SET, token, tokenLength);
    pkcs7der::appendTlv(attribute, TAG_SEQUENCE, content);
    pkcs7der::appendTlv(set, TAG_UNAUTH_ATTRIBUTES, attribute);
    return set;
}

void appendHeader(std::vector<unsigned char>& out, unsigned char tag, size_t contentLength) {
    out.push_back(tag);
    pkcs7der::appendLength(out, contentLength);
}

}  // namespace

namespace vn_sign {

bool insert_timestamp_token(unsigned char* blob, unsigned int* length, const unsigned char* token,
                            unsigned int tokenLength, unsigned int capacity) {
    if (!blob || !length || !token || tokenLength == 0 || *length == 0 || *length > capacity)
        return false;
    try {
        Level levels[LEVELS];
        if (!findLevels(blob, *length, levels))
            return false;
        const std::vector<unsigned char> attribute = timeStampAttribute(token, tokenLength);

        // New content lengths from the inside out.
        size_t contentLength[LEVELS];
        size_t grown = attribute.size();
        for (int i = LEVELS - 1; i >= 0; --i) {
            const size_t oldContent = static_cast<size_t>(levels[i].end - levels[i].content);
            const size_t oldHeader = static_cast<size_t>(levels[i].content - levels[i].start);
            contentLength[i] = oldContent + grown;
            grown += pkcs7der::headerSize(contentLength[i]) - oldHeader;
        }
        const size_t newLength = static_cast<size_t>(*length) + grown;
        if (newLength > capacity)
            return false;

        std::vector<unsigned char> out;
        out.reserve(newLength);
        for (int i = 0; i < LEVELS; ++i) {
            appendHeader(out, levels[i].start[0], contentLength[i]);
            const unsigned char* until = i + 1 < LEVELS ? levels[i + 1].start : levels[i].end;
            out.insert(out.end(), levels[i].content, until);
        }
        out.insert(out.end(), attribute.begin(), attribute.end());
        for (int i = LEVELS - 2; i >= 0; --i)
            out.insert(out.end(), levels[i + 1].end, levels[i].end);
        if (out.size() != newLength)
            return false;
        std::memcpy(blob, out.data(), out.size());
        *length = static_cast<unsigned int>(out.size());
    } catch (...) {
        return false;
    }
    return true;
}

}  // namespace vn_sign
