// certs and export.
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "Card.h"
#include "Commands.h"
#include "OpenSslPtr.h"
#include "Output.h"
#include "PinInput.h"
#include "Reader.h"
#include "SCUtils.h"

namespace {

// Certificates from the library go back through the library's own release function.
struct X509Free {
    void operator()(X509* x) const { CSCUtils::freeX509(x); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;

std::string nameText(X509_NAME* name) {
    vn_ossl::BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB) < 0)
        return std::string();
    char* p = nullptr;
    long n = BIO_get_mem_data(bio.get(), &p);
    return std::string(p, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string timeText(const ASN1_TIME* t) {
    tm tmv{};
    if (t == nullptr || ASN1_TIME_to_tm(t, &tmv) != 1)
        return std::string();
    char buf[32];
    strftime(buf, sizeof(buf), "%Y-%m-%dT%H:%M:%SZ", &tmv);
    return buf;
}

std::vector<std::string> usageOf(X509* x) {
    std::vector<std::string> out;
    uint32_t ku = X509_get_key_usage(x);
    if (ku != UINT32_MAX) {
        const struct {
            uint32_t bit;
            const char* name;
        } bits[] = {{KU_DIGITAL_SIGNATURE, "digitalSignature"},
                    {KU_NON_REPUDIATION, "nonRepudiation"},
                    {KU_KEY_ENCIPHERMENT, "keyEncipherment"},
                    {KU_DATA_ENCIPHERMENT, "dataEncipherment"},
                    {KU_KEY_AGREEMENT, "keyAgreement"},
                    {KU_KEY_CERT_SIGN, "keyCertSign"},
                    {KU_CRL_SIGN, "cRLSign"}};
        for (const auto& b : bits)
            if (ku & b.bit)
                out.push_back(b.name);
    }
    uint32_t xku = X509_get_extended_key_usage(x);
    if (xku != UINT32_MAX) {
        if (xku & XKU_SSL_CLIENT)
            out.push_back("clientAuth");
        if (xku & XKU_SMIME)
            out.push_back("emailProtection");
        if (xku & XKU_CODE_SIGN)
            out.push_back("codeSigning");
    }
    return out;
}

struct CertRow {
    std::string id, label, subject, issuer, notBefore, notAfter, keyType, pem;
    int keyBits = 0;
    bool read = true;
    bool parsed = false;
    std::vector<std::string> usage;
};

CertRow unreadable(int index) {
    CertRow row;
    row.id = std::to_string(index);
    row.read = false;
    return row;
}

CertRow describe(const char* id, const char* label, const unsigned char* der, long length) {
    CertRow row;
    row.id = id;
    row.label = label;
    vn_ossl::X509Ptr x = length > 0 ? vn_ossl::x509FromDer(der, static_cast<size_t>(length)) : vn_ossl::X509Ptr();
    if (!x)
        return row;
    row.parsed = true;
    row.subject = nameText(X509_get_subject_name(x.get()));
    row.issuer = nameText(X509_get_issuer_name(x.get()));
    row.notBefore = timeText(X509_get0_notBefore(x.get()));
    row.notAfter = timeText(X509_get0_notAfter(x.get()));
    EVP_PKEY* key = X509_get0_pubkey(x.get());
    if (key != nullptr) {
        row.keyBits = EVP_PKEY_get_bits(key);
        int id = EVP_PKEY_get_base_id(key);
        row.keyType = id == EVP_PKEY_RSA ? "RSA" : id == EVP_PKEY_EC ? "EC" : OBJ_nid2sn(id);
    }
    row.usage = usageOf(x.get());
    // The certificate itself, so that a script gets every certificate from one listing.
    vn_ossl::BioPtr bio(BIO_new(BIO_s_mem()));
    char* text = nullptr;
    long n = 0;
    if (bio && PEM_write_bio_X509(bio.get(), x.get()) == 1 && (n = BIO_get_mem_data(bio.get(), &text)) > 0)
        row.pem.assign(text, static_cast<size_t>(n));
    return row;
}

}  // namespace

int cmdCerts(Args& args) {
    ReaderChoice reader;
    int rc = chooseReader(args, reader);
    if (rc == EXIT_OK)
        rc = checkCard(reader);
    if (rc != EXIT_OK)
        return rc;
    std::vector<CertRow> rows;
    int entries = 0;
    int type = 0;
    {
        LibraryOutputToStderr quiet;
        CSCUtils utils;
        utils.setReader(reader.index);
        entries = utils.GetCertIDs();
        // Every entry keeps its index; one that cannot be read is listed as such.
        int next = 0;
        for (int i = 0; i < utils.numCerts; ++i) {
            int id = atoi(utils.certIDs[i]);
            for (; next < id && next < entries; ++next)
                rows.push_back(unreadable(next));
            rows.push_back(describe(utils.certIDs[i], utils.certLabels[i], utils.certData[i],
                                    static_cast<long>(utils.certDataLen[i])));
            next = id + 1;
        }
        for (; next < entries; ++next)
            rows.push_back(unreadable(next));
        type = CReader().GetCardType(reader.index);
    }
    // A card taken out while it was read leaves nothing, or entries it could not read.
    bool incomplete = entries == 0;
    for (const CertRow& r : rows)
        incomplete = incomplete || !r.read;
    if (incomplete && cardTakenOut(reader))
        return Output::fail(EXIT_NO_CARD, "the card was taken out of reader '" + reader.name + "'");
    if (entries == 0)
        return Output::fail(EXIT_UNKNOWN_CARD, "no certificates found on the card in '" + reader.name + "'");
    if (Output::json) {
        std::vector<std::string> items;
        for (const CertRow& r : rows) {
            std::vector<std::string> usage;
            for (const std::string& u : r.usage)
                usage.push_back(jsonString(u));
            JsonObject o;
            o.num("index", std::stol(r.id));
            if (!r.read) {
                items.push_back(o.boolean("readable", false).text());
                continue;
            }
            o.str("label", r.label).boolean("parsed", r.parsed);
            if (r.parsed)
                o.str("subject", r.subject)
                    .str("issuer", r.issuer)
                    .str("notBefore", r.notBefore)
                    .str("notAfter", r.notAfter)
                    .str("keyType", r.keyType)
                    .num("keyBits", r.keyBits)
                    .raw("usage", jsonArray(usage))
                    .str("pem", r.pem);
            items.push_back(o.text());
        }
        Output::result(JsonObject()
                           .str("reader", reader.name)
                           .str("cardName", cardTypeName(type))
                           .raw("certificates", jsonArray(items)));
        return EXIT_OK;
    }
    printf("reader: %s\ncard:   %s\n", reader.name.c_str(), cardTypeName(type).c_str());
    for (const CertRow& r : rows) {
        if (!r.read) {
            printf("%s  (cannot be read)\n", r.id.c_str());
            continue;
        }
        printf("%s  %s\n", r.id.c_str(), r.label.c_str());
        if (!r.parsed) {
            printf("   (not an X.509 certificate)\n");
            continue;
        }
        std::string usage;
        for (const std::string& u : r.usage)
            usage += (usage.empty() ? "" : ", ") + u;
        printf("   subject:  %s\n", r.subject.c_str());
        printf("   issuer:   %s\n", r.issuer.c_str());
        printf("   valid:    %s to %s\n", r.notBefore.c_str(), r.notAfter.c_str());
        printf("   key:      %s %d bits\n", r.keyType.c_str(), r.keyBits);
        printf("   usage:    %s\n", usage.empty() ? "(not restricted)" : usage.c_str());
    }
    return EXIT_OK;
}

int cmdExport(Args& args) {
    int index = 0;
    if (!args.getInt("cert", 0, CSCUtils::MAX_CERTS - 1, index))
        return Output::fail(EXIT_USAGE, args.error());
    std::string format = args.get("format", "pem");
    if (format != "pem" && format != "der")
        return Output::fail(EXIT_USAGE, "--format must be der or pem");
    std::string out = args.get("out", "-");
    if (Output::json && out == "-")
        return Output::fail(EXIT_USAGE, "--json needs --out for the certificate");
    if (!checkWritable(out))
        return EXIT_FAILED;
    ReaderChoice reader;
    int rc = chooseReader(args, reader);
    if (rc == EXIT_OK)
        rc = checkCard(reader);
    if (rc != EXIT_OK)
        return rc;
    X509Ptr cert;
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
        return cardFailure(reader, EXIT_FAILED, "certificate " + std::to_string(index) + " cannot be read");
    }
    std::string bytes;
    if (format == "der") {
        const std::vector<unsigned char> der = vn_ossl::derOfX509(cert.get());
        if (der.empty())
            return Output::fail(EXIT_FAILED, "cannot encode the certificate");
        bytes.assign(der.begin(), der.end());
    } else {
        vn_ossl::BioPtr bio(BIO_new(BIO_s_mem()));
        if (!bio || PEM_write_bio_X509(bio.get(), cert.get()) != 1)
            return Output::fail(EXIT_FAILED, "cannot encode the certificate");
        char* p = nullptr;
        long n = BIO_get_mem_data(bio.get(), &p);
        bytes.assign(p, n > 0 ? static_cast<size_t>(n) : 0);
    }
    if (!writeFile(out, bytes.data(), bytes.size()))
        return EXIT_FAILED;
    if (Output::json)
        Output::result(JsonObject()
                           .num("index", index)
                           .str("format", format)
                           .str("out", out)
                           .num("bytes", static_cast<long long>(bytes.size())));
    return EXIT_OK;
}
