#include "Card.h"

#include <cctype>

#include "Output.h"
#include "PinInput.h"
#include "Reader.h"
#include "SCM_Interface.h"
#include "SC_Profile.h"
#include "SC_Profile_Base.h"

OpenedKey::OpenedKey() = default;
OpenedKey::~OpenedKey() = default;

int chooseReader(const Args& args, ReaderChoice& out) {
    LibraryOutputToStderr quiet;
    CReader r;
    int n = r.GetReaderNum();
    if (n == 0)
        return Output::fail(EXIT_NO_CARD, "no PC/SC reader found (is pcscd running?)");
    if (args.has("reader")) {
        std::string v = args.get("reader");
        bool numeric = !v.empty();
        for (char c : v)
            numeric = numeric && isdigit(static_cast<unsigned char>(c));
        int index = numeric && v.size() < 4 ? std::stoi(v) : r.GetReaderIndex(v.c_str());
        if (index < 0 || index >= n)
            return Output::fail(EXIT_USAGE, "no reader '" + v + "' (" + std::to_string(n) + " readers; see 'vncard readers')");
        out.index = index;
        out.name = r.GetReaderName(index);
        return EXIT_OK;
    }
    for (int i = 0; i < n; ++i) {
        if (r.isCard(i)) {
            out.index = i;
            out.name = r.GetReaderName(i);
            return EXIT_OK;
        }
    }
    return Output::fail(EXIT_NO_CARD, "no card in any reader");
}

int checkCard(const ReaderChoice& reader) {
    LibraryOutputToStderr quiet;
    CReader r;
    int type = r.GetCardType(reader.index);
    if (type < 0)
        return Output::fail(EXIT_NO_CARD, "no card in reader '" + reader.name + "'");
    if (type == 0)
        return Output::fail(EXIT_UNKNOWN_CARD,
                            "card in reader '" + reader.name + "' not recognised (ATR " + r.GetReaderATR(reader.index) + ")");
    return EXIT_OK;
}

int openKey(const ReaderChoice& reader, int certIndex, OpenedKey& out) {
    int rc = checkCard(reader);
    if (rc != EXIT_OK)
        return rc;
    LibraryOutputToStderr quiet;
    CReader r;
    CSC_Profile* profile = r.ReadSCProfile(reader.index);
    int count = profile == nullptr ? 0 : profile->m_certCount;
    if (count == 0) {
        if (profile != nullptr) {
            profile->FreeProfile();
            delete profile;
        }
        // A card pulled out a moment ago may still be reported until the service polls.
        if (r.GetCardType(reader.index) < 0)
            return Output::fail(EXIT_NO_CARD, "no card in reader '" + reader.name + "'");
        return Output::fail(EXIT_UNKNOWN_CARD, "no signature application found on the card in '" + reader.name + "'");
    }
    CSC_Profile_Base* card = r.GetBaseProfile();
    if (certIndex < 0 || certIndex >= count || profile->getCert(certIndex) == nullptr) {
        profile->FreeProfile();
        delete profile;
        return Output::fail(EXIT_USAGE, "no certificate " + std::to_string(certIndex) + " on the card (it has " +
                                            std::to_string(count) + "; see 'vncard certs')");
    }
    out.key.reset(new CSCM_Interface(profile, card, reader.index, certIndex, std::to_string(certIndex), myHinstDLL));
    out.card = card;
    out.certCount = count;
    return EXIT_OK;
}

int pinFailure(const OpenedKey& key, const char* what) {
    if (key.card == nullptr)
        return Output::fail(EXIT_FAILED, std::string(what) + " failed");
    if (key.card->isPinEntryCancelled())
        return Output::fail(EXIT_CANCELLED, std::string(what) + ": PIN entry cancelled");
    uint32_t sw = key.card->getSW();
    unsigned sw1 = sw & 0xFF, sw2 = (sw >> 16) & 0xFF;
    if ((sw1 == 0x69 && (sw2 == 0x83 || sw2 == 0x84)) || (sw1 == 0x63 && sw2 == 0xC0))
        return Output::fail(EXIT_PIN_BLOCKED, std::string(what) + ": the PIN is blocked");
    if (sw1 == 0x63 && (sw2 & 0xF0) == 0xC0)
        return Output::fail(EXIT_WRONG_PIN, std::string(what) + ": wrong PIN (" + std::to_string(sw2 & 0x0F) +
                                                " tries left)");
    if (sw1 == 0x69 && sw2 == 0x85)
        return Output::fail(EXIT_WRONG_PIN, std::string(what) + ": the initial PIN is active; change it first");
    char text[64];
    snprintf(text, sizeof(text), "%s failed (card status %02X%02X)", what, sw1, sw2);
    return Output::fail(EXIT_FAILED, text);
}
