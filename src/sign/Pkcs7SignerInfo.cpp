// SignerInfo: its parts, the signature value and the raw form of ECDSA values.
#include <cstring>

#include "Asn1Pkcs7.h"
#include "asn1/DerTags.h"
#include "asn1/Pkcs7Der.h"

using namespace vn_der;

using pkcs7der::Children;
using pkcs7der::Item;

namespace {

constexpr uint8_t TAG_AUTH_ATTRIBUTES = vn_der::TAG_CONTEXT_0;
constexpr uint8_t TAG_UNAUTH_ATTRIBUTES = vn_der::TAG_CONTEXT_1;
constexpr uint8_t TAG_SUBJECT_KEY_ID = vn_der::TAG_CONTEXT_PRIMITIVE_0;

const char* const PREFIX_ECDSA = "1.2.840.10045.4";
const char* const PREFIX_PLAIN_ECDSA = "0.4.0.127.0.7.1.1.4.1";
const char* const PREFIX_PSS = "1.2.840.113549.1.1.10";

// The raw form is offered for values of 256-bit curves only: a sequence whose length (the
// content, at most 2 x 35 bytes) is below this size,
// with integers of at most a 32-byte value and a leading zero byte.
constexpr uint32_t RAW_MAX_SEQUENCE = 71;
constexpr uint32_t RAW_MAX_INTEGER = 33;
constexpr size_t RAW_HALF = 32;

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

CAsn1_OctetString* octetStringOf(const unsigned char* data, size_t n) {
    std::vector<unsigned char> der;
    pkcs7der::appendTlv(der, TAG_OCTETSTRING, data, n);
    return new CAsn1_OctetString(der.data(), static_cast<unsigned int>(der.size()));
}

// Left-pads the integer content to RAW_HALF bytes into out; false when it is too long.
bool padInteger(const Item& i, unsigned char* out) {
    const unsigned char* p = i.content;
    uint32_t n = i.contentLength;
    if (n == RAW_MAX_INTEGER) {
        if (p[0] != 0)
            return false;
        ++p;
        --n;
    }
    if (n == 0 || n > RAW_HALF)
        return false;
    std::memset(out, 0, RAW_HALF - n);
    std::memcpy(out + (RAW_HALF - n), p, n);
    return true;
}

}  // namespace

CAsn1_SignerInfo::CAsn1_SignerInfo() { m_asn1Type = 16; }

CAsn1_SignerInfo::CAsn1_SignerInfo(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_SignerInfo::CAsn1_SignerInfo(CAsn1_Int* version, CAsn1_IssuerAndSerial* issuerAndSerial,
                                   CAsn1_AlgoIdent* digestAlgorithm, CAsn1_AuthAttributes* authAttributes,
                                   CAsn1_AlgoIdent* signatureAlgorithm, CAsn1_OctetString* signature,
                                   CAsn1_UnauthAttributes* unauthAttributes)
    : m_version(version),
      m_issuerAndSerial(issuerAndSerial),
      m_digestAlgorithm(digestAlgorithm),
      m_authAttributes(authAttributes),
      m_signatureAlgorithm(signatureAlgorithm),
      m_signature(signature),
      m_unauthAttributes(unauthAttributes) {
    m_asn1Type = 16;
    if (encode())
        refreshRawSignature();
}

CAsn1_SignerInfo::~CAsn1_SignerInfo() = default;

int CAsn1_SignerInfo::decode() {
    m_version.reset();
    m_issuerAndSerial.reset();
    m_digestAlgorithm.reset();
    m_authAttributes.reset();
    m_signatureAlgorithm.reset();
    m_signature.reset();
    m_unauthAttributes.reset();
    m_rawSignature.reset();
    try {
        Item seq, version, sid, digest, part, signature;
        if (!pkcs7der::readObject(*this, TAG_SEQUENCE, seq))
            return fail();
        Children c(seq);
        if (!c.expect(TAG_INTEGER, version) || !c.next(sid) || !c.expect(TAG_SEQUENCE, digest) || !c.next(part))
            return fail();
        m_version.reset(new CAsn1_Int(version.p, version.total));
        if (sid.tag == TAG_SEQUENCE)
            m_issuerAndSerial.reset(new CAsn1_IssuerAndSerial(sid.p, sid.total));
        else if (sid.tag != TAG_SUBJECT_KEY_ID)
            return fail();
        m_digestAlgorithm.reset(new CAsn1_AlgoIdent(digest.p, digest.total));
        if (part.tag == TAG_AUTH_ATTRIBUTES) {
            m_authAttributes.reset(new CAsn1_AuthAttributes(part.p, part.total));
            if (!c.next(part))
                return fail();
        }
        if (part.tag != TAG_SEQUENCE || !c.expect(TAG_OCTETSTRING, signature))
            return fail();
        m_signatureAlgorithm.reset(new CAsn1_AlgoIdent(part.p, part.total));
        m_signature.reset(new CAsn1_OctetString(signature.p, signature.total));
        if (c.next(part)) {
            if (part.tag != TAG_UNAUTH_ATTRIBUTES)
                return fail();
            m_unauthAttributes.reset(new CAsn1_UnauthAttributes(part.p, part.total));
        }
        if (c.bad() || !c.atEnd())
            return fail();
        const CAsn1Base* parts[] = {m_version.get(),         m_issuerAndSerial.get(),    m_digestAlgorithm.get(),
                                    m_authAttributes.get(),  m_signatureAlgorithm.get(), m_signature.get(),
                                    m_unauthAttributes.get()};
        for (const CAsn1Base* p : parts)
            if (p && p->getError())
                return fail();
        m_asn1Length = seq.contentLength;
        refreshRawSignature();
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_SignerInfo::encode() {
    if (!m_version || !m_issuerAndSerial || !m_digestAlgorithm || !m_signatureAlgorithm || !m_signature)
        return fail();
    try {
        std::vector<unsigned char> content, der;
        if (!pkcs7der::appendObject(content, m_version.get()) ||
            !pkcs7der::appendObject(content, m_issuerAndSerial.get()) ||
            !pkcs7der::appendObject(content, m_digestAlgorithm.get()))
            return fail();
        // An empty set of signed attributes is not allowed: leave it out.
        if (m_authAttributes && m_authAttributes->getAttributeNum() > 0 &&
            !pkcs7der::appendObject(content, m_authAttributes.get()))
            return fail();
        if (!pkcs7der::appendObject(content, m_signatureAlgorithm.get()) ||
            !pkcs7der::appendObject(content, m_signature.get()))
            return fail();
        if (m_unauthAttributes && m_unauthAttributes->getAttributeNum() > 0 &&
            !pkcs7der::appendObject(content, m_unauthAttributes.get()))
            return fail();
        pkcs7der::appendTlv(der, TAG_SEQUENCE, content);
        setEncoding(der);
        m_asn1Length = static_cast<unsigned int>(content.size());
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_SignerInfo::setSignature(CAsn1_OctetString* signature) {
    std::unique_ptr<CAsn1_OctetString> owned(signature);
    if (!owned || !owned->getDER())
        return 0;
    m_signature = std::move(owned);
    if (!encode())
        return 0;
    try {
        refreshRawSignature();
    } catch (...) {
        return fail();
    }
    return 1;
}

bool CAsn1_SignerInfo::isPSS() const {
    return m_signatureAlgorithm && startsWith(m_signatureAlgorithm->getAlgorithm(), PREFIX_PSS);
}

bool CAsn1_SignerInfo::isECDSA() const {
    if (!m_signatureAlgorithm)
        return false;
    const std::string oid = m_signatureAlgorithm->getAlgorithm();
    return startsWith(oid, PREFIX_ECDSA) || startsWith(oid, PREFIX_PLAIN_ECDSA);
}

CAsn1_OctetString* CAsn1_SignerInfo::getSiganture(bool asEncoded) const {
    if (!asEncoded && isECDSA() && m_rawSignature)
        return m_rawSignature.get();
    return m_signature.get();
}

void CAsn1_SignerInfo::refreshRawSignature() {
    m_rawSignature.reset(isECDSA() ? getRawECDSA_SignatureData() : nullptr);
}

CAsn1_OctetString* CAsn1_SignerInfo::getRawECDSA_SignatureData() const {
    if (!m_signature)
        return nullptr;
    const unsigned char* value = m_signature->getBinaryData();
    const unsigned int n = m_signature->getBinaryDataLen();
    Item seq, r, s;
    if (value && n > 0 && pkcs7der::read(value, n, seq) && seq.tag == TAG_SEQUENCE &&
        seq.contentLength < RAW_MAX_SEQUENCE) {
        Children c(seq);
        unsigned char raw[2 * RAW_HALF];
        if (c.expect(TAG_INTEGER, r) && c.expect(TAG_INTEGER, s) && padInteger(r, raw) && padInteger(s, raw + RAW_HALF))
            return octetStringOf(raw, sizeof raw);
    }
    return new CAsn1_OctetString(m_signature->getDER(), m_signature->getDERlength());
}
