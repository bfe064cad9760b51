// Verifying a detached CAdES signature (RSA-2048, root - issuing CA - signer, CA file and
// hashed CA directory): CheckSignDetached with flags 1|4|8 against OpenSSL's CMS_verify doing
// the same work in-process (parse, build the store, verify value and chain), same run.
// The figure is the ratio of the rates (library / OpenSSL).
#include <benchmark/benchmark.h>
#include <log4cxx/logger.h>
#include <openssl/cms.h>
#include <openssl/x509_vfy.h>
#include <sys/timeb.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "VerifyMsg.h"

namespace {

const std::string kPki = VN_BENCH_PKI;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Inputs {
    std::string sig = readAll(kPki + "/run/good.p7s");
    std::string content = readAll(kPki + "/run/content.txt");
    std::string caFile = kPki + "/ca/cafile.pem";
    std::string caDir = kPki + "/ca/cadir";
};

bool withLibrary(const Inputs& in) {
    struct timeb now;
    now.time = time(nullptr);
    now.millitm = 0;
    const unsigned int rc = CVerifyMsg::CheckSignDetached(
        reinterpret_cast<const unsigned char*>(in.sig.data()), static_cast<unsigned int>(in.sig.size()), 0,
        reinterpret_cast<const unsigned char*>(in.content.data()), static_cast<unsigned int>(in.content.size()),
        VERIFY_FLAG_SIGNATURE | VERIFY_FLAG_CHAIN | VERIFY_FLAG_VALIDITY, 0, nullptr, nullptr, &now, 0,
        VERIFY_MODEL_SHELL, in.caFile.c_str(), in.caDir.c_str());
    return rc == 0;
}

bool withOpenSsl(const Inputs& in) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(in.sig.data());
    CMS_ContentInfo* cms = d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(in.sig.size()));
    X509_STORE* store = X509_STORE_new();
    X509_LOOKUP* file = X509_STORE_add_lookup(store, X509_LOOKUP_file());
    X509_LOOKUP* dir = X509_STORE_add_lookup(store, X509_LOOKUP_hash_dir());
    X509_LOOKUP_load_file(file, in.caFile.c_str(), X509_FILETYPE_PEM);
    X509_LOOKUP_add_dir(dir, in.caDir.c_str(), X509_FILETYPE_PEM);
    BIO* data = BIO_new_mem_buf(in.content.data(), static_cast<int>(in.content.size()));
    const bool ok = cms != nullptr && CMS_verify(cms, nullptr, store, data, nullptr, CMS_BINARY) == 1;
    BIO_free(data);
    X509_STORE_free(store);
    CMS_ContentInfo_free(cms);
    return ok;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Batches of both, alternating which goes first; the ratio of the median batch rates.
void BM_CheckSignDetachedVsCmsVerify(benchmark::State& state) {
    const Inputs in;
    const int kBatch = 20;
    std::vector<double> lib, ref;
    bool alternate = false;
    for (auto _ : state) {
        for (int k = 0; k < 2; ++k) {
            const bool library = (k == 0) != alternate;
            const auto t0 = std::chrono::steady_clock::now();
            for (int i = 0; i < kBatch; ++i)
                if (!(library ? withLibrary(in) : withOpenSsl(in))) {
                    state.SkipWithError(library ? "CheckSignDetached failed" : "CMS_verify failed");
                    return;
                }
            const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            (library ? lib : ref).push_back(kBatch / s);
        }
        alternate = !alternate;
    }
    state.counters["library_per_s"] = median(lib);
    state.counters["openssl_per_s"] = median(ref);
    state.counters["ratio"] = median(ref) > 0 ? median(lib) / median(ref) : 0;
}
BENCHMARK(BM_CheckSignDetachedVsCmsVerify)->Iterations(15)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// The library's loggers are off, as a host that does not ask for a log configures them.
int main(int argc, char** argv) {
    log4cxx::Logger::getRootLogger()->setLevel(log4cxx::Level::getOff());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
