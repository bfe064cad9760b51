// show-sig: describes a PKCS#7/CMS signature file (DER or PEM) with the library's PKCS#7
// inspection and its own SignedData model.
#include <openssl/bio.h>
// pem.h first: cms.h declares its PEM readers only when the PEM macros are known.
#include <openssl/pem.h>

#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/ts.h>
#include <openssl/x509.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "Asn1Pkcs7.h"
#include "Commands.h"
#include "OpenSslPtr.h"
#include "Output.h"
#include "PKCS7SSL.h"
#include "SigFile.h"

namespace {

const char* const OID_TIMESTAMP_TOKEN = "1.2.840.113549.1.9.16.2.14";
const char kTimestampNotVerified[] = "(not verified; verify-doc checks it)";
const char PEM_MARK[] = "-----BEGIN";
constexpr unsigned int CERT_BUFFER = 65536;

typedef std::vector<unsigned char> Bytes;

// The PEM labels of signed data.
const std::vector<std::string> kPemLabels = {"CMS", "PKCS7"};

// Short name of an OID as OpenSSL knows it, else the model's table name, else the OID.
std::string oidName(const std::string& oid, const std::string& tableName = std::string()) {
    const int nid = OBJ_txt2nid(oid.c_str());
    if (nid != NID_undef)
        return OBJ_nid2sn(nid);
    return tableName.empty() ? oid : tableName;
}

std::string nameText(const X509_NAME* name) {
    vn_ossl::BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB) < 0)
        return std::string();
    char* p = nullptr;
    const long n = BIO_get_mem_data(bio.get(), &p);
    return std::string(p, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string utcText(long seconds) {
    if (seconds == 0)
        return std::string();
    const time_t t = static_cast<time_t>(seconds);
    tm tmv{};
    char buf[32];
    if (!gmtime_r(&t, &tmv) || strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tmv) == 0)
        return std::string();
    return buf;
}

// The time inside a timestamp token (TSTInfo genTime), as text.
std::string tokenTime(const CAsn1Base* token) {
    const unsigned char* p = token->getDER();
    PKCS7* p7 = d2i_PKCS7(nullptr, &p, token->getDERlength());
    TS_TST_INFO* info = p7 ? PKCS7_to_TS_TST_INFO(p7) : nullptr;
    const ASN1_GENERALIZEDTIME* t = info ? TS_TST_INFO_get_time(info) : nullptr;
    const long seconds = t ? CPKCS7SSL::getTimeFromASN1(const_cast<ASN1_GENERALIZEDTIME*>(t)) : 0;
    TS_TST_INFO_free(info);
    PKCS7_free(p7);
    return utcText(seconds);
}

struct SignerView {
    std::string subject, issuer, signatureAlgorithm;
    std::vector<std::string> attributes;
    bool timestamp = false;
    std::string timestampTime;
};

SignerView describeSigner(Bytes& der, const CAsn1_SignerInfo* si, int index) {
    SignerView v;
    Bytes cert(CERT_BUFFER);
    unsigned int n = CERT_BUFFER;
    if (CPKCS7SSL::GetSignerCert(der.data(), static_cast<unsigned int>(der.size()), index, cert.data(), &n) == 0) {
        if (vn_ossl::X509Ptr x = vn_ossl::x509FromDer(cert.data(), n)) {
            v.subject = nameText(X509_get_subject_name(x.get()));
            v.issuer = nameText(X509_get_issuer_name(x.get()));
        }
    }
    v.signatureAlgorithm = oidName(si->getSignatureAlgorithm()->getAlgorithm());
    if (const CAsn1_AuthAttributes* a = si->getAuthAttributes())
        for (int i = 0; i < a->getAttributeNum(); ++i)
            v.attributes.push_back(oidName(a->getAttribute(i)->getOid(), a->getAttribute(i)->getType()->getName()));
    if (const CAsn1_UnauthAttributes* u = si->getUnauthAttributes())
        for (int i = 0; i < u->getAttributeNum(); ++i)
            if (u->getAttribute(i)->getOid() == OID_TIMESTAMP_TOKEN && u->getAttribute(i)->getValue()) {
                v.timestamp = true;
                v.timestampTime = tokenTime(u->getAttribute(i)->getValue());
            }
    return v;
}

// Whether OpenSSL reads the whole of der as one CMS structure (nothing left over).
bool opensslReadsAll(const Bytes& der) {
    const unsigned char* p = der.data();
    CMS_ContentInfo* cms = d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(der.size()));
    const bool whole = cms != nullptr && p == der.data() + der.size();
    CMS_ContentInfo_free(cms);
    ERR_clear_error();
    return whole;
}

}  // namespace

int cmdShowSig(Args& args) {
    if (!args.has("in"))
        return Output::fail(EXIT_USAGE, "show-sig needs --in FILE");
    const std::string path = args.get("in");
    SigFile pem, decoded;
    if (!pem.open(path))
        return EXIT_FAILED;
    const SigFile* sig = &pem;
    // PEM is decoded piece by piece into a temporary file, which is then read as DER is.
    if (pem.size() >= sizeof PEM_MARK - 1 && std::memcmp(pem.data(), PEM_MARK, sizeof PEM_MARK - 1) == 0) {
        std::string derPath;
        const PemDecoded d = pemBlockToFile(pem.data(), pem.size(), kPemLabels, derPath);
        if (d == PemDecoded::CannotWrite)
            return EXIT_FAILED;
        if (d != PemDecoded::Ok)
            return Output::fail(EXIT_FAILED, "'" + path + "' is not a well-formed PKCS#7/CMS structure");
        const bool opened = decoded.open(derPath);
        unlink(derPath.c_str());
        if (!opened)
            return EXIT_FAILED;
        sig = &decoded;
    }
    const SigFile& file = *sig;
    // Attached content is not read: the signed data is looked at without it.
    Bytes der;
    uint64_t contentLength = 0;
    bool contentTakenOut = false;
    if (withoutContent(file.data(), file.size(), der, contentLength)) {
        contentTakenOut = true;
    } else {
        der.assign(file.data(), file.data() + file.size());
    }
    const unsigned int length = static_cast<unsigned int>(der.size());
    if (der.empty() || der.size() > UINT32_MAX || !opensslReadsAll(der))
        return Output::fail(EXIT_FAILED, "'" + path + "' is not a well-formed PKCS#7/CMS structure");
    CAsn1_Pkcs7 p7(der.data(), length);
    if (p7.getError() || !p7.getContentType())
        return Output::fail(EXIT_FAILED, "'" + path + "' is not a well-formed PKCS#7/CMS structure");

    const std::string contentType = p7.getContentType()->getOid();
    const CAsn1_Pkcs7_Sd* sd = p7.getSignedData();
    std::string digestOid, innerType;
    bool detached = false;
    long signingTime = 0;
    std::vector<SignerView> signers;
    if (sd) {
        unsigned int n = 0;
        const char* oid = CPKCS7SSL::GetHashAlgo(der.data(), length, 0, &n);
        digestOid = oid ? oid : (sd->getDigestAlgorithm(0) ? sd->getDigestAlgorithm(0)->getAlgorithm() : "");
        innerType = sd->getContentInfo()->getContentType()->getOid();
        detached = !contentTakenOut && sd->getContentInfo()->getContent() == nullptr;
        signingTime = CPKCS7SSL::GetSigningTime(der.data(), length);
        for (int i = 0; i < sd->getSignerInfoNum(); ++i)
            signers.push_back(describeSigner(der, sd->getSignerInfo(i), i));
    }

    if (Output::json) {
        std::vector<std::string> list;
        for (const SignerView& s : signers) {
            std::vector<std::string> attributes;
            for (const std::string& a : s.attributes)
                attributes.push_back(jsonString(a));
            JsonObject o;
            o.str("subject", s.subject).str("issuer", s.issuer).str("signatureAlgorithm", s.signatureAlgorithm);
            o.raw("signedAttributes", jsonArray(attributes)).boolean("timestamp", s.timestamp);
            if (s.timestamp)
                o.str("timestampTime", s.timestampTime).boolean("timestampVerified", false);
            list.push_back(o.text());
        }
        JsonObject r;
        r.str("contentType", contentType).str("contentTypeName", oidName(contentType, p7.getContentType()->getName()));
        if (sd) {
            r.str("encapsulatedContentType", oidName(innerType)).boolean("detached", detached);
            if (contentTakenOut)
                r.num("contentLength", static_cast<long long>(contentLength));
            r.str("digestAlgorithm", digestOid).str("digestName", oidName(digestOid));
            if (signingTime)
                r.str("signingTime", utcText(signingTime));
            r.raw("signers", jsonArray(list));
        }
        Output::result(r);
        return EXIT_OK;
    }
    printf("content type:      %s (%s)\n", oidName(contentType, p7.getContentType()->getName()).c_str(),
           contentType.c_str());
    if (!sd)
        return EXIT_OK;
    if (contentTakenOut)
        printf("content:           %s, attached (%llu bytes)\n", oidName(innerType).c_str(),
               static_cast<unsigned long long>(contentLength));
    else
        printf("content:           %s%s\n", oidName(innerType).c_str(), detached ? ", detached" : ", attached");
    printf("digest algorithm:  %s (%s)\n", oidName(digestOid).c_str(), digestOid.c_str());
    if (signingTime)
        printf("signing time:      %s\n", utcText(signingTime).c_str());
    for (size_t i = 0; i < signers.size(); ++i) {
        const SignerView& s = signers[i];
        printf("signer %zu:\n  subject:         %s\n  issuer:          %s\n  signature:       %s\n", i,
               s.subject.empty() ? "(its certificate is not in the file)" : s.subject.c_str(), s.issuer.c_str(),
               s.signatureAlgorithm.c_str());
        std::string names;
        for (const std::string& a : s.attributes)
            names += (names.empty() ? "" : ", ") + a;
        printf("  signed attrs:    %s\n", names.empty() ? "(none)" : names.c_str());
        // show-sig reads the token's time without checking the token: say so beside it.
        if (s.timestamp)
            printf("  timestamp:       %s %s\n", s.timestampTime.empty() ? "yes" : s.timestampTime.c_str(),
                   kTimestampNotVerified);
        else
            printf("  timestamp:       no\n");
    }
    return EXIT_OK;
}
