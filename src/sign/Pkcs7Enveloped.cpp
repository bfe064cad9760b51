// EnvelopedData and its recipient parts: read far enough to count and identify recipients.
#include "Asn1Pkcs7.h"
#include "asn1/DerTags.h"
#include "asn1/Pkcs7Der.h"

using namespace vn_der;

using pkcs7der::Children;
using pkcs7der::Item;

namespace {

constexpr uint8_t TAG_ORIGINATOR = vn_der::TAG_CONTEXT_0;
constexpr uint8_t TAG_ORIGINATOR_CERTS = vn_der::TAG_CONTEXT_0;
constexpr uint8_t TAG_ORIGINATOR_CRLS = vn_der::TAG_CONTEXT_1;
constexpr uint8_t TAG_UNPROTECTED = vn_der::TAG_CONTEXT_1;
constexpr uint8_t TAG_KEY_AGREEMENT = vn_der::TAG_CONTEXT_1;

}  // namespace

// ---- CAsn1_KeyTransportRecipientInfo ----

CAsn1_KeyTransportRecipientInfo::CAsn1_KeyTransportRecipientInfo() { m_asn1Type = 16; }

CAsn1_KeyTransportRecipientInfo::CAsn1_KeyTransportRecipientInfo(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_KeyTransportRecipientInfo::~CAsn1_KeyTransportRecipientInfo() = default;

int CAsn1_KeyTransportRecipientInfo::decode() {
    m_version.reset();
    try {
        Item seq, version;
        if (!pkcs7der::readObject(*this, TAG_SEQUENCE, seq))
            return fail();
        Children c(seq);
        if (!c.expect(TAG_INTEGER, version))
            return fail();
        m_version.reset(new CAsn1_Int(version.p, version.total));
        if (m_version->getError())
            return fail();
        m_asn1Length = seq.contentLength;
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_KeyTransportRecipientInfo::encode() { return 1; }

// ---- CAsn1_RecipientInfo ----

CAsn1_RecipientInfo::CAsn1_RecipientInfo() { m_asn1Type = 16; }

CAsn1_RecipientInfo::CAsn1_RecipientInfo(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_RecipientInfo::~CAsn1_RecipientInfo() = default;

int CAsn1_RecipientInfo::decode() {
    m_keyTransport.reset();
    m_other.reset();
    try {
        const unsigned char* der = getDER();
        Item item;
        if (!der || !pkcs7der::read(der, getDERlength(), item) || item.total != getDERlength())
            return fail();
        if (item.tag == TAG_SEQUENCE) {
            m_keyTransport.reset(new CAsn1_KeyTransportRecipientInfo(der, item.total));
            if (m_keyTransport->getError())
                return fail();
        } else if (item.tag == TAG_KEY_AGREEMENT) {
            m_other.reset(new CAsn1_Universal(der, item.total));
        } else {
            return fail();
        }
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_RecipientInfo::encode() { return 1; }

// ---- CAsn1_OriginatorInfo ----

CAsn1_OriginatorInfo::CAsn1_OriginatorInfo() { m_asn1Type = 16; }

CAsn1_OriginatorInfo::CAsn1_OriginatorInfo(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_OriginatorInfo::~CAsn1_OriginatorInfo() = default;

int CAsn1_OriginatorInfo::decode() {
    m_certificates.clear();
    m_crls.clear();
    try {
        Item info, part, child;
        if (!pkcs7der::readObject(*this, TAG_ORIGINATOR, info))
            return fail();
        Children c(info);
        while (c.next(part)) {
            Children list(part);
            while (list.next(child)) {
                if (child.tag != TAG_SEQUENCE)
                    continue;
                if (part.tag == TAG_ORIGINATOR_CERTS)
                    m_certificates.emplace_back(new CAsn1_Cert(child.p, child.total));
                else if (part.tag == TAG_ORIGINATOR_CRLS)
                    m_crls.emplace_back(new CAsn1_Crl(child.p, child.total));
            }
            if (list.bad())
                return fail();
        }
        if (c.bad())
            return fail();
        m_asn1Length = info.contentLength;
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_OriginatorInfo::encode() { return 1; }

// ---- CAsn1_Pkcs7_Ed ----

CAsn1_Pkcs7_Ed::CAsn1_Pkcs7_Ed() { m_asn1Type = 16; }

CAsn1_Pkcs7_Ed::CAsn1_Pkcs7_Ed(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_Pkcs7_Ed::~CAsn1_Pkcs7_Ed() = default;

int CAsn1_Pkcs7_Ed::getError() const {
    if (m_error)
        return m_error;
    for (const auto& r : m_recipientInfos)
        if (r->getError())
            return r->getError();
    return 0;
}

CAsn1_RecipientInfo* CAsn1_Pkcs7_Ed::getRecipientInfo(int index) const {
    return index >= 0 && index < getRecipientInfoNum() ? m_recipientInfos[static_cast<size_t>(index)].get() : nullptr;
}

int CAsn1_Pkcs7_Ed::decode() {
    m_version.reset();
    m_originatorInfo.reset();
    m_recipientInfos.clear();
    m_encryptedContentInfo.reset();
    m_unprotectedAttributes.reset();
    try {
        Item seq, version, part, child;
        if (!pkcs7der::readObject(*this, TAG_SEQUENCE, seq))
            return fail();
        Children c(seq);
        if (!c.expect(TAG_INTEGER, version) || !c.next(part))
            return fail();
        m_version.reset(new CAsn1_Int(version.p, version.total));
        if (part.tag == TAG_ORIGINATOR) {
            m_originatorInfo.reset(new CAsn1_OriginatorInfo(part.p, part.total));
            if (m_originatorInfo->getError() || !c.next(part))
                return fail();
        }
        if (part.tag != TAG_SET)
            return fail();
        Children recipients(part);
        while (recipients.next(child)) {
            m_recipientInfos.emplace_back(new CAsn1_RecipientInfo(child.p, child.total));
            if (m_recipientInfos.back()->getError())
                return fail();
        }
        if (recipients.bad() || !c.expect(TAG_SEQUENCE, part))
            return fail();
        m_encryptedContentInfo.reset(new CAsn1_Universal(part.p, part.total));
        if (c.next(part)) {
            if (part.tag != TAG_UNPROTECTED)
                return fail();
            m_unprotectedAttributes.reset(new CAsn1_UnauthAttributes(part.p, part.total));
            if (m_unprotectedAttributes->getError())
                return fail();
        }
        if (c.bad() || !c.atEnd() || m_version->getError())
            return fail();
        m_asn1Length = seq.contentLength;
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_Pkcs7_Ed::encode() { return 1; }
