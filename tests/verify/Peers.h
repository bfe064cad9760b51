// Real peers of the verification tests, each started on a free loopback port and stopped
// (by its process id) when the test ends: an HTTP server of CRLs, `openssl ocsp` responders,
// `slapd` with a CRL entry and `tinyproxy` with Basic authentication. Also the test PKI
// of one run, whose certificates name these servers.
#ifndef VN_TESTS_VERIFY_PEERS_H
#define VN_TESTS_VERIFY_PEERS_H

#include <fcntl.h>
#include <openssl/evp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "../infra/HttpTestServer.h"
#include "../infra/TestSupport.h"

// Longest wait for a peer to come up.
const int kPeerStartMs = 15000;

inline std::vector<unsigned char> bytesOf(const std::string& path) {
    const std::string s = readFile(path);
    return std::vector<unsigned char>(s.begin(), s.end());
}

// A child process with its output in files; stopped with SIGTERM (then SIGKILL) by pid.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::string& outFile) {
        pid_ = fork();
        if (pid_ == 0) {
            int fd = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0) {
                dup2(fd, 1);
                dup2(fd, 2);
            }
            int null = open("/dev/null", O_RDONLY);
            if (null >= 0)
                dup2(null, 0);
            std::vector<char*> args;
            for (const std::string& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execvp(args[0], args.data());
            _exit(127);
        }
    }
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool running() {
        if (pid_ <= 0)
            return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        return true;
    }
    void stop() {
        if (!running())
            return;
        kill(pid_, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            sleepMs(20);
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

// True once something accepts connections on 127.0.0.1:port.
inline bool waitForPort(unsigned port, ChildProcess& process) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPeerStartMs);
    while (std::chrono::steady_clock::now() < deadline && process.running()) {
        if (acceptsOnLoopback(port))
            return true;
        sleepMs(50);
    }
    return false;
}

// Serves the bodies set by the test under their paths; 404 for anything else.
class CrlHttpServer {
public:
    CrlHttpServer() : server_([this](HttpTestServer&, int fd, const std::string& request) { answer(fd, request); }) {}
    unsigned port() const { return server_.port(); }
    std::string url(const std::string& path) const { return server_.base() + path; }
    void serve(const std::string& path, const std::string& body) {
        std::lock_guard<std::mutex> lock(mutex_);
        bodies_[path] = body;
    }

private:
    void answer(int fd, const std::string& request) {
        const size_t start = request.find(' ') + 1;
        const std::string path = request.substr(start, request.find(' ', start) - start);
        std::string body;
        bool found;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            found = bodies_.count(path) != 0;
            if (found)
                body = bodies_[path];
        }
        sendText(fd, std::string(found ? "HTTP/1.0 200 OK" : "HTTP/1.0 404 Not Found") +
                         "\r\nContent-Type: application/pkix-crl\r\nContent-Length: " + std::to_string(body.size()) +
                         "\r\n\r\n" + body);
    }

    std::mutex mutex_;
    std::map<std::string, std::string> bodies_;
    HttpTestServer server_;
};

// The PKI of one run: the CAs made at build time, the signers made now for the ports.
struct RunPki {
    std::string ca = VN_VERIFY_PKI;  // CAs, CRLs, the CA file and directory, fixed signers
    TempDir run;                     // signers naming this run's servers
    bool make(unsigned httpPort, unsigned ocspPort) {
        const std::string cmd = std::string(VN_VERIFY_SCRIPT) + " signers " + VN_VERIFY_KEYS + " " + ca + " " +
                                run.path() + " " + std::to_string(httpPort) + " " + std::to_string(ocspPort) + " >" +
                                run.file("make.log") + " 2>&1";
        return std::system(cmd.c_str()) == 0;
    }
    std::string caFile() const { return ca + "/cafile.pem"; }
    std::string caDir() const { return ca + "/cadir"; }
    std::string at(const std::string& name) const {
        return fileExists(run.file(name)) ? run.file(name) : ca + "/" + name;
    }
    std::vector<unsigned char> bytes(const std::string& name) const { return bytesOf(at(name)); }
};

// The port `openssl ocsp -port 0` chose, read from its "ACCEPT [...]:PORT" line in out
// (0 when it did not start within kPeerStartMs).
inline unsigned ocspPort(const std::string& out, ChildProcess& process) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPeerStartMs);
    while (std::chrono::steady_clock::now() < deadline && process.running()) {
        const std::string text = readFile(out);
        const size_t at = text.find("ACCEPT ");
        const size_t colon = at == std::string::npos ? at : text.find("]:", at);
        if (colon != std::string::npos && text.find(' ', colon) != std::string::npos)
            return static_cast<unsigned>(std::atoi(text.c_str() + colon + 2));
        sleepMs(20);
    }
    return 0;
}

// `openssl ocsp` answering from the issuing CA's index, signing with the given certificate.
class OcspResponder {
public:
    OcspResponder(const RunPki& pki, const std::string& signer, const std::string& key, const TempDir& dir,
                  const std::string& name)
        : out_(dir.file(name + ".out")),
          process_({"openssl", "ocsp", "-port", "0", "-index", pki.ca + "/issuing-index.txt", "-CA",
                    pki.ca + "/issuing.pem", "-rsigner", signer, "-rkey", key},
                   out_) {
        port_ = ocspPort(out_, process_);
    }
    unsigned port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

private:
    std::string out_;
    ChildProcess process_;
    unsigned port_ = 0;
};

// slapd with one entry whose certificateRevocationList;binary holds the given CRL.
class LdapDirectory {
public:
    LdapDirectory(const std::vector<unsigned char>& crl, const TempDir& dir) {
        const std::string db = dir.file("ldapdb");
        mkdir(db.c_str(), 0700);
        const std::string conf = dir.file("slapd.conf");
        std::ofstream(conf) << "include /etc/ldap/schema/core.schema\n"
                            << "pidfile " << dir.file("slapd.pid") << "\n"
                            << "modulepath /usr/lib/ldap\nmoduleload back_mdb\ndatabase mdb\n"
                            << "suffix \"o=VN Test,c=DE\"\ndirectory " << db << "\nmaxsize 10485760\n"
                            << "access to * by * read\n";
        std::string b64(4 * ((crl.size() + 2) / 3) + 1, '\0');
        b64.resize(static_cast<size_t>(
            EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&b64[0]), crl.data(), static_cast<int>(crl.size()))));
        const std::string ldif = dir.file("data.ldif");
        std::ofstream(ldif) << "dn: o=VN Test,c=DE\nobjectClass: organization\no: VN Test\n\n"
                            << "dn: " << kDn << "\nobjectClass: cRLDistributionPoint\ncn: Test Issuing CA\n"
                            << "certificateRevocationList;binary:: " << b64 << "\n";
        const std::string add = "slapadd -f " + conf + " -l " + ldif + " >" + dir.file("slapadd.log") + " 2>&1";
        if (std::system(add.c_str()) != 0)
            return;
        // A port that was free a moment ago; another is tried when slapd cannot bind it.
        for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) {
            const unsigned port = freeLoopbackPort();
            process_ = std::make_unique<ChildProcess>(
                std::vector<std::string>{"slapd", "-f", conf, "-h", "ldap://127.0.0.1:" + std::to_string(port) + "/",
                                         "-d", "0"},
                dir.file("slapd.out"));
            if (waitForPort(port, *process_))
                port_ = port;
            else
                process_.reset();
        }
    }
    unsigned port() const { return port_; }
    std::string url() const {
        return "ldap://127.0.0.1:" + std::to_string(port_) + "/cn=Test%20Issuing%20CA,o=VN%20Test,c=DE";
    }
    static constexpr const char* kDn = "cn=Test Issuing CA,o=VN Test,c=DE";

private:
    std::unique_ptr<ChildProcess> process_;
    unsigned port_ = 0;
};

// tinyproxy with CONNECT and Basic authentication.
class Proxy {
public:
    static constexpr const char* kUser = "vnuser";
    static constexpr const char* kPassword = "vnsecret";

    explicit Proxy(const TempDir& dir) {
        for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) {
            const unsigned port = freeLoopbackPort();
            const std::string conf = dir.file("tinyproxy.conf");
            std::ofstream(conf) << "Port " << port << "\nListen 127.0.0.1\nTimeout 30\nMaxClients 8\n"
                                << "Allow 127.0.0.1\nBasicAuth " << kUser << " " << kPassword << "\nLogLevel Info\n";
            process_ = std::make_unique<ChildProcess>(std::vector<std::string>{"tinyproxy", "-d", "-c", conf},
                                                      dir.file("tinyproxy.out"));
            if (waitForPort(port, *process_))
                port_ = port;
            else
                process_.reset();
        }
    }
    unsigned port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    std::unique_ptr<ChildProcess> process_;
    unsigned port_ = 0;
};

#endif
