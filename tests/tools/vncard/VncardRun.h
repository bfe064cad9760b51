// Running vncard and the openssl command as separate processes in the vncard tests:
// a command line with its standard input, its exit code and what it wrote, and the
// paths of the build tree's tool and test PKI.
#ifndef VN_TESTS_VNCARD_RUN_H
#define VN_TESTS_VNCARD_RUN_H

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vn_vncard_test {

struct Result {
    int code = -1;
    std::string out, err;
};

inline std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Runs a shell command line with the given standard input; the input, output and error
// go through the files `files` + "in", "out" and "err".
inline Result runShell(const std::string& files, const std::string& line, const std::string& input) {
    std::ofstream(files + "in") << input;
    const std::string cmd = "(" + line + ") <" + files + "in >" + files + "out 2>" + files + "err";
    const int status = system(cmd.c_str());
    Result r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp(files + "out");
    r.err = slurp(files + "err");
    return r;
}

inline std::string vncard() { return std::string(VN_BINARY_DIR) + "/tools/vncard/vncard"; }
inline std::string pki(const std::string& name) { return std::string(VN_BINARY_DIR) + "/pki/" + name; }
inline bool contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

// Bytes as upper-case hex, as the card exchanges are compared.
template <class Bytes>
std::string hexOf(const Bytes& b) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : b) {
        s.push_back(digits[c >> 4]);
        s.push_back(digits[c & 0x0F]);
    }
    return s;
}

}  // namespace vn_vncard_test

#endif
