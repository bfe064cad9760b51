// A small blocking HTTP/1.0 client over plain TCP sockets, with "file://" support.
#ifndef VN_HTTP_H
#define VN_HTTP_H

#include <log4cxx/logger.h>
#include <cerrno>
#include <cstdint>
#include <string>
#include "vn_export.h"

// Method codes of http_request; any other value means GET.
#define HTTP_METHOD_GET 2
#define HTTP_METHOD_HEAD 3
#define HTTP_METHOD_POST 4

// Option flags of http_request.
#define HTTP_FLAG_KEEP_HEADER 1      // keep a copy of the header block in header_copy
#define HTTP_FLAG_NO_CONTENT_TYPE 2  // POST without the default form content type
#define HTTP_FLAG_NO_PROXY 4         // ignore the "http_proxy" environment variable

// Longest wait for a connection or for data from the peer when the options leave it at 0,
// and the default deadline of a whole exchange (connect, request, whole answer).
#define HTTP_DEFAULT_TIMEOUT_MS 60000
// Largest body taken when the options leave max_body_length at 0.
#define HTTP_DEFAULT_MAX_BODY (64ull * 1024 * 1024)
// Largest header block of an answer.
#define HTTP_MAX_HEADER_BLOCK 65536
// Redirects a GET follows (301, 302, 303, 307, 308 with a Location).
#define HTTP_MAX_REDIRECTS 3

// error_number of the two failures the limits cause (besides the system's own numbers).
#define HTTP_ERROR_TIMEOUT ETIMEDOUT  // the exchange did not end before its deadline
#define HTTP_ERROR_TOO_LARGE EFBIG    // the answer is larger than allowed

// Request options; every field is optional (zero means "not given").
struct VN_EXPORT http_request_opts {
    const char* headers = nullptr;        // extra header lines without the final line end
    const unsigned char* body = nullptr;  // POST body
    uint32_t body_length = 0;             // POST body length
    int32_t socket = -1;                  // out: the socket descriptor used (informational)
    int32_t connect_timeout_ms = 0;       // longest wait for the connection; 0: 60 s
    int32_t receive_timeout_ms = 0;       // longest wait for each piece of the answer
                                          // (and for the peer to take the request); 0: 60 s
    int32_t total_timeout_ms = 0;         // deadline of the whole exchange, redirects included
                                          // (connect, request, whole answer); 0: the default
    uint64_t max_body_length = 0;         // largest body taken; 0: HTTP_DEFAULT_MAX_BODY
};

// Result of a request. body and header_copy are malloc'ed and belong to the caller (free()).
struct VN_EXPORT http_response {
    unsigned char* body = nullptr;  // body followed by one zero byte
    uint64_t body_length = 0;       // without the terminating zero
    char* header_copy = nullptr;    // zero-terminated copy of the header block (flag 1)
    int32_t error_number = 0;       // system error number of a failure
    char error_text[256] = {0};     // non-empty exactly when the request failed
    char status[4] = {0};           // three-digit status code
    char status_text[32] = {0};     // reason phrase, at most 31 characters
};

// Sends one request and receives the whole answer. Never throws. Going over the deadline
// fails with HTTP_ERROR_TIMEOUT, a body over the limit with HTTP_ERROR_TOO_LARGE. GET follows
// up to HTTP_MAX_REDIRECTS redirects. "https://" addresses (without a proxy) go over TLS, the
// server's certificate checked against the system's trust store and the host name.
VN_EXPORT http_response http_request(const char* url, http_request_opts* opts, int method, int flags);

// The deadline used when the options (or CHttp::SendHttpRequest) give none; 0 or less
// restores HTTP_DEFAULT_TIMEOUT_MS. Process-wide.
VN_EXPORT void http_set_default_timeout_ms(int ms);

class VN_EXPORT CHttp {
public:
    CHttp();
    virtual ~CHttp();

    // POST when method is "POST" (any case), GET otherwise; no default content type.
    // The sixth argument is not used. Returns 0 and hands over the body (free() it),
    // or 0xFFFFFFFF on failure.
    static unsigned int SendHttpRequest(std::string url, const char* method, const unsigned char* body,
                                        unsigned int body_length, const char* headers, unsigned int,
                                        unsigned char** response, unsigned int* response_length);

    static log4cxx::LoggerPtr m_logger;
};

#endif
