// Signing a document as whole processes: `vncard sign-doc` with a PKCS#12 RSA-2048 key
// against `openssl cms -sign -binary` with the same key, on the same file in the same
// run, detached and attached. Each iteration runs both; the reported time is vncard's,
// and the counters give the ratio to OpenSSL's time and the peak memory of both.
// Files of 1 MiB and 64 MiB; 1 GiB too with VN_BENCH_1GIB=1.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::string kBuild = VN_BINARY_DIR;
const std::string kPki = kBuild + "/pki";
const double kMiB = 1024.0 * 1024.0;

struct Run {
    double seconds = 0;
    double peakMiB = 0;
    bool ok = false;
};

// Runs argv with standard input from stdinPath (or /dev/null); wall time and peak memory.
Run runProcess(const std::vector<std::string>& argv, const std::string& stdinPath) {
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

// A file of the given size with pseudo-random bytes, made once per run.
std::string inputFile(long long bytes) {
    const std::string path = "/tmp/vn-bench-signdoc-" + std::to_string(bytes) + ".bin";
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

void BM_SignDocument(benchmark::State& state) {
    const long long bytes = state.range(0) << 20;
    const bool attach = state.range(1) != 0;
    const std::string in = inputFile(bytes);
    const std::string outOpenssl = in + ".openssl.p7s", outVncard = in + ".vncard.p7s";
    const std::string pin = "/tmp/vn-bench-signdoc.pin";
    if (FILE* f = fopen(pin.c_str(), "w")) {
        fputs("123456\n", f);
        fclose(f);
    }
    std::vector<std::string> openssl = {"openssl",  "cms",
                                        "-sign",    "-binary",
                                        "-in",      in,
                                        "-signer",  kPki + "/signer-rsa2048.pem",
                                        "-inkey",   kPki + "/signer-rsa2048.p12",
                                        "-keyform", "P12",
                                        "-passin",  "pass:123456",
                                        "-outform", "DER",
                                        "-out",     outOpenssl};
    if (attach)
        openssl.push_back("-nodetach");
    std::vector<std::string> vncard = {kBuild + "/tools/vncard/vncard",
                                       "sign-doc",
                                       "--p12",
                                       kPki + "/signer-rsa2048.p12",
                                       "--in",
                                       in,
                                       "--out",
                                       outVncard,
                                       "--pin-from",
                                       "stdin"};
    if (attach)
        vncard.push_back("--attach");
    double opensslSeconds = 0, vncardSeconds = 0, opensslPeak = 0, vncardPeak = 0;
    for (auto _ : state) {
        const Run o = runProcess(openssl, "");
        const Run v = runProcess(vncard, pin);
        if (!o.ok || !v.ok) {
            state.SkipWithError(!o.ok ? "openssl cms -sign failed" : "vncard sign-doc failed");
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
    // The memory goal: 32 MiB whatever the size when detached, the file's size and 32 MiB attached.
    state.counters["limit_MiB"] = attach ? static_cast<double>(bytes) / kMiB + 32 : 32;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
    std::remove(outOpenssl.c_str());
    std::remove(outVncard.c_str());
    std::remove(in.c_str());
}

void sizes(benchmark::internal::Benchmark* b) {
    std::vector<long long> mib = {1, 64};
    const char* big = std::getenv("VN_BENCH_1GIB");
    if (big != nullptr && big[0] == '1')
        mib.push_back(1024);
    for (long long m : mib)
        for (int attach : {0, 1})
            b->Args({m, attach});
}

}  // namespace

BENCHMARK(BM_SignDocument)
    ->Apply(sizes)
    ->ArgNames({"MiB", "attach"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

BENCHMARK_MAIN();
