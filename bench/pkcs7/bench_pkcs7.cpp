// Detached SignedData (RSA-2048 signer, SHA-256, CAdES level 0) with the library's model
// and with OpenSSL's CMS in the same run:
//   encode: the model re-encodes after the signature value is put in (signer, SignedData,
//           ContentInfo) and the DER is copied out  vs  i2d_CMS_ContentInfo of the same blob
//   decode: CAsn1_Pkcs7 from DER                     vs  d2i_CMS_ContentInfo of the same blob
//   build:  model build with a ready signature value (content digest, certificate, attributes)
//   sign:   model build + RSA signature of the attributes  vs  CMS_sign (detached, binary) + i2d
// After the runs a table gives the CPU-time ratios library / OpenSSL (below 1: the library is faster).
#include <benchmark/benchmark.h>
#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Asn1Pkcs7.h"

namespace {

typedef std::vector<unsigned char> Bytes;
constexpr int SHA256_ALGO = 1;
constexpr size_t CONTENT_SIZE = 4096;

struct Material {
    Bytes cert;
    Bytes content;
    Bytes signature;  // a ready RSA-2048 signature value
    Bytes blob;       // the finished detached signed data
    X509* x509 = nullptr;
    EVP_PKEY* key = nullptr;
};

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes signBytes(EVP_PKEY* key, const Bytes& data) {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    size_t n = 0;
    if (EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key) != 1 ||
        EVP_DigestSign(ctx.get(), nullptr, &n, data.data(), data.size()) != 1)
        return Bytes();
    Bytes sig(n);
    if (EVP_DigestSign(ctx.get(), sig.data(), &n, data.data(), data.size()) != 1)
        return Bytes();
    return sig;
}

// Builds the detached signed data; with a key the signed attributes are signed, else the
// ready signature value goes in.
Bytes buildModel(const Material& m, EVP_PKEY* key) {
    Bytes cert(m.cert);
    Bytes content(m.content);
    CAsn1_Pkcs7 p7;
    p7.setContentType(2);
    p7.setSigAlgo(CAsn1_Pkcs7::SIG_RSA_PKCS1);
    if (!p7.setContent_SignedData(cert.data(), static_cast<unsigned int>(cert.size()), SHA256_ALGO, content.data(),
                                  static_cast<int>(content.size()), nullptr, false, 0, "", nullptr))
        return Bytes();
    Bytes sig = m.signature;
    if (key) {
        const CAsn1_AuthAttributes* a = p7.getAuthAttributes(0);
        Bytes tbs(a->getDER(), a->getDER() + a->getDERlength());
        tbs[0] = 0x31;
        sig = signBytes(key, tbs);
    }
    if (!p7.setSignature(0, sig.data(), static_cast<unsigned int>(sig.size())))
        return Bytes();
    return Bytes(p7.getDER(), p7.getDER() + p7.getDERlength());
}

Material& material() {
    static Material m = [] {
        Material x;
        const std::string pki = std::string(VN_BINARY_DIR) + "/pki/";
        x.cert = readFile(pki + "signer-rsa2048.der");
        const unsigned char* p = x.cert.data();
        x.x509 = d2i_X509(nullptr, &p, static_cast<long>(x.cert.size()));
        FILE* f = std::fopen((pki + "signer-rsa2048.key").c_str(), "r");
        if (f) {
            x.key = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
            std::fclose(f);
        }
        x.content.resize(CONTENT_SIZE);
        for (size_t i = 0; i < x.content.size(); ++i)
            x.content[i] = static_cast<unsigned char>(i * 7 + 1);
        x.signature.assign(256, 0x5A);
        x.blob = buildModel(x, x.key);
        return x;
    }();
    return m;
}

void BM_Encode_Model(benchmark::State& state) {
    const Material& m = material();
    Bytes cert(m.cert);
    Bytes content(m.content);
    Bytes sig(m.signature);
    CAsn1_Pkcs7 p7;
    p7.setContentType(2);
    p7.setContent_SignedData(cert.data(), static_cast<unsigned int>(cert.size()), SHA256_ALGO, content.data(),
                             static_cast<int>(content.size()), nullptr, false, 0, "", nullptr);
    for (auto _ : state) {
        p7.setSignature(0, sig.data(), static_cast<unsigned int>(sig.size()));
        Bytes der(p7.getDER(), p7.getDER() + p7.getDERlength());
        benchmark::DoNotOptimize(der.data());
    }
}

void BM_Build_Model(benchmark::State& state) {
    const Material& m = material();
    for (auto _ : state)
        benchmark::DoNotOptimize(buildModel(m, nullptr));
}

void BM_Encode_OpenSSL(benchmark::State& state) {
    const Material& m = material();
    const unsigned char* p = m.blob.data();
    CMS_ContentInfo* cms = d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(m.blob.size()));
    for (auto _ : state) {
        unsigned char* der = nullptr;
        benchmark::DoNotOptimize(i2d_CMS_ContentInfo(cms, &der));
        OPENSSL_free(der);
    }
    CMS_ContentInfo_free(cms);
}

void BM_Decode_Model(benchmark::State& state) {
    Bytes blob = material().blob;
    for (auto _ : state) {
        CAsn1_Pkcs7 p7(blob.data(), static_cast<unsigned int>(blob.size()));
        benchmark::DoNotOptimize(p7.getSignature(0, true));
    }
}

void BM_Decode_OpenSSL(benchmark::State& state) {
    const Bytes& blob = material().blob;
    for (auto _ : state) {
        const unsigned char* p = blob.data();
        CMS_ContentInfo* cms = d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(blob.size()));
        benchmark::DoNotOptimize(cms);
        CMS_ContentInfo_free(cms);
    }
}

void BM_Sign_Model(benchmark::State& state) {
    const Material& m = material();
    for (auto _ : state)
        benchmark::DoNotOptimize(buildModel(m, m.key));
}

void BM_Sign_OpenSSL(benchmark::State& state) {
    const Material& m = material();
    for (auto _ : state) {
        BIO* in = BIO_new_mem_buf(m.content.data(), static_cast<int>(m.content.size()));
        CMS_ContentInfo* cms = CMS_sign(m.x509, m.key, nullptr, in, CMS_DETACHED | CMS_BINARY | CMS_NOSMIMECAP);
        unsigned char* der = nullptr;
        benchmark::DoNotOptimize(i2d_CMS_ContentInfo(cms, &der));
        OPENSSL_free(der);
        CMS_ContentInfo_free(cms);
        BIO_free(in);
    }
}

BENCHMARK(BM_Encode_Model);
BENCHMARK(BM_Encode_OpenSSL);
BENCHMARK(BM_Decode_Model);
BENCHMARK(BM_Decode_OpenSSL);
BENCHMARK(BM_Build_Model);
BENCHMARK(BM_Sign_Model);
BENCHMARK(BM_Sign_OpenSSL);

// Collects the time per iteration to print the ratio table at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> nanos;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                nanos[r.benchmark_name()] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (material().blob.empty() || !material().key) {
        std::fprintf(stderr, "bench_pkcs7: the test PKI is missing (build the cardsim_pki target)\n");
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf(
        "\nCPU-time ratio library model / OpenSSL CMS (detached, RSA-2048, SHA-256, level 0, %zu-byte content)\n",
        CONTENT_SIZE);
    for (const char* step : {"Encode", "Decode", "Sign"}) {
        const auto lib = reporter.nanos.find(std::string("BM_") + step + "_Model");
        const auto ref = reporter.nanos.find(std::string("BM_") + step + "_OpenSSL");
        if (lib != reporter.nanos.end() && ref != reporter.nanos.end() && ref->second > 0)
            std::printf("%-8s %8.3f\n", step, lib->second / ref->second);
    }
    return 0;
}
