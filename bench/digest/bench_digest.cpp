// Throughput of the library's digests next to OpenSSL's EVP digests in the same run,
// on 16 KiB and 1 MiB buffers. After the runs a table gives library/OpenSSL ratios.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "MessageDigest.h"
#include "crypto/DigestCore.h"

namespace {

struct Algo {
    const char* name;
    const EVP_MD* (*evp)();
    std::unique_ptr<IMessageDigest> (*make)();
    bool portableSha;  // run the SHA-1/SHA-256 portable code instead of the SHA extensions
};

const Algo kAlgos[] = {
    {"SHA1", EVP_sha1, [] { return std::unique_ptr<IMessageDigest>(new CSHA(0)); }, false},
    {"SHA256", EVP_sha256, [] { return std::unique_ptr<IMessageDigest>(new CSHA(1)); }, false},
    {"SHA384", EVP_sha384, [] { return std::unique_ptr<IMessageDigest>(new CSHA(2)); }, false},
    {"SHA512", EVP_sha512, [] { return std::unique_ptr<IMessageDigest>(new CSHA(3)); }, false},
    {"MD5", EVP_md5, [] { return std::unique_ptr<IMessageDigest>(new CMD5()); }, false},
    {"RIPEMD160", EVP_ripemd160, [] { return std::unique_ptr<IMessageDigest>(new CRIPEMD(1)); }, false},
    {"SHA1-portable", EVP_sha1, [] { return std::unique_ptr<IMessageDigest>(new CSHA(0)); }, true},
    {"SHA256-portable", EVP_sha256, [] { return std::unique_ptr<IMessageDigest>(new CSHA(1)); }, true},
};

std::vector<unsigned char> buffer(size_t n) {
    std::vector<unsigned char> b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>(i * 131 + 7);
    return b;
}

// Bytes per second of each run, by "algo/size/side".
std::map<std::string, double>& rates() {
    static std::map<std::string, double> r;
    return r;
}

void BM_Library(benchmark::State& state, const Algo* a) {
    const size_t n = static_cast<size_t>(state.range(0));
    const auto data = buffer(n);
    vn_crypto::set_sha_extensions_allowed(!a->portableSha);
    auto d = a->make();
    char out[64];
    for (auto _ : state) {
        d->AddData(reinterpret_cast<const char*>(data.data()), static_cast<int>(n));
        d->FinalDigest(out);
        benchmark::DoNotOptimize(out);
    }
    vn_crypto::set_sha_extensions_allowed(true);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

void BM_OpenSSL(benchmark::State& state, const Algo* a) {
    const size_t n = static_cast<size_t>(state.range(0));
    const auto data = buffer(n);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    unsigned char out[64];
    unsigned int len = 0;
    for (auto _ : state) {
        EVP_DigestInit_ex(ctx, a->evp(), nullptr);
        EVP_DigestUpdate(ctx, data.data(), n);
        EVP_DigestFinal_ex(ctx, out, &len);
        benchmark::DoNotOptimize(out);
    }
    EVP_MD_CTX_free(ctx);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

// Collects bytes/second from the reports to print the ratio table at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs) {
            auto it = r.counters.find("bytes_per_second");
            if (it != r.counters.end() && r.run_type == Run::RT_Iteration)
                rates()[r.benchmark_name()] = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int64_t sizes[] = {16 * 1024, 1024 * 1024};
    for (const auto& a : kAlgos) {
        if (a.portableSha && !vn_crypto::sha_extensions_available())
            continue;
        for (int64_t s : sizes) {
            benchmark::RegisterBenchmark((std::string("OpenSSL/") + a.name).c_str(), BM_OpenSSL, &a)->Arg(s);
            benchmark::RegisterBenchmark((std::string("Library/") + a.name).c_str(), BM_Library, &a)->Arg(s);
        }
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nThroughput ratio library / OpenSSL (SHA extensions %s on this processor)\n",
                vn_crypto::sha_extensions_available() ? "present" : "absent");
    std::printf("%-18s %10s %10s\n", "digest", "16 KiB", "1 MiB");
    for (const auto& a : kAlgos) {
        std::printf("%-18s", a.name);
        for (int64_t s : sizes) {
            const std::string suffix = "/" + std::to_string(s);
            const auto lib = rates().find(std::string("Library/") + a.name + suffix);
            const auto ref = rates().find(std::string("OpenSSL/") + a.name + suffix);
            if (lib != rates().end() && ref != rates().end() && ref->second > 0)
                std::printf(" %10.3f", lib->second / ref->second);
            else
                std::printf(" %10s", "-");
        }
        std::printf("\n");
    }
    return 0;
}
