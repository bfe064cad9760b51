// Revocation of the signer certificate from the source the revocation flags choose.
#include <cstdlib>
#include <string>
#include <vector>

#include "CrlSSL.h"
#include "DirHelp.h"
#include "VerifyMsg.h"
#include "infra/Loggers.h"
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

struct OpenSslBuffer {
    unsigned char* p = nullptr;
    unsigned int length = 0;
    ~OpenSslBuffer() { OPENSSL_free(p); }
};

// The CRL judged for cert when it was issued by issuer; 0 otherwise (skipped).
unsigned int judge(X509_CRL* crl, const struct tm* t, X509* cert, X509* issuer) {
    if (!vn_crl::crlIssuedBy(crl, cert, issuer)) {
        LOG4CXX_DEBUG(CVerifyMsg::m_logger, "CRL skipped: not issued by the certificate's issuer");
        return 0;
    }
    return Check_CRL_signtime(crl, t, cert);
}

// A CRL fetched from an address; null when it cannot be fetched or parsed.
vn_ossl::CrlPtr crlFrom(const std::string& url) {
    MallocBuffer body;
    if (CCrlSSL::LoadCrl(url.c_str(), &body.p, &body.length) != 0)
        return vn_ossl::CrlPtr();
    return vn_crl::parseCrl(body.p, body.length);
}

// CRLs of the store: OpenSSL checks the chain with them; a revocation is judged by time.
unsigned int fromStore(X509* cert, X509_STORE* store, X509_STORE_CTX* chainCtx, const struct tm* t) {
    vn_ossl::StoreCtxPtr ctx(X509_STORE_CTX_new());
    STACK_OF(X509)* untrusted = chainCtx != nullptr ? X509_STORE_CTX_get0_untrusted(chainCtx) : nullptr;
    if (store == nullptr || !ctx || X509_STORE_CTX_init(ctx.get(), store, cert, untrusted) != 1)
        return VERIFY_NO_CONTEXT;
    std::vector<int> errors;
    X509_STORE_CTX_set_flags(ctx.get(), X509_V_FLAG_CRL_CHECK);
    X509_STORE_CTX_set_verify_cb(ctx.get(), vn_verify::recordingCallback);
    X509_STORE_CTX_set_app_data(ctx.get(), &errors);
    X509_verify_cert(ctx.get());
    bool revoked = false;
    for (int e : errors)
        revoked = revoked || e == X509_V_ERR_CERT_REVOKED;
    if (!revoked)
        return 0;  // listed nowhere, or no usable CRL: not found counts as not revoked
    vn_ossl::X509Ptr issuer = vn_verify::issuerOf(cert, store, ctx.get());
    vn_ossl::CrlStackPtr crls(X509_STORE_CTX_get1_crls(ctx.get(), X509_get_issuer_name(cert)));
    unsigned int rc = 0;
    for (int i = 0; i < sk_X509_CRL_num(crls.get()); ++i)
        rc |= judge(sk_X509_CRL_value(crls.get(), i), t, cert, issuer.get());
    return rc;
}

// The first distribution point URI whose CRL loads and was issued by the issuer.
unsigned int fromDistributionPoints(X509* cert, X509* issuer, const struct tm* t) {
    vn_ossl::DistPointsPtr points(
        static_cast<STACK_OF(DIST_POINT)*>(X509_get_ext_d2i(cert, NID_crl_distribution_points, nullptr, nullptr)));
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
            vn_ossl::CrlPtr crl = crlFrom(url);
            if (crl && vn_crl::crlIssuedBy(crl.get(), cert, issuer))
                return Check_CRL_signtime(crl.get(), t, cert);
            LOG4CXX_DEBUG(CVerifyMsg::m_logger, "no usable CRL from " << url);
        }
    }
    return 0;
}

// Every "*.crl" file of the directory, DER or PEM.
unsigned int fromDirectory(const char* directory, X509* cert, X509* issuer, const struct tm* t) {
    CDirHelp search(directory, kCrlPattern, "", 0, kMaxCrlFiles);
    unsigned int rc = 0;
    FileStruct file;
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
        rc |= judge(crl.get(), t, cert, issuer);
    }
    return rc;
}

std::string ocspAddress(X509* cert, const char* crlSource) {
    if (crlSource != nullptr && crlSource[0] != '\0')
        return crlSource;
    STACK_OF(OPENSSL_STRING)* list = X509_get1_ocsp(cert);
    std::string url = sk_OPENSSL_STRING_num(list) > 0 ? sk_OPENSSL_STRING_value(list, 0) : "";
    X509_email_free(list);
    return url;
}

std::vector<unsigned char> derOf(X509* x) {
    const int n = i2d_X509(x, nullptr);
    std::vector<unsigned char> der(n > 0 ? static_cast<size_t>(n) : 0);
    unsigned char* p = der.data();
    if (n > 0)
        i2d_X509(x, &p);
    return der;
}

unsigned int fromOcsp(X509* cert, X509* issuer, const char* crlSource, const struct tm* t) {
    if (issuer == nullptr)
        return VERIFY_NO_CONTEXT;
    const std::string url = ocspAddress(cert, crlSource);
    if (url.empty())
        return VERIFY_NO_OCSP_RESPONDER;
    const std::vector<unsigned char> certDer = derOf(cert);
    const std::vector<unsigned char> issuerDer = derOf(issuer);
    OpenSslBuffer response, responder;
    time_t revokedAt = 0;
    const unsigned int rc =
        CCrlSSL::CheckOCSP(url.c_str(), certDer.data(), static_cast<unsigned int>(certDer.size()), issuerDer.data(),
                           static_cast<unsigned int>(issuerDer.size()), &response.p, &response.length, &revokedAt,
                           &responder.p, &responder.length);
    if (rc == 0 || rc == CRLSSL_OCSP_UNKNOWN)
        return 0;
    if (rc == CRLSSL_OCSP_REVOKED) {
        const struct tm revoked = vn_verify::utcTm(revokedAt);
        return tm_Compare(t, &revoked) <= 0 ? 0 : VERIFY_REVOKED;
    }
    return rc == CRLSSL_OCSP_NO_RESPONDER ? VERIFY_NO_OCSP_RESPONDER : VERIFY_OCSP_FAILED;
}

}  // namespace

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
    VN_TRACE_ENTER(m_logger, "Check_CRL");
    unsigned int rc = 0;
    if (certificate == nullptr || checkTime == nullptr) {
        rc = VERIFY_NO_CONTEXT;
    } else if (crlFlags & VERIFY_CRL_STORE) {
        rc = fromStore(certificate, store, storeContext, checkTime);
    } else if (crlFlags & (VERIFY_CRL_DISTRIBUTION_POINTS | VERIFY_CRL_DIRECTORY | VERIFY_CRL_OCSP |
                           VERIFY_CRL_ADDRESS | VERIFY_CRL_ADDRESS_2)) {
        vn_ossl::X509Ptr issuer = vn_verify::issuerOf(certificate, store, storeContext);
        if (crlFlags & VERIFY_CRL_OCSP && !(crlFlags & (VERIFY_CRL_DISTRIBUTION_POINTS | VERIFY_CRL_DIRECTORY)))
            rc = fromOcsp(certificate, issuer.get(), crlSource, checkTime);
        else if (!issuer)
            rc = VERIFY_NO_CONTEXT;  // no key to check a CRL's signature with
        else if (crlFlags & VERIFY_CRL_DISTRIBUTION_POINTS)
            rc = fromDistributionPoints(certificate, issuer.get(), checkTime);
        else if (crlFlags & VERIFY_CRL_DIRECTORY)
            rc = crlSource != nullptr ? fromDirectory(crlSource, certificate, issuer.get(), checkTime) : 0;
        else if (crlSource != nullptr) {
            vn_ossl::CrlPtr crl = crlFrom(crlSource);
            rc = crl ? judge(crl.get(), checkTime, certificate, issuer.get()) : 0;
        }
    }
    VN_TRACE_LEAVE(m_logger, "Check_CRL");
    return rc;
}
