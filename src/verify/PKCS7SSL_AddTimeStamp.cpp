// AddTimeStamp: appends a timestamp token as an unsigned attribute of the first signer
// (the insertion on the bytes is the signing side's, sign/TimestampAttribute).
#include <climits>

#include "PKCS7SSL.h"
#include "infra/Loggers.h"
#include "sign/TimestampAttribute.h"

namespace {

// Growth of an insertion whose five headers are all in the form 82 hh ll: A1, SEQUENCE
// and SET headers (4 bytes each) and the 13-byte OID.
constexpr unsigned int TIMESTAMP_OVERHEAD = 25;

}  // namespace

int CPKCS7SSL::AddTimeStamp(unsigned char* blob, unsigned int* length, unsigned char* token, unsigned int tokenLength,
                            unsigned int capacity) {
    VN_TRACE_ENTER(m_logger, "AddTimeStamp");
    return vn_sign::insert_timestamp_token(blob, length, token, tokenLength, capacity) ? 0 : NOT_FOUND;
}

int CPKCS7SSL::AddTimeStamp(unsigned char* blob, unsigned int* length, unsigned char* token, unsigned int tokenLength) {
    if (!length || tokenLength > UINT_MAX - TIMESTAMP_OVERHEAD || *length > UINT_MAX - TIMESTAMP_OVERHEAD - tokenLength)
        return NOT_FOUND;
    return AddTimeStamp(blob, length, token, tokenLength, *length + tokenLength + TIMESTAMP_OVERHEAD);
}
