// Connections to OCSP responders: directly, or through the configured HTTP proxy with a
// CONNECT tunnel (Basic authentication, User-Agent). Every wait is bounded.
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "CrlSSL.h"
#include "infra/Loggers.h"
#include "infra/Secrets.h"
#include "verify/CrlInternal.h"

namespace {

// The proxy's answer to CONNECT is read up to its blank line, at most this many bytes.
const size_t kMaxProxyAnswer = 8192;
// Shortest answer that can hold a status line ("HTTP/1.x 200").
const size_t kMinProxyAnswer = 12;
// Position of the blank after the protocol version, and of the status code's first digit.
const size_t kStatusBlank = 8;
const size_t kStatusDigit = 9;
const unsigned kDefaultProxyPort = 80;

struct FdGuard {
    int fd = -1;
    ~FdGuard() {
        if (fd >= 0)
            close(fd);
    }
    int release() {
        const int f = fd;
        fd = -1;
        return f;
    }
};

bool splitHostPort(std::string address, std::string& host, unsigned& port) {
    const size_t scheme = address.find("://");
    if (scheme != std::string::npos)
        address = address.substr(scheme + 3);
    address = address.substr(0, address.find('/'));
    const size_t colon = address.rfind(':');
    host = address.substr(0, colon);
    port = kDefaultProxyPort;
    if (colon != std::string::npos) {
        const std::string digits = address.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        port = static_cast<unsigned>(std::stoul(digits));
    }
    return !host.empty() && port > 0 && port <= 65535;
}

int connectTo(const std::string& host, unsigned port, const vnhttp::Deadline& deadline) {
    http_response r;
    const int wait = deadline.left_ms(deadline.total_ms);
    if (wait == 0)
        return -1;
    const int fd = vnhttp::connect_with_timeout(host.c_str(), port, wait, nullptr, r);
    if (fd < 0)
        LOG4CXX_DEBUG(CCrlSSL::m_logger, "no connection to " << host << ":" << port << ": " << r.error_text);
    return fd;
}

std::string base64(const std::string& in) {
    std::vector<unsigned char> out(4 * ((in.size() + 2) / 3) + 1);
    const int n =
        EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(in.data()), static_cast<int>(in.size()));
    std::string text(reinterpret_cast<const char*>(out.data()), n > 0 ? static_cast<size_t>(n) : 0);
    OPENSSL_cleanse(out.data(), out.size());
    return text;
}

// Reads the proxy's answer up to and including its blank line, or until the proxy closes,
// the size bound is reached or the deadline passes.
std::string readProxyAnswer(int fd, const vnhttp::Deadline& limit) {
    const auto deadline = limit.at;
    std::string answer;
    char buffer[kMaxProxyAnswer];
    while (answer.size() < kMaxProxyAnswer && answer.find("\r\n\r\n") == std::string::npos &&
           answer.find("\n\n") == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        int ready;
        do
            ready = poll(&p, 1, static_cast<int>(left.count()));
        while (ready < 0 && errno == EINTR);
        if (ready <= 0)
            break;
        const ssize_t n = recv(fd, buffer, kMaxProxyAnswer - answer.size(), 0);
        if (n <= 0)
            break;
        answer.append(buffer, static_cast<size_t>(n));
    }
    return answer;
}

bool openTunnel(int fd, const std::string& host, unsigned port, const vnhttp::Deadline& deadline) {
    const std::string target = host + ":" + std::to_string(port);
    vn_secret::SecretText request;
    request.str() = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
    if (!CCrlSSL::proxy_user.empty()) {
        vn_secret::SecretText credentials;
        credentials.str() = CCrlSSL::proxy_user + ":" + CCrlSSL::proxy_password;
        vn_secret::SecretText encoded;
        encoded.str() = base64(credentials.str());
        request.str() += "Proxy-Authorization: Basic " + encoded.str() + "\r\n";
    }
    request.str() += "User-Agent: " + CCrlSSL::proxy_useragent + "\r\n\r\n";
    http_response r;
    if (!vnhttp::send_all(fd, request.str().data(), request.str().size(), deadline.total_ms, deadline, r)) {
        LOG4CXX_ERROR(CCrlSSL::m_logger, "HTTP CONNECT failed: " << r.error_text);
        return false;
    }
    return vn_crl::tunnelAccepted(fd, deadline);
}

}  // namespace

namespace vn_crl {

bool tunnelAccepted(int fd) { return tunnelAccepted(fd, vnhttp::Deadline::in(timeoutMs())); }

bool tunnelAccepted(int fd, const vnhttp::Deadline& deadline) {
    const std::string answer = readProxyAnswer(fd, deadline);
    const bool complete = answer.find("\r\n\r\n") != std::string::npos || answer.find("\n\n") != std::string::npos;
    if (answer.size() < kMinProxyAnswer) {
        LOG4CXX_ERROR(CCrlSSL::m_logger, "HTTP CONNECT failed, insufficient response from proxy");
        return false;
    }
    if (answer[kStatusBlank] != ' ') {
        LOG4CXX_ERROR(CCrlSSL::m_logger, "HTTP CONNECT failed, incorrect response from proxy");
        return false;
    }
    if (answer[kStatusDigit] != '2') {
        LOG4CXX_ERROR(CCrlSSL::m_logger, "HTTP CONNECT failed: " << answer);
        return false;
    }
    // A header block cut off by the deadline or the size bound leaves the tunnel unusable.
    if (!complete) {
        LOG4CXX_ERROR(CCrlSSL::m_logger, "HTTP CONNECT failed, incomplete response from proxy");
        return false;
    }
    return true;
}

int openOcspConnection(const std::string& host, unsigned port, const vnhttp::Deadline& deadline) {
    if (!CCrlSSL::proxy_active)
        return connectTo(host, port, deadline);
    std::string proxyHost;
    unsigned proxyPort = 0;
    if (!splitHostPort(CCrlSSL::proxy_url, proxyHost, proxyPort)) {
        LOG4CXX_ERROR(CCrlSSL::m_logger, "HTTP CONNECT failed, unusable proxy address " << CCrlSSL::proxy_url);
        return -1;
    }
    FdGuard fd;
    fd.fd = connectTo(proxyHost, proxyPort, deadline);
    if (fd.fd < 0 || !openTunnel(fd.fd, host, port, deadline))
        return -1;
    return fd.release();
}

}  // namespace vn_crl
