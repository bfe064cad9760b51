#include "PinInput.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "PinInterface.h"
#include "SCUtils.h"

namespace {

const size_t kMaxPin = 64;
std::string g_lastMessage;

void chomp(std::string& s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
}

bool dialogCallback(FPINDialogCallBackParams* p) {
    if (p == nullptr)
        return false;
    switch (p->action) {
    case PIN_DLG_SHOW:
        if (p->pinPad) {
            fprintf(stderr, "%s\n", p->text.c_str());
            return true;
        }
        return readPinNoEcho(p->text + " ", p->pin);
    case PIN_DLG_KEY: fputc(p->keyEvent == 0 ? '*' : '<', stderr); return true;
    case PIN_DLG_CLOSE: return true;
    case PIN_DLG_PIN_MISSING: return false;
    case PIN_DLG_TEXT: fprintf(stderr, "%s\n", p->text.c_str()); return true;
    case PIN_DLG_MESSAGE:
        // The command tells the outcome once, from the card's answer.
        g_lastMessage = p->text;
        return false;  // no further attempt
    default: return false;
    }
}

}  // namespace

bool pinSourceFromName(const std::string& name, PinSource& out) {
    if (name.empty())
        out = isatty(STDIN_FILENO) ? PinSource::Prompt : PinSource::Stdin;
    else if (name == "prompt")
        out = PinSource::Prompt;
    else if (name == "stdin")
        out = PinSource::Stdin;
    else if (name == "pinpad")
        out = PinSource::PinPad;
    else
        return false;
    return true;
}

bool readPinNoEcho(const std::string& prompt, std::string& pin) {
    pin.clear();
    int fd = open("/dev/tty", O_RDWR | O_NOCTTY);
    if (fd < 0)
        return false;
    termios saved;
    bool haveTerm = tcgetattr(fd, &saved) == 0;
    if (haveTerm) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    if (write(fd, prompt.data(), prompt.size()) < 0) {
        // the prompt is a courtesy; reading still works
    }
    bool ended = false;
    char c;
    while (true) {
        ssize_t n = read(fd, &c, 1);
        if (n <= 0) {
            ended = true;
            break;
        }
        if (c == '\n' || c == '\r')
            break;
        if (pin.size() < kMaxPin)
            pin.push_back(c);
    }
    if (haveTerm)
        tcsetattr(fd, TCSAFLUSH, &saved);
    close(fd);
    c = 0;
    return !ended || !pin.empty();
}

bool readPinLine(std::string& pin) {
    pin.clear();
    int c;
    bool any = false;
    while ((c = getchar()) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (pin.size() < kMaxPin)
            pin.push_back(static_cast<char>(c));
    }
    chomp(pin);
    return any;
}

bool readPin(PinSource source, const std::string& prompt, std::string& pin) {
    if (source == PinSource::Prompt)
        return readPinNoEcho(prompt, pin);
    if (source == PinSource::Stdin)
        return readPinLine(pin);
    pin.clear();
    return true;
}

void wipe(std::string& s) {
    volatile char* p = s.empty() ? nullptr : &s[0];
    for (size_t i = 0; i < s.size(); ++i)
        p[i] = 0;
    s.clear();
}

void installPinDialogs() {
    CSCUtils::SetPINDialogCallbackFunc(dialogCallback);
    CSCUtils::SetUsePINDialogCallback(true);
}

const std::string& lastLibraryMessage() { return g_lastMessage; }

LibraryOutputToStderr::LibraryOutputToStderr() {
    fflush(stdout);
    m_saved = dup(STDOUT_FILENO);
    if (m_saved >= 0)
        dup2(STDERR_FILENO, STDOUT_FILENO);
}

LibraryOutputToStderr::~LibraryOutputToStderr() {
    fflush(stdout);
    if (m_saved >= 0) {
        dup2(m_saved, STDOUT_FILENO);
        close(m_saved);
    }
}
