// version, config and readers.
#include <cstdio>

#include "Card.h"
#include "Commands.h"
#include "ConfigSC.h"
#include "Output.h"
#include "PinInput.h"
#include "Reader.h"
#include "SCUtils.h"
#include "VornCryptoSLL.h"

int cmdVersion(Args&) {
    if (Output::json)
        Output::result(JsonObject().str("version", vorncryptossl_version()));
    else
        printf("libvorncryptossl %s\n", vorncryptossl_version());
    return EXIT_OK;
}

int cmdConfig(Args&) {
    {
        LibraryOutputToStderr quiet;
        gConfigSC.readLMConfigSC();
    }
    const ConfigSC& c = gConfigSC;
    if (Output::json) {
        Output::result(JsonObject()
                           .num("language", c.language)
                           .boolean("logEnabled", c.logEnabled)
                           .num("logLevel", c.logLevel)
                           .str("logFile", c.logFile)
                           .boolean("hideUnusedCerts", c.hideUnusedCerts)
                           .boolean("keyboardPIN", c.keyboardPIN)
                           .boolean("pinDialogEnabled", c.pinDialogEnabled)
                           .num("maxReadChunk", c.maxReadChunk));
        return EXIT_OK;
    }
    printf("language         = %d\n", c.language);
    printf("logEnabled       = %s\n", c.logEnabled ? "true" : "false");
    printf("logLevel         = %d\n", c.logLevel);
    printf("logFile          = %s\n", c.logFile.c_str());
    printf("hideUnusedCerts  = %s\n", c.hideUnusedCerts ? "true" : "false");
    printf("keyboardPIN      = %s\n", c.keyboardPIN ? "true" : "false");
    printf("pinDialogEnabled = %s\n", c.pinDialogEnabled ? "true" : "false");
    printf("maxReadChunk     = %u\n", c.maxReadChunk);
    return EXIT_OK;
}

int cmdReaders(Args&) {
    struct Row {
        int index;
        std::string name, atr;
        int cardType;
        bool pinPad;
    };
    std::vector<Row> rows;
    {
        LibraryOutputToStderr quiet;
        CSCUtils utils;
        int n = CSCUtils::GetNumReaders();
        CReader r;
        for (int i = 0; i < n; ++i) {
            Row row;
            row.index = i;
            row.name = utils.GetReaderName(i);
            row.atr = r.GetReaderATR(i);
            row.cardType = r.GetCardType(i);
            row.pinPad = r.hasPinPad(i);
            rows.push_back(row);
        }
    }
    if (rows.empty())
        return Output::fail(EXIT_NO_CARD, "no PC/SC reader found (is pcscd running?)");
    if (Output::json) {
        std::vector<std::string> items;
        for (const Row& row : rows) {
            JsonObject o;
            o.num("index", row.index).str("name", row.name).boolean("card", row.cardType >= 0);
            if (row.cardType >= 0)
                o.str("atr", row.atr).num("cardType", row.cardType).str("cardName", cardTypeName(row.cardType));
            o.boolean("pinPad", row.pinPad);
            items.push_back(o.text());
        }
        Output::result(JsonObject().raw("readers", jsonArray(items)));
    } else {
        for (const Row& row : rows) {
            printf("%d  %s\n", row.index, row.name.c_str());
            if (row.cardType < 0)
                printf("   card:    none\n");
            else
                printf("   card:    %s, ATR %s\n", cardTypeName(row.cardType).c_str(), row.atr.c_str());
            printf("   pin pad: %s\n", row.pinPad ? "yes" : "no");
        }
    }
    return EXIT_OK;
}
