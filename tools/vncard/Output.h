// Results of a command as text for people or as one JSON object for scripts.
#ifndef VNCARD_OUTPUT_H
#define VNCARD_OUTPUT_H

#include <string>
#include <utility>
#include <vector>

// Exit codes of vncard.
enum ExitCode {
    EXIT_OK = 0,
    EXIT_FAILED = 1,        // the operation failed (card error, file error, bad signature)
    EXIT_USAGE = 2,         // bad command line
    EXIT_NO_CARD = 3,       // no PC/SC service, no reader, or no card in the reader
    EXIT_UNKNOWN_CARD = 4,  // the card is not recognised or has no usable application
    EXIT_WRONG_PIN = 5,     // the PIN was not accepted
    EXIT_PIN_BLOCKED = 6,   // the PIN is blocked
    EXIT_CANCELLED = 7,     // PIN entry cancelled or no PIN given
};

std::string jsonString(const std::string& s);
std::string hexOf(const unsigned char* data, size_t length);

// A flat JSON object built field by field; values are JSON text.
class JsonObject {
public:
    JsonObject& str(const std::string& key, const std::string& value);
    JsonObject& num(const std::string& key, long long value);
    JsonObject& boolean(const std::string& key, bool value);
    JsonObject& raw(const std::string& key, const std::string& json);
    // Appends the fields of other.
    JsonObject& merge(const JsonObject& other);
    std::string text() const;

private:
    std::vector<std::pair<std::string, std::string>> m_fields;
};

std::string jsonArray(const std::vector<std::string>& items);

// Global output settings.
struct Output {
    static bool json;
    // Keeps a handle on the real standard output, which the library's console output
    // is kept away from (see LibraryOutputToStderr); call once at start.
    static void init();
    // Prints a failure: text on stderr, or {"ok":false,...} on stdout with --json. Returns code.
    static int fail(int code, const std::string& message);
    // The same with further fields in the JSON object.
    static int fail(int code, const std::string& message, const JsonObject& extra);
    // Prints a JSON object (with "ok":true first) to stdout.
    static void result(const JsonObject& object);
};

#endif
