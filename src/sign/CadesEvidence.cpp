// B-LT evidence: the chains of the signer and of every timestamp authority whose tokens the
// signer carries are walked through the certificates at hand (the signature's, the tokens',
// the given ones and the CA file), and each certificate's OCSP responses and CRLs are
// fetched and added beside the certificates themselves, each item once.
#include <openssl/cms.h>
#include <openssl/ocsp.h>
#include <openssl/pem.h>

#include <algorithm>

#include "asn1/DerTags.h"
#include "asn1/OidTable.h"
#include "asn1/Pkcs7Der.h"
#include "infra/OpenSslPtr.h"
#include "sign/CadesEvidenceFetch.h"
#include "sign/CadesInternal.h"

using namespace vn_der;

namespace vn_sign {

namespace {

constexpr uint8_t TAG_OTHER_REVOCATION = vn_der::TAG_CONTEXT_1;
// The chain walk stops after this many steps (as the library's own chain walk does).
constexpr int kMaxChainSteps = 32;

vn_ossl::CmsPtr cmsOf(const Bytes& der) {
    const unsigned char* p = der.data();
    return vn_ossl::CmsPtr(d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(der.size())));
}

class Pool {
public:
    void add(X509* x) {
        if (!x)
            return;
        for (const vn_ossl::X509Ptr& c : certs_)
            if (X509_cmp(c.get(), x) == 0)
                return;
        X509_up_ref(x);
        certs_.emplace_back(x);
    }
    void addDer(const Bytes& der) {
        vn_ossl::X509Ptr x = vn_ossl::x509FromDer(der.data(), der.size());
        add(x.get());
    }
    void addPemFile(const std::string& path) {
        vn_ossl::BioPtr bio(BIO_new_file(path.c_str(), "r"));
        while (bio) {
            vn_ossl::X509Ptr x(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
            if (!x)
                break;
            add(x.get());
        }
        ERR_clear_error();
    }
    void addCms(CMS_ContentInfo* cms) {
        vn_ossl::X509StackPtr certs(CMS_get1_certs(cms));
        for (int i = 0; i < sk_X509_num(certs.get()); ++i)
            add(sk_X509_value(certs.get(), i));
    }
    // The certificate of a signer info.
    X509* signerOf(CMS_SignerInfo* si) const {
        for (const vn_ossl::X509Ptr& c : certs_)
            if (CMS_SignerInfo_cert_cmp(si, c.get()) == 0)
                return c.get();
        return nullptr;
    }
    // The issuer of x whose key verifies x's signature.
    X509* issuerOf(X509* x) const {
        for (const vn_ossl::X509Ptr& c : certs_) {
            if (X509_check_issued(c.get(), x) != X509_V_OK)
                continue;
            EVP_PKEY* key = X509_get0_pubkey(c.get());
            if (key && X509_verify(x, key) == 1)
                return c.get();
        }
        ERR_clear_error();
        return nullptr;
    }

private:
    std::vector<vn_ossl::X509Ptr> certs_;
};

bool selfIssued(X509* x) { return X509_check_issued(x, x) == X509_V_OK; }

void addOnce(std::vector<Bytes>& items, Bytes item, int& counter) {
    if (std::find(items.begin(), items.end(), item) != items.end())
        return;
    items.push_back(std::move(item));
    ++counter;
}

class Collector {
public:
    Collector(SignedDataParts& parts, const Pool& pool, const CCadesExtendOptions& options, CCadesExtendResult& result)
        : parts_(parts),
          pool_(pool),
          options_(options),
          result_(result),
          ocspOid_(vn_asn1::oid_der("id-ri-ocsp-response")),
          before_(parts.crls) {}

    // The chain of x up to a self-issued certificate, with the evidence of each step.
    int32_t chainOf(X509* x, const std::string& role) {
        for (int step = 0; x && step < kMaxChainSteps; ++step) {
            addOnce(parts_.certificates, vn_ossl::derOfX509(x), result_.certificatesAdded);
            if (selfIssued(x))
                return 0;
            X509* issuer = pool_.issuerOf(x);
            if (!issuer) {
                result_.message =
                    "no issuer of '" + subjectOf(x) + "' (" + role + " chain) among the certificates given";
                return VN_CADES_NO_CHAIN;
            }
            const int32_t rc = evidenceOf(x, issuer);
            if (rc != 0)
                return rc;
            x = issuer;
        }
        return 0;
    }

private:
    static std::string subjectOf(X509* x) {
        vn_ossl::OpenSslText text(X509_NAME_oneline(X509_get_subject_name(x), nullptr, 0));
        return text ? text.get() : "";
    }

    int32_t evidenceOf(X509* cert, X509* issuer) {
        const Bytes der = vn_ossl::derOfX509(cert);
        if (std::find(done_.begin(), done_.end(), der) != done_.end())
            return 0;
        done_.push_back(der);
        if (alreadyEvidenced(cert, issuer))
            return 0;
        FetchedEvidence e = fetch_evidence(cert, issuer, options_.timeoutMs);
        for (const std::string& note : e.notes)
            result_.notes.push_back(subjectOf(cert) + ": " + note);
        if (!e.hadSources) {
            result_.notes.push_back(subjectOf(cert) + ": no OCSP or CRL address");
            return 0;
        }
        if (e.crls.empty() && e.ocspResponses.empty()) {
            result_.message = "no revocation status of '" + subjectOf(cert) + "' could be obtained";
            return VN_CADES_NO_EVIDENCE;
        }
        for (Bytes& crl : e.crls)
            addOnce(parts_.crls, std::move(crl), result_.crlsAdded);
        for (const Bytes& response : e.ocspResponses) {
            Bytes content = ocspOid_;
            content.insert(content.end(), response.begin(), response.end());
            addOnce(parts_.crls, tlv(TAG_OTHER_REVOCATION, content), result_.ocspResponsesAdded);
        }
        return 0;
    }

    // The signature held, before this extension, a CRL of the issuer (its name and signature)
    // or an OCSP response naming cert: extending again adds no second one.
    bool alreadyEvidenced(X509* cert, X509* issuer) const {
        vn_ossl::OcspCertIdPtr id(OCSP_cert_to_id(EVP_sha1(), cert, issuer));
        for (const Bytes& value : before_) {
            pkcs7der::Item item, format, response;
            if (!pkcs7der::read(value.data(), value.size(), item))
                continue;
            if (item.tag == TAG_SEQUENCE) {
                const unsigned char* p = value.data();
                vn_ossl::CrlPtr crl(d2i_X509_CRL(nullptr, &p, static_cast<long>(value.size())));
                EVP_PKEY* key = X509_get0_pubkey(issuer);
                if (crl && key && X509_NAME_cmp(X509_CRL_get_issuer(crl.get()), X509_get_subject_name(issuer)) == 0 &&
                    X509_CRL_verify(crl.get(), key) == 1)
                    return true;
                continue;
            }
            pkcs7der::Children c(item);
            if (item.tag != TAG_OTHER_REVOCATION || !c.expect(TAG_OID, format) || !c.expect(TAG_SEQUENCE, response))
                continue;
            const unsigned char* p = response.p;
            vn_ossl::OcspResponsePtr r(d2i_OCSP_RESPONSE(nullptr, &p, static_cast<long>(response.total)));
            vn_ossl::OcspBasicPtr basic(r ? OCSP_response_get1_basic(r.get()) : nullptr);
            if (basic && id && OCSP_resp_find(basic.get(), id.get(), -1) >= 0)
                return true;
        }
        ERR_clear_error();
        return false;
    }

    SignedDataParts& parts_;
    const Pool& pool_;
    const CCadesExtendOptions& options_;
    CCadesExtendResult& result_;
    Bytes ocspOid_;
    std::vector<Bytes> before_;
    std::vector<Bytes> done_;
};

// The timestamp tokens among the signer's unsigned attributes (signature and archive).
std::vector<vn_ossl::CmsPtr> tokensOf(const SignerInfoParts& signer) {
    std::vector<vn_ossl::CmsPtr> out;
    const Bytes ts = vn_asn1::oid_der("id-aa-signatureTimeStampToken");
    const Bytes ats = vn_asn1::oid_der("id-aa-ets-archiveTimestampV3");
    for (const Bytes& a : signer.unsignedAttrs) {
        if (!attribute_has_oid(a, ts) && !attribute_has_oid(a, ats))
            continue;
        for (const Bytes& v : attribute_values(a))
            if (!v.empty() && v[0] == TAG_SEQUENCE)
                if (vn_ossl::CmsPtr token = cmsOf(v))
                    out.push_back(std::move(token));
    }
    return out;
}

}  // namespace

int32_t add_long_term_evidence(SignedDataParts& parts, const CCadesExtendOptions& options, CCadesExtendResult& result) {
    vn_ossl::CmsPtr cms = cmsOf(join_signed_data(parts));
    if (!cms || parts.signers.empty()) {
        result.message = "the signature cannot be read as CMS";
        return VN_CADES_NOT_SIGNED_DATA;
    }
    Pool pool;
    pool.addCms(cms.get());
    for (const Bytes& der : options.moreCerts)
        pool.addDer(der);
    if (!options.caFile.empty())
        pool.addPemFile(options.caFile);
    std::vector<vn_ossl::CmsPtr> tokens = tokensOf(parts.signers.front());
    for (const vn_ossl::CmsPtr& t : tokens)
        pool.addCms(t.get());

    Collector collector(parts, pool, options, result);
    CMS_SignerInfo* si = sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(cms.get()), 0);
    X509* signer = si ? pool.signerOf(si) : nullptr;
    if (!signer) {
        result.message = "the signer's certificate is neither in the signature nor among the certificates given";
        return VN_CADES_NO_CHAIN;
    }
    int32_t rc = collector.chainOf(signer, "signer's");
    for (const vn_ossl::CmsPtr& t : tokens) {
        STACK_OF(CMS_SignerInfo)* infos = CMS_get0_SignerInfos(t.get());
        for (int i = 0; rc == 0 && i < sk_CMS_SignerInfo_num(infos); ++i) {
            X509* tsa = pool.signerOf(sk_CMS_SignerInfo_value(infos, i));
            if (!tsa) {
                result.message = "the timestamp authority's certificate is missing";
                return VN_CADES_NO_CHAIN;
            }
            rc = collector.chainOf(tsa, "timestamp authority's");
        }
    }
    return rc;
}

}  // namespace vn_sign
