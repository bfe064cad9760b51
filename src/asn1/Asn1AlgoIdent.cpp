// CAsn1_AlgoIdent: AlgorithmIdentifier ::= SEQUENCE { algorithm OID, parameters ANY OPTIONAL }.
#include "Asn1AlgoIdent.h"

#include "crypto/Algorithms.h"

CAsn1_AlgoIdent::CAsn1_AlgoIdent() { m_asn1Type = 16; }

CAsn1_AlgoIdent::CAsn1_AlgoIdent(const unsigned char* der, unsigned int length) {
    m_asn1Type = 16;
    if (setEncoding(der, length))
        decode();
}

CAsn1_AlgoIdent::CAsn1_AlgoIdent(CAsn1_Oid* algorithm, CAsn1Base* parameters)
    : m_algorithm(algorithm), m_parameter(parameters) {
    m_asn1Type = 16;
    encode();
}

CAsn1_AlgoIdent::~CAsn1_AlgoIdent() = default;

CAsn1Base* CAsn1_AlgoIdent::makeParameter(const unsigned char* p, unsigned int total) {
    switch (p[0]) {
    case 0x06: return new CAsn1_Oid(p, total);
    case 0x05: return new CAsn1_NullTag();
    default: return new CAsn1_Universal(p, total);
    }
}

int CAsn1_AlgoIdent::decode() {
    m_algorithm.reset();
    m_parameter.reset();
    resetPosition();
    if (!m_cursor.data || m_cursor.data[0] != 0x30)
        return fail();
    Asn1Header h;
    if (!cursorHeader(h))
        return fail();
    m_asn1Length = h.total();
    if (!nextSubItem() || m_cursor.length == 0 || m_cursor.data[0] != 0x06)
        return fail();
    try {
        m_algorithm.reset(new CAsn1_Oid(m_cursor.data, m_cursor.length));
        if (m_algorithm->getError())
            return fail();
        if (CASN1::GetNextItem(m_cursor.data, &m_cursor)) {
            m_parameter.reset(makeParameter(m_cursor.data, m_cursor.length));
            if (!m_parameter || m_parameter->getError())
                return fail();
        }
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_AlgoIdent::encode() {
    if (!m_algorithm || !m_algorithm->getDER())
        return fail();
    try {
        if (!m_parameter)
            m_parameter.reset(new CAsn1_NullTag());
        if (!m_parameter->getDER())
            return fail();
        std::vector<unsigned char> content(m_algorithm->getDER(), m_algorithm->getDER() + m_algorithm->getDERlength());
        content.insert(content.end(), m_parameter->getDER(), m_parameter->getDER() + m_parameter->getDERlength());
        std::vector<unsigned char> der(6);
        der[0] = 0x30;
        const int lenBytes = insertLength(der.data(), static_cast<unsigned int>(content.size()), 0, 0x80, 0);
        der.resize(1 + static_cast<size_t>(lenBytes));
        der.insert(der.end(), content.begin(), content.end());
        setEncoding(der);
        m_asn1Length = static_cast<unsigned int>(der.size());
    } catch (...) {
        return fail();
    }
    return 1;
}

std::string CAsn1_AlgoIdent::getAlgorithm() const { return m_algorithm ? m_algorithm->getOid() : std::string(); }

int CAsn1_AlgoIdent::getAlgoHashLength() const {
    const vn_crypto::Algorithm* a = vn_crypto::algorithm_for_oid(getAlgorithm().c_str());
    return (a ? *a : vn_crypto::algorithm_of(vn_crypto::DigestKind::SHA256)).digestLength;
}
