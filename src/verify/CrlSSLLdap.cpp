// CCrlSSL::ssl_get_ldap_url: a CRL from an LDAP directory entry (OpenLDAP client library,
// loaded on first use).
#include <sys/time.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CrlSSL.h"
#include "infra/HttpInternal.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"
#include "verify/CrlInternal.h"
#include "verify/LdapLibrary.h"

namespace {

// The loaded library; ssl_get_ldap_url checks that it is there before any call.
const vn_ldap::Api& L() { return *vn_ldap::api(); }

const char kScheme[] = "ldap://";
const unsigned kDefaultPort = 389;
const size_t kMaxDnLength = 1007;
const char kFilter[] = "(objectClass=*)";
const char kAttribute[] = "certificaterevocationlist";

struct LdapAddress {
    std::string host;
    unsigned port = kDefaultPort;
    std::string dn;
};

// ldap://host[:port]/dn; false when the address has another form.
bool splitAddress(const char* url, LdapAddress& out) {
    if (url == nullptr || std::strncmp(url, kScheme, sizeof(kScheme) - 1) != 0)
        return false;
    const std::string rest(url + sizeof(kScheme) - 1);
    const size_t slash = rest.find('/');
    const std::string hostPort = rest.substr(0, slash);
    const size_t colon = hostPort.find(':');
    out.host = hostPort.substr(0, colon);
    if (colon != std::string::npos) {
        const std::string digits = hostPort.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        out.port = static_cast<unsigned>(std::stoul(digits));
        if (out.port == 0 || out.port > 65535)
            return false;
    }
    if (out.host.empty() || out.host.find_first_of(" /?#") != std::string::npos)
        return false;
    std::string dn = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
    if (dn.size() > kMaxDnLength)
        return false;
    std::vector<char> text(dn.begin(), dn.end());
    text.push_back('\0');
    const int n = CCrlSSL::ParseURL(text.data());
    out.dn.assign(text.data(), static_cast<size_t>(n));
    return true;
}

struct Session {
    LDAP* ld = nullptr;
    ~Session() {
        if (ld != nullptr)
            L().unbind_ext_s(ld, nullptr, nullptr);
    }
};

struct MessageFree {
    void operator()(LDAPMessage* m) const { L().msgfree(m); }
};

// Outcomes of waiting for an answer besides the LDAP result codes.
const int kTimedOut = -1000;
const int kTooLarge = -1001;

timeval timevalOf(int ms) {
    timeval tv;
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return tv;
}

// The connection takes no message larger than max bytes, and never blocks in a read: a
// message that comes in pieces is waited for by ldap_result, within the time left.
int limitIncoming(LDAP* ld, unsigned int max) {
    Sockbuf* sb = nullptr;
    if (L().get_option(ld, LDAP_OPT_SOCKBUF, &sb) != LDAP_OPT_SUCCESS || sb == nullptr)
        return LDAP_LOCAL_ERROR;
    ber_len_t limit = max;
    if (L().ber_sockbuf_ctrl(sb, LBER_SB_OPT_SET_MAX_INCOMING, &limit) != 1)
        return LDAP_LOCAL_ERROR;
    return L().ber_sockbuf_ctrl(sb, LBER_SB_OPT_SET_NONBLOCK, reinterpret_cast<void*>(1)) == 1 ? LDAP_SUCCESS
                                                                                               : LDAP_LOCAL_ERROR;
}

// Waits for the whole answer to request id until the deadline; LDAP_SUCCESS with the answer in
// *out, kTimedOut, kTooLarge (a message over the connection's limit), or an LDAP error.
int awaitResult(LDAP* ld, int id, const vnhttp::Deadline& deadline, LDAPMessage** out) {
    *out = nullptr;
    const int left = deadline.left_ms(deadline.total_ms);
    if (left == 0) {
        L().abandon_ext(ld, id, nullptr, nullptr);
        return kTimedOut;
    }
    timeval limit = timevalOf(left);
    errno = 0;
    const int type = L().result(ld, id, LDAP_MSG_ALL, &limit, out);
    if (type == 0) {
        L().abandon_ext(ld, id, nullptr, nullptr);
        return kTimedOut;
    }
    if (type < 0) {
        // The reader refuses a message over the limit with ERANGE.
        const int e = errno;
        int code = LDAP_OTHER;
        L().get_option(ld, LDAP_OPT_RESULT_CODE, &code);
        return e == ERANGE ? kTooLarge : code != LDAP_SUCCESS ? code : LDAP_OTHER;
    }
    return LDAP_SUCCESS;
}

// The first value of the first attribute of the first entry that has one.
bool firstValue(LDAP* ld, LDAPMessage* result, std::vector<unsigned char>& out) {
    for (LDAPMessage* e = L().first_entry(ld, result); e != nullptr; e = L().next_entry(ld, e)) {
        BerElement* ber = nullptr;
        for (char* a = L().first_attribute(ld, e, &ber); a != nullptr; a = L().next_attribute(ld, e, ber)) {
            berval** values = L().get_values_len(ld, e, a);
            L().memfree(a);
            if (values != nullptr && values[0] != nullptr) {
                const unsigned char* v = reinterpret_cast<const unsigned char*>(values[0]->bv_val);
                out.assign(v, v + values[0]->bv_len);
                L().value_free_len(values);
                L().ber_free(ber, 0);
                return true;
            }
            L().value_free_len(values);
        }
        L().ber_free(ber, 0);
    }
    return false;
}

}  // namespace

int CCrlSSL::ssl_get_ldap_url(const char* url, unsigned char** buffer, unsigned int* length) {
    VnLoggerTraceScope trace(m_logger, "ssl_get_ldap_url");
    LdapAddress address;
    if (buffer == nullptr || length == nullptr || !splitAddress(url, address) || vn_ldap::api() == nullptr) {
        return CRLSSL_FETCH_FAILED;
    }
    const std::string uri = std::string(kScheme) + address.host + ":" + std::to_string(address.port);
    // One deadline for connecting, binding and the whole search answer.
    const vnhttp::Deadline deadline = vnhttp::Deadline::in(vn_crl::timeoutMs());
    Session s;
    int version = LDAP_VERSION3;
    int rc = L().initialize(&s.ld, uri.c_str());
    if (rc == LDAP_SUCCESS && L().set_option(s.ld, LDAP_OPT_PROTOCOL_VERSION, &version) != LDAP_OPT_SUCCESS) {
        version = LDAP_VERSION2;
        rc = L().set_option(s.ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    }
    const timeval connectLimit = timevalOf(deadline.left_ms(vn_crl::timeoutMs()));
    if (rc == LDAP_SUCCESS)
        rc = L().set_option(s.ld, LDAP_OPT_NETWORK_TIMEOUT, &connectLimit);
    if (rc == LDAP_SUCCESS)
        rc = L().connect(s.ld);
    if (rc == LDAP_SUCCESS)
        rc = limitIncoming(s.ld, vn_crl::maxCrlSize());
    LDAPMessage* raw = nullptr;
    if (rc == LDAP_SUCCESS) {
        berval anonymous{0, nullptr};
        int id = -1;
        rc = L().sasl_bind(s.ld, nullptr, LDAP_SASL_SIMPLE, &anonymous, nullptr, nullptr, &id);
        if (rc == LDAP_SUCCESS)
            rc = awaitResult(s.ld, id, deadline, &raw);
        if (rc == LDAP_SUCCESS) {
            int bindResult = LDAP_OTHER;
            rc = L().parse_result(s.ld, raw, &bindResult, nullptr, nullptr, nullptr, nullptr, 1);
            if (rc == LDAP_SUCCESS)
                rc = bindResult;
        }
        raw = nullptr;
    }
    if (rc == LDAP_SUCCESS) {
        char attribute[sizeof(kAttribute)];
        std::memcpy(attribute, kAttribute, sizeof(kAttribute));
        char* attributes[] = {attribute, nullptr};
        timeval searchLimit = timevalOf(deadline.left_ms(vn_crl::timeoutMs()));
        int id = -1;
        rc = L().search_ext(s.ld, address.dn.c_str(), LDAP_SCOPE_BASE, kFilter, attributes, 0, nullptr, nullptr,
                            &searchLimit, 1, &id);
        if (rc == LDAP_SUCCESS)
            rc = awaitResult(s.ld, id, deadline, &raw);
    }
    std::unique_ptr<LDAPMessage, MessageFree> result(raw);
    if (rc == kTimedOut || rc == kTooLarge) {
        LOG4CXX_ERROR(m_logger, "no CRL from " << url << ": "
                                               << (rc == kTimedOut ? "the directory did not answer in time"
                                                                   : "the directory's answer is too large"));
        return rc == kTimedOut ? CRLSSL_FETCH_TIMEOUT : CRLSSL_FETCH_TOO_LARGE;
    }
    std::vector<unsigned char> value;
    if (rc != LDAP_SUCCESS || !result || !firstValue(s.ld, result.get(), value)) {
        LOG4CXX_DEBUG(m_logger, "no CRL from " << url << ": " << L().err2string(rc));
        return CRLSSL_FETCH_FAILED;
    }
    unsigned char* copy = static_cast<unsigned char*>(std::malloc(value.size() + 1));
    if (copy == nullptr) {
        return CRLSSL_FETCH_FAILED;
    }
    std::memcpy(copy, value.data(), value.size());
    copy[value.size()] = 0;
    *buffer = copy;
    *length = static_cast<unsigned int>(value.size());
    return 0;
}
