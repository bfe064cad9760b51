// A certificate read from a card: its label, DER bytes and whether it is a CA certificate.
#ifndef VN_CERTINFOSC_H
#define VN_CERTINFOSC_H

#include <cstddef>
#include <string>
#include <vector>

#include "vn_export.h"

class VN_EXPORT CCertInfoSC {
public:
    CCertInfoSC(std::string label, unsigned char* data, unsigned short length);
    virtual ~CCertInfoSC();

    const std::string& getLabel() const { return m_label; }
    unsigned char* getCertData() { return m_data.empty() ? nullptr : m_data.data(); }
    unsigned short getCertDataLen() const { return m_length; }
    bool isCA() const { return m_isCA; }
    void setCA(bool ca) { m_isCA = ca; }
    // Text forms of the subject, issuer and serial number ("" when the DER is no certificate).
    std::string getSubject() const;
    std::string getIssuer() const;
    std::string getSerialNum() const;
    // DER of a certificate item: 1 subject, 3 issuer, others as the DER reader numbers them
    // (item + 100). *length is the capacity of out on entry; 1 on success.
    int getDER(int item, unsigned char* out, unsigned int* length) const;
    // RSA public key of the certificate, big-endian without leading zeros. *length is the
    // capacity of out on entry and the value's length on return (out null: length only);
    // bits, when given, gets the modulus length in bits. 1 on success, 0 for no RSA key or
    // too small a buffer.
    int GetPublicKeyMod(unsigned char* out, unsigned int* length, unsigned int* bits = nullptr) const;
    int GetPublicKeyExp(unsigned char* out, unsigned int* length) const;
    // The placeholder that stands for a container without a certificate: labelled "dummy"
    // or holding no bytes.
    bool IsVistaDummyCert() const;

    // Drops a userCertificate wrapper (SEQUENCE { OID 2.5.4.36, certificate }) by moving
    // the certificate to the start of data, then sets *length to the full DER length of
    // the object at the start (never more than *length).
    static void CorrectCert(unsigned char* data, unsigned short* length);
    // Header and total length of the definite-length DER item at data, from its header
    // alone (avail bytes readable); false for a malformed or indefinite header.
    static bool derHeader(const unsigned char* data, size_t avail, unsigned int* headerLength,
                          unsigned int* totalLength);

    std::string m_label;
    std::vector<unsigned char> m_data;
    unsigned short m_length;
    bool m_isCA;
};

#endif
