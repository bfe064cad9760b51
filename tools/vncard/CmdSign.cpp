// sign and decrypt.
#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Card.h"
#include "Commands.h"
#include "MessageDigest.h"
#include "Output.h"
#include "PinInput.h"
#include "SCM_Interface.h"
#include "SCUtils.h"

int verifyOpenedKey(OpenedKey& key, PinSource source);

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
    return rc;
}

int deliver(Args& args, const char* what, const std::vector<unsigned char>& bytes, JsonObject json) {
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
    } else {
        fprintf(stderr, "%s: %zu bytes written to %s\n", what, bytes.size(), out.c_str());
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
    PinSource source;
    if (!pinSourceFromName(args.get("pin-from"), source))
        return Output::fail(EXIT_USAGE, "--pin-from must be prompt, stdin or pinpad");
    if (args.get("file") == "-" && source == PinSource::Stdin)
        return Output::fail(EXIT_USAGE, "standard input cannot carry both the file and the PIN");
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
    if (rc == EXIT_OK)
        rc = verifyOpenedKey(key, source);
    if (rc != EXIT_OK)
        return rc;
    std::vector<unsigned char> signature(1024);
    uint32_t length = static_cast<uint32_t>(signature.size());
    int32_t result;
    {
        LibraryOutputToStderr quiet;
        result = key.key->SignBlob(digest.data(), static_cast<int32_t>(digest.size()), signature.data(), &length,
                                   nullptr, algo->nAlgoID, true, !args.has("allow-pss"));
    }
    if (result != 0)
        return Output::fail(EXIT_FAILED, "the card did not sign");
    signature.resize(length);
    JsonObject json;
    json.str("reader", reader.name).num("cert", index).str("algo", algo->name).str("hash",
                                                                                    hexOf(digest.data(), digest.size()));
    return deliver(args, "signature", signature, json);
}

int cmdDecrypt(Args& args) {
    if (!args.has("in"))
        return Output::fail(EXIT_USAGE, "--in is required");
    std::string block;
    if (!readFile(args.get("in"), block))
        return EXIT_FAILED;
    if (block.empty() || block.size() > 512)
        return Output::fail(EXIT_USAGE, "the encrypted block must be 1 to 512 bytes");
    PinSource source;
    ReaderChoice reader;
    OpenedKey key;
    int index;
    int rc = keySetup(args, source, reader, key, index);
    if (rc == EXIT_OK)
        rc = verifyOpenedKey(key, source);
    if (rc != EXIT_OK)
        return rc;
    std::vector<unsigned char> in(block.begin(), block.end()), plain(1024);
    uint32_t length = static_cast<uint32_t>(plain.size());
    int32_t result;
    {
        LibraryOutputToStderr quiet;
        result = key.key->DecryptBlob(in.data(), static_cast<int32_t>(in.size()), plain.data(), &length, nullptr,
                                      args.has("oaep"));
    }
    if (result != 0)
        return Output::fail(EXIT_FAILED, "the card did not decrypt the block");
    plain.resize(length);
    JsonObject json;
    json.str("reader", reader.name).num("cert", index);
    return deliver(args, "plain", plain, json);
}
