// File log of the card side: one line per message with date, card label and reader index.
#ifndef VN_LOG_H
#define VN_LOG_H

#include <cstdio>
#include <ctime>
#include <ostream>
#include <string>
#include "vn_export.h"

extern VN_EXPORT FILE* m_file;            // open only while one message is written
extern VN_EXPORT bool m_started;          // set by the first message
extern VN_EXPORT bool m_exiting;          // the host sets it to silence the log for good
extern VN_EXPORT int m_readerId;          // reader index printed in every line
extern VN_EXPORT std::string m_cardname;  // card label printed in every line

VN_EXPORT void vn_log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
VN_EXPORT void vn_log_buffer(int level, const char* label, unsigned char* data, unsigned int length);
VN_EXPORT unsigned int vn_log_dw_return(const char* function, unsigned int code);
VN_EXPORT void vn_log_updateReaderId(int readerId);
VN_EXPORT void vn_log_updateCardName(std::string name);
VN_EXPORT void InitLogfile();

VN_EXPORT std::string getDateTimeStr();
VN_EXPORT std::string dateTimeToString(const tm& time, const char* pattern);
VN_EXPORT void formatDateTime(std::ostream& out, const tm& time, const char* pattern);
VN_EXPORT tm now();

#endif
