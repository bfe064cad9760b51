// The user-visible texts in English, German and Swedish, looked up by id.
#include "ConfigSC.h"

#include "infra/MsgTables.h"

int32_t CMsg::m_iLanguage = 1;

CMsg::CMsg() = default;
CMsg::~CMsg() = default;

namespace {

const char kNotFound[] = "----Error in Stringtable----";

// Id 10 is answered from the first row; every other id by the first matching row
// after it, so that the first of two rows with the same id wins.
const char* lookup(const MsgRow* table, unsigned int id) {
    if (id == table[0].id)
        return table[0].text;
    for (const MsgRow* row = table + 1; row->id != kEndOfTable; ++row)
        if (row->id == id)
            return row->text;
    return kNotFound;
}

}  // namespace

const char* CMsg::GetRessString(unsigned int id) {
    switch (m_iLanguage) {
    case 0: return lookup(kMsgEnglish, id);
    case 2: return lookup(kMsgSwedish, id);
    default: return lookup(kMsgGerman, id);
    }
}

const char* CMsg::LoadString(unsigned int id) { return lookup(kMsgGerman, id); }
