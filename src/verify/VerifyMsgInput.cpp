// Reading a signature in any of its forms (DER, PEM, S/MIME) and the facts about a signer's
// certificate that decide whether it may sign documents at all.
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <climits>
#include <cstring>

#include "verify/VerifyInternal.h"

namespace vn_verify {

namespace {

const unsigned char kDerSequence = 0x30;

// Text that tells a form apart, looked for in the first bytes of the file.
const char* const kPemSignatureLabels[] = {"-----BEGIN PKCS7-----", "-----BEGIN CMS-----", "-----BEGIN PKCS #7 SIGNED"};
const char kPemCertificateLabel[] = "-----BEGIN CERTIFICATE-----";
const char* const kMimeMarkers[] = {"MIME-Version:", "Content-Type:", "Content-type:"};
const size_t kSniffLength = 4096;

// Extended key usages that allow signing documents.
const char* const kDocumentSigningUsages[] = {
    "2.5.29.37.0",              // anyExtendedKeyUsage
    "1.3.6.1.5.5.7.3.4",        // id-kp-emailProtection
    "1.3.6.1.5.5.7.3.36",       // id-kp-documentSigning
    "1.3.6.1.4.1.311.10.3.12",  // Microsoft document signing
    "1.2.840.113583.1.1.5",     // Adobe authentic documents trust
    "1.3.6.1.5.5.7.3.2",        // id-kp-clientAuth (signature cards carry it beside e-mail protection)
    "1.3.6.1.5.5.7.3.3",        // id-kp-codeSigning
};

bool contains(const unsigned char* data, size_t length, const char* text) {
    const size_t n = length < kSniffLength ? length : kSniffLength;
    return memmem(data, n, text, std::strlen(text)) != nullptr;
}

bool isCertificate(const unsigned char* data, size_t length) {
    if (contains(data, length, kPemCertificateLabel))
        return true;
    return static_cast<bool>(vn_ossl::x509FromDer(data, length));
}

CmsPtr fromPem(const unsigned char* data, size_t length) {
    BioPtr bio(BIO_new_mem_buf(data, static_cast<int>(length)));
    CmsPtr cms(bio ? PEM_read_bio_CMS(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    if (cms)
        return cms;
    // A PKCS#7 label: read as PKCS#7 and take its DER.
    bio.reset(BIO_new_mem_buf(data, static_cast<int>(length)));
    Pkcs7Ptr p7(bio ? PEM_read_bio_PKCS7(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    unsigned char* der = nullptr;
    const int n = p7 ? i2d_PKCS7(p7.get(), &der) : -1;
    const vn_ossl::OpenSslBytes owned(der);
    const unsigned char* p = der;
    if (n > 0)
        cms.reset(d2i_CMS_ContentInfo(nullptr, &p, n));
    return cms;
}

}  // namespace

ParsedSignature parseSignature(const unsigned char* data, size_t length) {
    ParsedSignature out;
    if (data == nullptr || length == 0) {
        out.problem = "the signature file is empty";
        return out;
    }
    if (length > static_cast<size_t>(INT_MAX)) {
        out.problem = "the signature is too large";
        return out;
    }
    if (data[0] == kDerSequence) {
        const unsigned char* p = data;
        out.cms.reset(d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(length)));
    } else {
        bool pem = false;
        for (const char* label : kPemSignatureLabels)
            pem = pem || contains(data, length, label);
        bool mime = false;
        for (const char* marker : kMimeMarkers)
            mime = mime || contains(data, length, marker);
        if (pem) {
            out.cms = fromPem(data, length);
        } else if (mime) {
            BioPtr bio(BIO_new_mem_buf(data, static_cast<int>(length)));
            BIO* content = nullptr;
            out.cms.reset(bio ? SMIME_read_CMS(bio.get(), &content) : nullptr);
            out.mimeContent.reset(content);
        }
    }
    ERR_clear_error();
    if (!out.cms) {
        out.problem = isCertificate(data, length) ? "the file is a certificate, not a signature"
                                                  : "the file is not a PKCS#7/CMS signature (DER, PEM or S/MIME)";
        ERR_clear_error();
        return out;
    }
    if (OBJ_obj2nid(CMS_get0_type(out.cms.get())) != NID_pkcs7_signed) {
        out.problem = "the file holds PKCS#7/CMS data that is not signed data";
        out.cms.reset();
    }
    return out;
}

std::vector<std::vector<unsigned char>> timestampTokens(CMS_SignerInfo* si) {
    std::vector<std::vector<unsigned char>> tokens;
    for (int i = CMS_unsigned_get_attr_by_NID(si, NID_id_smime_aa_timeStampToken, -1); i >= 0;
         i = CMS_unsigned_get_attr_by_NID(si, NID_id_smime_aa_timeStampToken, i)) {
        X509_ATTRIBUTE* attribute = CMS_unsigned_get_attr(si, i);
        for (int v = 0; v < X509_ATTRIBUTE_count(attribute); ++v) {
            ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(attribute, v);
            if (value == nullptr || value->type != V_ASN1_SEQUENCE)
                continue;
            const unsigned char* p = ASN1_STRING_get0_data(value->value.sequence);
            tokens.emplace_back(p, p + ASN1_STRING_length(value->value.sequence));
        }
    }
    return tokens;
}

std::string signingUsageProblem(X509* cert) {
    const uint32_t usage = X509_get_key_usage(cert);
    if (usage != UINT32_MAX && (usage & (KU_DIGITAL_SIGNATURE | KU_NON_REPUDIATION)) == 0)
        return "the signer's key usage allows neither digitalSignature nor nonRepudiation";
    if (X509_get_extension_flags(cert) & EXFLAG_CA)
        return "the signer's certificate is a CA certificate";
    using EkuPtr = std::unique_ptr<EXTENDED_KEY_USAGE, Deleter<EXTENDED_KEY_USAGE, EXTENDED_KEY_USAGE_free>>;
    int critical = 0;
    EkuPtr eku(static_cast<EXTENDED_KEY_USAGE*>(X509_get_ext_d2i(cert, NID_ext_key_usage, &critical, nullptr)));
    if (!eku)
        return critical == -1 ? "" : "the signer's extended key usage cannot be read";
    for (int i = 0; i < sk_ASN1_OBJECT_num(eku.get()); ++i) {
        char oid[80];
        OBJ_obj2txt(oid, sizeof(oid), sk_ASN1_OBJECT_value(eku.get(), i), 1);
        for (const char* allowed : kDocumentSigningUsages)
            if (std::strcmp(oid, allowed) == 0)
                return "";
    }
    return "the signer's extended key usage has no document-signing purpose";
}

std::string nameText(const X509_NAME* name) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || name == nullptr || X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB) < 0)
        return "";
    char* text = nullptr;
    const long n = BIO_get_mem_data(bio.get(), &text);
    return n > 0 ? std::string(text, static_cast<size_t>(n)) : std::string();
}

}  // namespace vn_verify
