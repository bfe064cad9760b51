// Verifying a document as whole processes: `vncard verify-doc` against `openssl cms -verify
// -binary` on the same detached signature (RSA-2048, made once with openssl) and the same
// content, checking the value and the chain against the test PKI's root, and the same for an
// attached signature. Each iteration
// runs both; the reported time is vncard's, the counters give the ratio to OpenSSL's time
// and the peak memory of both. Files of 1 MiB and 64 MiB; 1 GiB too with VN_BENCH_1GIB=1.
#include <cstdlib>
#include <string>
#include <vector>

#include "ProcessBench.h"

namespace {

using namespace vn_bench;

void BM_VerifyDocument(benchmark::State& state) {
    const long long bytes = state.range(0) << 20;
    const bool attach = state.range(1) != 0;
    const std::string in = inputFile("vn-bench-verifydoc", bytes);
    const std::string sig = in + (attach ? ".attached.p7s" : ".p7s");
    std::vector<std::string> sign = {"openssl",   "cms",
                                     "-sign",     "-binary",
                                     "-in",       in,
                                     "-signer",   kPki + "/signer-rsa2048.pem",
                                     "-inkey",    kPki + "/signer-rsa2048.p12",
                                     "-keyform",  "P12",
                                     "-passin",   "pass:123456",
                                     "-certfile", kPki + "/chain.pem",
                                     "-outform",  "DER",
                                     "-out",      sig};
    if (attach)
        sign.push_back("-nodetach");
    if (!runProcess(sign, "").ok) {
        state.SkipWithError("openssl cms -sign failed");
        return;
    }
    const std::string caFile = kPki + "/root-ca.pem";
    std::vector<std::string> openssl = {"openssl", "cms",     "-verify", "-binary", "-inform",   "DER",      "-in",
                                        sig,       "-CAfile", caFile,    "-out",    "/dev/null", "-purpose", "any"};
    std::vector<std::string> vncard = {
        kBuild + "/tools/vncard/vncard", "verify-doc", "--sig", sig, "--ca-file", caFile};
    if (!attach) {
        openssl.insert(openssl.end(), {"-content", in});
        vncard.insert(vncard.end(), {"--content", in});
    }
    compare(state, {openssl, vncard, "", "openssl cms -verify failed", "vncard verify-doc failed"}, bytes);
    std::remove(sig.c_str());
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

BENCHMARK(BM_VerifyDocument)
    ->Apply(sizes)
    ->ArgNames({"MiB", "attach"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

BENCHMARK_MAIN();
