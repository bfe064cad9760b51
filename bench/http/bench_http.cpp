// Receiving a 64 MiB body from a loopback server: http_request against curl, same server,
// same run. The figure is the ratio of the median times (http_request / curl).
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Http.h"

extern char** environ;

namespace {

const size_t kBodySize = 64u * 1024 * 1024;

// Serves the same answer to every connection, one connection at a time, until destroyed.
class LoopbackServer {
public:
    LoopbackServer()
        : answer_("HTTP/1.0 200 OK\r\nContent-Type: application/pkix-crl\r\nContent-Length: " +
                  std::to_string(kBodySize) + "\r\n\r\n") {
        answer_.resize(answer_.size() + kBodySize, '\x5a');
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 || listen(fd_, 8) != 0)
            std::abort();
        socklen_t len = sizeof(a);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~LoopbackServer() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/big.crl"; }

private:
    void run() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            std::string request;
            char buf[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                ssize_t n = recv(c, buf, sizeof(buf), 0);
                if (n <= 0)
                    break;
                request.append(buf, static_cast<size_t>(n));
            }
            for (size_t done = 0; done < answer_.size();) {
                ssize_t n = send(c, answer_.data() + done, answer_.size() - done, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                done += static_cast<size_t>(n);
            }
            close(c);
        }
    }

    std::string answer_;
    int fd_ = -1;
    unsigned port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// One download with the library, timed until the body is in the caller's hands (releasing
// it afterwards is the caller's later business); false when the body did not arrive whole.
bool withLibrary(const std::string& url, double& elapsed) {
    http_request_opts opts;
    auto t0 = std::chrono::steady_clock::now();
    http_response r = http_request(url.c_str(), &opts, HTTP_METHOD_GET, HTTP_FLAG_NO_PROXY);
    elapsed = seconds(t0, std::chrono::steady_clock::now());
    bool ok = r.error_text[0] == '\0' && r.body_length == kBodySize && r.body[kBodySize - 1] == 0x5a;
    benchmark::DoNotOptimize(r.body);
    std::free(r.body);
    std::free(r.header_copy);
    return ok;
}

// One download with curl as its own process, as a user would run it.
bool withCurl(const std::string& url, double& elapsed) {
    auto t0 = std::chrono::steady_clock::now();
    const char* argv[] = {"curl", "-s", "--noproxy", "*", "-o", "/dev/null", url.c_str(), nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    elapsed = seconds(t0, std::chrono::steady_clock::now());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_Receive64MiB(benchmark::State& state) {
    LoopbackServer server;
    const std::string url = server.url();
    std::vector<double> lib, curl;
    bool alternate = false;
    for (auto _ : state) {
        // Alternate the order so that neither side always finds the caches warm.
        for (int k = 0; k < 2; ++k) {
            bool library = (k == 0) != alternate;
            double elapsed = 0;
            bool ok = library ? withLibrary(url, elapsed) : withCurl(url, elapsed);
            if (!ok) {
                state.SkipWithError(library ? "http_request failed" : "curl failed");
                return;
            }
            (library ? lib : curl).push_back(elapsed);
        }
        alternate = !alternate;
    }
    state.counters["http_ms"] = median(lib) * 1000;
    state.counters["curl_ms"] = median(curl) * 1000;
    state.counters["ratio"] = median(curl) > 0 ? median(lib) / median(curl) : 0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 * static_cast<int64_t>(kBodySize));
}

BENCHMARK(BM_Receive64MiB)->Iterations(21)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
