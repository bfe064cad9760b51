// Helpers of the signature-creation tests: temporary folders, the test PKI, running the
// openssl command, and a timestamp service on 127.0.0.1.
#pragma once

#include <fcntl.h>
#include <openssl/x509.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/Command.h"
#include "support/TempDir.h"

namespace signdoc {

inline std::string pkiDir() { return std::string(VN_BINARY_DIR) + "/pki"; }
inline std::string sourceDir() { return VN_SOURCE_DIR; }

// Runs a shell command; its exit status, and standard output and error in output.
inline int run(const std::string& command, std::string& output) {
    CommandResult r = runCommand(command);
    output = std::move(r.output);
    return r.status;
}

inline X509* loadCert(const std::string& derPath) {
    std::vector<unsigned char> der = readBytes(derPath);
    const unsigned char* p = der.data();
    return d2i_X509(nullptr, &p, static_cast<long>(der.size()));
}

// openssl cms -verify of DER signed data against the test CAs; content is the detached
// content or empty.
inline bool cmsVerifies(const std::string& signature, const std::string& content, std::string& output) {
    std::string cmd = "openssl cms -verify -binary -inform DER -in '" + signature + "' -CAfile '" + pkiDir() +
                      "/chain.pem' -out /dev/null";
    if (!content.empty())
        cmd += " -content '" + content + "'";
    return run(cmd, output) == 0 && output.find("Verification successful") != std::string::npos;
}

inline std::string cmsPrint(const std::string& signature) {
    std::string out;
    run("openssl cms -cmsout -print -inform DER -in '" + signature + "'", out);
    return out;
}

// A PKCS#12 file with an RSA-PSS key and its certificate from the test issuing CA.
inline std::string makePssP12(const TempDir& dir) {
    const std::string k = dir / "pss.key", c = dir / "pss.pem", r = dir / "pss.csr", p = dir / "pss.p12";
    const std::string pki = pkiDir();
    std::string out;
    run("openssl genpkey -algorithm RSA-PSS -pkeyopt rsa_keygen_bits:2048 -out '" + k + "'", out);
    run("openssl req -new -key '" + k + "' -subj '/C=DE/O=Vorn Test PKI/CN=PSS Signer' -out '" + r + "'", out);
    run("printf 'keyUsage=critical,nonRepudiation\\n' > '" + (dir / "ext.cnf") + "'", out);
    run("openssl x509 -req -in '" + r + "' -CA '" + pki + "/issuing-ca.pem' -CAkey '" + pki +
            "/issuing-ca.key' -set_serial 7001 -days 30 -sha256 -extfile '" + (dir / "ext.cnf") + "' -out '" + c + "'",
        out);
    run("openssl x509 -in '" + c + "' -outform DER -out '" + (dir / "pss.der") + "'", out);
    run("openssl pkcs12 -export -in '" + c + "' -inkey '" + k + "' -passout pass:123456 -out '" + p + "'", out);
    return p;
}

// The timestamp service of the test PKI on a free port of 127.0.0.1, stopped with the object.
class TsaService {
public:
    TsaService() {
        m_portFile = m_dir / "port";
        m_pid = fork();
        if (m_pid == 0) {
            const std::string script = sourceDir() + "/tools/tsa/tsa-server.py";
            const std::string pki = pkiDir();
            const int devNull = open("/dev/null", O_WRONLY);
            if (devNull >= 0)
                dup2(devNull, STDOUT_FILENO);
            execlp("python3", "python3", script.c_str(), "--pki", pki.c_str(), "--port", "0", "--port-file",
                   m_portFile.c_str(), "--lifetime", "600", static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 200 && m_port.empty(); ++i) {
            std::ifstream in(m_portFile);
            std::getline(in, m_port);
            if (m_port.empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~TsaService() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    TsaService(const TsaService&) = delete;
    TsaService& operator=(const TsaService&) = delete;
    bool ok() const { return !m_port.empty(); }
    std::string url() const { return "http://127.0.0.1:" + m_port + "/"; }

private:
    TempDir m_dir;
    std::string m_portFile, m_port;
    pid_t m_pid = -1;
};

}  // namespace signdoc
