// do_file: "file://" addresses answered from the local file system.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "HttpInternal.h"

namespace {

// Reads a regular file of the given size whole; returns 0 or the errno of a failure.
int readRegularFile(const char* path, size_t size, http_response& r) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    unsigned char* buffer = static_cast<unsigned char*>(std::malloc(size + 1));
    if (!buffer) {
        int e = errno;
        std::fprintf(stderr, "ERROR (malloc): (errno = %d = %s)\n", e, std::strerror(e));
        close(fd);
        return e;
    }
    size_t done = 0;
    while (done < size) {
        ssize_t n = read(fd, buffer + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int e = errno;
            std::free(buffer);
            close(fd);
            return e;
        }
        if (n == 0)  // the file shrank meanwhile: what is there is the body
            break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    buffer[done] = '\0';
    r.body = buffer;
    r.body_length = done;
    return 0;
}

}  // namespace

http_response do_file(const char* url) {
    http_response r;
    try {
        // The path follows "file://".
        const char* path = url && strnlen(url, 7) == 7 ? url + 7 : "";
        struct stat st;
        if (stat(path, &st) < 0) {
            vnhttp::set_system_error(r, errno);
            return r;
        }
        if (S_ISREG(st.st_mode)) {
            int e = readRegularFile(path, static_cast<size_t>(st.st_size), r);
            if (e != 0)
                vnhttp::set_system_error(r, e);
            return r;
        }
        if (!S_ISDIR(st.st_mode))
            return r;  // devices, pipes and sockets give an empty answer
        std::string page;
        int e = vnhttp::directory_index(path, page);
        if (e != 0) {
            vnhttp::set_system_error(r, e);
            return r;
        }
        r.body = static_cast<unsigned char*>(std::malloc(page.size() + 1));
        if (!r.body) {
            std::fprintf(stderr, "ERROR (malloc): (errno = %d = %s)\n", ENOMEM, std::strerror(ENOMEM));
            vnhttp::set_system_error(r, ENOMEM);
            return r;
        }
        std::memcpy(r.body, page.data(), page.size());
        r.body[page.size()] = '\0';
        r.body_length = page.size();
    } catch (const std::bad_alloc&) {
        std::free(r.body);
        r.body = nullptr;
        r.body_length = 0;
        vnhttp::set_system_error(r, ENOMEM);
    }
    return r;
}
