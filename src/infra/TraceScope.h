// The entering and leaving lines of a function in the file log, written by a scope:
// the entering line when the scope is made, the leaving line when it ends, on every
// way out of the function (early returns and exceptions included).
#ifndef VN_INFRA_TRACESCOPE_H
#define VN_INFRA_TRACESCOPE_H

#include "vn_log.h"

class VnTraceScope {
public:
    // "--entering NAME\n" now and "--leaving NAME\n" at the end, both at `level`.
    explicit VnTraceScope(const char* name, int level = 1) : m_level(level), m_name(name) {
        vn_log(m_level, "--entering %s\n", m_name);
    }
    // Lines of their own: `entering` now at `level`, `leaving` at the end at `leaveLevel`.
    // The texts are written as they are (no format directives are read from them).
    VnTraceScope(int level, const char* entering, int leaveLevel, const char* leaving)
        : m_level(leaveLevel), m_leaving(leaving) {
        vn_log(level, "%s", entering);
    }
    ~VnTraceScope() {
        if (m_leaving != nullptr)
            vn_log(m_level, "%s", m_leaving);
        else if (m_name != nullptr)
            vn_log(m_level, "--leaving %s\n", m_name);
    }
    // This way out writes its own leaving line instead (same level); null writes none.
    void leaveWith(const char* leaving) {
        m_leaving = leaving;
        m_name = nullptr;
    }
    VnTraceScope(const VnTraceScope&) = delete;
    VnTraceScope& operator=(const VnTraceScope&) = delete;

private:
    int m_level;
    const char* m_name = nullptr;
    const char* m_leaving = nullptr;
};

#endif
