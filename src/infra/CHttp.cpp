// CHttp: the class interface of the HTTP client used by the timestamp client.
#include <strings.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "HttpInternal.h"
#include "Loggers.h"
#include "TraceScope.h"

log4cxx::LoggerPtr CHttp::m_logger = vnLogger("VornCryptoSSL::CHttp");

CHttp::CHttp() {}

CHttp::~CHttp() {}

unsigned int CHttp::SendHttpRequest(std::string url, const char* method, const unsigned char* body,
                                    unsigned int body_length, const char* headers, unsigned int,
                                    unsigned char** response, unsigned int* response_length) {
    try {
        VnLoggerTraceScope trace(m_logger, "CHttp::SendHttpRequest");
        http_request_opts opts;
        opts.headers = headers;
        opts.body = body;
        opts.body_length = body_length;
        const int m = (method && strcasecmp(method, "POST") == 0) ? HTTP_METHOD_POST : HTTP_METHOD_GET;
        http_response r = http_request(url.c_str(), &opts, m, HTTP_FLAG_NO_CONTENT_TYPE);
        std::free(r.header_copy);
        if (r.error_text[0] == '\0' && r.body_length > UINT_MAX)
            // The 32-bit length of this interface cannot carry the body.
            vnhttp::set_error(r, EFBIG, "response of %llu bytes is too large",
                              static_cast<unsigned long long>(r.body_length));
        if (r.error_text[0] != '\0' || !response || !response_length) {
            std::free(r.body);
            return r.error_text[0] != '\0' ? 0xFFFFFFFFu : 0;
        }
        *response = r.body;
        *response_length = static_cast<unsigned int>(r.body_length);
        LOG4CXX_DEBUG(m_logger, "status " << r.status << ", " << r.body_length << " bytes");
        return 0;
    } catch (...) {
        return 0xFFFFFFFFu;
    }
}
