// Certificates of the card in the current reader: count, identifiers, labels, DER
// copies and parsed certificates. The profile and certificate files of the card come
// from the reader's profile cache while the card stays in.
#include "SCUtils.h"

#include <openssl/x509.h>

#include <cstring>
#include <memory>

#include "CertInfoSC.h"
#include "Reader.h"
#include "SC_Profile.h"
#include "SafeMem.h"
#include "infra/Loggers.h"
#include "infra/OpenSslPtr.h"

namespace {

void setId(char* field, int index) {
    char text[34];
    CSafeMem::strcpy(field, CSCUtils::CERT_ID_SIZE, itoa(index, text, 10));
}

}  // namespace

int CSCUtils::GetNumCerts() {
    if (reader < 0)
        return 0;
    CReader r;
    r.GetCardType(reader);
    CSC_ProfileHandle profile(r.ReadSCProfile(reader));
    return profile ? profile->m_certCount : 0;
}

int CSCUtils::GetCertIDs() {
    numCerts = 0;
    if (reader < 0)
        return 0;
    CReader r;
    r.GetCardType(reader);
    CSC_ProfileHandle profile(r.ReadSCProfile(reader));
    if (!profile)
        return 0;
    clearCertData();
    const int count = profile->m_certCount;
    for (int i = 0; i < count; ++i) {
        // The arrays hold MAX_CERTS entries; further certificates are left out.
        if (numCerts >= MAX_CERTS)
            break;
        std::unique_ptr<CCertInfoSC> cert(profile->readCert(i));
        if (!cert)
            continue;
        CSafeMem::strcpy(certLabels[numCerts], CERT_LABEL_SIZE, cert->getLabel().c_str());
        const unsigned int length = cert->getCertDataLen();
        unsigned char* data = cert->getCertData();
        if (data != nullptr && length > 0) {
            certData[numCerts] = new unsigned char[length];
            std::memcpy(certData[numCerts], data, length);
            certDataLen[numCerts] = length;
        }
        setId(certIDs[numCerts], i);
        ++numCerts;
    }
    return count;
}

X509* CSCUtils::GetX509(int certIndex) {
    LOG4CXX_DEBUG(m_logger, "entering GetX509()\n");
    LOG4CXX_DEBUG(m_logger, "iSlot : " << certIndex);
    if (reader < 0)
        return nullptr;
    CReader r;
    CSC_ProfileHandle profile(r.ReadSCProfile(reader));
    if (!profile)
        return nullptr;
    numCerts = profile->m_certCount;
    if (certIndex < 0 || certIndex >= numCerts)
        return nullptr;
    std::unique_ptr<CCertInfoSC> cert(profile->readCert(certIndex));
    if (!cert)
        return nullptr;
    if (certIndex < MAX_CERTS) {
        CSafeMem::strcpy(certLabels[certIndex], CERT_LABEL_SIZE, cert->getLabel().c_str());
        setId(certIDs[certIndex], certIndex);
    }
    const unsigned char* p = cert->getCertData();
    const long length = cert->getCertDataLen();
    if (p == nullptr || length <= 0)
        return nullptr;
    return vn_ossl::x509FromDer(p, static_cast<size_t>(length)).release();  // the caller frees it
}
