// Shared pieces of the static DER readers of CCertInfo: fields located through the
// decoder, validity times as seconds, extension lists and their texts.
#ifndef VN_VERIFY_CERTREADSUPPORT_H
#define VN_VERIFY_CERTREADSUPPORT_H

#include <ctime>
#include <string>

#include "CertInfo.h"
#include "verify/DerWalk.h"

namespace vncert {

// Size of each static text result of the readers.
const size_t ReaderTextSize = CASN1::ResultSize;

// The field of a certificate (attr false) or attribute certificate (attr true) by item code.
bool field(const unsigned char* der, unsigned int length, int code, bool attr, vnder::Item& out);

// Seconds since 1970 (UTC) of a UTCTime or GeneralizedTime item; 0 for any other item.
time_t timeSeconds(const vnder::Item& t);

// Serial number INTEGER as upper-case hex without leading zero bytes.
std::string serialHex(const vnder::Item& serial);

// The index-th element of a list (SEQUENCE OF Extension or Attribute).
bool listElement(const vnder::Item& list, int index, vnder::Item& element);

// The text of an extension (SEQUENCE { OID, [critical], OCTET STRING }) by its kind.
std::string extensionText(const vnder::Item& extension);
// The text of an attribute (SEQUENCE { OID, SET OF values }) by its kind.
std::string attributeText(const vnder::Item& attribute);

// Copies text into a process-wide result buffer and returns it.
char* result(char* buf, const std::string& text);

}  // namespace vncert

#endif
