// Signatures and timestamp tokens as a verifier meets them: any bytes as a signature (DER,
// PEM or S/MIME, every signer, the tokens in its unsigned attributes) through
// CVerifyMsg::Validate and the report's JSON, and as a timestamp token given alone.
#include <log4cxx/logger.h>

#include <cstdint>

#include "VerifyMsg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        log4cxx::Logger::getRootLogger()->setLevel(log4cxx::Level::getOff());
        return true;
    }();
    (void)quiet;
    CVerifyOptions o;
    o.sig = data;
    o.sigLen = size;
    o.flags = VERIFY_FLAG_SIGNATURE | VERIFY_FLAG_VALIDITY;
    CValidationReport report;
    CVerifyMsg::Validate(o, report);
    (void)report.toJson();
    (void)report.toText();
    CVerifyMsg::CheckTimestampToken(data, size, data, size, nullptr, nullptr);
    return 0;
}
