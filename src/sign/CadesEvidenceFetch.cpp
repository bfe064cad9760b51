// OCSP requests and CRL downloads for the evidence of long-term signatures.
#include "sign/CadesEvidenceFetch.h"

#include <openssl/ocsp.h>
#include <openssl/x509v3.h>

#include <cstdlib>
#include <memory>

#include "Http.h"
#include "infra/OpenSslPtr.h"

namespace vn_sign {

namespace {

const char kOcspHeaders[] = "Content-Type: application/ocsp-request";
const char kHttpPrefix[] = "http";
const char kStatusOk[] = "200";

struct ResponseOwner {
    http_response r;
    ~ResponseOwner() {
        std::free(r.body);
        std::free(r.header_copy);
    }
};

// The body of one exchange, or a note on why there is none.
bool exchange(const std::string& url, const Bytes* post, uint64_t limit, int timeoutMs, Bytes& body, std::string& why) {
    http_request_opts opts;
    opts.max_body_length = limit;
    opts.total_timeout_ms = timeoutMs;
    if (post) {
        opts.headers = kOcspHeaders;
        opts.body = post->data();
        opts.body_length = static_cast<uint32_t>(post->size());
    }
    ResponseOwner answer{http_request(url.c_str(), &opts, post ? HTTP_METHOD_POST : HTTP_METHOD_GET,
                                      post ? HTTP_FLAG_NO_CONTENT_TYPE : 0)};
    if (answer.r.error_text[0] != '\0') {
        why = answer.r.error_text;
        return false;
    }
    if (std::string(answer.r.status) != kStatusOk) {
        why = std::string("HTTP status ") + answer.r.status;
        return false;
    }
    body.assign(answer.r.body, answer.r.body + answer.r.body_length);
    return true;
}

std::vector<std::string> ocspAddresses(X509* cert) {
    std::vector<std::string> out;
    vn_ossl::EmailListPtr list(X509_get1_ocsp(cert));
    for (int i = 0; i < sk_OPENSSL_STRING_num(list.get()); ++i)
        out.emplace_back(sk_OPENSSL_STRING_value(list.get(), i));
    return out;
}

std::vector<std::string> crlAddresses(X509* cert) {
    std::vector<std::string> out;
    vn_ossl::DistPointsPtr points(
        static_cast<STACK_OF(DIST_POINT)*>(X509_get_ext_d2i(cert, NID_crl_distribution_points, nullptr, nullptr)));
    for (int i = 0; i < sk_DIST_POINT_num(points.get()); ++i) {
        const DIST_POINT* dp = sk_DIST_POINT_value(points.get(), i);
        if (!dp->distpoint || dp->distpoint->type != 0)
            continue;
        const GENERAL_NAMES* names = dp->distpoint->name.fullname;
        for (int j = 0; j < sk_GENERAL_NAME_num(names); ++j) {
            const GENERAL_NAME* name = sk_GENERAL_NAME_value(names, j);
            if (name->type != GEN_URI)
                continue;
            const ASN1_IA5STRING* uri = name->d.uniformResourceIdentifier;
            out.emplace_back(reinterpret_cast<const char*>(ASN1_STRING_get0_data(uri)),
                             static_cast<size_t>(ASN1_STRING_length(uri)));
        }
    }
    return out;
}

// The response is successful and holds a status of this certificate.
bool answersFor(const Bytes& der, X509* cert, X509* issuer, std::string& why) {
    const unsigned char* p = der.data();
    vn_ossl::OcspResponsePtr response(d2i_OCSP_RESPONSE(nullptr, &p, static_cast<long>(der.size())));
    if (!response || p != der.data() + der.size()) {
        why = "not an OCSP response";
        return false;
    }
    if (OCSP_response_status(response.get()) != OCSP_RESPONSE_STATUS_SUCCESSFUL) {
        why = std::string("responder status ") + OCSP_response_status_str(OCSP_response_status(response.get()));
        return false;
    }
    vn_ossl::OcspBasicPtr basic(OCSP_response_get1_basic(response.get()));
    vn_ossl::OcspCertIdPtr id(OCSP_cert_to_id(EVP_sha1(), cert, issuer));
    int status = -1, reason = -1;
    if (!basic || !id ||
        OCSP_resp_find_status(basic.get(), id.get(), &status, &reason, nullptr, nullptr, nullptr) != 1) {
        why = "the answer is about another certificate";
        return false;
    }
    return true;
}

void fetchOcsp(X509* cert, X509* issuer, const std::string& url, int timeoutMs, FetchedEvidence& out) {
    vn_ossl::OcspRequestPtr request(OCSP_REQUEST_new());
    vn_ossl::OcspCertIdPtr id(OCSP_cert_to_id(EVP_sha1(), cert, issuer));
    if (!request || !id || !OCSP_request_add0_id(request.get(), id.get())) {
        out.notes.push_back("OCSP " + url + ": the request cannot be made");
        return;
    }
    id.release();  // the request holds it now
    const int n = i2d_OCSP_REQUEST(request.get(), nullptr);
    Bytes der(n > 0 ? static_cast<size_t>(n) : 0);
    unsigned char* p = der.data();
    if (n <= 0 || i2d_OCSP_REQUEST(request.get(), &p) != n) {
        out.notes.push_back("OCSP " + url + ": the request cannot be encoded");
        return;
    }
    Bytes body;
    std::string why;
    if (!exchange(url, &der, kMaxOcspAnswer, timeoutMs, body, why) || !answersFor(body, cert, issuer, why)) {
        out.notes.push_back("OCSP " + url + ": " + why);
        return;
    }
    out.ocspResponses.push_back(std::move(body));
}

void fetchCrl(X509* cert, X509* issuer, const std::string& url, int timeoutMs, FetchedEvidence& out) {
    Bytes body;
    std::string why;
    if (!exchange(url, nullptr, kMaxCrl, timeoutMs, body, why)) {
        out.notes.push_back("CRL " + url + ": " + why);
        return;
    }
    const unsigned char* p = body.data();
    vn_ossl::CrlPtr crl(d2i_X509_CRL(nullptr, &p, static_cast<long>(body.size())));
    if (!crl || p != body.data() + body.size()) {
        out.notes.push_back("CRL " + url + ": not a DER CRL");
        return;
    }
    EVP_PKEY* key = X509_get0_pubkey(issuer);
    if (X509_NAME_cmp(X509_CRL_get_issuer(crl.get()), X509_get_issuer_name(cert)) != 0 || key == nullptr ||
        X509_CRL_verify(crl.get(), key) != 1) {
        ERR_clear_error();
        out.notes.push_back("CRL " + url + ": not issued by the certificate's issuer");
        return;
    }
    out.crls.push_back(std::move(body));
}

}  // namespace

FetchedEvidence fetch_evidence(X509* cert, X509* issuer, int timeoutMs) {
    FetchedEvidence out;
    for (const std::string& url : ocspAddresses(cert)) {
        out.hadSources = true;
        if (url.compare(0, sizeof(kHttpPrefix) - 1, kHttpPrefix) == 0)
            fetchOcsp(cert, issuer, url, timeoutMs, out);
    }
    for (const std::string& url : crlAddresses(cert)) {
        if (url.compare(0, sizeof(kHttpPrefix) - 1, kHttpPrefix) != 0)
            continue;
        out.hadSources = true;
        fetchCrl(cert, issuer, url, timeoutMs, out);
    }
    return out;
}

}  // namespace vn_sign
