// X.500 names and GeneralNames as one line of text.
#include "asn1/Asn1Text.h"

using asn1text::Result;

namespace {
char genNameBuf[CASN1::ResultSize];

const int MaxNameDepth = 4;

bool isNameString(unsigned char tag) { return tag == 0x0C || tag == 0x13 || tag == 0x16 || tag == 0x14 || tag == 0x1E; }

void appendPiece(std::string& out, const std::string& piece) {
    if (!out.empty())
        out += ", ";
    out += piece;
}

void formatName(const unsigned char* item, uint32_t total, int depth, std::string& out);

// The text of one string value.
std::string valueText(const DBs& v) {
    const unsigned char* c;
    uint32_t n;
    if (!asn1text::content(v.data, v.length, c, n))
        return std::string();
    if (v.data[0] == 0x1E)
        return asn1text::bmpToUtf8(c, n);
    return std::string(reinterpret_cast<const char*>(c), n);
}

// One AttributeTypeAndValue: "name=value".
std::string attributeText(const DBs& seq) {
    DBs a = seq;
    if (!CASN1::GetNextSubItem(seq.data, &a) || a.length == 0)
        return std::string();
    std::string piece;
    std::string dotted;
    const unsigned char* c;
    uint32_t n;
    if (a.data[0] == 0x06 && asn1text::content(a.data, a.length, c, n) && asn1text::oidText(c, n, dotted)) {
        const char* name = CASN1::getOIDDescr(dotted.c_str());
        piece = name ? name : dotted;
    } else {
        piece = "unknownOID";
    }
    piece += "=";
    while (CASN1::GetNextItem(a.data, &a)) {
        if (!isNameString(a.data[0]))
            break;
        piece += valueText(a);
    }
    return piece;
}

// The elements of a Name (SEQUENCE OF SET OF AttributeTypeAndValue), first element at rec.
void formatRdns(DBs rec, std::string& out) {
    do {
        if (rec.data[0] != 0x31)
            continue;
        DBs s = rec;
        if (!CASN1::GetNextSubItem(rec.data, &s) || s.length == 0)
            continue;
        do {
            if (s.data[0] == 0x30)
                appendPiece(out, attributeText(s));
        } while (CASN1::GetNextItem(s.data, &s));
    } while (CASN1::GetNextItem(rec.data, &rec));
}

// GeneralNames: the consecutive context-specific elements from rec on.
void formatGeneralNames(DBs rec, int depth, std::string& out) {
    do {
        const unsigned char tag = rec.data[0];
        if (!(tag & 0x80))
            break;
        if (tag == 0xA4) {
            DBs inner = rec;
            if (depth < MaxNameDepth && CASN1::GetNextSubItem(rec.data, &inner) && inner.length) {
                std::string name;
                formatName(inner.data, inner.length, depth + 1, name);
                appendPiece(out, name);
            }
        } else if (!(tag & 0x20)) {
            const unsigned char* c;
            uint32_t n;
            if (asn1text::content(rec.data, rec.length, c, n))
                appendPiece(out, std::string(reinterpret_cast<const char*>(c), n));
        }
    } while (CASN1::GetNextItem(rec.data, &rec));
}

void formatName(const unsigned char* item, uint32_t total, int depth, std::string& out) {
    Asn1Header h;
    if (!CASN1::readHeader(item, total, h))
        return;
    DBs rec;
    rec.data = const_cast<unsigned char*>(item);
    rec.length = h.total();
    rec.end = item + h.total();
    if (item[0] == 0x30) {
        if (!CASN1::GetNextSubItem(item, &rec) || rec.length == 0)
            return;
    }
    if (rec.data[0] & 0x80)
        formatGeneralNames(rec, depth, out);
    else
        formatRdns(rec, out);
}
}  // namespace

char* CASN1::getGenName(const unsigned char* item, uint32_t total) {
    Result r(genNameBuf);
    if (!item)
        return r.fail();
    try {
        std::string text;
        formatName(item, total, 0, text);
        r.appendTruncated(text.data(), text.size());
    } catch (...) {
        return r.fail();
    }
    return r.get();
}
