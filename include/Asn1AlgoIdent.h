// AlgorithmIdentifier: an algorithm OID and its parameters.
#ifndef VN_ASN1ALGOIDENT_H
#define VN_ASN1ALGOIDENT_H

#include <memory>
#include <string>

#include "Asn1Base.h"
#include "vn_export.h"

class VN_EXPORT CAsn1_AlgoIdent : public CAsn1Base {
public:
    CAsn1_AlgoIdent();
    // Decodes an AlgorithmIdentifier SEQUENCE.
    CAsn1_AlgoIdent(const unsigned char* der, unsigned int length);
    // Takes ownership of both objects; without parameters a NULL is encoded.
    explicit CAsn1_AlgoIdent(CAsn1_Oid* algorithm, CAsn1Base* parameters = nullptr);
    ~CAsn1_AlgoIdent() override;

    int decode() override;
    int encode() override;

    // Dotted OID text of the algorithm; empty when there is none.
    std::string getAlgorithm() const;
    CAsn1_Oid* getAlgorithmObject() const { return m_algorithm.get(); }
    // The parameters object: a CAsn1_Oid, a CAsn1_NullTag or an undecoded item; null when
    // the decoded identifier has none.
    CAsn1Base* getParameter() const { return m_parameter.get(); }
    // Digest length in bytes of a digest algorithm OID (32 for unknown ones).
    int getAlgoHashLength() const;

protected:
    // Builds the parameters object of the decoded item at p (total bytes).
    virtual CAsn1Base* makeParameter(const unsigned char* p, unsigned int total);

    std::unique_ptr<CAsn1_Oid> m_algorithm;
    std::unique_ptr<CAsn1Base> m_parameter;
};

#endif
