// extend: an existing CAdES signature (DER or PEM, detached or with its content) extended
// to B-T, B-LT or B-LTA by the library; the signed part stays as it was.
#include <openssl/pem.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CadesLevel.h"
#include "Commands.h"
#include "OpenSslPtr.h"
#include "Output.h"

namespace {

// Bounds of --timeout in seconds.
const int kMaxTimeoutSeconds = 3600;
const int kMillisecondsPerSecond = 1000;

// The DER of a signature file: DER as it is, PEM ("PKCS7" or "CMS") decoded.
bool signatureDer(const std::string& data, std::vector<uint8_t>& der) {
    if (!data.empty() && static_cast<unsigned char>(data[0]) == 0x30) {
        der.assign(data.begin(), data.end());
        return true;
    }
    vn_ossl::BioPtr bio(BIO_new_mem_buf(data.data(), static_cast<int>(data.size())));
    char* name = nullptr;
    char* header = nullptr;
    unsigned char* bytes = nullptr;
    long length = 0;
    if (!bio || PEM_read_bio(bio.get(), &name, &header, &bytes, &length) != 1)
        return false;
    const std::string label = name;
    if (label == "PKCS7" || label == "CMS")
        der.assign(bytes, bytes + length);
    OPENSSL_free(name);
    OPENSSL_free(header);
    OPENSSL_free(bytes);
    return !der.empty();
}

}  // namespace

int cmdExtend(Args& args) {
    const std::string in = args.get("", args.get("in"));
    if (in.empty())
        return Output::fail(EXIT_USAGE, "extend needs the signature FILE");
    const int to = vn_cades_level_from_name(args.get("to").c_str());
    if (to < VN_CADES_B_T)
        return Output::fail(EXIT_USAGE, "--to must be B-T, B-LT or B-LTA");
    const std::string out = args.get("out", in);
    CCadesExtendOptions options;
    options.tsaUrl = args.get("tsa");
    options.caFile = args.get("ca-file");
    options.contentFile = args.get("content");
    int timeout = 0;
    if (args.has("timeout") && !args.getInt("timeout", 1, kMaxTimeoutSeconds, timeout))
        return Output::fail(EXIT_USAGE, args.error());
    options.timeoutMs = timeout * kMillisecondsPerSecond;
    std::string data;
    if (!readFile(in, data))
        return EXIT_FAILED;
    std::vector<uint8_t> der, extended;
    if (!signatureDer(data, der))
        return Output::fail(EXIT_FAILED, "'" + in + "' is not a DER or PEM signature");
    const int before = vn_cades_level_of(der);
    if (before == VN_CADES_LEVEL_NONE)
        return Output::fail(EXIT_FAILED, "'" + in + "' is not a CMS signed data with one signer");
    // The timestamp service is needed unless the signature already has its timestamp.
    if (before < VN_CADES_B_T && options.tsaUrl.empty())
        return Output::fail(EXIT_USAGE, std::string("--tsa is needed: '") + in + "' has no signature timestamp");
    if (to == VN_CADES_B_LTA && options.tsaUrl.empty())
        return Output::fail(EXIT_USAGE, "--tsa is needed for the archive timestamp of B-LTA");
    if (!checkWritable(out))
        return EXIT_FAILED;
    CCadesExtendResult result;
    const int32_t rc = vn_cades_extend(der, to, options, extended, &result);
    for (const std::string& note : result.notes)
        if (!Output::json)
            fprintf(stderr, "note: %s\n", note.c_str());
    if (rc != 0) {
        JsonObject extra;
        extra.num("code", rc).raw("notes", jsonArray(result.notes));
        return Output::fail(rc == VN_CADES_LOWER_LEVEL ? EXIT_USAGE : EXIT_FAILED,
                            result.message + " (" + std::to_string(rc) + ")", extra);
    }
    // Written beside the output first, so that a failed write never spoils the signature.
    const std::string part = out + ".extend-part";
    if (!writeFile(part, extended.data(), extended.size()))
        return EXIT_FAILED;
    if (rename(part.c_str(), out.c_str()) != 0) {
        remove(part.c_str());
        return Output::fail(EXIT_FAILED, "cannot write '" + out + "'");
    }
    if (Output::json) {
        JsonObject json;
        json.str("in", in).str("out", out).num("bytes", static_cast<long long>(extended.size()));
        json.str("levelBefore", vn_cades_level_name(result.levelBefore))
            .str("level", vn_cades_level_name(result.levelAfter));
        json.num("certificatesAdded", result.certificatesAdded)
            .num("crlsAdded", result.crlsAdded)
            .num("ocspResponsesAdded", result.ocspResponsesAdded);
        json.raw("notes", jsonArray(result.notes));
        Output::result(json);
    } else {
        printf("%s: %s -> %s, %zu bytes (%d certificates, %d CRLs, %d OCSP responses added)\n", out.c_str(),
               vn_cades_level_name(result.levelBefore), vn_cades_level_name(result.levelAfter), extended.size(),
               result.certificatesAdded, result.crlsAdded, result.ocspResponsesAdded);
    }
    return EXIT_OK;
}

const char* extendDetails() {
    return "Extends the CAdES signature in FILE (DER or PEM; detached or with its content) to a\n"
           "baseline level: B-T adds a signature timestamp (--tsa), B-LT the certificates of the\n"
           "signer's and the timestamp authority's chains and their CRLs and OCSP responses,\n"
           "fetched from the addresses the certificates name; B-LTA an archive timestamp. The\n"
           "signed attributes and the signature value stay byte for byte as they were. The result\n"
           "is DER, written to --out (default: FILE itself).\n";
}

const std::vector<OptionSpec>& extendOptions() {
    static const std::vector<OptionSpec> options = {
        {"", "FILE", "the signature to extend"},
        {"to", "LEVEL", "B-T, B-LT or B-LTA"},
        {"out", "FILE", "the extended signature (default: FILE)"},
        {"tsa", "URL", "timestamp service address (needed for B-T on B-B, and for B-LTA)"},
        {"ca-file", "FILE", "PEM file of issuer certificates for the chains"},
        {"content", "FILE", "the detached content (B-LTA of a detached signature)"},
        {"timeout", "SECONDS", "time limit of each exchange (default 60)"},
        {"json", nullptr, "print one JSON object on standard output"},
        {"help", nullptr, "show this help"},
        {"log", "FILE", "write the library's log to FILE (default: no log)"},
        {"log-level", "N", "log level 1 to 9 with --log (default 5)"},
    };
    return options;
}
