// CAdES baseline levels made, extended and validated against a PKI, a CRL server, an OCSP
// responder and a timestamp service of this run, each result judged by OpenSSL.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CadesLevel.h"
#include "LongTermWorld.h"
#include "SignMessage.h"
#include "ValidationReport.h"
#include "VerifyMsg.h"
#include "sign/CadesInternal.h"

namespace {

using lt::bytes;
using lt::has;
using lt::look;
using lt::World;

const char kSigningCertificateV2[] = "1.2.840.113549.1.9.16.2.47";
const char kTimestampToken[] = "1.2.840.113549.1.9.16.2.14";
const char kPassword[] = "1234";
const int kExitUsage = 2;

std::string notesOf(const CCadesExtendResult& r) {
    std::string s = r.message;
    for (const std::string& n : r.notes)
        s += "\n" + n;
    return s;
}

std::string vncard() { return std::string(VN_BINARY_DIR) + "/tools/vncard/vncard"; }

// The exit code of a shell command (output to a file of the world).
int exitOf(const World& w, const std::string& cmd) {
    const int status = std::system((cmd + " >" + w.at("cmd.out") + " 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A detached signature of content.txt with the PKCS#12 key at the named level.
int32_t signAt(const World& w, const char* level, const std::string& out, const std::string& tsa) {
    EXPECT_EQ(0, CSignMessage::setCAdES_LevelName(level));
    CSignMessage::setTSUrl(tsa);
    CSignMessage::setCAdES_CaFile(w.at("chain.pem"));
    uint32_t* key = CSignMessage::OpenSSLKey_P12(w.at("signer.p12").c_str(), kPassword, nullptr, -1, 0, "0");
    EXPECT_NE(nullptr, key);
    vn_ossl::BioPtr bio(BIO_new_file(w.at("signer.pem").c_str(), "r"));
    vn_ossl::X509Ptr cert(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
    std::vector<unsigned char> inter = bytes(w.at("inter.der"));
    ASN1_CERT_BLOB chain{inter.data(), static_cast<uint32_t>(inter.size())};
    std::string in = w.at("content.txt"), outPath = out;
    const int32_t rc =
        CSignMessage::SignDetachedEnveloped(&in[0], &outPath[0], cert.get(), key, VN_SIGN_SHA256, &chain, 1, false);
    CSignMessage::CloseSSLKey(key);
    CSignMessage::setTSUrl("");
    CSignMessage::setCAdES_Level(0);
    return rc;
}

// The original's bytes from its first signed attribute to the end of its signature value
// (the signed attributes, the signature algorithm and the signature value) occur unchanged
// in the extended signature, and OpenSSL reads the same attributes and value from both.
void expectSignedPartKept(const std::vector<unsigned char>& original, const std::vector<unsigned char>& extended) {
    const lt::Look a = look(original), b = look(extended);
    ASSERT_TRUE(a.parsed && b.parsed);
    EXPECT_EQ(a.signatureValue, b.signatureValue);
    EXPECT_EQ(a.signedAttrDers, b.signedAttrDers);
    ASSERT_FALSE(a.signedAttrDers.empty());
    const auto first =
        std::search(original.begin(), original.end(), a.signedAttrDers[0].begin(), a.signedAttrDers[0].end());
    const auto value = std::search(original.begin(), original.end(), a.signatureValue.begin(), a.signatureValue.end());
    ASSERT_TRUE(first != original.end() && value != original.end() && first < value);
    const std::vector<unsigned char> signedPart(first, value + static_cast<long>(a.signatureValue.size()));
    EXPECT_NE(extended.end(), std::search(extended.begin(), extended.end(), signedPart.begin(), signedPart.end()));
}

TEST(LongTerm, SignsEveryNamedLevelWithAPkcs12KeyWhereTheStandardPutsEachPart) {
    World w;
    ASSERT_TRUE(w.ok) << w.makeLog();
    EXPECT_EQ(-1, CSignMessage::setCAdES_LevelName("B-X"));
    EXPECT_EQ(VN_CADES_B_LTA, vn_cades_level_from_name("B-LTA"));
    EXPECT_STREQ("B-LT", vn_cades_level_name(VN_CADES_B_LT));

    // B-B: signing-certificate-v2 signed, nothing unsigned, no revocation values.
    const std::string bb = w.at("bb.p7s");
    ASSERT_EQ(0, signAt(w, "B-B", bb, ""));
    lt::Look l = look(bytes(bb));
    EXPECT_TRUE(has(l.signedAttrs, kSigningCertificateV2));
    EXPECT_TRUE(l.unsignedAttrs.empty());
    EXPECT_EQ(VN_CADES_B_B, vn_cades_level_of(bytes(bb)));
    EXPECT_TRUE(lt::opensslVerifies(w, bb, w.at("content.txt")));

    // B-T and above refuse to sign without a timestamp service.
    EXPECT_EQ(VN_CADES_NO_TSA, signAt(w, "B-T", w.at("none.p7s"), ""));
    EXPECT_EQ(VN_CADES_NO_TSA, signAt(w, "B-LT", w.at("none.p7s"), ""));

    // B-T: the signature timestamp is the one unsigned attribute, over the signature value.
    const std::string bt = w.at("bt.p7s");
    ASSERT_EQ(0, signAt(w, "B-T", bt, w.tsaUrl));
    l = look(bytes(bt));
    EXPECT_EQ(std::vector<std::string>{kTimestampToken}, l.unsignedAttrs);
    EXPECT_EQ(0, l.x509Crls);
    EXPECT_EQ(VN_CADES_B_T, vn_cades_level_of(bytes(bt)));
    EXPECT_TRUE(lt::opensslVerifies(w, bt, w.at("content.txt")));
    EXPECT_TRUE(lt::opensslVerifiesToken(w, bt));

    // B-LT: signer, issuing CA, root and TSA certificates once each; the CRLs of the issuing
    // CA and the root; OCSP responses of the signer and the TSA as other revocation values.
    const std::string blt = w.at("blt.p7s");
    ASSERT_EQ(0, signAt(w, "B-LT", blt, w.tsaUrl));
    l = look(bytes(blt));
    EXPECT_EQ(4, l.certificates);
    EXPECT_EQ(2, l.x509Crls);
    EXPECT_EQ(2, lt::ocspValuesInCrls(lt::asn1parse(blt)));
    EXPECT_NE(std::string::npos, lt::asn1parse(blt).find("INTEGER           :05"));
    EXPECT_EQ(VN_CADES_B_LT, vn_cades_level_of(bytes(blt)));
    EXPECT_TRUE(lt::opensslVerifies(w, blt, w.at("content.txt")));
    EXPECT_TRUE(lt::opensslVerifiesToken(w, blt));
}

TEST(LongTerm, ExtendsAnOpensslSignatureWithoutChangingItsSignedPart) {
    World w;
    ASSERT_TRUE(w.ok) << w.makeLog();
    const std::vector<unsigned char> plain = bytes(w.at("plain.p7s"));
    ASSERT_EQ(VN_CADES_B_B, vn_cades_level_of(plain));

    // The library: B-B to B-T, then B-T to B-LT.
    CCadesExtendOptions options;
    options.tsaUrl = w.tsaUrl;
    options.caFile = w.at("chain.pem");
    std::vector<unsigned char> bt, blt;
    CCadesExtendResult result;
    ASSERT_EQ(0, vn_cades_extend(plain, VN_CADES_B_T, options, bt, &result)) << notesOf(result);
    EXPECT_EQ(VN_CADES_B_B, result.levelBefore);
    EXPECT_EQ(VN_CADES_B_T, result.levelAfter);
    expectSignedPartKept(plain, bt);
    lt::writeBytes(w.at("bt.p7s"), bt);
    EXPECT_TRUE(lt::opensslVerifies(w, w.at("bt.p7s"), w.at("content.txt")));
    EXPECT_TRUE(lt::opensslVerifiesToken(w, w.at("bt.p7s")));

    options.tsaUrl.clear();  // B-T to B-LT needs no new timestamp
    ASSERT_EQ(0, vn_cades_extend(bt, VN_CADES_B_LT, options, blt, &result)) << notesOf(result);
    EXPECT_EQ(VN_CADES_B_LT, result.levelAfter);
    EXPECT_EQ(2, result.certificatesAdded);  // the root and the TSA
    EXPECT_EQ(2, result.crlsAdded);
    EXPECT_EQ(2, result.ocspResponsesAdded);
    expectSignedPartKept(plain, blt);
    lt::writeBytes(w.at("blt.p7s"), blt);
    EXPECT_TRUE(lt::opensslVerifies(w, w.at("blt.p7s"), w.at("content.txt")));
    EXPECT_EQ(2, lt::ocspValuesInCrls(lt::asn1parse(w.at("blt.p7s"))));
    // Extending again adds nothing twice.
    std::vector<unsigned char> again;
    ASSERT_EQ(0, vn_cades_extend(blt, VN_CADES_B_LT, options, again, &result));
    EXPECT_EQ(0, result.certificatesAdded + result.crlsAdded + result.ocspResponsesAdded)
        << result.certificatesAdded << " " << result.crlsAdded << " " << result.ocspResponsesAdded << " "
        << notesOf(result);
    EXPECT_TRUE(blt == again);
    // Lower levels, missing services and bytes that are no signature are refused.
    EXPECT_EQ(VN_CADES_LOWER_LEVEL, vn_cades_extend(blt, VN_CADES_B_T, options, again, &result));
    EXPECT_EQ(VN_CADES_NO_TSA, vn_cades_extend(plain, VN_CADES_B_LT, options, again, &result));
    EXPECT_EQ(VN_CADES_NOT_SIGNED_DATA,
              vn_cades_extend(bytes(w.at("content.txt")), VN_CADES_B_T, options, again, &result));

    // The tool: B-B straight to B-LT, PEM in, DER out.
    const std::string pem = w.at("plain.pem");
    ASSERT_EQ(0, lt::run("openssl cms -cmsout -inform DER -in " + w.at("plain.p7s") + " -outform PEM -out " + pem));
    const std::string out = w.at("tool-blt.p7s");
    ASSERT_EQ(0, exitOf(w, vncard() + " extend --to B-LT " + pem + " --out " + out + " --tsa " + w.tsaUrl +
                               " --ca-file " + w.at("chain.pem") + " --json"))
        << readFile(w.at("cmd.out"));
    EXPECT_NE(std::string::npos, readFile(w.at("cmd.out")).find("\"level\":\"B-LT\""));
    expectSignedPartKept(plain, bytes(out));
    EXPECT_TRUE(lt::opensslVerifies(w, out, w.at("content.txt")));
    EXPECT_TRUE(lt::opensslVerifiesToken(w, out));
    // Clear refusals on the command line.
    EXPECT_EQ(kExitUsage, exitOf(w, vncard() + " extend --to B-T " + w.at("plain.p7s")));
    EXPECT_EQ(kExitUsage, exitOf(w, vncard() + " extend --to B-Q " + w.at("plain.p7s")));
    EXPECT_EQ(kExitUsage, exitOf(w, vncard() + " extend --to B-T " + out + " --out " + w.at("x.p7s")));
    for (const char* level : {"B-T", "B-LT", "B-LTA"})
        EXPECT_EQ(kExitUsage, exitOf(w, "echo 1234 | " + vncard() + " sign-doc --p12 " + w.at("signer.p12") + " --in " +
                                            w.at("content.txt") + " --out " + w.at("x.p7s") + " --level " + level +
                                            " --pin-from stdin"))
            << level;
    EXPECT_EQ(kExitUsage, exitOf(w, "echo 1234 | " + vncard() + " sign-doc --p12 " + w.at("signer.p12") + " --in " +
                                        w.at("content.txt") + " --level B-Z --pin-from stdin"));
    // sign-doc at B-LT with the PKCS#12 key.
    const std::string signedOut = w.at("tool-signed.p7s");
    ASSERT_EQ(0, exitOf(w, "echo 1234 | " + vncard() + " sign-doc --p12 " + w.at("signer.p12") + " --in " +
                               w.at("content.txt") + " --out " + signedOut + " --level B-LT --tsa " + w.tsaUrl +
                               " --ca-file " + w.at("chain.pem") + " --pin-from stdin"))
        << readFile(w.at("cmd.out"));
    EXPECT_EQ(VN_CADES_B_LT, vn_cades_level_of(bytes(signedOut)));
    EXPECT_TRUE(lt::opensslVerifies(w, signedOut, w.at("content.txt")));
}

// The report of a detached signature of content.txt, revocation from the distribution
// points, hard fail: every check asked for; at the time when, else now.
CValidationReport validate(const World& w, const std::vector<unsigned char>& sig, time_t when = -1) {
    CVerifyOptions o;
    o.sig = sig.data();
    o.sigLen = sig.size();
    o.attached = false;
    o.contentFile = w.at("content.txt");
    o.caFile = w.at("cafile.pem");
    o.flags |= VERIFY_FLAG_REVOCATION;
    o.crlFlags = VERIFY_CRL_DISTRIBUTION_POINTS;
    o.revocationHardFail = true;
    if (when >= 0) {
        o.timed = true;
        o.verificationTime = when;
    }
    CValidationReport report;
    CVerifyMsg::Validate(o, report);
    return report;
}

bool anyCheck(const CValidationReport& r, const std::string& source, const std::string& status,
              const std::string& reasonPart = "") {
    for (const CRevocationCheck& c : r.signers.at(0).revocation)
        if (c.source == source && c.status == status && c.reason.find(reasonPart) != std::string::npos)
            return true;
    return false;
}

// The signature with its revocation values replaced.
std::vector<unsigned char> withRevocationValues(const std::vector<unsigned char>& sig,
                                                const std::vector<std::vector<unsigned char>>& values) {
    vn_sign::SignedDataParts parts;
    EXPECT_TRUE(vn_sign::split_signed_data(sig.data(), sig.size(), parts));
    parts.crls = values;
    return vn_sign::join_signed_data(parts);
}

TEST(LongTerm, BltValidatesWithEveryPeerDownAndEvidenceThatDoesNotMatchIsReportedNotTrusted) {
    World w;
    ASSERT_TRUE(w.ok) << w.makeLog();
    CCadesExtendOptions options;
    options.tsaUrl = w.tsaUrl;
    options.caFile = w.at("chain.pem");
    std::vector<unsigned char> bt, blt;
    CCadesExtendResult result;
    ASSERT_EQ(0, vn_cades_extend(bytes(w.at("plain.p7s")), VN_CADES_B_T, options, bt, &result)) << notesOf(result);
    ASSERT_EQ(0, vn_cades_extend(bt, VN_CADES_B_LT, options, blt, &result)) << notesOf(result);
    lt::writeBytes(w.at("blt.p7s"), blt);
    // While the peers are up, B-T validates from the network.
    CValidationReport r = validate(w, bt);
    EXPECT_EQ(VN_TOTAL_PASSED, r.indication) << r.toJson();
    EXPECT_EQ("B-T", r.signers.at(0).level);

    w.stopPeers();
    r = validate(w, blt);
    EXPECT_EQ(VN_TOTAL_PASSED, r.indication) << r.toJson();
    EXPECT_EQ("B-LT", r.signers.at(0).level);
    EXPECT_TRUE(anyCheck(r, "embedded-ocsp", "good")) << r.toJson();
    EXPECT_TRUE(anyCheck(r, "embedded-crl", "good")) << r.toJson();
    EXPECT_NE(std::string::npos, r.toJson().find("\"level\":\"B-LT\""));
    // The tool says the same with every peer down.
    const std::string tool = vncard() + " verify-doc --sig " + w.at("blt.p7s") + " --content " + w.at("content.txt") +
                             " --ca-file " + w.at("cafile.pem") + " --revocation dp --timeout 20 --json";
    EXPECT_EQ(0, exitOf(w, tool)) << readFile(w.at("cmd.out"));
    EXPECT_NE(std::string::npos, readFile(w.at("cmd.out")).find("\"level\":\"B-LT\""));
    // Without embedded values the same signature has nothing to go on.
    r = validate(w, bt);
    EXPECT_EQ(VN_INDETERMINATE, r.indication) << r.toJson();

    // The evidence split into its parts: the CRLs (X.509) and the OCSP responses ([1]).
    vn_sign::SignedDataParts parts;
    ASSERT_TRUE(vn_sign::split_signed_data(blt.data(), blt.size(), parts));
    std::vector<std::vector<unsigned char>> crls, ocsp;
    for (const std::vector<unsigned char>& v : parts.crls)
        (v.at(0) == 0xA1 ? ocsp : crls).push_back(v);
    ASSERT_EQ(2u, crls.size());
    ASSERT_EQ(2u, ocsp.size());

    // A CRL of another CA and the OCSP response of the TSA (another certificate) only.
    const std::vector<unsigned char> foreignCrl = bytes(w.at("foreignroot.crl"));
    std::vector<std::vector<unsigned char>> tsaOnly;
    for (const std::vector<unsigned char>& o : ocsp) {
        std::vector<unsigned char> probe = withRevocationValues(blt, {o});
        if (!anyCheck(validate(w, probe), "embedded-ocsp", "good"))
            tsaOnly.push_back(o);
    }
    ASSERT_EQ(1u, tsaOnly.size());
    r = validate(w, withRevocationValues(blt, {foreignCrl, tsaOnly[0]}));
    EXPECT_EQ(VN_INDETERMINATE, r.indication) << r.toJson();
    EXPECT_TRUE(anyCheck(r, "embedded-crl", "unavailable", "another CA")) << r.toJson();
    EXPECT_TRUE(anyCheck(r, "embedded-ocsp", "unavailable", "another certificate")) << r.toJson();

    // The signer's OCSP response with one bit of its signature changed, and a CRL of the
    // issuing CA's name whose signature no longer verifies.
    std::vector<unsigned char> signerOcsp;
    for (const std::vector<unsigned char>& o : ocsp)
        if (o != tsaOnly[0])
            signerOcsp = o;
    signerOcsp.back() ^= 0x01;
    std::vector<unsigned char> badCrl;
    for (const std::vector<unsigned char>& c : crls) {
        const unsigned char* p = c.data();
        vn_ossl::CrlPtr crl(d2i_X509_CRL(nullptr, &p, static_cast<long>(c.size())));
        ASSERT_TRUE(crl);
        char name[256];
        X509_NAME_oneline(X509_CRL_get_issuer(crl.get()), name, sizeof(name));
        if (std::string(name).find("LT Issuing CA") != std::string::npos)
            badCrl = c;
    }
    ASSERT_FALSE(badCrl.empty());
    badCrl.back() ^= 0x01;
    r = validate(w, withRevocationValues(blt, {badCrl, signerOcsp}));
    EXPECT_EQ(VN_INDETERMINATE, r.indication) << r.toJson();
    EXPECT_TRUE(anyCheck(r, "embedded-ocsp", "unavailable")) << r.toJson();
    EXPECT_TRUE(anyCheck(r, "embedded-crl", "unavailable", "not signed by its key")) << r.toJson();
    EXPECT_FALSE(anyCheck(r, "embedded-ocsp", "good"));
}

size_t archiveCount(const CValidationReport& r, bool verified) {
    size_t n = 0;
    for (const CTimestampCheck& t : r.signers.at(0).timestamps)
        n += t.kind == "archive" && t.verified == verified ? 1 : 0;
    return n;
}

bool anyFinding(const CValidationReport& r, const std::string& part) {
    for (const std::string& f : r.signers.at(0).findings)
        if (f.find(part) != std::string::npos)
            return true;
    return false;
}

// The signature with the token of its k-th archive timestamp changed by edit.
template <class Edit>
std::vector<unsigned char> withArchiveToken(const std::vector<unsigned char>& sig, size_t k, Edit edit) {
    vn_sign::SignedDataParts parts;
    EXPECT_TRUE(vn_sign::split_signed_data(sig.data(), sig.size(), parts));
    const std::vector<unsigned char> oid = {0x06, 0x06, 0x04, 0x00, 0x8D, 0x45, 0x02, 0x04};
    size_t seen = 0;
    for (std::vector<unsigned char>& a : parts.signers.at(0).unsignedAttrs) {
        if (!vn_sign::attribute_has_oid(a, oid) || seen++ != k)
            continue;
        std::vector<unsigned char> token = vn_sign::attribute_values(a).at(0);
        edit(token);
        a = vn_sign::make_attribute(oid, token);
    }
    return vn_sign::join_signed_data(parts);
}

TEST(LongTerm, LtaIsMadeAndRenewedAndEachArchiveTimestampIsCheckedAgainstTheBytesPresent) {
    World w;
    ASSERT_TRUE(w.ok) << w.makeLog();
    // Made at B-LTA with the PKCS#12 key: the archive timestamp is the last unsigned
    // attribute, after the signature timestamp, and OpenSSL still verifies the signature.
    const std::string made = w.at("lta.p7s");
    ASSERT_EQ(0, signAt(w, "B-LTA", made, w.tsaUrl));
    lt::Look l = look(bytes(made));
    ASSERT_EQ(2u, l.unsignedAttrs.size());
    EXPECT_EQ(kTimestampToken, l.unsignedAttrs[0]);
    EXPECT_EQ("0.4.0.1733.2.4", l.unsignedAttrs[1]);
    EXPECT_NE(std::string::npos, lt::asn1parse(made).find(":0.4.0.19122.1.5"));
    EXPECT_TRUE(lt::opensslVerifies(w, made, w.at("content.txt")));
    EXPECT_EQ(VN_CADES_B_LTA, vn_cades_level_of(bytes(made)));

    // Extended from openssl's B-B to B-LTA, then renewed by a second archive timestamp.
    CCadesExtendOptions options;
    options.tsaUrl = w.tsaUrl;
    options.caFile = w.at("chain.pem");
    options.contentFile = w.at("content.txt");
    const std::vector<unsigned char> plain = bytes(w.at("plain.p7s"));
    std::vector<unsigned char> lta, renewed;
    CCadesExtendResult result;
    ASSERT_EQ(0, vn_cades_extend(plain, VN_CADES_B_LTA, options, lta, &result)) << notesOf(result);
    ASSERT_EQ(0, vn_cades_extend(lta, VN_CADES_B_LTA, options, renewed, &result)) << notesOf(result);
    EXPECT_EQ(VN_CADES_B_LTA, result.levelBefore);
    expectSignedPartKept(plain, renewed);
    lt::writeBytes(w.at("renewed.p7s"), renewed);
    EXPECT_TRUE(lt::opensslVerifies(w, w.at("renewed.p7s"), w.at("content.txt")));
    EXPECT_EQ(3u, look(renewed).unsignedAttrs.size());
    // Without the content a detached signature cannot get its archive timestamp.
    options.contentFile.clear();
    EXPECT_EQ(VN_CADES_NO_CONTENT, vn_cades_extend(lta, VN_CADES_B_LTA, options, renewed, &result));
    renewed = bytes(w.at("renewed.p7s"));

    // The same signature at B-LT given an archive timestamp over other content bytes.
    std::vector<unsigned char> blt, overOther;
    options.tsaUrl = w.tsaUrl;
    w.dir.write("other.txt", "Other bytes.\r\n");
    ASSERT_EQ(0, vn_cades_extend(plain, VN_CADES_B_LT, options, blt, &result)) << notesOf(result);
    options.contentFile = w.dir.file("other.txt");
    ASSERT_EQ(0, vn_cades_extend(blt, VN_CADES_B_LTA, options, overOther, &result)) << notesOf(result);

    // Every archive timestamp token verifies with openssl ts over the archived bytes.
    vn_sign::SignedDataParts parts;
    ASSERT_TRUE(vn_sign::split_signed_data(renewed.data(), renewed.size(), parts));
    const std::vector<unsigned char> indexOid = {0x06, 0x07, 0x04, 0x00, 0x81, 0x95, 0x32, 0x01, 0x05};
    for (size_t k = 1; k < parts.signers[0].unsignedAttrs.size(); ++k) {
        const std::vector<unsigned char> token = vn_sign::attribute_values(parts.signers[0].unsignedAttrs[k]).at(0);
        vn_sign::SignedDataParts tokenParts;
        ASSERT_TRUE(vn_sign::split_signed_data(token.data(), token.size(), tokenParts));
        ASSERT_EQ(1u, tokenParts.signers.at(0).unsignedAttrs.size());
        ASSERT_TRUE(vn_sign::attribute_has_oid(tokenParts.signers[0].unsignedAttrs[0], indexOid));
        std::vector<unsigned char> input;
        ASSERT_TRUE(vn_sign::archive_imprint_input(parts, 0, tokenParts.signers[0].unsignedAttrs[0],
                                                   w.at("content.txt"), nullptr, input));
        lt::writeBytes(w.at("archived.bin"), input);
        lt::writeBytes(w.at("token.der"), token);
        EXPECT_EQ(0,
                  lt::run("openssl ts -verify -token_in -in " + w.at("token.der") + " -data " + w.at("archived.bin") +
                          " -CAfile " + w.at("cafile.pem") + " -untrusted " + w.at("chain.pem")))
            << k;
    }

    w.stopPeers();
    CValidationReport r = validate(w, renewed);
    EXPECT_EQ(VN_TOTAL_PASSED, r.indication) << r.toJson();
    EXPECT_EQ("B-LTA", r.signers.at(0).level);
    EXPECT_EQ(2u, archiveCount(r, true)) << r.toJson();

    // The hash index of the first archive timestamp changed: its imprint no longer matches,
    // and the second, which covers the first, no longer finds it.
    r = validate(w, withArchiveToken(renewed, 0, [](std::vector<unsigned char>& t) { t[t.size() - 1] ^= 0x01; }));
    EXPECT_NE(VN_TOTAL_PASSED, r.indication);
    EXPECT_EQ(2u, archiveCount(r, false)) << r.toJson();
    // A certificate value and a revocation value changed or taken away.
    vn_sign::SignedDataParts changed = parts;
    changed.certificates.back().back() ^= 0x01;
    r = validate(w, vn_sign::join_signed_data(changed));
    EXPECT_TRUE(anyFinding(r, "a certificate the archive timestamp covers is missing or changed")) << r.toJson();
    changed = parts;
    changed.crls.pop_back();
    r = validate(w, vn_sign::join_signed_data(changed));
    EXPECT_TRUE(anyFinding(r, "a revocation value the archive timestamp covers is missing or changed")) << r.toJson();
    // The archive timestamp made over other content bytes.
    r = validate(w, overOther);
    EXPECT_NE(VN_TOTAL_PASSED, r.indication);
    EXPECT_EQ(1u, archiveCount(r, false)) << r.toJson();
    EXPECT_EQ("HASH_FAILURE", r.signers.at(0).subIndication) << r.toJson();
}

TEST(LongTerm, LtaValidatesAfterTheSignersAndTheFirstTsasCertificatesExpiredAsLongAsTheArchiveTimestampsChain) {
    World w;
    ASSERT_TRUE(w.ok) << w.makeLog();
    const std::string shortTsa = w.startTsa("tsa-shorttsa");
    const std::string archiveTsa = w.startTsa("tsa-archivetsa");
    ASSERT_FALSE(shortTsa.empty() || archiveTsa.empty());
    const std::vector<unsigned char> plain = bytes(w.at("plain-short.p7s"));
    CCadesExtendOptions options;
    options.caFile = w.at("chain.pem");
    options.contentFile = w.at("content.txt");
    CCadesExtendResult result;
    // Signature timestamp and evidence by the short-lived TSA; archive timestamps by the
    // archive TSA (the chain) and, for the broken case, by the short-lived TSA again.
    std::vector<unsigned char> blt, lta, ltaShort;
    options.tsaUrl = shortTsa;
    ASSERT_EQ(0, vn_cades_extend(plain, VN_CADES_B_LT, options, blt, &result)) << notesOf(result);
    ASSERT_EQ(0, vn_cades_extend(blt, VN_CADES_B_LTA, options, ltaShort, &result)) << notesOf(result);
    options.tsaUrl = archiveTsa;
    ASSERT_EQ(0, vn_cades_extend(blt, VN_CADES_B_LTA, options, lta, &result)) << notesOf(result);
    w.stopPeers();

    // Today everything is valid.
    EXPECT_EQ(VN_TOTAL_PASSED, validate(w, blt).indication);
    EXPECT_EQ(VN_TOTAL_PASSED, validate(w, lta).indication);
    // Three days later the signer's and the short-lived TSA's certificates have expired.
    const time_t later = time(nullptr) + 3 * 24 * 3600;
    CValidationReport r = validate(w, lta, later);
    EXPECT_EQ(VN_TOTAL_PASSED, r.indication) << r.toJson();
    EXPECT_EQ(1u, archiveCount(r, true));
    // Without an archive timestamp, or with one whose authority expired too, nothing proves
    // the signature timestamp any more.
    r = validate(w, blt, later);
    EXPECT_EQ(VN_INDETERMINATE, r.indication) << r.toJson();
    EXPECT_EQ("OUT_OF_BOUNDS_NO_POE", r.signers.at(0).subIndication) << r.toJson();
    r = validate(w, ltaShort, later);
    EXPECT_EQ(VN_INDETERMINATE, r.indication) << r.toJson();
    EXPECT_TRUE(anyFinding(r, "no later archive timestamp")) << r.toJson();
    // The tool with a verification time says the same with every peer down.
    lt::writeBytes(w.at("lta.p7s"), lta);
    char when[32];
    const struct tm t = *gmtime(&later);
    strftime(when, sizeof(when), "%Y-%m-%dT%H:%M:%SZ", &t);
    EXPECT_EQ(0, exitOf(w, vncard() + " verify-doc --sig " + w.at("lta.p7s") + " --content " + w.at("content.txt") +
                               " --ca-file " + w.at("cafile.pem") + " --revocation dp --timeout 20 --time " + when))
        << readFile(w.at("cmd.out"));
}

}  // namespace
