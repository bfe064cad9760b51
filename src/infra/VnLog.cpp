// The card side's file log. The file is opened and closed for every message so that
// other processes may rotate or delete it between messages.
#include "vn_log.h"

#include <cstdarg>
#include <iomanip>
#include <locale>
#include <mutex>
#include <sstream>
#include <stdexcept>

#include "ConfigSC.h"

FILE* m_file = nullptr;
bool m_started = false;
bool m_exiting = false;
int m_readerId = 0;
std::string m_cardname;

namespace {

// Held while one message is written, so that two threads logging at once cannot
// share or double-close the file handle.
std::mutex& logMutex() {
    static std::mutex m;
    return m;
}

bool shouldLog(int level) { return gConfigSC.logEnabled && level <= gConfigSC.logLevel && !m_exiting; }

// Opens the file for this message; false when the message is to be dropped.
bool openForMessage() {
    if (!m_started) {
        m_file = nullptr;
        m_started = true;
        InitLogfile();
    } else if (m_file == nullptr) {
        InitLogfile();
    }
    return m_file != nullptr;
}

void closeAfterMessage() {
    if (m_file) {
        fflush(m_file);
        fclose(m_file);
        m_file = nullptr;
    }
}

// Date and time of the line prefix; throws std::runtime_error when formatting fails.
std::string timestamp() { return getDateTimeStr(); }

struct CodeName {
    unsigned int code;
    const char* name;
};

const CodeName kCodeNames[] = {
    {0, "no Errors"},
    {6, "CSC_Profile_Base::SC_CMD_COUNTERFAILED"},
    {14, "CSC_Profile_Base::SC_CMD_AUTH_FAILED"},
    {80, "ERROR_FILE_EXISTS"},
    {145, "ERROR_DIR_NOT_EMPTY"},
    {255, "CSC_Profile_Base::SC_CMD_FAILED"},
    {1306, "ERROR_REVISION_MISMATCH"},
    {0x80100003, "SCARD_E_INVALID_HANDLE"},
    {0x80100004, "SCARD_E_INVALID_PARAMETER"},
    {0x80100006, "SCARD_E_NO_MEMORY"},
    {0x80100008, "SCARD_E_INSUFFICIENT_BUFFER"},
    {0x8010000D, "SCARD_E_UNKNOWN_CARD"},
    {0x8010001F, "SCARD_E_UNEXPECTED"},
    {0x80100023, "SCARD_E_DIR_NOT_FOUND"},
    {0x80100024, "SCARD_E_FILE_NOT_FOUND"},
    {0x80100028, "SCARD_E_WRITE_TOO_MANY"},
    {0x80100030, "SCARD_E_NO_KEY_CONTAINER"},
    {0x8010006A, "SCARD_W_SECURITY_VIOLATION"},
    {0x8010006B, "SCARD_W_WRONG_CHV"},
    {0x8010006C, "SCARD_W_CHV_BLOCKED"},
};

const char* codeName(unsigned int code) {
    for (const auto& row : kCodeNames)
        if (row.code == code)
            return row.name;
    return "unknown";
}

}  // namespace

void InitLogfile() {
    if (!gConfigSC.logEnabled || gConfigSC.logFile.empty())
        return;
    m_file = fopen(gConfigSC.logFile.c_str(), "at+");
    if (m_file)
        fseek(m_file, 0, SEEK_END);
}

namespace {

// Writes one message: checks the settings, takes the date once, opens the file,
// lets body write the text after the prefix is known, and closes the file again.
template <typename Body>
void writeMessage(int level, Body body) {
    if (!shouldLog(level))
        return;
    try {
        std::string when = timestamp();
        std::lock_guard<std::mutex> lock(logMutex());
        if (!openForMessage())
            return;
        body(m_file, when.c_str(), m_cardname.c_str());
        closeAfterMessage();
    } catch (...) {
        // a date that cannot be formatted drops the message
    }
}

}  // namespace

void vn_log(int level, const char* format, ...) {
    if (format == nullptr)
        return;
    va_list args;
    va_start(args, format);
    writeMessage(level, [&](FILE* f, const char* when, const char* card) {
        fprintf(f, "%s - %s (%d) : ", when, card, m_readerId);
        vfprintf(f, format, args);
    });
    va_end(args);
}

void vn_log_buffer(int level, const char* label, unsigned char* data, unsigned int length) {
    writeMessage(level, [&](FILE* f, const char* when, const char* card) {
        if (label != nullptr && label[0] != '\0')
            fprintf(f, "%s - %s (%d) : %s:\n", when, card, m_readerId, label);
        else
            fprintf(f, "%s - %s (%d) :\n", when, card, m_readerId);
        if (data != nullptr && length > 0) {
            fprintf(f, "%s - %s (%d) : ", when, card, m_readerId);
            for (unsigned int i = 0; i < length; ++i) {
                fprintf(f, "%02x", data[i]);
                if ((i + 1) % 16 == 0)
                    fprintf(f, "\n%s - %s (%d) : ", when, card, m_readerId);
                else if (i + 1 < length)
                    fputc(':', f);
            }
        }
        fputc('\n', f);
    });
}

unsigned int vn_log_dw_return(const char* function, unsigned int code) {
    vn_log(1, "-->leaving %s (0x%016X)(%s)\n", function ? function : "", code, codeName(code));
    return code;
}

void vn_log_updateReaderId(int readerId) { m_readerId = readerId; }

void vn_log_updateCardName(std::string name) {
    static const std::string kPrefix = "Quorvel VN - ";
    if (name.compare(0, kPrefix.size(), kPrefix) == 0)
        name.erase(0, kPrefix.size());
    m_cardname = name;
}

void formatDateTime(std::ostream& out, const tm& time, const char* pattern) {
    out << std::put_time(&time, pattern);
    if (out.fail())
        throw std::runtime_error("failure to format date time");
}

std::string dateTimeToString(const tm& time, const char* pattern) {
    std::ostringstream out;
    formatDateTime(out, time, pattern);
    return out.str();
}

tm now() {
    time_t t = time(nullptr);
    tm local{};
    localtime_r(&t, &local);
    return local;
}

std::string getDateTimeStr() { return dateTimeToString(now(), "%Y-%m-%d %H:%M:%S"); }
