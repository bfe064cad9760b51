// CCertHandler: the formatting helpers of certificate entries (names, dates, serial
// numbers, fingerprints, key usage) and the conversion of ASN.1 times to seconds.
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "CertHandler.h"
#include "crypto/DigestFactory.h"
#include "infra/Loggers.h"
#include "infra/OpenSslPtr.h"
#include "infra/TraceScope.h"

const unsigned long CCertHandler::ReadableNameFlags =
    XN_FLAG_SEP_CPLUS_SPC | ASN1_STRFLGS_DUMP_UNKNOWN | ASN1_STRFLGS_DUMP_DER | ASN1_STRFLGS_ESC_2253 |
    ASN1_STRFLGS_ESC_CTRL | ASN1_STRFLGS_ESC_MSB | ASN1_STRFLGS_UTF8_CONVERT;

namespace {

const char* const RawDateFormat = "%Y.%m.%d %H:%M:%S";
const char* const LongDateFormat = "%A, %B %d, %Y, %Hh %Mmin %Ssec";
// Longest display name taken from the subject.
const int DisplayNameSize = 256;
const int HashSha1 = 0;
const int DigestMax = 64;

// Copies text into out (outSize bytes), cut to fit.
int copyOut(const std::string& text, char* out, int outSize) {
    if (!out || outSize <= 0)
        return 0;
    const size_t n = text.size() < static_cast<size_t>(outSize - 1) ? text.size() : static_cast<size_t>(outSize - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return 0;
}

// The name printed with flags into a string.
bool printName(X509_NAME* name, unsigned long flags, std::string& text) {
    vn_ossl::BioPtr bio(BIO_new(BIO_s_mem()));
    if (!name || !bio || X509_NAME_print_ex(bio.get(), name, 0, flags) < 0)
        return false;
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio.get(), &data);
    text.assign(data ? data : "", n > 0 ? static_cast<size_t>(n) : 0);
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The byte of the escape \XX at p, or -1.
int escapedByte(const char* p) {
    if (p[0] != '\\' || p[1] == '\0' || p[2] == '\0')
        return -1;
    const int hi = hexValue(p[1]), lo = hexValue(p[2]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

int dateText(const ASN1_TIME* t, char* out, int raw) {
    if (!out)
        return 0;
    out[0] = '\0';
    const time_t seconds = CCertHandler::ASN1_UTCTIME_get(t);
    struct tm local {};
    if (!t || !localtime_r(&seconds, &local))
        return 0;
    std::strftime(out, CCertHandler::DateSize, raw == 1 ? RawDateFormat : LongDateFormat, &local);
    return 0;
}

}  // namespace

time_t CCertHandler::ASN1_UTCTIME_get(const ASN1_TIME* time) {
    struct tm tm {};
    if (!time || ASN1_TIME_to_tm(time, &tm) != 1)
        return 0;
    const time_t t = timegm(&tm);
    return t == static_cast<time_t>(-1) ? 0 : t;
}

int CCertHandler::GetSerialNumberSSL(X509* cert, char* out, int outSize) {
    VnLoggerTraceScope trace(m_logger, "GetSerialNumberSSL");
    std::string text;
    if (cert) {
        const vn_ossl::BignumPtr bn(ASN1_INTEGER_to_BN(X509_get_serialNumber(cert), nullptr));
        const vn_ossl::OpenSslText hex(bn ? BN_bn2hex(bn.get()) : nullptr);
        if (hex)
            text = hex.get();
    }
    copyOut(text, out, outSize);
    return 0;
}

int CCertHandler::GetSignatureAlgSSL(X509* cert, char* out, int outSize) {
    VnLoggerTraceScope trace(m_logger, "GetSignatureAlgSSL");
    const char* name = cert ? OBJ_nid2ln(X509_get_signature_nid(cert)) : nullptr;
    copyOut(name ? name : "", out, outSize);
    return 0;
}

int CCertHandler::GetNotBeforeSSL(X509* cert, char* out, int raw) {
    VnLoggerTraceScope trace(m_logger, "GetNotBeforeSSL");
    dateText(cert ? X509_get0_notBefore(cert) : nullptr, out, raw);
    return 0;
}

int CCertHandler::GetNotAfterSSL(X509* cert, char* out, int raw) {
    VnLoggerTraceScope trace(m_logger, "GetNotAfterSSL");
    dateText(cert ? X509_get0_notAfter(cert) : nullptr, out, raw);
    return 0;
}

int CCertHandler::GetSubjectSSL(X509* cert, char* out, int outSize) {
    VnLoggerTraceScope trace(m_logger, "GetSubjectSSL");
    char name[NameSize];
    copyOut(cert ? X509_NAME_oneline_readable(X509_get_subject_name(cert), name, NameSize) : "", out, outSize);
    return 0;
}

int CCertHandler::GetIssuerSSL(X509* cert, char* out, int outSize) {
    VnLoggerTraceScope trace(m_logger, "GetIssuerSSL");
    char name[NameSize];
    copyOut(cert ? X509_NAME_oneline_readable(X509_get_issuer_name(cert), name, NameSize) : "", out, outSize);
    return 0;
}

int CCertHandler::GetSubjectsNameSSL(X509* cert, char* out, int outSize) {
    VnLoggerTraceScope trace(m_logger, "GetSubjectsNameSSL");
    char name[DisplayNameSize] = {0};
    if (cert && X509_NAME_get_text_by_NID(X509_get_subject_name(cert), NID_commonName, name, sizeof(name)) < 0)
        name[0] = '\0';
    copyOut(name, out, outSize);
    return 0;
}

int CCertHandler::GetFingerPrintSSL(X509* cert, char* out, int outSize) {
    VnLoggerTraceScope trace(m_logger, "GetFingerPrintSSL");
    std::string text;
    const std::vector<unsigned char> der = vn_ossl::derOfX509(cert);
    if (!der.empty()) {
        unsigned char digest[DigestMax];
        int digestLength = 0;
        vn_crypto::hash_blob(der.data(), static_cast<unsigned int>(der.size()), HashSha1, digest, &digestLength);
        char hex[4];
        for (int i = 0; i < digestLength && i < DigestMax; ++i) {
            std::snprintf(hex, sizeof(hex), "%02x ", digest[i]);
            text += hex;
        }
    }
    copyOut(text, out, outSize);
    return 0;
}

long CCertHandler::GetCertVersionSSL(X509* cert) { return cert ? X509_get_version(cert) : 0; }

int CCertHandler::GetKeyUsageSSL(X509* cert, char* out, int outSize) {
    VnLoggerTraceScope trace(m_logger, "GetKeyUsageSSL");
    std::string text = "0";
    if (cert && (X509_get_extension_flags(cert) & EXFLAG_KUSAGE))
        text = std::to_string(X509_get_key_usage(cert));
    copyOut(text, out, outSize);
    return 0;
}

int CCertHandler::GetPubkeySSL(X509* cert, char* out) {
    VnLoggerTraceScope trace(m_logger, "GetPubkeySSL");
    EVP_PKEY* key = cert ? X509_get0_pubkey(cert) : nullptr;
    const int type = key ? EVP_PKEY_base_id(key) : EVP_PKEY_NONE;
    if (out && type != EVP_PKEY_RSA && type != EVP_PKEY_DSA)
        std::memset(out, 0, PubkeySize);
    return 0;
}

char* CCertHandler::X509_NAME_oneline_readable(X509_NAME* name, char* buf, int size) {
    if (!buf || size <= 0)
        return buf;
    buf[0] = '\0';
    std::string text;
    try {
        if (printName(name, ReadableNameFlags, text)) {
            copyOut(text, buf, size);
            uft8iso(buf);
        }
    } catch (...) {
        buf[0] = '\0';
    }
    return buf;
}

void CCertHandler::uft8iso(char* text) {
    if (!text)
        return;
    char* out = text;
    const char* p = text;
    while (*p) {
        if (p[0] == '\\' && p[1] == '\\') {
            *out++ = *p++;
            *out++ = *p++;
            continue;
        }
        const int lead = escapedByte(p);
        const int trail = (lead == 0xC2 || lead == 0xC3) ? escapedByte(p + 3) : -1;
        if (trail >= 0x80 && trail <= 0xBF && (lead == 0xC3 || trail >= 0xA0)) {
            *out++ = static_cast<char>(lead == 0xC2 ? trail : trail + 0x40);
            p += 6;
            continue;
        }
        *out++ = *p++;
    }
    *out = '\0';
}

int CCertHandler::X509_NAME_oneline_ex(X509_NAME* name, char* buf, unsigned int* size, unsigned long flags) {
    if (!size)
        return 0;
    std::string text;
    try {
        if (!printName(name, flags, text))
            return 0;
    } catch (...) {
        return 0;
    }
    const size_t needed = text.size() + 1;
    if (!buf || *size < needed) {
        *size = static_cast<unsigned int>(needed);
        return 0;
    }
    std::memset(buf, 0, *size);
    std::memcpy(buf, text.data(), text.size());
    return 1;
}
