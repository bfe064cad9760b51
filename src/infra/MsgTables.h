// Message tables: one row per message, the same ids in the same order in each language.
#ifndef VN_INFRA_MSGTABLES_H
#define VN_INFRA_MSGTABLES_H

#include <cstdint>

struct MsgRow {
    uint32_t id;
    const char* text;
};

constexpr uint32_t kEndOfTable = 0xFFFFFFFF;

extern const MsgRow kMsgEnglish[];
extern const MsgRow kMsgGerman[];
extern const MsgRow kMsgSwedish[];

#endif
