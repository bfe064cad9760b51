// verify-pin and change-pin.
#include <cstdio>
#include <string>

#include "Card.h"
#include "Commands.h"
#include "Output.h"
#include "PinInput.h"
#include "SCM_Interface.h"
#include "SCUtils.h"

namespace {

int commonSetup(Args& args, PinSource& source, ReaderChoice& reader, int& index) {
    index = 0;
    if (!args.getInt("cert", 0, CSCUtils::MAX_CERTS - 1, index))
        return Output::fail(EXIT_USAGE, args.error());
    if (!pinSourceFromName(args.get("pin-from"), source))
        return Output::fail(EXIT_USAGE, "--pin-from must be prompt, stdin or pinpad");
    return chooseReader(args, reader);
}

}  // namespace

// Verifies the PIN of the opened key with a PIN from source; EXIT_OK when verified.
int verifyOpenedKey(OpenedKey& key, const ReaderChoice& reader, PinSource source) {
    std::string pin;
    if (source != PinSource::PinPad) {
        if (!readPin(source, "PIN: ", pin) || pin.empty()) {
            wipe(pin);
            return Output::fail(EXIT_CANCELLED, "no PIN given");
        }
        std::string problem;
        if (!checkPin(pinLimits(key), pin, problem)) {
            wipe(pin);
            return Output::fail(EXIT_USAGE, problem);
        }
    }
    bool ok;
    {
        LibraryOutputToStderr quiet;
        ok = key.key->VerifyPIN(pin);
    }
    wipe(pin);
    return ok ? EXIT_OK : pinFailure(key, reader, "PIN verification");
}

int cmdVerifyPin(Args& args) {
    PinSource source;
    ReaderChoice reader;
    int index;
    int rc = commonSetup(args, source, reader, index);
    if (rc != EXIT_OK)
        return rc;
    OpenedKey key;
    rc = openKey(reader, index, key);
    if (rc == EXIT_OK)
        rc = verifyOpenedKey(key, reader, source);
    if (rc != EXIT_OK)
        return rc;
    if (Output::json)
        Output::result(JsonObject().str("reader", reader.name).num("cert", index).boolean("verified", true));
    else
        printf("PIN verified\n");
    return EXIT_OK;
}

int cmdChangePin(Args& args) {
    PinSource source;
    ReaderChoice reader;
    int index;
    int rc = commonSetup(args, source, reader, index);
    if (rc != EXIT_OK)
        return rc;
    std::string oldPin, newPin, again;
    if (source == PinSource::Stdin) {
        if (!readPinLine(oldPin) || !readPinLine(newPin) || oldPin.empty() || newPin.empty()) {
            wipe(oldPin);
            wipe(newPin);
            return Output::fail(EXIT_CANCELLED,
                                "standard input must hold the current PIN and the new PIN, one per line");
        }
    } else if (source == PinSource::Prompt) {
        bool ok = readPinNoEcho("current PIN: ", oldPin) && readPinNoEcho("new PIN: ", newPin) &&
                  readPinNoEcho("new PIN again: ", again) && !oldPin.empty() && !newPin.empty();
        bool same = newPin == again;
        wipe(again);
        if (!ok || !same) {
            wipe(oldPin);
            wipe(newPin);
            return Output::fail(EXIT_CANCELLED, ok ? "the new PINs differ" : "no PIN given");
        }
    }
    OpenedKey key;
    rc = openKey(reader, index, key);
    if (rc != EXIT_OK) {
        wipe(oldPin);
        wipe(newPin);
        return rc;
    }
    if (source != PinSource::PinPad) {
        std::string problem;
        const PinLimits limits = pinLimits(key);
        if (!checkPin(limits, oldPin, problem) || !checkPin(limits, newPin, problem)) {
            wipe(oldPin);
            wipe(newPin);
            return Output::fail(EXIT_USAGE, problem);
        }
    }
    bool ok;
    {
        LibraryOutputToStderr quiet;
        ok = key.key->ModifyPIN(oldPin, newPin);
    }
    wipe(oldPin);
    wipe(newPin);
    if (!ok)
        return pinFailure(key, reader, "PIN change");
    if (Output::json)
        Output::result(JsonObject().str("reader", reader.name).num("cert", index).boolean("changed", true));
    else
        printf("PIN changed\n");
    return EXIT_OK;
}
