// The store of trusted certificates and the signer's chain as OpenSSL builds it, with the
// chain faults turned into failure bits.
#include <openssl/err.h>

#include <cstdio>

#include "VerifyMsg.h"
#include "infra/Loggers.h"
#include "verify/VerifyInternal.h"

namespace vn_verify {

namespace {

// Errors that mean the chain does not reach a trusted certificate.
const int kUntrustedErrors[] = {
    X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT,
    X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY,
    X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT,
    X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN,
    X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE,
    X509_V_ERR_CERT_UNTRUSTED,
    X509_V_ERR_CERT_REJECTED,
};

// Errors about validity periods, which the library's own time rule judges.
const int kTimeErrors[] = {X509_V_ERR_CERT_NOT_YET_VALID, X509_V_ERR_CERT_HAS_EXPIRED};

template <size_t N>
bool contains(const int (&list)[N], int value) {
    for (int v : list)
        if (v == value)
            return true;
    return false;
}

}  // namespace

BIO* errorBio() {
    static BIO* bio = BIO_new_fp(stderr, BIO_NOCLOSE);
    return bio;
}

int recordingCallback(int ok, X509_STORE_CTX* ctx) {
    if (!ok) {
        auto* errors = static_cast<std::vector<int>*>(X509_STORE_CTX_get_app_data(ctx));
        if (errors != nullptr)
            errors->push_back(X509_STORE_CTX_get_error(ctx));
    }
    return 1;
}

bool ChainCheck::setup(const char* caFile, const char* caPath, X509* signer, STACK_OF(X509) * untrusted) {
    X509_STORE* raw = nullptr;
    if (setup_verify(errorBio(), caFile, caPath, &raw) != 1)
        return false;
    m_store.reset(raw);
    m_ctx.reset(X509_STORE_CTX_new());
    if (!m_ctx || X509_STORE_CTX_init(m_ctx.get(), m_store.get(), signer, untrusted) != 1)
        return false;
    X509_STORE_CTX_set_verify_cb(m_ctx.get(), recordingCallback);
    X509_STORE_CTX_set_app_data(m_ctx.get(), &m_errors);
    return true;
}

void ChainCheck::verify() {
    m_errors.clear();
    if (X509_verify_cert(m_ctx.get()) <= 0 && m_errors.empty()) {
        const int error = X509_STORE_CTX_get_error(m_ctx.get());
        m_errors.push_back(error != X509_V_OK ? error : X509_V_ERR_UNSPECIFIED);
    }
    for (int e : m_errors)
        LOG4CXX_DEBUG(CVerifyMsg::m_logger, "chain: " << X509_verify_cert_error_string(e));
}

unsigned int ChainCheck::faultBits() const {
    unsigned int bits = 0;
    for (int e : m_errors) {
        if (e == X509_V_OK || contains(kTimeErrors, e))
            continue;
        bits |= contains(kUntrustedErrors, e) ? VERIFY_NO_CONTEXT : VERIFY_CHAIN_NOT_VALID;
    }
    return bits;
}

bool ChainCheck::issuerMissing() const {
    for (int e : m_errors)
        if (e == X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT || e == X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY)
            return true;
    return false;
}

X509Ptr issuerOf(X509* cert, X509_STORE* store, X509_STORE_CTX* ctx) {
    STACK_OF(X509)* chain = ctx != nullptr ? X509_STORE_CTX_get0_chain(ctx) : nullptr;
    if (sk_X509_num(chain) > 1 && X509_cmp(sk_X509_value(chain, 0), cert) == 0) {
        X509* issuer = sk_X509_value(chain, 1);
        if (X509_check_issued(issuer, cert) == X509_V_OK && X509_up_ref(issuer) == 1)
            return X509Ptr(issuer);
    }
    StoreCtxPtr lookup(X509_STORE_CTX_new());
    X509* found = nullptr;
    if (store == nullptr || !lookup || X509_STORE_CTX_init(lookup.get(), store, cert, nullptr) != 1 ||
        X509_STORE_CTX_get1_issuer(&found, lookup.get(), cert) != 1)
        return X509Ptr();
    return X509Ptr(found);
}

}  // namespace vn_verify

int setup_verify(BIO* bio, const char* CAfile, const char* CApath, X509_STORE** store) {
    if (store == nullptr)
        return 0;
    *store = nullptr;
    vn_ossl::StorePtr s(X509_STORE_new());
    X509_LOOKUP* file = s ? X509_STORE_add_lookup(s.get(), X509_LOOKUP_file()) : nullptr;
    if (file == nullptr)
        return 0;
    const int fileLoaded = CAfile != nullptr ? X509_LOOKUP_load_file(file, CAfile, X509_FILETYPE_PEM)
                                             : X509_LOOKUP_load_file(file, nullptr, X509_FILETYPE_DEFAULT);
    if (CAfile != nullptr && fileLoaded != 1) {
        if (bio != nullptr)
            BIO_printf(bio, "Error loading file %s\n", CAfile);
        return 0;
    }
    X509_LOOKUP* dir = X509_STORE_add_lookup(s.get(), X509_LOOKUP_hash_dir());
    if (dir == nullptr)
        return 0;
    const int dirAdded = CApath != nullptr ? X509_LOOKUP_add_dir(dir, CApath, X509_FILETYPE_PEM)
                                           : X509_LOOKUP_add_dir(dir, nullptr, X509_FILETYPE_DEFAULT);
    if (CApath != nullptr && dirAdded != 1) {
        if (bio != nullptr)
            BIO_printf(bio, "Error loading directory %s\n", CApath);
        return 0;
    }
    ERR_clear_error();
    *store = s.release();
    return 1;
}
