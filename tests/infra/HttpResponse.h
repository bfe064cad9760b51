// A response of the HTTP client that owns its buffers, as the tests of the client read it.
#ifndef VN_TESTS_INFRA_HTTP_RESPONSE_H
#define VN_TESTS_INFRA_HTTP_RESPONSE_H

#include <cstdlib>
#include <string>

#include "Http.h"

struct Response : http_response {
    explicit Response(const http_response& r) : http_response(r) {}
    Response(const Response&) = delete;
    ~Response() {
        std::free(body);
        std::free(header_copy);
    }
    std::string text() const { return std::string(reinterpret_cast<const char*>(body), body_length); }
    bool zeroTerminated() const { return body && body[body_length] == 0; }
};

#endif
