// CAsn1_Cert: issuer, serial number and public key of a DER certificate.
#include "Asn1Cert.h"

CAsn1_Cert::CAsn1_Cert() { m_asn1Type = 16; }

CAsn1_Cert::CAsn1_Cert(const unsigned char* der, unsigned int size) {
    m_asn1Type = 16;
    if (setEncoding(der, size))
        decode();
}

CAsn1_Cert::~CAsn1_Cert() = default;

DBs CAsn1_Cert::item(int code) const {
    DBs rec;
    if (m_encoding)
        CASN1::GetCertItem(m_encoding.get(), m_encodingLength, code, &rec);
    return rec;
}

int CAsn1_Cert::decode() {
    if (!m_encoding)
        return 0;
    if (m_publicKey)
        return 1;
    const DBs spki = item(CASN1::CERT_PUBLICKEY);
    if (!spki.data)
        return fail();
    try {
        std::unique_ptr<CAsn1_PublicKey> key(new CAsn1_PublicKey(spki.data, spki.length));
        if (key->getError())
            return fail();
        m_publicKey = std::move(key);
    } catch (...) {
        return fail();
    }
    return 1;
}

int CAsn1_Cert::encode() { return 1; }

unsigned char* CAsn1_Cert::getIssuerDn() const { return item(CASN1::CERT_ISSUER).data; }
unsigned int CAsn1_Cert::getIssuerDnLength() const { return item(CASN1::CERT_ISSUER).length; }
unsigned char* CAsn1_Cert::getSerial() const { return item(CASN1::CERT_SERIAL).data; }
unsigned int CAsn1_Cert::getSerialLength() const { return item(CASN1::CERT_SERIAL).length; }

int CAsn1_Cert::getPublicKeyLength() const { return m_publicKey ? m_publicKey->getKeyLength() : 0; }

std::string CAsn1_Cert::getPublicKeyOID() const {
    return m_publicKey ? m_publicKey->getAlgoOID() : std::string("UNKNOWN");
}

bool CAsn1_Cert::isPublicKeyRSA() const { return m_publicKey && m_publicKey->isRSA(); }
bool CAsn1_Cert::isPublicKeyEC() const { return m_publicKey && m_publicKey->isEC(); }
