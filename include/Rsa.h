// CRsa: raw RSA (no padding) with an OpenSSL key.
#ifndef VN_RSA_H
#define VN_RSA_H

#include <log4cxx/logger.h>

#include "vn_export.h"

class VN_EXPORT CRsa {
public:
    CRsa();
    ~CRsa();
    CRsa(const CRsa&) = delete;
    CRsa& operator=(const CRsa&) = delete;

    // A new key pair of bits bits with the given public exponent. 0 or -1.
    int GenerateKey(int bits, unsigned long exponent = 65537);
    // A public key from big-endian modulus and exponent. 0 or -1.
    int SetPublicKey(const unsigned char* n, int nLength, const unsigned char* e, int eLength);
    // A private key from modulus, public and private exponent. 0 or -1.
    int SetPrivateKey(const unsigned char* n, int nLength, const unsigned char* e, int eLength, const unsigned char* d,
                      int dLength);
    bool HasPrivateKey() const;
    // Size of the modulus in bytes (0 without a key).
    int GetModulusSize() const;
    // n, e or d as big-endian bytes without leading zeros: *length holds the size of out
    // on entry and the bytes written on return; -1 when missing or out is too small
    // (*length then tells the size needed).
    int GetModulus(unsigned char* out, int* length) const;
    int GetPublicExponent(unsigned char* out, int* length) const;
    int GetPrivateExponent(unsigned char* out, int* length) const;

    // Raw RSA. in is a big-endian number (inLength up to the modulus size, below the
    // modulus); out receives exactly GetModulusSize() bytes and outLength must be at
    // least that. Returns the bytes written, or -1 (logged with OpenSSL's error text).
    int PublicEncrypt(const unsigned char* in, int inLength, unsigned char* out, int outLength);
    int PublicDecrypt(const unsigned char* in, int inLength, unsigned char* out, int outLength);
    int PrivateEncrypt(const unsigned char* in, int inLength, unsigned char* out, int outLength);
    int PrivateDecrypt(const unsigned char* in, int inLength, unsigned char* out, int outLength);

    static log4cxx::LoggerPtr m_logger;

private:
    int rawOp(int which, const unsigned char* in, int inLength, unsigned char* out, int outLength);
    void* m_rsa = nullptr;  // RSA*, owned
};

#endif
