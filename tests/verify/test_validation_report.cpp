// The validation report and the result word, both ways, against signatures, timestamp tokens,
// CRLs and OCSP answers made at test time with openssl (and faketime for the past), each case
// also judged by `openssl cms -verify` / `openssl ts -verify` where OpenSSL can judge it.
#include <gtest/gtest.h>
#include <openssl/cms.h>

#include <cstdio>
#include <memory>
#include <string>

#include "CrlSSL.h"
#include "Peers.h"
#include "ValidationReport.h"
#include "VerifyMsg.h"
#include "infra/OpenSslPtr.h"

namespace {

const char kPast[] = "2023-06-01 12:00:00";
// Faketime's clock runs from the time it is given: a process started at kPast claims a time
// a little after it, so times are compared within a minute.
const char kJustAfterPast[] = "2023-06-01 12:01:00";
const time_t kMinute = 60;
const time_t kPastSeconds = 1685620800;  // 2023-06-01T12:00:00Z

// The PKI and signatures of the whole program, made once.
class Cases {
public:
    Cases() {
        unsetenv("http_proxy");
        const std::string cmd = std::string(VN_REPORT_SCRIPT) + " pki " + dir.path() + " " +
                                std::to_string(http.port()) + " >" + dir.file("make.log") + " 2>&1";
        ok = std::system(cmd.c_str()) == 0;
        if (ok)
            http.serve("/inter.crl", readFile(dir.file("crls/inter.crl")));
    }
    std::string at(const std::string& name) const { return dir.file(name); }
    std::string caFile() const { return dir.file("cafile.pem"); }

    TempDir dir;
    CrlHttpServer http;
    bool ok = false;
};

Cases& cases() {
    static Cases* c = new Cases();
    return *c;
}

std::string slurp(const std::string& path) { return readFile(path); }

int run(const std::string& cmd) { return std::system(("OPENSSL_CONF=/dev/null " + cmd + " >/dev/null 2>&1").c_str()); }

// openssl's own verdict on a CMS signature against the trusted root.
bool opensslAccepts(const std::string& sig, const std::string& content, const std::string& inform = "DER",
                    const std::string& extra = "") {
    const std::string contentArg = content.empty() ? "" : " -content " + content;
    return run("openssl cms -verify -binary -inform " + inform + " -in " + sig + contentArg + " -CAfile " +
               cases().caFile() + " -out /dev/null " + extra) == 0;
}

struct Verdict {
    unsigned int word = 0;
    CValidationReport report;
};

struct Check {
    Check(const std::string& s, const std::string& c, int flags = 0, const std::string& src = std::string())
        : sig(s), content(c), crlFlags(flags), source(src) {}
    std::string sig;
    std::string content;  // empty: attached
    int crlFlags = 0;
    std::string source;
    bool hardFail = true;
};

Verdict validate(const Check& c) {
    const std::string sig = slurp(c.sig);
    CVerifyOptions o;
    o.sig = reinterpret_cast<const unsigned char*>(sig.data());
    o.sigLen = sig.size();
    o.attached = c.content.empty();
    o.contentFile = c.content;
    o.caFile = cases().caFile();
    o.crlFlags = c.crlFlags;
    if (c.crlFlags != 0)
        o.flags |= VERIFY_FLAG_REVOCATION;
    o.crlSource = c.source;
    o.revocationHardFail = c.hardFail;
    Verdict v;
    v.word = CVerifyMsg::Validate(o, v.report);
    return v;
}

// The result word of CheckSignDetached on the same files (no verification time).
unsigned int legacyWord(const Check& c) {
    const std::string sig = slurp(c.sig);
    const std::string content = c.content.empty() ? std::string() : slurp(c.content);
    int flags = VERIFY_FLAG_SIGNATURE | VERIFY_FLAG_CHAIN | VERIFY_FLAG_VALIDITY;
    if (c.crlFlags != 0)
        flags |= VERIFY_FLAG_REVOCATION;
    return CVerifyMsg::CheckSignDetached(
        reinterpret_cast<const unsigned char*>(sig.data()), static_cast<unsigned int>(sig.size()),
        c.content.empty() ? 1 : 0, reinterpret_cast<const unsigned char*>(content.data()),
        static_cast<unsigned int>(content.size()), flags, c.crlFlags, c.source.empty() ? nullptr : c.source.c_str(),
        nullptr, nullptr, 0, VERIFY_MODEL_SHELL, cases().caFile().c_str(), nullptr);
}

std::string describe(const Verdict& v) { return v.report.toJson(); }

#define EXPECT_INDICATION(v, ind, sub)                                        \
    do {                                                                      \
        EXPECT_EQ(std::string(ind), (v).report.indication) << describe(v);    \
        EXPECT_EQ(std::string(sub), (v).report.subIndication) << describe(v); \
    } while (0)

// The DER signature value of the first signer.
std::string signatureValue(const std::string& sigFile) {
    const std::string der = slurp(sigFile);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
    vn_ossl::CmsPtr cms(d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(der.size())));
    if (!cms)
        return "";
    CMS_SignerInfo* si = sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(cms.get()), 0);
    ASN1_OCTET_STRING* value = CMS_SignerInfo_get0_signature(si);
    return std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(value)),
                       static_cast<size_t>(ASN1_STRING_length(value)));
}

// A token by the TSA over the signature value of sigFile, at a time ("now" or a faketime time).
std::string tokenFor(const std::string& sigFile, const std::string& when, const std::string& tsa,
                     const std::string& name) {
    const std::string value = cases().at(name + ".value");
    std::ofstream(value, std::ios::binary) << signatureValue(sigFile);
    const std::string token = cases().at(name + ".tsr");
    const std::string cmd = std::string(VN_REPORT_SCRIPT) + " token " + cases().dir.path() + " " + value + " '" + when +
                            "' " + tsa + " " + token;
    return std::system(cmd.c_str()) == 0 ? token : "";
}

// The signature with the token as the first signer's signature timestamp, written to name.
std::string withToken(const std::string& sigFile, const std::string& tokenDer, const std::string& name) {
    const std::string der = slurp(sigFile);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
    vn_ossl::CmsPtr cms(d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(der.size())));
    CMS_SignerInfo* si = cms ? sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(cms.get()), 0) : nullptr;
    if (si == nullptr || CMS_unsigned_add1_attr_by_NID(si, NID_id_smime_aa_timeStampToken, V_ASN1_SEQUENCE,
                                                       tokenDer.data(), static_cast<int>(tokenDer.size())) != 1)
        return "";
    unsigned char* out = nullptr;
    const int n = i2d_CMS_ContentInfo(cms.get(), &out);
    const std::string path = cases().at(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out), n > 0 ? n : 0);
    OPENSSL_free(out);
    return path;
}

bool tsVerifies(const std::string& valueFile, const std::string& tokenFile) {
    return run("openssl ts -verify -data " + valueFile + " -in " + tokenFile + " -token_in -CAfile " +
               cases().caFile() + " -untrusted " + cases().at("chain.pem")) == 0;
}

class ValidationReportTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(cases().ok) << readFile(cases().at("make.log")); }
};

TEST_F(ValidationReportTest, EverySignatureFormVerifiesAndTamperedContentFails) {
    const std::string content = cases().at("content.txt"), tampered = cases().at("tampered.txt");
    for (const char* name : {"good.p7s", "pss.p7s", "keyid.p7s", "ec.p7s"}) {
        SCOPED_TRACE(name);
        const Check right{cases().at(name), content}, wrong{cases().at(name), tampered};
        Verdict v = validate(right);
        EXPECT_INDICATION(v, VN_TOTAL_PASSED, "");
        EXPECT_EQ(0u, v.word);
        EXPECT_EQ(0u, legacyWord(right));
        EXPECT_TRUE(opensslAccepts(right.sig, content));
        v = validate(wrong);
        EXPECT_INDICATION(v, VN_TOTAL_FAILED, "HASH_FAILURE");
        EXPECT_EQ(VERIFY_BAD_SIGNATURE, v.word);
        EXPECT_EQ(VERIFY_BAD_SIGNATURE, legacyWord(wrong));
        EXPECT_FALSE(opensslAccepts(wrong.sig, tampered));
    }
    // PEM, S/MIME multipart/signed (content in the message) and application/pkcs7-mime.
    Verdict pem = validate({cases().at("pem.p7s"), content});
    EXPECT_INDICATION(pem, VN_TOTAL_PASSED, "");
    EXPECT_TRUE(opensslAccepts(cases().at("pem.p7s"), content, "PEM"));
    EXPECT_INDICATION(validate({cases().at("pem.p7s"), tampered}), VN_TOTAL_FAILED, "HASH_FAILURE");
    EXPECT_FALSE(opensslAccepts(cases().at("pem.p7s"), tampered, "PEM"));

    Verdict smime = validate({cases().at("smime.txt"), ""});
    EXPECT_INDICATION(smime, VN_TOTAL_PASSED, "");
    EXPECT_EQ(0u, legacyWord({cases().at("smime.txt"), ""}));
    EXPECT_TRUE(opensslAccepts(cases().at("smime.txt"), "", "SMIME"));
    std::string text = slurp(cases().at("smime.txt"));
    const size_t line = text.find("A second line.");
    ASSERT_NE(std::string::npos, line);
    text.replace(line, 14, "A second lime.");
    cases().dir.write("smime-tampered.txt", text);
    EXPECT_INDICATION(validate({cases().at("smime-tampered.txt"), ""}), VN_TOTAL_FAILED, "HASH_FAILURE");
    EXPECT_FALSE(opensslAccepts(cases().at("smime-tampered.txt"), "", "SMIME"));
    EXPECT_INDICATION(validate({cases().at("opaque.txt"), ""}), VN_TOTAL_PASSED, "");
    EXPECT_TRUE(opensslAccepts(cases().at("opaque.txt"), "", "SMIME"));
}

TEST_F(ValidationReportTest, TrustComesOnlyFromTheCaFileAndIntermediatesFromTheSignature) {
    const std::string content = cases().at("content.txt");
    Verdict good = validate({cases().at("good.p7s"), content});
    EXPECT_INDICATION(good, VN_TOTAL_PASSED, "");
    ASSERT_EQ(1u, good.report.signers.size());
    EXPECT_EQ(3u, good.report.signers[0].chain.size()) << describe(good);
    for (const char* name : {"nointer.p7s", "foreign.p7s"}) {
        SCOPED_TRACE(name);
        const Check c{cases().at(name), content};
        Verdict v = validate(c);
        EXPECT_INDICATION(v, VN_INDETERMINATE, "NO_CERTIFICATE_CHAIN_FOUND");
        EXPECT_EQ(VERIFY_NO_CONTEXT, legacyWord(c) & VERIFY_NO_CONTEXT);
        EXPECT_FALSE(opensslAccepts(c.sig, content));
    }
}

TEST_F(ValidationReportTest, OnlyCertificatesForDocumentSigningMaySign) {
    const std::string content = cases().at("content.txt");
    EXPECT_INDICATION(validate({cases().at("good.p7s"), content}), VN_TOTAL_PASSED, "");
    for (const char* name : {"bytsa.p7s", "byocsp.p7s", "byca.p7s"}) {
        SCOPED_TRACE(name);
        const Check c{cases().at(name), content};
        Verdict v = validate(c);
        EXPECT_INDICATION(v, VN_INDETERMINATE, "CHAIN_CONSTRAINTS_FAILURE");
        EXPECT_EQ(VERIFY_CHAIN_NOT_VALID, legacyWord(c));
    }
    // OpenSSL's S/MIME signing purpose refuses the TSA and OCSP keys too.
    EXPECT_FALSE(opensslAccepts(cases().at("bytsa.p7s"), content));
    EXPECT_FALSE(opensslAccepts(cases().at("byocsp.p7s"), content));
}

TEST_F(ValidationReportTest, EverySignerIsJudgedAndTheWorstCounts) {
    const std::string content = cases().at("content.txt");
    Verdict both = validate({cases().at("multi.p7s"), content});
    EXPECT_INDICATION(both, VN_TOTAL_PASSED, "");
    ASSERT_EQ(2u, both.report.signers.size());
    EXPECT_NE(both.report.signers[0].subject, both.report.signers[1].subject);
    EXPECT_TRUE(opensslAccepts(cases().at("multi.p7s"), content));

    Verdict bad = validate({cases().at("multibad.p7s"), content});
    EXPECT_INDICATION(bad, VN_INDETERMINATE, "CHAIN_CONSTRAINTS_FAILURE");
    ASSERT_EQ(2u, bad.report.signers.size());
    EXPECT_EQ(VN_TOTAL_PASSED, bad.report.signers[0].indication);
    EXPECT_EQ(VN_INDETERMINATE, bad.report.signers[1].indication);
    EXPECT_EQ(VERIFY_CHAIN_NOT_VALID, legacyWord({cases().at("multibad.p7s"), content}));
    EXPECT_FALSE(opensslAccepts(cases().at("multibad.p7s"), content));
}

TEST_F(ValidationReportTest, TimestampsAreVerifiedBeforeTheyProveATime) {
    const std::string content = cases().at("content.txt");
    const std::string token = tokenFor(cases().at("good.p7s"), "now", "tsa", "good");
    ASSERT_FALSE(token.empty());
    const std::string stamped = withToken(cases().at("good.p7s"), slurp(token), "stamped.p7s");
    Verdict v = validate({stamped, content});
    EXPECT_INDICATION(v, VN_TOTAL_PASSED, "");
    ASSERT_EQ(1u, v.report.signers[0].timestamps.size());
    EXPECT_TRUE(v.report.signers[0].timestamps[0].verified);
    EXPECT_EQ("timestamp", v.report.signers[0].provenTimeSource);
    EXPECT_TRUE(tsVerifies(cases().at("good.value"), token));
    EXPECT_TRUE(opensslAccepts(stamped, content));

    // A token over another signature's value.
    const std::string other = tokenFor(cases().at("pss.p7s"), "now", "tsa", "other");
    const std::string foreign = withToken(cases().at("good.p7s"), slurp(other), "foreign-token.p7s");
    v = validate({foreign, content});
    EXPECT_INDICATION(v, VN_TOTAL_FAILED, "HASH_FAILURE");
    EXPECT_EQ(VERIFY_TIMESTAMP_FAILED, v.word);
    EXPECT_EQ(VERIFY_TIMESTAMP_FAILED, legacyWord({foreign, content}));
    EXPECT_FALSE(tsVerifies(cases().at("good.value"), other));

    // A broken token signature (its last byte) and a forged genTime (a digit of the year).
    std::string broken = slurp(token);
    broken.back() ^= 0x01;
    cases().dir.write("broken.tsr", broken);
    v = validate({withToken(cases().at("good.p7s"), broken, "broken.p7s"), content});
    EXPECT_INDICATION(v, VN_TOTAL_FAILED, "SIG_CRYPTO_FAILURE");
    EXPECT_FALSE(tsVerifies(cases().at("good.value"), cases().at("broken.tsr")));
    std::string forged = slurp(token);
    const size_t genTime = forged.find(std::string("\x18\x0f", 2));
    ASSERT_NE(std::string::npos, genTime);
    forged[genTime + 5] = forged[genTime + 5] == '0' ? '1' : '0';
    cases().dir.write("forged.tsr", forged);
    v = validate({withToken(cases().at("good.p7s"), forged, "forged.p7s"), content});
    EXPECT_INDICATION(v, VN_TOTAL_FAILED, "SIG_CRYPTO_FAILURE");
    EXPECT_FALSE(tsVerifies(cases().at("good.value"), cases().at("forged.tsr")));

    // A TSA whose id-kp-timeStamping is not critical.
    const std::string weak = tokenFor(cases().at("good.p7s"), "now", "tsaweak", "weak");
    v = validate({withToken(cases().at("good.p7s"), slurp(weak), "weak.p7s"), content});
    EXPECT_INDICATION(v, VN_INDETERMINATE, "CHAIN_CONSTRAINTS_FAILURE");
    EXPECT_FALSE(tsVerifies(cases().at("good.value"), weak));

    // The token alone through vncard.
    const std::string tool = std::string(VN_BINARY_DIR) + "/tools/vncard/vncard verify-doc --ca-file " +
                             cases().caFile() + " --token " + token + " --content ";
    EXPECT_EQ(0, run(tool + cases().at("good.value")));
    EXPECT_EQ(1 << 8, run(tool + cases().at("other.value")));
    EXPECT_EQ(1 << 8, run(tool + cases().at("content.txt")));

    // The token alone.
    const std::string value = slurp(cases().at("good.value")), good = slurp(token);
    CTimestampCheck alone = CVerifyMsg::CheckTimestampToken(
        reinterpret_cast<const unsigned char*>(good.data()), good.size(),
        reinterpret_cast<const unsigned char*>(value.data()), value.size(), cases().caFile().c_str(), nullptr);
    EXPECT_TRUE(alone.verified) << alone.reason;
    alone = CVerifyMsg::CheckTimestampToken(reinterpret_cast<const unsigned char*>(good.data()), good.size(),
                                            reinterpret_cast<const unsigned char*>("x"), 1, cases().caFile().c_str(),
                                            nullptr);
    EXPECT_FALSE(alone.verified);
    EXPECT_EQ("HASH_FAILURE", alone.subIndication);
}

TEST_F(ValidationReportTest, AnExpiredSignerNeedsAProofOfExistence) {
    const std::string content = cases().at("content.txt");
    const Check bare{cases().at("expired-past.p7s"), content};
    Verdict v = validate(bare);
    EXPECT_INDICATION(v, VN_INDETERMINATE, "OUT_OF_BOUNDS_NO_POE");
    EXPECT_GE(v.report.signers[0].signingTimeClaim, kPastSeconds);
    EXPECT_LT(v.report.signers[0].signingTimeClaim, kPastSeconds + kMinute);
    EXPECT_EQ("current time", v.report.signers[0].provenTimeSource);
    EXPECT_NE(0u, v.word & VERIFY_SIGNER_NOT_VALID);
    // The claimed signing time no longer decides: the chain is judged now.
    EXPECT_EQ(VERIFY_CHAIN_NOT_VALID, legacyWord(bare));
    EXPECT_FALSE(opensslAccepts(bare.sig, content));

    const std::string token = tokenFor(bare.sig, kJustAfterPast, "tsa", "expired");
    const Check proven{withToken(bare.sig, slurp(token), "expired-proven.p7s"), content};
    v = validate(proven);
    EXPECT_INDICATION(v, VN_TOTAL_PASSED, "");
    EXPECT_EQ("timestamp", v.report.signers[0].provenTimeSource);
    EXPECT_GE(v.report.signers[0].provenTime, kPastSeconds + kMinute);
    EXPECT_LT(v.report.signers[0].provenTime, kPastSeconds + 2 * kMinute);
    EXPECT_EQ(0u, legacyWord(proven));
    EXPECT_TRUE(opensslAccepts(proven.sig, content, "DER", "-attime " + std::to_string(kPastSeconds)));

    const std::string late = tokenFor(bare.sig, "now", "tsa", "expired-late");
    v = validate({withToken(bare.sig, slurp(late), "expired-late.p7s"), content});
    EXPECT_INDICATION(v, VN_TOTAL_FAILED, "EXPIRED");
}

TEST_F(ValidationReportTest, RevocationIsJudgedAtTheProvenTimeFromEverySource) {
    const std::string content = cases().at("content.txt");
    const std::string crls = cases().at("crls");
    // Revoked (keyCompromise) after the signature was made; without proof of that time.
    const Check bare{cases().at("revoked-past.p7s"), content, VERIFY_CRL_DIRECTORY, crls};
    Verdict v = validate(bare);
    EXPECT_INDICATION(v, VN_INDETERMINATE, "REVOKED_NO_POE");
    ASSERT_EQ(1u, v.report.signers[0].revocation.size());
    EXPECT_EQ("revoked", v.report.signers[0].revocation[0].status);
    EXPECT_EQ("keyCompromise", v.report.signers[0].revocation[0].reason);
    EXPECT_EQ(VERIFY_REVOKED, legacyWord(bare));
    EXPECT_NE(0, run("openssl cms -verify -binary -inform DER -in " + bare.sig + " -content " + content + " -CAfile " +
                     cases().caFile() + " -CRLfile " + cases().at("inter.crl.pem") + " -crl_check -out /dev/null"));
    // With a timestamp from before the revocation it passes.
    const std::string token = tokenFor(bare.sig, kJustAfterPast, "tsa", "revoked");
    Check proven = bare;
    proven.sig = withToken(bare.sig, slurp(token), "revoked-proven.p7s");
    EXPECT_INDICATION(validate(proven), VN_TOTAL_PASSED, "");
    EXPECT_EQ(0u, legacyWord(proven));
    // Signed after the revocation by its own claim.
    EXPECT_INDICATION(validate({cases().at("revoked-after.p7s"), content, VERIFY_CRL_DIRECTORY, crls}), VN_TOTAL_FAILED,
                      "REVOKED");

    // The CRL over HTTP from the distribution point.
    EXPECT_INDICATION(validate({cases().at("good.p7s"), content, VERIFY_CRL_DISTRIBUTION_POINTS}), VN_TOTAL_PASSED, "");
    EXPECT_INDICATION(validate({bare.sig, content, VERIFY_CRL_DISTRIBUTION_POINTS}), VN_INDETERMINATE,
                      "REVOKED_NO_POE");

    // No CRL obtained (404, refused connection, empty or foreign directory): never passed.
    TempDir empty, foreignDir;
    ASSERT_EQ(0, run("cd " + cases().dir.path() +
                     " && openssl ca -batch -config foreignroot.cnf -cert foreignroot.pem -keyfile foreignroot.key"
                     " -gencrl -out " +
                     foreignDir.file("foreign.crl")));
    const Check missing[] = {
        {cases().at("nocrl.p7s"), content, VERIFY_CRL_DISTRIBUTION_POINTS, ""},
        {cases().at("good.p7s"), content, VERIFY_CRL_DIRECTORY, empty.path()},
        {cases().at("good.p7s"), content, VERIFY_CRL_DIRECTORY, foreignDir.path()},
        {cases().at("good.p7s"), content, VERIFY_CRL_DIRECTORY, ""},
        {cases().at("good.p7s"), content, VERIFY_CRL_ADDRESS, cases().http.url("/nothing.crl")},
    };
    for (const Check& c : missing) {
        SCOPED_TRACE(c.sig + " " + c.source);
        v = validate(c);
        EXPECT_INDICATION(v, VN_INDETERMINATE, "TRY_LATER");
        EXPECT_EQ(VERIFY_NO_REVOCATION_INFO, v.word);
        EXPECT_EQ("unavailable", v.report.signers[0].revocation.at(0).status);
        // The result word of CheckSignDetached stays fail-open unless hard failure is set.
        EXPECT_EQ(0u, legacyWord(c));
        CVerifyMsg::setRevocationHardFail(true);
        EXPECT_EQ(VERIFY_NO_REVOCATION_INFO, legacyWord(c));
        CVerifyMsg::setRevocationHardFail(false);
    }
}

// `openssl ocsp` answering for the issuing CA from an index that lacks the ghost signer.
class Ocsp {
public:
    explicit Ocsp(const TempDir& dir)
        : out_(dir.file("ocsp.out")),
          process_({"openssl", "ocsp", "-port", "0", "-index", cases().at("ocsp-index.txt"), "-CA",
                    cases().at("inter.pem"), "-rsigner", cases().at("ocsp.pem"), "-rkey", cases().at("ocsp.key")},
                   out_) {
        port_ = ocspPort(out_, process_);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    unsigned port() const { return port_; }

private:
    std::string out_;
    ChildProcess process_;
    unsigned port_ = 0;
};

TEST_F(ValidationReportTest, OcspUnknownIsNotPassed) {
    TempDir dir;
    Ocsp ocsp(dir);
    ASSERT_NE(0u, ocsp.port());
    CCrlSSL::setTimeout(20000);
    const std::string content = cases().at("content.txt");
    Verdict good = validate({cases().at("good.p7s"), content, VERIFY_CRL_OCSP, ocsp.url()});
    EXPECT_INDICATION(good, VN_TOTAL_PASSED, "");
    ASSERT_EQ(1u, good.report.signers[0].revocation.size());
    EXPECT_EQ("good", good.report.signers[0].revocation[0].status);
    EXPECT_GT(good.report.signers[0].revocation[0].productionTime, 0);

    const Check ghost{cases().at("ghost.p7s"), content, VERIFY_CRL_OCSP, ocsp.url()};
    Verdict unknown = validate(ghost);
    EXPECT_INDICATION(unknown, VN_INDETERMINATE, "TRY_LATER");
    EXPECT_EQ("unknown", unknown.report.signers[0].revocation.at(0).status);
    EXPECT_EQ(VERIFY_NO_REVOCATION_INFO, unknown.word);
    EXPECT_EQ(0u, legacyWord(ghost));
    CVerifyMsg::setRevocationHardFail(true);
    EXPECT_EQ(VERIFY_NO_REVOCATION_INFO, legacyWord(ghost));
    CVerifyMsg::setRevocationHardFail(false);

    Verdict revoked = validate({cases().at("revoked-past.p7s"), content, VERIFY_CRL_OCSP, ocsp.url()});
    EXPECT_INDICATION(revoked, VN_INDETERMINATE, "REVOKED_NO_POE");
    EXPECT_EQ("keyCompromise", revoked.report.signers[0].revocation.at(0).reason);
    CCrlSSL::setTimeout(0);
}

// vncard verify-doc as a separate process.
struct ToolRun {
    int code = -1;
    std::string out, err;
};

ToolRun verifyDoc(const std::string& args) {
    ToolRun r;
    TempDir dir;
    const std::string cmd = std::string(VN_BINARY_DIR) + "/tools/vncard/vncard verify-doc " + args + " >" +
                            dir.file("out") + " 2>" + dir.file("err");
    const int status = std::system(cmd.c_str());
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readFile(dir.file("out"));
    r.err = readFile(dir.file("err"));
    return r;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(ValidationReportTest, VerifyDocExitsZeroOnlyForTotalPassed) {
    const std::string ca = " --ca-file " + cases().caFile();
    const std::string content = " --content " + cases().at("content.txt");
    ToolRun r = verifyDoc("--sig " + cases().at("pss.p7s") + content + ca + " --json");
    EXPECT_EQ(0, r.code) << r.out;
    EXPECT_TRUE(has(r.out, "{\"ok\":true,")) << r.out;
    EXPECT_TRUE(has(r.out, "\"indication\":\"TOTAL_PASSED\",\"subIndication\":\"\"}")) << r.out;

    r = verifyDoc("--sig " + cases().at("pss.p7s") + " --content " + cases().at("tampered.txt") + ca + " --json");
    EXPECT_EQ(1, r.code);
    EXPECT_TRUE(has(r.out, "{\"ok\":false,")) << r.out;
    EXPECT_TRUE(has(r.out, "\"indication\":\"TOTAL_FAILED\",\"subIndication\":\"HASH_FAILURE\"}")) << r.out;

    r = verifyDoc("--sig " + cases().at("smime.txt") + ca);
    EXPECT_EQ(0, r.code) << r.out << r.err;
    EXPECT_TRUE(has(r.out, "indication: TOTAL_PASSED\n")) << r.out;

    // The expired signer names its own validity, and the text shows the times used.
    r = verifyDoc("--sig " + cases().at("expired-past.p7s") + content + ca);
    EXPECT_EQ(1, r.code);
    EXPECT_TRUE(has(r.out, "  signer-not-valid ")) << r.out;
    EXPECT_TRUE(has(r.out, "signing time     2023-06-01T12:0")) << r.out;
    EXPECT_TRUE(has(r.out, "Z (claimed, signed attribute signingTime)\n")) << r.out;
    EXPECT_TRUE(has(r.out, "Z (current time)\n")) << r.out;
    EXPECT_TRUE(has(r.out, "OUT_OF_BOUNDS_NO_POE")) << r.out;

    // Revocation not obtained fails closed; --soft-fail keeps the old behaviour.
    const std::string nocrl = "--sig " + cases().at("nocrl.p7s") + content + ca + " --revocation dp --timeout 20";
    r = verifyDoc(nocrl + " --json");
    EXPECT_EQ(1, r.code);
    EXPECT_TRUE(has(r.out, "\"subIndication\":\"TRY_LATER\"}")) << r.out;
    EXPECT_TRUE(has(r.out, "{\"ok\":false,")) << r.out;
    r = verifyDoc(nocrl + " --soft-fail");
    EXPECT_EQ(0, r.code) << r.out;

    // Values that were not checked are not called invalid.
    r = verifyDoc("--sig " + cases().at("good.p7s") + ca);
    EXPECT_EQ(1, r.code);
    EXPECT_TRUE(has(r.out, "content-missing")) << r.out;
    EXPECT_FALSE(has(r.out, "does not verify")) << r.out;
    for (const char* notSig : {"signer.pem", "content.txt", "signer.csr"}) {
        r = verifyDoc("--sig " + cases().at(notSig) + ca);
        EXPECT_EQ(1, r.code) << notSig;
        EXPECT_TRUE(has(r.out, "not-a-signature")) << r.out;
        EXPECT_FALSE(has(r.out, "does not verify")) << r.out;
    }
    cases().dir.write("empty.p7s", "");
    r = verifyDoc("--sig " + cases().at("empty.p7s") + ca);
    EXPECT_TRUE(has(r.out, "the signature file is empty")) << r.out;
    r = verifyDoc("--sig " + cases().at("nocert.p7s") + content + ca);
    EXPECT_EQ(1, r.code);
    EXPECT_TRUE(has(r.out, "signer-certificate-missing")) << r.out;

    // Bad command lines: one message, no OpenSSL file errors.
    for (const std::string& bad : {" --ca-file " + cases().at("none.pem"), " --ca-file " + cases().at("content.txt"),
                                   ca + " --time 2026-02-30T00:00:00Z", " --ca-dir " + cases().at("content.txt")}) {
        r = verifyDoc("--sig " + cases().at("good.p7s") + content + bad);
        EXPECT_EQ(2, r.code) << bad;
        EXPECT_FALSE(has(r.err, "Error loading")) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

// vncard sign-doc: EC values are ECDSA-Sig-Values with every digest; CAdES levels it does not
// build are refused; its timestamped signature passes verify-doc with the token verified.
TEST_F(ValidationReportTest, SignDocWritesWhatVerifyDocAccepts) {
    const std::string vncard = std::string(VN_BINARY_DIR) + "/tools/vncard/vncard";
    const std::string content = cases().at("content.txt");
    cases().dir.write("pin", "1234\n");
    for (const char* algo : {"sha256", "md5", "ripemd160"}) {
        SCOPED_TRACE(algo);
        const std::string out = cases().at(std::string("ec-") + algo + ".p7s");
        ASSERT_EQ(0, run(vncard + " sign-doc --p12 " + cases().at("ecsigner.p12") + " --in " + content + " --out " +
                         out + " --algo " + algo + " --pin-from stdin <" + cases().at("pin")));
        const std::string value = signatureValue(out);
        const unsigned char* p = reinterpret_cast<const unsigned char*>(value.data());
        vn_ossl::EcdsaSigPtr der(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(value.size())));
        EXPECT_TRUE(der && p == reinterpret_cast<const unsigned char*>(value.data()) + value.size());
        EXPECT_INDICATION(validate({out, content}), VN_TOTAL_PASSED, "");
        EXPECT_INDICATION(validate({out, cases().at("tampered.txt")}), VN_TOTAL_FAILED, "HASH_FAILURE");
    }
    // Its own PEM output, and a signature timestamped by the local TSA service.
    const std::string pem = cases().at("own.pem");
    ASSERT_EQ(0, run(vncard + " sign-doc --p12 " + cases().at("signer.p12") + " --in " + content + " --out " + pem +
                     " --format pem --pin-from stdin <" + cases().at("pin")));
    EXPECT_INDICATION(validate({pem, content}), VN_TOTAL_PASSED, "");
    const std::string portFile = cases().at("tsa.port");
    ChildProcess tsa({"python3", std::string(VN_SOURCE_DIR) + "/tools/tsa/tsa-server.py", "--pki", cases().at("tsapki"),
                      "--port", "0", "--port-file", portFile, "--lifetime", "300"},
                     cases().at("tsa.log"));
    for (int i = 0; i < kPeerStartMs / 50 && readFile(portFile).empty(); ++i)
        sleepMs(50);
    ASSERT_FALSE(readFile(portFile).empty()) << readFile(cases().at("tsa.log"));
    const std::string stamped = cases().at("own-stamped.p7s");
    ASSERT_EQ(0, run(vncard + " sign-doc --p12 " + cases().at("signer.p12") + " --in " + content + " --out " + stamped +
                     " --tsa http://127.0.0.1:" + std::to_string(std::atoi(readFile(portFile).c_str())) +
                     "/ --pin-from stdin <" + cases().at("pin")));
    Verdict v = validate({stamped, content});
    EXPECT_INDICATION(v, VN_TOTAL_PASSED, "");
    ASSERT_EQ(1u, v.report.signers.at(0).timestamps.size());
    EXPECT_TRUE(v.report.signers[0].timestamps[0].verified);
    EXPECT_TRUE(opensslAccepts(stamped, content));

    for (const char* level : {"2", "3", "4"})
        EXPECT_EQ(2 << 8, std::system((vncard + " sign-doc --p12 " + cases().at("ecsigner.p12") + " --in " + content +
                                       " --out " + cases().at("level.p7s") + " --cades " + level +
                                       " --pin-from stdin <" + cases().at("pin") + " >/dev/null 2>&1")
                                          .c_str()))
            << level;
}

}  // namespace
