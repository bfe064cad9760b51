// Revocation values embedded in the signature (CAdES B-LT and above): the CRLs of
// SignedData.crls and the OCSP responses carried there as other revocation information.
// Each counts for a certificate only when it is verified here: a CRL issued and signed by
// the certificate's issuer, an OCSP response signed by the issuer or a responder it
// delegated, naming this certificate, and either one fresh for the proven time. Values that
// are not are reported and never trusted.
#include <openssl/ocsp.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "asn1/DerTags.h"
#include "asn1/OidTable.h"
#include "asn1/Pkcs7Der.h"
#include "sign/CadesInternal.h"
#include "verify/CrlInternal.h"
#include "verify/VerifyInternal.h"

using namespace vn_der;

namespace vn_verify {

namespace {

const char kEmbeddedCrl[] = "embedded-crl";
const char kEmbeddedOcsp[] = "embedded-ocsp";
constexpr uint8_t TAG_OTHER_REVOCATION = vn_der::TAG_CONTEXT_1;
// Clock skew allowed for a value made "now" by a responder whose clock runs ahead.
constexpr time_t kSkewSeconds = 300;

CRevocationCheck check(const char* source, const char* status, const std::string& reason) {
    CRevocationCheck c;
    c.source = source;
    c.location = "signature";
    c.status = status;
    c.reason = reason;
    return c;
}

// A value is fresh for the proven time when it was still current then (its next update is
// absent or not before it) and it was not made in the future.
bool fresh(time_t thisUpdate, time_t nextUpdate, time_t provenTime) {
    const time_t now = time(nullptr);
    if (thisUpdate < 0 || thisUpdate > now + kSkewSeconds)
        return false;
    return thisUpdate >= provenTime || nextUpdate < 0 || nextUpdate >= provenTime;
}

// The embedded OCSP responses: [1] { id-ri-ocsp-response, OCSPResponse } (DER of each response).
std::vector<vn_sign::Bytes> ocspResponses(const vn_sign::SignedDataParts& parts) {
    std::vector<vn_sign::Bytes> out;
    const vn_sign::Bytes oid = vn_asn1::oid_der("id-ri-ocsp-response");
    for (const vn_sign::Bytes& r : parts.crls) {
        pkcs7der::Item other, format, response;
        if (!pkcs7der::read(r.data(), r.size(), other) || other.tag != TAG_OTHER_REVOCATION)
            continue;
        pkcs7der::Children c(other);
        if (c.expect(TAG_OID, format) && format.total == oid.size() && std::equal(oid.begin(), oid.end(), format.p) &&
            c.expect(TAG_SEQUENCE, response))
            out.emplace_back(response.p, response.p + response.total);
    }
    return out;
}

// The responder signed for issuer: the issuer itself, or a certificate the issuer issued and
// signed with the OCSP signing usage.
bool responderOf(X509* signer, X509* issuer) {
    if (X509_cmp(signer, issuer) == 0)
        return true;
    EVP_PKEY* key = X509_get0_pubkey(issuer);
    return X509_check_issued(issuer, signer) == X509_V_OK && key != nullptr && X509_verify(signer, key) == 1 &&
           (X509_get_extension_flags(signer) & EXFLAG_XKUSAGE) != 0 &&
           (X509_get_extended_key_usage(signer) & XKU_OCSP_SIGN) != 0;
}

// The status of cert in one embedded OCSP response; false (with why) when the response
// does not count for it. aboutOther: the response is sound but names other certificates.
bool judgeOcsp(const vn_sign::Bytes& der, X509* cert, X509* issuer, STACK_OF(X509) * certs, time_t provenTime,
               CRevocationCheck& out, bool& aboutOther) {
    aboutOther = false;
    const unsigned char* p = der.data();
    OcspResponsePtr response(d2i_OCSP_RESPONSE(nullptr, &p, static_cast<long>(der.size())));
    OcspBasicPtr basic(response && OCSP_response_status(response.get()) == OCSP_RESPONSE_STATUS_SUCCESSFUL
                           ? OCSP_response_get1_basic(response.get())
                           : nullptr);
    if (!basic) {
        out = check(kEmbeddedOcsp, "unavailable", "an embedded OCSP response cannot be read");
        return false;
    }
    OcspCertIdPtr id(OCSP_cert_to_id(nullptr, cert, issuer));
    int status = -1, reason = -1;
    ASN1_GENERALIZEDTIME *revoked = nullptr, *thisUpdate = nullptr, *nextUpdate = nullptr;
    if (!id ||
        OCSP_resp_find_status(basic.get(), id.get(), &status, &reason, &revoked, &thisUpdate, &nextUpdate) != 1) {
        aboutOther = true;
        out = check(kEmbeddedOcsp, "unavailable", "an embedded OCSP response answers for another certificate");
        return false;
    }
    X509* signer = nullptr;
    if (OCSP_resp_get0_signer(basic.get(), &signer, certs) != 1 || signer == nullptr || !responderOf(signer, issuer)) {
        out = check(kEmbeddedOcsp, "unavailable",
                    "an embedded OCSP response is not signed by the issuer or a responder it delegated");
        return false;
    }
    X509StackPtr only(sk_X509_new_null());
    if (!only || !vn_ossl::pushCertRef(only.get(), signer))
        return false;
    if (OCSP_basic_verify(basic.get(), only.get(), nullptr,
                          OCSP_NOVERIFY | OCSP_NOCHECKS | OCSP_NOINTERN | OCSP_TRUSTOTHER) != 1) {
        ERR_clear_error();
        out = check(kEmbeddedOcsp, "unavailable", "the signature of an embedded OCSP response does not verify");
        return false;
    }
    const time_t from = vn_crl::utcSeconds(thisUpdate);
    const time_t to = nextUpdate != nullptr ? vn_crl::utcSeconds(nextUpdate) : -1;
    if (!fresh(from, to, provenTime)) {
        out = check(kEmbeddedOcsp, "unavailable", "an embedded OCSP response is not fresh for the proven time");
        return false;
    }
    out = check(kEmbeddedOcsp, "good", "");
    out.productionTime = vn_crl::utcSeconds(OCSP_resp_get0_produced_at(basic.get()));
    if (status == V_OCSP_CERTSTATUS_REVOKED) {
        out.status = "revoked";
        out.revocationTime = vn_crl::utcSeconds(revoked);
    } else if (status != V_OCSP_CERTSTATUS_GOOD) {
        out.status = "unknown";
        out.reason = "the responder does not know the certificate";
    }
    return true;
}

// The status of cert in one embedded CRL; false (with why) when the CRL does not count.
bool judgeCrl(X509_CRL* crl, X509* cert, X509* issuer, time_t provenTime, CRevocationCheck& out, bool& aboutOther) {
    aboutOther = X509_NAME_cmp(X509_CRL_get_issuer(crl), X509_get_issuer_name(cert)) != 0;
    if (!vn_crl::crlIssuedBy(crl, cert, issuer)) {
        out = check(kEmbeddedCrl, "unavailable",
                    aboutOther ? "an embedded CRL was issued by another CA"
                               : "an embedded CRL names the issuer but is not signed by its key");
        return false;
    }
    const time_t from = vn_crl::utcSeconds(X509_CRL_get0_lastUpdate(crl));
    const ASN1_TIME* next = X509_CRL_get0_nextUpdate(crl);
    if (!fresh(from, next != nullptr ? vn_crl::utcSeconds(next) : -1, provenTime)) {
        out = check(kEmbeddedCrl, "unavailable", "an embedded CRL is not fresh for the proven time");
        return false;
    }
    out = check(kEmbeddedCrl, "good", "");
    out.productionTime = from;
    X509_REVOKED* entry = nullptr;
    if (X509_CRL_get0_by_cert(crl, &entry, cert) == 1 && entry != nullptr) {
        out.status = "revoked";
        out.revocationTime = vn_crl::utcSeconds(X509_REVOKED_get0_revocationDate(entry));
    }
    return true;
}

}  // namespace

bool partsOf(CMS_ContentInfo* cms, vn_sign::SignedDataParts& parts) {
    unsigned char* der = nullptr;
    const int n = i2d_CMS_ContentInfo(cms, &der);
    const vn_ossl::OpenSslBytes owned(der);
    return n > 0 && vn_sign::split_signed_data(der, static_cast<size_t>(n), parts);
}

bool embeddedRevocation(CMS_ContentInfo* cms, const vn_sign::SignedDataParts& parts, X509* cert, X509* issuer,
                        time_t provenTime, RevocationChecks& checks) {
    if (cms == nullptr || cert == nullptr || issuer == nullptr || parts.crls.empty())
        return false;
    X509StackPtr certs(CMS_get1_certs(cms));
    RevocationChecks counted, refused, foreign;
    auto keep = [&](bool ok, bool aboutOther, const CRevocationCheck& c) {
        (ok ? counted : aboutOther ? foreign : refused).push_back(c);
    };
    CrlStackPtr crls(CMS_get1_crls(cms));
    for (int i = 0; i < sk_X509_CRL_num(crls.get()); ++i) {
        CRevocationCheck c;
        bool aboutOther = false;
        const bool ok = judgeCrl(sk_X509_CRL_value(crls.get(), i), cert, issuer, provenTime, c, aboutOther);
        keep(ok, aboutOther, c);
    }
    for (const vn_sign::Bytes& der : ocspResponses(parts)) {
        CRevocationCheck c;
        bool aboutOther = false;
        const bool ok = judgeOcsp(der, cert, issuer, certs.get(), provenTime, c, aboutOther);
        keep(ok, aboutOther, c);
    }
    // Values about other certificates (the TSA's, another CA's) are the normal company of a
    // B-LT signature; they are reported only when nothing embedded speaks for this one.
    checks.insert(checks.end(), refused.begin(), refused.end());
    if (counted.empty())
        checks.insert(checks.end(), foreign.begin(), foreign.end());
    checks.insert(checks.end(), counted.begin(), counted.end());
    return revocationObtained(counted);
}

}  // namespace vn_verify
