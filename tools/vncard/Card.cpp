#include "Card.h"

#include <unistd.h>

#include <cctype>

#include "CardObject.h"
#include "Output.h"
#include "PinInput.h"
#include "PinObj.h"
#include "Reader.h"
#include "SCM_Interface.h"
#include "SC_Profile.h"
#include "SC_Profile_Base.h"
#include "SC_Profile_CardOS.h"

namespace {
// How long a failure is watched for a card taken out: 8 polls 250 ms apart.
const int kRemovalPolls = 8;
const useconds_t kRemovalPollMicroseconds = 250000;
}  // namespace

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
            return Output::fail(EXIT_USAGE,
                                "no reader '" + v + "' (" + std::to_string(n) + " readers; see 'vncard readers')");
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
        return Output::fail(EXIT_UNKNOWN_CARD, "card in reader '" + reader.name + "' not recognised (ATR " +
                                                   r.GetReaderATR(reader.index) + ")");
    return EXIT_OK;
}

int openKey(const ReaderChoice& reader, int certIndex, OpenedKey& out) {
    int rc = checkCard(reader);
    if (rc != EXIT_OK)
        return rc;
    LibraryOutputToStderr quiet;
    CReader r;
    CSC_ProfileHandle profile(r.ReadSCProfile(reader.index));
    int count = profile ? profile->m_certCount : 0;
    if (count == 0) {
        profile.reset();
        if (cardTakenOut(reader))
            return Output::fail(EXIT_NO_CARD, "the card was taken out of reader '" + reader.name + "'");
        return Output::fail(EXIT_UNKNOWN_CARD, "no signature application found on the card in '" + reader.name + "'");
    }
    CSC_Profile_Base* card = r.GetBaseProfile();
    if (certIndex < 0 || certIndex >= count || profile->getCert(certIndex) == nullptr) {
        profile.reset();
        return Output::fail(EXIT_USAGE, "no certificate " + std::to_string(certIndex) + " on the card (it has " +
                                            std::to_string(count) + "; see 'vncard certs')");
    }
    out.key.reset(
        new CSCM_Interface(profile.release(), card, reader.index, certIndex, std::to_string(certIndex), myHinstDLL));
    out.card = card;
    out.certCount = count;
    out.certIndex = certIndex;
    return EXIT_OK;
}

int pinFailure(const OpenedKey& key, const ReaderChoice& reader, const char* what) {
    if (key.card == nullptr)
        return cardFailure(reader, EXIT_FAILED, std::string(what) + " failed");
    if (key.card->isPinEntryCancelled())
        return Output::fail(EXIT_CANCELLED, std::string(what) + ": PIN entry cancelled");
    uint32_t sw = key.card->getSW();
    unsigned sw1 = sw & 0xFF, sw2 = (sw >> 16) & 0xFF;
    if ((sw1 == 0x69 && (sw2 == 0x83 || sw2 == 0x84)) || (sw1 == 0x63 && sw2 == 0xC0))
        return Output::fail(EXIT_PIN_BLOCKED, std::string(what) + ": the PIN is blocked");
    if (sw1 == 0x63 && (sw2 & 0xF0) == 0xC0)
        return Output::fail(EXIT_WRONG_PIN, std::string(what) + ": wrong PIN (" + std::to_string(sw2 & 0x0F) +
                                                (sw2 == 0xC1 ? " try left)" : " tries left)"));
    // Some cards answer a wrong PIN without a counter.
    if (sw1 == 0x63 && sw2 == 0x00)
        return Output::fail(EXIT_WRONG_PIN, std::string(what) + ": wrong PIN");
    if (sw1 == 0x69 && sw2 == 0x85)
        return Output::fail(EXIT_WRONG_PIN, std::string(what) + ": the initial PIN is active; change it first");
    if (sw1 == 0x90 && sw2 == 0x00)
        return cardFailure(reader, EXIT_FAILED, std::string(what) + " failed before the card was asked");
    char text[80];
    snprintf(text, sizeof(text), "%s failed (card status %02X%02X)", what, sw1, sw2);
    return cardFailure(reader, EXIT_FAILED, text);
}

bool cardTakenOut(const ReaderChoice& reader) {
    LibraryOutputToStderr quiet;
    // The service notices a card pulled out a moment ago only at its next poll of the
    // reader: a failure is looked at for a while before it counts as the card's.
    for (int i = 0; i < kRemovalPolls; ++i) {
        if (CReader().GetCardType(reader.index) < 0)
            return true;
        usleep(kRemovalPollMicroseconds);
    }
    return false;
}

int cardFailure(const ReaderChoice& reader, int code, const std::string& message) {
    if (cardTakenOut(reader))
        return Output::fail(EXIT_NO_CARD, "the card was taken out of reader '" + reader.name + "'");
    return Output::fail(code, message);
}

PinLimits pinLimits(const OpenedKey& key) {
    PinLimits l;
    if (key.card != nullptr) {
        l.minimum = key.card->getMinPinLength();
        l.maximum = key.card->getMaxPinLength();
    }
    CSC_Profile* profile = key.key ? key.key->GetProfile() : nullptr;
    CCardObject* cert = profile != nullptr ? profile->getCert(key.certIndex) : nullptr;
    CPinObj* pin = cert != nullptr ? profile->GetPinObject(cert->m_pinPath, cert->m_pinRef) : nullptr;
    // The application's limits where it gives them: the shorter of the two minimums (a
    // STARCOS PIN may be changed to one digit less than the card's minimum) and the
    // shorter of the two maximums (the longest PIN the card-OS object can send).
    if (pin != nullptr && pin->m_minLength > 0 && pin->m_maxLength >= pin->m_minLength) {
        if (l.minimum == 0 || pin->m_minLength < l.minimum)
            l.minimum = pin->m_minLength;
        if (l.maximum == 0 || pin->m_maxLength < l.maximum)
            l.maximum = pin->m_maxLength;
    }
    return l;
}

bool checkPin(const PinLimits& limits, const std::string& pin, std::string& problem) {
    for (char c : pin) {
        if (!isdigit(static_cast<unsigned char>(c))) {
            problem = "the PIN must consist of decimal digits";
            return false;
        }
    }
    int n = static_cast<int>(pin.size());
    if (limits.minimum > 0 && limits.maximum >= limits.minimum && (n < limits.minimum || n > limits.maximum)) {
        problem =
            "the PIN must have " + std::to_string(limits.minimum) + " to " + std::to_string(limits.maximum) + " digits";
        return false;
    }
    return true;
}

std::string cardTypeName(int type) {
    if (type < 0)
        return "none";
    if (type == 0)
        return "not recognised";
    // The library's own names of the card operating systems.
    CSC_Profile_StarCos35 names;
    names.UpdateSCardType(type);
    return names.getCardName();
}
