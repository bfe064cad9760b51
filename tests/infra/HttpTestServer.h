// A real HTTP peer for the client tests: listens on a free port of 127.0.0.1, records every
// request byte for byte and answers each connection from a script given by the test.
#ifndef VN_TESTS_INFRA_HTTP_TEST_SERVER_H
#define VN_TESTS_INFRA_HTTP_TEST_SERVER_H

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Opens a listening socket on 127.0.0.1 with a port chosen by the system.
inline int listenLoopback(int backlog, unsigned* portOut) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 || listen(fd, backlog) != 0) {
        close(fd);
        return -1;
    }
    socklen_t len = sizeof(a);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    *portOut = ntohs(a.sin_port);
    return fd;
}

// A port that was free a moment ago (for programs that take the port in their configuration).
inline unsigned freeLoopbackPort() {
    unsigned port = 0;
    int fd = listenLoopback(1, &port);
    close(fd);
    return port;
}

inline bool sendText(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

inline void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// True when something takes a connection on 127.0.0.1:port now (peers the tests start
// are waited for with this, a bounded number of times).
inline bool acceptsOnLoopback(unsigned port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0;
    close(fd);
    return ok;
}

class HttpTestServer {
public:
    // Called once per connection with the socket and the request as received.
    using Script = std::function<void(HttpTestServer& server, int fd, const std::string& request)>;

    // readRequest false: the script gets the connection before anything was read.
    explicit HttpTestServer(Script script, bool readRequest = true)
        : script_(std::move(script)), readRequest_(readRequest) {
        fd_ = listenLoopback(16, &port_);
        if (pipe(stopPipe_) != 0)
            stopPipe_[0] = stopPipe_[1] = -1;
        thread_ = std::thread([this] { run(); });
    }

    ~HttpTestServer() {
        stop_ = true;
        if (stopPipe_[1] >= 0 && write(stopPipe_[1], "x", 1) < 0) {
        }
        thread_.join();
        close(fd_);
        close(stopPipe_[0]);
        close(stopPipe_[1]);
    }

    unsigned port() const { return port_; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }

    std::vector<std::string> requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

    // Waits until the server is being stopped or ms have passed; true when stopping.
    bool waitForStop(int ms) {
        pollfd p{stopPipe_[0], POLLIN, 0};
        return poll(&p, 1, ms) > 0 || stop_;
    }

private:
    void run() {
        // Bounded: at most 64 connections and 60 seconds per server.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (int served = 0; served < 64 && !stop_ && std::chrono::steady_clock::now() < deadline;) {
            pollfd p[2] = {{fd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
            if (poll(p, 2, 200) <= 0 || (p[1].revents & POLLIN))
                continue;
            int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            ++served;
            std::string request;
            if (readRequest_) {
                request = readRequest(c);
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(request);
            }
            script_(*this, c, request);
            close(c);
        }
    }

    // Reads the header block and as many body bytes as Content-Length announces,
    // giving up after 5 seconds of silence.
    static std::string readRequest(int c) {
        std::string in;
        size_t want = std::string::npos;
        char buf[65536];
        for (;;) {
            if (want == std::string::npos) {
                size_t end = in.find("\r\n\r\n");
                if (end != std::string::npos) {
                    want = end + 4;
                    std::string lower = in.substr(0, end);
                    for (char& ch : lower)
                        ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
                    size_t cl = lower.find("\r\ncontent-length:");
                    if (cl != std::string::npos)
                        want += std::stoul(lower.substr(cl + 17));
                }
            }
            if (want != std::string::npos && in.size() >= want)
                return in;
            pollfd p{c, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0)
                return in;
            ssize_t n = recv(c, buf, sizeof(buf), 0);
            if (n <= 0)
                return in;
            in.append(buf, static_cast<size_t>(n));
        }
    }

    Script script_;
    bool readRequest_;
    int fd_ = -1;
    unsigned port_ = 0;
    int stopPipe_[2] = {-1, -1};
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A script that sends one fixed answer.
inline HttpTestServer::Script answer(std::string text) {
    return [text](HttpTestServer&, int fd, const std::string&) { sendText(fd, text); };
}

#endif
