// Building a SignedData with CAdES signed attributes and a placeholder signature, and
// putting the real signature value in.
#include <sys/timeb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "Asn1Pkcs7.h"
#include "asn1/DerTags.h"
#include "asn1/OidTable.h"
#include "asn1/Pkcs7Der.h"
#include "crypto/DigestFactory.h"
#include "sign/SignedContent.h"

using namespace vn_der;

using vn_crypto::Algorithm;

namespace {

constexpr int VERSION_ONE = 1;
constexpr int MAX_DIGEST = 64;

const char* const OID_DATA = "1.2.840.113549.1.7.1";
const char* const OID_PSS = "1.2.840.113549.1.1.10";
const char* const OID_RSA = "1.2.840.113549.1.1.1";
const char* const OID_ECDSA_PREFIX = "1.2.840.10045.4";
// EC keys signing with a digest that has no ecdsa-with-... identifier (MD5, RIPEMD-160)
// name the key's algorithm; their values are ECDSA-Sig-Values all the same.
const char* const OID_EC_PUBLIC_KEY = "1.2.840.10045.2.1";

CAsn1_AlgoIdent* digestIdentifier(const Algorithm& row) {
    return new CAsn1_AlgoIdent(new CAsn1_Oid(row.oid, row.oidName));
}

CAsn1_OctetString* octetStringOf(const unsigned char* data, size_t n) {
    std::vector<unsigned char> der;
    pkcs7der::appendTlv(der, TAG_OCTETSTRING, data, n);
    return new CAsn1_OctetString(der.data(), static_cast<unsigned int>(der.size()));
}

// The signature algorithm by the signature mode and the certificate's key; mode may become ECDSA.
CAsn1_AlgoIdent* signatureIdentifier(int& mode, const CAsn1_Cert& cert, int nAlgoID, const Algorithm& row,
                                     const std::string& keyAlgorithmOid) {
    if (mode == CAsn1_Pkcs7::SIG_RSA_PSS) {
        const int saltLength = row.digestLength;
        CAsn1_AlgoIdent_Params* params =
            new CAsn1_AlgoIdent_Params(digestIdentifier(row), digestIdentifier(row), new CAsn1_Int(saltLength));
        return new CAsn1_AlgoIdent(new CAsn1_Oid(OID_PSS, "RSASSA-PSS"), params);
    }
    if (mode == CAsn1_Pkcs7::SIG_ECDSA || cert.isPublicKeyEC()) {
        mode = CAsn1_Pkcs7::SIG_ECDSA;
        // An nAlgoID outside the table is signed as SHA-256, under the key's own OID.
        if (row.ecdsaOid && row.signId == nAlgoID)
            return new CAsn1_AlgoIdent(new CAsn1_Oid(row.ecdsaOid, row.ecdsaName));
        return new CAsn1_AlgoIdent(new CAsn1_Oid(keyAlgorithmOid, "unknown OID"));
    }
    if (cert.isPublicKeyRSA())
        return new CAsn1_AlgoIdent(new CAsn1_Oid(OID_RSA, "rsaEncryption"));
    return new CAsn1_AlgoIdent(new CAsn1_Oid(keyAlgorithmOid, "unknown OID"));
}

// A placeholder of the size of the final signature value: RSA the modulus bytes;
// ECDSA the largest DER ECDSA-Sig-Value of the curve (two INTEGERs of n + 1 bytes).
CAsn1_OctetString* placeholderSignature(int mode, const CAsn1_Cert& cert) {
    const int bits = cert.getPublicKeyLength();
    if (mode == CAsn1_Pkcs7::SIG_ECDSA) {
        const size_t integerLength = static_cast<size_t>(bits / 8) + 1;
        const std::vector<unsigned char> zeros(integerLength, 0);
        std::vector<unsigned char> integers, value;
        pkcs7der::appendTlv(integers, TAG_INTEGER, zeros);
        pkcs7der::appendTlv(integers, TAG_INTEGER, zeros);
        pkcs7der::appendTlv(value, TAG_SEQUENCE, integers);
        return octetStringOf(value.data(), value.size());
    }
    const std::vector<unsigned char> zeros(static_cast<size_t>((bits + 7) / 8), 0);
    return octetStringOf(zeros.data(), zeros.size());
}

// True when value is exactly one DER SEQUENCE of two INTEGERs (an encoded ECDSA value).
bool isDerEcdsaValue(const unsigned char* value, unsigned int length) {
    pkcs7der::Item seq, r, s;
    if (!pkcs7der::read(value, length, seq) || seq.tag != TAG_SEQUENCE || seq.total != length || seq.p[1] == 0x80)
        return false;
    pkcs7der::Children c(seq);
    return c.expect(TAG_INTEGER, r) && c.expect(TAG_INTEGER, s) && c.atEnd() && !c.bad();
}

bool addAttribute(CAsn1_AuthAttributes& attributes, CAsn1_Attribute* attribute, int cadesLevel) {
    std::unique_ptr<CAsn1_Attribute> owned(attribute);
    if (!owned || owned->getError())
        return false;
    if (!CAsn1_Pkcs7::checkCadesLevel(owned->getOid(), cadesLevel))
        return true;
    return attributes.addAttribute(owned.release()) == 1;
}

}  // namespace

int CAsn1_Pkcs7::setContent_SignedData(unsigned char* certDer, unsigned int certLength, int nAlgoID,
                                       unsigned char* data, int dataLength, timeb* signingTime, bool attach,
                                       int cadesLevel, std::string keyAlgorithmOid, std::list<CAsn1_Cert*>* moreCerts) {
    if (!certDer || certLength == 0 || dataLength < 0 || (!data && dataLength > 0))
        return 0;
    try {
        std::unique_ptr<CAsn1_Cert> cert(new CAsn1_Cert(certDer, certLength));
        if (cert->getError())
            return 0;
        const Algorithm& row = vn_crypto::algorithm_for_sign_id(nAlgoID);

        // Digest of the content.
        unsigned char digest[MAX_DIGEST];
        const size_t digestLength = static_cast<size_t>(row.digestLength);
        // A file signed in pieces was hashed before; its digest is handed in.
        const std::vector<unsigned char>* given = vn_sign::GivenContentDigest::current();
        if (given != nullptr && given->size() == digestLength)
            std::copy(given->begin(), given->end(), digest);
        else
            vn_crypto::digest_buffer(row.kind, data, static_cast<size_t>(dataLength), digest);
        std::string digestHex;
        CAsn1Helper::hex2str(digest, static_cast<unsigned int>(digestLength), digestHex);

        // Encapsulated content: the data itself, or the type alone when detached.
        CAsn1_OctetString* content = attach ? octetStringOf(data, static_cast<size_t>(dataLength)) : nullptr;
        std::unique_ptr<CAsn1_ContentInfo> contentInfo(new CAsn1_ContentInfo(new CAsn1_Oid(OID_DATA, "data"), content));

        // Certificates: the signer's first, then the further ones in list order.
        std::list<CAsn1_Cert*> certificates;
        certificates.push_back(new CAsn1_Cert(certDer, certLength));
        if (moreCerts)
            for (const CAsn1_Cert* c : *moreCerts)
                if (c && c->getDER())
                    certificates.push_back(new CAsn1_Cert(c->getDER(), c->getDERlength()));

        // Signed attributes in their order, each as the CAdES level allows.
        std::unique_ptr<CAsn1_AuthAttributes> attributes(new CAsn1_AuthAttributes());
        timeb now{};
        if (!signingTime) {
            now.time = std::time(nullptr);
            signingTime = &now;
        }
        const bool attributesOk =
            addAttribute(*attributes,
                         new CAsn1_Attribute(vn_asn1::oid_text("contentType"), "contentType", CAsn1_Attribute::TYPE_OID,
                                             OID_DATA),
                         cadesLevel) &&
            addAttribute(
                *attributes,
                new CAsn1_Attribute(vn_asn1::oid_text("signingTime"), new CAsn1_UtcTime(signingTime), "signingTime"),
                cadesLevel) &&
            addAttribute(*attributes,
                         new CAsn1_Attribute(vn_asn1::oid_text("messageDigest"), "messageDigest",
                                             CAsn1_Attribute::TYPE_OCTETSTRING, digestHex),
                         cadesLevel) &&
            addAttribute(*attributes,
                         new CAsn1_Attribute(vn_asn1::oid_text("id-aa-signingCertificateV2"),
                                             new CAsn1_EssCertIdV2(cert.get()), "id-aa-signingCertificateV2"),
                         cadesLevel);
        if (!attributesOk)
            return 0;

        int mode = m_sigAlgo;
        std::unique_ptr<CAsn1_AlgoIdent> signatureAlgorithm(
            signatureIdentifier(mode, *cert, nAlgoID, row, keyAlgorithmOid));
        if (signatureAlgorithm->getError())
            return 0;
        m_sigAlgo = mode;

        std::unique_ptr<CAsn1_SignerInfo> signer(new CAsn1_SignerInfo(
            new CAsn1_Int(VERSION_ONE), new CAsn1_IssuerAndSerial(cert.get()), digestIdentifier(row),
            attributes.release(), signatureAlgorithm.release(), placeholderSignature(mode, *cert), nullptr));
        if (signer->getError())
            return 0;

        std::list<CAsn1_AlgoIdent*> digestAlgorithms{digestIdentifier(row)};
        std::list<CAsn1_SignerInfo*> signers{signer.release()};
        std::unique_ptr<CAsn1_Pkcs7_Sd> signedData(new CAsn1_Pkcs7_Sd(
            new CAsn1_Int(VERSION_ONE), &digestAlgorithms, contentInfo.release(), &certificates, nullptr, &signers));
        if (signedData->getError())
            return 0;
        m_signedData = std::move(signedData);
        m_envelopedData.reset();
        if (!m_contentType)
            setContentType(CT_SIGNED_DATA);
        return encode();
    } catch (...) {
        return fail();
    }
}

int CAsn1_Pkcs7::setSignature(int signerIndex, unsigned char* signature, unsigned int length) {
    if (getContentTypeNum() != CT_SIGNED_DATA || !m_signedData || !signature || length == 0)
        return 0;
    const CAsn1_SignerInfo* signer = m_signedData->getSignerInfo(signerIndex);
    if (!signer)
        return 0;
    try {
        std::unique_ptr<CAsn1_OctetString> value;
        const std::string algorithm = signer->getSignatureAlgorithm()->getAlgorithm();
        // A card gives ECDSA values as r || s; a value that already is DER is kept.
        const bool ecdsa = algorithm.compare(0, std::strlen(OID_ECDSA_PREFIX), OID_ECDSA_PREFIX) == 0 ||
                           algorithm == OID_EC_PUBLIC_KEY;
        if (ecdsa && !isDerEcdsaValue(signature, length)) {
            unsigned char* der = nullptr;
            const int derLength = pkcs1_like_from_raw_ecdsa_signature(signature, length, &der);
            std::unique_ptr<unsigned char, decltype(&std::free)> owned(der, &std::free);
            if (derLength <= 0)
                return 0;
            value.reset(octetStringOf(der, static_cast<size_t>(derLength)));
        } else {
            value.reset(octetStringOf(signature, length));
        }
        if (!m_signedData->setSignature(signerIndex, value.release()))
            return 0;
        return encode();
    } catch (...) {
        return fail();
    }
}
