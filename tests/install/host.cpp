// A host application that uses only the installed headers and library.
#include <cstdio>
#include <cstring>

#include "ConfigSC.h"
#include "VornCryptoSLL.h"
#include "vn_log.h"

int main() {
    CVornCryptoSLL root;
    if (strcmp(vorncryptossl_version(), "2.0.0") != 0)
        return 1;
    if (gConfigSC.logLevel != 9 || CMsg::m_iLanguage != 1)
        return 2;
    gConfigSC.logEnabled = false;
    vn_log(1, "not written\n");
    printf("%s %s\n", vorncryptossl_version(), CMsg::GetRessString(11));
    return 0;
}
