// CCrlSSL: proxy and time-limit settings, fetching CRLs from addresses and files, and the
// operations kept for hosts.
#include "CrlSSL.h"

#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Http.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"

log4cxx::LoggerPtr CCrlSSL::m_logger = vnLogger("VornCryptoSSL::CrlSSL");

bool CCrlSSL::proxy_active = false;
std::string CCrlSSL::proxy_url;
std::string CCrlSSL::proxy_user;
std::string CCrlSSL::proxy_password;
std::string CCrlSSL::proxy_useragent;

namespace {

int g_timeoutMs = CRLSSL_DEFAULT_TIMEOUT_MS;
unsigned int g_maxCrlSize = CRLSSL_DEFAULT_MAX_CRL_SIZE;

const char kHttpScheme[] = "http://";
const char kHttpsScheme[] = "https://";
const char kLdapScheme[] = "ldap://";

bool startsWith(const char* text, const char* prefix) {
    return text != nullptr && std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

namespace vn_crl {
int timeoutMs() { return g_timeoutMs; }
unsigned int maxCrlSize() { return g_maxCrlSize; }
}  // namespace vn_crl

CCrlSSL::CCrlSSL() = default;
CCrlSSL::~CCrlSSL() = default;

void CCrlSSL::setProxy(bool active, const std::string& url, const std::string& user, const std::string& password,
                       const std::string& useragent) {
    VnLoggerTraceScope trace(m_logger, "setProxy");
    proxy_active = active;
    proxy_url = url;
    proxy_user = user;
    proxy_password = password;
    proxy_useragent = useragent;
}

void CCrlSSL::setTimeout(int milliseconds) {
    g_timeoutMs = milliseconds > 0 ? milliseconds : CRLSSL_DEFAULT_TIMEOUT_MS;
}

int CCrlSSL::getTimeout() { return g_timeoutMs; }

void CCrlSSL::setMaxCrlSize(unsigned int bytes) { g_maxCrlSize = bytes > 0 ? bytes : CRLSSL_DEFAULT_MAX_CRL_SIZE; }

unsigned int CCrlSSL::getMaxCrlSize() { return g_maxCrlSize; }

int CCrlSSL::LoadCrl(const char* url, unsigned char** buffer, unsigned int* length, const char*, const char*) {
    VnLoggerTraceScope trace(m_logger, "LoadCrl");
    const int rc =
        startsWith(url, kLdapScheme) ? ssl_get_ldap_url(url, buffer, length) : ssl_get_from_uri(url, buffer, length);
    return rc;
}

int CCrlSSL::LoadFromHttp(const char* url, unsigned char** buffer, unsigned int* length) {
    VnLoggerTraceScope trace(m_logger, "LoadFromHttp");
    const int rc = ssl_get_from_uri(url, buffer, length);
    return rc;
}

int CCrlSSL::LoadFromLdap(const char* url, unsigned char** buffer, unsigned int* length, const char*, const char*) {
    VnLoggerTraceScope trace(m_logger, "LoadFromLdap");
    const int rc = LoadCrl(url, buffer, length);
    return rc;
}

int CCrlSSL::ssl_get_from_uri(const char* url, unsigned char** buffer, unsigned int* length) {
    VnLoggerTraceScope trace(m_logger, "ssl_get_from_uri");
    if (buffer == nullptr || length == nullptr || !(startsWith(url, kHttpScheme) || startsWith(url, kHttpsScheme))) {
        return CRLSSL_FETCH_FAILED;
    }
    // One deadline for the whole exchange and a size limit for the body.
    http_request_opts opts;
    opts.connect_timeout_ms = g_timeoutMs;
    opts.receive_timeout_ms = g_timeoutMs;
    opts.total_timeout_ms = g_timeoutMs;
    opts.max_body_length = g_maxCrlSize;
    http_response r = http_request(url, &opts, HTTP_METHOD_GET, 0);
    std::free(r.header_copy);
    if (r.error_text[0] != '\0' || r.body == nullptr || r.body_length > UINT_MAX) {
        const int rc = r.error_number == HTTP_ERROR_TIMEOUT     ? CRLSSL_FETCH_TIMEOUT
                       : r.error_number == HTTP_ERROR_TOO_LARGE ? CRLSSL_FETCH_TOO_LARGE
                                                                : CRLSSL_FETCH_FAILED;
        LOG4CXX_ERROR(m_logger, "no CRL from " << url << ": " << r.error_text);
        std::free(r.body);
        return rc;
    }
    *buffer = r.body;
    *length = static_cast<unsigned int>(r.body_length);
    return 0;
}

int CCrlSSL::LoadFromFile(const char* path, unsigned char** buffer, unsigned int* length) {
    VnLoggerTraceScope trace(m_logger, "LoadFromFile");
    int rc = CRLSSL_NOT_FOUND;
    std::unique_ptr<FILE, FileCloser> f(path != nullptr ? std::fopen(path, "rb") : nullptr);
    struct stat st;
    if (f && buffer != nullptr && length != nullptr && fstat(fileno(f.get()), &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<unsigned long long>(st.st_size) <= CRLSSL_MAX_FILE_SIZE) {
        const size_t size = static_cast<size_t>(st.st_size);
        unsigned char* data = static_cast<unsigned char*>(std::malloc(size + 1));
        if (data != nullptr && std::fread(data, 1, size, f.get()) == size) {
            data[size] = 0;
            *buffer = data;
            *length = static_cast<unsigned int>(size);
            rc = 0;
        } else {
            std::free(data);
        }
    }
    return rc;
}

int CCrlSSL::ParseURL(char* url) {
    if (url == nullptr)
        return 0;
    char* out = url;
    for (const char* in = url; *in != '\0';) {
        if (std::strncmp(in, "%20", 3) == 0) {
            *out++ = ' ';
            in += 3;
        } else {
            *out++ = *in++;
        }
    }
    *out = '\0';
    return static_cast<int>(out - url);
}

int CCrlSSL::GetCrl() { return 0; }
int CCrlSSL::SendCRLRequest() { return 0; }
int CCrlSSL::SendHttpRequest() { return 0; }
void CCrlSSL::SetDCUrl(const char*) {}

char* CCrlSSL::SendLdapRequest(const char* ip, int port, const char* dn, const char* filter, const char*, const char*) {
    VnLoggerTraceScope trace(m_logger, "SendLdapRequest");
    LOG4CXX_DEBUG(m_logger, "IP : " << (ip ? ip : ""));
    LOG4CXX_DEBUG(m_logger, "Port : " << port);
    LOG4CXX_DEBUG(m_logger, "DN : " << (dn ? dn : ""));
    LOG4CXX_DEBUG(m_logger, "filter : " << (filter ? filter : ""));
    return nullptr;
}
