// Where PINs come from: a prompt without echo on the terminal, standard input, or the
// reader's pin pad. A PIN is never taken from the command line, where ps shows it.
#ifndef VNCARD_PININPUT_H
#define VNCARD_PININPUT_H

#include <string>

enum class PinSource { Prompt, Stdin, PinPad };

// "prompt", "stdin" or "pinpad"; an empty name picks prompt on a terminal, else stdin.
bool pinSourceFromName(const std::string& name, PinSource& out);

// Reads one PIN from the terminal without echo; false when there is no terminal or the
// user ended the input.
bool readPinNoEcho(const std::string& prompt, std::string& pin);
// Reads one line of standard input as a PIN (line end removed); false at end of input.
bool readPinLine(std::string& pin);
// Reads a PIN from the given source (not the pin pad).
bool readPin(PinSource source, const std::string& prompt, std::string& pin);

// Overwrites the characters before the string is released.
void wipe(std::string& s);

// Registers the tool's PIN dialog callback with the library: keyboard dialogs prompt on
// the terminal without echo, pin-pad dialogs and messages go to standard error.
void installPinDialogs();
// Last message the library showed through the callback (empty when none).
const std::string& lastLibraryMessage();

// While alive, the library's console output goes to standard error so that standard
// output carries only the tool's results.
class LibraryOutputToStderr {
public:
    LibraryOutputToStderr();
    ~LibraryOutputToStderr();
    LibraryOutputToStderr(const LibraryOutputToStderr&) = delete;
    LibraryOutputToStderr& operator=(const LibraryOutputToStderr&) = delete;

private:
    int m_saved;
};

#endif
