// CCertHandler: certificate entry filling and its helpers.
#include "CertHandler.h"

#include "crypto/DigestFactory.h"
#include "infra/Loggers.h"

log4cxx::LoggerPtr CCertHandler::m_logger = vnLogger("VornCryptoSSL::CCertHandler");

CCertHandler::CCertHandler() = default;

CCertHandler::~CCertHandler() = default;

int CCertHandler::HashBlob(unsigned char* data, unsigned int length, int algorithm, unsigned char* out,
                           int* outLength) {
    VN_TRACE_ENTER(m_logger, "HashBlob");
    const int rc = vn_crypto::hash_blob(data, length, algorithm, out, outLength);
    VN_TRACE_LEAVE(m_logger, "HashBlob");
    return rc;
}
