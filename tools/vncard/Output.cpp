#include "Output.h"

#include <unistd.h>

#include <cstdio>

bool Output::json = false;

namespace {
FILE* g_out = stdout;

void emit(const std::string& line) {
    fflush(stdout);
    fputs(line.c_str(), g_out);
    fputc('\n', g_out);
    fflush(g_out);
}
}  // namespace

void Output::init() {
    int fd = dup(STDOUT_FILENO);
    FILE* f = fd >= 0 ? fdopen(fd, "w") : nullptr;
    if (f != nullptr)
        g_out = f;
}

std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                snprintf(buf, sizeof(buf), "\\u%04x", c);
                out += buf;
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
    }
    return out + "\"";
}

std::string hexOf(const unsigned char* data, size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(length * 2);
    for (size_t i = 0; i < length; ++i) {
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 0x0F]);
    }
    return out;
}

JsonObject& JsonObject::str(const std::string& key, const std::string& value) {
    m_fields.emplace_back(key, jsonString(value));
    return *this;
}

JsonObject& JsonObject::num(const std::string& key, long long value) {
    m_fields.emplace_back(key, std::to_string(value));
    return *this;
}

JsonObject& JsonObject::boolean(const std::string& key, bool value) {
    m_fields.emplace_back(key, value ? "true" : "false");
    return *this;
}

JsonObject& JsonObject::raw(const std::string& key, const std::string& json) {
    m_fields.emplace_back(key, json);
    return *this;
}

JsonObject& JsonObject::merge(const JsonObject& other) {
    m_fields.insert(m_fields.end(), other.m_fields.begin(), other.m_fields.end());
    return *this;
}

std::string JsonObject::text() const {
    std::string out = "{";
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (i)
            out += ",";
        out += jsonString(m_fields[i].first) + ":" + m_fields[i].second;
    }
    return out + "}";
}

std::string jsonArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) {
        if (i)
            out += ",";
        out += items[i];
    }
    return out + "]";
}

int Output::fail(int code, const std::string& message) { return fail(code, message, JsonObject()); }

int Output::fail(int code, const std::string& message, const JsonObject& extra) {
    if (json) {
        JsonObject o;
        o.boolean("ok", false).num("exitCode", code).str("error", message).merge(extra);
        emit(o.text());
    } else {
        fprintf(stderr, "vncard: %s\n", message.c_str());
    }
    return code;
}

void Output::result(const JsonObject& object) {
    std::string text = object.text();
    emit(std::string("{\"ok\":true") + (text.size() > 2 ? "," : "") + (text.c_str() + 1));
}
