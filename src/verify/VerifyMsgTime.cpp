// Validity of certificates at a check time: the shell and chain models, in UTC.
#include <openssl/asn1.h>

#include <cstring>

#include "VerifyMsg.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"
#include "verify/VerifyInternal.h"

namespace vn_verify {

bool asn1ToTm(const ASN1_TIME* t, struct tm& out) {
    std::memset(&out, 0, sizeof(out));
    return t != nullptr && ASN1_TIME_to_tm(t, &out) == 1;
}

struct tm utcTm(time_t seconds) {
    struct tm out;
    std::memset(&out, 0, sizeof(out));
    gmtime_r(&seconds, &out);
    return out;
}

namespace {

// The first signed attribute of the first signer whose value is a UTCTime (or a
// GeneralizedTime, the form of signing times from 2050 on).
bool signingTime(PKCS7* p7, struct tm& out) {
    STACK_OF(PKCS7_SIGNER_INFO)* signers = PKCS7_get_signer_info(p7);
    PKCS7_SIGNER_INFO* si = signers != nullptr ? sk_PKCS7_SIGNER_INFO_value(signers, 0) : nullptr;
    STACK_OF(X509_ATTRIBUTE)* attributes = si != nullptr ? PKCS7_get_signed_attributes(si) : nullptr;
    for (int i = 0; i < sk_X509_ATTRIBUTE_num(attributes); ++i) {
        ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(sk_X509_ATTRIBUTE_value(attributes, i), 0);
        if (value == nullptr)
            continue;
        if (value->type == V_ASN1_UTCTIME || value->type == V_ASN1_GENERALIZEDTIME)
            return asn1ToTm(reinterpret_cast<const ASN1_TIME*>(value->value.asn1_string), out);
    }
    return false;
}

// notBefore <= t <= notAfter; the notBefore comes back through issued.
bool validAt(X509* cert, const struct tm& t, struct tm& issued) {
    struct tm notAfter;
    return asn1ToTm(X509_get0_notBefore(cert), issued) && asn1ToTm(X509_get0_notAfter(cert), notAfter) &&
           tm_Compare(&t, &issued) >= 0 && tm_Compare(&t, &notAfter) <= 0;
}

}  // namespace

bool certValidAt(X509* cert, time_t t) {
    struct tm issued;
    return cert != nullptr && validAt(cert, utcTm(t), issued);
}

struct tm checkTimeOf(PKCS7* p7, const struct timeb* verificationTime) {
    if (verificationTime != nullptr)
        return utcTm(verificationTime->time);
    struct tm signedAt;
    if (p7 != nullptr && signingTime(p7, signedAt))
        return signedAt;
    LOG4CXX_DEBUG(CVerifyMsg::m_logger, "no verification or signing time: checking at the current time");
    return utcTm(time(nullptr));
}

}  // namespace vn_verify

int tm_Compare(const struct tm* a, const struct tm* b) {
    const int left[] = {a->tm_year, a->tm_mon, a->tm_mday, a->tm_hour, a->tm_min, a->tm_sec};
    const int right[] = {b->tm_year, b->tm_mon, b->tm_mday, b->tm_hour, b->tm_min, b->tm_sec};
    for (size_t i = 0; i < sizeof(left) / sizeof(left[0]); ++i) {
        if (left[i] < right[i])
            return -1;
        if (left[i] > right[i])
            return 1;
    }
    return 0;
}

void copy_tm(struct tm* dst, const struct tm* src) {
    if (dst != nullptr && src != nullptr)
        *dst = *src;
}

int CVerifyMsg::Check_TimeNested(PKCS7* p7, X509_STORE* store, const struct timeb* verificationTime, int) {
    VnLoggerTraceScope trace(m_logger, "Check_TimeNested");
    if (store != nullptr) {
        return 0;
    }
    // PKCS7_get0_signers gives a stack of borrowed certificates.
    vn_ossl::X509RefStackPtr signers(p7 != nullptr ? PKCS7_get0_signers(p7, nullptr, 0) : nullptr);
    X509* signer = signers ? sk_X509_value(signers.get(), 0) : nullptr;
    const struct tm t = vn_verify::utcTm(verificationTime != nullptr ? verificationTime->time : time(nullptr));
    struct tm issued;
    const int rc = signer != nullptr && vn_verify::validAt(signer, t, issued) ? 0 : -1;
    return rc;
}

int CVerifyMsg::Check_TimeNested_CA(X509_STORE_CTX* storeContext, const struct tm* checkTime, int model) {
    VnLoggerTraceScope trace(m_logger, "Check_TimeNested_CA");
    STACK_OF(X509)* chain = storeContext != nullptr ? X509_STORE_CTX_get0_chain(storeContext) : nullptr;
    int rc = checkTime != nullptr && sk_X509_num(chain) > 0 ? 0 : -1;
    struct tm t;
    copy_tm(&t, checkTime);
    for (int i = 0; rc == 0 && i < sk_X509_num(chain); ++i) {
        struct tm issued;
        if (!vn_verify::validAt(sk_X509_value(chain, i), t, issued))
            rc = -1;
        else if (model == VERIFY_MODEL_CHAIN)
            copy_tm(&t, &issued);  // the issuer must have been valid when it issued this one
    }
    return rc;
}
