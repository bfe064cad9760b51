#include "infra/Loggers.h"

#include <map>
#include <string>

namespace {

// Every logger the library uses; all are created when the library is loaded.
const char* const kLoggerNames[] = {
    "VornCryptoSSL::CCertHandler",  "VornCryptoSSL::CCertInfoSSL",
    "VornCryptoSSL::CCertStoreSSL", "VornCryptoSSL::CmsDataContentSSL",
    "VornCryptoSSL::CmsSSL",        "VornCryptoSSL::CrlSSL",
    "VornCryptoSSL::CExtensionSSL", "VornCryptoSSL::CHashSSL",
    "VornCryptoSSL::CTimeStampSSL", "VornCryptoSSL::CHttp",
    "VornCryptoSSL.CSignMessage",   "VornCryptoSSL.CSCUtils",
    "VornCryptoSSL.CRsa",           "VornCryptoSSL.CPKCS7SSL",
    "VornCryptoSSL.CDirHelp",       "VornCryptoSSL",
};

std::map<std::string, log4cxx::LoggerPtr>& registry() {
    static std::map<std::string, log4cxx::LoggerPtr> loggers = [] {
        std::map<std::string, log4cxx::LoggerPtr> m;
        for (const char* name : kLoggerNames)
            m[name] = log4cxx::Logger::getLogger(name);
        return m;
    }();
    return loggers;
}

// Static initialisation of the library creates the loggers.
const bool kLoggersCreated = (registry(), true);

}  // namespace

log4cxx::LoggerPtr vnLogger(const char* name) {
    auto& loggers = registry();
    auto it = loggers.find(name);
    if (it != loggers.end())
        return it->second;
    return loggers[name] = log4cxx::Logger::getLogger(name);
}
