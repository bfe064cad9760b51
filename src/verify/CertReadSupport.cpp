// Shared pieces of the static DER readers of CCertInfo.
#include "verify/CertReadSupport.h"

#include <cstdio>

#include "ExtensionSSL.h"

using vnder::Item;

namespace vncert {

namespace {

// Extension kinds of CASN1::getExtensionCertType that have a formatter.
enum ExtensionKind {
    ExtAuthorityKeyId = 1,
    ExtSubjectKeyId = 2,
    ExtKeyUsage = 3,
    ExtCrlDistributionPoints = 4,
    ExtAuthorityInfoAccess = 5,
    ExtCertificatePolicies = 6,
    ExtQcStatements = 7,
    ExtRestriction = 10,
    ExtSubjectAltName = 12,
    ExtIssuerAltName = 13
};

// Attribute kinds of CASN1::getAttrCertType that have a formatter.
enum AttributeKind {
    AttrMonetary = 2,
    AttrProcuration = 3,
    AttrAdmission = 4,
    AttrMajority = 5,
    AttrIccsn = 7,
    AttrRestriction = 8,
    AttrDirectoryAttributes = 9
};

typedef char* (*Formatter)(const unsigned char*, unsigned int);

Formatter extensionFormatter(int kind) {
    switch (kind) {
    case ExtAuthorityKeyId: return CExtensionSSL::getAuthorityKeyIdent;
    case ExtSubjectKeyId: return CExtensionSSL::getSubjectKeyIdent;
    case ExtKeyUsage: return CExtensionSSL::getKeyUsage;
    case ExtCrlDistributionPoints: return CExtensionSSL::getCRLDistrbutionPoints;
    case ExtAuthorityInfoAccess: return CExtensionSSL::getAuthorityInfoAccess;
    case ExtCertificatePolicies: return CExtensionSSL::getCertPolicies;
    case ExtQcStatements: return CExtensionSSL::getQSTatements;
    case ExtRestriction: return CExtensionSSL::getRestriction;
    case ExtSubjectAltName: return CExtensionSSL::getSubjectAltName;
    case ExtIssuerAltName: return CExtensionSSL::getIssuerAltName;
    default: return nullptr;
    }
}

Formatter attributeFormatter(int kind) {
    switch (kind) {
    case AttrMonetary: return CRestrictionSSL::getRestrictionMonetary;
    case AttrProcuration: return CRestrictionSSL::getRestrictionProkura;
    case AttrAdmission: return CRestrictionSSL::getRestrictionAdmission;
    case AttrMajority: return CRestrictionSSL::getRestrictionMajority;
    case AttrIccsn: return CRestrictionSSL::getRestrictionAdditional;
    case AttrRestriction: return CRestrictionSSL::getRestriction;
    case AttrDirectoryAttributes: return CRestrictionSSL::getRestrictionIdentity;
    default: return nullptr;
    }
}

// OID of an element SEQUENCE { OID, ... }, the formatter for its kind, and the bytes behind
// the OID up to the element's end.
std::string formatted(const Item& element, int (*kindOf)(const char*), Formatter (*formatterOf)(int)) {
    Item id, rest;
    if (element.tag() != 0x30 || !vnder::first(element, id) || id.tag() != 0x06 || !vnder::next(element, id, rest))
        return std::string();
    const std::string dotted = vnder::oid(id);
    const Formatter f = formatterOf(kindOf(dotted.c_str()));
    if (!f)
        return std::string();
    const unsigned char* end = element.c + element.n;
    return f(rest.p, static_cast<unsigned int>(end - rest.p));
}

int twoDigitYear(int yy) { return yy < 50 ? 2000 + yy : 1900 + yy; }

}  // namespace

bool field(const unsigned char* der, unsigned int length, int code, bool attr, Item& out) {
    out = Item();
    DBs rec;
    const int ok = attr ? CASN1::GetAttrCertItem(der, length, code, &rec) : CASN1::GetCertItem(der, length, code, &rec);
    if (!ok || !rec.data || rec.length == 0)
        return false;
    return vnder::at(rec.data, rec.length, out);
}

time_t timeSeconds(const Item& t) {
    if ((t.tag() != 0x17 && t.tag() != 0x18) || t.n >= 32)
        return 0;
    char text[32] = {0};
    std::memcpy(text, t.c, t.n);
    struct tm tm {};
    int year = 0;
    int got;
    if (t.tag() == 0x18) {
        got = std::sscanf(text, "%4d%2d%2d%2d%2d%2dZ", &year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min,
                          &tm.tm_sec);
    } else {
        got = std::sscanf(text, "%2d%2d%2d%2d%2d%2dZ", &year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min,
                          &tm.tm_sec);
        year = twoDigitYear(year);
    }
    if (got != 6 || tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 ||
        tm.tm_min > 59 || tm.tm_sec > 60 || tm.tm_hour < 0 || tm.tm_min < 0 || tm.tm_sec < 0)
        return 0;
    tm.tm_year = year - 1900;
    tm.tm_mon -= 1;
    const time_t s = timegm(&tm);
    return s == static_cast<time_t>(-1) ? 0 : s;
}

std::string serialHex(const Item& serial) {
    if (serial.tag() != 0x02 || serial.n == 0)
        return std::string();
    uint32_t skip = 0;
    while (skip + 1 < serial.n && serial.c[skip] == 0)
        ++skip;
    return vnder::hex(serial, skip);
}

bool listElement(const Item& list, int index, Item& element) { return vnder::child(list, index, element); }

std::string extensionText(const Item& extension) {
    return formatted(extension, CASN1::getExtensionCertType, extensionFormatter);
}

std::string attributeText(const Item& attribute) {
    return formatted(attribute, CASN1::getAttrCertType, attributeFormatter);
}

char* result(char* buf, const std::string& text) {
    TextOut out(buf, ReaderTextSize);
    out << text;
    return out.get();
}

}  // namespace vncert
