// The reader id of the legacy tables: the position of the card's reader in the reader list.
#include <PCSC/reader.h>
#include <PCSC/winscard.h>

#include <cstring>
#include <string>
#include <vector>

#include "LegacyProfile.h"
#include "vn_log.h"

namespace {
// The reader's system name, as the card handle reports it.
const DWORD kReaderNameAttribute = 0x7FFF0004;
static_assert(kReaderNameAttribute == SCARD_ATTR_DEVICE_SYSTEM_NAME, "the reader's system name");
const DWORD kLongestReaderName = 512;

std::string readerNameOf(SCARDHANDLE card) {
    if (card == 0)
        return std::string();
    char name[kLongestReaderName + 1] = {};
    DWORD length = kLongestReaderName;
    if (SCardGetAttrib(card, kReaderNameAttribute, reinterpret_cast<unsigned char*>(name), &length) !=
            SCARD_S_SUCCESS ||
        length == 0) {
        // Reader drivers that do not report the attribute: the name from the card's status.
        length = kLongestReaderName;
        DWORD state = 0, protocol = 0;
        unsigned char atr[MAX_ATR_SIZE];
        DWORD atrLength = sizeof atr;
        if (SCardStatus(card, name, &length, &state, &protocol, atr, &atrLength) != SCARD_S_SUCCESS)
            return std::string();
    }
    if (length > kLongestReaderName)
        length = kLongestReaderName;
    return std::string(name, strnlen(name, length));
}

// Position of the card's reader among the context's readers (the last one when a name is
// there twice, 0 when none matches); *count gets the number of readers.
int readerPosition(SCARDCONTEXT context, SCARDHANDLE card, int* count) {
    *count = 0;
    const std::string name = readerNameOf(card);
    DWORD length = 0;
    if (SCardListReaders(context, nullptr, nullptr, &length) != SCARD_S_SUCCESS || length == 0)
        return 0;
    std::vector<char> list(length + 2, 0);
    if (SCardListReaders(context, nullptr, list.data(), &length) != SCARD_S_SUCCESS)
        return 0;
    if (length > list.size() - 2)
        length = static_cast<DWORD>(list.size() - 2);
    int position = 0;
    size_t at = 0;
    while (at < length && list[at] != 0) {
        const size_t n = strnlen(&list[at], length - at);
        if (!name.empty() && name.compare(0, std::string::npos, &list[at], n) == 0)
            position = *count;
        ++*count;
        at += n + 1;
    }
    return position;
}
}  // namespace

int CProfile::GetReaderId() {
    vn_log(2, "--entering CProfile::GetReaderId\n");
    int count = 0;
    m_readerId = readerPosition(m_hSCardCtx, m_hScard, &count);
    m_readerNum = count;
    vn_log_updateReaderId(m_readerId);
    vn_log(2, "--leaving CProfile::GetReaderId (%d of %d)\n", m_readerId, m_readerNum);
    return m_readerId;
}

int CProfile::GetReaderID(CARD_DATA* cardData) {
    if (cardData == nullptr)
        return -1;
    int count = 0;
    int id = readerPosition(cardData->hSCardCtx, cardData->hScard, &count);
    vn_log_updateReaderId(id);
    return id;
}
