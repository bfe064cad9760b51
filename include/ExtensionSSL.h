// Readable texts of qualified-certificate extensions (CExtensionSSL) and ISIS-MTT
// attributes (CRestrictionSSL), read directly from DER with CASN1.
//
// Every operation takes a pointer to a DER item and the number of bytes that may be read
// from it, and returns a text in its own process-wide buffer of TextSize bytes, cleared at
// each call (so valid until the operation is called again). An input of the wrong shape
// gives the empty text; a text that would not fit is cut. Not thread-safe.
#ifndef VN_EXTENSIONSSL_H
#define VN_EXTENSIONSSL_H

#include <log4cxx/logger.h>

#include "vn_export.h"

class VN_EXPORT CExtensionSSL {
public:
    static constexpr int TextSize = 2048;

    CExtensionSSL() = default;
    virtual ~CExtensionSSL() = default;

    // item: the element that follows the extension's OID (an optional critical BOOLEAN,
    // then the OCTET STRING extnValue).
    static char* getSubjectAltName(const unsigned char* item, unsigned int length);
    static char* getIssuerAltName(const unsigned char* item, unsigned int length);
    static char* getKeyUsage(const unsigned char* item, unsigned int length);
    static char* getSubjectKeyIdent(const unsigned char* item, unsigned int length);
    static char* getAuthorityKeyIdent(const unsigned char* item, unsigned int length);
    static char* getCertPolicies(const unsigned char* item, unsigned int length);
    static char* getQSTatements(const unsigned char* item, unsigned int length);
    static char* getAuthorityInfoAccess(const unsigned char* item, unsigned int length);
    static char* getCRLDistrbutionPoints(const unsigned char* item, unsigned int length);
    static char* getRestriction(const unsigned char* item, unsigned int length);

    static log4cxx::LoggerPtr m_logger;
};

class VN_EXPORT CRestrictionSSL {
public:
    static constexpr int TextSize = 2048;

    CRestrictionSSL() = default;
    virtual ~CRestrictionSSL() = default;

    // item: the attribute's value, usually the SET of values.
    static char* getRestriction(const unsigned char* item, unsigned int length);
    static char* getRestrictionAdditional(const unsigned char* item, unsigned int length);
    static char* getRestrictionMonetary(const unsigned char* item, unsigned int length);
    static char* getRestrictionMajority(const unsigned char* item, unsigned int length);
    static char* getRestrictionProkura(const unsigned char* item, unsigned int length);
    static char* getRestrictionAdmission(const unsigned char* item, unsigned int length);
    static char* getRestrictionIdentity(const unsigned char* item, unsigned int length);
};

#endif
