// verify-doc: verifies a PKCS#7 signature (.p7s) with chain, validity model and revocation.
#include <sys/timeb.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "Commands.h"
#include "CrlSSL.h"
#include "Output.h"
#include "PinInput.h"
#include "VerifyMsg.h"

namespace {

// The result bits by name; the shared high bit 0x80000000 marks every failure.
const unsigned int kFailureMark = 0x80000000u;
struct ResultBit {
    unsigned int bit;
    const char* name;
    const char* text;
};
// clang-format off
const ResultBit kResultBits[] = {
    {0x00000001u, "signature-invalid", "the signature value does not verify"},
    {0x00010000u, "issuer-not-trusted", "no trusted issuer for a certificate, or no verification context"},
    {0x00008000u, "chain-invalid", "a certificate of the chain is not valid at the check time or is unusable"},
    {0x00004000u, "signer-not-valid", "the signer's certificate is not valid at the verification time"},
    {0x00000004u, "revoked", "the signer's certificate was revoked before the check time"},
    {0x00080000u, "no-ocsp-responder", "OCSP asked for but no responder address is known"},
    {0x00000200u, "ocsp-failed", "the OCSP exchange failed or its response is not acceptable"},
};
// clang-format on

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
    out = timegm(&t);
    return true;
}

std::string hexWord(unsigned int v) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "0x%08X", v);
    return buffer;
}

}  // namespace

const std::vector<OptionSpec>& verifyDocOptions() {
    // clang-format off
    static const std::vector<OptionSpec> options = {
        {"sig", "FILE", "the signature (.p7s, DER)"},
        {"content", "FILE", "the signed content of a detached signature (default: attached)"},
        {"ca-file", "FILE", "trusted certificates (PEM)"},
        {"ca-dir", "DIR", "trusted certificates (hashed directory)"},
        {"revocation", "SOURCE", "store, dp (distribution points), dir, ocsp or url (default: no check)"},
        {"source", "TEXT", "CRL directory (dir), CRL address (url) or OCSP responder (ocsp)"},
        {"model", "shell|chain", "validity model (default shell)"},
        {"time", "UTC", "verification time as YYYY-MM-DDTHH:MM:SSZ (default: signing time, else now)"},
        {"timeout", "SECONDS", "bound of every network wait (default 60)"},
        {"json", nullptr, "print one JSON object on standard output"},
        {"help", nullptr, "show this help"},
    };
    // clang-format on
    return options;
}

const char* verifyDocDetails() {
    return "Checks the signature value, the chain against --ca-file/--ca-dir, the validity of the\n"
           "chain (shell or chain model) and of the signer at --time, and revocation from the chosen\n"
           "source. Prints each failure by name; exit code 0 when everything passed, 1 otherwise.\n";
}

int cmdVerifyDoc(Args& args) {
    std::string sig, content;
    if (!args.has("sig"))
        return Output::fail(EXIT_USAGE, "--sig is required");
    if (!readFile(args.get("sig"), sig))
        return EXIT_FAILED;
    const bool detached = args.has("content");
    if (detached && !readFile(args.get("content"), content))
        return EXIT_FAILED;
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
    struct timeb when;
    std::memset(&when, 0, sizeof(when));
    const bool timed = args.has("time");
    if (timed && !parseUtc(args.get("time"), when.time))
        return Output::fail(EXIT_USAGE, "--time must look like 2025-01-31T12:00:00Z");
    int timeout = 60;
    if (!args.getInt("timeout", 1, 3600, timeout))
        return Output::fail(EXIT_USAGE, args.error());
    CCrlSSL::setTimeout(timeout * 1000);

    const std::string caFile = args.get("ca-file"), caDir = args.get("ca-dir"), source = args.get("source");
    unsigned int result;
    {
        LibraryOutputToStderr quiet;
        result = CVerifyMsg::CheckSignDetached(
            reinterpret_cast<const unsigned char*>(sig.data()), static_cast<unsigned int>(sig.size()), detached ? 0 : 1,
            reinterpret_cast<const unsigned char*>(content.data()), static_cast<unsigned int>(content.size()), flags,
            crlFlags, source.empty() ? nullptr : source.c_str(), nullptr, timed ? &when : nullptr, 0,
            model == "chain" ? VERIFY_MODEL_CHAIN : VERIFY_MODEL_SHELL, caFile.empty() ? nullptr : caFile.c_str(),
            caDir.empty() ? nullptr : caDir.c_str());
    }
    std::vector<std::string> names;
    unsigned int known = kFailureMark;
    for (const ResultBit& b : kResultBits)
        if (result & b.bit) {
            names.push_back(b.name);
            known |= b.bit;
        }
    if (result != 0 && (result & ~known) != 0)
        names.push_back("unknown-" + hexWord(result & ~known));
    if (Output::json) {
        std::vector<std::string> quoted;
        for (const std::string& n : names)
            quoted.push_back(jsonString(n));
        Output::result(JsonObject()
                           .str("result", hexWord(result))
                           .boolean("valid", result == 0)
                           .num("checks", flags)
                           .num("revocationFlags", crlFlags)
                           .raw("failures", jsonArray(quoted)));
    } else {
        printf("result: %s\n", hexWord(result).c_str());
        for (const ResultBit& b : kResultBits)
            if (result & b.bit)
                printf("  %-20s %s\n", b.name, b.text);
        if (result != 0 && (result & ~known) != 0)
            printf("  %s\n", names.back().c_str());
        if (result == 0)
            printf("  all checks passed\n");
    }
    return result == 0 ? EXIT_OK : EXIT_FAILED;
}
