// Scratch files of a test: a fresh folder below /tmp removed with the object, and whole
// files read and written as text or bytes.
#ifndef VN_TESTS_SUPPORT_TEMPDIR_H
#define VN_TESTS_SUPPORT_TEMPDIR_H

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/vntest-XXXXXX";
        const char* p = mkdtemp(tmpl);
        path_ = p != nullptr ? p : "/tmp";
    }
    ~TempDir() {
        if (path_ != "/tmp")
            std::system(("rm -rf '" + path_ + "'").c_str());
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string operator/(const std::string& name) const { return file(name); }
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

inline std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const void* data, size_t length) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(static_cast<const char*>(data), static_cast<std::streamsize>(length));
}

inline void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    writeBytes(path, bytes.data(), bytes.size());
}

#endif
