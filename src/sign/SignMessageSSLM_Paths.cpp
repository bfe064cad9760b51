// File paths and reading the file to sign.
#include "SignMessage.h"

#include <openssl/crypto.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include "infra/Loggers.h"
#include "infra/OpenSslPtr.h"

namespace {

const int32_t kPathTooLong = -1007;
const int32_t kNoPath = -1008;
const int32_t kCannotRead = -1012;
const int32_t kEmptyFile = -1025;
// Paths of this many characters or more are refused.
const size_t kMaxPathCharacters = 257;

struct FileClose {
    void operator()(FILE* f) const { fclose(f); }
};

int32_t leave(const char* name, int32_t rc) {
    LOG4CXX_DEBUG(CSignMessage::m_logger, "leaving " << name << ": " << rc);
    return rc;
}

// Characters of UTF-8 text: every byte that does not continue a sequence.
size_t utf8Characters(const char* s) {
    size_t n = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p != 0; ++p)
        n += (*p & 0xC0) != 0x80;
    return n;
}

}  // namespace

int32_t CSignMessage::checkInutFilePathLengthV1(char* path) {
    VN_TRACE_ENTER(m_logger, "checkInutFilePathLengthV1");
    if (path == nullptr)
        return leave("checkInutFilePathLengthV1", kNoPath);
    return leave("checkInutFilePathLengthV1", std::strlen(path) >= kMaxPathCharacters ? kPathTooLong : 0);
}

int32_t CSignMessage::checkInutFilePathLengthV2(char* path) {
    VN_TRACE_ENTER(m_logger, "checkInutFilePathLengthV2");
    if (path == nullptr)
        return leave("checkInutFilePathLengthV2", kNoPath);
    return leave("checkInutFilePathLengthV2", utf8Characters(path) >= kMaxPathCharacters ? kPathTooLong : 0);
}

int32_t CSignMessage::readFile2Sign(char* path, unsigned char** data, int* length) {
    VN_TRACE_ENTER(m_logger, "readFile2Sign");
    if (path == nullptr || data == nullptr || length == nullptr)
        return leave("readFile2Sign", kCannotRead);
    *data = nullptr;
    *length = 0;
    std::unique_ptr<FILE, FileClose> f(fopen(path, "rb"));
    struct stat st;
    if (!f || fstat(fileno(f.get()), &st) != 0 || !S_ISREG(st.st_mode)) {
        LOG4CXX_ERROR(m_logger, "cannot read the file to sign");
        return leave("readFile2Sign", kCannotRead);
    }
    if (st.st_size == 0)
        return leave("readFile2Sign", kEmptyFile);
    // The length goes out as an int: larger files cannot be handed over.
    if (st.st_size > INT_MAX) {
        LOG4CXX_ERROR(m_logger, "file to sign too large: " << st.st_size);
        return leave("readFile2Sign", kCannotRead);
    }
    const size_t size = static_cast<size_t>(st.st_size);
    vn_ossl::OpenSslBytes buffer(static_cast<unsigned char*>(OPENSSL_malloc(size)));
    if (!buffer)
        return leave("readFile2Sign", kCannotRead);
    size_t got = 0;
    while (got < size) {
        const size_t n = fread(buffer.get() + got, 1, size - got, f.get());
        if (n == 0)
            break;
        got += n;
    }
    if (got != size)
        return leave("readFile2Sign", kCannotRead);
    *data = buffer.release();  // the caller frees it with OPENSSL_free
    *length = static_cast<int>(size);
    return leave("readFile2Sign", 0);
}
