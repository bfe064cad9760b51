// show-cert tells what `openssl x509 -text` tells about the same certificate: key sizes of
// every key type, version, signature algorithm, key usage by name, whole names in UTF-8,
// times in UTC, and the certificate of a PEM file with other blocks before it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "VncardRun.h"

namespace {

using vn_vncard_test::pki;
using vn_vncard_test::vncard;

std::string dir() { return "/tmp/vn-showcert-" + std::to_string(getpid()); }

// Standard output of a shell command line (standard error dropped).
std::string run(const std::string& line, int* code = nullptr) {
    const std::string out = dir() + "/out";
    const int status = system(("(" + line + ") >" + out + " 2>/dev/null").c_str());
    if (code != nullptr)
        *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return vn_vncard_test::slurp(out);
}

// The value of a JSON text field ("key":"value") of show-cert's answer.
std::string field(const std::string& json, const std::string& key) {
    const std::string mark = "\"" + key + "\":\"";
    const size_t at = json.find(mark);
    if (at == std::string::npos)
        return "(missing)";
    const size_t start = at + mark.size();
    return json.substr(start, json.find('"', start) - start);
}

// The text after "label" on openssl's line that holds it, up to the line end.
std::string opensslLine(const std::string& text, const std::string& label) {
    const size_t at = text.find(label);
    if (at == std::string::npos)
        return "(missing)";
    const size_t start = at + label.size();
    return text.substr(start, text.find('\n', start) - start);
}

// Makes a certificate of the test issuing CA for a key made with the given genpkey options.
std::string issue(const std::string& name, const std::string& keyOptions, const std::string& subject,
                  const std::string& extensions) {
    const std::string d = dir() + "/" + name;
    std::ofstream(d + ".cnf") << extensions << "\n";
    run("openssl genpkey " + keyOptions + " -out " + d + ".key && openssl req -new -utf8 -key " + d + ".key -subj '" +
        subject + "' -out " + d + ".csr && openssl x509 -req -in " + d + ".csr -CA " + pki("issuing-ca.pem") +
        " -CAkey " + pki("issuing-ca.key") + " -set_serial 4711 -days 30 " +
        (extensions.empty() ? std::string() : "-extfile " + d + ".cnf ") + "-out " + d + ".pem");
    return d + ".pem";
}

}  // namespace

TEST(VncardShowCert, SaysWhatOpensslSaysForEveryKeyType) {
    ASSERT_EQ(0, system(("mkdir -p " + dir()).c_str()));
    struct Kind {
        const char* name;
        const char* options;
    };
    const std::vector<Kind> kinds = {
        {"p256", "-algorithm EC -pkeyopt ec_paramgen_curve:P-256"},
        {"p384", "-algorithm EC -pkeyopt ec_paramgen_curve:P-384"},
        {"rsa", "-algorithm RSA -pkeyopt rsa_keygen_bits:2048"},
        {"pss", "-algorithm RSA-PSS -pkeyopt rsa_keygen_bits:2048"},
        {"dsa", "-paramfile DSA-PARAMS"},
    };
    const std::string dsaParams = dir() + "/dsa.param";
    run("openssl genpkey -genparam -algorithm DSA -pkeyopt dsa_paramgen_bits:1024 -out " + dsaParams);
    const std::string longName = "/C=DE/O=" + std::string(60, 'o') + "/OU=" + std::string(60, 'u') +
                                 "/L=K\xC3\xB6ln/CN=J\xC3\xBCrgen " + std::string(50, 'c');
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        std::string options = k.options;
        if (options == "-paramfile DSA-PARAMS")
            options = "-paramfile " + dsaParams;
        const std::string pem = issue(k.name, options, longName, "keyUsage=critical,digitalSignature,nonRepudiation");
        const std::string text = run("openssl x509 -noout -text -in " + pem);
        ASSERT_NE(std::string::npos, text.find("Public-Key:")) << text;
        int code = -1;
        const std::string json = run(vncard() + " show-cert --json --file " + pem, &code);
        ASSERT_EQ(0, code) << json;
        // "Public-Key: (256 bit)"
        const std::string bits = opensslLine(text, "Public-Key: (");
        EXPECT_EQ(bits.substr(0, bits.find(' ')), field(json, "publicKeyBits"));
        EXPECT_EQ(opensslLine(text, "Version: ").substr(0, 1), field(json, "version"));
        EXPECT_EQ(opensslLine(text, "Signature Algorithm: "), field(json, "signatureAlgorithm"));
        EXPECT_EQ("digitalSignature, nonRepudiation", field(json, "keyUsageNames"));
        // The whole subject, its UTF-8 characters as they are.
        const std::string subject = field(json, "subject");
        EXPECT_NE(std::string::npos, subject.find("CN=J\xC3\xBCrgen " + std::string(50, 'c'))) << subject;
        EXPECT_NE(std::string::npos, subject.find("L=K\xC3\xB6ln")) << subject;
        EXPECT_GT(subject.size(), 199u);
        EXPECT_EQ('Z', field(json, "notAfter").back());
    }

    // A version 1 certificate (no extensions) keeps its signature algorithm.
    const std::string v1 = issue("v1", "-algorithm EC -pkeyopt ec_paramgen_curve:P-256", "/CN=Version One", "");
    const std::string text = run("openssl x509 -noout -text -in " + v1);
    const std::string json = run(vncard() + " show-cert --json --file " + v1);
    EXPECT_EQ(opensslLine(text, "Version: ").substr(0, 1), field(json, "version"));
    EXPECT_EQ(opensslLine(text, "Signature Algorithm: "), field(json, "signatureAlgorithm"));
    EXPECT_NE("", field(json, "signatureAlgorithm"));

    // A key block before the certificate in one PEM file.
    run("cat " + dir() + "/p256.key " + dir() + "/p256.pem > " + dir() + "/both.pem");
    int code = -1;
    const std::string both = run(vncard() + " show-cert --json --file " + dir() + "/both.pem", &code);
    EXPECT_EQ(0, code) << both;
    EXPECT_NE(std::string::npos, field(both, "subject").find("J\xC3\xBCrgen")) << both;
    run("rm -rf " + dir());
}
