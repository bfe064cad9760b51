// Signing a document as whole processes: `vncard sign-doc` with a PKCS#12 RSA-2048 key
// against `openssl cms -sign -binary` with the same key, on the same file in the same
// run, detached and attached. Each iteration runs both; the reported time is vncard's,
// and the counters give the ratio to OpenSSL's time and the peak memory of both.
// Files of 1 MiB and 64 MiB; 1 GiB too with VN_BENCH_1GIB=1, and 4.5 GiB with
// VN_BENCH_4GIB=1 (a sparse file, so the disk holds only the two signatures; OpenSSL signs
// that one attached with -stream, because it cannot hold content over 2 GiB in memory).
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ProcessBench.h"

namespace {

using namespace vn_bench;

// Files over 2 GiB: OpenSSL's content in memory has int lengths.
const long long kOpensslInMemoryLimit = 2LL << 30;
// From this size on the input is a sparse file.
const long long kSparseFrom = 4LL << 30;

std::string sparseFile(const std::string& prefix, long long bytes) {
    const std::string path = "/tmp/" + prefix + "-" + std::to_string(bytes) + ".sparse";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) {
        if (ftruncate(fd, static_cast<off_t>(bytes)) != 0)
            std::remove(path.c_str());
        close(fd);
    }
    return path;
}

void BM_SignDocument(benchmark::State& state) {
    const long long bytes = state.range(0) << 20;
    const bool attach = state.range(1) != 0;
    const std::string in =
        bytes >= kSparseFrom ? sparseFile("vn-bench-signdoc", bytes) : inputFile("vn-bench-signdoc", bytes);
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
    if (attach && bytes > kOpensslInMemoryLimit)
        openssl.push_back("-stream");
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
    compare(state, {openssl, vncard, pin, "openssl cms -sign failed", "vncard sign-doc failed"}, bytes);
    // The memory goal: 32 MiB whatever the size when detached, the file's size and 32 MiB attached.
    state.counters["limit_MiB"] = attach ? static_cast<double>(bytes) / kMiB + 32 : 32;
    std::remove(outOpenssl.c_str());
    std::remove(outVncard.c_str());
    std::remove(in.c_str());
}

void sizes(benchmark::internal::Benchmark* b) {
    std::vector<long long> mib = {1, 64};
    const char* big = std::getenv("VN_BENCH_1GIB");
    if (big != nullptr && big[0] == '1')
        mib.push_back(1024);
    const char* huge = std::getenv("VN_BENCH_4GIB");
    if (huge != nullptr && huge[0] == '1')
        mib.push_back(4608);
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
