// vncard: the library's command-line tool.
#include <cstdio>
#include <cstring>
#include <string>

#include "ConfigSC.h"
#include "VornCryptoSLL.h"

namespace {

int usage(FILE* out) {
    fprintf(out,
            "usage: vncard COMMAND [OPTIONS]\n"
            "commands:\n"
            "  version   print the version of the loaded library\n"
            "  config    read settings.cfg from the working directory and print the settings\n");
    return out == stdout ? 0 : 2;
}

int cmdConfig() {
    gConfigSC.readLMConfigSC();
    const ConfigSC& c = gConfigSC;
    printf("language         = %d\n", c.language);
    printf("logEnabled       = %s\n", c.logEnabled ? "true" : "false");
    printf("logLevel         = %d\n", c.logLevel);
    printf("logFile          = %s\n", c.logFile.c_str());
    printf("hideUnusedCerts  = %s\n", c.hideUnusedCerts ? "true" : "false");
    printf("keyboardPIN      = %s\n", c.keyboardPIN ? "true" : "false");
    printf("pinDialogEnabled = %s\n", c.pinDialogEnabled ? "true" : "false");
    printf("maxReadChunk     = %u\n", c.maxReadChunk);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage(stderr);
    std::string cmd = argv[1];
    if (cmd == "--help" || cmd == "-h" || cmd == "help")
        return usage(stdout);
    if (cmd == "version") {
        printf("libvorncryptossl %s\n", vorncryptossl_version());
        return 0;
    }
    if (cmd == "config")
        return cmdConfig();
    fprintf(stderr, "vncard: unknown command '%s'\n", cmd.c_str());
    return usage(stderr);
}
