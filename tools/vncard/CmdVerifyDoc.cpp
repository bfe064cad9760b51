// verify-doc: verifies a PKCS#7 signature (.p7s, DER, PEM or S/MIME) with timestamps, chain,
// validity model and revocation, and prints the validation report.
#include <openssl/err.h>
#include <sys/stat.h>
#include <sys/timeb.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "CrlSSL.h"
#include "OpenSslPtr.h"
#include "Output.h"
#include "PinInput.h"
#include "SigFile.h"
#include "ValidationReport.h"
#include "VerifyMsg.h"

namespace {

// The result bits by name; the shared high bit 0x80000000 marks every failure.
const unsigned int kFailureMark = 0x80000000u;
struct ResultBit {
    unsigned int bit;
    const char* name;
    const char* text;
};
const ResultBit kResultBits[] = {
    {0x00000001u, "signature-invalid", "the signature value does not verify"},
    {0x00010000u, "issuer-not-trusted", "no trusted issuer for a certificate, or no verification context"},
    {0x00008000u, "chain-invalid", "a certificate of the chain is not valid at the check time or is unusable"},
    {0x00004000u, "signer-not-valid", "the signer's certificate is not valid at the verification time"},
    {0x00000004u, "revoked", "the signer's certificate was revoked before the check time"},
    {0x00080000u, "no-ocsp-responder", "OCSP asked for but no responder address is known"},
    {0x00000200u, "ocsp-failed", "the OCSP exchange failed or its response is not acceptable"},
    {0x00000100u, "timestamp-invalid", "a signature timestamp does not verify"},
    {0x00000400u, "revocation-unknown", "no revocation status could be obtained"},
};

// Where the value could not be checked at all, the signature-invalid bit is named after why.
struct NotChecked {
    const char* subIndication;
    const char* name;
};
const NotChecked kNotChecked[] = {
    {"FORMAT_FAILURE", "not-a-signature"},
    {"SIGNED_DATA_NOT_FOUND", "content-missing"},
    {"NO_SIGNING_CERTIFICATE_FOUND", "signer-certificate-missing"},
};

struct RevocationSource {
    const char* name;
    int flag;
};
// clang-format off
const RevocationSource kSources[] = {
    {"store", VERIFY_CRL_STORE}, {"dp", VERIFY_CRL_DISTRIBUTION_POINTS}, {"dir", VERIFY_CRL_DIRECTORY},
    {"ocsp", VERIFY_CRL_OCSP},   {"url", VERIFY_CRL_ADDRESS},
};
// clang-format on

// "YYYY-MM-DDTHH:MM:SSZ" (UTC) to seconds; false when the text has another form.
bool parseUtc(const std::string& text, time_t& out) {
    struct tm t;
    std::memset(&t, 0, sizeof(t));
    const char* end = strptime(text.c_str(), "%Y-%m-%dT%H:%M:%SZ", &t);
    if (end == nullptr || *end != '\0')
        return false;
    const struct tm asked = t;
    out = timegm(&t);
    // timegm moves impossible dates (February 30) on; such a date is not a time.
    return t.tm_year == asked.tm_year && t.tm_mon == asked.tm_mon && t.tm_mday == asked.tm_mday &&
           t.tm_hour == asked.tm_hour && t.tm_min == asked.tm_min && t.tm_sec == asked.tm_sec;
}

// A CA file must be readable and hold at least one PEM certificate.
bool caFileUsable(const std::string& path, std::string& why) {
    vn_ossl::BioPtr bio(BIO_new_file(path.c_str(), "r"));
    if (!bio) {
        ERR_clear_error();
        why = "--ca-file " + path + ": cannot be read";
        return false;
    }
    vn_ossl::X509Ptr first(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
    ERR_clear_error();
    if (!first) {
        why = "--ca-file " + path + ": holds no PEM certificate";
        return false;
    }
    return true;
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The indication allows exit 0: TOTAL_PASSED, or with --soft-fail a report whose only
// shortcoming is revocation status that could not be obtained.
bool acceptable(const CValidationReport& report, bool softFail) {
    if (report.passed())
        return true;
    if (!softFail || report.signers.empty() || report.indication != VN_INDETERMINATE)
        return false;
    for (const CSignerReport& s : report.signers)
        if (s.indication != VN_TOTAL_PASSED && s.subIndication != "TRY_LATER")
            return false;
    return true;
}

std::string hexWord(unsigned int v) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "0x%08X", v);
    return buffer;
}

}  // namespace

const std::vector<OptionSpec>& verifyDocOptions() {
    static const std::vector<OptionSpec> options = {
        {"sig", "FILE", "the signature (.p7s: DER, PEM or S/MIME)"},
        {"token", "FILE", "a timestamp token (or a whole timestamp reply) to verify alone over --content"},
        {"content", "FILE", "the signed content of a detached signature (default: attached)"},
        {"ca-file", "FILE", "trusted certificates (PEM)"},
        {"ca-dir", "DIR", "trusted certificates (hashed directory)"},
        {"revocation", "SOURCE", "store, dp (distribution points), dir, ocsp or url (default: no check)"},
        {"source", "TEXT", "CRL directory (dir), CRL address (url) or OCSP responder (ocsp)"},
        {"model", "shell|chain", "validity model (default shell)"},
        {"time", "UTC", "verification time as YYYY-MM-DDTHH:MM:SSZ (default: signing time, else now)"},
        {"timeout", "SECONDS", "bound of every network wait (default 60)"},
        {"soft-fail", nullptr, "revocation status that cannot be obtained does not fail the verification"},
        {"json", nullptr, "print one JSON object on standard output"},
        {"help", nullptr, "show this help"},
    };
    return options;
}

const char* verifyDocDetails() {
    return "Checks every signer: the signature value (DER, PEM or S/MIME input; detached content\n"
           "read in chunks), its timestamps (token signature, TSA chain, imprint), the certificate's\n"
           "usage, the chain against --ca-file/--ca-dir, validity (shell or chain model) at the proven\n"
           "time (a verified timestamp's time, else --time, else now) and revocation from the chosen\n"
           "source. Prints each failure by name and the validation report (ETSI EN 319 102-1\n"
           "indications); exit code 0 only for TOTAL_PASSED, 1 otherwise. Revocation status that\n"
           "cannot be obtained fails unless --soft-fail is given.\n";
}

// A token given alone: the token itself, or the token of a whole timestamp reply.
std::string tokenOf(const std::string& bytes) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::unique_ptr<TS_RESP, vn_ossl::Deleter<TS_RESP, TS_RESP_free>> reply(
        d2i_TS_RESP(nullptr, &p, static_cast<long>(bytes.size())));
    ERR_clear_error();
    PKCS7* token = reply ? TS_RESP_get_token(reply.get()) : nullptr;
    unsigned char* der = nullptr;
    const int n = token != nullptr ? i2d_PKCS7(token, &der) : -1;
    std::string out = n > 0 ? std::string(reinterpret_cast<const char*>(der), static_cast<size_t>(n)) : bytes;
    OPENSSL_free(der);
    return out;
}

int verifyToken(Args& args, const std::string& caFile, const std::string& caDir) {
    std::string token, data;
    if (!args.has("content"))
        return Output::fail(EXIT_USAGE, "--token needs --content, the data the token covers");
    if (!readFile(args.get("token"), token) || !readFile(args.get("content"), data))
        return EXIT_FAILED;
    token = tokenOf(token);
    CTimestampCheck check;
    {
        LibraryOutputToStderr quiet;
        check = CVerifyMsg::CheckTimestampToken(reinterpret_cast<const unsigned char*>(token.data()), token.size(),
                                                reinterpret_cast<const unsigned char*>(data.data()), data.size(),
                                                caFile.empty() ? nullptr : caFile.c_str(),
                                                caDir.empty() ? nullptr : caDir.c_str());
    }
    const bool crypto = check.subIndication == "SIG_CRYPTO_FAILURE" || check.subIndication == "HASH_FAILURE" ||
                        check.subIndication == "FORMAT_FAILURE";
    const std::string indication = check.verified ? VN_TOTAL_PASSED : crypto ? VN_TOTAL_FAILED : VN_INDETERMINATE;
    if (Output::json) {
        const std::string body = JsonObject()
                                     .boolean("ok", check.verified)
                                     .boolean("verified", check.verified)
                                     .str("genTime", vn_utc_text(check.genTime))
                                     .str("tsa", check.tsa)
                                     .str("hashAlgorithm", check.hashAlgorithm)
                                     .str("reason", check.reason)
                                     .str("indication", indication)
                                     .str("subIndication", check.subIndication)
                                     .text();
        fputs((body + "\n").c_str(), stdout);
    } else {
        printf("timestamp: %s\n", check.verified ? "verified" : ("NOT verified: " + check.reason).c_str());
        printf("  genTime: %s\n  TSA:     %s\n", vn_utc_text(check.genTime).c_str(), check.tsa.c_str());
        printf("indication: %s%s\n", indication.c_str(),
               check.subIndication.empty() ? "" : (" / " + check.subIndication).c_str());
    }
    fflush(stdout);
    return check.verified ? EXIT_OK : EXIT_FAILED;
}

int cmdVerifyDoc(Args& args) {
    if (!args.has("sig") && !args.has("token"))
        return Output::fail(EXIT_USAGE, "--sig or --token is required");
    int flags = VERIFY_FLAG_SIGNATURE | VERIFY_FLAG_CHAIN | VERIFY_FLAG_VALIDITY;
    int crlFlags = 0;
    if (args.has("revocation")) {
        for (const RevocationSource& s : kSources)
            if (args.get("revocation") == s.name)
                crlFlags = s.flag;
        if (crlFlags == 0)
            return Output::fail(EXIT_USAGE, "unknown revocation source '" + args.get("revocation") + "'");
        flags |= VERIFY_FLAG_REVOCATION;
    }
    const std::string model = args.get("model", "shell");
    if (model != "shell" && model != "chain")
        return Output::fail(EXIT_USAGE, "--model is shell or chain");
    time_t when = 0;
    const bool timed = args.has("time");
    if (timed && !parseUtc(args.get("time"), when))
        return Output::fail(EXIT_USAGE, "--time must be a real UTC time like 2025-01-31T12:00:00Z");
    int timeout = 60;
    if (!args.getInt("timeout", 1, 3600, timeout))
        return Output::fail(EXIT_USAGE, args.error());
    const std::string caFile = args.get("ca-file"), caDir = args.get("ca-dir"), source = args.get("source");
    std::string why;
    if (args.has("ca-file") && !caFileUsable(caFile, why))
        return Output::fail(EXIT_USAGE, why);
    if (args.has("ca-dir") && !isDirectory(caDir))
        return Output::fail(EXIT_USAGE, "--ca-dir " + caDir + ": not a directory");
    if (args.has("token"))
        return verifyToken(args, caFile, caDir);
    const std::string sigPath = args.get("sig");
    // A regular file is mapped; anything else (standard input, a pipe) is read as before.
    SigFile file;
    std::string sig;
    const bool regular = sigPath != "-" && isRegularFile(sigPath);
    if (regular ? !file.open(sigPath) : !readFile(sigPath, sig))
        return EXIT_FAILED;
    const bool detached = args.has("content");
    if (detached && access(args.get("content").c_str(), R_OK) != 0)
        return Output::fail(EXIT_FAILED, "cannot read " + args.get("content"));
    CCrlSSL::setTimeout(timeout * 1000);

    CVerifyOptions o;
    o.sig = regular ? file.data() : reinterpret_cast<const unsigned char*>(sig.data());
    o.sigLen = regular ? file.size() : sig.size();
    o.attached = !detached;
    o.contentFile = detached ? args.get("content") : "";
    // Attached DER signed data read from a file: the library gets the signed data without
    // its content and reads the content in chunks from where it lies in the file.
    std::vector<unsigned char> withoutItsContent;
    uint64_t contentLength = 0, contentOffset = 0;
    if (!detached && regular &&
        withoutContent(file.data(), file.size(), withoutItsContent, contentLength, &contentOffset)) {
        o.sig = withoutItsContent.data();
        o.sigLen = withoutItsContent.size();
        o.attached = false;
        o.contentFile = sigPath;
        o.contentFileOffset = contentOffset;
        o.contentFileLength = contentLength;
    }
    o.flags = flags;
    o.crlFlags = crlFlags;
    o.crlSource = source;
    o.timed = timed;
    o.verificationTime = when;
    o.model = model == "chain" ? VERIFY_MODEL_CHAIN : VERIFY_MODEL_SHELL;
    o.caFile = caFile;
    o.caPath = caDir;
    o.revocationHardFail = !args.has("soft-fail");
    CValidationReport report;
    unsigned int result;
    {
        LibraryOutputToStderr quiet;
        result = CVerifyMsg::Validate(o, report);
    }
    const bool ok = acceptable(report, args.has("soft-fail"));

    std::string valueName = "signature-invalid", valueText = "the signature value does not verify";
    for (const NotChecked& n : kNotChecked) {
        if (report.subIndication == n.subIndication) {
            valueName = n.name;
            valueText = report.message;
        }
        for (const CSignerReport& s : report.signers)
            if ((s.resultWord & 1u) && s.subIndication == n.subIndication) {
                valueName = n.name;
                valueText = s.message;
            }
    }
    struct Line {
        std::string name, text;
    };
    std::vector<Line> lines;
    unsigned int known = kFailureMark;
    for (const ResultBit& b : kResultBits)
        if (result & b.bit) {
            known |= b.bit;
            if (b.bit == 1u)
                lines.push_back({valueName, valueText});
            else
                lines.push_back({b.name, b.text});
        }
    if (result != 0 && (result & ~known) != 0)
        lines.push_back({"unknown-" + hexWord(result & ~known), ""});
    if (result == 0 && !report.passed() && !ok)
        lines.push_back({"not-passed", report.message});

    if (Output::json) {
        std::vector<std::string> quoted;
        for (const Line& l : lines)
            quoted.push_back(jsonString(l.name));
        const std::string body = JsonObject()
                                     .boolean("ok", ok)
                                     .str("result", hexWord(result))
                                     .boolean("valid", ok)
                                     .num("checks", flags)
                                     .num("revocationFlags", crlFlags)
                                     .raw("failures", jsonArray(quoted))
                                     .raw("report", report.toJson())
                                     .str("indication", report.indication)
                                     .str("subIndication", report.subIndication)
                                     .text();
        fputs((body + "\n").c_str(), stdout);
        fflush(stdout);
    } else {
        printf("result: %s\n", hexWord(result).c_str());
        for (const Line& l : lines)
            printf("  %-20s %s\n", l.name.c_str(), l.text.c_str());
        if (report.passed())
            printf("  all checks passed\n");
        else if (ok)
            printf("  passed, but revocation status could not be obtained (--soft-fail)\n");
        printf("%s", report.toText().c_str());
    }
    return ok ? EXIT_OK : EXIT_FAILED;
}
