// CVerifyMsg::Validate: every signer of a signature, its value over the content (streamed
// in chunks), its timestamps, its certificate's usage, chain, validity at the proven time
// and revocation; the result word and the validation report from the same facts.
#include <openssl/err.h>

#include <climits>
#include <cstring>

#include "VerifyMsg.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"
#include "sign/CadesInternal.h"
#include "verify/CrlInternal.h"
#include "verify/VerifyInternal.h"

namespace {

using namespace vn_ossl;

const int kAllChecks = VERIFY_FLAG_SIGNATURE | VERIFY_FLAG_CHAIN | VERIFY_FLAG_VALIDITY | VERIFY_FLAG_REVOCATION;
const size_t kChunk = 64 * 1024;

bool g_hardFail = false;

// clang-format off
const char kFormatFailure[]       = "FORMAT_FAILURE";
const char kHashFailure[]         = "HASH_FAILURE";
const char kSigCryptoFailure[]    = "SIG_CRYPTO_FAILURE";
const char kSignedDataNotFound[]  = "SIGNED_DATA_NOT_FOUND";
const char kNoSigningCert[]       = "NO_SIGNING_CERTIFICATE_FOUND";
const char kNoChain[]             = "NO_CERTIFICATE_CHAIN_FOUND";
const char kChainConstraints[]    = "CHAIN_CONSTRAINTS_FAILURE";
const char kTimestampOrder[]      = "TIMESTAMP_ORDER_FAILURE";
const char kExpired[]             = "EXPIRED";
const char kNotYetValid[]         = "NOT_YET_VALID";
const char kOutOfBoundsNoPoe[]    = "OUT_OF_BOUNDS_NO_POE";
const char kRevoked[]             = "REVOKED";
const char kRevokedNoPoe[]        = "REVOKED_NO_POE";
const char kTryLater[]            = "TRY_LATER";
// clang-format on

// Records a finding; a TOTAL_FAILED outranks an INDETERMINATE, else the first one stays.
void finding(CSignerReport& r, const char* indication, const std::string& sub, const std::string& text) {
    r.findings.push_back(text);
    const bool first = r.subIndication.empty() && r.indication != VN_TOTAL_FAILED;
    const bool worse = std::strcmp(indication, VN_TOTAL_FAILED) == 0 && r.indication != VN_TOTAL_FAILED;
    if (first || worse) {
        r.indication = indication;
        r.subIndication = sub;
        r.message = text;
    }
}

// The signed signingTime attribute; -1 when absent or unreadable.
time_t signingTimeClaim(CMS_SignerInfo* si) {
    const int index = CMS_signed_get_attr_by_NID(si, NID_pkcs9_signingTime, -1);
    ASN1_TYPE* value = index >= 0 ? X509_ATTRIBUTE_get0_type(CMS_signed_get_attr(si, index), 0) : nullptr;
    if (value == nullptr || (value->type != V_ASN1_UTCTIME && value->type != V_ASN1_GENERALIZEDTIME))
        return -1;
    return vn_crl::utcSeconds(reinterpret_cast<const ASN1_TIME*>(value->value.asn1_string));
}

std::string serialText(X509* cert) {
    BignumPtr bn(ASN1_INTEGER_to_BN(X509_get0_serialNumber(cert), nullptr));
    const vn_ossl::OpenSslText hex(bn ? BN_bn2hex(bn.get()) : nullptr);
    return hex ? hex.get() : "";
}

// The signer's signature algorithm: its short name (dotted form when it has none), or
// always the dotted form with numeric.
std::string signatureAlgorithmOf(CMS_SignerInfo* si, bool numeric) {
    X509_ALGOR* algorithm = nullptr;
    CMS_SignerInfo_get0_algs(si, nullptr, nullptr, nullptr, &algorithm);
    const ASN1_OBJECT* object = nullptr;
    if (algorithm != nullptr)
        X509_ALGOR_get0(&object, nullptr, nullptr, algorithm);
    char text[80] = "";
    if (object != nullptr)
        OBJ_obj2txt(text, sizeof(text), object, numeric ? 1 : 0);
    return text;
}

const char kPlainEcdsaPrefix[] = "0.4.0.127.0.7.1.1.4.1";
// Pieces in which detached content is read for the archive timestamps.
const size_t kContentPiece = 64 * 1024;

bool isPlainEcdsa(CMS_SignerInfo* si) { return signatureAlgorithmOf(si, true).rfind(kPlainEcdsaPrefix, 0) == 0; }

// The content, read once through OpenSSL's digest chain in chunks; the chain stays for the
// signers' digest comparisons. Frees what it pushed, never the caller's content BIO.
class ContentDigests {
public:
    ContentDigests(CMS_ContentInfo* cms, BIO* content) : m_content(content) {
        m_chain = CMS_dataInit(cms, content);
        if (m_chain == nullptr)
            return;
        std::vector<unsigned char> buffer(kChunk);
        for (;;) {
            const int n = BIO_read(m_chain, buffer.data(), static_cast<int>(buffer.size()));
            if (n <= 0) {
                m_ok = !BIO_should_retry(m_chain) && n == 0;
                if (!m_ok && n < 0 && BIO_eof(m_chain))
                    m_ok = true;
                break;
            }
        }
    }
    ~ContentDigests() {
        BIO* b = m_chain;
        while (b != nullptr && b != m_content) {
            BIO* next = BIO_pop(b);
            BIO_free(b);
            b = next;
        }
    }
    ContentDigests(const ContentDigests&) = delete;
    ContentDigests& operator=(const ContentDigests&) = delete;
    BIO* chain() const { return m_ok ? m_chain : nullptr; }

private:
    BIO* m_content;
    BIO* m_chain = nullptr;
    bool m_ok = false;
};

struct Facts {
    bool valueChecked = false;
    bool valueOk = true;
    time_t poe = -1;  // earliest genTime of a verified timestamp
};

// The proven time and its source.
void provenTime(const CVerifyOptions& o, const Facts& f, CSignerReport& r) {
    if (f.poe >= 0) {
        r.provenTime = f.poe;
        r.provenTimeSource = "timestamp";
    } else if (o.timed) {
        r.provenTime = o.verificationTime;
        r.provenTimeSource = "verification time";
    } else {
        r.provenTime = time(nullptr);
        r.provenTimeSource = "current time";
    }
}

// The indication for the validity of the signer (and its chain) at the proven time.
void judgeValidity(X509* cert, X509_STORE_CTX* chainCtx, bool chainUsable, int model, const Facts& f,
                   CSignerReport& r) {
    const struct tm at = vn_verify::utcTm(r.provenTime);
    const bool signerOk = vn_verify::certValidAt(cert, r.provenTime);
    const bool chainOk = !chainUsable || CVerifyMsg::Check_TimeNested_CA(chainCtx, &at, model) == 0;
    if (signerOk && chainOk)
        return;
    const bool poe = f.poe >= 0;
    const std::string who = signerOk ? "a certificate of the chain" : "the signer's certificate";
    const time_t notBefore = vn_crl::utcSeconds(X509_get0_notBefore(cert));
    if (!signerOk && notBefore > r.provenTime) {
        finding(r, poe ? VN_TOTAL_FAILED : VN_INDETERMINATE, kNotYetValid,
                "the signer's certificate is not yet valid at the " + r.provenTimeSource);
        return;
    }
    if (poe)
        finding(r, VN_TOTAL_FAILED, kExpired, who + " is not valid at the timestamp's time");
    else
        finding(r, VN_INDETERMINATE, kOutOfBoundsNoPoe,
                who + " is not valid at the " + r.provenTimeSource + " and no timestamp proves an earlier time");
}

// The indication for the revocation checks at the proven time.
void judgeRevocation(const CVerifyOptions& o, const Facts& f, CSignerReport& r) {
    bool obtained = false;
    for (const CRevocationCheck& c : r.revocation) {
        if (c.status == "revoked") {
            obtained = true;
            if (c.revocationTime >= 0 && r.provenTime <= c.revocationTime)
                continue;  // revoked only after the proven time
            const bool claimAfter = r.signingTimeClaim >= 0 && r.signingTimeClaim >= c.revocationTime;
            std::string text = "the signer's certificate was revoked at " + vn_utc_text(c.revocationTime);
            if (!c.reason.empty())
                text += " (" + c.reason + ")";
            if (claimAfter)
                finding(r, VN_TOTAL_FAILED, kRevoked, text + ", before the signing time it claims");
            else
                finding(r, VN_INDETERMINATE, kRevokedNoPoe,
                        text + (f.poe >= 0 ? ", before the timestamp's time"
                                           : ", and no timestamp proves an earlier time"));
        } else if (c.status == "good") {
            obtained = true;
        }
    }
    if (obtained)
        return;
    std::string why = "no revocation status was obtained";
    for (const CRevocationCheck& c : r.revocation)
        if (!c.reason.empty()) {
            why += ": " + c.reason;
            break;
        }
    finding(r, VN_INDETERMINATE, kTryLater, why);
    (void)o;
}

// The signer's signature value: the signed attributes' signature and the content's digest.
void checkValue(CMS_SignerInfo* si, X509* cert, BIO* digests, Facts& f, CSignerReport& r) {
    f.valueChecked = true;
    const bool hasAttributes = CMS_signed_get_attr_count(si) > 0;
    if (hasAttributes) {
        bool ok = CMS_SignerInfo_verify(si) == 1;
        ERR_clear_error();
        // Plain r || s values, and EC signatures over digests OpenSSL's ECDSA will not pair
        // with (MD5, RIPEMD-160): the value against the attributes' digest directly.
        EVP_PKEY* key = X509_get0_pubkey(cert);
        if (!ok && (isPlainEcdsa(si) || (key != nullptr && EVP_PKEY_get_base_id(key) == EVP_PKEY_EC)))
            ok = vn_verify::plainEcdsaAttributesVerify(si, cert);
        if (!ok) {
            f.valueOk = false;
            finding(r, VN_TOTAL_FAILED, kSigCryptoFailure, "the signature value does not verify");
            return;
        }
    }
    const bool contentOk = digests != nullptr && CMS_SignerInfo_verify_content(si, digests) == 1;
    ERR_clear_error();
    if (!contentOk) {
        f.valueOk = false;
        if (hasAttributes)
            finding(r, VN_TOTAL_FAILED, kHashFailure, "the content's hash differs from the signed hash");
        else
            finding(r, VN_TOTAL_FAILED, kSigCryptoFailure, "the signature value does not verify");
    }
}

void checkTimestamps(CMS_SignerInfo* si, X509_STORE* tsaStore, Facts& f, CSignerReport& r, unsigned int& word) {
    ASN1_OCTET_STRING* value = CMS_SignerInfo_get0_signature(si);
    const unsigned char* sig = value != nullptr ? ASN1_STRING_get0_data(value) : nullptr;
    const size_t sigLength = value != nullptr ? static_cast<size_t>(ASN1_STRING_length(value)) : 0;
    for (const std::vector<unsigned char>& token : vn_verify::timestampTokens(si)) {
        CTimestampCheck c = vn_verify::checkTimestamp(token.data(), token.size(), sig != nullptr ? sig : token.data(),
                                                      sigLength, tsaStore, "the signature value");
        r.timestamps.push_back(c);
        if (!c.verified) {
            word |= VERIFY_TIMESTAMP_FAILED;
            const bool crypto = c.subIndication == kSigCryptoFailure || c.subIndication == kHashFailure;
            finding(r, crypto ? VN_TOTAL_FAILED : VN_INDETERMINATE, c.subIndication, "timestamp: " + c.reason);
        } else if (f.poe < 0 || c.genTime < f.poe) {
            f.poe = c.genTime;
        }
    }
}

// A timestamp whose authority's certificate has expired by the time of judgement counts only
// when a later archive timestamp, made while that certificate was valid, covers it; the last
// timestamp of the chain needs an authority valid at that time.
void judgeTimestampChain(const CVerifyOptions& o, CSignerReport& r) {
    const time_t t = o.timed ? o.verificationTime : time(nullptr);
    std::vector<const CTimestampCheck*> chain;
    for (const CTimestampCheck& c : r.timestamps)
        if (c.verified)
            chain.push_back(&c);
    for (size_t i = 0; i < chain.size(); ++i) {
        const CTimestampCheck& c = *chain[i];
        if (c.tsaNotAfter < 0 || c.tsaNotAfter >= t)
            continue;
        bool covered = false;
        for (size_t j = i + 1; j < chain.size(); ++j)
            covered = covered || (chain[j]->kind == "archive" && chain[j]->genTime <= c.tsaNotAfter);
        if (!covered)
            finding(r, VN_INDETERMINATE, kOutOfBoundsNoPoe,
                    "the certificate of the authority of the " + c.kind + " timestamp of " + vn_utc_text(c.genTime) +
                        " expired at " + vn_utc_text(c.tsaNotAfter) +
                        " and no later archive timestamp made before then covers it");
    }
}

struct Context {
    const CVerifyOptions& o;
    CMS_ContentInfo* cms;
    BIO* digests;
    X509_STORE* tsaStore;
    bool legacy;
    const vn_sign::SignedDataParts& parts;  // the signed data's DER items; no signers when unreadable
    size_t index = 0;                       // of the signer being checked
};

// The detached content as given (memory, or the file region), piece by piece, for the
// archive timestamps.
vn_sign::ContentFeeder detachedContent(const CVerifyOptions& o) {
    return [&o](const vn_sign::ContentSink& sink) {
        if (o.contentFile.empty())
            return (o.content != nullptr || o.contentLen == 0) &&
                   sink(o.content != nullptr ? o.content : reinterpret_cast<const unsigned char*>(""), o.contentLen);
        BioPtr bio = vn_verify::fileRegionBio(o.contentFile, o.contentFileOffset, o.contentFileLength);
        if (!bio)
            return false;
        std::vector<unsigned char> piece(kContentPiece);
        int n;
        bool ok = true;
        while (ok && (n = BIO_read(bio.get(), piece.data(), static_cast<int>(piece.size()))) > 0)
            ok = sink(piece.data(), static_cast<size_t>(n));
        return ok && (n == 0 || BIO_eof(bio.get()));
    };
}

// The archive timestamps of the signer: each in the report; one that is not verified is a finding.
void checkArchives(Context& c, CSignerReport& r, unsigned int& word) {
    if (vn_sign::level_of_signer(c.parts, c.index) != VN_CADES_B_LTA)
        return;
    // Detached content can be read only when it was given.
    const vn_sign::ContentFeeder content = c.o.attached ? vn_sign::ContentFeeder() : detachedContent(c.o);
    for (CTimestampCheck& t : vn_verify::checkArchiveTimestamps(c.parts, c.index, content, c.tsaStore)) {
        if (!t.verified) {
            word |= VERIFY_TIMESTAMP_FAILED;
            finding(r, VN_INDETERMINATE, t.subIndication.empty() ? kFormatFailure : t.subIndication.c_str(),
                    "archive timestamp: " + t.reason);
        }
        r.timestamps.push_back(t);
    }
}

unsigned int checkSigner(Context& c, CMS_SignerInfo* si, CSignerReport& r) {
    const CVerifyOptions& o = c.o;
    unsigned int word = 0;
    X509* cert = nullptr;
    CMS_SignerInfo_get0_algs(si, nullptr, &cert, nullptr, nullptr);
    r.signatureAlgorithm = signatureAlgorithmOf(si, false);
    r.signingTimeClaim = signingTimeClaim(si);
    r.signingTimeSource = r.signingTimeClaim >= 0 ? "signed attribute signingTime" : "none";
    if (cert == nullptr) {
        finding(r, VN_INDETERMINATE, kNoSigningCert, "the signer's certificate is not in the signature");
        return VERIFY_BAD_SIGNATURE;
    }
    r.subject = vn_verify::nameText(X509_get_subject_name(cert));
    r.issuer = vn_verify::nameText(X509_get_issuer_name(cert));
    r.serial = serialText(cert);

    Facts f;
    if (o.flags & VERIFY_FLAG_SIGNATURE) {
        checkValue(si, cert, c.digests, f, r);
        if (!f.valueOk)
            word |= VERIFY_BAD_SIGNATURE;
    } else {
        finding(r, VN_INDETERMINATE, "", "the signature value was not checked");
    }
    checkTimestamps(si, c.tsaStore, f, r, word);
    checkArchives(c, r, word);
    judgeTimestampChain(o, r);
    if (f.poe >= 0 && r.signingTimeClaim > f.poe)
        finding(r, VN_INDETERMINATE, kTimestampOrder, "the claimed signing time is after the timestamp's time");
    provenTime(o, f, r);
    // The check time of the result word: the verification time, else the proven time.
    const struct tm checkTime = vn_verify::utcTm(o.timed ? o.verificationTime : r.provenTime);

    // Certificates carried in the signature: intermediates for the chain, never anchors. They
    // outlive the chain context that borrows them.
    X509StackPtr certs(CMS_get1_certs(c.cms));
    vn_verify::ChainCheck chain;
    bool chainUsable = false;
    if (o.flags & (VERIFY_FLAG_CHAIN | VERIFY_FLAG_REVOCATION)) {
        if (!chain.setup(o.caFile.empty() ? nullptr : o.caFile.c_str(), o.caPath.empty() ? nullptr : o.caPath.c_str(),
                         cert, certs.get())) {
            finding(r, VN_INDETERMINATE, kNoChain, "the trusted certificates cannot be loaded");
            return word | (f.valueOk ? VERIFY_NO_CONTEXT : VERIFY_NO_CONTEXT_BAD_SIGNATURE);
        }
        chain.verify();
        STACK_OF(X509)* built = X509_STORE_CTX_get0_chain(chain.context());
        for (int i = 0; i < sk_X509_num(built); ++i)
            r.chain.push_back(vn_verify::nameText(X509_get_subject_name(sk_X509_value(built, i))));
        chainUsable = !chain.issuerMissing();
    }
    if (o.flags & VERIFY_FLAG_CHAIN) {
        const unsigned int faults = chain.faultBits();
        word |= faults;
        if (faults & VERIFY_NO_CONTEXT & ~0x80000000u)
            finding(r, VN_INDETERMINATE, kNoChain, "the signer's certificate does not chain to a trusted certificate");
        else if (faults != 0)
            finding(r, VN_INDETERMINATE, kChainConstraints, "a certificate of the chain is unusable");
        if (chainUsable && f.valueOk && CVerifyMsg::Check_TimeNested_CA(chain.context(), &checkTime, o.model) != 0)
            word |= VERIFY_CHAIN_NOT_VALID;
        const std::string usage = vn_verify::signingUsageProblem(cert);
        if (!usage.empty()) {
            word |= VERIFY_CHAIN_NOT_VALID;
            finding(r, VN_INDETERMINATE, kChainConstraints, usage);
        }
    }
    if (o.flags & (VERIFY_FLAG_CHAIN | VERIFY_FLAG_VALIDITY))
        judgeValidity(cert, chain.context(), chainUsable && (o.flags & VERIFY_FLAG_CHAIN), o.model, f, r);
    // The signer's own validity: at the verification time; with Validate also, without one,
    // at the proven time.
    if ((o.flags & VERIFY_FLAG_VALIDITY) && (o.timed || !c.legacy) &&
        !vn_verify::certValidAt(cert, o.timed ? o.verificationTime : r.provenTime))
        word |= VERIFY_SIGNER_NOT_VALID;
    if (o.flags & VERIFY_FLAG_REVOCATION) {
        r.revocationChecked = true;
        // Verified revocation values embedded in the signature come first; the sources of
        // the revocation flags are asked only when they give no status.
        X509Ptr issuer = vn_verify::issuerOf(cert, chain.store(), chain.context());
        const bool embedded =
            vn_verify::embeddedRevocation(c.cms, c.parts, cert, issuer.get(), r.provenTime, r.revocation);
        const unsigned int bits = embedded
                                      ? vn_verify::embeddedRevocationBits(r.revocation, &checkTime)
                                      : vn_verify::revocationOf(cert, chain.store(), chain.context(), o.crlFlags,
                                                                o.crlSource.empty() ? nullptr : o.crlSource.c_str(),
                                                                &checkTime, r.revocation);
        word |= bits;
        if (bits == 0 && o.revocationHardFail && o.crlFlags != 0 && !vn_verify::revocationObtained(r.revocation))
            word |= VERIFY_NO_REVOCATION_INFO;
        judgeRevocation(o, f, r);
    }
    if (r.findings.empty()) {
        r.indication = VN_TOTAL_PASSED;
        r.subIndication.clear();
        r.message = "all checks passed";
    }
    return word;
}

void formatFailure(CValidationReport& report, const char* indication, const char* sub, const std::string& text) {
    report.indication = indication;
    report.subIndication = sub;
    report.message = text;
    report.resultWord = VERIFY_BAD_SIGNATURE;
}

unsigned int validate(const CVerifyOptions& o, CValidationReport& report, bool legacy) {
    report = CValidationReport();
    if ((o.flags & kAllChecks) == 0) {
        report.message = "no check was asked for";
        return 0;
    }
    vn_verify::ParsedSignature parsed = vn_verify::parseSignature(o.sig, o.sigLen);
    if (!parsed.cms) {
        formatFailure(report, VN_TOTAL_FAILED, kFormatFailure, parsed.problem);
        return report.resultWord;
    }
    CMS_set1_signers_certs(parsed.cms.get(), nullptr, 0);
    ERR_clear_error();
    STACK_OF(CMS_SignerInfo)* infos = CMS_get0_SignerInfos(parsed.cms.get());
    if (sk_CMS_SignerInfo_num(infos) <= 0) {
        formatFailure(report, VN_TOTAL_FAILED, kFormatFailure, "the signed data has no signer");
        return report.resultWord;
    }

    // The content: the signed part of a multipart message, the caller's detached content
    // (memory or a file read in chunks), or the content inside the signature.
    BioPtr content;
    BIO* contentBio = parsed.mimeContent.get();
    const bool inside = CMS_is_detached(parsed.cms.get()) == 0;
    if (contentBio == nullptr && !o.attached) {
        if (!o.contentFile.empty())
            content = vn_verify::fileRegionBio(o.contentFile, o.contentFileOffset, o.contentFileLength);
        else if ((o.content != nullptr || o.contentLen == 0) && o.contentLen <= static_cast<size_t>(INT_MAX))
            content.reset(BIO_new_mem_buf(o.content != nullptr ? o.content : reinterpret_cast<const unsigned char*>(""),
                                          static_cast<int>(o.contentLen)));
        if (!content) {
            formatFailure(report, VN_INDETERMINATE, kSignedDataNotFound, "the signed content cannot be read");
            return report.resultWord;
        }
        contentBio = content.get();
    }
    if ((o.flags & VERIFY_FLAG_SIGNATURE) && contentBio == nullptr && !inside) {
        formatFailure(report, VN_INDETERMINATE, kSignedDataNotFound,
                      "the signature is detached and the signed content was not given");
        return report.resultWord;
    }
    std::unique_ptr<ContentDigests> digests;
    if (o.flags & VERIFY_FLAG_SIGNATURE)
        digests.reset(new ContentDigests(parsed.cms.get(), contentBio));
    ERR_clear_error();

    X509_STORE* raw = nullptr;
    StorePtr tsaStore;
    if (setup_verify(nullptr, o.caFile.empty() ? nullptr : o.caFile.c_str(),
                     o.caPath.empty() ? nullptr : o.caPath.c_str(), &raw) == 1)
        tsaStore.reset(raw);
    ERR_clear_error();

    // The long-term checks (level, embedded evidence, archive timestamps) read the signed
    // data's DER items, taken apart once here.
    vn_sign::SignedDataParts parts;
    if (!vn_verify::partsOf(parsed.cms.get(), parts))
        parts = vn_sign::SignedDataParts();
    Context c{o, parsed.cms.get(), digests ? digests->chain() : nullptr, tsaStore.get(), legacy, parts};
    for (int i = 0; i < sk_CMS_SignerInfo_num(infos); ++i) {
        CSignerReport r;
        c.index = static_cast<size_t>(i);
        if (c.index < parts.signers.size())
            r.level = vn_cades_level_name(vn_sign::level_of_signer(parts, c.index));
        r.resultWord = checkSigner(c, sk_CMS_SignerInfo_value(infos, i), r);
        ERR_clear_error();
        report.resultWord |= r.resultWord;
        report.signers.push_back(r);
    }
    report.summarize();
    return report.resultWord;
}

}  // namespace

namespace vn_verify {
unsigned int validateLegacy(const CVerifyOptions& options, CValidationReport& report) {
    try {
        return validate(options, report, true);
    } catch (...) {
        return VERIFY_NO_CONTEXT;
    }
}
}  // namespace vn_verify

void CVerifyMsg::setRevocationHardFail(bool on) { g_hardFail = on; }
bool CVerifyMsg::getRevocationHardFail() { return g_hardFail; }

unsigned int CVerifyMsg::Validate(const CVerifyOptions& options, CValidationReport& report) {
    VnLoggerTraceScope trace(m_logger, "Validate");
    unsigned int rc;
    try {
        rc = validate(options, report, false);
    } catch (...) {
        report = CValidationReport();
        report.message = "internal failure";
        report.resultWord = VERIFY_NO_CONTEXT;
        rc = report.resultWord;
    }
    ERR_clear_error();
    LOG4CXX_DEBUG(m_logger, "result 0x" << std::hex << rc << " " << report.indication << " " << report.subIndication);
    return rc;
}
