// Certificate and public-key objects: the facts about a signer certificate that the
// library's own CMS encoder needs (issuer, serial number, key kind and size), and the
// conversion of a raw ECDSA signature to its DER form.
#ifndef VN_ASN1CERT_H
#define VN_ASN1CERT_H

#include <memory>
#include <string>

#include "Asn1AlgoIdent.h"
#include "Asn1Base.h"
#include "vn_export.h"

class VN_EXPORT CAsn1_PublicKeyRSA : public CAsn1Base {
public:
    CAsn1_PublicKeyRSA();
    // A subjectPublicKey BIT STRING holding an RSAPublicKey.
    CAsn1_PublicKeyRSA(const unsigned char* der, unsigned int size);
    explicit CAsn1_PublicKeyRSA(const CAsn1_BitString* bits);
    ~CAsn1_PublicKeyRSA() override;
    int decode() override;
    int encode() override;
    // Bits of the modulus (its leading zero bytes not counted), 0 without a modulus.
    int getKeySize() const;
    CAsn1_OctetString* getModulus() const { return m_modulus.get(); }
    CAsn1_Int* getExponent() const { return m_exponent.get(); }

private:
    std::unique_ptr<CAsn1_OctetString> m_modulus;
    std::unique_ptr<CAsn1_Int> m_exponent;
};

class VN_EXPORT CAsn1_PublicKeyEC : public CAsn1Base {
public:
    CAsn1_PublicKeyEC();
    CAsn1_PublicKeyEC(const unsigned char* der, unsigned int size);
    explicit CAsn1_PublicKeyEC(const CAsn1_BitString* bits);
    ~CAsn1_PublicKeyEC() override;
    int decode() override;
    int encode() override;
    // Bytes of the key point, 0 without one.
    int getKeySize() const;
    // A new object owned by the caller: the curve identifier's encoding, else the null
    // marker's, else the key point's bytes; null when nothing is set.
    CAsn1_OctetString* getKeyValue() const;
    CAsn1_Oid* getCurve() const { return m_curve.get(); }
    CAsn1_BitString* getKeyPoint() const { return m_keyPoint.get(); }

private:
    std::unique_ptr<CAsn1_Oid> m_curve;
    std::unique_ptr<CAsn1_NullTag> m_null;
    std::unique_ptr<CAsn1_BitString> m_keyPoint;
};

class VN_EXPORT CAsn1_PublicKey : public CAsn1Base {
public:
    CAsn1_PublicKey();
    // A subjectPublicKeyInfo SEQUENCE.
    CAsn1_PublicKey(const unsigned char* der, unsigned int size);
    ~CAsn1_PublicKey() override;
    int decode() override;
    int encode() override;

    std::string getAlgoOID() const;
    bool isRSA() const;
    bool isEC() const;
    // Key length in bits: the RSA modulus bits, or the size of a known EC curve; else 0.
    int getKeyLength();
    CAsn1_AlgoIdent* getAlgorithm() const { return m_algorithm.get(); }
    CAsn1_BitString* getKeyBits() const { return m_keyBits.get(); }
    CAsn1_PublicKeyRSA* getRSAKey() const { return m_rsa.get(); }
    CAsn1_PublicKeyEC* getECKey() const { return m_ec.get(); }

    // Bits of a named curve, 0 when the curve table lacks it.
    static int curveBits(const std::string& curveOid);

private:
    std::unique_ptr<CAsn1_AlgoIdent> m_algorithm;
    std::unique_ptr<CAsn1_BitString> m_keyBits;
    std::unique_ptr<CAsn1_PublicKeyRSA> m_rsa;
    std::unique_ptr<CAsn1_PublicKeyEC> m_ec;
};

class VN_EXPORT CAsn1_Cert : public CAsn1Base {
public:
    CAsn1_Cert();
    CAsn1_Cert(const unsigned char* der, unsigned int size);
    ~CAsn1_Cert() override;
    int decode() override;
    int encode() override;

    unsigned char* getIssuerDn() const;
    unsigned int getIssuerDnLength() const;
    unsigned char* getSerial() const;
    unsigned int getSerialLength() const;
    int getPublicKeyLength() const;
    std::string getPublicKeyOID() const;
    bool isPublicKeyRSA() const;
    bool isPublicKeyEC() const;
    CAsn1_PublicKey* getPublicKey() const { return m_publicKey.get(); }

private:
    DBs item(int code) const;
    std::unique_ptr<CAsn1_PublicKey> m_publicKey;
};

// Turns the raw ECDSA value r || s (length bytes, two halves of equal size) into the DER
// ECDSA-Sig-Value. *out gets a zero-filled buffer of length + 20 bytes from malloc (the
// caller releases it with free). Returns the DER length; 0 for a null or odd-sized input
// or a failed allocation.
VN_EXPORT int pkcs1_like_from_raw_ecdsa_signature(const unsigned char* raw, unsigned int length, unsigned char** out);

#endif
