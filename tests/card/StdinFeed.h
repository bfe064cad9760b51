// Replaces standard input by a pipe that holds the given text, and captures standard
// output, for the console dialogs.
#ifndef VN_TESTS_CARD_STDINFEED_H
#define VN_TESTS_CARD_STDINFEED_H

#include <unistd.h>

#include <cstdio>
#include <string>

class StdinFeed {
public:
    explicit StdinFeed(const std::string& text) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        if (write(fds[1], text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            return;
        close(fds[1]);
        fflush(stdin);
        m_saved = dup(STDIN_FILENO);
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
        clearerr(stdin);
    }
    ~StdinFeed() {
        if (m_saved >= 0) {
            dup2(m_saved, STDIN_FILENO);
            close(m_saved);
        }
        clearerr(stdin);
    }

private:
    int m_saved = -1;
};

class StdoutCapture {
public:
    StdoutCapture() {
        fflush(stdout);
        m_file = tmpfile();
        m_saved = dup(STDOUT_FILENO);
        dup2(fileno(m_file), STDOUT_FILENO);
    }
    ~StdoutCapture() { restore(); }
    std::string text() {
        restore();
        std::string s;
        rewind(m_file);
        int c;
        while ((c = fgetc(m_file)) != EOF)
            s.push_back(static_cast<char>(c));
        return s;
    }

private:
    void restore() {
        if (m_saved >= 0) {
            fflush(stdout);
            dup2(m_saved, STDOUT_FILENO);
            close(m_saved);
            m_saved = -1;
        }
    }
    FILE* m_file = nullptr;
    int m_saved = -1;
};

#endif
