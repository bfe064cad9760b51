// Location of the fields of X.509 certificates, attribute certificates and CMS
// ContentInfo structures.
#include <cstring>

#include "ASN1.h"

namespace {

void clear(DBs* rec) {
    if (rec) {
        rec->data = nullptr;
        rec->length = 0;
        rec->end = nullptr;
    }
}

// Enters the item `outer` (total bound `len`) and then its first child: both must be
// SEQUENCEs. rec gets the first field of the inner SEQUENCE.
bool enterTwoSequences(const unsigned char* outer, uint32_t len, DBs& rec) {
    Asn1Header h;
    if (!outer || !CASN1::readHeader(outer, len, h) || outer[0] != 0x30)
        return false;
    rec.data = const_cast<unsigned char*>(outer);
    rec.length = h.total();
    rec.end = outer + h.total();
    if (!CASN1::GetNextSubItem(outer, &rec) || rec.length == 0 || rec.data[0] != 0x30)
        return false;
    unsigned char* inner = rec.data;
    return CASN1::GetNextSubItem(inner, &rec) && rec.length != 0;
}

bool next(DBs& rec) { return CASN1::GetNextItem(rec.data, &rec) != 0; }

int found(DBs* out, const DBs& rec) {
    *out = rec;
    return 1;
}

// The optional version field that opens a certificate body, with tag versionTag: -1 when
// the search goes on at the field after it, else the search's result (1 when the version
// was asked for and found, 0 when it is missing or the body ends).
int versionField(DBs& r, unsigned char versionTag, int code, DBs* rec) {
    if (r.data[0] == versionTag) {
        if (code == CASN1::CERT_VERSION)
            return found(rec, r);
        return next(r) ? -1 : 0;
    }
    return code == CASN1::CERT_VERSION ? 0 : -1;
}

}  // namespace

int CASN1::GetCertItem(const unsigned char* cert, uint32_t certLength, int code, DBs* rec) {
    if (!rec)
        return 0;
    clear(rec);
    DBs r;
    if (!enterTwoSequences(cert, certLength, r))
        return 0;
    const int version = versionField(r, 0xA0, code, rec);
    if (version >= 0)
        return version;
    // Mandatory fields in order, each with the tag it must carry.
    static const struct {
        int code;
        unsigned char tag;
    } fields[] = {{CERT_SERIAL, 0x02},   {CERT_SIGNATURE, 0x30}, {CERT_ISSUER, 0x30},
                  {CERT_VALIDITY, 0x30}, {CERT_SUBJECT, 0x30},   {CERT_PUBLICKEY, 0x30}};
    const size_t n = sizeof(fields) / sizeof(fields[0]);
    for (size_t i = 0; i < n; ++i) {
        if (r.data[0] != fields[i].tag)
            return 0;
        if (code == fields[i].code)
            return found(rec, r);
        if (i + 1 < n && !next(r))
            return 0;
    }
    unsigned char want = 0;
    switch (code) {
    case CERT_ISSUERUID: want = 0xA1; break;
    case CERT_SUBJECTUID: want = 0xA2; break;
    case CERT_EXTENSIONS: want = 0xA3; break;
    default: return 0;
    }
    while (next(r)) {
        if (r.data[0] == want)
            return found(rec, r);
    }
    return 0;
}

int CASN1::GetAttrCertItem(const unsigned char* acert, uint32_t length, int code, DBs* rec) {
    if (!rec)
        return 0;
    clear(rec);
    DBs r;
    if (!enterTwoSequences(acert, length, r))
        return 0;
    const int version = versionField(r, 0x02, code, rec);
    if (version >= 0)
        return version;
    // Holder: a SEQUENCE, or in the old form a [0] element.
    const DBs holder = r;
    if (code == CERT_HOLDER_OLD)
        return holder.data[0] == 0xA0 ? found(rec, holder) : 0;
    if (code == CERT_SUBJECT) {
        if (holder.data[0] != 0x30)
            return 0;
        DBs c = holder;
        if (!GetNextSubItem(holder.data, &c) || c.length == 0)
            return 0;
        for (int i = 0; i < 3; ++i) {
            if (c.data[0] == 0xA1 || c.data[0] == 0xA4)
                return found(rec, c);
            if (c.data[0] != 0xA0 && c.data[0] != 0xA2)
                return 0;
            if (!next(c))
                return 0;
        }
        return 0;
    }
    if (!next(r))
        return 0;
    const DBs issuer = r;
    if (code == CERT_ISSUER) {
        DBs c = issuer;
        if (issuer.data[0] == 0xA0) {
            // V2Form: its issuerName GeneralNames, or a name standing directly inside.
            if (!GetNextSubItem(issuer.data, &c) || c.length == 0)
                return 0;
            return (c.data[0] == 0x30 || c.data[0] == 0xA4) ? found(rec, c) : 0;
        }
        if (holder.data[0] == 0xA0) {
            // Old form: the directory name inside the leading [0] element.
            c = holder;
            if (!GetNextSubItem(holder.data, &c) || c.length == 0)
                return 0;
            if (c.data[0] == 0x30 && !GetNextSubItem(c.data, &c))
                return 0;
            for (int i = 0; i < 8 && c.length; ++i) {
                if (c.data[0] == 0xA4)
                    return found(rec, c);
                if (!next(c))
                    break;
            }
            return 0;
        }
        return issuer.data[0] == 0x30 ? found(rec, issuer) : 0;
    }
    static const struct {
        int code;
        unsigned char tag;
    } fields[] = {{CERT_SIGNATURE, 0x30}, {CERT_SERIAL, 0x02}, {CERT_VALIDITY, 0x30}, {CERT_ATTRIBUTES, 0x30}};
    for (const auto& f : fields) {
        if (!next(r) || r.data[0] != f.tag)
            return 0;
        if (code == f.code)
            return found(rec, r);
    }
    if (code != CERT_ACERT_ISSUERUID && code != CERT_EXTENSIONS)
        return 0;
    while (next(r)) {
        if (code == CERT_ACERT_ISSUERUID) {
            if (r.data[0] == 0x03)
                return found(rec, r);
            if (r.data[0] == 0x30) {
                DBs c = r;
                if (GetNextSubItem(r.data, &c) && c.length && c.data[0] == 0x03)
                    return found(rec, r);
            }
        } else if (r.data[0] == 0x30) {
            return found(rec, r);
        }
    }
    return 0;
}

int CASN1::GetCmsItem(const unsigned char* contentInfo, uint32_t length, int code, DBs* rec) {
    if (!rec)
        return 0;
    clear(rec);
    Asn1Header h;
    if (code != CMS_CONTENTTYPE || !contentInfo || !readHeader(contentInfo, length, h) || contentInfo[0] != 0x30)
        return 0;
    DBs r;
    r.data = const_cast<unsigned char*>(contentInfo);
    r.length = h.total();
    r.end = contentInfo + h.total();
    if (!GetNextSubItem(contentInfo, &r) || r.length == 0)
        return 0;
    return found(rec, r);
}

int CASN1::GetCertSignatureAlgo(const unsigned char* cert, uint32_t certLength) {
    DBs r;
    if (!enterTwoSequences(cert, certLength, r))
        return 0;
    // Back to the to-be-signed part, then its sibling: the signature AlgorithmIdentifier.
    Asn1Header h;
    if (!readHeader(cert, certLength, h))
        return 0;
    DBs t;
    t.data = const_cast<unsigned char*>(cert);
    t.length = h.total();
    t.end = cert + h.total();
    if (!GetNextSubItem(cert, &t) || !GetNextItem(t.data, &t) || t.data[0] != 0x30)
        return 0;
    if (!GetNextSubItem(t.data, &t) || t.length == 0 || t.data[0] != 0x06)
        return 0;
    static const struct {
        const char* der;
        unsigned len;
        int algo;
    } algos[] = {
        {"\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x05", 11, 1},
        {"\x06\x06\x2B\x24\x03\x03\x01\x02", 8, 2},
        {"\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x04", 11, 3},
        {"\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x0B", 11, 4},
        {"\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x0C", 11, 5},
        {"\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x0D", 11, 6},
        {"\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x0A", 11, 7},
    };
    for (const auto& a : algos)
        if (t.length == a.len && std::memcmp(t.data, a.der, a.len) == 0)
            return a.algo;
    return 0;
}

int CASN1::GetCertValue(const unsigned char* cert, uint32_t certLength, unsigned char* out, uint32_t outSize,
                        uint32_t* len) {
    if (len)
        *len = 0;
    Asn1Header h;
    if (!cert || !readHeader(cert, certLength, h) || cert[0] != 0x30)
        return 0;
    DBs t;
    t.data = const_cast<unsigned char*>(cert);
    t.length = h.total();
    t.end = cert + h.total();
    if (!GetNextSubItem(cert, &t) || t.length == 0)
        return 0;
    if (len)
        *len = t.length;
    if (!out)
        return 1;
    if (t.length > outSize)
        return 0;
    std::memcpy(out, t.data, t.length);
    return 1;
}
