// Content read from a region of a file: the content of attached signed data where it lies in
// the signature file, read piece by piece with pread so that it is never held in memory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "verify/VerifyInternal.h"

namespace vn_verify {

namespace {

struct Region {
    int fd = -1;
    uint64_t position = 0;
    uint64_t left = 0;
};

int regionRead(BIO* bio, char* out, int size) {
    Region* r = static_cast<Region*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    if (r == nullptr || out == nullptr || size <= 0)
        return 0;
    const size_t want =
        r->left < static_cast<uint64_t>(size) ? static_cast<size_t>(r->left) : static_cast<size_t>(size);
    if (want == 0)
        return 0;
    ssize_t n;
    do {
        n = pread(r->fd, out, want, static_cast<off_t>(r->position));
    } while (n < 0 && errno == EINTR);
    if (n <= 0)
        return -1;  // an error, or the file shrank under the region
    r->position += static_cast<uint64_t>(n);
    r->left -= static_cast<uint64_t>(n);
    return static_cast<int>(n);
}

long regionCtrl(BIO* bio, int command, long, void*) {
    const Region* r = static_cast<const Region*>(BIO_get_data(bio));
    switch (command) {
    case BIO_CTRL_EOF: return r == nullptr || r->left == 0 ? 1 : 0;
    case BIO_CTRL_FLUSH: return 1;
    default: return 0;
    }
}

int regionCreate(BIO* bio) {
    BIO_set_data(bio, nullptr);
    BIO_set_init(bio, 0);
    return 1;
}

int regionDestroy(BIO* bio) {
    Region* r = static_cast<Region*>(BIO_get_data(bio));
    if (r != nullptr) {
        close(r->fd);
        delete r;
    }
    BIO_set_data(bio, nullptr);
    return 1;
}

// Made once per process and kept for its life.
const BIO_METHOD* regionMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "file region");
        if (m != nullptr) {
            BIO_meth_set_read(m, regionRead);
            BIO_meth_set_ctrl(m, regionCtrl);
            BIO_meth_set_create(m, regionCreate);
            BIO_meth_set_destroy(m, regionDestroy);
        }
        return m;
    }();
    return method;
}

}  // namespace

BioPtr fileRegionBio(const std::string& path, uint64_t offset, uint64_t length) {
    if (offset == 0 && length == VERIFY_CONTENT_TO_END)
        return BioPtr(BIO_new_file(path.c_str(), "rb"));
    const BIO_METHOD* method = regionMethod();
    if (method == nullptr)
        return BioPtr();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return BioPtr();
    struct stat st;
    const uint64_t size = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    if (length == VERIFY_CONTENT_TO_END && offset <= size)
        length = size - offset;
    if (offset > size || length > size - offset) {
        close(fd);
        return BioPtr();
    }
    BioPtr bio(BIO_new(method));
    if (!bio) {
        close(fd);
        return bio;
    }
    BIO_set_data(bio.get(), new Region{fd, offset, length});
    BIO_set_init(bio.get(), 1);
    return bio;
}

}  // namespace vn_verify
