// SignedData: version, digest algorithms, content, certificates, CRLs and signer infos.
#include "Asn1Pkcs7.h"
#include "asn1/DerTags.h"
#include "asn1/Pkcs7Der.h"

using namespace vn_der;

using pkcs7der::Children;
using pkcs7der::Item;

namespace {

constexpr uint8_t TAG_CERTIFICATES = vn_der::TAG_CONTEXT_0;
constexpr uint8_t TAG_CRLS = vn_der::TAG_CONTEXT_1;

template <class T>
T* at(const std::vector<std::unique_ptr<T>>& v, int index) {
    return index >= 0 && static_cast<size_t>(index) < v.size() ? v[static_cast<size_t>(index)].get() : nullptr;
}

// Takes the elements of a list of owned pointers (the list is left empty).
template <class T>
void takeAll(std::list<T*>* from, std::vector<std::unique_ptr<T>>& to) {
    if (!from)
        return;
    for (T*& p : *from) {
        to.emplace_back(p);
        p = nullptr;
    }
    from->clear();
}

// Appends the encodings of all objects inside one tagged item; nothing when there are none.
template <class T>
bool appendSet(std::vector<unsigned char>& out, uint8_t tag, const std::vector<std::unique_ptr<T>>& v, bool always) {
    if (v.empty() && !always)
        return true;
    std::vector<unsigned char> content;
    for (const auto& p : v)
        if (!pkcs7der::appendObject(content, p.get()))
            return false;
    pkcs7der::appendTlv(out, tag, content);
    return true;
}

}  // namespace

CAsn1_Pkcs7_Sd::CAsn1_Pkcs7_Sd() { m_asn1Type = 16; }

CAsn1_Pkcs7_Sd::CAsn1_Pkcs7_Sd(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_Pkcs7_Sd::CAsn1_Pkcs7_Sd(CAsn1_Int* version, std::list<CAsn1_AlgoIdent*>* digestAlgorithms,
                               CAsn1_ContentInfo* contentInfo, std::list<CAsn1_Cert*>* certificates,
                               std::list<CAsn1_Crl*>* crls, std::list<CAsn1_SignerInfo*>* signerInfos)
    : m_version(version), m_contentInfo(contentInfo) {
    m_asn1Type = 16;
    try {
        takeAll(digestAlgorithms, m_digestAlgorithms);
        takeAll(certificates, m_certificates);
        takeAll(crls, m_crls);
        takeAll(signerInfos, m_signerInfos);
    } catch (...) {
        fail();
        return;
    }
    encode();
}

CAsn1_Pkcs7_Sd::~CAsn1_Pkcs7_Sd() = default;

int CAsn1_Pkcs7_Sd::getError() const {
    if (m_error)
        return m_error;
    if (m_contentInfo && m_contentInfo->getError())
        return m_contentInfo->getError();
    for (const auto& s : m_signerInfos)
        if (s->getError())
            return s->getError();
    return 0;
}

CAsn1_SignerInfo* CAsn1_Pkcs7_Sd::getSignerInfo(int index) const { return at(m_signerInfos, index); }
CAsn1_AlgoIdent* CAsn1_Pkcs7_Sd::getDigestAlgorithm(int index) const { return at(m_digestAlgorithms, index); }
CAsn1_Cert* CAsn1_Pkcs7_Sd::getCertificate(int index) const { return at(m_certificates, index); }
CAsn1_Crl* CAsn1_Pkcs7_Sd::getCrl(int index) const { return at(m_crls, index); }

int CAsn1_Pkcs7_Sd::setSignature(int index, CAsn1_OctetString* signature) {
    std::unique_ptr<CAsn1_OctetString> owned(signature);
    CAsn1_SignerInfo* signer = getSignerInfo(index);
    if (!signer || !signer->setSignature(owned.release()))
        return 0;
    return encode();
}

int CAsn1_Pkcs7_Sd::decode() {
    m_version.reset();
    m_digestAlgorithms.clear();
    m_contentInfo.reset();
    m_certificates.clear();
    m_crls.clear();
    m_signerInfos.clear();
    try {
        Item seq, version, digests, content, part, child;
        if (!pkcs7der::readObject(*this, TAG_SEQUENCE, seq))
            return fail();
        Children c(seq);
        if (!c.expect(TAG_INTEGER, version) || !c.expect(TAG_SET, digests) || !c.expect(TAG_SEQUENCE, content) ||
            !c.next(part))
            return fail();
        m_version.reset(new CAsn1_Int(version.p, version.total));
        Children d(digests);
        while (d.next(child)) {
            m_digestAlgorithms.emplace_back(new CAsn1_AlgoIdent(child.p, child.total));
            if (child.tag != TAG_SEQUENCE || m_digestAlgorithms.back()->getError())
                return fail();
        }
        m_contentInfo.reset(new CAsn1_ContentInfo(content.p, content.total));
        if (d.bad() || m_version->getError() || m_contentInfo->getError())
            return fail();
        if (part.tag == TAG_CERTIFICATES) {
            // Other certificate choices (attribute certificates) are passed over.
            Children certs(part);
            while (certs.next(child))
                if (child.tag == TAG_SEQUENCE)
                    m_certificates.emplace_back(new CAsn1_Cert(child.p, child.total));
            if (certs.bad() || !c.next(part))
                return fail();
        }
        if (part.tag == TAG_CRLS) {
            Children crls(part);
            while (crls.next(child))
                if (child.tag == TAG_SEQUENCE)
                    m_crls.emplace_back(new CAsn1_Crl(child.p, child.total));
            if (crls.bad() || !c.next(part))
                return fail();
        }
        if (part.tag != TAG_SET)
            return fail();
        Children signers(part);
        while (signers.next(child)) {
            m_signerInfos.emplace_back(new CAsn1_SignerInfo(child.p, child.total));
            if (m_signerInfos.back()->getError())
                return fail();
        }
        if (signers.bad() || c.bad() || !c.atEnd())
            return fail();
        m_asn1Length = seq.contentLength;
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_Pkcs7_Sd::encode() {
    if (!m_version || !m_contentInfo)
        return fail();
    try {
        std::vector<unsigned char> content, der;
        if (!pkcs7der::appendObject(content, m_version.get()) ||
            !appendSet(content, TAG_SET, m_digestAlgorithms, true) ||
            !pkcs7der::appendObject(content, m_contentInfo.get()) ||
            !appendSet(content, TAG_CERTIFICATES, m_certificates, false) ||
            !appendSet(content, TAG_CRLS, m_crls, false) || !appendSet(content, TAG_SET, m_signerInfos, true))
            return fail();
        pkcs7der::appendTlv(der, TAG_SEQUENCE, content);
        setEncoding(der);
        m_asn1Length = static_cast<unsigned int>(content.size());
    } catch (...) {
        return fail();
    }
    return 1;
}
