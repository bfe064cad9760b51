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
#include "TraceScope.h"

namespace {

// Addresses longer than this are cut.
const size_t kMaxUrlLength = 8192;
const unsigned int kHttpPort = 80;
const unsigned int kHttpsPort = 443;

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

// The Host header's value: the port is named when it is not the scheme's own.
std::string hostHeader(const std::string& host, unsigned int port, unsigned int schemePort) {
    return port == schemePort ? host : host + ":" + std::to_string(port);
}

// Whether the address names its port ("scheme://host:port/...").
bool explicitPort(const std::string& url) {
    const size_t scheme = url.find("://");
    const size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    const size_t end = url.find('/', start);
    return url.substr(start, end == std::string::npos ? std::string::npos : end - start).find(':') != std::string::npos;
}

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

// One request and its answer, within the deadline of the whole exchange.
http_response exchangeOnce(const char* url, http_request_opts* opts, int method, int flags,
                           const vnhttp::Deadline& deadline, uint64_t maxBody) {
    log4cxx::LoggerPtr logger = CHttp::m_logger;
    http_response r;

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
    bool tls = false;
    if (proxy && *proxy) {
        requestPath = requested;
        LOG4CXX_DEBUG(logger, "using proxy " << host << ":" << port);
    } else if (strcasecmp(scheme.c_str(), "https") == 0) {
        tls = true;
        if (!explicitPort(target))
            port = kHttpsPort;
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

    const std::string request =
        buildRequest(method, requestPath, hostHeader(host, port, tls ? kHttpsPort : kHttpPort), opts, flags);
    const int connectTimeout = timeoutOf(opts ? opts->connect_timeout_ms : 0);
    const int receiveTimeout = timeoutOf(opts ? opts->receive_timeout_ms : 0);

    SocketGuard sock;
    const int connectWait = deadline.left_ms(connectTimeout);
    if (connectWait == 0) {
        vnhttp::set_deadline_error(r, deadline);
        return r;
    }
    sock.fd = vnhttp::connect_with_timeout(host.c_str(), port, connectWait, opts ? &opts->socket : nullptr, r);
    if (sock.fd < 0) {
        if (r.error_number == ETIMEDOUT && deadline.left_ms(connectTimeout) == 0)
            vnhttp::set_deadline_error(r, deadline);
        return r;
    }
    std::unique_ptr<vnhttp::Transport> transport(new vnhttp::Transport(sock.fd));
    if (tls) {
        transport = vnhttp::start_tls(sock.fd, host, receiveTimeout, deadline, r);
        if (!transport)
            return r;
    }
    if (!vnhttp::send_all(*transport, request.data(), request.size(), receiveTimeout, deadline, r))
        return r;
    if (method == HTTP_METHOD_POST &&
        !vnhttp::send_all(*transport, opts->body, opts->body_length, receiveTimeout, deadline, r))
        return r;

    vnhttp::Received in;
    if (!vnhttp::receive_all(*transport, receiveTimeout, deadline, maxBody, in, r))
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

bool isRedirect(const char* status) {
    static const char* const kRedirects[] = {"301", "302", "303", "307", "308"};
    for (const char* code : kRedirects)
        if (std::strcmp(status, code) == 0)
            return true;
    return false;
}

// The address a Location value points to: absolute, or a path on the same server.
std::string resolveLocation(const std::string& from, const std::string& location) {
    if (location.find("://") != std::string::npos)
        return location;
    if (location.empty() || location[0] != '/')
        return std::string();
    const size_t scheme = from.find("://");
    const size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
    const size_t pathStart = from.find('/', hostStart);
    return from.substr(0, pathStart) + location;
}

http_response exchange(const char* url, http_request_opts* opts, int method, int flags) {
    http_response r;
    if (method != HTTP_METHOD_HEAD && method != HTTP_METHOD_POST)
        method = HTTP_METHOD_GET;
    if (!url) {
        vnhttp::set_error(r, EINVAL, "no URL given");
        return r;
    }
    if (method == HTTP_METHOD_GET && strncasecmp(url, "file://", 7) == 0)
        return do_file(url);
    const vnhttp::Deadline deadline = vnhttp::Deadline::in(timeoutOf(opts ? opts->total_timeout_ms : 0));
    const uint64_t maxBody = opts && opts->max_body_length > 0 ? opts->max_body_length : HTTP_DEFAULT_MAX_BODY;
    if (method != HTTP_METHOD_GET)
        return exchangeOnce(url, opts, method, flags, deadline, maxBody);

    // GET follows redirects; it needs the header block to find where to.
    std::string current(url, strnlen(url, kMaxUrlLength));
    for (int redirects = 0;; ++redirects) {
        r = exchangeOnce(current.c_str(), opts, method, flags | HTTP_FLAG_KEEP_HEADER, deadline, maxBody);
        char location[kMaxUrlLength];
        const bool moved =
            r.error_text[0] == '\0' && isRedirect(r.status) && r.header_copy &&
            find_header(r.header_copy, std::strlen(r.header_copy), "Location", location, sizeof(location)) == location;
        const std::string next = moved ? resolveLocation(current, location) : std::string();
        if (next.empty() || redirects == HTTP_MAX_REDIRECTS) {
            if (!(flags & HTTP_FLAG_KEEP_HEADER)) {
                std::free(r.header_copy);
                r.header_copy = nullptr;
            }
            return r;
        }
        LOG4CXX_DEBUG(CHttp::m_logger, "status " << r.status << ": following to " << next);
        std::free(r.body);
        std::free(r.header_copy);
        current = next;
    }
}

}  // namespace

void http_set_default_timeout_ms(int ms) { vnhttp::set_default_timeout_ms(ms); }

void vnhttp::set_default_timeout_ms(int ms) { g_defaultTimeoutMs = ms > 0 ? ms : HTTP_DEFAULT_TIMEOUT_MS; }

int vnhttp::default_timeout_ms() { return g_defaultTimeoutMs; }

http_response http_request(const char* url, http_request_opts* opts, int method, int flags) {
    try {
        VnLoggerTraceScope trace(CHttp::m_logger, "http_request");
        http_response r = exchange(url, opts, method, flags);
        if (r.error_text[0] != '\0')
            LOG4CXX_ERROR(CHttp::m_logger, "request for " << (url ? url : "(null)") << " failed: " << r.error_text);
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
