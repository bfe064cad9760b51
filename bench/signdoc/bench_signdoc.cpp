// Signing a document as whole processes: `vncard sign-doc` with a PKCS#12 RSA-2048 key
// against `openssl cms -sign -binary` with the same key, on the same file in the same
// run, detached and attached. Each iteration runs both; the reported time is vncard's,
// and the counters give the ratio to OpenSSL's time and the peak memory of both.
// Files of 1 MiB and 64 MiB; 1 GiB too with VN_BENCH_1GIB=1.
#include <cstdlib>
#include <string>
#include <vector>

#include "ProcessBench.h"

namespace {

using namespace vn_bench;

void BM_SignDocument(benchmark::State& state) {
    const long long bytes = state.range(0) << 20;
    const bool attach = state.range(1) != 0;
    const std::string in = inputFile("vn-bench-signdoc", bytes);
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
