// Helpers shared by the verification tests: UTC times, calls with the test PKI, log capture.
#ifndef VN_TESTS_VERIFY_SUPPORT_H
#define VN_TESTS_VERIFY_SUPPORT_H

#include <log4cxx/fileappender.h>
#include <log4cxx/logger.h>
#include <log4cxx/patternlayout.h>
#include <sys/timeb.h>

#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "../infra/TestSupport.h"

// A timeb at the given UTC time.
inline struct timeb utcAt(int year, int month, int day) {
    struct tm t;
    std::memset(&t, 0, sizeof(t));
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    struct timeb out;
    std::memset(&out, 0, sizeof(out));
    out.time = timegm(&t);
    return out;
}

// Everything a logger writes while the capture lives, in a file.
class LogCapture {
public:
    LogCapture(log4cxx::LoggerPtr logger, const std::string& file) : logger_(logger), file_(file) {
        appender_ =
            std::make_shared<log4cxx::FileAppender>(std::make_shared<log4cxx::PatternLayout>("%-5p %m%n"), file, false);
        logger_->addAppender(appender_);
        logger_->setLevel(log4cxx::Level::getDebug());
    }
    ~LogCapture() { logger_->removeAppender(appender_); }
    std::string text() const { return readFile(file_); }

private:
    log4cxx::LoggerPtr logger_;
    std::string file_;
    log4cxx::AppenderPtr appender_;
};

#endif
