// Finding the reader and opening the key of one certificate on its card.
#ifndef VNCARD_CARD_H
#define VNCARD_CARD_H

#include <memory>
#include <string>

#include "Args.h"

class CSCM_Interface;
class CSC_Profile_Base;

struct ReaderChoice {
    int index = -1;
    std::string name;
};

// --reader as an index or a reader name; without it the first reader holding a card.
// Returns an exit code (EXIT_OK on success) after printing any failure.
int chooseReader(const Args& args, ReaderChoice& out);

// Checks that the reader holds a recognised card; an exit code as above.
int checkCard(const ReaderChoice& reader);

struct OpenedKey {
    std::unique_ptr<CSCM_Interface> key;
    CSC_Profile_Base* card = nullptr;  // owned by key
    int certCount = 0;
    int certIndex = 0;
    OpenedKey();
    ~OpenedKey();
    OpenedKey(OpenedKey&&) = default;
};

// Reads the card's application and binds certificate certIndex to a key interface.
int openKey(const ReaderChoice& reader, int certIndex, OpenedKey& out);

// Outcome of a failed PIN operation told from the card's last answer; prints it.
int pinFailure(const OpenedKey& key, const ReaderChoice& reader, const char* what);

// Whether the card has left the reader (watched for a moment, as the service notices a
// removal only at its next poll).
bool cardTakenOut(const ReaderChoice& reader);

// A failed card operation: "no card" (exit 3) when the card has left the reader,
// else `code` with `message`. Prints it and returns the exit code.
int cardFailure(const ReaderChoice& reader, int code, const std::string& message);

// The PIN length limits of the opened key's PIN (what the card-OS object applies when
// the application does not say).
struct PinLimits {
    int minimum = 0, maximum = 0;
};
PinLimits pinLimits(const OpenedKey& key);
// Checks a PIN typed for the key before anything is sent: decimal digits within the
// limits; false with the reason in `problem`.
bool checkPin(const PinLimits& limits, const std::string& pin, std::string& problem);

// Name of a card type code ("Starcos 3.5"; "none", "not recognised").
std::string cardTypeName(int type);

#endif
