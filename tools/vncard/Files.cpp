// Reading and writing the files of the commands.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"
#include "Output.h"

bool readFile(const std::string& path, std::string& data) {
    FILE* f = path == "-" ? stdin : fopen(path.c_str(), "rb");
    if (f == nullptr) {
        Output::fail(EXIT_FAILED, "cannot open '" + path + "': " + strerror(errno));
        return false;
    }
    data.clear();
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        data.append(buf, n);
    bool ok = !ferror(f);
    if (f != stdin)
        fclose(f);
    if (!ok)
        Output::fail(EXIT_FAILED, "cannot read '" + path + "'");
    return ok;
}

bool writeFile(const std::string& path, const void* data, size_t length) {
    FILE* f = path == "-" ? stdout : fopen(path.c_str(), "wb");
    if (f == nullptr) {
        Output::fail(EXIT_FAILED, "cannot create '" + path + "': " + strerror(errno));
        return false;
    }
    bool ok = fwrite(data, 1, length, f) == length;
    ok = (f == stdout ? fflush(f) == 0 : fclose(f) == 0) && ok;
    if (!ok)
        Output::fail(EXIT_FAILED, "cannot write '" + path + "'");
    return ok;
}

bool checkWritable(const std::string& path) {
    if (path.empty() || path == "-")
        return true;
    // An existing file must be writable; a new one needs a writable folder.
    if (access(path.c_str(), F_OK) == 0) {
        if (access(path.c_str(), W_OK) == 0)
            return true;
    } else {
        size_t slash = path.find_last_of('/');
        std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
        if (access(dir.c_str(), W_OK | X_OK) == 0)
            return true;
        if (errno == ENOENT) {
            Output::fail(EXIT_FAILED, "cannot create '" + path + "': no folder '" + dir + "'");
            return false;
        }
    }
    Output::fail(EXIT_FAILED, "cannot write '" + path + "': " + strerror(errno));
    return false;
}
