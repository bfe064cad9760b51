// CAsn1_Pkcs7: the outer ContentInfo, its content by type, and the accessors of the signers.
#include <new>

#include "Asn1Pkcs7.h"
#include "asn1/DerTags.h"
#include "asn1/Pkcs7Der.h"
#include "sign/CadesAttributes.h"

using namespace vn_der;

using pkcs7der::Children;
using pkcs7der::Item;

namespace {

// Content type numbers by OID.
const struct {
    int number;
    const char* oid;
    // clang-format off
} kContentTypes[] = {
    {1, "1.2.840.113549.1.7.1"},
    {2, "1.2.840.113549.1.7.2"},
    {3, "1.2.840.113549.1.7.3"},
    {4, "1.2.840.113549.1.7.4"},
    {5, "1.2.840.113549.1.7.5"},
    {6, "1.2.840.113549.1.7.6"},
};
// clang-format on

}  // namespace

CAsn1_Pkcs7::CAsn1_Pkcs7() { m_asn1Type = 16; }

CAsn1_Pkcs7::CAsn1_Pkcs7(unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_Pkcs7::~CAsn1_Pkcs7() = default;

int CAsn1_Pkcs7::getError() const {
    if (m_error)
        return m_error;
    if (m_signedData && m_signedData->getError())
        return m_signedData->getError();
    if (m_envelopedData && m_envelopedData->getError())
        return m_envelopedData->getError();
    return 0;
}

void CAsn1_Pkcs7::setContentType(int type) {
    if (type == CT_SIGNED_DATA)
        m_contentType.reset(new (std::nothrow) CAsn1_Oid(kContentTypes[1].oid, "signedData"));
    else
        m_contentType.reset();
}

void CAsn1_Pkcs7::setSigAlgo(int mode) { m_sigAlgo = mode; }

int CAsn1_Pkcs7::getContentTypeNum() const {
    if (!m_contentType)
        return 0;
    const std::string& oid = m_contentType->getOid();
    for (const auto& t : kContentTypes)
        if (oid == t.oid)
            return t.number;
    return 0;
}

int CAsn1_Pkcs7::getVersion() const {
    return m_signedData && m_signedData->getVersion() ? m_signedData->getVersion()->getValue() : 0;
}

CAsn1_AuthAttributes* CAsn1_Pkcs7::getAuthAttributes(int signerIndex) const {
    if (getContentTypeNum() != CT_SIGNED_DATA || !m_signedData)
        return nullptr;
    const CAsn1_SignerInfo* signer = m_signedData->getSignerInfo(signerIndex);
    return signer ? signer->getAuthAttributes() : nullptr;
}

CAsn1_OctetString* CAsn1_Pkcs7::getSignature(int signerIndex, bool asEncoded) const {
    if (getContentTypeNum() != CT_SIGNED_DATA || !m_signedData)
        return nullptr;
    const CAsn1_SignerInfo* signer = m_signedData->getSignerInfo(signerIndex);
    return signer ? signer->getSiganture(asEncoded) : nullptr;
}

bool CAsn1_Pkcs7::checkCadesLevel(std::string oid, int level) {
    return vn_sign::cades_signed_attribute_allowed(oid, level);
}

int CAsn1_Pkcs7::decode() {
    m_contentType.reset();
    m_signedData.reset();
    m_envelopedData.reset();
    try {
        Item seq, type, tagged, content;
        if (!pkcs7der::readObject(*this, TAG_SEQUENCE, seq))
            return fail();
        Children c(seq);
        if (!c.expect(TAG_OID, type))
            return fail();
        m_contentType.reset(new CAsn1_Oid(type.p, type.total));
        if (m_contentType->getError())
            return fail();
        if (!c.next(tagged))
            return c.bad() ? fail() : 1;
        if (tagged.tag != TAG_CONTEXT_0)
            return fail();
        Children inner(tagged);
        if (!inner.next(content))
            return fail();
        switch (getContentTypeNum()) {
        case CT_SIGNED_DATA:
            m_signedData.reset(new CAsn1_Pkcs7_Sd(content.p, content.total));
            if (m_signedData->getError())
                return fail();
            break;
        case CT_ENVELOPED_DATA:
            m_envelopedData.reset(new CAsn1_Pkcs7_Ed(content.p, content.total));
            if (m_envelopedData->getError())
                return fail();
            break;
        default: break;
        }
        m_asn1Length = seq.contentLength;
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_Pkcs7::encode() {
    if (!m_contentType || !m_contentType->getDER())
        return fail();
    try {
        std::vector<unsigned char> content, der;
        pkcs7der::appendObject(content, m_contentType.get());
        const CAsn1Base* inner = m_signedData ? static_cast<const CAsn1Base*>(m_signedData.get())
                                              : static_cast<const CAsn1Base*>(m_envelopedData.get());
        if (inner) {
            if (!inner->getDER())
                return fail();
            pkcs7der::appendTlv(content, TAG_CONTEXT_0, inner->getDER(), inner->getDERlength());
        }
        pkcs7der::appendTlv(der, TAG_SEQUENCE, content);
        setEncoding(der);
        m_asn1Length = static_cast<unsigned int>(content.size());
    } catch (...) {
        return fail();
    }
    return 1;
}
