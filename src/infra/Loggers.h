// The library's log4cxx loggers: one per class, created once at load time.
#ifndef VN_INFRA_LOGGERS_H
#define VN_INFRA_LOGGERS_H

#include <log4cxx/logger.h>

// The logger of the given name ("VornCryptoSSL::CHttp", "VornCryptoSSL.CSCUtils", ...).
// Safe to call from static initialisers of any translation unit.
log4cxx::LoggerPtr vnLogger(const char* name);

// Call traces at debug level, with the source location of the caller.
#define VN_TRACE_ENTER(logger, fn) LOG4CXX_DEBUG(logger, "entering " << fn)
#define VN_TRACE_LEAVE(logger, fn) LOG4CXX_DEBUG(logger, "leaving " << fn)

#endif
