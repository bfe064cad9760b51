// Running a shell command from a test: its exit status and what it wrote to standard
// output and error together.
#ifndef VN_TESTS_SUPPORT_COMMAND_H
#define VN_TESTS_SUPPORT_COMMAND_H

#include <sys/wait.h>

#include <cstdio>
#include <string>

struct CommandResult {
    int status = -1;  // exit status; -1 when it did not start or did not exit
    std::string output;
};

inline CommandResult runCommand(const std::string& command) {
    CommandResult r;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr)
        return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), p)) > 0)
        r.output.append(buf, n);
    const int s = pclose(p);
    r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return r;
}

#endif
