// CRsaSmall: raw RSA on the library's multi-precision numbers (up to 128 digits of 32
// bits, 4096 bits), used by the secure-messaging key agreement.
#ifndef VN_RSASMALL_H
#define VN_RSASMALL_H

#include "vn_export.h"

class VN_EXPORT CRsaSmall {
public:
    // Largest number of 32-bit digits of any key component.
    static const int MAX_DIGITS = 128;

    CRsaSmall();
    virtual ~CRsaSmall();
    CRsaSmall(const CRsaSmall&) = delete;
    CRsaSmall& operator=(const CRsaSmall&) = delete;

    // Load one key component from a big-endian byte string. 0, or -1 for a null
    // pointer or a value longer than MAX_DIGITS digits (leading zero bytes do not count).
    int Set_n(unsigned char* data, unsigned short length);
    int Set_e(unsigned char* data, unsigned short length);
    int Set_d(unsigned char* data, unsigned short length);
    int Set_p(unsigned char* data, unsigned short length);
    int Set_q(unsigned char* data, unsigned short length);
    int Set_dmp1(unsigned char* data, unsigned short length);
    int Set_dmq1(unsigned char* data, unsigned short length);
    int Set_iqmp(unsigned char* data, unsigned short length);

    // Raw RSA without padding. in: big-endian number of inLength bytes, which must be
    // below the modulus; out: the result left-padded with zeros to outLength bytes.
    // Public operations compute in^e mod n, private ones in^d mod n (through the CRT
    // values when d is not loaded but p, q, dmp1, dmq1 and iqmp are).
    // 0, or -1 with out untouched when a pointer is null, a length is negative, the key
    // part is missing, the input is not below the modulus or the result does not fit.
    int PublicKeyEncrypt(unsigned char* in, int inLength, unsigned char* out, int outLength);
    int PublicKeyDecrypt(unsigned char* in, int inLength, unsigned char* out, int outLength);
    int PrivateKeyEncrypt(unsigned char* in, int inLength, unsigned char* out, int outLength);
    int PrivateKeyDecrypt(unsigned char* in, int inLength, unsigned char* out, int outLength);
    // The private operation.
    int RsaDP(unsigned char* in, int inLength, unsigned char* out, int outLength);

    // Copy out n or e as big-endian bytes without leading zeros. *length holds the size
    // of out on entry and the bytes written on return. -1 when the part is not loaded,
    // a pointer is null, or out is too small (then *length tells the size needed).
    int PubKeyGetModulus(unsigned char* out, int* length);
    int PubKeyGetExponent(unsigned char* out, int* length);

protected:
    // Allocates *target (MAX_DIGITS digits) when needed and loads the value into it.
    int Set(unsigned int** target, unsigned char* data, unsigned short length);

private:
    int publicOp(unsigned char* in, int inLength, unsigned char* out, int outLength);
    int privateOp(unsigned char* in, int inLength, unsigned char* out, int outLength);
    int getPart(const unsigned int* part, unsigned char* out, int* length) const;

    unsigned int* m_n = nullptr;
    unsigned int* m_e = nullptr;
    unsigned int* m_d = nullptr;
    unsigned int* m_p = nullptr;
    unsigned int* m_q = nullptr;
    unsigned int* m_dmp1 = nullptr;
    unsigned int* m_dmq1 = nullptr;
    unsigned int* m_iqmp = nullptr;
};

#endif
