// The facade object, its reader queries and the release of what it hands out.
#include "SCUtils.h"

#include <openssl/crypto.h>
#include <openssl/x509.h>

#include <cstring>

#include "ConfigSC.h"
#include "Reader.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"

std::string CSCUtils::m_reader;
log4cxx::LoggerPtr CSCUtils::m_logger = vnLogger("VornCryptoSSL.CSCUtils");

CSCUtils::CSCUtils() : numCerts(0), reader(-1) {
    for (int i = 0; i < MAX_CERTS; ++i) {
        certIDs[i][0] = '\0';
        certLabels[i][0] = '\0';
        certData[i] = nullptr;
        certDataLen[i] = 0;
    }
}

CSCUtils::~CSCUtils() { clearCertData(); }

void CSCUtils::clearCertData() {
    for (int i = 0; i < MAX_CERTS; ++i) {
        delete[] certData[i];
        certData[i] = nullptr;
        certDataLen[i] = 0;
    }
}

int CSCUtils::GetNumReaders() {
    CReader r;
    return r.GetReaderNum();
}

int CSCUtils::GetMaxReaders() { return 16; }

int CSCUtils::getNumSlots() { return 6; }

const char* CSCUtils::GetReaderName(int index) const {
    VnLoggerTraceScope trace(m_logger, "GetReaderName()\n");
    LOG4CXX_DEBUG(m_logger, "iReader : " << index);
    CReader r;
    // The index equal to the count gives the empty name (end of the list).
    if (index >= 0 && index <= r.GetReaderNum())
        m_reader = r.GetReaderName(index);
    LOG4CXX_DEBUG(m_logger, "re: " << m_reader);
    return m_reader.c_str();
}

void CSCUtils::setReader(int index) { reader = index; }

char* CSCUtils::GetCertID(int n) {
    if (n < 0 || n >= MAX_CERTS)
        return nullptr;
    return certIDs[n];
}

void CSCUtils::freeX509(void* cert) { X509_free(static_cast<X509*>(cert)); }

void CSCUtils::freeOPENSSL(void* buffer) { OPENSSL_free(buffer); }

bool CSCUtils::getPINPADSupport(int index) {
    // The host may have changed the file since the last card operation.
    gConfigSC.readLMConfigSC();
    gConfigSC.readLUConfigSC();
    CReader r;
    return r.hasPinPad(index) && !gConfigSC.keyboardPIN;
}

int CSCUtils::PermanentLogin(int, int, bool, char*) { return 1; }

int CSCUtils::CheckPermanentLogin(int, int) { return 1; }
