#include "CardResults.h"

namespace vn_cardos {

// clang-format off
const StatusRow kIsoStatus[] = {
    {kSwOk,                     kCardOk,                       "normal processing"},
    {kSwEndReached,             kCardEndReached,               "end of file or record reached before reading Le bytes"},
    {kSwVerificationFailed,     kCardAuthFailed,               "verification failed"},
    {kSwWrongLength,            kCardWrongLength,              "wrong length"},
    {kSwIncompatibleFile,       kCardSecurityNotSatisfiedRead, "command incompatible with file structure"},
    {kSwSecurityNotSatisfied,   kCardSecurityNotSatisfied,     "security status not satisfied"},
    {kSwAuthBlocked,            kCardPinBlocked,               "authentication method blocked"},
    {kSwReferenceUnusable,      kCardReferenceUnusable,        "reference data not usable"},
    {kSwConditionsNotSatisfied, kCardConditionsNotSatisfied,   "conditions of use not satisfied"},
    {kSwNoCurrentFile,          kCardNoCurrentFile,            "command not allowed (no current EF)"},
    {kSwFileNotFound,           kCardFileNotFound,             "file or application not found"},
    {kSwLcInconsistent,         kCardWrongParameters,          "Lc inconsistent with P1-P2"},
    {sw(0x65, 0x81),            kCardFailed,                   "memory failure"},
    {sw(0x68, 0x82),            kCardFailed,                   "secure messaging not supported"},
    {sw(0x69, 0x87),            kCardFailed,                   "expected secure messaging data objects missing"},
    {kSwSmObjectsIncorrect,     kCardFailed,                   "incorrect secure messaging data objects"},
    {sw(0x6A, 0x80),            kCardFailed,                   "incorrect parameters in the data field"},
    {sw(0x6A, 0x81),            kCardFailed,                   "function not supported"},
    {sw(0x6A, 0x86),            kCardFailed,                   "incorrect parameters P1-P2"},
    {kSwDataNotFound,           kCardFailed,                   "referenced data not found"},
    {sw(0x6B, 0x00),            kCardFailed,                   "wrong parameters P1-P2"},
    {sw(0x6D, 0x00),            kCardFailed,                   "instruction not supported"},
    {sw(0x6E, 0x00),            kCardFailed,                   "class not supported"},
    {sw(0x6F, 0x00),            kCardFailed,                   "no precise diagnosis"},
};
// clang-format on
const size_t kIsoStatusRows = sizeof(kIsoStatus) / sizeof(kIsoStatus[0]);

namespace {

const StatusRow* findRow(uint32_t status, const StatusRow* rows, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (rows[i].status == status)
            return &rows[i];
    return nullptr;
}

}  // namespace

int mapStatus(uint32_t status, const StatusMap& map) {
    for (const StatusMap* m = &map; m != nullptr; m = m->extends) {
        if (const StatusRow* row = findRow(status, m->own, m->ownRows))
            return row->result;
        for (size_t i = 0; i < m->fromIsoRows; ++i)
            if (m->fromIso[i] == status) {
                const StatusRow* row = findRow(status, kIsoStatus, kIsoStatusRows);
                return row != nullptr ? row->result : map.otherwise;
            }
    }
    return map.otherwise;
}

const char* statusText(uint32_t status, const StatusMap* map) {
    for (const StatusMap* m = map; m != nullptr; m = m->extends)
        if (const StatusRow* row = findRow(status, m->own, m->ownRows))
            return row->text;
    const StatusRow* row = findRow(status, kIsoStatus, kIsoStatusRows);
    return row != nullptr ? row->text : "";
}

}  // namespace vn_cardos
