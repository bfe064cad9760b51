// CVerifyMsg::CheckSignDetached: signature value, chain, validity model and revocation.
#include <openssl/err.h>
#include <openssl/evp.h>

#include <climits>

#include "VerifyMsg.h"
#include "infra/Loggers.h"
#include "verify/VerifyInternal.h"

log4cxx::LoggerPtr CVerifyMsg::m_logger = vnLogger("VornCryptoSSL::CVerifyMsg");

namespace {

const int kModeAttached = 1;
const int kAllChecks = VERIFY_FLAG_SIGNATURE | VERIFY_FLAG_CHAIN | VERIFY_FLAG_VALIDITY | VERIFY_FLAG_REVOCATION;

vn_ossl::Pkcs7Ptr parse(const unsigned char* sig, unsigned int sigLen) {
    if (sig == nullptr || sigLen == 0 || sigLen > INT_MAX)
        return vn_ossl::Pkcs7Ptr();
    const unsigned char* p = sig;
    vn_ossl::Pkcs7Ptr p7(d2i_PKCS7(nullptr, &p, static_cast<long>(sigLen)));
    if (p7 && !PKCS7_type_is_signed(p7.get()))
        p7.reset();
    return p7;
}

// The signature value over the content (no chain building).
bool valueVerifies(PKCS7* p7, int mode, const unsigned char* content, unsigned int contentLen) {
    vn_ossl::BioChainPtr data;
    if (mode != kModeAttached) {
        if (content == nullptr && contentLen != 0)
            return false;
        data.reset(BIO_new_mem_buf(content != nullptr ? content : reinterpret_cast<const unsigned char*>(""),
                                   static_cast<int>(contentLen)));
        if (!data)
            return false;
    }
    const int ok = PKCS7_verify(p7, nullptr, nullptr, data.get(), nullptr, PKCS7_NOCHAIN | PKCS7_NOVERIFY);
    ERR_clear_error();
    return ok == 1;
}

// The first signer's certificate (from the certificates inside the signature).
vn_ossl::X509Ptr firstSigner(PKCS7* p7) {
    vn_ossl::X509RefStackPtr signers(PKCS7_get0_signers(p7, nullptr, 0));
    X509* signer = sk_X509_value(signers.get(), 0);
    vn_ossl::X509Ptr owned(signer != nullptr && X509_up_ref(signer) == 1 ? signer : nullptr);
    signers.reset();
    ERR_clear_error();
    return owned;
}

}  // namespace

CVerifyMsg::CVerifyMsg() = default;
CVerifyMsg::~CVerifyMsg() = default;

unsigned int CVerifyMsg::CheckSignDetached(const unsigned char* sig, unsigned int sigLen, int mode,
                                           const unsigned char* content, unsigned int contentLen, int flags,
                                           int crlFlags, const char* crlSource, const char*,
                                           const struct timeb* verificationTime, int, int model, const char* CAfile,
                                           const char* CApath) {
    VN_TRACE_ENTER(m_logger, "CheckSignDetached");
    if ((flags & kAllChecks) == 0) {
        VN_TRACE_LEAVE(m_logger, "CheckSignDetached");
        return 0;
    }
    vn_ossl::Pkcs7Ptr p7 = parse(sig, sigLen);
    vn_ossl::X509Ptr signer = p7 ? firstSigner(p7.get()) : vn_ossl::X509Ptr();
    if (!signer) {
        LOG4CXX_DEBUG(m_logger, "no signedData with a signer certificate");
        VN_TRACE_LEAVE(m_logger, "CheckSignDetached");
        return VERIFY_BAD_SIGNATURE;
    }
    unsigned int result = 0;
    const bool valueOk = !(flags & VERIFY_FLAG_SIGNATURE) || valueVerifies(p7.get(), mode, content, contentLen);
    if (!valueOk)
        result |= VERIFY_BAD_SIGNATURE;

    const struct tm checkTime = vn_verify::checkTimeOf(p7.get(), verificationTime);
    vn_verify::ChainCheck chain;
    if (flags & (VERIFY_FLAG_CHAIN | VERIFY_FLAG_REVOCATION)) {
        if (!chain.setup(CAfile, CApath, signer.get(), p7->d.sign->cert)) {
            VN_TRACE_LEAVE(m_logger, "CheckSignDetached");
            return valueOk ? VERIFY_NO_CONTEXT : VERIFY_NO_CONTEXT_BAD_SIGNATURE;
        }
        chain.verify();
    }
    if (flags & VERIFY_FLAG_CHAIN) {
        result |= chain.faultBits();
        if (!chain.issuerMissing() && valueOk && Check_TimeNested_CA(chain.context(), &checkTime, model) != 0)
            result |= VERIFY_CHAIN_NOT_VALID;
    }
    if ((flags & VERIFY_FLAG_VALIDITY) && verificationTime != nullptr &&
        Check_TimeNested(p7.get(), nullptr, verificationTime, model) != 0)
        result |= VERIFY_SIGNER_NOT_VALID;
    if (flags & VERIFY_FLAG_REVOCATION)
        result |= Check_CRL(signer.get(), chain.store(), chain.context(), crlFlags, crlSource, &checkTime, model);
    LOG4CXX_DEBUG(m_logger, "result 0x" << std::hex << result);
    VN_TRACE_LEAVE(m_logger, "CheckSignDetached");
    return result;
}
