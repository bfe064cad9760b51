// Signatures per second on the simulated stack, one card image per card family: C_Sign
// through the PKCS#11 module after one login (a key that wants its PIN for every signature
// gets it by a context-specific login each time), `pkcs11-tool --sign` as a whole process
// (load, listing, login, signature), and `vncard sign` with the same key as a whole
// process. The counters give the three rates.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <p11-kit/pkcs11.h>

#include <cardsim/TestStack.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string kBuild = VN_BINARY_DIR;
const std::string kImages = VN_SOURCE_DIR "/tools/cardsim/images/";
const std::string kDocument = "/tmp/vn-bench-p11-doc";

// One image per card family with keys; the key signed with is the first private key of
// the first token that one of the image's PINs logs in to.
const char* const kFamilies[] = {
    "cardos50-dtrust",     "cardos54-41-multi-ecc", "cardos43-quorvel", "starcos35-a",
    "starcos30-signtrust", "smartcard-hsm-layout",  "tcos20-telesec",   "tcos30v2-esign",
    "seccos-single",       "setcos441-telia-ip2i",  "micardo21-dtrust",
};

// PIN values of an image ("value =" lines of its [pin ...] sections).
std::vector<std::string> imagePins(const std::string& image) {
    std::ifstream in(kImages + image + ".card");
    std::vector<std::string> pins;
    std::string line;
    bool inPin = false;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        if (line.rfind("[", 0) == 0)
            inPin = line.rfind("[pin", 0) == 0;
        else if (inPin && line.rfind("value", 0) == 0) {
            std::string v = line.substr(line.find('=') + 1);
            v.erase(0, v.find_first_not_of(' '));
            v.erase(v.find_last_not_of(' ') + 1);
            pins.push_back(v);
        }
    }
    return pins;
}

double seconds(const std::string& line) {
    const auto start = std::chrono::steady_clock::now();
    if (system(line.c_str()) != 0)
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The module, loaded and initialised for one benchmark.
struct Module {
    void* handle = nullptr;
    CK_FUNCTION_LIST_PTR f = nullptr;
    Module() {
        handle = dlopen(VN_PKCS11_MODULE, RTLD_NOW | RTLD_LOCAL);
        auto get = handle ? reinterpret_cast<CK_C_GetFunctionList>(dlsym(handle, "C_GetFunctionList")) : nullptr;
        if (get == nullptr || get(&f) != CKR_OK || f->C_Initialize(nullptr) != CKR_OK)
            f = nullptr;
    }
    ~Module() {
        if (f != nullptr)
            f->C_Finalize(nullptr);
    }
};

// The key found for signing: its session, handle, mechanism, PIN and certificate index.
struct SigningKey {
    CK_SESSION_HANDLE session = 0;
    CK_OBJECT_HANDLE key = 0;
    CK_MECHANISM_TYPE mechanism = CKM_SHA256_RSA_PKCS;
    bool alwaysAuthenticate = false;
    std::string pin;
    int certIndex = 0;
    std::string slot;
};

bool findKey(CK_FUNCTION_LIST_PTR f, const std::vector<std::string>& pins, SigningKey& out) {
    CK_SLOT_ID slots[16];
    CK_ULONG count = 16;
    if (f->C_GetSlotList(CK_TRUE, slots, &count) != CKR_OK)
        return false;
    for (CK_ULONG i = 0; i < count; ++i) {
        CK_SESSION_HANDLE s;
        if (f->C_OpenSession(slots[i], CKF_SERIAL_SESSION, nullptr, nullptr, &s) != CKR_OK)
            continue;
        for (const std::string& pin : pins) {
            if (f->C_Login(s, CKU_USER, (CK_UTF8CHAR_PTR)pin.data(), pin.size()) != CKR_OK)
                continue;
            CK_OBJECT_CLASS cls = CKO_PRIVATE_KEY;
            CK_ATTRIBUTE t = {CKA_CLASS, &cls, sizeof cls};
            CK_OBJECT_HANDLE key;
            CK_ULONG found = 0;
            f->C_FindObjectsInit(s, &t, 1);
            f->C_FindObjects(s, &key, 1, &found);
            f->C_FindObjectsFinal(s);
            if (found != 1)
                break;
            CK_KEY_TYPE type = CKK_RSA;
            CK_BBOOL always = CK_FALSE;
            unsigned char id[8] = {0};
            CK_ATTRIBUTE attrs[] = {{CKA_KEY_TYPE, &type, sizeof type},
                                    {CKA_ALWAYS_AUTHENTICATE, &always, sizeof always},
                                    {CKA_ID, id, sizeof id}};
            if (f->C_GetAttributeValue(s, key, attrs, 3) != CKR_OK || attrs[2].ulValueLen != 1)
                break;
            out = {s,
                   key,
                   type == CKK_EC ? CKM_ECDSA_SHA256 : CKM_SHA256_RSA_PKCS,
                   always == CK_TRUE,
                   pin,
                   id[0] - 1,
                   std::to_string(slots[i])};
            return true;
        }
        f->C_CloseSession(s);
    }
    return false;
}

double vncardRate(const SigningKey& k) {
    const int kRuns = 5;
    double total = 0;
    for (int i = 0; i < kRuns; ++i) {
        const double t = seconds("echo " + k.pin + " | " + kBuild + "/tools/vncard/vncard sign --reader 0 --cert " +
                                 std::to_string(k.certIndex) + " --pin-from stdin --file " + kDocument +
                                 " --out /tmp/vn-bench-p11-sig >/dev/null 2>&1");
        if (t < 0)
            return 0;
        total += t;
    }
    return kRuns / total;
}

std::string hexId(int id) {
    char text[8];
    snprintf(text, sizeof text, "%02x", id & 0xFF);
    return text;
}

double pkcs11ToolRate(const SigningKey& k) {
    const int kRuns = 5;
    const std::string mechanism = k.mechanism == CKM_ECDSA_SHA256 ? "ECDSA-SHA256" : "SHA256-RSA-PKCS";
    double total = 0;
    for (int i = 0; i < kRuns; ++i) {
        const double t = seconds(std::string("pkcs11-tool --module ") + VN_PKCS11_MODULE + " --slot " + k.slot +
                                 " --login --pin " + k.pin + " --sign --id " + hexId(k.certIndex + 1) + " -m " +
                                 mechanism + " -i " + kDocument + " -o /tmp/vn-bench-p11-sig >/dev/null 2>&1");
        if (t < 0)
            return 0;
        total += t;
    }
    return kRuns / total;
}

void BM_Sign(benchmark::State& state) {
    const std::string image = kFamilies[state.range(0)];
    state.SetLabel(image);
    cardsim::StackOptions o;
    o.image0 = image;
    cardsim::TestStack stack(o);
    if (!stack.ok()) {
        state.SkipWithError("stack did not start");
        return;
    }
    std::ofstream(kDocument) << "benchmark document\n";
    Module m;
    SigningKey k;
    if (m.f == nullptr || !findKey(m.f, imagePins(image), k)) {
        state.SkipWithError("no key that a PIN of the image opens");
        return;
    }
    unsigned char doc[] = "benchmark document\n", sig[512];
    for (auto _ : state) {
        CK_MECHANISM mech = {k.mechanism, nullptr, 0};
        CK_ULONG len = sizeof sig;
        if (m.f->C_SignInit(k.session, &mech, k.key) != CKR_OK ||
            (k.alwaysAuthenticate &&
             m.f->C_Login(k.session, CKU_CONTEXT_SPECIFIC, (CK_UTF8CHAR_PTR)k.pin.data(), k.pin.size()) != CKR_OK) ||
            m.f->C_Sign(k.session, doc, sizeof doc - 1, sig, &len) != CKR_OK) {
            state.SkipWithError("C_Sign failed");
            return;
        }
    }
    state.counters["module_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["pkcs11_tool_per_s"] = pkcs11ToolRate(k);
    state.counters["vncard_sign_per_s"] = vncardRate(k);
}

}  // namespace

BENCHMARK(BM_Sign)
    ->DenseRange(0, sizeof kFamilies / sizeof kFamilies[0] - 1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->UseRealTime();
BENCHMARK_MAIN();
