// Rows of the OID tables found by their display name, for code that writes an OID: the
// exported display table, then the OIDs the library writes that the display table lacks
// (the CAdES signed attributes). Every OID the library writes by name is declared there once.
#ifndef VN_ASN1_OIDTABLE_H
#define VN_ASN1_OIDTABLE_H

#include <vector>

#include "ASN1.h"

namespace vn_asn1 {

// The row named name; null when the table has none.
const Asn1OidEntry* oid_entry(const char* name);
// The DER (06 LL ...) of the row named name; empty when the table has none.
std::vector<unsigned char> oid_der(const char* name);
// The dotted text of the row named name; "" when the table has none.
const char* oid_text(const char* name);

}  // namespace vn_asn1

#endif
