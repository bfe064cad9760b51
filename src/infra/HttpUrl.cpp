// Splitting an address into scheme, host, port and path.
#include <cstdlib>
#include <cstring>

#include "HttpInternal.h"

char* parse_url(char* url, char* scheme, char* host, unsigned int* port) {
    const char* rest = url;
    const char* sep = std::strstr(url, "://");
    if (sep) {
        size_t n = static_cast<size_t>(sep - url);
        std::memcpy(scheme, url, n);
        scheme[n] = '\0';
        rest = sep + 3;
    } else {
        std::strcpy(scheme, "http");
    }

    const char* slash = std::strchr(rest, '/');
    size_t hostPartLength = slash ? static_cast<size_t>(slash - rest) : std::strlen(rest);
    const char* colon = static_cast<const char*>(std::memchr(rest, ':', hostPartLength));
    size_t hostLength = colon ? static_cast<size_t>(colon - rest) : hostPartLength;
    std::memcpy(host, rest, hostLength);
    host[hostLength] = '\0';

    unsigned int value = 80;
    if (colon) {
        // Digits up to the first other character; a value that cannot be a port saturates
        // at 65536 so that the caller can refuse it.
        value = 0;
        for (const char* p = colon + 1; p < rest + hostPartLength && *p >= '0' && *p <= '9'; ++p) {
            value = value * 10 + static_cast<unsigned int>(*p - '0');
            if (value > 65535) {
                value = 65536;
                break;
            }
        }
    }
    *port = value;

    const char* path = slash ? slash : "/";
    size_t pathLength = std::strlen(path);
    char* out = static_cast<char*>(std::malloc(pathLength + 1));
    if (out)
        std::memcpy(out, path, pathLength + 1);
    return out;
}
