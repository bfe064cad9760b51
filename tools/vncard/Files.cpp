// Reading and writing the files of the commands.
#include <openssl/evp.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

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

namespace {

const char kBegin[] = "-----BEGIN ";
const char kEnd[] = "-----END ";
const char kDashes[] = "-----";
// Base64 text handed to the decoder at a time.
const size_t kPemPiece = 64 * 1024;

// The line that starts at p (without its end of line), and where the next one starts.
const unsigned char* lineEnd(const unsigned char* p, const unsigned char* end) {
    const void* nl = std::memchr(p, '\n', static_cast<size_t>(end - p));
    return nl != nullptr ? static_cast<const unsigned char*>(nl) : end;
}

std::string lineText(const unsigned char* p, const unsigned char* e) {
    std::string line(reinterpret_cast<const char*>(p), static_cast<size_t>(e - p));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// The label of a "-----BEGIN label-----" line, or empty.
std::string beginLabel(const std::string& line) {
    const size_t b = sizeof kBegin - 1, d = sizeof kDashes - 1;
    if (line.size() <= b + d || line.compare(0, b, kBegin) != 0 || line.compare(line.size() - d, d, kDashes) != 0)
        return std::string();
    return line.substr(b, line.size() - b - d);
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            close(fd);
    }
};

bool writeAll(int fd, const unsigned char* p, size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Lines shorter than this are looked at as possible end or header lines; longer ones are data.
const size_t kMarkerLine = 128;

// Decodes base64 lines [p, end) up to the line "-----END label-----" into fd; false when
// the text does not decode, the end line is missing, a header line comes first, or a write
// fails (then written is false).
bool decodeBody(const unsigned char* p, const unsigned char* end, const std::string& label, int fd, bool& written) {
    written = true;
    const std::string endLine = std::string(kEnd) + label + kDashes;
    std::unique_ptr<EVP_ENCODE_CTX, void (*)(EVP_ENCODE_CTX*)> ctx(EVP_ENCODE_CTX_new(), EVP_ENCODE_CTX_free);
    if (!ctx)
        return false;
    EVP_DecodeInit(ctx.get());
    // Decoded bytes are gathered and written a piece at a time; the decoder gives at most
    // 3/4 of what it is handed, plus the few bytes it held back.
    const size_t kSlack = 80;
    std::vector<unsigned char> out(kPemPiece + kPemPiece + kSlack);
    size_t held = 0;
    auto flush = [&]() {
        written = writeAll(fd, out.data(), held);
        held = 0;
        return written;
    };
    while (p < end) {
        const unsigned char* e = lineEnd(p, end);
        if (static_cast<size_t>(e - p) < kMarkerLine) {
            const std::string line = lineText(p, e);
            if (line == endLine) {
                int n = 0;
                if (EVP_DecodeFinal(ctx.get(), out.data() + held, &n) != 1)
                    return false;
                held += static_cast<size_t>(n > 0 ? n : 0);
                return flush();
            }
            // Headers (Proc-Type and the like) belong to encrypted blocks, which are not signatures.
            if (line.find(':') != std::string::npos || line.compare(0, sizeof kDashes - 1, kDashes) == 0)
                return false;
        }
        const unsigned char* next = e < end ? e + 1 : end;
        for (const unsigned char* q = p; q < next;) {
            const size_t n = std::min(kPemPiece, static_cast<size_t>(next - q));
            int got = 0;
            if (EVP_DecodeUpdate(ctx.get(), out.data() + held, &got, q, static_cast<int>(n)) < 0)
                return false;
            held += static_cast<size_t>(got > 0 ? got : 0);
            if (held >= kPemPiece && !flush())
                return false;
            q += n;
        }
        p = next;
    }
    return false;
}

}  // namespace

PemDecoded pemBlockToFile(const unsigned char* text, size_t size, const std::vector<std::string>& labels,
                          std::string& path) {
    const unsigned char* end = text + size;
    const unsigned char* p = text;
    std::string label;
    // The first block with one of the labels; blocks of other kinds before it are passed over.
    while (p < end && label.empty()) {
        const unsigned char* e = lineEnd(p, end);
        const std::string found = beginLabel(lineText(p, e));
        for (const std::string& l : labels)
            if (found == l)
                label = l;
        p = e < end ? e + 1 : end;
    }
    if (label.empty())
        return PemDecoded::NoBlock;
    const char* dir = std::getenv("TMPDIR");
    std::string name = std::string(dir != nullptr && dir[0] != '\0' ? dir : "/tmp") + "/vncard-pem.XXXXXX";
    Fd out;
    out.fd = mkstemp(&name[0]);
    if (out.fd < 0) {
        Output::fail(EXIT_FAILED,
                     "cannot create a temporary file in '" + name.substr(0, name.rfind('/')) + "': " + strerror(errno));
        return PemDecoded::CannotWrite;
    }
    bool written = true;
    const bool ok = decodeBody(p, end, label, out.fd, written);
    written = close(out.fd) == 0 && written;
    out.fd = -1;
    if (!ok || !written) {
        const int e = errno;
        unlink(name.c_str());
        if (written)
            return PemDecoded::NoBlock;
        Output::fail(EXIT_FAILED, "cannot write a temporary file '" + name + "': " + strerror(e));
        return PemDecoded::CannotWrite;
    }
    path = name;
    return PemDecoded::Ok;
}
