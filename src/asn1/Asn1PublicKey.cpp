// Public keys: subjectPublicKeyInfo, RSA and EC keys, and the curve table.
#include <openssl/ec.h>

#include <cstring>
#include <memory>

#include "Asn1Cert.h"
#include "infra/OpenSslPtr.h"

namespace {

const char* const RsaEncryption = "1.2.840.113549.1.1.1";
const char* const RsaPss = "1.2.840.113549.1.1.10";
const char* const EcPublicKey = "1.2.840.10045.2.1";

// Curve OID, key length in bits.
const struct {
    const char* oid;
    int bits;
    // clang-format off
} curves[] = {
    {"1.3.132.0.9", 160},
    {"1.3.132.0.8", 160},
    {"1.3.132.0.30", 160},
    {"1.3.36.3.3.2.8.1.1.1", 160},
    {"1.3.36.3.3.2.8.1.1.2", 160},
    {"1.3.132.0.31", 192},
    {"1.2.840.10045.3.1.1", 192},
    {"1.3.36.3.3.2.8.1.1.3", 192},
    {"1.3.36.3.3.2.8.1.1.4", 192},
    {"1.3.132.0.32", 224},
    {"1.3.132.0.33", 224},
    {"1.3.36.3.3.2.8.1.1.5", 224},
    {"1.3.36.3.3.2.8.1.1.6", 224},
    {"1.3.132.0.10", 256},
    {"1.2.840.10045.3.1.7", 256},
    {"1.3.36.3.3.2.8.1.1.7", 256},
    {"1.3.36.3.3.2.8.1.1.8", 256},
    {"1.2.250.1.223.101.256.1", 256},
    {"1.3.36.3.3.2.8.1.1.9", 320},
    {"1.3.36.3.3.2.8.1.1.10", 320},
    {"1.3.132.0.34", 384},
    {"1.3.36.3.3.2.8.1.1.11", 384},
    {"1.3.36.3.3.2.8.1.1.12", 384},
    {"1.3.36.3.3.2.8.1.1.13", 512},
    {"1.3.36.3.3.2.8.1.1.14", 512},
    {"1.3.132.0.35", 521},
};
// clang-format on

// The encoding of a subjectPublicKey BIT STRING, null (refused by the key's decoder) when
// there is none.
const unsigned char* keyBitsDer(const CAsn1_BitString* bits) { return bits ? bits->getDER() : nullptr; }

unsigned int keyBitsLength(const CAsn1_BitString* bits) { return bits ? bits->getDERlength() : 0; }

}  // namespace

// ---- CAsn1_PublicKeyRSA ----

CAsn1_PublicKeyRSA::CAsn1_PublicKeyRSA() { m_asn1Type = 16; }

CAsn1_PublicKeyRSA::CAsn1_PublicKeyRSA(const unsigned char* der, unsigned int size) {
    m_asn1Type = 16;
    if (setEncoding(der, size))
        decode();
}

CAsn1_PublicKeyRSA::CAsn1_PublicKeyRSA(const CAsn1_BitString* bits)
    : CAsn1_PublicKeyRSA(keyBitsDer(bits), keyBitsLength(bits)) {}

CAsn1_PublicKeyRSA::~CAsn1_PublicKeyRSA() = default;

int CAsn1_PublicKeyRSA::decode() {
    m_modulus.reset();
    m_exponent.reset();
    resetPosition();
    if (!m_cursor.data || m_cursor.data[0] != 0x03)
        return fail();
    if (!nextSubItem() || m_cursor.length == 0 || m_cursor.data[0] != 0x30)
        return fail();
    if (!nextSubItem() || m_cursor.length == 0 || m_cursor.data[0] != 0x02)
        return fail();
    try {
        // The modulus content (sign byte included) as an OCTET STRING value.
        std::vector<unsigned char> octets(m_cursor.data, m_cursor.data + m_cursor.length);
        octets[0] = 0x04;
        m_modulus.reset(new CAsn1_OctetString(octets.data(), static_cast<unsigned int>(octets.size())));
        if (m_modulus->getError())
            return fail();
        if (!nextItem() || m_cursor.data[0] != 0x02)
            return fail();
        m_exponent.reset(new CAsn1_Int(m_cursor.data, m_cursor.length));
        if (m_exponent->getError())
            return fail();
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_PublicKeyRSA::encode() { return 1; }

int CAsn1_PublicKeyRSA::getKeySize() const {
    if (!m_modulus)
        return 0;
    const unsigned char* p = m_modulus->getBinaryData();
    unsigned int n = m_modulus->getBinaryDataLen();
    if (!p)
        return 0;
    while (n > 0 && *p == 0) {
        ++p;
        --n;
    }
    if (n == 0)
        return 0;
    int bits = static_cast<int>(n - 1) * 8;
    for (unsigned char b = *p; b; b >>= 1)
        ++bits;
    return bits;
}

// ---- CAsn1_PublicKeyEC ----

CAsn1_PublicKeyEC::CAsn1_PublicKeyEC() { m_asn1Type = 16; }

CAsn1_PublicKeyEC::CAsn1_PublicKeyEC(const unsigned char* der, unsigned int size) {
    m_asn1Type = 16;
    if (setEncoding(der, size))
        decode();
}

CAsn1_PublicKeyEC::CAsn1_PublicKeyEC(const CAsn1_BitString* bits)
    : CAsn1_PublicKeyEC(keyBitsDer(bits), keyBitsLength(bits)) {}

CAsn1_PublicKeyEC::~CAsn1_PublicKeyEC() = default;

int CAsn1_PublicKeyEC::decode() {
    m_curve.reset();
    m_null.reset();
    m_keyPoint.reset();
    resetPosition();
    Asn1Header h;
    if (!cursorHeader(h))
        return fail();
    m_asn1Length = h.total();
    try {
        if (m_cursor.data[0] == 0x03)
            m_keyPoint.reset(new CAsn1_BitString(m_cursor.data, h.total()));
        else if (m_cursor.data[0] == 0x06)
            m_curve.reset(new CAsn1_Oid(m_cursor.data, h.total()));
        else
            m_null.reset(new CAsn1_NullTag());
    } catch (...) {
        return fail();
    }
    if ((m_keyPoint && m_keyPoint->getError()) || (m_curve && m_curve->getError()))
        return fail();
    return 1;
}

int CAsn1_PublicKeyEC::encode() { return 1; }

int CAsn1_PublicKeyEC::getKeySize() const {
    return m_keyPoint ? static_cast<int>(m_keyPoint->getValue().size() / 2) : 0;
}

CAsn1_OctetString* CAsn1_PublicKeyEC::getKeyValue() const {
    try {
        std::string hex;
        if (m_curve && m_curve->getDER())
            CAsn1Helper::hex2str(m_curve->getDER(), m_curve->getDERlength(), hex);
        else if (m_null && m_null->getDER())
            CAsn1Helper::hex2str(m_null->getDER(), m_null->getDERlength(), hex);
        else if (m_keyPoint)
            hex = m_keyPoint->getValue();
        else
            return nullptr;
        return new CAsn1_OctetString(hex);
    } catch (...) {
        return nullptr;
    }
}

// ---- CAsn1_PublicKey ----

CAsn1_PublicKey::CAsn1_PublicKey() { m_asn1Type = 16; }

CAsn1_PublicKey::CAsn1_PublicKey(const unsigned char* der, unsigned int size) {
    m_asn1Type = 16;
    if (setEncoding(der, size))
        decode();
}

CAsn1_PublicKey::~CAsn1_PublicKey() = default;

int CAsn1_PublicKey::curveBits(const std::string& curveOid) {
    for (const auto& c : curves)
        if (curveOid == c.oid)
            return c.bits;
    return 0;
}

int CAsn1_PublicKey::decode() {
    m_algorithm.reset();
    m_keyBits.reset();
    m_rsa.reset();
    m_ec.reset();
    resetPosition();
    Asn1Header h;
    if (!m_cursor.data || m_cursor.data[0] != 0x30 || !cursorHeader(h))
        return fail();
    m_asn1Length = h.total();
    try {
        if (!nextSubItem() || m_cursor.length == 0 || m_cursor.data[0] != 0x30)
            return fail();
        m_algorithm.reset(new CAsn1_AlgoIdent(m_cursor.data, m_cursor.length));
        if (m_algorithm->getError())
            return fail();
        if (!nextItem() || m_cursor.data[0] != 0x03)
            return fail();
        m_keyBits.reset(new CAsn1_BitString(m_cursor.data, m_cursor.length));
        if (m_keyBits->getError())
            return fail();
        if (isRSA()) {
            m_rsa.reset(new CAsn1_PublicKeyRSA(m_keyBits.get()));
            if (m_rsa->getError())
                return fail();
        } else if (isEC()) {
            m_ec.reset(new CAsn1_PublicKeyEC(m_keyBits.get()));
            if (m_ec->getError())
                return fail();
        }
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_PublicKey::encode() { return 1; }

std::string CAsn1_PublicKey::getAlgoOID() const {
    if (!m_algorithm || m_algorithm->getAlgorithm().empty())
        return "UNKNOWN";
    return m_algorithm->getAlgorithm();
}

bool CAsn1_PublicKey::isRSA() const {
    const std::string oid = getAlgoOID();
    return oid == RsaEncryption || oid == RsaPss;
}

bool CAsn1_PublicKey::isEC() const { return getAlgoOID() == EcPublicKey; }

int CAsn1_PublicKey::getKeyLength() {
    if (isRSA()) {
        if (!m_rsa && m_keyBits) {
            try {
                m_rsa.reset(new CAsn1_PublicKeyRSA(m_keyBits.get()));
            } catch (...) {
                return 0;
            }
        }
        return m_rsa ? m_rsa->getKeySize() : 0;
    }
    if (isEC() && m_algorithm) {
        const CAsn1Base* parameter = m_algorithm->getParameter();
        const CAsn1_Oid* curve = dynamic_cast<const CAsn1_Oid*>(parameter);
        if (curve)
            return curveBits(curve->getOid());
        // Explicit curve parameters: the size of the field.
        if (parameter != nullptr && parameter->getDER() != nullptr && parameter->getDERlength() > 0) {
            const unsigned char* p = parameter->getDER();
            vn_ossl::EcGroupPtr group(d2i_ECPKParameters(nullptr, &p, static_cast<long>(parameter->getDERlength())));
            if (group)
                return EC_GROUP_get_degree(group.get());
        }
    }
    return 0;
}
