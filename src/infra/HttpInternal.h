// Building blocks of the HTTP client, shared by its source files and the tests.
#ifndef VN_INFRA_HTTP_INTERNAL_H
#define VN_INFRA_HTTP_INTERNAL_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include "Http.h"

// Splits url into scheme ("http" when there is no "://"), host and port (80 when not given)
// and returns the path ("/" when there is none) as a malloc'ed text, or null when out of memory.
// scheme and host must each hold strlen(url) + 1 bytes. A port above 65535 is stored as 65536.
char* parse_url(char* url, char* scheme, char* host, unsigned int* port);

// Position just after the header block (the first line feed followed by another line feed
// or by a carriage return and a line feed), or null when buffer holds no such blank line.
const char* find_header_end(const char* buffer, size_t length);

// Finds the header line "name:" (name in any case) within the first length bytes of text and
// copies its value (leading blanks skipped, up to the carriage return or line end) into
// value_out when it is shorter than value_size - 1. Returns value_out when copied, the value's
// start in text when it was too long (value_out is then empty), null when there is no such header.
const char* find_header(const char* text, size_t length, const char* name, char* value_out, size_t value_size);

// Answers a "file://" address: a regular file whole, a directory as an HTML index page.
http_response do_file(const char* url);

namespace vnhttp {

// The time limit used when the request options leave theirs at 0: HTTP_DEFAULT_TIMEOUT_MS
// unless changed. Process-wide, for callers whose interface carries no limit of its own
// (CHttp::SendHttpRequest); ms of 0 or less restores HTTP_DEFAULT_TIMEOUT_MS.
void set_default_timeout_ms(int ms);
int default_timeout_ms();

// The end of one whole exchange.
struct Deadline {
    std::chrono::steady_clock::time_point at;
    int total_ms = 0;
    static Deadline in(int ms) {
        Deadline d;
        d.total_ms = ms;
        d.at = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        return d;
    }
    // Milliseconds left, at most cap_ms; 0 once it has passed.
    int left_ms(int cap_ms) const {
        const long long left =
            std::chrono::duration_cast<std::chrono::milliseconds>(at - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return 0;
        return left < cap_ms ? static_cast<int>(left) : cap_ms;
    }
};

// Stores the failure of a passed deadline (HTTP_ERROR_TIMEOUT) in r.
void set_deadline_error(http_response& r, const Deadline& deadline);

// Stores an error number and text in the result (text printf-style).
void set_error(http_response& r, int error_number, const char* format, ...) __attribute__((format(printf, 3, 4)));
// Stores error_number and the system's text for it.
void set_system_error(http_response& r, int error_number);

// Fills status and status_text from the first line of the header block.
void parse_status(const char* header, size_t length, http_response& r);

// Connects a new IPv4 stream socket to host:port within timeout_ms. Returns the socket, or -1
// with r's error set. The socket is stored in *socket_out as soon as it exists.
int connect_with_timeout(const char* host, unsigned int port, int timeout_ms, int32_t* socket_out, http_response& r);

// A connection the exchange reads and writes: the socket itself, or TLS over it.
class Transport {
public:
    // What read and write return besides the bytes moved.
    static const long kFailed = -1;      // errno tells why
    static const long kWouldBlock = -2;  // wait for the socket first (for writing when *wantWrite)

    explicit Transport(int fd) : m_fd(fd) {}
    virtual ~Transport() = default;
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;
    int fd() const { return m_fd; }
    // Bytes read (> 0), 0 at the end, kWouldBlock or kFailed.
    virtual long read(void* buffer, size_t length, bool* wantWrite);
    // Bytes written (> 0), kWouldBlock (wait for reading when *wantRead) or kFailed.
    virtual long write(const void* data, size_t length, bool* wantRead);
    // Whether bytes can be read without waiting for the socket.
    virtual bool buffered() const { return false; }

protected:
    int m_fd;
};

// TLS over the connected socket fd (which stays the caller's) to host, within the deadline:
// the server's certificate must chain to the system's trust store (SSL_CERT_FILE and
// SSL_CERT_DIR are honoured) and name host. Null with r's error set on failure.
std::unique_ptr<Transport> start_tls(int fd, const std::string& host, int timeout_ms, const Deadline& deadline,
                                     http_response& r);

// Waits until fd can be read (or written) within timeout_ms and the deadline; false with r's
// error set when it cannot.
bool wait_ready(int fd, bool forWriting, int timeout_ms, const Deadline& deadline, http_response& r);

// Writes all of data before the deadline, waiting at most timeout_ms for the peer to take each
// piece.
bool send_all(Transport& t, const void* data, size_t length, int timeout_ms, const Deadline& deadline,
              http_response& r);
bool send_all(int fd, const void* data, size_t length, int timeout_ms, const Deadline& deadline, http_response& r);

// The answer as received: the header block and the body, split where the blank line is.
struct Received {
    Received() = default;
    Received(const Received&) = delete;
    Received& operator=(const Received&) = delete;
    ~Received() { std::free(buffer); }
    // Hands the buffer over to the caller.
    unsigned char* release() {
        unsigned char* b = buffer;
        buffer = nullptr;
        length = capacity = 0;
        return b;
    }

    unsigned char* buffer = nullptr;  // malloc'ed; header block while no blank line was seen,
                                      // the body afterwards
    size_t length = 0;
    size_t capacity = 0;
    std::string header;  // header block (the whole answer when there is no blank line)
    bool header_done = false;
};

// Reads until the peer closes (or a read error ends the answer). A wait longer than
// timeout_ms, the deadline passing, a header block over HTTP_MAX_HEADER_BLOCK or a body over
// max_body fail. Returns false with r's error set and nothing allocated on failure.
bool receive_all(Transport& t, int timeout_ms, const Deadline& deadline, uint64_t max_body, Received& out,
                 http_response& r);
bool receive_all(int fd, int timeout_ms, const Deadline& deadline, uint64_t max_body, Received& out, http_response& r);
// Without a deadline of its own (each wait bounded by timeout_ms) and HTTP_DEFAULT_MAX_BODY.
bool receive_all(int fd, int timeout_ms, Received& out, http_response& r);

// Leaves the directory listing of path as HTML in page; returns 0 or the errno of a failure.
int directory_index(const std::string& path, std::string& page);

}  // namespace vnhttp

#endif
