// CVerifyMsg::CheckSignDetached: signature value, chain, validity model and revocation.
#include <openssl/err.h>
#include <openssl/evp.h>

#include <climits>

#include "VerifyMsg.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"
#include "verify/VerifyInternal.h"

log4cxx::LoggerPtr CVerifyMsg::m_logger = vnLogger("VornCryptoSSL::CVerifyMsg");

namespace {
const int kModeAttached = 1;
}  // namespace

CVerifyMsg::CVerifyMsg() = default;
CVerifyMsg::~CVerifyMsg() = default;

unsigned int CVerifyMsg::CheckSignDetached(const unsigned char* sig, unsigned int sigLen, int mode,
                                           const unsigned char* content, unsigned int contentLen, int flags,
                                           int crlFlags, const char* crlSource, const char*,
                                           const struct timeb* verificationTime, int, int model, const char* CAfile,
                                           const char* CApath) {
    VnLoggerTraceScope trace(m_logger, "CheckSignDetached");
    CVerifyOptions o;
    o.sig = sig;
    o.sigLen = sigLen;
    o.attached = mode == kModeAttached;
    o.content = content;
    o.contentLen = contentLen;
    o.flags = flags;
    o.crlFlags = crlFlags;
    o.crlSource = crlSource != nullptr ? crlSource : "";
    o.timed = verificationTime != nullptr;
    o.verificationTime = verificationTime != nullptr ? verificationTime->time : 0;
    o.model = model;
    o.caFile = CAfile != nullptr ? CAfile : "";
    o.caPath = CApath != nullptr ? CApath : "";
    o.revocationHardFail = getRevocationHardFail();
    CValidationReport report;
    const unsigned int result = vn_verify::validateLegacy(o, report);
    LOG4CXX_DEBUG(m_logger, "result 0x" << std::hex << result);
    return result;
}
