#include "Args.h"

#include <cerrno>
#include <cstdlib>

namespace {

bool takesFile(const std::vector<OptionSpec>& options) {
    for (const OptionSpec& s : options)
        if (s.name[0] == '\0')
            return true;
    return false;
}

}  // namespace

bool Args::parse(int argc, char** argv, int first, const std::vector<OptionSpec>& options) {
    for (int i = first; i < argc; ++i) {
        std::string a = argv[i];
        // A command with an option of no name takes one argument without dashes (its file).
        if (!a.empty() && a[0] != '-' && m_values.count("") == 0 && takesFile(options)) {
            m_values[""] = a;
            continue;
        }
        if (a.size() < 3 || a.compare(0, 2, "--") != 0) {
            m_error = "unexpected argument '" + a + "'";
            return false;
        }
        std::string name = a.substr(2), value;
        bool inlineValue = false;
        size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        const OptionSpec* option = nullptr;
        for (const OptionSpec& s : options)
            if (name == s.name)
                option = &s;
        if (option == nullptr) {
            m_error = "unknown option '--" + name + "'";
            return false;
        }
        if (option->value == nullptr) {
            if (inlineValue) {
                m_error = "option '--" + name + "' takes no value";
                return false;
            }
            m_values[name] = "1";
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= argc) {
                m_error = "option '--" + name + "' needs a value";
                return false;
            }
            value = argv[++i];
        }
        m_values[name] = value;
    }
    return true;
}

std::string Args::get(const std::string& name, const std::string& fallback) const {
    auto it = m_values.find(name);
    return it == m_values.end() ? fallback : it->second;
}

bool Args::getInt(const std::string& name, int min, int max, int& out) {
    auto it = m_values.find(name);
    if (it == m_values.end())
        return true;
    const char* s = it->second.c_str();
    char* end = nullptr;
    errno = 0;
    long v = strtol(s, &end, 10);
    if (*s == '\0' || *end != '\0' || errno != 0 || v < min || v > max) {
        m_error = "option '--" + name + "' needs a number from " + std::to_string(min) + " to " + std::to_string(max);
        return false;
    }
    out = static_cast<int>(v);
    return true;
}
