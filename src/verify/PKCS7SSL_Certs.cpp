// Certificates of signed and enveloped data, the signer's key, attribute certificates in
// the signed attributes, and the operations that only check the type.
#include <string>
#include <vector>

#include "CertInfo.h"

#include "PKCS7SSL.h"
#include "infra/Loggers.h"
#include "verify/PKCS7SSLInternal.h"

using namespace pkcs7ssl;

namespace {

const char* const OID_ATTRIBUTE_CERTIFICATE = "2.5.4.58";

char g_hashFromSignature[1];

STACK_OF(X509) * certificates(PKCS7* p7) { return p7 ? p7->d.sign->cert : nullptr; }

Pkcs7Ptr parseEnveloped(const unsigned char* blob, unsigned int length) {
    Pkcs7Ptr p7 = parsePkcs7(blob, length);
    if (!p7 || OBJ_obj2nid(p7->type) != NID_pkcs7_enveloped || !p7->d.enveloped)
        return nullptr;
    return p7;
}

X509* signerCert(PKCS7* p7, int index) {
    PKCS7_SIGNER_INFO* si = signerInfo(p7, index);
    return si ? PKCS7_cert_from_signer_info(p7, si) : nullptr;
}

// The values of the first signer's attribute-certificate attribute.
X509_ATTRIBUTE* attributeCertificates(PKCS7* p7) {
    PKCS7_SIGNER_INFO* si = signerInfo(p7, 0);
    STACK_OF(X509_ATTRIBUTE)* attributes = si ? PKCS7_get_signed_attributes(si) : nullptr;
    if (!attributes)
        return nullptr;
    const vn_ossl::Asn1ObjectPtr oid(OBJ_txt2obj(OID_ATTRIBUTE_CERTIFICATE, 1));
    if (!oid)
        return nullptr;
    X509_ATTRIBUTE* found = nullptr;
    for (int i = 0; i < sk_X509_ATTRIBUTE_num(attributes) && !found; ++i)
        if (OBJ_cmp(X509_ATTRIBUTE_get0_object(sk_X509_ATTRIBUTE_value(attributes, i)), oid.get()) == 0)
            found = sk_X509_ATTRIBUTE_value(attributes, i);
    return found;
}

typedef std::vector<unsigned char> Bytes;

unsigned int size(const Bytes& b) { return static_cast<unsigned int>(b.size()); }
std::string text(const char* s) { return s ? std::string(s) : std::string(); }

int signedDataCheck(unsigned char* blob, unsigned int length) {
    return parseSignedData(blob, length) ? 0 : CPKCS7SSL::FAILED;
}

}  // namespace

int CPKCS7SSL::GetVersion(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "GetVersion");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    return p7 ? static_cast<int>(ASN1_INTEGER_get(p7->d.sign->version)) : 0;
}

int CPKCS7SSL::GetSignerCertNum(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "GetSignerCertNum");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    STACK_OF(PKCS7_SIGNER_INFO)* signers = p7 ? PKCS7_get_signer_info(p7.get()) : nullptr;
    return signers ? sk_PKCS7_SIGNER_INFO_num(signers) : 0;
}

int CPKCS7SSL::GetNCertNum(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "GetNCertNum");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    STACK_OF(X509)* certs = certificates(p7.get());
    return certs ? sk_X509_num(certs) : 0;
}

int CPKCS7SSL::GetCipherCertNum(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "GetCipherCertNum");
    Pkcs7Ptr p7 = parseEnveloped(blob, length);
    return p7 && p7->d.enveloped->recipientinfo ? sk_PKCS7_RECIP_INFO_num(p7->d.enveloped->recipientinfo) : 0;
}

int CPKCS7SSL::GetSignerCert(unsigned char* blob, unsigned int length, int index, unsigned char* out,
                             unsigned int* outLength) {
    VN_TRACE_ENTER(m_logger, "GetSignerCert");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    return copyCert(signerCert(p7.get(), index), out, outLength);
}

int CPKCS7SSL::GetNCert(unsigned char* blob, unsigned int length, int index, unsigned char* out,
                        unsigned int* outLength) {
    VN_TRACE_ENTER(m_logger, "GetNCert");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    STACK_OF(X509)* certs = certificates(p7.get());
    if (!certs || index < 0 || index >= sk_X509_num(certs))
        return FAILED;
    return copyCert(sk_X509_value(certs, index), out, outLength);
}

int CPKCS7SSL::GetCipherCert(unsigned char* blob, unsigned int length, int index, unsigned char* out,
                             unsigned int* outLength) {
    VN_TRACE_ENTER(m_logger, "GetCipherCert");
    Pkcs7Ptr p7 = parseEnveloped(blob, length);
    STACK_OF(PKCS7_RECIP_INFO)* recipients = p7 ? p7->d.enveloped->recipientinfo : nullptr;
    if (!recipients || index < 0 || index >= sk_PKCS7_RECIP_INFO_num(recipients))
        return FAILED;
    return copyCert(sk_PKCS7_RECIP_INFO_value(recipients, index)->cert, out, outLength);
}

int CPKCS7SSL::GetSignerCertEx(unsigned char* blob, unsigned int length, int index, unsigned char* out,
                               unsigned int* outLength) {
    VN_TRACE_ENTER(m_logger, "GetSignerCertEx");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    STACK_OF(X509)* certs = certificates(p7.get());
    const Bytes signer = vn_ossl::derOfX509(signerCert(p7.get(), index));
    if (signer.empty() || !certs)
        return NOT_FOUND;
    // The texts live in the reader's buffers until its next call: copy them at once.
    const std::string issuer = text(CCertInfo::S_getIssuerName(signer.data(), size(signer)));
    const std::string serial = text(CCertInfo::S_getSerial(signer.data(), size(signer)));
    if (issuer.empty() || serial.empty())
        return NOT_FOUND;
    for (int i = 0; i < sk_X509_num(certs); ++i) {
        const Bytes der = vn_ossl::derOfX509(sk_X509_value(certs, i));
        if (!der.empty() && text(CCertInfo::getSerialNum(der.data(), size(der))) == serial &&
            text(CCertInfo::getIssuer(der.data(), size(der))) == issuer)
            return copyOut(der.data(), static_cast<int>(der.size()), out, outLength) == 0 ? 0 : FAILED;
    }
    return NOT_FOUND;
}

int CPKCS7SSL::GetSignerRSAKey(unsigned char* blob, unsigned int length, unsigned char* out, unsigned int* outLength,
                               int index) {
    VN_TRACE_ENTER(m_logger, "GetSignerRSAKey");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    X509* cert = signerCert(p7.get(), index);
    EVP_PKEY* key = cert ? X509_get0_pubkey(cert) : nullptr;
    if (!key)
        return FAILED;
    unsigned char* der = nullptr;
    const int n = i2d_PUBKEY(key, &der);
    const vn_ossl::OpenSslBytes owned(der);
    return copyOut(der, n, out, outLength);
}

int CPKCS7SSL::GetSignerRSAKeySize(unsigned char* blob, unsigned int length, int index) {
    VN_TRACE_ENTER(m_logger, "GetSignerRSAKeySize");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    X509* cert = signerCert(p7.get(), index);
    EVP_PKEY* key = cert ? X509_get0_pubkey(cert) : nullptr;
    return key ? EVP_PKEY_bits(key) : 0;
}

int CPKCS7SSL::GetSignedAttrCertNum(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "GetSignedAttrCertNum");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    X509_ATTRIBUTE* attribute = attributeCertificates(p7.get());
    return attribute ? X509_ATTRIBUTE_count(attribute) : 0;
}

int CPKCS7SSL::GetSignedAttrCert(unsigned char* blob, unsigned int length, int index, unsigned char* out,
                                 unsigned int* outLength) {
    VN_TRACE_ENTER(m_logger, "GetSignedAttrCert");
    Pkcs7Ptr p7 = parseSignedData(blob, length);
    X509_ATTRIBUTE* attribute = attributeCertificates(p7.get());
    ASN1_TYPE* value = attribute && index >= 0 ? X509_ATTRIBUTE_get0_type(attribute, index) : nullptr;
    if (!value || value->type != V_ASN1_SEQUENCE || !value->value.sequence)
        return FAILED;
    return copyOut(ASN1_STRING_get0_data(value->value.sequence), ASN1_STRING_length(value->value.sequence), out,
                   outLength);
}

int CPKCS7SSL::FindQualifiedSC(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "FindQualifiedSC");
    return signedDataCheck(blob, length);
}

int CPKCS7SSL::GetCertChainSize(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "GetCertChainSize");
    return signedDataCheck(blob, length);
}

int CPKCS7SSL::GetCert(unsigned char* blob, unsigned int length, int, unsigned char*, unsigned int*) {
    VN_TRACE_ENTER(m_logger, "GetCert");
    return signedDataCheck(blob, length);
}

int CPKCS7SSL::GetNum(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "GetNum");
    return signedDataCheck(blob, length);
}

int CPKCS7SSL::GetAttrCertNum(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "GetAttrCertNum");
    return signedDataCheck(blob, length);
}

int CPKCS7SSL::GetAttrCert(unsigned char* blob, unsigned int length, int, unsigned char*, unsigned int*) {
    VN_TRACE_ENTER(m_logger, "GetAttrCert");
    return signedDataCheck(blob, length);
}

int CPKCS7SSL::GetCRLNum(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "GetCRLNum");
    return signedDataCheck(blob, length);
}

int CPKCS7SSL::GetCRL(unsigned char* blob, unsigned int length, int, unsigned char*, unsigned int*) {
    VN_TRACE_ENTER(m_logger, "GetCRL");
    return signedDataCheck(blob, length);
}

int CPKCS7SSL::GetParam(unsigned char* blob, unsigned int length, int) {
    VN_TRACE_ENTER(m_logger, "GetParam");
    return signedDataCheck(blob, length);
}

char* CPKCS7SSL::GetHashFromSignature(unsigned char* blob, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "GetHashFromSignature");
    g_hashFromSignature[0] = '\0';
    return signedDataCheck(blob, length) == 0 ? g_hashFromSignature : nullptr;
}
