// Socket work of the HTTP client: connecting, sending and receiving, each wait bounded in time.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "HttpInternal.h"

namespace vnhttp {

namespace {

// Size of the first receive buffer and of each growth step.
const size_t kBufferStep = 65536;
// Bodies from this buffer size on have their pages mapped ahead of the reads, a stretch at a time.
const size_t kPrefaultFrom = 1024 * 1024;
const size_t kPrefaultStretch = 1024 * 1024;

// Resolves host by name, falling back to a dotted IPv4 address.
bool resolve(const char* host, in_addr& out) {
    addrinfo hints;
    std::memset(&hints, 0, sizeof(hints));
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &list) == 0 && list) {
        out = reinterpret_cast<sockaddr_in*>(list->ai_addr)->sin_addr;
        freeaddrinfo(list);
        return true;
    }
    if (list)
        freeaddrinfo(list);
    return inet_aton(host, &out) != 0;
}

// A large body is written once into fresh memory. Mapping the pages of the next stretch in
// one call spares the system a page fault per page; where that is not available the
// pages are simply faulted in as they are written.
void prefault(unsigned char* buffer, size_t from, size_t to) {
#ifdef MADV_POPULATE_WRITE
    const uintptr_t page = 4096;
    uintptr_t begin = (reinterpret_cast<uintptr_t>(buffer) + from + page - 1) & ~(page - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(buffer) + to) & ~(page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)buffer;
    (void)from;
    (void)to;
#endif
}

}  // namespace

void set_error(http_response& r, int error_number, const char* format, ...) {
    r.error_number = error_number;
    va_list args;
    va_start(args, format);
    std::vsnprintf(r.error_text, sizeof(r.error_text), format, args);
    va_end(args);
    if (r.error_text[0] == '\0')
        std::snprintf(r.error_text, sizeof(r.error_text), "error %d", error_number);
}

void set_system_error(http_response& r, int error_number) {
    char buffer[200];
    // The GNU strerror_r returns the text, which need not be in buffer.
    const char* text = strerror_r(error_number, buffer, sizeof(buffer));
    set_error(r, error_number, "%s", text);
}

int connect_with_timeout(const char* host, unsigned int port, int timeout_ms, int32_t* socket_out, http_response& r) {
    sockaddr_in address;
    std::memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (!resolve(host, address.sin_addr)) {
        std::fprintf(stderr, "Unknown host %s\n", host);
        set_error(r, EHOSTUNREACH, "Unknown host %s", host);
        return -1;
    }

    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        set_system_error(r, errno);
        return -1;
    }
    if (socket_out)
        *socket_out = fd;

    // Connect without blocking so that a peer that does not answer cannot hold us longer
    // than the timeout, then go back to blocking reads and writes with time limits.
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        set_system_error(r, errno);
        close(fd);
        return -1;
    }
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) < 0) {
        if (errno != EINPROGRESS) {
            set_system_error(r, errno);
            close(fd);
            return -1;
        }
        pollfd p{fd, POLLOUT, 0};
        int ready;
        do
            ready = poll(&p, 1, timeout_ms);
        while (ready < 0 && errno == EINTR);
        if (ready == 0) {
            set_error(r, ETIMEDOUT, "timeout: no connection to %s:%u within %d ms", host, port, timeout_ms);
            close(fd);
            return -1;
        }
        int error = 0;
        socklen_t length = sizeof(error);
        if (ready < 0)
            error = errno;
        else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) < 0)
            error = errno;
        if (error != 0) {
            set_system_error(r, error);
            close(fd);
            return -1;
        }
    }
    if (fcntl(fd, F_SETFL, flags) < 0) {
        set_system_error(r, errno);
        close(fd);
        return -1;
    }
    return fd;
}

long Transport::read(void* buffer, size_t length, bool* wantWrite) {
    *wantWrite = false;
    const ssize_t n = recv(m_fd, buffer, length, MSG_DONTWAIT);
    if (n >= 0)
        return static_cast<long>(n);
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? kWouldBlock : kFailed;
}

long Transport::write(const void* data, size_t length, bool* wantRead) {
    *wantRead = false;
    // MSG_NOSIGNAL: a peer that has gone away gives EPIPE, not a SIGPIPE to the host.
    const ssize_t n = send(m_fd, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0)
        return static_cast<long>(n);
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? kWouldBlock : kFailed;
}

bool wait_ready(int fd, bool forWriting, int timeout_ms, const Deadline& deadline, http_response& r) {
    for (;;) {
        const int wait = deadline.left_ms(timeout_ms);
        if (wait == 0) {
            set_deadline_error(r, deadline);
            return false;
        }
        pollfd p{fd, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
        const int ready = poll(&p, 1, wait);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            set_system_error(r, errno);
            return false;
        }
        if (ready > 0)
            return true;
        if (deadline.left_ms(timeout_ms) == 0)
            set_deadline_error(r, deadline);
        else if (forWriting)
            set_error(r, HTTP_ERROR_TIMEOUT, "timeout: the server took no data within %d ms", timeout_ms);
        else
            set_error(r, HTTP_ERROR_TIMEOUT, "timeout: no data from the server within %d ms", timeout_ms);
        return false;
    }
}

bool send_all(int fd, const void* data, size_t length, int timeout_ms, const Deadline& deadline, http_response& r) {
    Transport plain(fd);
    return send_all(plain, data, length, timeout_ms, deadline, r);
}

bool send_all(Transport& t, const void* data, size_t length, int timeout_ms, const Deadline& deadline,
              http_response& r) {
    const char* p = static_cast<const char*>(data);
    bool forWriting = true;
    while (length > 0) {
        if (!wait_ready(t.fd(), forWriting, timeout_ms, deadline, r))
            return false;
        bool wantRead = false;
        const long n = t.write(p, length, &wantRead);
        if (n == Transport::kWouldBlock) {
            forWriting = !wantRead;
            continue;
        }
        if (n < 0) {
            set_system_error(r, errno != 0 ? errno : EIO);
            return false;
        }
        forWriting = true;
        p += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

void set_deadline_error(http_response& r, const Deadline& deadline) {
    set_error(r, HTTP_ERROR_TIMEOUT, "timeout: the exchange did not end within %d ms", deadline.total_ms);
}

bool receive_all(int fd, int timeout_ms, Received& out, http_response& r) {
    // Each wait is bounded; the whole answer is bounded by its size only.
    Deadline unbounded = Deadline::in(std::numeric_limits<int>::max());
    return receive_all(fd, timeout_ms, unbounded, HTTP_DEFAULT_MAX_BODY, out, r);
}

bool receive_all(int fd, int timeout_ms, const Deadline& deadline, uint64_t max_body, Received& out, http_response& r) {
    Transport plain(fd);
    return receive_all(plain, timeout_ms, deadline, max_body, out, r);
}

bool receive_all(Transport& t, int timeout_ms, const Deadline& deadline, uint64_t max_body, Received& out,
                 http_response& r) {
    bool forWriting = false;  // TLS may have to write before it can read on
    size_t searched = 0;      // header bytes already searched for the blank line
    size_t prefaulted = 0;    // buffer bytes already mapped
    for (;;) {
        if (out.length == out.capacity) {
            // Whole 64 KiB steps, but half as many again as there are, so that a large
            // body costs few reallocations instead of one per step.
            const size_t steps = out.capacity / kBufferStep;
            const size_t more = steps < 2 ? 1 : steps / 2;
            if (steps + more > SIZE_MAX / kBufferStep) {
                set_system_error(r, ENOMEM);
                break;
            }
            size_t capacity = (steps + more) * kBufferStep;
            void* grown = std::realloc(out.buffer, capacity);
            if (!grown) {
                int e = errno;
                std::fprintf(
                    stderr,
                    out.buffer ? "ERROR (realloc): (errno = %d = %s)\n" : "ERROR (malloc): recv (errno = %d = %s)\n", e,
                    std::strerror(e));
                set_system_error(r, e);
                break;
            }
            out.buffer = static_cast<unsigned char*>(grown);
            out.capacity = capacity;
        }
        size_t room = out.capacity - out.length;
        if (out.capacity >= kPrefaultFrom) {
            if (out.length + kBufferStep > prefaulted) {
                // Stay ahead of the reads by one stretch.
                size_t from = std::max(prefaulted, out.length);
                size_t to = std::min(out.capacity, from + kPrefaultStretch);
                prefault(out.buffer, from, to);
                prefaulted = to;
            }
            if (prefaulted > out.length)
                room = std::min(room, prefaulted - out.length);
        }
        // Never more than one byte past the limits, so that going over them is seen
        // without taking in more than they allow.
        const size_t limit = out.header_done ? static_cast<size_t>(std::min<uint64_t>(max_body, SIZE_MAX - 1)) + 1
                                             : HTTP_MAX_HEADER_BLOCK + 1 + kBufferStep;
        if (out.length >= limit) {
            if (out.header_done)
                set_error(r, HTTP_ERROR_TOO_LARGE, "answer too large: the body is longer than %llu bytes",
                          static_cast<unsigned long long>(max_body));
            else
                set_error(r, HTTP_ERROR_TOO_LARGE, "answer too large: no end of the header block within %d bytes",
                          HTTP_MAX_HEADER_BLOCK);
            break;
        }
        room = std::min(room, limit - out.length);
        if (!t.buffered() && !wait_ready(t.fd(), forWriting, timeout_ms, deadline, r))
            break;
        bool wantWrite = false;
        const long n = t.read(out.buffer + out.length, room, &wantWrite);
        if (n == Transport::kWouldBlock) {
            forWriting = wantWrite;
            continue;
        }
        forWriting = false;
        if (n < 0) {
            // Any other read error ends the answer here, like the server closing it.
            break;
        }
        if (n == 0)
            break;
        out.length += static_cast<size_t>(n);
        if (!out.header_done) {
            // Split off the header block as soon as the blank line has arrived; the body
            // then grows from the start of the buffer and never has to be moved.
            const char* base = reinterpret_cast<const char*>(out.buffer);
            size_t from = searched > 2 ? searched - 2 : 0;
            const char* end = find_header_end(base + from, out.length - from);
            if (end) {
                size_t headerLength = static_cast<size_t>(end - base);
                out.header.assign(base, headerLength);
                out.length -= headerLength;
                std::memmove(out.buffer, out.buffer + headerLength, out.length);
                out.header_done = true;
            } else {
                searched = out.length;
                if (out.length > HTTP_MAX_HEADER_BLOCK) {
                    set_error(r, HTTP_ERROR_TOO_LARGE, "answer too large: no end of the header block within %d bytes",
                              HTTP_MAX_HEADER_BLOCK);
                    break;
                }
            }
        }
    }
    // The peer may close right after the byte that went over the limit.
    if (!r.error_text[0] && out.header_done && out.length > max_body)
        set_error(r, HTTP_ERROR_TOO_LARGE, "answer too large: the body is longer than %llu bytes",
                  static_cast<unsigned long long>(max_body));
    if (r.error_text[0]) {
        std::free(out.release());
        out.header.clear();
        out.header_done = false;
        return false;
    }
    if (!out.header_done) {
        // No blank line: the whole answer is header and the body is empty.
        out.header.assign(reinterpret_cast<const char*>(out.buffer), out.length);
        out.length = 0;
    }
    return true;
}

}  // namespace vnhttp
