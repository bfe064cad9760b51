// The one table of CAdES attributes, read by the signed-attribute builder and by the level
// of a signature.
#include "sign/CadesAttributes.h"

#include "CadesLevel.h"
#include "asn1/OidTable.h"
#include "sign/CadesInternal.h"

namespace vn_sign {

namespace {

enum class Placement { Signed, Unsigned };

// No numeric level leaves the attribute out.
constexpr int KEPT_AT_EVERY_LEVEL = -1;
// Numeric levels of new signatures that leave one signed attribute out.
constexpr int LEVEL_WITHOUT_SIGNING_TIME = 1;
constexpr int LEVEL_WITHOUT_SIGNING_CERTIFICATE = 5;

struct AttributeRule {
    const char* name;  // row of the OID tables
    Placement placement;
    int leftOutAt;   // signed: the numeric level that leaves it out
    int marksLevel;  // unsigned: the baseline level its presence gives (VN_CADES_LEVEL_NONE: none)
};

// Signed rows in the order the builder writes them. messageDigest is kept at every level:
// signed attributes without it could not be verified (RFC 5652 5.3).
// clang-format off
const AttributeRule kAttributes[] = {
    {"contentType",                   Placement::Signed,   KEPT_AT_EVERY_LEVEL,               VN_CADES_LEVEL_NONE},
    {"signingTime",                   Placement::Signed,   LEVEL_WITHOUT_SIGNING_TIME,        VN_CADES_LEVEL_NONE},
    {"messageDigest",                 Placement::Signed,   KEPT_AT_EVERY_LEVEL,               VN_CADES_LEVEL_NONE},
    {"id-aa-signingCertificateV2",    Placement::Signed,   LEVEL_WITHOUT_SIGNING_CERTIFICATE, VN_CADES_LEVEL_NONE},
    {"id-aa-signatureTimeStampToken", Placement::Unsigned, KEPT_AT_EVERY_LEVEL,               VN_CADES_B_T},
    {"id-aa-ets-archiveTimestampV3",  Placement::Unsigned, KEPT_AT_EVERY_LEVEL,               VN_CADES_B_LTA},
    {"id-aa-ATSHashIndex-v3",         Placement::Unsigned, KEPT_AT_EVERY_LEVEL,               VN_CADES_LEVEL_NONE},
};
// clang-format on

}  // namespace

bool cades_signed_attribute_allowed(const std::string& oid, int cadesLevel) {
    for (const AttributeRule& r : kAttributes)
        if (r.placement == Placement::Signed && oid == vn_asn1::oid_text(r.name))
            return r.leftOutAt == KEPT_AT_EVERY_LEVEL || r.leftOutAt != cadesLevel;
    return false;
}

int cades_level_of(const std::vector<Bytes>& unsignedAttrs, bool hasRevocationValues) {
    int level = VN_CADES_B_B;
    for (const AttributeRule& r : kAttributes) {
        if (r.placement != Placement::Unsigned || r.marksLevel <= level)
            continue;
        const Bytes oid = vn_asn1::oid_der(r.name);
        for (const Bytes& a : unsignedAttrs)
            if (attribute_has_oid(a, oid)) {
                level = r.marksLevel;
                break;
            }
    }
    // A signature timestamp with revocation values in the SignedData is the long-term level.
    if (level == VN_CADES_B_T && hasRevocationValues)
        return VN_CADES_B_LT;
    return level;
}

}  // namespace vn_sign
