// sign and decrypt.
#include <openssl/crypto.h>

#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Card.h"
#include "CardKey.h"
#include "CertInfoSC.h"
#include "Commands.h"
#include "MessageDigest.h"
#include "Output.h"
#include "PinInput.h"
#include "SCM_Interface.h"
#include "SCUtils.h"
#include "SC_Profile.h"
#include "SigCheck.h"

int verifyOpenedKey(OpenedKey& key, const ReaderChoice& reader, PinSource source);

namespace {

struct Algo {
    const char* name;
    int nAlgoID;
    unsigned digestLength;
};

// The library's signing identifiers.
const Algo kAlgos[] = {
    {"sha1", 0, 20}, {"sha256", 1, 32}, {"sha384", 2, 48}, {"sha512", 3, 64}, {"ripemd160", 4, 20}, {"md5", 5, 16},
};

const Algo* findAlgo(const std::string& name) {
    for (const Algo& a : kAlgos)
        if (name == a.name)
            return &a;
    return nullptr;
}

std::unique_ptr<IMessageDigest> digestFor(int nAlgoID) {
    switch (nAlgoID) {
    case 0: return std::make_unique<CSHA>(0);
    case 1: return std::make_unique<CSHA>(1);
    case 2: return std::make_unique<CSHA>(2);
    case 3: return std::make_unique<CSHA>(3);
    case 4: return std::make_unique<CRIPEMD>(1);
    default: return std::make_unique<CMD5>();
    }
}

bool hashFile(const std::string& path, const Algo& algo, std::vector<unsigned char>& digest) {
    std::string data;
    if (!readFile(path, data))
        return false;
    std::unique_ptr<IMessageDigest> md = digestFor(algo.nAlgoID);
    md->Reset();
    // AddData takes an int length: feed large files in pieces.
    const size_t step = 1u << 20;
    for (size_t pos = 0; pos < data.size(); pos += step)
        md->AddData(data.data() + pos, static_cast<int>(data.size() - pos < step ? data.size() - pos : step));
    digest.assign(algo.digestLength, 0);
    md->FinalDigest(reinterpret_cast<char*>(digest.data()));
    return true;
}

bool parseHex(const std::string& text, std::vector<unsigned char>& out) {
    std::string hex;
    for (char c : text)
        if (c != ':' && c != ' ')
            hex.push_back(c);
    if (hex.size() % 2 != 0)
        return false;
    out.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        if (!isxdigit(static_cast<unsigned char>(hex[i])) || !isxdigit(static_cast<unsigned char>(hex[i + 1])))
            return false;
        out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return true;
}

int keySetup(Args& args, PinSource& source, ReaderChoice& reader, OpenedKey& key, int& index) {
    index = 0;
    if (!args.getInt("cert", 0, CSCUtils::MAX_CERTS - 1, index))
        return Output::fail(EXIT_USAGE, args.error());
    if (!pinSourceFromName(args.get("pin-from"), source))
        return Output::fail(EXIT_USAGE, "--pin-from must be prompt, stdin or pinpad");
    int rc = chooseReader(args, reader);
    if (rc == EXIT_OK)
        rc = openKey(reader, index, key);
    // A card that signs under secure messaging needs its public key before the agreement.
    if (rc == EXIT_OK && args.has("card-key"))
        rc = giveCardKey(args.get("card-key"), key.card);
    return rc;
}

// The DER certificate of the opened key, read from the card; empty when unreadable.
std::vector<unsigned char> certificateOf(OpenedKey& key) {
    LibraryOutputToStderr quiet;
    CSC_Profile* profile = key.key->GetProfile();
    std::unique_ptr<CCertInfoSC> cert(profile != nullptr ? profile->readCert(key.certIndex) : nullptr);
    if (!cert || cert->getCertData() == nullptr)
        return std::vector<unsigned char>();
    return std::vector<unsigned char>(cert->getCertData(), cert->getCertData() + cert->getCertDataLen());
}

// The hash algorithms the card signs with, as text ("sha256 only").
std::string supportedAlgos(CSC_Profile* profile) {
    std::string names;
    for (const Algo& a : kAlgos)
        if (profile->isSupportedHashAlgo(a.nAlgoID))
            names += (names.empty() ? "" : ", ") + std::string(a.name);
    if (names.find(',') == std::string::npos)
        return names + " only";
    return names;
}

int deliver(Args& args, const char* what, const std::vector<unsigned char>& bytes, JsonObject json,
            const std::string& note) {
    std::string out = args.get("out");
    if (!out.empty() && !writeFile(out, bytes.data(), bytes.size()))
        return EXIT_FAILED;
    if (Output::json) {
        json.num("bytes", static_cast<long long>(bytes.size()));
        if (out.empty())
            json.str(what, hexOf(bytes.data(), bytes.size()));
        else
            json.str("out", out);
        Output::result(json);
    } else if (out.empty()) {
        printf("%s\n", hexOf(bytes.data(), bytes.size()).c_str());
        if (!note.empty())
            fprintf(stderr, "%s: %zu bytes, %s\n", what, bytes.size(), note.c_str());
    } else {
        fprintf(stderr, "%s: %zu bytes%s%s written to %s\n", what, bytes.size(), note.empty() ? "" : ", ", note.c_str(),
                out.c_str());
    }
    return EXIT_OK;
}

}  // namespace

int cmdSign(Args& args) {
    const Algo* algo = findAlgo(args.get("algo", "sha256"));
    if (algo == nullptr)
        return Output::fail(EXIT_USAGE, "unknown --algo '" + args.get("algo") + "'");
    if (args.has("file") == args.has("hash"))
        return Output::fail(EXIT_USAGE, "give either --file or --hash");
    std::string format = args.get("sig-format", "raw");
    if (format != "raw" && format != "der")
        return Output::fail(EXIT_USAGE, "--sig-format must be raw or der");
    PinSource source;
    if (!pinSourceFromName(args.get("pin-from"), source))
        return Output::fail(EXIT_USAGE, "--pin-from must be prompt, stdin or pinpad");
    if (args.get("file") == "-" && source == PinSource::Stdin)
        return Output::fail(EXIT_USAGE, "standard input cannot carry both the file and the PIN");
    if (!checkWritable(args.get("out")))
        return EXIT_FAILED;
    std::vector<unsigned char> digest;
    if (args.has("hash")) {
        if (!parseHex(args.get("hash"), digest))
            return Output::fail(EXIT_USAGE, "--hash must be hexadecimal");
        if (digest.size() != algo->digestLength)
            return Output::fail(EXIT_USAGE, std::string("--hash must be ") + std::to_string(algo->digestLength) +
                                                " bytes for " + algo->name);
    } else if (!hashFile(args.get("file"), *algo, digest)) {
        return EXIT_FAILED;
    }

    ReaderChoice reader;
    OpenedKey key;
    int index;
    int rc = keySetup(args, source, reader, key, index);
    if (rc != EXIT_OK)
        return rc;
    // What the card cannot do is told before the PIN is asked.
    CSC_Profile* profile = key.key->GetProfile();
    if (profile != nullptr && !profile->isSupportedHashAlgo(algo->nAlgoID))
        return Output::fail(EXIT_FAILED, "the card signs with " + supportedAlgos(profile));
    std::vector<unsigned char> certDer = certificateOf(key);
    EvpKeyPtr publicKey = publicKeyOf(certDer.data(), certDer.size());
    if (format == "der" && !isEcKey(publicKey.get()))
        return Output::fail(EXIT_USAGE, publicKey ? "--sig-format der is for ECDSA keys; this key is RSA"
                                                  : "--sig-format der needs the certificate, which cannot be read");
    rc = verifyOpenedKey(key, reader, source);
    if (rc != EXIT_OK)
        return rc;
    std::vector<unsigned char> signature(1024);
    uint32_t length = static_cast<uint32_t>(signature.size());
    int32_t result;
    const bool allowPss = args.has("allow-pss");
    {
        LibraryOutputToStderr quiet;
        result = key.key->SignBlob(digest.data(), static_cast<int32_t>(digest.size()), signature.data(), &length,
                                   nullptr, algo->nAlgoID, true, !allowPss);
    }
    if (result != 0)
        return cardFailure(reader, EXIT_FAILED, "the card did not sign");
    signature.resize(length);

    // The signature must verify with the certificate's key; that also tells its padding.
    Padding padding = Padding::None;
    if (publicKey) {
        padding = signatureScheme(publicKey.get(), algo->name, digest, signature);
        if (padding == Padding::None)
            return Output::fail(EXIT_FAILED,
                                "the card's signature does not verify with certificate " + std::to_string(index));
        if (padding == Padding::Pss && !allowPss)
            return Output::fail(EXIT_FAILED, "the card signed with RSA-PSS although PKCS#1 v1.5 was asked for");
    }
    if (format == "der") {
        std::vector<unsigned char> der;
        if (!ecdsaRawToDer(signature, der))
            return Output::fail(EXIT_FAILED, "the card's ECDSA signature cannot be encoded");
        signature.swap(der);
    }
    JsonObject json;
    json.str("reader", reader.name)
        .num("cert", index)
        .str("algo", algo->name)
        .str("hash", hexOf(digest.data(), digest.size()));
    json.str("padding", paddingName(padding));
    if (padding == Padding::Ecdsa)
        json.str("sigFormat", format);
    std::string note = paddingText(padding);
    if (padding == Padding::Ecdsa)
        note += format == "der" ? " (DER)" : " (r||s)";
    else if (padding == Padding::None)
        note = "not checked (certificate unreadable)";
    return deliver(args, "signature", signature, json, note);
}

int cmdDecrypt(Args& args) {
    if (!args.has("in"))
        return Output::fail(EXIT_USAGE, "--in is required");
    std::string block;
    if (!readFile(args.get("in"), block))
        return EXIT_FAILED;
    if (block.empty() || block.size() > 512)
        return Output::fail(EXIT_USAGE, "the encrypted block must be 1 to 512 bytes");
    if (!checkWritable(args.get("out")))
        return EXIT_FAILED;
    PinSource source;
    ReaderChoice reader;
    OpenedKey key;
    int index;
    int rc = keySetup(args, source, reader, key, index);
    if (rc == EXIT_OK)
        rc = verifyOpenedKey(key, reader, source);
    if (rc != EXIT_OK)
        return rc;
    const bool oaep = args.has("oaep");
    std::vector<unsigned char> in(block.begin(), block.end()), plain(1024);
    uint32_t length = static_cast<uint32_t>(plain.size());
    int32_t result;
    {
        LibraryOutputToStderr quiet;
        result = key.key->DecryptBlob(in.data(), static_cast<int32_t>(in.size()), plain.data(), &length, nullptr, oaep);
    }
    if (result != 0)
        return cardFailure(reader, EXIT_FAILED,
                           oaep ? "the card did not decrypt the block with OAEP (not every card offers it)"
                                : "the card did not decrypt the block");
    plain.resize(length);
    JsonObject json;
    json.str("reader", reader.name).num("cert", index).str("padding", oaep ? "oaep" : "pkcs1");
    int code = deliver(args, "plain", plain, json, oaep ? "OAEP" : "PKCS#1 v1.5");
    OPENSSL_cleanse(plain.data(), plain.size());
    return code;
}
