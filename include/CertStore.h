// CCertStore: placeholder for a system certificate store. Every operation returns 0 and
// does nothing.
#ifndef VN_CERTSTORE_H
#define VN_CERTSTORE_H

#include "vn_export.h"

class VN_EXPORT CCertStore {
public:
    CCertStore() = default;
    virtual ~CCertStore() = default;

    int GetCertNum();
    int GetCert(int index, unsigned char* out, unsigned int* outLength);
    int EncryptMsg(const unsigned char* data, unsigned int length, const unsigned char* cert, unsigned int certLength,
                   unsigned char* out, unsigned int* outLength);
    int EncryptMsgMulti(const unsigned char* data, unsigned int length, const unsigned char** certs,
                        const unsigned int* certLengths, int certCount, unsigned char* out, unsigned int* outLength);
    int GetCipherCert(const unsigned char* msg, unsigned int length, unsigned char* out, unsigned int* outLength);
    int DecryptMsg(const unsigned char* msg, unsigned int length, unsigned char* out, unsigned int* outLength);
};

#endif
