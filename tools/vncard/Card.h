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
    OpenedKey();
    ~OpenedKey();
    OpenedKey(OpenedKey&&) = default;
};

// Reads the card's application and binds certificate certIndex to a key interface.
int openKey(const ReaderChoice& reader, int certIndex, OpenedKey& out);

// Outcome of a failed PIN operation told from the card's last answer; prints it.
int pinFailure(const OpenedKey& key, const char* what);

#endif
