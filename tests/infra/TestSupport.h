// Small helpers shared by the infrastructure tests.
#ifndef VN_TESTS_INFRA_SUPPORT_H
#define VN_TESTS_INFRA_SUPPORT_H

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

// A fresh directory below /tmp, removed again at the end of the test.
class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/vntest-XXXXXX";
        path_ = mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void write(const std::string& name, const std::string& text) const { std::ofstream(file(name)) << text; }

private:
    std::string path_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool fileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Runs the test body with the working directory changed, restoring it afterwards.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& dir) {
        char buf[4096];
        old_ = getcwd(buf, sizeof(buf)) ? buf : "/";
        if (chdir(dir.c_str()) != 0)
            std::abort();
    }
    ~ScopedCwd() {
        if (chdir(old_.c_str()) != 0)
            std::abort();
    }

private:
    std::string old_;
};

#endif
