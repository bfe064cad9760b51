// Options of one vncard command: "--name value" or "--name=value", and flags.
#ifndef VNCARD_ARGS_H
#define VNCARD_ARGS_H

#include <map>
#include <string>
#include <vector>

struct OptionSpec {
    const char* name;   // without the dashes
    const char* value;  // placeholder of the value, or null for a flag
    const char* help;
};

class Args {
public:
    // Parses argv[first..]; false with error set on an unknown option or a missing value.
    bool parse(int argc, char** argv, int first, const std::vector<OptionSpec>& options);
    bool has(const std::string& name) const { return m_values.count(name) != 0; }
    std::string get(const std::string& name, const std::string& fallback = std::string()) const;
    // Integer value; false with error set when present but not a number in [min, max].
    bool getInt(const std::string& name, int min, int max, int& out);
    const std::string& error() const { return m_error; }

private:
    std::map<std::string, std::string> m_values;
    std::string m_error;
};

#endif
