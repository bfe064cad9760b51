// Feeds arbitrary bytes as a server's answer through the client's receive and parse steps.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "infra/HttpInternal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 60000)  // stays within the socket buffer, so one write delivers it all
        return 0;
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0)
        return 0;
    if (size > 0 && write(sv[0], data, size) != static_cast<ssize_t>(size)) {
        close(sv[0]);
        close(sv[1]);
        return 0;
    }
    close(sv[0]);

    http_response r;
    vnhttp::Received in;
    if (vnhttp::receive_all(sv[1], 1000, in, r)) {
        if (in.header_done)
            vnhttp::parse_status(in.header.data(), in.header.size(), r);
        if (std::strlen(r.status_text) > 31 || std::strlen(r.status) > 3)
            __builtin_trap();
        if (in.header.size() + in.length != size)
            __builtin_trap();
        char value[16];
        find_header(in.header.data(), in.header.size(), "content-length", value, sizeof(value));
        const char* end = find_header_end(reinterpret_cast<const char*>(data), size);
        if (end && (end < reinterpret_cast<const char*>(data) || end > reinterpret_cast<const char*>(data) + size))
            __builtin_trap();
    }
    close(sv[1]);
    return 0;
}
