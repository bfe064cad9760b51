// The entering and leaving lines of a function in the file log, written by a scope:
// the entering line when the scope is made, the leaving line when it ends, on every
// way out of the function (early returns and exceptions included).
#ifndef VN_INFRA_TRACESCOPE_H
#define VN_INFRA_TRACESCOPE_H

#include <log4cxx/logger.h>

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

// The same for a log4cxx logger: "entering NAME" now and "leaving NAME" at the end, both at
// debug level (the texts of VN_TRACE_ENTER and VN_TRACE_LEAVE in infra/Loggers.h).
class VnLoggerTraceScope {
public:
    VnLoggerTraceScope(const log4cxx::LoggerPtr& logger, const char* name) : m_logger(logger), m_name(name) {
        LOG4CXX_DEBUG(m_logger, "entering " << m_name);
    }
    ~VnLoggerTraceScope() {
        try {
            LOG4CXX_DEBUG(m_logger, "leaving " << m_name);
        } catch (...) {  // a destructor lets nothing out
        }
    }
    VnLoggerTraceScope(const VnLoggerTraceScope&) = delete;
    VnLoggerTraceScope& operator=(const VnLoggerTraceScope&) = delete;

private:
    log4cxx::LoggerPtr m_logger;
    const char* m_name;
};

#endif
