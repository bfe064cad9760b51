// The OID name table and the lookups by dotted text.
#include <cstring>

#include "ASN1.h"
#include "asn1/OidTable.h"
#include "crypto/Algorithms.h"

// DER length, DER form, dotted text, display name; the row of length 0 ends the table.
// clang-format off
const Asn1OidEntry myOID[] = {
    {9, "\x06\x07\x2A\x86\x48\xCE\x3D\x02\x01", "1.2.840.10045.2.1", "ecPublicKey"},
    {10, "\x06\x08\x2A\x86\x48\xCE\x3D\x03\x01\x01", "1.2.840.10045.3.1.1", "prime192v1"},
    {10, "\x06\x08\x2A\x86\x48\xCE\x3D\x03\x01\x02", "1.2.840.10045.3.1.2", "prime192v2"},
    {10, "\x06\x08\x2A\x86\x48\xCE\x3D\x03\x01\x03", "1.2.840.10045.3.1.3", "prime192v3"},
    {11, "\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x01", "1.2.840.113549.1.1.1", "rsaEncryption"},
    {11, "\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x04", "1.2.840.113549.1.1.4", "md5withRSAEncryption"},
    {11, "\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x05", "1.2.840.113549.1.1.5", "sha1withRSAEncryption"},
    {11, "\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x0A", "1.2.840.113549.1.1.10", "RSASSA-PSS"},
    {11, "\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x0B", "1.2.840.113549.1.1.11", "sha256withRSAEncryption"},
    {11, "\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x0C", "1.2.840.113549.1.1.12", "sha384withRSAEncryption"},
    {11, "\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x0D", "1.2.840.113549.1.1.13", "sha512withRSAEncryption"},
    {11, "\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x09\x01", "1.2.840.113549.1.9.1", "emailAddress"},
    {7, "\x06\x05\x2B\x24\x08\x01\x01", "1.3.36.8.1.1", "id-isismtt-cp-sigconform"},
    {7, "\x06\x05\x2B\x24\x08\x03\x01", "1.3.36.8.3.1", "id-isismtt-at-dateOfCertGen"},
    {7, "\x06\x05\x2B\x24\x08\x03\x02", "1.3.36.8.3.2", "id-isismtt-at-procuration"},
    {7, "\x06\x05\x2B\x24\x08\x03\x03", "1.3.36.8.3.3", "id-isismtt-at-admission"},
    {7, "\x06\x05\x2B\x24\x08\x03\x04", "1.3.36.8.3.4", "id-isismtt-at-monetaryLimit"},
    {7, "\x06\x05\x2B\x24\x08\x03\x05", "1.3.36.8.3.5", "id-isismtt-at-declarationOfMajority"},
    {7, "\x06\x05\x2B\x24\x08\x03\x06", "1.3.36.8.3.6", "id-isismtt-at-ICCSN"},
    {7, "\x06\x05\x2B\x24\x08\x03\x07", "1.3.36.8.3.7", "id-isismtt-at-pKReference"},
    {7, "\x06\x05\x2B\x24\x08\x03\x08", "1.3.36.8.3.8", "id-isismtt-at-restriction"},
    {7, "\x06\x05\x2B\x24\x08\x03\x09", "1.3.36.8.3.9", "id-isismtt-at-retrieveIfAllowed"},
    {7, "\x06\x05\x2B\x24\x08\x03\x0A", "1.3.36.8.3.10", "id-isismtt-at-requestedCertificate"},
    {7, "\x06\x05\x2B\x24\x08\x03\x0B", "1.3.36.8.3.11", "id-isismtt-at-namingAuthorities"},
    {7, "\x06\x05\x2B\x24\x08\x03\x0C", "1.3.36.8.3.12", "id-isismtt-at-certInDirSince"},
    {7, "\x06\x05\x2B\x24\x08\x03\x0D", "1.3.36.8.3.13", "id-isismtt-at-certHash"},
    {7, "\x06\x05\x2B\x24\x08\x03\x0E", "1.3.36.8.3.14", "id-isismtt-at-nameAtBirth"},
    {7, "\x06\x05\x2B\x24\x08\x03\x0F", "1.3.36.8.3.15", "id-isismtt-at-additionalInformation"},
    {8, "\x06\x06\x2B\x24\x03\x03\x01\x02", "1.3.36.3.3.1.2", "ripemd160withRSAEncryption"},
    {9, "\x06\x07\x2B\x24\x03\x03\x02\x02\x01", "1.3.36.3.3.2.2.1", "sha1withECSIEEncryption"},
    {9, "\x06\x07\x2B\x24\x03\x03\x02\x02\x02", "1.3.36.3.3.2.2.2", "ripemd160withECSIEEncryption"},
    {10, "\x06\x08\x2B\x06\x01\x05\x05\x07\x01\x01", "1.3.6.1.5.5.7.1.1", "authorityInfoAccess"},
    {10, "\x06\x08\x2B\x06\x01\x05\x05\x07\x01\x03", "1.3.6.1.5.5.7.1.3", "qcStatements"},
    {10, "\x06\x08\x2B\x06\x01\x05\x05\x07\x09\x01", "1.3.6.1.5.5.7.9.1", "dateOfBirth"},
    {10, "\x06\x08\x2B\x06\x01\x05\x05\x07\x09\x02", "1.3.6.1.5.5.7.9.2", "placeOfBirth"},
    {10, "\x06\x08\x2B\x06\x01\x05\x05\x07\x09\x04", "1.3.6.1.5.5.7.9.4", "countryOfCitizenship"},
    {11, "\x06\x09\x2B\x06\x01\x04\x01\xC0\x6D\x03\x05", "1.3.6.1.4.1.8301.3.5", "validityModel"},
    {11, "\x06\x09\x60\x86\x48\x01\x86\xF8\x42\x01\x0D", "2.16.840.1.113730.1.13", "netscapeCertificateComment"},
    {11, "\x06\x09\x60\x86\x48\x01\x86\xF8\x42\x01\x02", "2.16.840.1.113730.1.2", "base-url"},
    {11, "\x06\x09\x60\x86\x48\x01\x86\xF8\x42\x01\x08", "2.16.840.1.113730.1.8", "ca-policy-url"},
    {8, "\x06\x06\x04\x00\x8E\x46\x01\x02", "0.4.0.1862.1.2", "QcEuLimitValue"},
    {5, "\x06\x03\x55\x04\x01", "2.5.4.1", "aliasedEntryName"},
    {5, "\x06\x03\x55\x04\x02", "2.5.4.2", "knowldgeinformation"},
    {5, "\x06\x03\x55\x04\x03", "2.5.4.3", "commonName"},
    {5, "\x06\x03\x55\x04\x04", "2.5.4.4", "surname"},
    {5, "\x06\x03\x55\x04\x05", "2.5.4.5", "serialNumber"},
    {5, "\x06\x03\x55\x04\x06", "2.5.4.6", "countryName"},
    {5, "\x06\x03\x55\x04\x07", "2.5.4.7", "localityName"},
    {5, "\x06\x03\x55\x04\x08", "2.5.4.8", "stateOrProvinceName"},
    {5, "\x06\x03\x55\x04\x09", "2.5.4.9", "streetAddress"},
    {5, "\x06\x03\x55\x04\x0A", "2.5.4.10", "organizationName"},
    {5, "\x06\x03\x55\x04\x0B", "2.5.4.11", "organizationalUnitName"},
    {5, "\x06\x03\x55\x04\x0C", "2.5.4.12", "title"},
    {5, "\x06\x03\x55\x04\x0D", "2.5.4.13", "description"},
    {5, "\x06\x03\x55\x04\x10", "2.5.4.16", "postalAddress"},
    {5, "\x06\x03\x55\x04\x2A", "2.5.4.42", "givenname"},
    {5, "\x06\x03\x55\x04\x41", "2.5.4.65", "pseudonym"},
    {5, "\x06\x03\x55\x1D\x09", "2.5.29.9", "subjectDirectoryAttributes"},
    {5, "\x06\x03\x55\x1D\x0E", "2.5.29.14", "subjectKeyIdentifier"},
    {5, "\x06\x03\x55\x1D\x0F", "2.5.29.15", "keyUsage"},
    {5, "\x06\x03\x55\x1D\x11", "2.5.29.17", "subjectAltName"},
    {5, "\x06\x03\x55\x1D\x12", "2.5.29.18", "issuerAltName"},
    {5, "\x06\x03\x55\x1D\x13", "2.5.29.19", "basicConstraints"},
    {5, "\x06\x03\x55\x1D\x1F", "2.5.29.31", "cRLDistributionPoints"},
    {5, "\x06\x03\x55\x1D\x20", "2.5.29.32", "certificatePolicies"},
    {5, "\x06\x03\x55\x1D\x23", "2.5.29.35", "authorityKeyIdentifier"},
    {9, "\x06\x07\x02\x82\x06\x01\x0A\x07\x14", "0.2.262.1.10.7.20", "nameDistinguisher"},
    {5, "\x06\x03\x55\x1D\x25", "2.5.29.37", "extended key usage"},
    {9, "\x06\x07\x2A\x86\x48\xCE\x3D\x04\x01", "1.2.840.10045.4.1", "ECDSA-with-SHA1"},
    {10, "\x06\x08\x2A\x86\x48\xCE\x3D\x04\x03\x01", "1.2.840.10045.4.3.1", "ECDSA-with-SHA224"},
    {10, "\x06\x08\x2A\x86\x48\xCE\x3D\x04\x03\x02", "1.2.840.10045.4.3.2", "ECDSA-with-SHA256"},
    {10, "\x06\x08\x2A\x86\x48\xCE\x3D\x04\x03\x03", "1.2.840.10045.4.3.3", "ECDSA-with-SHA384"},
    {10, "\x06\x08\x2A\x86\x48\xCE\x3D\x04\x03\x04", "1.2.840.10045.4.3.4", "ECDSA-with-SHA512"},
    {10, "\x06\x08\x2B\x06\x01\x05\x05\x07\x03\x09", "1.3.6.1.5.5.7.3.9", "OCSPSigning"},
    {10, "\x06\x08\x2B\x06\x01\x05\x05\x07\x03\x08", "1.3.6.1.5.5.7.3.8", "timeStamping"},
    {11, "\x06\x09\x2B\x06\x01\x05\x05\x07\x30\x01\x05", "1.3.6.1.5.5.7.48.1.5", "OCSP-nocheck"},
    {13, "\x06\x0B\x2A\x86\x48\x86\xF7\x0D\x01\x09\x10\x02\x2F", "1.2.840.113549.1.9.16.2.47", "id-aa-signingCertificateV2"},
    {13, "\x06\x0B\x2A\x86\x48\x86\xF7\x0D\x01\x09\x10\x02\x0E", "1.2.840.113549.1.9.16.2.14", "id-aa-signatureTimeStampToken"},
    {8, "\x06\x06\x04\x00\x8D\x45\x02\x04", "0.4.0.1733.2.4", "id-aa-ets-archiveTimestampV3"},
    {9, "\x06\x07\x04\x00\x81\x95\x32\x01\x05", "0.4.0.19122.1.5", "id-aa-ATSHashIndex-v3"},
    {10, "\x06\x08\x2B\x06\x01\x05\x05\x07\x10\x02", "1.3.6.1.5.5.7.16.2", "id-ri-ocsp-response"},
    {0, "", "0", "----"},
};
// clang-format on

namespace {

// OIDs the library writes by name that the display table above does not hold (its rows
// and their order are fixed for callers, so display lookups never see these). Same four
// fields; searched only by the lookups by name below.
const Asn1OidEntry kWrittenOids[] = {
    {11, "\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x09\x03", "1.2.840.113549.1.9.3", "contentType"},
    {11, "\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x09\x05", "1.2.840.113549.1.9.5", "signingTime"},
    {11, "\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x09\x04", "1.2.840.113549.1.9.4", "messageDigest"},
};

struct KindRow {
    const char* oid;
    int kind;
};

// Attribute kinds of attribute certificates.
// clang-format off
const KindRow attrKinds[] = {
    {"1.3.36.8.3.1", 1},
    {"1.3.36.8.3.4", 2},
    {"0.4.0.1862.1.2", 2},
    {"1.3.36.8.3.2", 3},
    {"1.3.36.8.3.3", 4},
    {"1.3.36.8.3.5", 5},
    {"1.3.36.8.3.6", 7},
    {"1.3.36.8.3.8", 8},
    {"1.3.36.8.3.15", 8},
    {"2.5.29.9", 9},
};
// clang-format on

// Extension kinds of certificates.
const KindRow extensionKinds[] = {
    {"2.5.29.35", 1},
    {"2.5.29.14", 2},
    {"2.5.29.15", 3},
    {"2.5.29.31", 4},
    {"1.3.6.1.5.5.7.1.1", 5},
    {"2.5.29.32", 6},
    {"1.3.6.1.5.5.7.1.3", 7},
    {"1.3.36.8.3.8", 10},
    {"1.3.36.8.3.15", 10},
    {"2.5.29.17", 12},
    {"2.5.29.18", 13},
    {"1.3.6.1.5.5.7.48.1.5", 16},
    {"2.16.840.1.113730.1.2", 17},
    {"2.16.840.1.113730.1.8", 18},
    {"2.5.29.37", 19},
    {"1.3.36.8.3.3", 20},
    {"1.3.36.8.3.6", 21},
};

template <size_t N>
int findKind(const KindRow (&rows)[N], const char* dotted) {
    if (!dotted)
        return 0;
    for (const auto& r : rows)
        if (std::strcmp(r.oid, dotted) == 0)
            return r.kind;
    return 0;
}

}  // namespace

const char* CASN1::getOIDDescr(const char* dotted) {
    if (!dotted)
        return nullptr;
    for (const Asn1OidEntry* e = myOID; e->length != 0; ++e)
        if (std::strcmp(e->oid, dotted) == 0)
            return e->name;
    return nullptr;
}

const char* CASN1::getOIDDescrOpt(const char* dotted) {
    const char* name = getOIDDescr(dotted);
    return name ? name : dotted;
}

int CASN1::getAttrCertType(const char* dotted) { return findKind(attrKinds, dotted); }

int CASN1::getExtensionCertType(const char* dotted) { return findKind(extensionKinds, dotted); }

unsigned int CASN1::getAlgoId(DBs rec) {
    const vn_crypto::Algorithm* a = vn_crypto::algorithm_for_oid_der(rec.data, rec.length);
    return (a ? *a : vn_crypto::algorithm_of(vn_crypto::DigestKind::SHA256)).cardAlgId;
}

namespace vn_asn1 {

const Asn1OidEntry* oid_entry(const char* name) {
    if (!name)
        return nullptr;
    for (const Asn1OidEntry* e = myOID; e->length != 0; ++e)
        if (std::strcmp(e->name, name) == 0)
            return e;
    for (const Asn1OidEntry& e : kWrittenOids)
        if (std::strcmp(e.name, name) == 0)
            return &e;
    return nullptr;
}

std::vector<unsigned char> oid_der(const char* name) {
    const Asn1OidEntry* e = oid_entry(name);
    if (!e)
        return {};
    const unsigned char* p = reinterpret_cast<const unsigned char*>(e->der);
    return std::vector<unsigned char>(p, p + e->length);
}

const char* oid_text(const char* name) {
    const Asn1OidEntry* e = oid_entry(name);
    return e ? e->oid : "";
}

}  // namespace vn_asn1
