// Two-key triple DES in CBC mode and the retail MAC over OpenSSL's DES.
#include "Des.h"

#include <cstring>

extern "C" {

int DES_3cbc_encrypt(const unsigned char* input, unsigned char* output, long length, DES_key_schedule* ks1,
                     DES_key_schedule* ks2, DES_cblock* ivec, int enc) {
    if (!input || !output || !ks1 || !ks2 || !ivec || length < 0 || length % 8 != 0)
        return -1;
    if (length)
        DES_ede3_cbc_encrypt(input, output, length, ks1, ks2, ks1, ivec, enc);
    return 0;
}

int DES_retail_mac(const unsigned char* input, long length, DES_key_schedule* ks1, DES_key_schedule* ks2,
                   const_DES_cblock* ivec, DES_cblock* mac) {
    if ((!input && length) || !ks1 || !ks2 || !mac || length < 0)
        return -1;
    DES_cblock chain;
    if (ivec)
        std::memcpy(chain, *ivec, 8);
    else
        std::memset(chain, 0, 8);
    long pos = 0;
    do {
        DES_cblock block;
        std::memset(block, 0, 8);
        const long take = length - pos < 8 ? length - pos : 8;
        if (take > 0)
            std::memcpy(block, input + pos, static_cast<size_t>(take));
        for (int i = 0; i < 8; ++i)
            block[i] ^= chain[i];
        DES_ecb_encrypt(&block, &chain, ks1, DES_ENCRYPT);
        pos += 8;
    } while (pos < length);
    DES_cblock tmp;
    DES_ecb_encrypt(&chain, &tmp, ks2, DES_DECRYPT);
    DES_ecb_encrypt(&tmp, mac, ks1, DES_ENCRYPT);
    return 0;
}

int cardos_sm4h(unsigned char*, int, unsigned char*, int*) { return -1; }

int cardos_sm4hmac(unsigned char*, int, unsigned char*, int*) { return -1; }
}
