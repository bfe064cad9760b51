// Real network peers of the timestamp tests: the project's timestamp service and tinyproxy,
// each a child process on 127.0.0.1 that is stopped (and only it) when the test ends.
#ifndef VN_TESTS_TSP_SERVICES_H
#define VN_TESTS_TSP_SERVICES_H

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../../infra/HttpTestServer.h"
#include "../../infra/TestSupport.h"
#include "../../infra/TinyProxy.h"
#include "support/Command.h"

inline std::string pkiDir() { return std::string(VN_BINARY_DIR) + "/pki"; }

// A child process with its output in a file; SIGTERM and reaped on destruction.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::string& outputFile) {
        // Everything the child needs is prepared before fork: it only opens, dups and execs.
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            int fd = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            if (fd >= 0) {
                dup2(fd, 1);
                dup2(fd, 2);
            }
            execvp(args[0], args.data());
            _exit(127);
        }
    }
    ~ChildProcess() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        // Bounded: 5 s for an orderly stop, then SIGKILL.
        for (int i = 0; i < 100; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool running() {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_)
            pid_ = -1;  // ended (and reaped) on its own
        return pid_ > 0;
    }

private:
    pid_t pid_ = -1;
};

// tools/tsa/tsa-server.py on a free port; url(mode) addresses one of its behaviours.
class TsaService {
public:
    TsaService()
        : process_({"python3", std::string(VN_SOURCE_DIR) + "/tools/tsa/tsa-server.py", "--pki", pkiDir(),
                    "--port-file", dir_.file("port"), "--lifetime", "600"},
                   dir_.file("output")) {
        // Bounded wait for the port file (20 s: the machine may be busy).
        for (int i = 0; i < 400 && port_.empty() && process_.running(); ++i) {
            std::string text = readFile(dir_.file("port"));
            if (!text.empty() && text.back() == '\n')
                port_ = text.substr(0, text.size() - 1);
            else
                sleepMs(50);
        }
    }
    bool ready() const { return !port_.empty(); }
    std::string port() const { return port_; }
    std::string url(const std::string& mode = "") const { return "http://127.0.0.1:" + port_ + "/" + mode; }
    std::string output() const { return readFile(dir_.file("output")); }

private:
    TempDir dir_;
    std::string port_;
    ChildProcess process_;
};

// Sets an environment variable for one scope and restores what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        const char* old = getenv(name);
        had_ = old != nullptr;
        if (had_)
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

inline std::string toHex(const unsigned char* p, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

#endif
