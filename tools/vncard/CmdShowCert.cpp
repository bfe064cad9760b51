// show-cert: one certificate (from the card or a PEM/DER file) with the library's entry
// fields and every extension as readable text; an attribute certificate file with its
// fields and every attribute and extension.
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "ASN1.h"
#include "Card.h"
#include "CertHandler.h"
#include "CertInfo.h"
#include "Commands.h"
#include "OpenSslPtr.h"
#include "Output.h"
#include "PinInput.h"
#include "SCUtils.h"

namespace {

using vn_ossl::X509Ptr;
using Bytes = std::vector<unsigned char>;

// PEM blocks looked at for the certificate of a file.
const int kMaxPemBlocks = 64;

// Length of the valid UTF-8 sequence at s[i], or 0.
size_t utf8Sequence(const std::string& s, size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size() || (n == 2 && c < 0xC2))
        return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

// Texts read from DER may hold bytes that are no UTF-8 (an IP address in a name): such
// bytes and control characters are shown as \xHH.
std::string printable(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        const size_t n = utf8Sequence(s, i);
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (n == 0 || (n == 1 && c < 0x20)) {
            char buf[8];
            snprintf(buf, sizeof(buf), "\\x%02X", c);
            out += buf;
            ++i;
            continue;
        }
        out.append(s, i, n);
        i += n;
    }
    return out;
}

std::string isoTime(time_t t) {
    if (t == 0)
        return std::string();
    tm v{};
    gmtime_r(&t, &v);
    char buf[32];
    strftime(buf, sizeof(buf), "%Y-%m-%dT%H:%M:%SZ", &v);
    return buf;
}

struct Line {
    std::string key, label, value;
};

struct Extension {
    std::string oid, name, text, source;
};

struct Shown {
    bool attributeCert = false;
    std::vector<Line> fields;
    std::vector<Extension> extensions;
    std::vector<Extension> attributes;
};

std::string oidName(const std::string& dotted) {
    const char* n = CASN1::getOIDDescr(dotted.c_str());
    return n ? n : std::string();
}

// OpenSSL's own text of an extension the library has no formatter for.
std::string opensslText(X509* x, int index) {
    X509_EXTENSION* ext = X509_get_ext(x, index);
    vn_ossl::BioPtr bio(BIO_new(BIO_s_mem()));
    if (!ext || !bio || X509V3_EXT_print(bio.get(), ext, 0, 0) != 1)
        return std::string();
    char* p = nullptr;
    const long n = BIO_get_mem_data(bio.get(), &p);
    std::string s(p, n > 0 ? static_cast<size_t>(n) : 0);
    for (char& c : s)
        if (c == '\n')
            c = ' ';
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// Key usage bits by name, in the order of RFC 5280.
struct UsageName {
    uint32_t bit;
    const char* name;
};
const UsageName kUsageNames[] = {
    {KU_DIGITAL_SIGNATURE, "digitalSignature"},
    {KU_NON_REPUDIATION, "nonRepudiation"},
    {KU_KEY_ENCIPHERMENT, "keyEncipherment"},
    {KU_DATA_ENCIPHERMENT, "dataEncipherment"},
    {KU_KEY_AGREEMENT, "keyAgreement"},
    {KU_KEY_CERT_SIGN, "keyCertSign"},
    {KU_CRL_SIGN, "cRLSign"},
    {KU_ENCIPHER_ONLY, "encipherOnly"},
    {KU_DECIPHER_ONLY, "decipherOnly"},
};

std::string keyUsageNames(X509* x) {
    if ((X509_get_extension_flags(x) & EXFLAG_KUSAGE) == 0)
        return std::string();
    const uint32_t usage = X509_get_key_usage(x);
    std::string names;
    for (const UsageName& u : kUsageNames)
        if (usage & u.bit)
            names += (names.empty() ? "" : ", ") + std::string(u.name);
    return names;
}

// The whole name as UTF-8 text, "C=DE, O=..., CN=...", with nothing cut.
std::string nameText(const X509_NAME* name) {
    vn_ossl::BioPtr bio(BIO_new(BIO_s_mem()));
    const unsigned long flags = (ASN1_STRFLGS_RFC2253 & ~ASN1_STRFLGS_ESC_MSB) | XN_FLAG_SEP_CPLUS_SPC | XN_FLAG_FN_SN;
    if (!bio || X509_NAME_print_ex(bio.get(), name, 0, flags) < 0)
        return std::string();
    char* p = nullptr;
    const long n = BIO_get_mem_data(bio.get(), &p);
    return std::string(p, n > 0 ? static_cast<size_t>(n) : 0);
}

// A certificate time in UTC with its zone.
std::string utcText(const ASN1_TIME* t) {
    tm v{};
    if (t == nullptr || ASN1_TIME_to_tm(t, &v) != 1)
        return std::string();
    char buf[32];
    strftime(buf, sizeof(buf), "%Y-%m-%dT%H:%M:%SZ", &v);
    return buf;
}

// The key's size as openssl states it: the modulus for RSA and RSA-PSS, the prime for DSA,
// the curve's size for EC keys.
int keyBits(X509* x, int libraryBits) {
    EVP_PKEY* key = X509_get0_pubkey(x);
    const int bits = key != nullptr ? EVP_PKEY_get_bits(key) : 0;
    return bits > 0 ? bits : libraryBits;
}

std::string signatureName(X509* x) {
    const int nid = X509_get_signature_nid(x);
    return nid != NID_undef ? OBJ_nid2ln(nid) : std::string();
}

void showCertificate(X509* x, const Bytes& der, Shown& out) {
    CCertHandler handler;
    CCertInfo* e = handler.GetEntrySSL(x);
    const unsigned char* d = der.data();
    const unsigned int n = static_cast<unsigned int>(der.size());
    auto entryField = [e](const char* key) {
        char buf[CCertInfo::FieldSize] = {0};
        unsigned int len = 0;
        e->GetCertFieldSSL(key, buf, &len);
        return std::string(buf);
    };
    // Names, times, version, signature algorithm, key usage and key size as openssl shows them;
    // the library's entry gives its own fields.
    out.fields.push_back({"subject", "Subject", nameText(X509_get_subject_name(x))});
    out.fields.push_back({"issuer", "Issuer", nameText(X509_get_issuer_name(x))});
    if (e)
        out.fields.push_back({"displayName", "Display Name", entryField("DISPLAYNAME")});
    out.fields.push_back({"notBefore", "Not Before", utcText(X509_get0_notBefore(x))});
    out.fields.push_back({"notAfter", "Not After", utcText(X509_get0_notAfter(x))});
    if (e) {
        out.fields.push_back({"validFrom", "Valid From", entryField("VALIDFROM")});
        out.fields.push_back({"validUntil", "Valid Until", entryField("VALIDUNTIL")});
        out.fields.push_back({"serialNumber", "Serial Number", e->GetSerialNumber()});
    }
    out.fields.push_back({"signatureAlgorithm", "Signature Algorithm", signatureName(x)});
    out.fields.push_back({"version", "Version", std::to_string(X509_get_version(x) + 1)});
    if (e)
        out.fields.push_back({"fingerprint", "Fingerprint", e->GetFingerPrint()});
    char ku[32] = {0};
    unsigned int kuLen = 0;
    CCertInfo::GetCertFieldX509(x, "KEYUSAGE", ku, &kuLen);
    out.fields.push_back({"keyUsage", "Key Usage Bits", ku});
    out.fields.push_back({"keyUsageNames", "Key Usage", keyUsageNames(x)});
    const std::string keyOid = CCertInfo::getPkOID(d, n);
    out.fields.push_back({"publicKeyAlgorithm", "Public Key Algorithm", keyOid + " (" + oidName(keyOid) + ")"});
    out.fields.push_back({"publicKeyBits", "Public Key Bits", std::to_string(keyBits(x, CCertInfo::getPkLen(d, n)))});
    const int count = CCertInfo::getExtensionNum(d, n);
    for (int i = 0; i < count; ++i) {
        Extension ext;
        ext.oid = CCertInfo::getExtensionOID(d, n, i);
        ext.name = oidName(ext.oid);
        ext.text = printable(CCertInfo::getExtensionValue(d, n, i));
        ext.source = "library";
        if (ext.text.empty() && CASN1::getExtensionCertType(ext.oid.c_str()) == 0) {
            ext.text = printable(opensslText(x, i));
            ext.source = "openssl";
        }
        out.extensions.push_back(ext);
    }
}

void showAttributeCertificate(const Bytes& der, Shown& out) {
    const unsigned char* d = der.data();
    const unsigned int n = static_cast<unsigned int>(der.size());
    out.attributeCert = true;
    out.fields.push_back({"holder", "Holder", printable(CCertInfo::A_getSubject(d, n))});
    out.fields.push_back({"holderSerial", "Holder Certificate Serial", CCertInfo::A_getSubjectSerial(d, n)});
    out.fields.push_back({"issuer", "Issuer", printable(CCertInfo::A_getIssuer(d, n))});
    out.fields.push_back({"serialNumber", "Serial Number", CCertInfo::A_getSerial(d, n)});
    out.fields.push_back({"signatureAlgorithm", "Signature Algorithm", CCertInfo::A_getSignatureOID(d, n)});
    out.fields.push_back({"notBefore", "Not Before", isoTime(CCertInfo::A_getNotBefore(d, n))});
    out.fields.push_back({"notAfter", "Not After", isoTime(CCertInfo::A_getNotAfter(d, n))});
    for (int i = 0; i < CCertInfo::A_getAttributeNum(d, n); ++i) {
        Extension a;
        a.oid = CCertInfo::A_getAttributeOID(d, n, i);
        a.name = oidName(a.oid);
        a.text = printable(CCertInfo::A_getAttributeValue(d, n, i));
        a.source = "library";
        out.attributes.push_back(a);
    }
    for (int i = 0; i < CCertInfo::A_getExtensionNum(d, n); ++i) {
        Extension ext;
        ext.oid = CCertInfo::A_getExtensionOID(d, n, i);
        ext.name = oidName(ext.oid);
        ext.text = printable(CCertInfo::A_getExtensionValue(d, n, i));
        ext.source = "library";
        out.extensions.push_back(ext);
    }
}

// The first certificate of a PEM file (other blocks before it are passed over), else its
// first block of any label, else the bytes as they are.
Bytes fileDer(const std::string& data) {
    vn_ossl::BioPtr bio(BIO_new_mem_buf(data.data(), static_cast<int>(data.size())));
    Bytes first, certificate;
    for (int block = 0; bio && block < kMaxPemBlocks && certificate.empty(); ++block) {
        char* name = nullptr;
        char* header = nullptr;
        unsigned char* bytes = nullptr;
        long len = 0;
        if (PEM_read_bio(bio.get(), &name, &header, &bytes, &len) != 1) {
            ERR_clear_error();
            break;
        }
        if (len > 0) {
            const std::string label = name != nullptr ? name : "";
            if (first.empty())
                first.assign(bytes, bytes + len);
            if (label == PEM_STRING_X509 || label == PEM_STRING_X509_OLD || label == PEM_STRING_X509_TRUSTED)
                certificate.assign(bytes, bytes + len);
        }
        OPENSSL_free(name);
        OPENSSL_free(header);
        OPENSSL_free(bytes);
    }
    if (!certificate.empty())
        return certificate;
    if (!first.empty())
        return first;
    return Bytes(data.begin(), data.end());
}

std::string extensionsJson(const std::vector<Extension>& list) {
    std::vector<std::string> items;
    for (const Extension& e : list)
        items.push_back(
            JsonObject().str("oid", e.oid).str("name", e.name).str("text", e.text).str("source", e.source).text());
    return jsonArray(items);
}

void printList(const char* title, const std::vector<Extension>& list) {
    if (list.empty())
        return;
    printf("%s:\n", title);
    for (const Extension& e : list) {
        printf("  %s%s%s%s\n", e.oid.c_str(), e.name.empty() ? "" : " (", e.name.c_str(), e.name.empty() ? "" : ")");
        printf("      %s\n", e.text.empty() ? "(no text)" : e.text.c_str());
    }
}

}  // namespace

int cmdShowCert(Args& args) {
    Bytes der;
    X509Ptr cert;
    std::string source;
    if (args.has("file")) {
        if (args.has("reader") || args.has("cert"))
            return Output::fail(EXIT_USAGE, "--file cannot be combined with --reader or --cert");
        std::string data;
        if (!readFile(args.get("file"), data))
            return EXIT_FAILED;
        der = fileDer(data);
        const unsigned char* p = der.data();
        cert.reset(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
        if (cert && p != der.data() + der.size())
            der.resize(static_cast<size_t>(p - der.data()));
        source = args.get("file");
    } else {
        int index = 0;
        if (!args.getInt("cert", 0, CSCUtils::MAX_CERTS - 1, index))
            return Output::fail(EXIT_USAGE, args.error());
        ReaderChoice reader;
        int rc = chooseReader(args, reader);
        if (rc == EXIT_OK)
            rc = checkCard(reader);
        if (rc != EXIT_OK)
            return rc;
        int count = 0;
        {
            LibraryOutputToStderr quiet;
            CSCUtils utils;
            utils.setReader(reader.index);
            cert.reset(utils.GetX509(index));
            count = utils.numCerts;
        }
        if (!cert) {
            if (index >= count)
                return Output::fail(EXIT_USAGE, "no certificate " + std::to_string(index) + " on the card (it has " +
                                                    std::to_string(count) + ")");
            return Output::fail(EXIT_FAILED, "certificate " + std::to_string(index) + " cannot be read");
        }
        der = vn_ossl::derOfX509(cert.get());
        source = reader.name + " #" + std::to_string(index);
    }

    Shown shown;
    if (cert)
        showCertificate(cert.get(), der, shown);
    else if (CCertInfo::A_getSerial(der.data(), static_cast<unsigned int>(der.size()))[0] != '\0')
        showAttributeCertificate(der, shown);
    else
        return Output::fail(EXIT_FAILED, "'" + source + "' holds no certificate or attribute certificate");

    if (Output::json) {
        JsonObject fields;
        for (const Line& l : shown.fields)
            fields.str(l.key, printable(l.value));
        JsonObject o;
        o.str("source", source).str("type", shown.attributeCert ? "attributeCertificate" : "certificate");
        o.raw("fields", fields.text()).raw("extensions", extensionsJson(shown.extensions));
        if (shown.attributeCert)
            o.raw("attributes", extensionsJson(shown.attributes));
        Output::result(o);
        return EXIT_OK;
    }
    printf("%s: %s\n", shown.attributeCert ? "attribute certificate" : "certificate", source.c_str());
    for (const Line& l : shown.fields)
        printf("  %-26s %s\n", (l.label + ":").c_str(), printable(l.value).c_str());
    printList("attributes", shown.attributes);
    printList("extensions", shown.extensions);
    return EXIT_OK;
}
