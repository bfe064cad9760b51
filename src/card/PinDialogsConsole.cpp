// Console dialogs: prompts on standard output, answers from standard input.
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>

#include "ConsoleDialogs.h"

namespace {
// Reads one whitespace-delimited word; keeps at most maxKeep characters and drops the
// rest of the word. False when input ended before any character.
bool readWord(std::string& word, size_t maxKeep) {
    word.clear();
    int c;
    do {
        c = getc(stdin);
    } while (c != EOF && isspace(c));
    if (c == EOF)
        return false;
    while (c != EOF && !isspace(c)) {
        if (word.size() < maxKeep)
            word.push_back(static_cast<char>(c));
        c = getc(stdin);
    }
    return true;
}

// Turns terminal echo off while a PIN is typed on a terminal.
class NoEcho {
public:
    NoEcho() : m_active(isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &m_saved) == 0) {
        if (m_active) {
            termios quiet = m_saved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
        }
    }
    ~NoEcho() {
        if (m_active)
            tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
    }

private:
    termios m_saved{};
    bool m_active;
};
}  // namespace

CDlgBase::~CDlgBase() = default;

CDlgInputPin::CDlgInputPin(void* parent) : m_parent(parent) {}

CDlgInputPin::~CDlgInputPin() {
    for (auto& c : m_pin)
        c = '\0';
}

void CDlgInputPin::SetText(const char* text) { m_text = text ? text : ""; }

bool CDlgInputPin::ShowModal() {
    printf("%s: \n", m_text.c_str());
    fflush(stdout);
    NoEcho quiet;
    return readWord(m_pin, 31);
}

CDlgPinCardreader::CDlgPinCardreader() : m_visible(false) {}

void CDlgPinCardreader::SetText(const char* text) { m_text = text ? text : ""; }
void CDlgPinCardreader::SetReader(const char* reader) { m_reader = reader ? reader : ""; }

void CDlgPinCardreader::Show() { Show(true); }

void CDlgPinCardreader::Show(bool show) {
    m_visible = show;
    if (show) {
        printf("%s\n", m_text.c_str());
        fflush(stdout);
    }
}

void CDlgPinCardreader::Update() {}
bool CDlgPinCardreader::PollPin(char) { return true; }
void CDlgPinCardreader::Destroy() { m_visible = false; }

CMessageBox::CMessageBox(const char* text, const char* caption) : m_value(0) {
    printf("[%s] %s\n", caption ? caption : "", text ? text : "");
    fflush(stdout);
}

CMessageBox::CMessageBox(const char* text, const char* caption, int type) : CMessageBox(text, caption) {
    if (type != 4)
        return;
    printf("\t[O]K, [C]ancel: ");
    fflush(stdout);
    int c;
    do {
        c = getc(stdin);
    } while (c != EOF && isspace(c));
    switch (c) {
    case 'O':
    case 'o': m_value = 0; break;
    case 'C':
    case 'c': m_value = 1; break;
    case 'Y':
    case 'y': m_value = 2; break;
    case 'N':
    case 'n': m_value = 3; break;
    default: m_value = 0; break;
    }
}
