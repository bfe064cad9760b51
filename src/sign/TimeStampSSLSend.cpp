// CTimeStampSSL::sendRequest: one POST of the request to the timestamp service.
#include <cstdlib>
#include <memory>

#include "Http.h"
#include "TimeStampSSL.h"
#include "infra/Loggers.h"

namespace {

const char kContentType[] = "Content-Type: application/timestamp-query";
// The HTTP client's own time limits apply; this argument of the client is not used.
const unsigned int kNoTimeout = 0xFFFFFFFFu;

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};

}  // namespace

void CTimeStampSSL::dropResult() {
    response.clear();
    responseLength = 0;
    token.clear();
    tokenLength = 0;
}

void CTimeStampSSL::sendRequest() {
    VN_TRACE_ENTER(m_logger, "CTimeStampSSL::sendRequest");
    dropResult();
    if (buildRequest() != 0) {
        error = TS_ERROR_HTTP;
        VN_TRACE_LEAVE(m_logger, "CTimeStampSSL::sendRequest");
        return;
    }
    unsigned char* body = nullptr;
    unsigned int bodyLength = 0;
    const unsigned int rc =
        CHttp::SendHttpRequest(url, "POST", request.data(), static_cast<unsigned int>(request.size()), kContentType,
                               kNoTimeout, &body, &bodyLength);
    std::unique_ptr<unsigned char, FreeDeleter> owned(body);
    if (rc != 0) {
        LOG4CXX_ERROR(m_logger, "timestamp request to " << url << " failed");
        error = TS_ERROR_HTTP;
    } else {
        if (body && bodyLength > 0)
            response.assign(body, body + bodyLength);
        responseLength = static_cast<uint32_t>(response.size());
        if (extractTimestamp()) {
            error = 0;
        } else {
            dropResult();
            error = TS_ERROR_RESPONSE;
        }
    }
    VN_TRACE_LEAVE(m_logger, "CTimeStampSSL::sendRequest");
}
