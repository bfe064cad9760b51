// sign-doc: a document signed as PKCS#7/CAdES signed data with a card key or a PKCS#12
// file, detached or with the content, optionally timestamped; DER or PEM out.
#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CadesLevel.h"
#include "Card.h"
#include "Commands.h"
#include "Http.h"
#include "OpenSslPtr.h"
#include "Output.h"
#include "PinInput.h"
#include "SCUtils.h"
#include "SignMessage.h"
#include "TimeStampSSL.h"

namespace {

struct Algo {
    const char* name;
    int nAlgoID;
};

// The library's signing identifiers.
const Algo kAlgos[] = {{"sha1", VN_SIGN_SHA1},     {"sha256", VN_SIGN_SHA256},       {"sha384", VN_SIGN_SHA384},
                       {"sha512", VN_SIGN_SHA512}, {"ripemd160", VN_SIGN_RIPEMD160}, {"md5", VN_SIGN_MD5}};

// What the library's file signing codes mean for the user.
struct CodeText {
    int32_t code;
    const char* text;
};
const CodeText kCodeTexts[] = {
    {-24, "signing failed (card, key or timestamp)"},
    {-29, "the signed data cannot be built"},
    {-35, "input and output are the same file"},
    {-36, "the output file cannot be written"},
    {-37, "no key"},
    {-88, "the card does not sign with this hash algorithm (it does with sha256)"},
    {-89, "the card signs neither with this hash algorithm nor with sha256"},
    {-91, "the timestamp service cannot be reached"},
    {-92, "the timestamp service gave no timestamp"},
    {-93, "the timestamp does not fit"},
    {-94, "no signature value found for the timestamp"},
    {-95, "the level needs a timestamp service"},
    {-96, "the signed data cannot be read back"},
    {-97, "a certificate's revocation status could not be obtained"},
    {-98, "an issuer of the chain was not found (see --ca-file)"},
    {-100, "the level is not made by this build"},
    {-300, "no usable certificate"},
    {-1007, "a file path is 257 characters or longer"},
    {-1008, "a file path is missing"},
    {-1012, "the input file cannot be read"},
    {-1025, "the input file is empty"},
};

// Files at least this large get progress lines on standard error.
const long long kProgressBytes = 16LL << 20;
// Bounds of --timeout in seconds.
const int kMaxTimeoutSeconds = 3600;
const int kMillisecondsPerSecond = 1000;

// Names of the timestamp failure reasons in JSON.
const char* const kTimestampReasons[] = {
    "none", "unreachable", "timeout", "too-large", "http-status", "refused", "malformed", "imprint", "nonce",
};

std::string timestampReasonName(int reason) {
    const int count = static_cast<int>(sizeof(kTimestampReasons) / sizeof(kTimestampReasons[0]));
    return reason >= 0 && reason < count ? kTimestampReasons[reason] : "unknown";
}

// http[s]://host[:port][/path] with a host name or address and a port from 1 to 65535.
bool wellFormedAddress(const std::string& url) {
    const size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos || url.find_first_of(" \t\r\n") != std::string::npos)
        return false;
    const std::string scheme = url.substr(0, schemeEnd);
    if (scheme != "http" && scheme != "https")
        return false;
    const std::string rest = url.substr(schemeEnd + 3);
    const std::string hostPort = rest.substr(0, rest.find('/'));
    const size_t colon = hostPort.find(':');
    const std::string host = hostPort.substr(0, colon);
    if (host.empty() ||
        host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-") != std::string::npos)
        return false;
    if (colon == std::string::npos)
        return true;
    const std::string digits = hostPort.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long port = std::stol(digits);
    return port >= 1 && port <= 65535;
}

std::string codeText(int32_t code) {
    for (const CodeText& c : kCodeTexts)
        if (c.code == code)
            return c.text;
    return "signing failed";
}

using vn_ossl::X509Ptr;

// The opened key, closed with the library.
struct KeyHandle {
    uint32_t* key = nullptr;
    ~KeyHandle() { CSignMessage::CloseSSLKey(key); }
};

// Certificates of a PEM or DER file, DER each; false with a message (a bad command line).
bool readCertificates(const std::string& path, std::vector<std::vector<unsigned char>>& out) {
    std::string data;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        Output::fail(EXIT_USAGE, "cannot read --chain '" + path + "': " + strerror(errno));
        return false;
    }
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        data.append(buf, n);
    const bool readOk = !ferror(f);
    fclose(f);
    if (!readOk) {
        Output::fail(EXIT_USAGE, "cannot read --chain '" + path + "'");
        return false;
    }
    vn_ossl::BioPtr bio(BIO_new_mem_buf(data.data(), static_cast<int>(data.size())));
    while (X509* x = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
        X509Ptr owned(x);
        out.push_back(vn_ossl::derOfX509(x));
    }
    if (out.empty()) {
        X509Ptr x = vn_ossl::x509FromDer(reinterpret_cast<const unsigned char*>(data.data()), data.size());
        if (!x) {
            Output::fail(EXIT_USAGE, "no certificate in '" + path + "'");
            return false;
        }
        out.emplace_back(data.begin(), data.end());
    }
    return true;
}

// What opening a PKCS#12 file gave.
enum class P12Result { Ok, NotReadable, NotPkcs12, WrongPassword };

// The password as the file's bags are decrypted with it: an empty one may also be an
// absent one, which the MAC tells (as PKCS12_parse does).
const char* bagPassword(PKCS12* p12, const std::string& password) {
    if (!password.empty() || !PKCS12_mac_present(p12))
        return password.c_str();
    return PKCS12_verify_mac(p12, nullptr, 0) == 1 ? nullptr : "";
}

// The certificates of the bags of one safe; false when the safe cannot be decrypted.
bool certificatesOfSafe(PKCS7* safe, const char* password, std::vector<X509Ptr>& certs) {
    STACK_OF(PKCS12_SAFEBAG)* bags = nullptr;
    if (PKCS7_type_is_data(safe))
        bags = PKCS12_unpack_p7data(safe);
    else if (PKCS7_type_is_encrypted(safe))
        bags = PKCS12_unpack_p7encdata(safe, password, password == nullptr ? 0 : static_cast<int>(strlen(password)));
    else
        return true;
    if (bags == nullptr)
        return false;
    for (int i = 0; i < sk_PKCS12_SAFEBAG_num(bags); ++i) {
        const PKCS12_SAFEBAG* bag = sk_PKCS12_SAFEBAG_value(bags, i);
        if (PKCS12_SAFEBAG_get_nid(bag) == NID_certBag && PKCS12_SAFEBAG_get_bag_nid(bag) == NID_x509Certificate)
            if (X509* x = PKCS12_SAFEBAG_get1_cert(bag))
                certs.emplace_back(x);
    }
    sk_PKCS12_SAFEBAG_pop_free(bags, PKCS12_SAFEBAG_free);
    return true;
}

// The certificates of a PKCS#12 file. Only the safes that hold certificates are decrypted
// here; the key is decrypted once, by the library when it opens it, so the costly
// password-based key derivations are not made twice.
P12Result p12Certificates(const std::string& path, const std::string& password, std::vector<X509Ptr>& certs) {
    vn_ossl::BioPtr in(BIO_new_file(path.c_str(), "rb"));
    if (!in)
        return P12Result::NotReadable;
    vn_ossl::Pkcs12Ptr p12(d2i_PKCS12_bio(in.get(), nullptr));
    if (!p12)
        return P12Result::NotPkcs12;
    const char* pass = bagPassword(p12.get(), password);
    STACK_OF(PKCS7)* safes = PKCS12_unpack_authsafes(p12.get());
    bool ok = safes != nullptr;
    for (int i = 0; ok && i < sk_PKCS7_num(safes); ++i)
        ok = certificatesOfSafe(sk_PKCS7_value(safes, i), pass, certs);
    sk_PKCS7_pop_free(safes, PKCS7_free);
    // When a safe cannot be decrypted, the MAC tells a wrong password from a damaged file.
    const bool macOk = ok || !PKCS12_mac_present(p12.get()) ||
                       PKCS12_verify_mac(p12.get(), pass, pass == nullptr ? 0 : static_cast<int>(strlen(pass))) == 1;
    ERR_clear_error();
    if (!macOk)
        return P12Result::WrongPassword;
    return ok && !certs.empty() ? P12Result::Ok : P12Result::NotPkcs12;
}

// The certificate of the opened key (a PKCS#12 key handle is the key itself) goes to cert,
// the others to chain; false when none belongs to the key.
bool splitSignerCertificate(std::vector<X509Ptr>& certs, uint32_t* key, X509Ptr& cert,
                            std::vector<std::vector<unsigned char>>& chain) {
    EVP_PKEY* pkey = reinterpret_cast<EVP_PKEY*>(key);
    for (X509Ptr& x : certs) {
        if (!cert && X509_check_private_key(x.get(), pkey) == 1) {
            cert = std::move(x);
            continue;
        }
        std::vector<unsigned char> der = vn_ossl::derOfX509(x.get());
        if (!der.empty())
            chain.push_back(std::move(der));
    }
    ERR_clear_error();
    return cert != nullptr;
}

// The further certificates without the signer's and without repeats, in their first order.
std::vector<std::vector<unsigned char>> withoutRepeats(const std::vector<std::vector<unsigned char>>& certs,
                                                       const std::vector<unsigned char>& signer) {
    std::vector<std::vector<unsigned char>> out;
    for (const std::vector<unsigned char>& c : certs) {
        if (c == signer)
            continue;
        bool seen = false;
        for (const std::vector<unsigned char>& o : out)
            seen = seen || o == c;
        if (!seen)
            out.push_back(c);
    }
    return out;
}

// Whether the two paths name one file (the same text, or one existing file).
bool sameFile(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The input must be a readable regular file.
bool checkReadable(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Output::fail(EXIT_FAILED, "cannot read '" + path + "': " + strerror(errno));
        return false;
    }
    struct stat st;
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    if (!regular)
        Output::fail(EXIT_FAILED, "cannot read '" + path + "': not a regular file");
    return regular;
}

// The signed data at path rewritten as a PEM "PKCS7" block (as PEM_write_bio writes it),
// encoded piece by piece into a file beside it that then takes its name, so memory does not
// grow with attached content.
bool rewriteAsPem(const std::string& path) {
    const size_t kPiece = 48 * 1024;  // a whole number of 48-byte lines
    const std::string part = path + ".pem-part";
    vn_ossl::BioPtr in(BIO_new_file(path.c_str(), "rb"));
    vn_ossl::BioPtr out(in ? BIO_new_file(part.c_str(), "wb") : nullptr);
    std::unique_ptr<EVP_ENCODE_CTX, void (*)(EVP_ENCODE_CTX*)> ctx(EVP_ENCODE_CTX_new(), EVP_ENCODE_CTX_free);
    bool ok = in && out && ctx && BIO_puts(out.get(), "-----BEGIN PKCS7-----\n") > 0;
    if (ok)
        EVP_EncodeInit(ctx.get());
    std::vector<unsigned char> piece(kPiece), text(kPiece * 4 / 3 + kPiece / 48 + 80);
    int n = 0;
    while (ok && (n = BIO_read(in.get(), piece.data(), static_cast<int>(piece.size()))) > 0) {
        int t = 0;
        ok = EVP_EncodeUpdate(ctx.get(), text.data(), &t, piece.data(), n) == 1 &&
             (t == 0 || BIO_write(out.get(), text.data(), t) == t);
    }
    ok = ok && n == 0;  // the end of the file, not a read error
    int t = 0;
    if (ok)
        EVP_EncodeFinal(ctx.get(), text.data(), &t);
    ok = ok && (t == 0 || BIO_write(out.get(), text.data(), t) == t) &&
         BIO_puts(out.get(), "-----END PKCS7-----\n") > 0 && BIO_flush(out.get()) == 1;
    out.reset();
    if (!ok || rename(part.c_str(), path.c_str()) != 0) {
        unlink(part.c_str());
        Output::fail(EXIT_FAILED, "cannot write '" + path + "'");
        return false;
    }
    return true;
}

long long fileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

// The algorithms the card in the reader signs with, named.
std::string cardAlgorithms(int reader) {
    std::string names;
    LibraryOutputToStderr quiet;
    for (const Algo& a : kAlgos)
        if (CSignMessage::IsSmartCardHashAlgoSupported(reader, a.nAlgoID))
            names += (names.empty() ? "" : ", ") + std::string(a.name);
    return names;
}

}  // namespace

int cmdSignDoc(Args& args) {
    // Everything that can be checked without the card comes before the PIN is asked.
    const std::string in = args.get("in");
    if (in.empty())
        return Output::fail(EXIT_USAGE, "--in is required");
    const std::string out = args.get("out", in + ".p7s");
    const Algo* algo = nullptr;
    for (const Algo& a : kAlgos)
        if (args.get("algo", "sha256") == a.name)
            algo = &a;
    if (algo == nullptr)
        return Output::fail(EXIT_USAGE, "unknown --algo '" + args.get("algo") + "'");
    int cades = 0;
    if (!args.getInt("cades", 0, 5, cades))
        return Output::fail(EXIT_USAGE, args.error());
    // Levels 2 to 4 are not built; signing them as level 0 would misstate the output.
    if (cades != 0 && cades != 1 && cades != 5)
        return Output::fail(EXIT_USAGE, "--cades must be 0, 1 or 5");
    const std::string levelName = args.get("level");
    const int level = args.has("level") ? vn_cades_level_from_name(levelName.c_str()) : VN_CADES_LEVEL_NONE;
    if (args.has("level") && level == VN_CADES_LEVEL_NONE)
        return Output::fail(EXIT_USAGE, "--level must be B-B, B-T, B-LT or B-LTA");
    if (args.has("level") && args.has("cades"))
        return Output::fail(EXIT_USAGE, "--level and --cades cannot be given together");
    if (level >= VN_CADES_B_T && !args.has("tsa"))
        return Output::fail(EXIT_USAGE, "--level " + levelName + " needs a timestamp service (--tsa)");
    int timeout = 0;
    if (args.has("timeout") && !args.getInt("timeout", 1, kMaxTimeoutSeconds, timeout))
        return Output::fail(EXIT_USAGE, args.error());
    const std::string format = args.get("format", "der");
    if (format != "der" && format != "pem")
        return Output::fail(EXIT_USAGE, "--format must be der or pem");
    PinSource source;
    if (!pinSourceFromName(args.get("pin-from"), source))
        return Output::fail(EXIT_USAGE, "--pin-from must be prompt, stdin or pinpad");
    const bool p12 = args.has("p12");
    if (p12 && source == PinSource::PinPad)
        return Output::fail(EXIT_USAGE, "a PKCS#12 password cannot come from the pin pad");
    const std::string tsa = args.get("tsa");
    if (args.has("tsa") && !wellFormedAddress(tsa))
        return Output::fail(EXIT_USAGE, "--tsa '" + tsa + "' is not an address (http[s]://HOST[:PORT][/PATH])");
    if (sameFile(in, out))
        return Output::fail(EXIT_USAGE, "input and output are the same file ('" + out + "')");
    if (!checkReadable(in) || !checkWritable(out))
        return EXIT_FAILED;

    std::vector<std::vector<unsigned char>> further;
    if (args.has("chain") && !readCertificates(args.get("chain"), further))
        return EXIT_USAGE;

    X509Ptr cert;
    KeyHandle key;
    ReaderChoice reader;
    int certIndex = 0;
    std::string secret;
    if (p12) {
        const std::string file = args.get("p12");
        if (access(file.c_str(), R_OK) != 0)
            return Output::fail(EXIT_USAGE, "cannot read --p12 '" + file + "': " + strerror(errno));
        if (!readPin(source, "PKCS#12 password: ", secret))
            return Output::fail(EXIT_CANCELLED, "no password given");
        std::vector<X509Ptr> certs;
        const P12Result opened = p12Certificates(file, secret, certs);
        if (opened == P12Result::Ok)
            key.key = CSignMessage::OpenSSLKey(file.c_str(), secret.c_str(), nullptr, -1, 0, "0");
        wipe(secret);
        if (opened == P12Result::WrongPassword)
            return Output::fail(EXIT_WRONG_PIN, "wrong password for '" + file + "'");
        if (opened == P12Result::NotReadable)
            return Output::fail(EXIT_USAGE, "cannot read --p12 '" + file + "'");
        if (opened != P12Result::Ok || key.key == nullptr || !splitSignerCertificate(certs, key.key, cert, further))
            return Output::fail(EXIT_FAILED, "'" + file + "' is not a PKCS#12 file with a key and its certificate");
    } else {
        if (!args.getInt("cert", 0, CSCUtils::MAX_CERTS - 1, certIndex))
            return Output::fail(EXIT_USAGE, args.error());
        int rc = chooseReader(args, reader);
        if (rc == EXIT_OK)
            rc = checkCard(reader);
        if (rc != EXIT_OK)
            return rc;
        {
            LibraryOutputToStderr quiet;
            CSCUtils u;
            u.setReader(reader.index);
            if (certIndex < u.GetCertIDs())
                cert.reset(u.GetX509(certIndex));
        }
        if (!cert)
            return cardFailure(reader, EXIT_USAGE,
                               "no certificate " + std::to_string(certIndex) + " on the card (see 'vncard certs')");
        bool supported;
        {
            LibraryOutputToStderr quiet;
            supported = CSignMessage::IsSmartCardHashAlgoSupported(reader.index, algo->nAlgoID);
        }
        if (!supported) {
            const std::string names = cardAlgorithms(reader.index);
            if (names.empty())
                return cardFailure(reader, EXIT_FAILED, "the card signs with none of the hash algorithms");
            return Output::fail(EXIT_FAILED,
                                std::string("the card does not sign with ") + algo->name + "; it signs with " + names);
        }
        if (source != PinSource::PinPad && !readPin(source, "PIN: ", secret))
            return Output::fail(EXIT_CANCELLED, "no PIN given");
        const std::string id = std::to_string(certIndex);
        {
            LibraryOutputToStderr quiet;
            key.key = CSignMessage::OpenSSLKey(nullptr, nullptr, source == PinSource::PinPad ? nullptr : secret.c_str(),
                                               reader.index, certIndex, id.c_str());
        }
        wipe(secret);
        if (key.key == nullptr)
            return cardFailure(reader, EXIT_WRONG_PIN, "the key was not opened: the PIN was not accepted");
    }

    further = withoutRepeats(further, vn_ossl::derOfX509(cert.get()));
    std::vector<_ASN1_CERT_BLOB> blobs;
    for (std::vector<unsigned char>& der : further)
        blobs.push_back({der.data(), static_cast<uint32_t>(der.size())});
    const bool attach = args.has("attach");
    CSignMessage::setCAdES_Level(cades);
    if (level != VN_CADES_LEVEL_NONE)
        CSignMessage::setCAdES_LevelName(levelName.c_str());
    CSignMessage::setCAdES_CaFile(args.get("ca-file"));
    CSignMessage::setTSUrl(tsa);
    if (timeout > 0)
        http_set_default_timeout_ms(timeout * kMillisecondsPerSecond);

    const long long size = fileSize(in);
    const bool progress = size >= kProgressBytes && !Output::json;
    if (progress)
        fprintf(stderr, "signing '%s' (%.1f MiB, %s)%s...\n", in.c_str(), static_cast<double>(size) / (1 << 20),
                attach ? "with the content" : "detached", tsa.empty() ? "" : " and asking for a timestamp");
    const auto start = std::chrono::steady_clock::now();
    int32_t rc;
    {
        LibraryOutputToStderr quiet;
        std::string inPath = in, outPath = out;
        rc = CSignMessage::SignDetachedEnveloped(&inPath[0], &outPath[0], cert.get(), key.key, algo->nAlgoID,
                                                 blobs.empty() ? nullptr : blobs.data(), static_cast<int>(blobs.size()),
                                                 attach);
    }
    CSignMessage::setTSUrl("");
    CSignMessage::setCAdES_Level(0);
    if (rc == TS_ERROR_HTTP || rc == TS_ERROR_RESPONSE) {
        JsonObject extra;
        extra.str("timestampReason", timestampReasonName(TimeStampFailureReason()));
        return Output::fail(EXIT_FAILED, codeText(rc) + " (" + std::to_string(rc) + "): " + TimeStampFailureText(),
                            extra);
    }
    if (rc != 0) {
        const std::string message = codeText(rc) + " (" + std::to_string(rc) + ")";
        return p12 ? Output::fail(EXIT_FAILED, message) : cardFailure(reader, EXIT_FAILED, message);
    }
    if (format == "pem" && !rewriteAsPem(out))
        return EXIT_FAILED;
    if (progress)
        fprintf(stderr, "signed in %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

    const long long written = fileSize(out);
    if (Output::json) {
        JsonObject json;
        json.str("in", in).str("out", out).num("bytes", written).str("mode", attach ? "attached" : "detached");
        json.str("algo", algo->name).num("cades", cades).boolean("timestamp", !tsa.empty());
        if (level != VN_CADES_LEVEL_NONE)
            json.str("level", levelName);
        json.str("key", p12 ? "pkcs12" : "card");
        if (!p12)
            json.str("reader", reader.name).num("cert", certIndex);
        Output::result(json);
    } else {
        const std::string levelText =
            level != VN_CADES_LEVEL_NONE ? "CAdES " + levelName : "CAdES level " + std::to_string(cades);
        printf("%s: %s signed data, %lld bytes (%s, %s%s)\n", out.c_str(), attach ? "attached" : "detached", written,
               algo->name, levelText.c_str(), tsa.empty() ? "" : ", timestamped");
    }
    return EXIT_OK;
}

const char* signDocDetails() {
    return "Signs FILE as PKCS#7/CMS signed data with CAdES signed attributes (content type,\n"
           "signing time, message digest, signing certificate v2) with the key of a card\n"
           "certificate or of a PKCS#12 file. Detached unless --attach; with --tsa the signature\n"
           "gets an RFC 3161 timestamp. The PIN or PKCS#12 password comes from --pin-from.\n"
           "CAdES level 1 leaves out the signing time, 5 the signing certificate. --level names a\n"
           "baseline level instead: B-B, B-T (timestamped), B-LT (with the chains' certificates,\n"
           "CRLs and OCSP responses), B-LTA (with an archive timestamp).\n";
}

const std::vector<OptionSpec>& signDocOptions() {
    static const std::vector<OptionSpec> options = {
        {"in", "FILE", "the document to sign"},
        {"out", "FILE", "the signed data (default FILE.p7s)"},
        {"reader", "N|NAME", "reader index or name (default: the first reader with a card)"},
        {"cert", "INDEX", "certificate index as listed by 'vncard certs' (default 0)"},
        {"p12", "FILE", "sign with the key of this PKCS#12 file instead of a card"},
        {"attach", nullptr, "put the document into the signed data (default: detached)"},
        {"algo", "ALGO", "sha1, sha256 (default), sha384, sha512, ripemd160 or md5"},
        {"cades", "LEVEL", "CAdES level: 0 (default) all attributes, 1 no signing time, 5 no signing certificate"},
        {"level", "NAME", "CAdES baseline level: B-B, B-T, B-LT or B-LTA (B-T and above need --tsa)"},
        {"ca-file", "FILE", "PEM file of issuer certificates for the chains of B-LT and B-LTA"},
        {"tsa", "URL", "timestamp service address (http://... or https://...)"},
        {"timeout", "SECONDS", "time limit of the timestamp exchange (default 60)"},
        {"chain", "FILE", "further certificates to include (PEM or DER)"},
        {"format", "der|pem", "output format (default der)"},
        {"pin-from", "SOURCE", "prompt, stdin or pinpad (PKCS#12: prompt or stdin)"},
        {"json", nullptr, "print one JSON object on standard output"},
        {"help", nullptr, "show this help"},
        {"log", "FILE", "write the library's log to FILE (default: no log)"},
        {"log-level", "N", "log level 1 to 9 with --log (default 5)"},
    };
    return options;
}
