// vncard show-cert on certificate and attribute-certificate files, run as a separate
// process like a user runs it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "AttrCertSample.h"
#include "CertTestSupport.h"
#include "support/Command.h"

namespace {

// What vncard writes to standard output, and its exit status.
std::string run(const std::string& args, int& status) {
    const CommandResult r =
        runCommand("(" + std::string(VN_BINARY_DIR) + "/tools/vncard/vncard " + args + " 2>/dev/null)");
    status = r.status;
    return r.output;
}

}  // namespace

TEST(VncardShowCert, CertificateFileWithEveryExtension) {
    int status = -1;
    const std::string out = run("show-cert --json --file " + certCorpus() + "/keys/full_rsa.pem", status);
    EXPECT_EQ(0, status);
    EXPECT_EQ(0u, out.find("{\"ok\":true,\"source\":"));
    for (const char* piece :
         {"\"subject\":\"C=DE, O=Test Trust, CN=Full RSA\"", "\"serialNumber\":\"1003\"", "\"keyUsage\":\"64\"",
          "{\"oid\":\"1.3.6.1.5.5.7.1.3\",\"name\":\"qcStatements\",\"text\":\"0.4.0.1862.1.1, 0.4.0.1862.1.4, 0.4.0\","
          "\"source\":\"library\"}",
          "\"text\":\"URI={1.3.6.1.5.5.7.48.1=http://127.0.0.1:8081/ocsp}, "
          "URI={1.3.6.1.5.5.7.48.2=http://127.0.0.1:8080/ca.der}\"",
          "{\"oid\":\"2.5.29.19\",\"name\":\"basicConstraints\",\"text\":\"CA:FALSE\",\"source\":\"openssl\"}"})
        EXPECT_NE(std::string::npos, out.find(piece)) << piece << "\n" << out;

    // Latin-1 characters of the readable name come out as UTF-8 again.
    const std::string latin = run("show-cert --file " + certCorpus() + "/certs/names_latin.der", status);
    EXPECT_EQ(0, status);
    EXPECT_NE(std::string::npos, latin.find("C=DE, O=Gr\xC3\xBC\xC3\x9F"
                                            "e aus K\xC3\xB6ln, CN=J\xC3\xBCrgen Wei\xC3\x9F \xC3\xA9"));

    run("show-cert --file " + certCorpus() + "/keys/data.txt", status);
    EXPECT_NE(0, status);
    run("show-cert --file " + certCorpus() + "/keys/data.txt --cert 1", status);
    EXPECT_EQ(2, status);
}

TEST(VncardShowCert, AttributeCertificateFile) {
    const std::string path =
        std::string(VN_BINARY_DIR) + "/tests/verify/cert/sample-" + std::to_string(getpid()) + ".acert";
    const Bytes ac = attributeCertificate();
    {
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(ac.data(), 1, ac.size(), f);
        fclose(f);
    }
    int status = -1;
    const std::string out = run("show-cert --json --file " + path, status);
    std::remove(path.c_str());
    EXPECT_EQ(0, status);
    for (const char* piece :
         {"\"type\":\"attributeCertificate\"", "\"holder\":\"countryName=DE, commonName=Erika Mustermann\"",
          "\"notAfter\":\"2051-01-01T00:00:00Z\"",
          "{\"oid\":\"1.3.36.8.3.4\",\"name\":\"id-isismtt-at-monetaryLimit\",\"text\":\"EUR 5000.00\"",
          "\"text\":\"notYoungerThan=18\"", "\"text\":\"Zusatz\""})
        EXPECT_NE(std::string::npos, out.find(piece)) << piece << "\n" << out;
}
