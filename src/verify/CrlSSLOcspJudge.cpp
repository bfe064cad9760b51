// Judging an OCSP response: success, nonce, the responder's authority, the certificate id.
#include "CrlSSL.h"
#include "infra/Loggers.h"
#include "verify/CrlInternal.h"

namespace {

// Accepted difference between the responder's clock and ours.
const long kClockSkewSeconds = 300;

// The response is signed by the issuer itself or by a responder certificate that the
// issuer signed with id-kp-OCSPSigning; nothing else is trusted.
bool signedByIssuerOrDelegate(OCSP_BASICRESP* basic, X509* issuer) {
    vn_ossl::StorePtr store(X509_STORE_new());
    vn_ossl::X509StackPtr others(sk_X509_new_null());
    if (!store || !others || X509_STORE_add_cert(store.get(), issuer) != 1 ||
        X509_STORE_set_flags(store.get(), X509_V_FLAG_PARTIAL_CHAIN) != 1 ||
        !vn_ossl::pushCertRef(others.get(), issuer))
        return false;
    return OCSP_basic_verify(basic, others.get(), store.get(), OCSP_NOEXPLICIT) == 1;
}

}  // namespace

namespace vn_crl {

unsigned int judgeOcspResponse(OCSP_RESPONSE* response, OCSP_REQUEST* request, OCSP_CERTID* id, X509* issuer,
                               time_t* revocationTime) {
    log4cxx::LoggerPtr logger = CCrlSSL::m_logger;
    if (OCSP_response_status(response) != OCSP_RESPONSE_STATUS_SUCCESSFUL) {
        LOG4CXX_DEBUG(logger, "OCSP response status " << OCSP_response_status(response));
        return CRLSSL_OCSP_FAILED;
    }
    OcspBasicPtr basic(OCSP_response_get1_basic(response));
    if (!basic || OCSP_check_nonce(request, basic.get()) != 1) {
        LOG4CXX_DEBUG(logger, "OCSP response without the request's nonce");
        return CRLSSL_OCSP_FAILED;
    }
    if (!signedByIssuerOrDelegate(basic.get(), issuer)) {
        LOG4CXX_DEBUG(logger, "OCSP response not signed by the issuer or its responder");
        return CRLSSL_OCSP_FAILED;
    }
    int status = -1, reason = -1;
    ASN1_GENERALIZEDTIME *revoked = nullptr, *thisUpdate = nullptr, *nextUpdate = nullptr;
    if (OCSP_resp_find_status(basic.get(), id, &status, &reason, &revoked, &thisUpdate, &nextUpdate) != 1 ||
        OCSP_check_validity(thisUpdate, nextUpdate, kClockSkewSeconds, -1) != 1) {
        LOG4CXX_DEBUG(logger, "OCSP response without a current answer for the certificate");
        return CRLSSL_OCSP_FAILED;
    }
    if (status == V_OCSP_CERTSTATUS_GOOD)
        return 0;
    if (status == V_OCSP_CERTSTATUS_REVOKED) {
        if (revocationTime != nullptr)
            *revocationTime = utcSeconds(revoked);
        return CRLSSL_OCSP_REVOKED;
    }
    return CRLSSL_OCSP_UNKNOWN;
}

}  // namespace vn_crl
