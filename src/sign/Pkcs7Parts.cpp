// Certificate list holder, RSASSA-PSS parameters, SigningCertificateV2 and the
// encapsulated content info.
#include "Asn1Pkcs7.h"
#include "asn1/DerTags.h"
#include "asn1/Pkcs7Der.h"
#include "crypto/DigestFactory.h"

using namespace vn_der;

using pkcs7der::Children;
using pkcs7der::Item;

namespace {

const char* const OID_MGF1 = "1.2.840.113549.1.1.8";

// The single child of an explicit tag.
bool explicitChild(const Item& tagged, Item& child) {
    Children c(tagged);
    return c.next(child) && c.atEnd() && !c.bad();
}

}  // namespace

// ---- CAsn1_Crl ----

CAsn1_Crl::CAsn1_Crl() { m_asn1Type = 16; }

CAsn1_Crl::CAsn1_Crl(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

int CAsn1_Crl::decode() {
    Item seq;
    if (!pkcs7der::readObject(*this, TAG_SEQUENCE, seq))
        return fail();
    m_asn1Length = seq.contentLength;
    return 1;
}

int CAsn1_Crl::encode() { return 1; }

// ---- CAsn1_AlgoIdent_Params ----

CAsn1_AlgoIdent_Params::CAsn1_AlgoIdent_Params() { m_asn1Type = 16; }

CAsn1_AlgoIdent_Params::CAsn1_AlgoIdent_Params(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_AlgoIdent_Params::CAsn1_AlgoIdent_Params(CAsn1_AlgoIdent* hashAlgorithm, CAsn1_AlgoIdent* maskHashAlgorithm,
                                               CAsn1_Int* saltLength)
    : m_hash(hashAlgorithm), m_maskHash(maskHashAlgorithm), m_salt(saltLength) {
    m_asn1Type = 16;
    try {
        if (m_maskHash && m_maskHash->getDER()) {
            CAsn1Base* maskParameter = new CAsn1_AlgoIdent(m_maskHash->getDER(), m_maskHash->getDERlength());
            m_mask.reset(new CAsn1_AlgoIdent(new CAsn1_Oid(OID_MGF1, "mgf1"), maskParameter));
        }
    } catch (...) {
        fail();
        return;
    }
    encode();
}

CAsn1_AlgoIdent_Params::~CAsn1_AlgoIdent_Params() = default;

int CAsn1_AlgoIdent_Params::getSaltLength() const { return m_salt ? m_salt->getValue() : 0; }

int CAsn1_AlgoIdent_Params::decode() {
    m_hash.reset();
    m_mask.reset();
    m_maskHash.reset();
    m_salt.reset();
    try {
        Item seq, tagged, child;
        if (!pkcs7der::readObject(*this, TAG_SEQUENCE, seq))
            return fail();
        Children c(seq);
        while (c.next(tagged)) {
            if (!explicitChild(tagged, child))
                return fail();
            if (tagged.tag == TAG_CONTEXT_0 && child.tag == TAG_SEQUENCE) {
                m_hash.reset(new CAsn1_AlgoIdent(child.p, child.total));
            } else if (tagged.tag == TAG_CONTEXT_1 && child.tag == TAG_SEQUENCE) {
                m_mask.reset(new CAsn1_AlgoIdent(child.p, child.total));
                const CAsn1Base* p = m_mask->getParameter();
                if (p && p->getDER() && p->getDER()[0] == TAG_SEQUENCE)
                    m_maskHash.reset(new CAsn1_AlgoIdent(p->getDER(), p->getDERlength()));
            } else if (tagged.tag == TAG_CONTEXT_2 && child.tag == TAG_INTEGER) {
                m_salt.reset(new CAsn1_Int(child.p, child.total));
            } else if (tagged.tag != 0xA3) {
                return fail();
            }
        }
        if (c.bad() || (m_hash && m_hash->getError()) || (m_mask && m_mask->getError()) ||
            (m_salt && m_salt->getError()))
            return fail();
        m_asn1Length = seq.contentLength;
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_AlgoIdent_Params::encode() {
    try {
        std::vector<unsigned char> content, der;
        const struct {
            uint8_t tag;
            const CAsn1Base* part;
        } parts[] = {{TAG_CONTEXT_0, m_hash.get()}, {TAG_CONTEXT_1, m_mask.get()}, {TAG_CONTEXT_2, m_salt.get()}};
        for (const auto& p : parts) {
            if (!p.part)
                continue;
            if (!p.part->getDER())
                return fail();
            pkcs7der::appendTlv(content, p.tag, p.part->getDER(), p.part->getDERlength());
        }
        pkcs7der::appendTlv(der, TAG_SEQUENCE, content);
        setEncoding(der);
        m_asn1Length = static_cast<unsigned int>(content.size());
    } catch (...) {
        return fail();
    }
    return 1;
}

// ---- CAsn1_EssCertIdV2 ----

CAsn1_EssCertIdV2::CAsn1_EssCertIdV2() { m_asn1Type = 16; }

CAsn1_EssCertIdV2::CAsn1_EssCertIdV2(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_EssCertIdV2::CAsn1_EssCertIdV2(const CAsn1_Cert* cert) {
    m_asn1Type = 16;
    if (!cert || !cert->getDER()) {
        fail();
        return;
    }
    try {
        const vn_crypto::Algorithm& sha256 = vn_crypto::algorithm_of(vn_crypto::DigestKind::SHA256);
        std::vector<unsigned char> digest(static_cast<size_t>(sha256.digestLength));
        vn_crypto::digest_buffer(sha256.kind, cert->getDER(), cert->getDERlength(), digest.data());
        std::vector<unsigned char> hash;
        pkcs7der::appendTlv(hash, TAG_OCTETSTRING, digest.data(), digest.size());
        m_hashAlgorithm.reset(new CAsn1_AlgoIdent(new CAsn1_Oid(sha256.oid, sha256.oidName)));
        m_certHash.reset(new CAsn1_OctetString(hash.data(), static_cast<unsigned int>(hash.size())));
        m_issuerSerial.reset(new CAsn1_IssuerSerial(cert));
    } catch (...) {
        fail();
        return;
    }
    encode();
}

CAsn1_EssCertIdV2::~CAsn1_EssCertIdV2() = default;

int CAsn1_EssCertIdV2::decode() {
    m_hashAlgorithm.reset();
    m_certHash.reset();
    m_issuerSerial.reset();
    try {
        Item outer, certs, id, part;
        if (!pkcs7der::readObject(*this, TAG_SEQUENCE, outer))
            return fail();
        Children o(outer);
        if (!o.expect(TAG_SEQUENCE, certs))
            return fail();
        Children l(certs);
        if (!l.expect(TAG_SEQUENCE, id))
            return fail();
        Children c(id);
        if (!c.next(part))
            return fail();
        if (part.tag == TAG_SEQUENCE) {
            m_hashAlgorithm.reset(new CAsn1_AlgoIdent(part.p, part.total));
            if (!c.next(part))
                return fail();
        }
        if (part.tag != TAG_OCTETSTRING)
            return fail();
        m_certHash.reset(new CAsn1_OctetString(part.p, part.total));
        if (c.next(part)) {
            if (part.tag != TAG_SEQUENCE)
                return fail();
            m_issuerSerial.reset(new CAsn1_IssuerSerial(part.p, part.total));
        }
        if (c.bad() || m_certHash->getError() || (m_hashAlgorithm && m_hashAlgorithm->getError()) ||
            (m_issuerSerial && m_issuerSerial->getError()))
            return fail();
        m_asn1Length = outer.contentLength;
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_EssCertIdV2::encode() {
    if (!m_certHash)
        return fail();
    try {
        std::vector<unsigned char> id, idSeq, certs, der;
        if ((m_hashAlgorithm && !pkcs7der::appendObject(id, m_hashAlgorithm.get())) ||
            !pkcs7der::appendObject(id, m_certHash.get()) ||
            (m_issuerSerial && !pkcs7der::appendObject(id, m_issuerSerial.get())))
            return fail();
        pkcs7der::appendTlv(idSeq, TAG_SEQUENCE, id);
        pkcs7der::appendTlv(certs, TAG_SEQUENCE, idSeq);
        pkcs7der::appendTlv(der, TAG_SEQUENCE, certs);
        setEncoding(der);
        m_asn1Length = static_cast<unsigned int>(certs.size());
    } catch (...) {
        return fail();
    }
    return 1;
}

// ---- CAsn1_ContentInfo ----

CAsn1_ContentInfo::CAsn1_ContentInfo() { m_asn1Type = 16; }

CAsn1_ContentInfo::CAsn1_ContentInfo(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_ContentInfo::CAsn1_ContentInfo(CAsn1_Oid* contentType, CAsn1_OctetString* content)
    : m_contentType(contentType), m_content(content) {
    m_asn1Type = 16;
    encode();
}

CAsn1_ContentInfo::~CAsn1_ContentInfo() = default;

int CAsn1_ContentInfo::decode() {
    m_contentType.reset();
    m_content.reset();
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
        if (c.next(tagged)) {
            if (tagged.tag != TAG_CONTEXT_0 || !explicitChild(tagged, content) || content.tag != TAG_OCTETSTRING)
                return fail();
            m_content.reset(new CAsn1_OctetString(content.p, content.total));
            if (m_content->getError())
                return fail();
        }
        if (c.bad() || !c.atEnd())
            return fail();
        m_asn1Length = seq.contentLength;
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_ContentInfo::encode() {
    if (!m_contentType || !m_contentType->getDER())
        return fail();
    try {
        std::vector<unsigned char> content, der;
        pkcs7der::appendObject(content, m_contentType.get());
        if (m_content) {
            if (!m_content->getDER())
                return fail();
            pkcs7der::appendTlv(content, TAG_CONTEXT_0, m_content->getDER(), m_content->getDERlength());
        }
        pkcs7der::appendTlv(der, TAG_SEQUENCE, content);
        setEncoding(der);
        m_asn1Length = static_cast<unsigned int>(content.size());
    } catch (...) {
        return fail();
    }
    return 1;
}
