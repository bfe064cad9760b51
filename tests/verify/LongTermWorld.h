// The world of the long-term signature tests: a PKI made at test time whose signer and
// timestamp authority name a CRL server and an OCSP responder on this run's loopback ports,
// the three peers (HTTP server of the CRLs, `openssl ocsp`, tools/tsa/tsa-server.py), and
// what independent tools say about a signature (OpenSSL's CMS parser, `openssl cms -verify`,
// `openssl asn1parse`, `openssl ts -verify`).
#ifndef VN_TESTS_VERIFY_LONGTERMWORLD_H
#define VN_TESTS_VERIFY_LONGTERMWORLD_H

#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/objects.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Peers.h"
#include "infra/OpenSslPtr.h"

namespace lt {

// How long a started server is watched for ending because its port was taken.
const int kSettleMs = 500;

inline int run(const std::string& cmd) {
    return std::system(("OPENSSL_CONF=/dev/null " + cmd + " >/dev/null 2>&1").c_str());
}

class World {
public:
    World() {
        unsetenv("http_proxy");
        const std::string script = std::string(VN_SOURCE_DIR) + "/tests/verify/make-lt-pki.sh";
        // The certificates name the ports of the CRL server and the OCSP responder, so the
        // ports are chosen first; a port taken in the meantime gives a new PKI on others.
        for (int attempt = 0; attempt < 5 && !ok; ++attempt) {
            base_ = dir.file("pki" + std::to_string(attempt));
            const std::string http = std::to_string(freeLoopbackPort());
            const std::string ocsp = std::to_string(freeLoopbackPort());
            if (std::system((script + " cas " + base_ + " " + http + " >" + dir.file("make.log") + " 2>&1 && " +
                             script + " leaves " + base_ + " " + http + " " + ocsp + " >>" + dir.file("make.log") +
                             " 2>&1")
                                .c_str()) != 0)
                return;
            const std::string www = at("www");
            std::system(("mkdir -p " + www + " && cp " + at("inter.crl") + " " + at("root.crl") + " " + www).c_str());
            http_ = std::make_unique<ChildProcess>(std::vector<std::string>{"python3", "-m", "http.server", "--bind",
                                                                            "127.0.0.1", "--directory", www, http},
                                                   at("http.out"));
            // `openssl ocsp` is not probed by connecting: it tells its port when it listens.
            ocsp_ = std::make_unique<ChildProcess>(
                std::vector<std::string>{"openssl", "ocsp", "-port", ocsp, "-index", at("db-inter/index.txt"), "-CA",
                                         at("inter.pem"), "-rsigner", at("ocsp.pem"), "-rkey", at("ocsp.key")},
                at("ocsp.out"));
            // A server that could not bind its port ends at once; another one answering on
            // that port (another test's) must not be taken for it.
            ok = waitForPort(static_cast<unsigned>(std::stoul(http)), *http_) &&
                 ocspPort(at("ocsp.out"), *ocsp_) == std::stoul(ocsp);
            if (ok) {
                sleepMs(kSettleMs);
                ok = http_->running() && ocsp_->running();
            }
            if (!ok) {
                http_.reset();
                ocsp_.reset();
            }
        }
        if (!ok)
            return;
        const std::string portFile = at("tsa.port");
        tsa_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"python3", std::string(VN_SOURCE_DIR) + "/tools/tsa/tsa-server.py", "--pki", base_,
                                     "--port", "0", "--port-file", portFile, "--lifetime", "900"},
            at("tsa.log"));
        for (int i = 0; i < kPeerStartMs / 50 && readFile(portFile).empty(); ++i)
            sleepMs(50);
        tsaUrl = "http://127.0.0.1:" + std::to_string(std::atoi(readFile(portFile).c_str())) + "/";
        ok = !readFile(portFile).empty();
    }
    // One more timestamp service signing with the TSA of folder ("tsa-shorttsa",
    // "tsa-archivetsa"); its address, empty when it did not start.
    std::string startTsa(const std::string& folder) {
        const std::string portFile = at(folder + ".port");
        more_.push_back(std::make_unique<ChildProcess>(
            std::vector<std::string>{"python3", std::string(VN_SOURCE_DIR) + "/tools/tsa/tsa-server.py", "--pki",
                                     at(folder), "--port", "0", "--port-file", portFile, "--lifetime", "900"},
            at(folder + ".log")));
        for (int i = 0; i < kPeerStartMs / 50 && readFile(portFile).empty(); ++i)
            sleepMs(50);
        const std::string port = readFile(portFile);
        return port.empty() ? "" : "http://127.0.0.1:" + std::to_string(std::atoi(port.c_str())) + "/";
    }
    std::string at(const std::string& name) const { return base_ + "/" + name; }
    std::string makeLog() const { return readFile(dir.file("make.log")); }
    // Stops every peer: the CRL server, the OCSP responder and the timestamp service.
    void stopPeers() {
        more_.clear();
        http_.reset();
        ocsp_.reset();
        tsa_.reset();
    }

    TempDir dir;
    std::string tsaUrl;
    bool ok = false;

private:
    std::string base_;
    std::unique_ptr<ChildProcess> http_, ocsp_, tsa_;
    std::vector<std::unique_ptr<ChildProcess>> more_;
};

inline std::vector<unsigned char> bytes(const std::string& path) { return bytesOf(path); }

inline void writeBytes(const std::string& path, const std::vector<unsigned char>& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
}

inline vn_ossl::CmsPtr cmsOf(const std::vector<unsigned char>& der) {
    const unsigned char* p = der.data();
    return vn_ossl::CmsPtr(d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(der.size())));
}

inline std::string oidText(const ASN1_OBJECT* o) {
    char text[128];
    OBJ_obj2txt(text, sizeof(text), o, 1);
    return text;
}

// What OpenSSL's CMS parser finds in a signature (first signer).
struct Look {
    bool parsed = false;
    std::vector<std::string> signedAttrs, unsignedAttrs;  // OIDs in their order
    int certificates = 0;
    int x509Crls = 0;
    std::vector<unsigned char> signatureValue;
    std::vector<std::vector<unsigned char>> signedAttrDers;
    std::vector<unsigned char> timestampToken;  // DER of the first signature timestamp token
};

inline Look look(const std::vector<unsigned char>& der) {
    Look l;
    vn_ossl::CmsPtr cms = cmsOf(der);
    if (!cms)
        return l;
    CMS_SignerInfo* si = sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(cms.get()), 0);
    if (!si)
        return l;
    l.parsed = true;
    for (int i = 0; i < CMS_signed_get_attr_count(si); ++i) {
        X509_ATTRIBUTE* a = CMS_signed_get_attr(si, i);
        l.signedAttrs.push_back(oidText(X509_ATTRIBUTE_get0_object(a)));
        unsigned char* out = nullptr;
        const int n = i2d_X509_ATTRIBUTE(a, &out);
        l.signedAttrDers.emplace_back(out, out + (n > 0 ? n : 0));
        OPENSSL_free(out);
    }
    for (int i = 0; i < CMS_unsigned_get_attr_count(si); ++i)
        l.unsignedAttrs.push_back(oidText(X509_ATTRIBUTE_get0_object(CMS_unsigned_get_attr(si, i))));
    const int ts = CMS_unsigned_get_attr_by_NID(si, NID_id_smime_aa_timeStampToken, -1);
    if (ts >= 0) {
        ASN1_TYPE* t = X509_ATTRIBUTE_get0_type(CMS_unsigned_get_attr(si, ts), 0);
        if (t && t->type == V_ASN1_SEQUENCE)
            l.timestampToken.assign(t->value.sequence->data, t->value.sequence->data + t->value.sequence->length);
    }
    vn_ossl::X509StackPtr certs(CMS_get1_certs(cms.get()));
    l.certificates = sk_X509_num(certs.get());
    vn_ossl::CrlStackPtr crls(CMS_get1_crls(cms.get()));
    l.x509Crls = crls ? sk_X509_CRL_num(crls.get()) : 0;
    const ASN1_OCTET_STRING* value = CMS_SignerInfo_get0_signature(si);
    l.signatureValue.assign(ASN1_STRING_get0_data(value), ASN1_STRING_get0_data(value) + ASN1_STRING_length(value));
    return l;
}

inline bool has(const std::vector<std::string>& list, const std::string& item) {
    for (const std::string& s : list)
        if (s == item)
            return true;
    return false;
}

// `openssl asn1parse` lines of a DER file.
inline std::string asn1parse(const std::string& file) {
    const std::string out = file + ".asn1";
    std::system(("openssl asn1parse -inform DER -in " + file + " >" + out + " 2>&1").c_str());
    return readFile(out);
}

// Number of "other" revocation values holding OCSP responses as `openssl asn1parse` shows
// them: [1] at depth 4 (inside SignedData.crls) whose first child is id-ri-ocsp-response.
inline int ocspValuesInCrls(const std::string& asn1) {
    int n = 0;
    size_t at = 0;
    while ((at = asn1.find("d=4", at)) != std::string::npos) {
        const size_t lineEnd = asn1.find('\n', at);
        const std::string line = asn1.substr(at, lineEnd - at);
        const size_t next = asn1.find('\n', lineEnd + 1);
        const std::string child = asn1.substr(lineEnd + 1, next - lineEnd - 1);
        if (line.find("cont [ 1 ]") != std::string::npos && child.find("d=5") != std::string::npos &&
            child.find(":1.3.6.1.5.5.7.16.2") != std::string::npos)
            ++n;
        at = lineEnd;
    }
    return n;
}

inline bool opensslVerifies(const World& w, const std::string& sig, const std::string& content) {
    return run("openssl cms -verify -binary -inform DER -in " + sig + " -content " + content + " -CAfile " +
               w.at("cafile.pem") + " -out /dev/null") == 0;
}

// `openssl ts -verify` of the first signature timestamp token against the signature value.
inline bool opensslVerifiesToken(const World& w, const std::string& sig) {
    const Look l = look(bytes(sig));
    if (l.timestampToken.empty())
        return false;
    writeBytes(sig + ".tsr", l.timestampToken);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_Digest(l.signatureValue.data(), l.signatureValue.size(), digest, &n, EVP_sha256(), nullptr);
    std::string hex;
    static const char digits[] = "0123456789abcdef";
    for (unsigned int i = 0; i < n; ++i) {
        hex.push_back(digits[digest[i] >> 4]);
        hex.push_back(digits[digest[i] & 15]);
    }
    return run("openssl ts -verify -token_in -in " + sig + ".tsr -digest " + hex + " -CAfile " + w.at("cafile.pem") +
               " -untrusted " + w.at("chain.pem")) == 0;
}

}  // namespace lt

#endif
