// tinyproxy as a real HTTP proxy of the tests: in the foreground on a free port of
// 127.0.0.1 with a temporary configuration, logging every request line, for the life of
// the object.
#ifndef VN_TESTS_INFRA_TINY_PROXY_H
#define VN_TESTS_INFRA_TINY_PROXY_H

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "HttpTestServer.h"
#include "support/TempDir.h"

class TinyProxy {
public:
    TinyProxy() {
        const char* candidates[] = {"/usr/bin/tinyproxy", "/usr/sbin/tinyproxy"};
        for (const char* c : candidates)
            if (access(c, X_OK) == 0)
                binary_ = c;
        if (binary_.empty())
            return;
        port_ = freeLoopbackPort();
        dir_.write("tinyproxy.conf", "Port " + std::to_string(port_) +
                                         "\nListen 127.0.0.1\nTimeout 30\nMaxClients 8\nAllow 127.0.0.1\n"
                                         "DisableViaHeader Yes\nLogLevel Info\nLogFile \"" +
                                         dir_.file("tinyproxy.log") + "\"\n");
        pid_ = fork();
        if (pid_ == 0) {
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            execl(binary_.c_str(), binary_.c_str(), "-d", "-c", dir_.file("tinyproxy.conf").c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        // Ready when it accepts connections (at most 20 seconds: the machine may be busy).
        for (int i = 0; i < 400 && !ready_; ++i) {
            ready_ = acceptsOnLoopback(port_);
            if (!ready_)
                sleepMs(50);
        }
    }
    ~TinyProxy() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool present() const { return !binary_.empty(); }
    bool ready() const { return ready_; }
    unsigned port() const { return port_; }
    std::string address() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    std::string log() const { return readFile(dir_.file("tinyproxy.log")); }

private:
    TempDir dir_;
    std::string binary_;
    unsigned port_ = 0;
    pid_t pid_ = -1;
    bool ready_ = false;
};

#endif
