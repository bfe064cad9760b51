// Revocation of the signer certificate from the source the revocation flags choose.
#include <cstdlib>
#include <string>
#include <vector>

#include "CrlSSL.h"
#include "DirHelp.h"
#include "VerifyMsg.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"
#include "verify/CrlInternal.h"
#include "verify/VerifyInternal.h"

namespace {

const char kCrlPattern[] = "*.crl";
const int kMaxCrlFiles = 1500;

struct MallocBuffer {
    unsigned char* p = nullptr;
    unsigned int length = 0;
    ~MallocBuffer() { std::free(p); }
};

// Bytes OpenSSL allocated for the caller, and their length.
struct OpenSslBuffer {
    vn_ossl::OpenSslBytes bytes;
    unsigned int length = 0;
};

using vn_verify::RevocationChecks;

// clang-format off
const int kCrlReasonNames = 11;
const char* const kCrlReasons[kCrlReasonNames] = {
    "unspecified", "keyCompromise", "cACompromise", "affiliationChanged", "superseded", "cessationOfOperation",
    "certificateHold", "", "removeFromCRL", "privilegeWithdrawn", "aACompromise",
};
// clang-format on

std::string reasonName(long code) {
    return code >= 0 && code < kCrlReasonNames && kCrlReasons[code][0] != '\0' ? kCrlReasons[code] : "";
}

CRevocationCheck unavailable(const char* source, const std::string& location, const std::string& why) {
    CRevocationCheck c;
    c.source = source;
    c.location = location;
    c.status = "unavailable";
    c.reason = why;
    return c;
}

// Whether the CRL lists cert, with the revocation time and reason, and when it was issued.
CRevocationCheck judgeDetail(X509_CRL* crl, X509* cert, const char* source, const std::string& location) {
    CRevocationCheck c;
    c.source = source;
    c.location = location;
    c.productionTime = vn_crl::utcSeconds(X509_CRL_get0_lastUpdate(crl));
    X509_REVOKED* entry = nullptr;
    if (X509_CRL_get0_by_cert(crl, &entry, cert) != 1 || entry == nullptr) {
        c.status = "good";
        return c;
    }
    c.status = "revoked";
    c.revocationTime = vn_crl::utcSeconds(X509_REVOKED_get0_revocationDate(entry));
    const vn_ossl::Asn1EnumeratedPtr code(
        static_cast<ASN1_ENUMERATED*>(X509_REVOKED_get_ext_d2i(entry, NID_crl_reason, nullptr, nullptr)));
    if (code)
        c.reason = reasonName(ASN1_ENUMERATED_get(code.get()));
    return c;
}

// The legacy bit of a revoked entry at t (t after the revocation).
unsigned int revokedBit(const CRevocationCheck& c, const struct tm* t) {
    if (c.status != "revoked")
        return 0;
    if (c.revocationTime < 0)
        return VERIFY_REVOKED;
    const struct tm revoked = vn_verify::utcTm(c.revocationTime);
    return tm_Compare(t, &revoked) <= 0 ? 0 : VERIFY_REVOKED;
}

// The CRL judged for cert when it was issued by issuer; skipped (noted) otherwise.
unsigned int judge(X509_CRL* crl, const struct tm* t, X509* cert, X509* issuer, const char* source,
                   const std::string& location, RevocationChecks& checks) {
    if (!vn_crl::crlIssuedBy(crl, cert, issuer)) {
        LOG4CXX_DEBUG(CVerifyMsg::m_logger, "CRL skipped: not issued by the certificate's issuer");
        checks.push_back(unavailable(source, location, "the CRL was not issued by the certificate's issuer"));
        return 0;
    }
    checks.push_back(judgeDetail(crl, cert, source, location));
    return revokedBit(checks.back(), t);
}

// A CRL fetched from an address; null (with why) when it cannot be fetched or parsed.
vn_ossl::CrlPtr crlFrom(const std::string& url, std::string& why) {
    MallocBuffer body;
    if (CCrlSSL::LoadCrl(url.c_str(), &body.p, &body.length) != 0) {
        why = "the CRL could not be fetched";
        return vn_ossl::CrlPtr();
    }
    vn_ossl::CrlPtr crl = vn_crl::parseCrl(body.p, body.length);
    if (!crl)
        why = "the answer is not a CRL";
    return crl;
}

const char kStore[] = "crl-store";
const char kPoint[] = "crl-distribution-point";
const char kDirectory[] = "crl-directory";
const char kAddress[] = "crl-address";
const char kOcsp[] = "ocsp";

enum class Source { Store, DistributionPoints, Directory, Ocsp, Address };

// The revocation sources by their flag, in precedence: of the flags set, the first row's
// source alone is asked. The CRLs of the store come before the certificate's distribution
// points, those before a CRL directory, that before OCSP, and OCSP before a CRL address.
struct SourceRow {
    int flag;
    Source source;
    const char* name;  // the source as the report names it
};
// clang-format off
const SourceRow kSources[] = {
    {VERIFY_CRL_STORE,               Source::Store,              kStore},
    {VERIFY_CRL_DISTRIBUTION_POINTS, Source::DistributionPoints, kPoint},
    {VERIFY_CRL_DIRECTORY,           Source::Directory,          kDirectory},
    {VERIFY_CRL_OCSP,                Source::Ocsp,               kOcsp},
    {VERIFY_CRL_ADDRESS,             Source::Address,            kAddress},
    {VERIFY_CRL_ADDRESS_2,           Source::Address,            kAddress},
};
// clang-format on

// The source the flags choose; null when they name none.
const SourceRow* chosenSource(int crlFlags) {
    for (const SourceRow& r : kSources)
        if (crlFlags & r.flag)
            return &r;
    return nullptr;
}

// CRLs of the store: OpenSSL checks the chain with them; a revocation is judged by time.
unsigned int fromStore(X509* cert, X509_STORE* store, X509_STORE_CTX* chainCtx, const struct tm* t,
                       RevocationChecks& checks) {
    vn_ossl::StoreCtxPtr ctx(X509_STORE_CTX_new());
    STACK_OF(X509)* untrusted = chainCtx != nullptr ? X509_STORE_CTX_get0_untrusted(chainCtx) : nullptr;
    if (store == nullptr || !ctx || X509_STORE_CTX_init(ctx.get(), store, cert, untrusted) != 1) {
        checks.push_back(unavailable(kStore, "", "no store of trusted certificates"));
        return VERIFY_NO_CONTEXT;
    }
    std::vector<int> errors;
    X509_STORE_CTX_set_flags(ctx.get(), X509_V_FLAG_CRL_CHECK);
    X509_STORE_CTX_set_verify_cb(ctx.get(), vn_verify::recordingCallback);
    X509_STORE_CTX_set_app_data(ctx.get(), &errors);
    X509_verify_cert(ctx.get());
    vn_ossl::X509Ptr issuer = vn_verify::issuerOf(cert, store, ctx.get());
    vn_ossl::CrlStackPtr crls(X509_STORE_CTX_get1_crls(ctx.get(), X509_get_issuer_name(cert)));
    unsigned int rc = 0;
    const size_t before = checks.size();
    for (int i = 0; i < sk_X509_CRL_num(crls.get()); ++i) {
        X509_CRL* crl = sk_X509_CRL_value(crls.get(), i);
        if (vn_crl::crlIssuedBy(crl, cert, issuer.get()))
            rc |= judge(crl, t, cert, issuer.get(), kStore, "", checks);
    }
    if (checks.size() == before)
        checks.push_back(unavailable(kStore, "", "no CRL of the issuer in the store"));
    return rc;
}

// The first distribution point URI whose CRL loads and was issued by the issuer.
unsigned int fromDistributionPoints(X509* cert, X509* issuer, const struct tm* t, RevocationChecks& checks) {
    vn_ossl::DistPointsPtr points(
        static_cast<STACK_OF(DIST_POINT)*>(X509_get_ext_d2i(cert, NID_crl_distribution_points, nullptr, nullptr)));
    const size_t before = checks.size();
    for (int i = 0; i < sk_DIST_POINT_num(points.get()); ++i) {
        DIST_POINT* dp = sk_DIST_POINT_value(points.get(), i);
        if (dp->distpoint == nullptr || dp->distpoint->type != 0)
            continue;
        GENERAL_NAMES* names = dp->distpoint->name.fullname;
        for (int j = 0; j < sk_GENERAL_NAME_num(names); ++j) {
            GENERAL_NAME* name = sk_GENERAL_NAME_value(names, j);
            if (name->type != GEN_URI)
                continue;
            const ASN1_IA5STRING* uri = name->d.uniformResourceIdentifier;
            const std::string url(reinterpret_cast<const char*>(ASN1_STRING_get0_data(uri)),
                                  static_cast<size_t>(ASN1_STRING_length(uri)));
            std::string why;
            vn_ossl::CrlPtr crl = crlFrom(url, why);
            if (crl && vn_crl::crlIssuedBy(crl.get(), cert, issuer))
                return judge(crl.get(), t, cert, issuer, kPoint, url, checks);
            checks.push_back(
                unavailable(kPoint, url, crl ? "the CRL was not issued by the certificate's issuer" : why));
            LOG4CXX_DEBUG(CVerifyMsg::m_logger, "no usable CRL from " << url);
        }
    }
    if (checks.size() == before)
        checks.push_back(unavailable(kPoint, "", "the certificate names no CRL distribution point"));
    return 0;
}

// Every "*.crl" file of the directory, DER or PEM.
unsigned int fromDirectory(const char* directory, X509* cert, X509* issuer, const struct tm* t,
                           RevocationChecks& checks) {
    CDirHelp search(directory, kCrlPattern, "", 0, kMaxCrlFiles);
    unsigned int rc = 0;
    FileStruct file;
    RevocationChecks found;
    while (search.FindNext(&file) == 0) {
        if (file.IsDir)
            continue;
        MallocBuffer data;
        vn_ossl::CrlPtr crl;
        if (CCrlSSL::LoadFromFile(file.FileName.c_str(), &data.p, &data.length) == 0)
            crl = vn_crl::parseCrl(data.p, data.length);
        if (!crl) {
            BIO_printf(vn_verify::errorBio(), "bad input format specified for input crl\n");
            BIO_printf(vn_verify::errorBio(), "unable to load CRL\n");
            continue;
        }
        if (vn_crl::crlIssuedBy(crl.get(), cert, issuer))
            rc |= judge(crl.get(), t, cert, issuer, kDirectory, file.FileName, found);
    }
    if (found.empty())
        found.push_back(unavailable(kDirectory, directory, "no CRL of the issuer in the directory"));
    checks.insert(checks.end(), found.begin(), found.end());
    return rc;
}

std::string ocspAddress(X509* cert, const char* crlSource) {
    if (crlSource != nullptr && crlSource[0] != '\0')
        return crlSource;
    const vn_ossl::EmailListPtr list(X509_get1_ocsp(cert));
    return sk_OPENSSL_STRING_num(list.get()) > 0 ? sk_OPENSSL_STRING_value(list.get(), 0) : "";
}

// producedAt and the revocation reason from the response the exchange handed back.
void readOcspDetails(const OpenSslBuffer& response, X509* cert, X509* issuer, CRevocationCheck& c) {
    const unsigned char* p = response.bytes.get();
    vn_ossl::OcspResponsePtr r(p != nullptr ? d2i_OCSP_RESPONSE(nullptr, &p, static_cast<long>(response.length))
                                            : nullptr);
    vn_ossl::OcspBasicPtr basic(r ? OCSP_response_get1_basic(r.get()) : nullptr);
    if (!basic)
        return;
    c.productionTime = vn_crl::utcSeconds(OCSP_resp_get0_produced_at(basic.get()));
    vn_ossl::OcspCertIdPtr id(OCSP_cert_to_id(nullptr, cert, issuer));
    int status = -1, reason = -1;
    ASN1_GENERALIZEDTIME *revoked = nullptr, *thisUpdate = nullptr, *nextUpdate = nullptr;
    if (id && OCSP_resp_find_status(basic.get(), id.get(), &status, &reason, &revoked, &thisUpdate, &nextUpdate) == 1 &&
        status == V_OCSP_CERTSTATUS_REVOKED)
        c.reason = reasonName(reason);
}

// Why an OCSP check got no status, for the report.
// clang-format off
const struct {
    unsigned int code;
    const char* reason;
} kOcspFailures[] = {
    {CRLSSL_OCSP_NO_RESPONDER, "unusable responder address"},
    {CRLSSL_OCSP_TIMEOUT,      "timeout: the OCSP exchange did not end within the time limit"},
    {CRLSSL_OCSP_TOO_LARGE,    "too large: the OCSP answer is over its size limit"},
};
// clang-format on

const char* ocspFailureReason(unsigned int rc) {
    for (const auto& f : kOcspFailures)
        if (f.code == rc)
            return f.reason;
    return "the OCSP exchange failed or its response is not acceptable";
}

unsigned int fromOcsp(X509* cert, X509* issuer, const char* crlSource, const struct tm* t, RevocationChecks& checks) {
    const std::string url = ocspAddress(cert, crlSource);
    if (issuer == nullptr) {
        checks.push_back(unavailable(kOcsp, url, "the issuer's certificate is not known"));
        return VERIFY_NO_CONTEXT;
    }
    if (url.empty()) {
        checks.push_back(unavailable(kOcsp, url, "no OCSP responder address"));
        return VERIFY_NO_OCSP_RESPONDER;
    }
    const std::vector<unsigned char> certDer = vn_ossl::derOfX509(cert);
    const std::vector<unsigned char> issuerDer = vn_ossl::derOfX509(issuer);
    OpenSslBuffer response, responder;
    unsigned char *responseDer = nullptr, *responderDer = nullptr;
    time_t revokedAt = 0;
    const unsigned int rc =
        CCrlSSL::CheckOCSP(url.c_str(), certDer.data(), static_cast<unsigned int>(certDer.size()), issuerDer.data(),
                           static_cast<unsigned int>(issuerDer.size()), &responseDer, &response.length, &revokedAt,
                           &responderDer, &responder.length);
    response.bytes.reset(responseDer);
    responder.bytes.reset(responderDer);
    CRevocationCheck c;
    c.source = kOcsp;
    c.location = url;
    if (rc == 0 || rc == CRLSSL_OCSP_REVOKED || rc == CRLSSL_OCSP_UNKNOWN)
        readOcspDetails(response, cert, issuer, c);
    if (rc == 0) {
        c.status = "good";
    } else if (rc == CRLSSL_OCSP_UNKNOWN) {
        c.status = "unknown";
        c.reason = "the responder does not know the certificate";
    } else if (rc == CRLSSL_OCSP_REVOKED) {
        c.status = "revoked";
        c.revocationTime = revokedAt;
    } else {
        c.status = "unavailable";
        c.reason = ocspFailureReason(rc);
    }
    checks.push_back(c);
    if (rc == 0 || rc == CRLSSL_OCSP_UNKNOWN)
        return 0;
    if (rc == CRLSSL_OCSP_REVOKED)
        return revokedBit(c, t);
    return rc == CRLSSL_OCSP_NO_RESPONDER ? VERIFY_NO_OCSP_RESPONDER : VERIFY_OCSP_FAILED;
}

}  // namespace

namespace vn_verify {

unsigned int revocationOf(X509* certificate, X509_STORE* store, X509_STORE_CTX* storeContext, int crlFlags,
                          const char* crlSource, const struct tm* checkTime, RevocationChecks& checks) {
    if (certificate == nullptr || checkTime == nullptr)
        return VERIFY_NO_CONTEXT;
    const SourceRow* chosen = chosenSource(crlFlags);
    if (chosen == nullptr)
        return 0;
    if (chosen->source == Source::Store)
        return fromStore(certificate, store, storeContext, checkTime, checks);
    vn_ossl::X509Ptr issuer = issuerOf(certificate, store, storeContext);
    if (chosen->source == Source::Ocsp)  // reports a missing issuer at the responder's address
        return fromOcsp(certificate, issuer.get(), crlSource, checkTime, checks);
    if (!issuer) {
        checks.push_back(
            unavailable(chosen->name, crlSource != nullptr ? crlSource : "", "the issuer's certificate is not known"));
        return VERIFY_NO_CONTEXT;  // no key to check a CRL's signature with
    }
    if (chosen->source == Source::DistributionPoints)
        return fromDistributionPoints(certificate, issuer.get(), checkTime, checks);
    if (crlSource == nullptr) {
        checks.push_back(unavailable(chosen->name, "", "no CRL source given"));
        return 0;
    }
    if (chosen->source == Source::Directory)
        return fromDirectory(crlSource, certificate, issuer.get(), checkTime, checks);
    std::string why;
    vn_ossl::CrlPtr crl = crlFrom(crlSource, why);
    if (!crl) {
        checks.push_back(unavailable(kAddress, crlSource, why));
        return 0;
    }
    return judge(crl.get(), checkTime, certificate, issuer.get(), kAddress, crlSource, checks);
}

unsigned int embeddedRevocationBits(const RevocationChecks& checks, const struct tm* checkTime) {
    unsigned int rc = 0;
    for (const CRevocationCheck& c : checks)
        rc |= revokedBit(c, checkTime);
    return rc;
}

bool revocationObtained(const RevocationChecks& checks) {
    for (const CRevocationCheck& c : checks)
        if (c.status == "good" || c.status == "revoked")
            return true;
    return false;
}

}  // namespace vn_verify

unsigned int Check_CRL_signtime(X509_CRL* crl, const struct tm* checkTime, X509* certificate) {
    X509_REVOKED* entry = nullptr;
    if (crl == nullptr || certificate == nullptr || checkTime == nullptr ||
        X509_CRL_get0_by_cert(crl, &entry, certificate) != 1 || entry == nullptr)
        return 0;
    struct tm revoked;
    if (!vn_verify::asn1ToTm(X509_REVOKED_get0_revocationDate(entry), revoked))
        return VERIFY_REVOKED;
    return tm_Compare(checkTime, &revoked) <= 0 ? 0 : VERIFY_REVOKED;
}

unsigned int CVerifyMsg::Check_CRL(X509* certificate, X509_STORE* store, X509_STORE_CTX* storeContext, int crlFlags,
                                   const char* crlSource, const struct tm* checkTime, int) {
    VnLoggerTraceScope trace(m_logger, "Check_CRL");
    vn_verify::RevocationChecks checks;
    unsigned int rc = vn_verify::revocationOf(certificate, store, storeContext, crlFlags, crlSource, checkTime, checks);
    if (rc == 0 && getRevocationHardFail() && chosenSource(crlFlags) != nullptr &&
        !vn_verify::revocationObtained(checks))
        rc = VERIFY_NO_REVOCATION_INFO;
    return rc;
}
