// CCertInfo entries: the text fields, the owned certificate and listing the entry.
#include <strings.h>

#include <cstring>
#include <string>

#include "CertHandler.h"
#include "CertInfo.h"
#include "infra/Loggers.h"
#include "infra/OpenSslPtr.h"
#include "infra/TraceScope.h"

log4cxx::LoggerPtr CCertInfo::m_logger = vnLogger("VornCryptoSSL::CCertInfoSSL");

namespace {

// Listing of the entry: name and the field shown by GetDetails.
const char* const FieldNames[] = {"Subject",
                                  "Issuer",
                                  "Not After",
                                  "Not Before",
                                  "Serial Number",
                                  "Signature Algorithm",
                                  "Public Key Algorithm",
                                  "Fingerprint",
                                  "Public Key",
                                  "CSP",
                                  "Version"};
const int FieldCount = sizeof(FieldNames) / sizeof(FieldNames[0]);
const int SubjectField = 0;
const int IssuerField = 1;
const int PublicKeyField = 8;
// Characters of the public key text per detail line.
const int PublicKeyDetailWidth = 32;

// The parts of the subject and issuer texts shown as details, in detail order.
const char* const SubjectKeys[] = {"C=", "S=", "L=", "O=", "OU=", "CN=", "E="};
const char* const IssuerKeys[] = {"C=", "S=", "O=", "OU=", "CN=", "E="};
const int SubjectKeyCount = sizeof(SubjectKeys) / sizeof(SubjectKeys[0]);
const int IssuerKeyCount = sizeof(IssuerKeys) / sizeof(IssuerKeys[0]);

void copyField(char* dst, const char* src) {
    std::memset(dst, 0, CCertInfo::FieldSize);
    if (src)
        std::strncpy(dst, src, CCertInfo::FieldSize - 1);
}

// The text from the first occurrence of key up to the next ",".
std::string namePart(const char* text, const char* key) {
    const char* start = std::strstr(text, key);
    if (!start)
        return std::string();
    const char* end = std::strchr(start, ',');
    return end ? std::string(start, end) : std::string(start);
}

}  // namespace

CCertInfo::CCertInfo() : m_details(new char[FieldSize]()), m_cert(nullptr) {
    for (auto& f : m_fields)
        f.reset(new char[FieldSize]());
}

// m_cert is a raw pointer in the public class; the owner here frees it.
CCertInfo::~CCertInfo() { const vn_ossl::X509Ptr owned(m_cert); }

int CCertInfo::setField(Field f, const char* text) {
    copyField(m_fields[f].get(), text);
    return 0;
}

char* CCertInfo::GetCSP() { return m_fields[F_CSP].get(); }
char* CCertInfo::GetFingerPrint() { return m_fields[F_FINGERPRINT].get(); }
char* CCertInfo::GetSubPubKey() { return m_fields[F_SUBPUBKEY].get(); }
char* CCertInfo::GetSubPubKeyAlg() { return m_fields[F_SUBPUBKEYALG].get(); }
char* CCertInfo::GetSubject() { return m_fields[F_SUBJECT].get(); }
char* CCertInfo::GetIssuer() { return m_fields[F_ISSUER].get(); }
char* CCertInfo::GetNotAfter() { return m_fields[F_NOTAFTER].get(); }
char* CCertInfo::GetNotBefore() { return m_fields[F_NOTBEFORE].get(); }
char* CCertInfo::GetSignatureAlg() { return m_fields[F_SIGALG].get(); }
char* CCertInfo::GetCertVersion() { return m_fields[F_VERSION].get(); }
char* CCertInfo::GetSerialNumber() { return m_fields[F_SERIAL].get(); }
X509* CCertInfo::GetX509Cert() { return m_cert; }

int CCertInfo::SetFingerPrint(const char* text) { return setField(F_FINGERPRINT, text); }
int CCertInfo::SetSubPubKey(const char* text) { return setField(F_SUBPUBKEY, text); }
int CCertInfo::SetSubPubKeyAlg(const char* text) { return setField(F_SUBPUBKEYALG, text); }
int CCertInfo::SetSubject(const char* text) { return setField(F_SUBJECT, text); }
int CCertInfo::SetIssuer(const char* text) { return setField(F_ISSUER, text); }
int CCertInfo::NotAfter(const char* text) { return setField(F_NOTAFTER, text); }
int CCertInfo::NotBefore(const char* text) { return setField(F_NOTBEFORE, text); }
int CCertInfo::SetSignatureAlg(const char* text) { return setField(F_SIGALG, text); }
int CCertInfo::SetCertVersion(const char* text) { return setField(F_VERSION, text); }
int CCertInfo::SetSerialNumber(const char* text) { return setField(F_SERIAL, text); }
int CCertInfo::NotAfterRaw(const char* text) { return setField(F_NOTAFTER_RAW, text); }
int CCertInfo::NotBeforeRaw(const char* text) { return setField(F_NOTBEFORE_RAW, text); }
int CCertInfo::DisplayName(const char* text) { return setField(F_DISPLAYNAME, text); }
int CCertInfo::SSLprefix(const char* text) { return setField(F_SSLPREFIX, text); }
int CCertInfo::SSLdir(const char* text) { return setField(F_SSLDIR, text); }
int CCertInfo::SSLcertfilename(const char* text) { return setField(F_SSLCERTFILE, text); }
int CCertInfo::SSLpkeyfilename(const char* text) { return setField(F_SSLKEYFILE, text); }
int CCertInfo::SetCertID(const char* text) { return setField(F_CERTID, text); }

int CCertInfo::SetX509Cert(X509* cert) {
    VnLoggerTraceScope trace(m_logger, "SetX509Cert");
    vn_ossl::X509Ptr copy(cert ? X509_dup(cert) : nullptr);
    if (!copy)
        return SSL_CERT_ERROR;
    const vn_ossl::X509Ptr old(m_cert);
    m_cert = copy.release();
    return 0;
}

int CCertInfo::SetX509Cert(const unsigned char* der, unsigned int length) {
    VnLoggerTraceScope trace(m_logger, "SetX509Cert");
    vn_ossl::X509Ptr cert = vn_ossl::x509FromDer(der, length);
    if (!cert)
        return SSL_CERT_ERROR;
    const vn_ossl::X509Ptr old(m_cert);
    m_cert = cert.release();
    return 0;
}

int CCertInfo::GetNumberOfFields() { return FieldCount; }

const char* CCertInfo::GetFieldName(int index) { return index >= 0 && index < FieldCount ? FieldNames[index] : ""; }

int CCertInfo::GetNumberOfDetails(int field) {
    if (field == SubjectField)
        return SubjectKeyCount;
    if (field == IssuerField)
        return IssuerKeyCount;
    if (field == PublicKeyField)
        return static_cast<int>(std::strlen(GetSubPubKey()) / PublicKeyDetailWidth) + 1;
    return 1;
}

const char* CCertInfo::GetDetails(int field, int detail) {
    char* out = m_details.get();
    std::memset(out, 0, FieldSize);
    static const Field shown[] = {F_SUBJECT,      F_ISSUER,      F_NOTAFTER,  F_NOTBEFORE, F_SERIAL, F_SIGALG,
                                  F_SUBPUBKEYALG, F_FINGERPRINT, F_SUBPUBKEY, F_CSP,       F_VERSION};
    if (field < 0 || field >= FieldCount)
        return out;
    if (field == SubjectField || field == IssuerField) {
        const char* const* keys = field == SubjectField ? SubjectKeys : IssuerKeys;
        const int n = field == SubjectField ? SubjectKeyCount : IssuerKeyCount;
        if (detail < 0 || detail >= n)
            return out;
        try {
            copyField(out, namePart(m_fields[shown[field]].get(), keys[detail]).c_str());
        } catch (...) {
            std::memset(out, 0, FieldSize);
        }
        return out;
    }
    copyField(out, m_fields[shown[field]].get());
    return out;
}

int CCertInfo::GetCertFieldSSL(const char* key, char* out, unsigned int* length) {
    VnLoggerTraceScope trace(m_logger, "GetCertFieldSSL");
    static const struct {
        const char* key;
        Field field;
    } keys[] = {{"VERSION", F_VERSION},         {"SERIALNUMBER", F_SERIAL}, {"VALIDFROM", F_NOTBEFORE_RAW},
                {"VALIDUNTIL", F_NOTAFTER_RAW}, {"USER", F_SUBJECT},        {"ISSUER", F_ISSUER},
                {"DISPLAYNAME", F_DISPLAYNAME}, {"CERTID", F_CERTID},       {"FINGERPRINT", F_FINGERPRINT}};
    if (key && out) {
        for (const auto& k : keys) {
            if (std::strcmp(key, k.key) != 0)
                continue;
            const char* text = m_fields[k.field].get();
            const size_t n = std::strlen(text);
            std::memcpy(out, text, n + 1);
            if (length)
                *length = static_cast<unsigned int>(n);
            break;
        }
    }
    return 0;
}

int CCertInfo::GetCertFieldX509(X509* cert, const char* key, char* out, unsigned int* length) {
    VnLoggerTraceScope trace(m_logger, "GetCertFieldX509");
    if (!cert || !key || !out)
        return -1;
    char text[FieldSize] = {0};
    if (strcasecmp(key, "VERSION") == 0)
        std::snprintf(text, sizeof(text), "%0ld", CCertHandler::GetCertVersionSSL(cert));
    else if (strcasecmp(key, "SERIALNUMBER") == 0)
        CCertHandler::GetSerialNumberSSL(cert, text, sizeof(text));
    else if (strcasecmp(key, "FINGERPRINT") == 0)
        CCertHandler::GetFingerPrintSSL(cert, text, sizeof(text));
    else if (strcasecmp(key, "KEYUSAGE") == 0)
        CCertHandler::GetKeyUsageSSL(cert, text, sizeof(text));
    else if (strcasecmp(key, "USER") == 0)
        CCertHandler::GetSubjectSSL(cert, text, sizeof(text));
    else if (strcasecmp(key, "DISPLAYNAME") == 0)
        CCertHandler::GetSubjectsNameSSL(cert, text, sizeof(text));
    else if (strcasecmp(key, "ISSUER") == 0)
        CCertHandler::GetIssuerSSL(cert, text, sizeof(text));
    else if (strcasecmp(key, "VALIDFROM") == 0)
        CCertHandler::GetNotBeforeSSL(cert, text, 1);
    else if (strcasecmp(key, "VALIDUNTIL") == 0)
        CCertHandler::GetNotAfterSSL(cert, text, 1);
    else {
        return 0;
    }
    const size_t n = std::strlen(text);
    std::memcpy(out, text, n + 1);
    if (length)
        *length = static_cast<unsigned int>(n);
    return 0;
}
