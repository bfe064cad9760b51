// Finding the end of the header block, single header values and the status line.
#include <cctype>
#include <cstring>

#include "HttpInternal.h"

const char* find_header_end(const char* buffer, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (buffer[i] != '\n')
            continue;
        if (i + 1 < length && buffer[i + 1] == '\n')
            return buffer + i + 2;
        if (i + 2 < length && buffer[i + 1] == '\r' && buffer[i + 2] == '\n')
            return buffer + i + 3;
    }
    return nullptr;
}

const char* find_header(const char* text, size_t length, const char* name, char* value_out, size_t value_size) {
    if (value_out && value_size > 0)
        value_out[0] = '\0';
    if (!text || !name)
        return nullptr;
    const size_t nameLength = std::strlen(name);
    const char* end = text + length;
    for (const char* line = text; line < end;) {
        const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', static_cast<size_t>(end - line)));
        if (!lineEnd)
            lineEnd = end;
        const size_t lineLength = static_cast<size_t>(lineEnd - line);
        if (lineLength > nameLength && line[nameLength] == ':' && strncasecmp(line, name, nameLength) == 0) {
            const char* value = line + nameLength + 1;
            while (value < lineEnd && (*value == ' ' || *value == '\t'))
                ++value;
            const char* valueEnd = value;
            while (valueEnd < lineEnd && *valueEnd != '\r')
                ++valueEnd;
            const size_t valueLength = static_cast<size_t>(valueEnd - value);
            if (value_out && value_size > 1 && valueLength < value_size - 1) {
                std::memcpy(value_out, value, valueLength);
                value_out[valueLength] = '\0';
                return value_out;
            }
            return value;
        }
        line = lineEnd + 1;
    }
    return nullptr;
}

namespace vnhttp {

void parse_status(const char* header, size_t length, http_response& r) {
    const char* end = header + length;
    const char* lineEnd = static_cast<const char*>(std::memchr(header, '\n', length));
    if (lineEnd)
        end = lineEnd;
    const char* space = static_cast<const char*>(std::memchr(header, ' ', static_cast<size_t>(end - header)));
    if (!space || end - space < 4)
        return;
    const char* code = space + 1;
    for (int i = 0; i < 3; ++i)
        if (!std::isdigit(static_cast<unsigned char>(code[i])))
            return;
    std::memcpy(r.status, code, 3);
    r.status[3] = '\0';
    const char* reason = code + 3;
    if (reason >= end || *reason != ' ')
        return;
    ++reason;
    size_t n = 0;
    while (reason + n < end && reason[n] != '\r' && n < sizeof(r.status_text) - 1)
        ++n;
    std::memcpy(r.status_text, reason, n);
    r.status_text[n] = '\0';
}

}  // namespace vnhttp
