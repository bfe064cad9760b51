// Whole-process measurements for the benchmarks that set `vncard` against `openssl`:
// a child run with its wall time and peak memory, input files of a given size, and the
// loop that runs both commands per iteration and reports vncard's time, the ratio to
// OpenSSL's time and the peak memory of both.
#ifndef VN_BENCH_PROCESS_BENCH_H
#define VN_BENCH_PROCESS_BENCH_H

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace vn_bench {

const std::string kBuild = VN_BINARY_DIR;
const std::string kPki = kBuild + "/pki";
const double kMiB = 1024.0 * 1024.0;

struct Run {
    double seconds = 0;
    double peakMiB = 0;
    bool ok = false;
};

// Runs argv with standard input from stdinPath (or /dev/null); wall time and peak memory.
inline Run runProcess(const std::vector<std::string>& argv, const std::string& stdinPath) {
    Run r;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(stdinPath.empty() ? "/dev/null" : stdinPath.c_str(), O_RDONLY);
        const int null = open("/dev/null", O_WRONLY);
        if (in >= 0)
            dup2(in, STDIN_FILENO);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

// A file of the given size with pseudo-random bytes, made once per run, named after the
// benchmark (prefix) and the size.
inline std::string inputFile(const std::string& prefix, long long bytes) {
    const std::string path = "/tmp/" + prefix + "-" + std::to_string(bytes) + ".bin";
    FILE* f = fopen(path.c_str(), "wb");
    std::vector<unsigned char> block(1 << 20);
    unsigned x = 12345;
    for (unsigned char& b : block)
        b = static_cast<unsigned char>((x = x * 1103515245u + 12345u) >> 16);
    for (long long done = 0; f != nullptr && done < bytes; done += static_cast<long long>(block.size())) {
        block[0] = static_cast<unsigned char>(done >> 20);
        fwrite(block.data(), 1, static_cast<size_t>(std::min<long long>(bytes - done, block.size())), f);
    }
    if (f != nullptr)
        fclose(f);
    return path;
}

// The two commands of one comparison; vncard reads its standard input from vncardStdin.
struct Comparison {
    std::vector<std::string> openssl;
    std::vector<std::string> vncard;
    std::string vncardStdin;
    const char* opensslFailed;
    const char* vncardFailed;
};

// Runs both commands once per iteration; the iteration time is vncard's, the counters
// give the ratio to OpenSSL's time, OpenSSL's time and the peak memory of both.
inline void compare(benchmark::State& state, const Comparison& c, long long bytes) {
    double opensslSeconds = 0, vncardSeconds = 0, opensslPeak = 0, vncardPeak = 0;
    for (auto _ : state) {
        const Run o = runProcess(c.openssl, "");
        const Run v = runProcess(c.vncard, c.vncardStdin);
        if (!o.ok || !v.ok) {
            state.SkipWithError(!o.ok ? c.opensslFailed : c.vncardFailed);
            break;
        }
        state.SetIterationTime(v.seconds);
        opensslSeconds += o.seconds;
        vncardSeconds += v.seconds;
        opensslPeak = std::max(opensslPeak, o.peakMiB);
        vncardPeak = std::max(vncardPeak, v.peakMiB);
    }
    state.counters["ratio"] = opensslSeconds > 0 ? vncardSeconds / opensslSeconds : 0;
    state.counters["openssl_ms"] = benchmark::Counter(opensslSeconds * 1000, benchmark::Counter::kAvgIterations);
    state.counters["vncard_peak_MiB"] = vncardPeak;
    state.counters["openssl_peak_MiB"] = opensslPeak;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
}

}  // namespace vn_bench

#endif
