// CCertInfo: certificate files and the process-wide CA store used to walk chains.
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CertInfo.h"
#include "DirHelp.h"
#include "infra/Loggers.h"
#include "infra/OpenSslPtr.h"
#include "infra/TraceScope.h"

X509_STORE* CCertInfo::m_store = nullptr;
std::string CCertInfo::m_storePath;

namespace {

// File patterns of CA certificates, one pass each.
const char* const CaFilePatterns[] = {"*.crt", "*.pem", "*.der", "*.cer"};
// Most files taken from a directory per pass.
const int MaxFilesPerPass = 1500;
// The path remembered for a store built from single certificates.
const char* const AddedStorePath = "set";
// Working buffers of the chain walk and its longest walk (a cross-signed loop ends there).
const unsigned int ChainBufferSize = 10000;
const int MaxChainSteps = 32;

bool createStore() {
    if (CCertInfo::m_store)
        return true;
    CCertInfo::m_store = X509_STORE_new();
    return CCertInfo::m_store != nullptr;
}

}  // namespace

X509* CCertInfo::ReadX509(const char* path, bool print) {
    VnLoggerTraceScope trace(m_logger, "ReadX509");
    if (!path)
        return nullptr;
    vn_ossl::X509Ptr cert;
    {
        vn_ossl::BioPtr bio(BIO_new_file(path, "rb"));
        if (bio)
            cert.reset(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
    }
    if (!cert) {
        vn_ossl::BioPtr bio(BIO_new_file(path, "rb"));
        if (bio)
            cert.reset(d2i_X509_bio(bio.get(), nullptr));
    }
    ERR_clear_error();
    if (cert && print)
        X509_print_fp(stderr, cert.get());
    return cert.release();
}

int CCertInfo::AddCert2Store(const char* path, X509_STORE* store, bool add) {
    VnLoggerTraceScope trace(m_logger, "AddCert2Store");
    LOG4CXX_DEBUG(m_logger, "file " << (path ? path : "") << (add ? " (add)" : ""));
    int added = 0;
    vn_ossl::X509Ptr cert(ReadX509(path, false));
    if (cert && store && X509_STORE_add_cert(store, cert.get()) == 1)
        added = 1;
    ERR_clear_error();
    return added;
}

int CCertInfo::AddDir2Store(const char* dir, X509_STORE* store, bool add) {
    VnLoggerTraceScope trace(m_logger, "AddDir2Store");
    int added = 0;
    if (dir && store) {
        try {
            for (const char* pattern : CaFilePatterns) {
                CDirHelp files(dir, pattern, "", 0, MaxFilesPerPass);
                FileStruct f;
                for (int n = 0; n < MaxFilesPerPass && files.FindNext(&f) == 0; ++n)
                    if (!f.IsDir)
                        added += AddCert2Store(f.FileName.c_str(), store, add);
            }
        } catch (...) {
            LOG4CXX_ERROR(m_logger, "reading the CA directory failed");
        }
    }
    return added;
}

int CCertInfo::InitSSL_CAStore(const char* path, bool add) {
    VnLoggerTraceScope trace(m_logger, "InitSSL_CAStore");
    const std::string dir = path ? path : "";
    int added = 0;
    if (add) {
        if (createStore()) {
            if (m_storePath.empty())
                m_storePath = dir;
            added = AddDir2Store(dir.c_str(), m_store, true);
        }
    } else if (!(m_store && m_storePath == dir)) {
        CleanUpSSL_CAStore();
        if (createStore()) {
            added = AddDir2Store(dir.c_str(), m_store, false);
            m_storePath = dir;
        }
    }
    LOG4CXX_DEBUG(m_logger, "certificates added: " << added);
    return added;
}

int CCertInfo::AddCertToSSL_CAStore(const unsigned char* der, unsigned int length) {
    VnLoggerTraceScope trace(m_logger, "AddCertToSSL_CAStore");
    int added = 0;
    vn_ossl::X509Ptr cert = vn_ossl::x509FromDer(der, length);
    if (cert && !m_store && createStore())
        m_storePath = AddedStorePath;
    if (cert && m_store)
        added = X509_STORE_add_cert(m_store, cert.get()) == 1 ? 1 : 0;
    ERR_clear_error();
    return added;
}

void CCertInfo::CleanUpSSL_CAStore() {
    VnLoggerTraceScope trace(m_logger, "CleanUpSSL_CAStore");
    const vn_ossl::StorePtr old(m_store);  // m_store is a raw pointer in the public class
    m_store = nullptr;
    m_storePath.clear();
}

int CCertInfo::sslGetNextChainCert(const unsigned char* cert, unsigned int length, unsigned char* out,
                                   unsigned int* outLength, const char* storePath) {
    VnLoggerTraceScope trace(m_logger, "sslGetNextChainCert");
    // A null or empty path keeps the store as it is (for stores built certificate by certificate).
    if (storePath && *storePath)
        InitSSL_CAStore(storePath, false);
    vn_ossl::X509Ptr x = vn_ossl::x509FromDer(cert, length);
    if (!x || !m_store || !out || !outLength)
        return SSL_CERT_ERROR;
    if (X509_check_issued(x.get(), x.get()) == X509_V_OK)
        return SSL_CHAIN_END;
    vn_ossl::StoreCtxPtr ctx(X509_STORE_CTX_new());
    if (!ctx || X509_STORE_CTX_init(ctx.get(), m_store, x.get(), nullptr) != 1)
        return SSL_CERT_ERROR;
    X509* found = nullptr;
    const int got = X509_STORE_CTX_get1_issuer(&found, ctx.get(), x.get());
    vn_ossl::X509Ptr issuer(got == 1 ? found : nullptr);
    ERR_clear_error();
    if (!issuer || X509_cmp(issuer.get(), x.get()) == 0)
        return SSL_CHAIN_END;
    const std::vector<unsigned char> der = vn_ossl::derOfX509(issuer.get());
    if (der.empty() || der.size() > *outLength)
        return SSL_CERT_ERROR;
    std::copy(der.begin(), der.end(), out);
    *outLength = static_cast<unsigned int>(der.size());
    return 0;
}

int CCertInfo::sslGetChainSize(const unsigned char* cert, unsigned int length, const char* storePath) {
    VnLoggerTraceScope trace(m_logger, "sslGetChainSize");
    int steps = 0;
    try {
        std::vector<unsigned char> current(cert && length ? cert : nullptr, cert && length ? cert + length : nullptr);
        std::vector<unsigned char> next(ChainBufferSize);
        while (steps < MaxChainSteps) {
            unsigned int nextLength = ChainBufferSize;
            if (sslGetNextChainCert(current.data(), static_cast<unsigned int>(current.size()), next.data(), &nextLength,
                                    storePath) != 0)
                break;
            ++steps;
            current.assign(next.begin(), next.begin() + nextLength);
        }
    } catch (...) {
        LOG4CXX_ERROR(m_logger, "chain walk failed");
    }
    return steps;
}

int CCertInfo::sslCheckCertSignature(const unsigned char* cert, unsigned int length, const unsigned char* issuer,
                                     unsigned int issuerLength, const char* storePath) {
    VnLoggerTraceScope trace(m_logger, "sslCheckCertSignature");
    LOG4CXX_DEBUG(m_logger, "store " << (storePath ? storePath : ""));
    vn_ossl::X509Ptr x = vn_ossl::x509FromDer(cert, length);
    vn_ossl::X509Ptr i = vn_ossl::x509FromDer(issuer, issuerLength);
    EVP_PKEY* key = i ? X509_get0_pubkey(i.get()) : nullptr;
    const int rc = (x && key && X509_verify(x.get(), key) == 1) ? 0 : 1;
    ERR_clear_error();
    return rc;
}
