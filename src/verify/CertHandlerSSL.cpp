// CCertHandler: certificate entry filling from an X509, a PEM file pair or a PKCS#7 blob.
#include <openssl/pem.h>

#include <cstdio>
#include <string>

#include "CertHandler.h"
#include "crypto/DigestFactory.h"
#include "infra/Loggers.h"
#include "infra/OpenSslPtr.h"
#include "infra/TraceScope.h"

log4cxx::LoggerPtr CCertHandler::m_logger = vnLogger("VornCryptoSSL::CCertHandler");

namespace {
const char* const CardStore = "--SCARD--";
const char* const CardField = "SCARD";
const char* const CertFileSuffix = ".cert.pem";
const char* const KeyFileSuffix = ".key";
}  // namespace

CCertHandler::CCertHandler() = default;

CCertHandler::~CCertHandler() = default;

// Fills a fresh entry in the order: version, serial number, signature algorithm, dates,
// raw dates, subject, display name, issuer, fingerprint; the entry keeps a copy of cert.
CCertInfo* CCertHandler::fill(X509* cert) {
    std::unique_ptr<CCertInfo> e(new CCertInfo());
    char text[CCertInfo::FieldSize];
    std::snprintf(text, sizeof(text), "%ld", GetCertVersionSSL(cert));
    e->SetCertVersion(text);
    GetSerialNumberSSL(cert, text, sizeof(text));
    e->SetSerialNumber(text);
    GetSignatureAlgSSL(cert, text, sizeof(text));
    e->SetSignatureAlg(text);
    GetNotBeforeSSL(cert, text, 0);
    e->NotBefore(text);
    GetNotAfterSSL(cert, text, 0);
    e->NotAfter(text);
    GetNotBeforeSSL(cert, text, 1);
    e->NotBeforeRaw(text);
    GetNotAfterSSL(cert, text, 1);
    e->NotAfterRaw(text);
    GetSubjectSSL(cert, text, sizeof(text));
    e->SetSubject(text);
    GetSubjectsNameSSL(cert, text, sizeof(text));
    e->DisplayName(text);
    GetIssuerSSL(cert, text, sizeof(text));
    e->SetIssuer(text);
    GetFingerPrintSSL(cert, text, sizeof(text));
    e->SetFingerPrint(text);
    if (e->SetX509Cert(cert) != 0)
        return nullptr;
    m_entry = std::move(e);
    return m_entry.get();
}

CCertInfo* CCertHandler::GetEntrySSL(X509* cert) {
    VnLoggerTraceScope trace(m_logger, "GetEntrySSL");
    CCertInfo* entry = nullptr;
    if (cert) {
        try {
            entry = fill(cert);
            if (entry) {
                entry->SSLprefix(CardField);
                entry->SSLdir(CardField);
                entry->SSLcertfilename(CardField);
                entry->SSLpkeyfilename(CardField);
            }
        } catch (...) {
            entry = nullptr;
        }
    }
    return entry;
}

CCertInfo* CCertHandler::GetEntrySSL(const char* csCertStore, const char* prefix, int iReaderID, int iSlotID) {
    VnLoggerTraceScope trace(m_logger, "GetEntrySSL");
    LOG4CXX_DEBUG(m_logger, "reader " << iReaderID << " slot " << iSlotID);
    CCertInfo* entry = nullptr;
    try {
        if (csCertStore && prefix && std::string(csCertStore) != CardStore) {
            std::string dir = csCertStore;
            if (dir.empty() || dir.back() != '/')
                dir += '/';
            const std::string certFile = dir + prefix + CertFileSuffix;
            const std::string keyFile = dir + prefix + KeyFileSuffix;
            vn_ossl::X509Ptr cert;
            if (FILE* f = std::fopen(certFile.c_str(), "r")) {
                cert.reset(PEM_read_X509(f, nullptr, nullptr, nullptr));
                std::fclose(f);
            }
            if (cert && (entry = fill(cert.get())) != nullptr) {
                entry->SSLdir(dir.c_str());
                entry->SSLprefix(prefix);
                entry->SSLpkeyfilename(keyFile.c_str());
                entry->SSLcertfilename(certFile.c_str());
            }
        }
    } catch (...) {
        entry = nullptr;
    }
    return entry;
}

CCertInfo* CCertHandler::GetCertFromPKCS7(const unsigned char* blob, unsigned int length) {
    VnLoggerTraceScope trace(m_logger, "GetCertFromPKCS7");
    CCertInfo* entry = nullptr;
    if (blob && length > 0 && length <= 0x7FFFFFFFu) {
        vn_ossl::BioPtr bio(BIO_new_mem_buf(blob, static_cast<int>(length)));
        vn_ossl::Pkcs7Ptr p7(bio ? d2i_PKCS7_bio(bio.get(), nullptr) : nullptr);
        if (p7 && PKCS7_type_is_signed(p7.get()) && p7->d.sign) {
            STACK_OF(PKCS7_SIGNER_INFO)* infos = PKCS7_get_signer_info(p7.get());
            PKCS7_SIGNER_INFO* si = infos ? sk_PKCS7_SIGNER_INFO_value(infos, 0) : nullptr;
            X509* cert = nullptr;
            if (si && si->issuer_and_serial)
                cert = X509_find_by_issuer_and_serial(p7->d.sign->cert, si->issuer_and_serial->issuer,
                                                      si->issuer_and_serial->serial);
            if (cert) {
                try {
                    std::unique_ptr<CCertInfo> e(new CCertInfo());
                    if (e->SetX509Cert(cert) == 0) {
                        m_entry = std::move(e);
                        entry = m_entry.get();
                    }
                } catch (...) {
                    entry = nullptr;
                }
            }
        }
    }
    return entry;
}

int CCertHandler::HashBlob(unsigned char* data, unsigned int length, int algorithm, unsigned char* out,
                           int* outLength) {
    VnLoggerTraceScope trace(m_logger, "HashBlob");
    const int rc = vn_crypto::hash_blob(data, length, algorithm, out, outLength);
    return rc;
}
