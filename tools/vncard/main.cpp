// vncard: the library's command-line tool for people who run or support it.
#include <log4cxx/fileappender.h>
#include <log4cxx/logger.h>
#include <log4cxx/patternlayout.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Args.h"
#include "Commands.h"
#include "Output.h"
#include "PinInput.h"
#include "SCUtils.h"

namespace {

struct Command {
    const char* name;
    const char* summary;
    const char* details;
    std::vector<OptionSpec> options;
    int (*run)(Args&);
};

const OptionSpec kJson = {"json", nullptr, "print one JSON object on standard output"};
const OptionSpec kHelp = {"help", nullptr, "show this help"};
const OptionSpec kReader = {"reader", "N|NAME", "reader index or name (default: the first reader with a card)"};
const OptionSpec kCert = {"cert", "INDEX", "certificate index as listed by 'vncard certs' (default 0)"};
const OptionSpec kPinFrom = {"pin-from", "SOURCE",
                             "prompt (terminal, no echo), stdin (one line per PIN) or pinpad (default: prompt on a "
                             "terminal, else stdin)"};
const OptionSpec kLog = {"log", "FILE", "write the library's log to FILE (default: no log)"};
const OptionSpec kLogLevel = {"log-level", "N", "log level 1 to 9 with --log (default 5)"};
const OptionSpec kCardKey = {"card-key", "FILE", "the card's public key for secure messaging (TCOS 3.0; PEM or DER)"};

const std::vector<Command>& commands() {
    // clang-format off
    static const std::vector<Command> list = {
        {"version", "print the version of the loaded library", "", {kJson, kHelp}, cmdVersion},
        {"config", "read settings.cfg from the working directory and print the settings", "", {kJson, kHelp},
         cmdConfig},
        {"readers", "list the PC/SC readers with their cards",
         "For each reader: index, name, whether a card is in it, its ATR, the card type the library\n"
         "recognises (0 unknown) and whether the reader has a pin pad.\n",
         {kJson, kHelp, kLog, kLogLevel}, cmdReaders},
        {"certs", "list the certificates on the card",
         "For each certificate: index, label, subject, issuer, validity, key type and size, key usage.\n",
         {kReader, kJson, kHelp, kLog, kLogLevel}, cmdCerts},
        {"export", "write one certificate as DER or PEM",
         "",
         {kReader, kCert, {"format", "der|pem", "output format (default pem)"},
          {"out", "FILE", "output file (default: standard output)"}, kJson, kHelp, kLog, kLogLevel},
         cmdExport},
        {"verify-pin", "verify the PIN that guards a certificate's key",
         "The PIN is never taken from the command line. Exit codes: 0 verified, 5 wrong PIN,\n"
         "6 PIN blocked, 7 entry cancelled.\n",
         {kReader, kCert, kPinFrom, kJson, kHelp, kLog, kLogLevel}, cmdVerifyPin},
        {"change-pin", "change the PIN that guards a certificate's key",
         "With --pin-from stdin the first line is the current PIN and the second the new one;\n"
         "the prompt asks for the new PIN twice; with pinpad everything is typed on the reader.\n",
         {kReader, kCert, kPinFrom, kJson, kHelp, kLog, kLogLevel}, cmdChangePin},
        {"sign", "sign a file's hash or a given hash and write the bare signature",
         "The file is hashed here with ALGO; --hash gives the digest in hex instead. The signature\n"
         "(bare RSA value, ECDSA as r||s or DER) goes to --out, or as hex to standard output.\n"
         "RSA signatures use PKCS#1 v1.5 unless --allow-pss lets the card choose PSS. Every signature\n"
         "is checked with the certificate's public key, which also tells the padding the card used.\n",
         {kReader, kCert, {"file", "FILE", "file whose hash is signed"},
          {"hash", "HEX", "digest to sign (length must fit ALGO)"},
          {"algo", "ALGO", "sha1, sha256 (default), sha384, sha512, ripemd160 or md5"},
          {"out", "FILE", "write the signature bytes to FILE"}, {"allow-pss", nullptr, "let the card sign with PSS"},
          {"sig-format", "raw|der", "ECDSA signature as r||s (default) or DER"}, kCardKey, kPinFrom, kJson, kHelp,
          kLog, kLogLevel},
         cmdSign},
        {"decrypt", "decrypt one RSA block with a certificate's key",
         "The padding is removed and checked; a block that is not padded as said is an error.\n",
         {kReader, kCert, {"in", "FILE", "the encrypted block"}, {"out", "FILE", "write the plain bytes to FILE"},
          {"oaep", nullptr, "the block is OAEP padded (SHA-256, MGF1-SHA-256, no label; default PKCS#1 v1.5)"},
          kCardKey, kPinFrom, kJson, kHelp, kLog, kLogLevel},
         cmdDecrypt},
        {"show-cert", "show one certificate with every extension as text", "The certificate comes from the card (--cert, default 0) or from a PEM or DER file; a file\nmay also hold an attribute certificate, shown with its attributes.\n", {kReader, kCert, {"file", "FILE", "certificate or attribute certificate file (PEM or DER)"}, kJson, kHelp, kLog, kLogLevel}, cmdShowCert},
        {"show-sig", "describe a PKCS#7/CMS signature file (DER or PEM)", "", {{"in", "FILE", "the signature file"}, kJson, kHelp}, cmdShowSig},
        {"verify-doc", "verify a PKCS#7 signature with chain, validity model and revocation", verifyDocDetails(), verifyDocOptions(), cmdVerifyDoc},
        {"sign-doc", "sign a document as PKCS#7/CAdES signed data", signDocDetails(), signDocOptions(), cmdSignDoc},
        {"extend", "extend a CAdES signature to B-T, B-LT or B-LTA", extendDetails(), extendOptions(), cmdExtend},
    };
    // clang-format on
    return list;
}

int usage(FILE* out) {
    fprintf(out, "usage: vncard COMMAND [OPTIONS]\n       vncard COMMAND --help\ncommands:\n");
    for (const Command& c : commands())
        fprintf(out, "  %-11s %s\n", c.name, c.summary);
    fprintf(out,
            "exit codes: 0 success, 1 operation failed, 2 bad command line, 3 no reader or no card,\n"
            "            4 card not recognised, 5 wrong PIN, 6 PIN blocked, 7 PIN entry cancelled\n");
    return out == stdout ? EXIT_OK : EXIT_USAGE;
}

// The library's log4cxx loggers write to the log file with --log and are silent otherwise.
void setupLog4cxx(const std::string& file) {
    log4cxx::LoggerPtr root = log4cxx::Logger::getRootLogger();
    if (file.empty()) {
        root->setLevel(log4cxx::Level::getOff());
        return;
    }
    auto layout = std::make_shared<log4cxx::PatternLayout>("%d{ISO8601} %-5p %c - %m%n");
    root->addAppender(std::make_shared<log4cxx::FileAppender>(layout, file, true));
    root->setLevel(log4cxx::Level::getDebug());
}

// Whether the log file can be opened for appending (it is created when missing).
bool logUsable(const std::string& file) {
    if (file.empty()) {
        errno = ENOENT;
        return false;
    }
    FILE* f = fopen(file.c_str(), "a");
    if (f == nullptr)
        return false;
    fclose(f);
    return true;
}

void commandHelp(const Command& c) {
    printf("usage: vncard %s [OPTIONS]\n%s\n", c.name, c.summary);
    if (c.details[0] != '\0')
        printf("\n%s", c.details);
    printf("\noptions:\n");
    for (const OptionSpec& o : c.options) {
        std::string left = o.name[0] == '\0'
                               ? std::string(o.value)
                               : std::string("--") + o.name + (o.value ? std::string(" ") + o.value : std::string());
        printf("  %-20s %s\n", left.c_str(), o.help);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Output::init();
    // Failures of the command line itself are told as JSON too when it asks for JSON.
    for (int i = 1; i < argc; ++i)
        Output::json = Output::json || strcmp(argv[i], "--json") == 0;
    if (argc < 2)
        return Output::json ? Output::fail(EXIT_USAGE, "no command (see 'vncard --help')") : usage(stderr);
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help")
        return usage(stdout);
    const Command* cmd = nullptr;
    for (const Command& c : commands())
        if (name == c.name)
            cmd = &c;
    if (cmd == nullptr) {
        if (Output::json)
            return Output::fail(EXIT_USAGE, "unknown command '" + name + "' (see 'vncard --help')");
        fprintf(stderr, "vncard: unknown command '%s'\n", name.c_str());
        return usage(stderr);
    }
    Args args;
    if (!args.parse(argc, argv, 2, cmd->options))
        return Output::fail(EXIT_USAGE, args.error() + " (see 'vncard " + name + " --help')");
    if (args.has("help")) {
        commandHelp(*cmd);
        return EXIT_OK;
    }
    Output::json = args.has("json");

    // The library logs only when asked; its PIN dialogs go through the tool.
    int level = 5;
    if (!args.getInt("log-level", 1, 9, level))
        return Output::fail(EXIT_USAGE, args.error());
    std::string logFile = args.get("log");
    if (args.has("log") && !logUsable(logFile)) {
        fprintf(stderr, "vncard: warning: cannot write the log '%s': %s; going on without a log\n", logFile.c_str(),
                strerror(errno));
        logFile.clear();
    }
    if (!logFile.empty())
        CSCUtils::InitLogging(logFile, level);
    else
        CSCUtils::SetLogLevel(0);
    setupLog4cxx(logFile);
    CSCUtils::SetLanguage(0);
    installPinDialogs();
    return cmd->run(args);
}
