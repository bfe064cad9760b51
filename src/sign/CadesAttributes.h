// The CAdES attributes the library writes and reads: which are signed, which numeric level
// of new signatures leaves a signed one out, and which baseline level an unsigned one marks.
// The builder of new signatures and the level of existing ones both read this one table.
#ifndef VN_SIGN_CADESATTRIBUTES_H
#define VN_SIGN_CADESATTRIBUTES_H

#include <cstdint>
#include <string>
#include <vector>

namespace vn_sign {

// Whether a new signature at the numeric CAdES level (CSignMessage::setCAdES_Level) carries
// the signed attribute of this dotted OID; false for any OID that is no signed attribute.
bool cades_signed_attribute_allowed(const std::string& oid, int cadesLevel);

// The baseline level (VN_CADES_B_B ... VN_CADES_B_LTA) of a signer by its unsigned
// attributes (each whole DER Attribute) and whether the SignedData carries revocation values.
int cades_level_of(const std::vector<std::vector<uint8_t>>& unsignedAttrs, bool hasRevocationValues);

}  // namespace vn_sign

#endif
