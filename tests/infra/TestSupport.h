// Small helpers of the infrastructure tests; the scratch folder comes from the shared fixtures.
#ifndef VN_TESTS_INFRA_SUPPORT_H
#define VN_TESTS_INFRA_SUPPORT_H

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/TempDir.h"

// Runs the test body with the working directory changed, restoring it afterwards.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& dir) {
        char buf[4096];
        old_ = getcwd(buf, sizeof(buf)) ? buf : "/";
        if (chdir(dir.c_str()) != 0)
            std::abort();
    }
    ~ScopedCwd() {
        if (chdir(old_.c_str()) != 0)
            std::abort();
    }

private:
    std::string old_;
};

#endif
