// CTimeStampSSL::sendRequest: one POST of the request to the timestamp service, bounded in
// time and size, and the record of why a request got no token.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "Http.h"
#include "TimeStampAlgos.h"
#include "TimeStampSSL.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"

namespace {

const char kContentType[] = "Content-Type: application/timestamp-query";
const char kStatusOk[] = "200";

struct Failure {
    int reason = TS_REASON_NONE;
    std::string text;
};
thread_local Failure t_failure;

// The reason and text of a failed HTTP exchange.
void recordHttpFailure(const http_response& r, const std::string& url) {
    if (r.error_number == HTTP_ERROR_TIMEOUT)
        vn_tsp::setFailure(TS_REASON_TIMEOUT, "the timestamp service " + url + " did not answer in time (" +
                                                  std::string(r.error_text) + ")");
    else if (r.error_number == HTTP_ERROR_TOO_LARGE)
        vn_tsp::setFailure(TS_REASON_TOO_LARGE, "the timestamp service's answer is larger than " +
                                                    std::to_string(TS_MAX_RESPONSE) + " bytes");
    else
        vn_tsp::setFailure(TS_REASON_UNREACHABLE,
                           "the timestamp service " + url + " cannot be reached: " + std::string(r.error_text));
}

}  // namespace

void vn_tsp::setFailure(int reason, const std::string& text) {
    t_failure.reason = reason;
    t_failure.text = reason == TS_REASON_NONE ? std::string() : text;
}

int TimeStampFailureReason() { return t_failure.reason; }

const char* TimeStampFailureText() { return t_failure.text.c_str(); }

void CTimeStampSSL::dropResult() {
    response.clear();
    responseLength = 0;
    token.clear();
    tokenLength = 0;
}

void CTimeStampSSL::sendRequest() {
    VnLoggerTraceScope trace(m_logger, "CTimeStampSSL::sendRequest");
    dropResult();
    vn_tsp::setFailure(TS_REASON_NONE, std::string());
    if (buildRequest() != 0) {
        vn_tsp::setFailure(TS_REASON_UNREACHABLE, "no timestamp request could be built");
        error = TS_ERROR_HTTP;
        return;
    }
    // The whole exchange within the HTTP client's time limit, and the answer within its size.
    http_request_opts opts;
    opts.headers = kContentType;
    opts.body = request.data();
    opts.body_length = static_cast<uint32_t>(request.size());
    opts.max_body_length = TS_MAX_RESPONSE;
    http_response r = http_request(url.c_str(), &opts, HTTP_METHOD_POST, HTTP_FLAG_NO_CONTENT_TYPE);
    std::unique_ptr<unsigned char, decltype(&std::free)> body(r.body, &std::free);
    std::free(r.header_copy);
    if (r.error_text[0] != '\0') {
        LOG4CXX_ERROR(m_logger, "timestamp request to " << url << " failed: " << r.error_text);
        recordHttpFailure(r, url);
        error = TS_ERROR_HTTP;
    } else if (std::strcmp(r.status, kStatusOk) != 0) {
        const std::string why = "the timestamp service answered HTTP " +
                                std::string(r.status[0] ? r.status : "without a status") +
                                (r.status_text[0] ? " " + std::string(r.status_text) : std::string());
        LOG4CXX_ERROR(m_logger, why);
        vn_tsp::setFailure(TS_REASON_HTTP_STATUS, why);
        error = TS_ERROR_RESPONSE;
    } else {
        if (body && r.body_length > 0)
            response.assign(body.get(), body.get() + r.body_length);
        responseLength = static_cast<uint32_t>(response.size());
        if (extractTimestamp()) {
            error = 0;
        } else {
            dropResult();
            error = TS_ERROR_RESPONSE;
        }
    }
}
