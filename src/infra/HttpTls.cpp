// TLS for "https://" addresses: OpenSSL over the socket the client connected, the server's
// certificate checked against the system's trust store and the host name, every wait bounded
// by the exchange's deadline.
#include <arpa/inet.h>
#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <memory>
#include <string>

#include "HttpInternal.h"
#include "infra/OpenSslPtr.h"

namespace vnhttp {

namespace {

// The OpenSSL error queue's first entry as text (the queue is emptied).
std::string opensslError() {
    const unsigned long e = ERR_get_error();
    ERR_clear_error();
    if (e == 0)
        return "unknown error";
    char text[256];
    ERR_error_string_n(e, text, sizeof(text));
    return text;
}

bool isAddress(const std::string& host) {
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 || inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

class TlsTransport : public Transport {
public:
    TlsTransport(int fd, SSL_CTX* ctx, SSL* ssl) : Transport(fd), m_ctx(ctx), m_ssl(ssl) {}
    ~TlsTransport() override {
        // The socket is the caller's and is closed by it; a close_notify is not waited for.
        SSL_set_quiet_shutdown(m_ssl.get(), 1);
    }

    long read(void* buffer, size_t length, bool* wantWrite) override {
        *wantWrite = false;
        size_t got = 0;
        ERR_clear_error();
        if (SSL_read_ex(m_ssl.get(), buffer, length, &got) == 1)
            return static_cast<long>(got);
        return failure(SSL_get_error(m_ssl.get(), 0), wantWrite, true);
    }

    long write(const void* data, size_t length, bool* wantRead) override {
        *wantRead = false;
        size_t put = 0;
        ERR_clear_error();
        if (SSL_write_ex(m_ssl.get(), data, length, &put) == 1)
            return static_cast<long>(put);
        bool wantWrite = false;
        const long rc = failure(SSL_get_error(m_ssl.get(), 0), &wantWrite, false);
        *wantRead = rc == kWouldBlock && !wantWrite;
        return rc == 0 ? kFailed : rc;
    }

    bool buffered() const override { return SSL_pending(m_ssl.get()) > 0; }

private:
    long failure(int error, bool* wantWrite, bool reading) {
        switch (error) {
        case SSL_ERROR_WANT_READ: return kWouldBlock;
        case SSL_ERROR_WANT_WRITE: *wantWrite = true; return kWouldBlock;
        case SSL_ERROR_ZERO_RETURN: return reading ? 0 : kFailed;
        default:
            if (errno == 0)
                errno = EIO;
            ERR_clear_error();
            return kFailed;
        }
    }

    vn_ossl::SslCtxPtr m_ctx;
    vn_ossl::SslPtr m_ssl;
};

}  // namespace

std::unique_ptr<Transport> start_tls(int fd, const std::string& host, int timeout_ms, const Deadline& deadline,
                                     http_response& r) {
    // Every TLS step waits through poll, never inside OpenSSL.
    const int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        set_system_error(r, errno);
        return nullptr;
    }
    ERR_clear_error();
    vn_ossl::SslCtxPtr ctx(SSL_CTX_new(TLS_client_method()));
    if (!ctx || SSL_CTX_set_default_verify_paths(ctx.get()) != 1 ||
        SSL_CTX_set_min_proto_version(ctx.get(), TLS1_2_VERSION) != 1) {
        set_error(r, EPROTO, "TLS: %s", opensslError().c_str());
        return nullptr;
    }
    SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_PEER, nullptr);
    // HTTP/1.0 servers end the answer by closing, often without a close_notify.
    SSL_CTX_set_options(ctx.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
    vn_ossl::SslPtr ssl(SSL_new(ctx.get()));
    if (!ssl || SSL_set_fd(ssl.get(), fd) != 1) {
        set_error(r, EPROTO, "TLS: %s", opensslError().c_str());
        return nullptr;
    }
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl.get());
    const bool address = isAddress(host);
    const bool named =
        address ? X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) == 1
                : SSL_set1_host(ssl.get(), host.c_str()) == 1 && SSL_set_tlsext_host_name(ssl.get(), host.c_str()) == 1;
    if (!named) {
        set_error(r, EPROTO, "TLS: cannot check the name %s", host.c_str());
        return nullptr;
    }
    for (;;) {
        ERR_clear_error();
        const int rc = SSL_connect(ssl.get());
        if (rc == 1)
            break;
        const int error = SSL_get_error(ssl.get(), rc);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            if (!wait_ready(fd, error == SSL_ERROR_WANT_WRITE, timeout_ms, deadline, r))
                return nullptr;
            continue;
        }
        const long verify = SSL_get_verify_result(ssl.get());
        if (verify != X509_V_OK)
            set_error(r, EPROTO, "TLS: the certificate of %s is not accepted: %s", host.c_str(),
                      X509_verify_cert_error_string(verify));
        else
            set_error(r, EPROTO, "TLS: no secure connection to %s: %s", host.c_str(), opensslError().c_str());
        return nullptr;
    }
    return std::unique_ptr<Transport>(new TlsTransport(fd, ctx.release(), ssl.release()));
}

}  // namespace vnhttp
