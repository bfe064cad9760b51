// Insertion of a timestamp token into finished signed data, directly on its bytes.
#ifndef VN_SIGN_TIMESTAMPATTRIBUTE_H
#define VN_SIGN_TIMESTAMPATTRIBUTE_H

namespace vn_sign {

// Appends token as the id-aa-timeStampToken unsigned attribute of the first signer of the
// DER ContentInfo of SignedData in blob (*length bytes, capacity bytes of room) and rewrites
// the lengths of the enclosing items; *length becomes the new length. False, with blob
// untouched, when blob is no such signed data, its signer has unsigned attributes already,
// or the grown data would not fit.
bool insert_timestamp_token(unsigned char* blob, unsigned int* length, const unsigned char* token,
                            unsigned int tokenLength, unsigned int capacity);

}  // namespace vn_sign

#endif
