// The library's own PKCS#7/CMS SignedData model: every structure is a CAsn1Base object that
// is built from its parts (and encoded at once) or from DER (and decoded at once, error -22
// when the bytes do not decode). An object owns its children.
//
// Signing: CAsn1_Pkcs7 p; p.setContentType(2); p.setSigAlgo(mode);
// p.setContent_SignedData(...); sign the signed attributes of p.getAuthAttributes(0)
// (their DER with the first byte 0xA0 replaced by 0x31); p.setSignature(0, sig, len);
// then p.getDER() / p.getDERlength() is the finished signed data.
#ifndef VN_ASN1PKCS7_H
#define VN_ASN1PKCS7_H

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "Asn1AlgoIdent.h"
#include "Asn1Base.h"
#include "Asn1Cert.h"
#include "vn_export.h"

struct timeb;

// CertificateList: holds the DER only.
class VN_EXPORT CAsn1_Crl : public CAsn1Base {
public:
    CAsn1_Crl();
    CAsn1_Crl(const unsigned char* der, unsigned int length);
    int decode() override;
    int encode() override;
};

// RSASSA-PSS-params { hashAlgorithm [0], maskGenAlgorithm [1], saltLength [2] }.
class VN_EXPORT CAsn1_AlgoIdent_Params : public CAsn1Base {
public:
    CAsn1_AlgoIdent_Params();
    CAsn1_AlgoIdent_Params(const unsigned char* der, unsigned int length);
    // Takes ownership of the three parts; the mask generation is MGF1 with maskHashAlgorithm.
    CAsn1_AlgoIdent_Params(CAsn1_AlgoIdent* hashAlgorithm, CAsn1_AlgoIdent* maskHashAlgorithm, CAsn1_Int* saltLength);
    ~CAsn1_AlgoIdent_Params() override;
    int decode() override;
    int encode() override;

    CAsn1_AlgoIdent* getHashAlgorithm() const { return m_hash.get(); }
    // The maskGenAlgorithm identifier (MGF1 with its digest as parameter).
    CAsn1_AlgoIdent* getMaskAlgorithm() const { return m_mask.get(); }
    CAsn1_AlgoIdent* getMaskHashAlgorithm() const { return m_maskHash.get(); }
    int getSaltLength() const;

private:
    std::unique_ptr<CAsn1_AlgoIdent> m_hash;
    std::unique_ptr<CAsn1_AlgoIdent> m_mask;
    std::unique_ptr<CAsn1_AlgoIdent> m_maskHash;
    std::unique_ptr<CAsn1_Int> m_salt;
};

// IssuerAndSerialNumber: the issuer Name and the serial INTEGER copied from a certificate.
class VN_EXPORT CAsn1_IssuerAndSerial : public CAsn1Base {
public:
    CAsn1_IssuerAndSerial();
    CAsn1_IssuerAndSerial(const unsigned char* der, unsigned int length);
    explicit CAsn1_IssuerAndSerial(const CAsn1_Cert* cert);
    ~CAsn1_IssuerAndSerial() override;
    unsigned char* getDER() const override;
    unsigned int getDERlength() const override;
    int decode() override;
    int encode() override;

    // The issuer Name item and the serial INTEGER item (whole DER items).
    const std::vector<unsigned char>& getIssuer() const { return m_issuer; }
    const std::vector<unsigned char>& getSerial() const { return m_serial; }

private:
    std::vector<unsigned char> m_issuer;
    std::vector<unsigned char> m_serial;
};

// IssuerSerial { issuer GeneralNames (directoryName), serialNumber }.
class VN_EXPORT CAsn1_IssuerSerial : public CAsn1Base {
public:
    CAsn1_IssuerSerial();
    CAsn1_IssuerSerial(const unsigned char* der, unsigned int length);
    explicit CAsn1_IssuerSerial(const CAsn1_Cert* cert);
    ~CAsn1_IssuerSerial() override;
    unsigned char* getDER() const override;
    unsigned int getDERlength() const override;
    int decode() override;
    int encode() override;

    const std::vector<unsigned char>& getIssuer() const { return m_issuer; }
    const std::vector<unsigned char>& getSerial() const { return m_serial; }

private:
    std::vector<unsigned char> m_issuer;
    std::vector<unsigned char> m_serial;
};

// SigningCertificateV2 with one ESSCertIDv2: SHA-256 of the certificate and its IssuerSerial.
class VN_EXPORT CAsn1_EssCertIdV2 : public CAsn1Base {
public:
    CAsn1_EssCertIdV2();
    CAsn1_EssCertIdV2(const unsigned char* der, unsigned int length);
    explicit CAsn1_EssCertIdV2(const CAsn1_Cert* cert);
    ~CAsn1_EssCertIdV2() override;
    int decode() override;
    int encode() override;

    CAsn1_AlgoIdent* getHashAlgorithm() const { return m_hashAlgorithm.get(); }
    CAsn1_OctetString* getCertHash() const { return m_certHash.get(); }
    CAsn1_IssuerSerial* getIssuerSerial() const { return m_issuerSerial.get(); }

private:
    std::unique_ptr<CAsn1_AlgoIdent> m_hashAlgorithm;
    std::unique_ptr<CAsn1_OctetString> m_certHash;
    std::unique_ptr<CAsn1_IssuerSerial> m_issuerSerial;
};

// Attribute { attrType OID, attrValues SET OF one value }.
class VN_EXPORT CAsn1_Attribute : public CAsn1Base {
public:
    // Value types of the text constructor.
    static constexpr int TYPE_OCTETSTRING = 4;
    static constexpr int TYPE_OID = 6;
    static constexpr int TYPE_UTCTIME = 23;
    // Error of a text constructor with any other value type.
    static constexpr int ERROR_BAD_TYPE = 255;

    CAsn1_Attribute();
    CAsn1_Attribute(const unsigned char* der, unsigned int length);
    // The value from text: type 4 hex of an OCTET STRING, 6 dotted OID, 23 UTCTime text.
    CAsn1_Attribute(const std::string& oid, const std::string& name, int type, const std::string& value);
    // Takes ownership of value.
    CAsn1_Attribute(const std::string& oid, CAsn1Base* value, const std::string& name);
    ~CAsn1_Attribute() override;
    int decode() override;
    int encode() override;

    CAsn1_Oid* getType() const { return m_type.get(); }
    std::string getOid() const { return m_type ? m_type->getOid() : std::string(); }
    // The first value (an OCTET STRING, OID or UTCTime object, else the undecoded item).
    CAsn1Base* getValue() const { return m_values.empty() ? nullptr : m_values.front().get(); }
    int getValueNum() const { return static_cast<int>(m_values.size()); }
    CAsn1Base* getValue(int index) const;

private:
    std::unique_ptr<CAsn1_Oid> m_type;
    std::vector<std::unique_ptr<CAsn1Base>> m_values;
};

// [0] IMPLICIT SET OF Attribute, in insertion order; empty: A0 00.
class VN_EXPORT CAsn1_AuthAttributes : public CAsn1Base {
public:
    CAsn1_AuthAttributes();
    CAsn1_AuthAttributes(const unsigned char* der, unsigned int length);
    ~CAsn1_AuthAttributes() override;
    unsigned char* getDER() const override;
    unsigned int getDERlength() const override;
    int decode() override;
    int encode() override;

    // Appends (taking ownership) and re-encodes.
    int addAttribute(CAsn1_Attribute* attribute);
    CAsn1_Attribute* getAttribute(int index) const;
    int getAttributeNum() const { return static_cast<int>(m_attributes.size()); }
    // The first attribute of that OID, or null.
    CAsn1_Attribute* findAttribute(const std::string& oid) const;

private:
    std::vector<std::unique_ptr<CAsn1_Attribute>> m_attributes;
};

// [1] IMPLICIT SET OF Attribute: decoded only; encode keeps the bytes it has.
class VN_EXPORT CAsn1_UnauthAttributes : public CAsn1Base {
public:
    CAsn1_UnauthAttributes();
    CAsn1_UnauthAttributes(const unsigned char* der, unsigned int length);
    ~CAsn1_UnauthAttributes() override;
    int decode() override;
    int encode() override;

    CAsn1_Attribute* getAttribute(int index) const;
    int getAttributeNum() const { return static_cast<int>(m_attributes.size()); }

private:
    std::vector<std::unique_ptr<CAsn1_Attribute>> m_attributes;
};

// EncapsulatedContentInfo { eContentType, [0] EXPLICIT OCTET STRING OPTIONAL }.
class VN_EXPORT CAsn1_ContentInfo : public CAsn1Base {
public:
    CAsn1_ContentInfo();
    CAsn1_ContentInfo(const unsigned char* der, unsigned int length);
    // Takes ownership; a null content makes a detached content info.
    CAsn1_ContentInfo(CAsn1_Oid* contentType, CAsn1_OctetString* content);
    ~CAsn1_ContentInfo() override;
    int decode() override;
    int encode() override;

    CAsn1_Oid* getContentType() const { return m_contentType.get(); }
    CAsn1_OctetString* getContent() const { return m_content.get(); }

private:
    std::unique_ptr<CAsn1_Oid> m_contentType;
    std::unique_ptr<CAsn1_OctetString> m_content;
};

// SignerInfo.
class VN_EXPORT CAsn1_SignerInfo : public CAsn1Base {
public:
    CAsn1_SignerInfo();
    CAsn1_SignerInfo(const unsigned char* der, unsigned int length);
    // Takes ownership of every part; authAttributes and unauthAttributes may be null.
    CAsn1_SignerInfo(CAsn1_Int* version, CAsn1_IssuerAndSerial* issuerAndSerial, CAsn1_AlgoIdent* digestAlgorithm,
                     CAsn1_AuthAttributes* authAttributes, CAsn1_AlgoIdent* signatureAlgorithm,
                     CAsn1_OctetString* signature, CAsn1_UnauthAttributes* unauthAttributes);
    ~CAsn1_SignerInfo() override;
    int decode() override;
    int encode() override;

    // Replaces the signature value (taking ownership) and re-encodes.
    int setSignature(CAsn1_OctetString* signature);
    bool isPSS() const;
    bool isECDSA() const;
    // ECDSA with asEncoded false: the raw r||s form; otherwise the stored value.
    CAsn1_OctetString* getSiganture(bool asEncoded) const;
    // The stored value as 64 bytes r||s when it is a DER ECDSA value of a 256-bit curve,
    // else a copy of the stored value. A new object owned by the caller (null when there is
    // no signature).
    CAsn1_OctetString* getRawECDSA_SignatureData() const;

    CAsn1_Int* getVersion() const { return m_version.get(); }
    CAsn1_IssuerAndSerial* getIssuerAndSerial() const { return m_issuerAndSerial.get(); }
    CAsn1_AlgoIdent* getDigestAlgorithm() const { return m_digestAlgorithm.get(); }
    CAsn1_AuthAttributes* getAuthAttributes() const { return m_authAttributes.get(); }
    CAsn1_AlgoIdent* getSignatureAlgorithm() const { return m_signatureAlgorithm.get(); }
    CAsn1_UnauthAttributes* getUnauthAttributes() const { return m_unauthAttributes.get(); }

private:
    void refreshRawSignature();

    std::unique_ptr<CAsn1_Int> m_version;
    std::unique_ptr<CAsn1_IssuerAndSerial> m_issuerAndSerial;
    std::unique_ptr<CAsn1_AlgoIdent> m_digestAlgorithm;
    std::unique_ptr<CAsn1_AuthAttributes> m_authAttributes;
    std::unique_ptr<CAsn1_AlgoIdent> m_signatureAlgorithm;
    std::unique_ptr<CAsn1_OctetString> m_signature;
    std::unique_ptr<CAsn1_UnauthAttributes> m_unauthAttributes;
    std::unique_ptr<CAsn1_OctetString> m_rawSignature;
};

// SignedData.
class VN_EXPORT CAsn1_Pkcs7_Sd : public CAsn1Base {
public:
    CAsn1_Pkcs7_Sd();
    CAsn1_Pkcs7_Sd(const unsigned char* der, unsigned int length);
    // Takes ownership of every part and of the list elements; lists may be null.
    CAsn1_Pkcs7_Sd(CAsn1_Int* version, std::list<CAsn1_AlgoIdent*>* digestAlgorithms, CAsn1_ContentInfo* contentInfo,
                   std::list<CAsn1_Cert*>* certificates, std::list<CAsn1_Crl*>* crls,
                   std::list<CAsn1_SignerInfo*>* signerInfos);
    ~CAsn1_Pkcs7_Sd() override;
    int getError() const override;
    int decode() override;
    int encode() override;

    CAsn1_SignerInfo* getSignerInfo(int index) const;
    int getSignerInfoNum() const { return static_cast<int>(m_signerInfos.size()); }
    // Replaces the signature of that signer (taking ownership) and re-encodes; 0 when there is no such signer.
    int setSignature(int index, CAsn1_OctetString* signature);

    CAsn1_Int* getVersion() const { return m_version.get(); }
    int getDigestAlgorithmNum() const { return static_cast<int>(m_digestAlgorithms.size()); }
    CAsn1_AlgoIdent* getDigestAlgorithm(int index) const;
    CAsn1_ContentInfo* getContentInfo() const { return m_contentInfo.get(); }
    int getCertificateNum() const { return static_cast<int>(m_certificates.size()); }
    CAsn1_Cert* getCertificate(int index) const;
    int getCrlNum() const { return static_cast<int>(m_crls.size()); }
    CAsn1_Crl* getCrl(int index) const;

private:
    std::unique_ptr<CAsn1_Int> m_version;
    std::vector<std::unique_ptr<CAsn1_AlgoIdent>> m_digestAlgorithms;
    std::unique_ptr<CAsn1_ContentInfo> m_contentInfo;
    std::vector<std::unique_ptr<CAsn1_Cert>> m_certificates;
    std::vector<std::unique_ptr<CAsn1_Crl>> m_crls;
    std::vector<std::unique_ptr<CAsn1_SignerInfo>> m_signerInfos;
};

// KeyTransRecipientInfo: the version is decoded, the rest kept.
class VN_EXPORT CAsn1_KeyTransportRecipientInfo : public CAsn1Base {
public:
    CAsn1_KeyTransportRecipientInfo();
    CAsn1_KeyTransportRecipientInfo(const unsigned char* der, unsigned int length);
    ~CAsn1_KeyTransportRecipientInfo() override;
    int decode() override;
    int encode() override;
    CAsn1_Int* getVersion() const { return m_version.get(); }

private:
    std::unique_ptr<CAsn1_Int> m_version;
};

// RecipientInfo: a SEQUENCE is a key-transport recipient, a [1] item is kept undecoded.
class VN_EXPORT CAsn1_RecipientInfo : public CAsn1Base {
public:
    CAsn1_RecipientInfo();
    CAsn1_RecipientInfo(const unsigned char* der, unsigned int length);
    ~CAsn1_RecipientInfo() override;
    int decode() override;
    int encode() override;
    CAsn1_KeyTransportRecipientInfo* getKeyTransport() const { return m_keyTransport.get(); }
    CAsn1_Universal* getOther() const { return m_other.get(); }

private:
    std::unique_ptr<CAsn1_KeyTransportRecipientInfo> m_keyTransport;
    std::unique_ptr<CAsn1_Universal> m_other;
};

// OriginatorInfo { [0] certificates, [1] crls }.
class VN_EXPORT CAsn1_OriginatorInfo : public CAsn1Base {
public:
    CAsn1_OriginatorInfo();
    CAsn1_OriginatorInfo(const unsigned char* der, unsigned int length);
    ~CAsn1_OriginatorInfo() override;
    int decode() override;
    int encode() override;
    int getCertificateNum() const { return static_cast<int>(m_certificates.size()); }
    int getCrlNum() const { return static_cast<int>(m_crls.size()); }

private:
    std::vector<std::unique_ptr<CAsn1_Cert>> m_certificates;
    std::vector<std::unique_ptr<CAsn1_Crl>> m_crls;
};

// EnvelopedData: decoded only.
class VN_EXPORT CAsn1_Pkcs7_Ed : public CAsn1Base {
public:
    CAsn1_Pkcs7_Ed();
    CAsn1_Pkcs7_Ed(const unsigned char* der, unsigned int length);
    ~CAsn1_Pkcs7_Ed() override;
    int getError() const override;
    int decode() override;
    int encode() override;

    CAsn1_Int* getVersion() const { return m_version.get(); }
    CAsn1_OriginatorInfo* getOriginatorInfo() const { return m_originatorInfo.get(); }
    int getRecipientInfoNum() const { return static_cast<int>(m_recipientInfos.size()); }
    CAsn1_RecipientInfo* getRecipientInfo(int index) const;
    CAsn1_Universal* getEncryptedContentInfo() const { return m_encryptedContentInfo.get(); }
    CAsn1_UnauthAttributes* getUnprotectedAttributes() const { return m_unprotectedAttributes.get(); }

private:
    std::unique_ptr<CAsn1_Int> m_version;
    std::unique_ptr<CAsn1_OriginatorInfo> m_originatorInfo;
    std::vector<std::unique_ptr<CAsn1_RecipientInfo>> m_recipientInfos;
    std::unique_ptr<CAsn1_Universal> m_encryptedContentInfo;
    std::unique_ptr<CAsn1_UnauthAttributes> m_unprotectedAttributes;
};

// ContentInfo (outer) with the content by type, and the signature mode used when building.
class VN_EXPORT CAsn1_Pkcs7 : public CAsn1Base {
public:
    // Signature modes (setSigAlgo).
    static constexpr int SIG_RSA_PKCS1 = 0;
    static constexpr int SIG_RSA_PSS = 1;
    static constexpr int SIG_ECDSA = 2;
    // Content type numbers (getContentTypeNum).
    static constexpr int CT_DATA = 1;
    static constexpr int CT_SIGNED_DATA = 2;
    static constexpr int CT_ENVELOPED_DATA = 3;

    CAsn1_Pkcs7();
    CAsn1_Pkcs7(unsigned char* der, unsigned int length);
    ~CAsn1_Pkcs7() override;
    int getError() const override;
    int decode() override;
    int encode() override;

    // 2 sets signedData; any other value clears the content type.
    void setContentType(int type);
    void setSigAlgo(int mode);
    int getSigAlgo() const { return m_sigAlgo; }

    // Builds the whole SignedData with a placeholder signature of final size. 1 on success, 0 on failure.
    int setContent_SignedData(unsigned char* certDer, unsigned int certLength, int nAlgoID, unsigned char* data,
                              int dataLength, timeb* signingTime, bool attach, int cadesLevel,
                              std::string keyAlgorithmOid, std::list<CAsn1_Cert*>* moreCerts);
    // Puts the signature (raw r||s for an ECDSA signer) into that signer and re-encodes. 1 on success, 0 otherwise.
    int setSignature(int signerIndex, unsigned char* signature, unsigned int length);

    CAsn1_AuthAttributes* getAuthAttributes(int signerIndex) const;
    CAsn1_OctetString* getSignature(int signerIndex, bool asEncoded) const;
    // The SignedData version, 0 without signed data.
    int getVersion() const;
    int getContentTypeNum() const;
    CAsn1_Oid* getContentType() const { return m_contentType.get(); }
    CAsn1_Pkcs7_Sd* getSignedData() const { return m_signedData.get(); }
    CAsn1_Pkcs7_Ed* getEnvelopedData() const { return m_envelopedData.get(); }
    static bool checkCadesLevel(std::string oid, int level);

private:
    std::unique_ptr<CAsn1_Oid> m_contentType;
    std::unique_ptr<CAsn1_Pkcs7_Sd> m_signedData;
    std::unique_ptr<CAsn1_Pkcs7_Ed> m_envelopedData;
    int m_sigAlgo = SIG_RSA_PKCS1;
};

#endif
