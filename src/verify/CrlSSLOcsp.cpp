// CCrlSSL::CheckOCSP: one OCSP exchange with the certificate's id and a nonce.
#include <openssl/err.h>
#include <openssl/http.h>
#include <openssl/httperr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "CrlSSL.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"
#include "verify/CrlInternal.h"

namespace {

// Whole seconds left before the deadline, at least 1 (OpenSSL's limit counts in seconds; 0
// would mean none).
int secondsLeft(const vnhttp::Deadline& deadline) {
    const int ms = deadline.left_ms(deadline.total_ms);
    return ms <= 0 ? 1 : (ms + 999) / 1000;
}

// The response DER and the first certificate the responder included, for the caller.
void handOver(OCSP_RESPONSE* response, unsigned char** out, unsigned int* outLength, unsigned char** signer,
              unsigned int* signerLength) {
    if (out != nullptr && outLength != nullptr) {
        const int n = i2d_OCSP_RESPONSE(response, out);
        *outLength = n > 0 ? static_cast<unsigned int>(n) : 0;
    }
    vn_ossl::OcspBasicPtr basic(OCSP_response_get1_basic(response));
    const STACK_OF(X509)* certs = basic ? OCSP_resp_get0_certs(basic.get()) : nullptr;
    X509* first = certs != nullptr && sk_X509_num(certs) > 0 ? sk_X509_value(certs, 0) : nullptr;
    if (first != nullptr && signer != nullptr && signerLength != nullptr) {
        const int n = i2d_X509(first, signer);
        *signerLength = n > 0 ? static_cast<unsigned int>(n) : 0;
    }
}

struct FdClose {
    int fd;
    ~FdClose() { close(fd); }
};

const char kStatusOk[] = "200";

// Why OpenSSL's HTTP exchange gave no answer, from its error queue (which it empties, keeping
// the first error's text) and the deadline.
unsigned int exchangeFailure(const vnhttp::Deadline& deadline, std::string& firstText) {
    unsigned int failure = CRLSSL_OCSP_FAILED;
    for (unsigned long e = ERR_get_error(); e != 0; e = ERR_get_error()) {
        if (firstText.empty()) {
            char text[256];
            ERR_error_string_n(e, text, sizeof(text));
            firstText = text;
        }
        const int lib = ERR_GET_LIB(e), reason = ERR_GET_REASON(e);
        if (lib == ERR_LIB_HTTP &&
            (reason == HTTP_R_MAX_RESP_LEN_EXCEEDED || reason == HTTP_R_ASN1_LEN_EXCEEDS_MAX_RESP_LEN))
            failure = CRLSSL_OCSP_TOO_LARGE;
        else if (failure == CRLSSL_OCSP_FAILED && ((lib == ERR_LIB_HTTP && reason == HTTP_R_RETRY_TIMEOUT) ||
                                                   (lib == ERR_LIB_BIO && reason == BIO_R_TRANSFER_TIMEOUT)))
            failure = CRLSSL_OCSP_TIMEOUT;
    }
    if (failure == CRLSSL_OCSP_FAILED && deadline.left_ms(deadline.total_ms) <= 0)
        failure = CRLSSL_OCSP_TIMEOUT;
    return failure;
}

// The log text of a failure code.
const char* failureText(unsigned int failure) {
    switch (failure) {
    case CRLSSL_OCSP_TIMEOUT: return "timeout, the exchange did not end before its deadline";
    case CRLSSL_OCSP_TOO_LARGE: return "too large, the answer is over its size limit";
    default: return "no acceptable answer";
    }
}

}  // namespace

namespace vn_crl {

OcspResponsePtr exchangeOcspTls(int fd, const std::string& host, unsigned port, const std::string& path,
                                OCSP_REQUEST* request, const vnhttp::Deadline& deadline, unsigned int& failure) {
    FdClose owned{fd};
    http_response r;
    std::unique_ptr<vnhttp::Transport> tls = vnhttp::start_tls(fd, host, deadline.total_ms, deadline, r);
    unsigned char* der = nullptr;
    const int length = tls ? i2d_OCSP_REQUEST(request, &der) : 0;
    vn_ossl::OpenSslBytes body(der);
    if (length > 0) {
        const std::string head =
            "POST " + path + " HTTP/1.0\r\nHost: " + host + ":" + std::to_string(port) +
            "\r\nContent-Type: application/ocsp-request\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
        vnhttp::Received in;
        if (vnhttp::send_all(*tls, head.data(), head.size(), deadline.total_ms, deadline, r) &&
            vnhttp::send_all(*tls, der, static_cast<size_t>(length), deadline.total_ms, deadline, r) &&
            vnhttp::receive_all(*tls, deadline.total_ms, deadline, CRLSSL_MAX_OCSP_RESPONSE, in, r)) {
            vnhttp::parse_status(in.header.data(), in.header.size(), r);
            const unsigned char* p = in.buffer;
            OcspResponsePtr response(std::strcmp(r.status, kStatusOk) == 0 && p != nullptr
                                         ? d2i_OCSP_RESPONSE(nullptr, &p, static_cast<long>(in.length))
                                         : nullptr);
            ERR_clear_error();
            if (response)
                return response;
            vnhttp::set_error(r, EPROTO, "no OCSP response in the answer (HTTP status %s)", r.status);
        }
    }
    failure = r.error_number == HTTP_ERROR_TIMEOUT       ? CRLSSL_OCSP_TIMEOUT
              : r.error_number == HTTP_ERROR_TOO_LARGE   ? CRLSSL_OCSP_TOO_LARGE
              : deadline.left_ms(deadline.total_ms) <= 0 ? CRLSSL_OCSP_TIMEOUT
                                                         : CRLSSL_OCSP_FAILED;
    LOG4CXX_ERROR(CCrlSSL::m_logger, "OCSP exchange failed: " << (r.error_text[0] ? r.error_text : "no request"));
    return OcspResponsePtr();
}

OcspResponsePtr exchangeOcsp(int fd, const std::string& host, unsigned port, const std::string& path,
                             OCSP_REQUEST* request, const vnhttp::Deadline& deadline, unsigned int& failure) {
    BioChainPtr bio(BIO_new_socket(fd, BIO_CLOSE));
    if (!bio) {
        close(fd);
        return OcspResponsePtr();
    }
    // Without blocking, so that OpenSSL's waits end at the time limit.
    BIO_socket_nbio(fd, 1);
    vn_ossl::HttpReqCtxPtr ctx(OSSL_HTTP_REQ_CTX_new(bio.get(), bio.get(), 0));
    // A server in the request line would make it the absolute form meant for proxies.
    const std::string hostHeader = host + ":" + std::to_string(port);
    if (!ctx || OSSL_HTTP_REQ_CTX_set_request_line(ctx.get(), 1, nullptr, nullptr, path.c_str()) != 1 ||
        OSSL_HTTP_REQ_CTX_add1_header(ctx.get(), "Host", hostHeader.c_str()) != 1 ||
        OSSL_HTTP_REQ_CTX_set1_req(ctx.get(), "application/ocsp-request", ASN1_ITEM_rptr(OCSP_REQUEST),
                                   reinterpret_cast<const ASN1_VALUE*>(request)) != 1 ||
        OSSL_HTTP_REQ_CTX_set_expected(ctx.get(), nullptr, 1, secondsLeft(deadline), 0) != 1)
        return OcspResponsePtr();
    OSSL_HTTP_REQ_CTX_set_max_response_length(ctx.get(), CRLSSL_MAX_OCSP_RESPONSE);
    BIO* answer = OSSL_HTTP_REQ_CTX_exchange(ctx.get());
    OcspResponsePtr response(answer != nullptr ? d2i_OCSP_RESPONSE_bio(answer, nullptr) : nullptr);
    if (!response) {
        std::string text;
        failure = exchangeFailure(deadline, text);
        LOG4CXX_ERROR(CCrlSSL::m_logger, "OCSP exchange failed: " << failureText(failure) << " (" << text << ")");
    }
    ERR_clear_error();
    return response;
}

}  // namespace vn_crl

unsigned int CCrlSSL::CheckOCSP(const char* url, const unsigned char* cert, unsigned int certLength,
                                const unsigned char* issuer, unsigned int issuerLength, unsigned char** response,
                                unsigned int* responseLength, time_t* revocationTime, unsigned char** responderCert,
                                unsigned int* responderCertLength) {
    VnLoggerTraceScope trace(m_logger, "CheckOCSP");
    if (response != nullptr)
        *response = nullptr;
    if (responderCert != nullptr)
        *responderCert = nullptr;
    vn_ossl::X509Ptr x = vn_ossl::x509FromDer(cert, certLength);
    vn_ossl::X509Ptr ca = vn_ossl::x509FromDer(issuer, issuerLength);
    const bool parsed = x && ca;
    const unsigned int failure = parsed ? CRLSSL_OCSP_FAILED : CRLSSL_OCSP_FAILED_BAD_INPUT;
    const unsigned int extra = parsed ? 0 : CRLSSL_OCSP_UNKNOWN;

    char *hostText = nullptr, *portText = nullptr, *pathText = nullptr;
    int tls = 0;
    const bool urlParsed = url != nullptr && OCSP_parse_url(url, &hostText, &portText, &pathText, &tls) == 1;
    const vn_ossl::OpenSslText host(hostText), port(portText), path(pathText);
    if (!urlParsed) {
        return CRLSSL_OCSP_NO_RESPONDER | extra;
    }
    const unsigned long portNumber = std::strtoul(port.get(), nullptr, 10);
    if (!parsed || portNumber == 0 || portNumber > 65535) {
        return failure | extra;
    }

    vn_ossl::OcspCertIdPtr id(OCSP_cert_to_id(nullptr, x.get(), ca.get()));
    vn_ossl::OcspRequestPtr request(OCSP_REQUEST_new());
    vn_ossl::OcspCertIdPtr requestId(id ? OCSP_CERTID_dup(id.get()) : nullptr);
    if (!request || !requestId || OCSP_request_add0_id(request.get(), requestId.get()) == nullptr) {
        return failure;
    }
    requestId.release();  // the request holds it now
    if (OCSP_request_add1_nonce(request.get(), nullptr, -1) != 1) {
        return failure;
    }
    // One deadline for the connection, the proxy tunnel and the whole exchange.
    const vnhttp::Deadline deadline = vnhttp::Deadline::in(vn_crl::timeoutMs());
    const int fd = vn_crl::openOcspConnection(host.get(), static_cast<unsigned>(portNumber), deadline);
    vn_ossl::OcspResponsePtr answer;
    unsigned int why = CRLSSL_OCSP_FAILED;
    if (fd >= 0 && tls != 0)
        answer = vn_crl::exchangeOcspTls(fd, host.get(), static_cast<unsigned>(portNumber), path.get(), request.get(),
                                         deadline, why);
    else if (fd >= 0)
        answer = vn_crl::exchangeOcsp(fd, host.get(), static_cast<unsigned>(portNumber), path.get(), request.get(),
                                      deadline, why);
    // No connection (directly or through the proxy's tunnel) before the deadline is a timeout
    // of the exchange like a responder that does not answer in time.
    if (fd < 0 && deadline.left_ms(deadline.total_ms) <= 0)
        why = CRLSSL_OCSP_TIMEOUT;
    if (!answer) {
        LOG4CXX_DEBUG(m_logger, "no OCSP response from " << url << ": " << failureText(why));
        return why;
    }
    handOver(answer.get(), response, responseLength, responderCert, responderCertLength);
    const unsigned int rc = vn_crl::judgeOcspResponse(answer.get(), request.get(), id.get(), ca.get(), revocationTime);
    return rc;
}
