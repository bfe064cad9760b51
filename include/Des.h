// Two-key triple DES in CBC mode and the ISO/IEC 9797-1 retail MAC (MAC algorithm 3),
// next to the single-DES and triple-DES functions of OpenSSL's libcrypto
// (DES_set_key_unchecked, DES_ecb_encrypt, DES_cbc_encrypt, DES_ede3_cbc_encrypt,
// DES_ecb3_encrypt with the two-key form DES_ecb2_encrypt, DES_cbc_cksum,
// DES_set_odd_parity, DES_is_weak_key), which this library uses as they are.
#ifndef VN_DES_H
#define VN_DES_H

#include <openssl/des.h>

#include "vn_export.h"

extern "C" {

// Two-key triple DES (encrypt with ks1, decrypt with ks2, encrypt with ks1) in CBC mode
// over length bytes; ivec is updated to the last cipher block. enc: DES_ENCRYPT or
// DES_DECRYPT. Returns 0, or -1 with nothing written when a pointer is null or length
// is negative or not a multiple of 8.
VN_EXPORT int DES_3cbc_encrypt(const unsigned char* input, unsigned char* output, long length, DES_key_schedule* ks1,
                               DES_key_schedule* ks2, DES_cblock* ivec, int enc);

// Retail MAC: single-DES CBC with ks1 over all blocks, starting from ivec (zeros when
// null), then the last block's result is decrypted with ks2 and encrypted with ks1.
// The caller pads the data; a trailing partial block is completed with zero bytes.
// Writes the 8-byte MAC to mac. Returns 0, or -1 (nothing written) for null pointers
// or a negative length.
VN_EXPORT int DES_retail_mac(const unsigned char* input, long length, DES_key_schedule* ks1, DES_key_schedule* ks2,
                             const_DES_cblock* ivec, DES_cblock* mac);

// Secure-messaging wrapping of CardOS commands. Not supported by this library: both
// write nothing and return -1.
VN_EXPORT int cardos_sm4h(unsigned char* apdu, int apduLength, unsigned char* out, int* outLength);
VN_EXPORT int cardos_sm4hmac(unsigned char* apdu, int apduLength, unsigned char* out, int* outLength);
}

#endif
