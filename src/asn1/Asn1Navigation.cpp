// Tag interpretation, header decoding and sibling/child navigation of CASN1.
#include "ASN1.h"

namespace {

// Definite length at p (p[0] is the tag); avail bytes readable from p.
bool readDefinite(const unsigned char* p, size_t avail, Asn1Header& h) {
    if (avail < 2)
        return false;
    const unsigned char l = p[1];
    uint64_t content = 0;
    uint32_t hdr = 2;
    if (l < 0x80) {
        content = l;
    } else {
        const unsigned n = l - 0x80u;
        if (n == 0 || n > 4 || avail < 2u + n)
            return false;
        for (unsigned i = 0; i < n; ++i)
            content = (content << 8) | p[2 + i];
        hdr = 2 + n;
    }
    if (hdr + content > avail)
        return false;
    h.tag = p[0];
    h.headerLength = hdr;
    h.contentLength = static_cast<uint32_t>(content);
    h.indefinite = false;
    return true;
}

// Walks an indefinite-length content starting at p (behind the two header bytes) until the
// end-of-contents pair that closes it; len gets the bytes walked, that pair included.
bool walkIndefinite(const unsigned char* p, size_t avail, uint32_t& len) {
    size_t off = 0;
    int depth = 1;
    while (depth > 0) {
        if (avail - off < 2)
            return false;
        if (p[off] == 0 && p[off + 1] == 0) {
            off += 2;
            --depth;
            continue;
        }
        if ((p[off] & 0x1F) == 0x1F)
            return false;
        if (p[off + 1] == 0x80) {
            if (++depth > CASN1::MaxNesting)
                return false;
            off += 2;
            continue;
        }
        Asn1Header h;
        if (!readDefinite(p + off, avail - off, h))
            return false;
        off += h.total();
    }
    if (off > UINT32_MAX - 2)
        return false;
    len = static_cast<uint32_t>(off);
    return true;
}

}  // namespace

unsigned int CASN1::getType(const unsigned char* item) {
    if (!item)
        return 0;
    if (item[0] & 0xC0)
        return item[0];
    return item[0] & 0x1F;
}

unsigned int CASN1::getClass(const unsigned char* item) { return item ? (item[0] & 0xC0u) : 0; }

unsigned int CASN1::getContextNum(const unsigned char* item) { return item ? (item[0] & 0x1Fu) : 0; }

bool CASN1::readHeader(const unsigned char* p, size_t avail, Asn1Header& out) {
    if (!p || avail < 2 || (p[0] & 0x1F) == 0x1F)
        return false;
    if (p[1] != 0x80)
        return readDefinite(p, avail, out);
    uint32_t len = 0;
    if (!walkIndefinite(p + 2, avail - 2, len))
        return false;
    out.tag = p[0];
    out.headerLength = 2;
    out.contentLength = len;
    out.indefinite = true;
    return true;
}

uint32_t CASN1::getSeqLength(const unsigned char* buffer, uint32_t& position, unsigned char* hdrSize,
                             uint32_t bufferLength) {
    if (!buffer || position >= bufferLength)
        return 0;
    Asn1Header h;
    if (!readHeader(buffer + position, bufferLength - position, h))
        return 0;
    position += h.headerLength;
    if (hdrSize)
        *hdrSize = static_cast<unsigned char>(h.headerLength);
    return h.contentLength;
}

int CASN1::GetNextItem(const unsigned char* item, DBs* rec) {
    if (!rec)
        return 0;
    const unsigned char* limit = rec->end ? rec->end : (item ? item + rec->length : nullptr);
    const uint32_t given = rec->length;
    rec->data = nullptr;
    rec->length = 0;
    if (!item || !limit || limit <= item)
        return 0;
    Asn1Header h;
    if (!readHeader(item, static_cast<size_t>(limit - item), h) || h.total() > given)
        return 0;
    const unsigned char* sib = item + h.total();
    if (sib >= limit)
        return 0;
    if (h.contentLength > 2 && sib[0] == 0) {
        if (limit - sib < 2 || sib[1] != 0)
            return 0;
        sib += 2;
        if (sib >= limit)
            return 0;
    }
    if (sib[0] == 0x00 || sib[0] == 0xFF)
        return 0;
    Asn1Header s;
    if (!readHeader(sib, static_cast<size_t>(limit - sib), s))
        return 0;
    rec->data = const_cast<unsigned char*>(sib);
    rec->length = s.total();
    rec->end = limit;
    return 1;
}

int CASN1::GetNextSubItem(const unsigned char* item, DBs* rec) {
    if (!rec)
        return 0;
    const unsigned char* limit = rec->end ? rec->end : (item ? item + rec->length : nullptr);
    rec->data = nullptr;
    rec->length = 0;
    if (!item || !limit || limit <= item)
        return 0;
    Asn1Header h;
    if (!readHeader(item, static_cast<size_t>(limit - item), h))
        return 0;
    const unsigned char* childEnd = item + h.total() - (h.indefinite ? 2 : 0);
    const unsigned char* child = item + h.headerLength;
    if (item[0] == 0x03 && h.contentLength > 0)
        ++child;
    rec->end = childEnd;
    if (h.contentLength == 0 || child >= childEnd) {
        rec->data = const_cast<unsigned char*>(child);
        rec->length = 0;
        return 1;
    }
    Asn1Header c;
    if (!readHeader(child, static_cast<size_t>(childEnd - child), c))
        return 0;
    rec->data = const_cast<unsigned char*>(child);
    rec->length = c.total();
    return 1;
}

int CASN1::getSubItems(const unsigned char* item, uint32_t bound) {
    Asn1Header h;
    if (!item || !readHeader(item, bound, h))
        return 0;
    DBs rec;
    rec.data = const_cast<unsigned char*>(item);
    rec.length = h.total();
    rec.end = item + bound;
    if (item[0] == 0x30) {
        if (!GetNextSubItem(item, &rec) || rec.length == 0)
            return 0;
    }
    int count = 0;
    while (rec.data && static_cast<uint32_t>(rec.data - item) < bound) {
        if (rec.data[0] == 0x30)
            ++count;
        if (!GetNextItem(rec.data, &rec))
            break;
    }
    return count;
}
