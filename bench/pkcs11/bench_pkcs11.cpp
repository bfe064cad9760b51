// Signatures per second on the simulated stack (SmartCard-HSM layout image): C_Sign through the
// PKCS#11 module after one login, `pkcs11-tool --sign` as a whole process (load,
// listing, login, signature), and `vncard sign` as a whole process. The counters give
// the module's rates as ratios to vncard's.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <p11-kit/pkcs11.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cardsim/TestStack.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

const std::string kBuild = VN_BINARY_DIR;
const char kImage[] = "smartcard-hsm-layout";
const char kPin[] = "123456";

cardsim::TestStack& stack() {
    static std::unique_ptr<cardsim::TestStack> s = [] {
        cardsim::StackOptions o;
        o.image0 = kImage;
        return std::make_unique<cardsim::TestStack>(o);
    }();
    return *s;
}

double seconds(const std::string& line) {
    const auto start = std::chrono::steady_clock::now();
    int rc = system(line.c_str());
    if (rc != 0)
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double vncardRate() {
    static double rate = [] {
        std::ofstream("/tmp/vn-bench-p11-doc") << "benchmark document\n";
        const int kRuns = 5;
        double total = 0;
        for (int i = 0; i < kRuns; ++i)
            total += seconds("echo " + std::string(kPin) + " | " + kBuild +
                             "/tools/vncard/vncard sign --reader 0 --cert 0 --pin-from stdin "
                             "--file /tmp/vn-bench-p11-doc --out /tmp/vn-bench-p11-sig >/dev/null 2>&1");
        return kRuns / total;
    }();
    return rate;
}

void BM_ModuleSign(benchmark::State& state) {
    if (!stack().ok()) {
        state.SkipWithError("stack did not start");
        return;
    }
    void* h = dlopen(VN_PKCS11_MODULE, RTLD_NOW | RTLD_LOCAL);
    auto get = h ? reinterpret_cast<CK_C_GetFunctionList>(dlsym(h, "C_GetFunctionList")) : nullptr;
    CK_FUNCTION_LIST_PTR f = nullptr;
    if (get == nullptr || get(&f) != CKR_OK || f->C_Initialize(nullptr) != CKR_OK) {
        state.SkipWithError("module not loaded");
        return;
    }
    CK_SLOT_ID slot;
    CK_ULONG n = 1;
    CK_SESSION_HANDLE s;
    CK_OBJECT_CLASS cls = CKO_PRIVATE_KEY;
    CK_ATTRIBUTE t = {CKA_CLASS, &cls, sizeof cls};
    CK_OBJECT_HANDLE key;
    CK_ULONG found = 0;
    if (f->C_GetSlotList(CK_TRUE, &slot, &n) != CKR_OK ||
        f->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &s) != CKR_OK ||
        f->C_Login(s, CKU_USER, (CK_UTF8CHAR_PTR)kPin, 6) != CKR_OK || f->C_FindObjectsInit(s, &t, 1) != CKR_OK ||
        f->C_FindObjects(s, &key, 1, &found) != CKR_OK || found != 1) {
        state.SkipWithError("no key");
        return;
    }
    f->C_FindObjectsFinal(s);
    unsigned char doc[] = "benchmark document\n", sig[512];
    for (auto _ : state) {
        CK_MECHANISM m = {CKM_SHA256_RSA_PKCS, nullptr, 0};
        CK_ULONG len = sizeof sig;
        if (f->C_SignInit(s, &m, key) != CKR_OK || f->C_Sign(s, doc, sizeof doc - 1, sig, &len) != CKR_OK) {
            state.SkipWithError("C_Sign failed");
            break;
        }
    }
    f->C_Finalize(nullptr);
    state.counters["signatures_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["vncard_sign_per_s"] = vncardRate();
}

void BM_Pkcs11ToolSignProcess(benchmark::State& state) {
    if (!stack().ok()) {
        state.SkipWithError("stack did not start");
        return;
    }
    std::ofstream("/tmp/vn-bench-p11-doc") << "benchmark document\n";
    for (auto _ : state) {
        if (seconds(std::string("pkcs11-tool --module ") + VN_PKCS11_MODULE + " --login --pin " + kPin +
                    " --sign -m SHA256-RSA-PKCS -i /tmp/vn-bench-p11-doc -o /tmp/vn-bench-p11-sig >/dev/null 2>&1") <
            0) {
            state.SkipWithError("pkcs11-tool failed");
            break;
        }
    }
    state.counters["signatures_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["vncard_sign_per_s"] = vncardRate();
}

}  // namespace

BENCHMARK(BM_ModuleSign)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_Pkcs11ToolSignProcess)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK_MAIN();
