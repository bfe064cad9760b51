// http_request: one HTTP/1.0 exchange (or a "file://" read), the whole answer in memory.
#include <strings.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "HttpInternal.h"
#include "Loggers.h"

namespace {

// Addresses longer than this are cut.
const size_t kMaxUrlLength = 8192;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using CText = std::unique_ptr<char, FreeDeleter>;

// Closes the socket when the request ends, however it ends.
struct SocketGuard {
    int fd = -1;
    ~SocketGuard() {
        if (fd >= 0)
            close(fd);
    }
};

std::atomic<int> g_defaultTimeoutMs{HTTP_DEFAULT_TIMEOUT_MS};

int timeoutOf(int32_t value) { return value > 0 ? value : vnhttp::default_timeout_ms(); }

// The request text: request line, Host, then the fixed and the caller's header lines.
std::string buildRequest(int method, const std::string& path, const std::string& host, const http_request_opts* opts,
                         int flags) {
    const char* headers = opts ? opts->headers : nullptr;
    std::string text;
    text.reserve(path.size() + host.size() + 1024 + (headers ? std::strlen(headers) : 0));
    if (method == HTTP_METHOD_POST) {
        text += "POST " + path + " HTTP/1.0\r\nHost: " + host + "\r\n";
        text += "Content-Length: " + std::to_string(opts->body_length) + "\r\n";
        if (!(flags & HTTP_FLAG_NO_CONTENT_TYPE))
            text += "Content-Type: application/x-www-form-urlencoded\r\n";
        if (headers) {
            text += headers;
            text += "\r\n";
        }
        text += "User-Agent: hget/1.1\r\nPragma: no-cache\r\nAccept: */*\r\n\r\n";
        return text;
    }
    text += (method == HTTP_METHOD_HEAD ? "HEAD " : "GET ") + path + " HTTP/1.0\r\nHost: " + host + "\r\n";
    text += "User-Agent: hget/1.1\r\n";
    if (headers) {
        text += headers;
        text += "\r\n";
    }
    text += "Pragma: no-cache\r\nAccept: */*\r\n\r\n";
    return text;
}

// Copies text into a malloc'ed zero-terminated buffer; null when out of memory.
unsigned char* mallocCopy(const char* data, size_t length) {
    unsigned char* p = static_cast<unsigned char*>(std::malloc(length + 1));
    if (!p) {
        std::fprintf(stderr, "ERROR (malloc): (errno = %d = %s)\n", errno, std::strerror(errno));
        return nullptr;
    }
    std::memcpy(p, data, length);
    p[length] = '\0';
    return p;
}

http_response exchange(const char* url, http_request_opts* opts, int method, int flags) {
    log4cxx::LoggerPtr logger = CHttp::m_logger;
    http_response r;
    if (method != HTTP_METHOD_HEAD && method != HTTP_METHOD_POST)
        method = HTTP_METHOD_GET;
    if (!url) {
        vnhttp::set_error(r, EINVAL, "no URL given");
        return r;
    }
    if (method == HTTP_METHOD_GET && strncasecmp(url, "file://", 7) == 0)
        return do_file(url);

    std::string requested(url, strnlen(url, kMaxUrlLength));
    // scheme and host can be at most as long as the address they come from.
    const char* proxy = (flags & HTTP_FLAG_NO_PROXY) ? nullptr : std::getenv("http_proxy");
    std::string target = proxy && *proxy ? std::string(proxy) : requested;
    std::string scheme(target.size() + 1, '\0');
    std::string host(target.size() + 1, '\0');
    unsigned int port = 0;
    CText path(parse_url(&target[0], &scheme[0], &host[0], &port));
    if (!path) {
        std::fprintf(stderr, "ERROR (malloc): (errno = %d = %s)\n", errno, std::strerror(errno));
        vnhttp::set_system_error(r, ENOMEM);
        return r;
    }
    scheme.resize(std::strlen(scheme.c_str()));
    host.resize(std::strlen(host.c_str()));
    std::string requestPath = path.get();
    if (proxy && *proxy) {
        requestPath = requested;
        LOG4CXX_DEBUG(logger, "using proxy " << host << ":" << port);
    } else if (strcasecmp(scheme.c_str(), "http") != 0) {
        std::fprintf(stderr, "http_request cannot operate on %s URLs without a proxy\n", scheme.c_str());
        vnhttp::set_error(r, EPROTONOSUPPORT, "http_request cannot operate on %s URLs without a proxy", scheme.c_str());
        return r;
    }
    if (port == 0 || port > 65535) {
        vnhttp::set_error(r, EINVAL, "invalid port in %s", target.c_str());
        return r;
    }
    if (method == HTTP_METHOD_POST && (!opts || !opts->body || opts->body_length == 0)) {
        std::fprintf(stderr, "ERROR: invalid URL for POST request, no content found\n");
        vnhttp::set_error(r, EINVAL, "ERROR, invalid URL for POST request");
        return r;
    }

    const std::string request = buildRequest(method, requestPath, host, opts, flags);
    const int connectTimeout = timeoutOf(opts ? opts->connect_timeout_ms : 0);
    const int receiveTimeout = timeoutOf(opts ? opts->receive_timeout_ms : 0);

    SocketGuard sock;
    sock.fd = vnhttp::connect_with_timeout(host.c_str(), port, connectTimeout, opts ? &opts->socket : nullptr, r);
    if (sock.fd < 0)
        return r;
    if (!vnhttp::send_all(sock.fd, request.data(), request.size(), receiveTimeout, r))
        return r;
    if (method == HTTP_METHOD_POST && !vnhttp::send_all(sock.fd, opts->body, opts->body_length, receiveTimeout, r))
        return r;

    vnhttp::Received in;
    if (!vnhttp::receive_all(sock.fd, receiveTimeout, in, r))
        return r;

    if (in.header_done)
        vnhttp::parse_status(in.header.data(), in.header.size(), r);

    if (method == HTTP_METHOD_HEAD) {
        r.body = mallocCopy(in.header.data(), in.header.size());
        if (!r.body) {
            vnhttp::set_system_error(r, ENOMEM);
            return r;
        }
        r.body_length = in.header.size();
        return r;
    }
    if (flags & HTTP_FLAG_KEEP_HEADER) {
        r.header_copy = reinterpret_cast<char*>(mallocCopy(in.header.data(), in.header.size()));
        if (!r.header_copy) {
            vnhttp::set_system_error(r, ENOMEM);
            return r;
        }
    }
    // Shrink the body buffer to the body and its terminating zero.
    const size_t bodyLength = in.length;
    void* shrunk = std::realloc(in.buffer, bodyLength + 1);
    if (!shrunk) {
        std::fprintf(stderr, "ERROR (realloc): (errno = %d = %s)\n", errno, std::strerror(errno));
        std::free(r.header_copy);
        r.header_copy = nullptr;
        vnhttp::set_system_error(r, ENOMEM);
        return r;
    }
    in.buffer = static_cast<unsigned char*>(shrunk);
    in.buffer[bodyLength] = '\0';
    r.body = in.release();
    r.body_length = bodyLength;
    LOG4CXX_DEBUG(logger, "received status " << r.status << ", " << r.body_length << " body bytes");
    return r;
}

}  // namespace

void vnhttp::set_default_timeout_ms(int ms) { g_defaultTimeoutMs = ms > 0 ? ms : HTTP_DEFAULT_TIMEOUT_MS; }

int vnhttp::default_timeout_ms() { return g_defaultTimeoutMs; }

http_response http_request(const char* url, http_request_opts* opts, int method, int flags) {
    try {
        VN_TRACE_ENTER(CHttp::m_logger, "http_request");
        http_response r = exchange(url, opts, method, flags);
        if (r.error_text[0] != '\0')
            LOG4CXX_ERROR(CHttp::m_logger, "request for " << (url ? url : "(null)") << " failed: " << r.error_text);
        VN_TRACE_LEAVE(CHttp::m_logger, "http_request");
        return r;
    } catch (const std::bad_alloc&) {
        http_response r;
        vnhttp::set_system_error(r, ENOMEM);
        return r;
    } catch (...) {
        http_response r;
        vnhttp::set_error(r, EIO, "internal error of the HTTP client");
        return r;
    }
}
