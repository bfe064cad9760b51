// CCardData: the container map from the reader's certificate entries, and the host's
// allocator.
#include "MinidriverCardData.h"

#include <cstring>

#include "LegacyProfile.h"
#include "MinidriverAlloc.h"
#include "vn_log.h"

namespace minidriver {

int readerOf(CARD_DATA* cardData) {
    if (cardData == nullptr)
        return -1;
    const int reader = CProfile::GetReaderID(cardData);
    if (!CProfile::validReader(reader))
        return -1;
    if (!CProfile::m_initialized[reader]) {
        CProfile profile(cardData);
        profile.GetProfile();
    }
    return reader;
}

unsigned char* hostAlloc(CARD_DATA* cardData, size_t size) {
    if (cardData == nullptr || cardData->pfnCspAlloc == nullptr || size == 0)
        return nullptr;
    return static_cast<unsigned char*>(cardData->pfnCspAlloc(size));
}

unsigned char* hostCopy(CARD_DATA* cardData, const unsigned char* data, size_t size) {
    unsigned char* p = hostAlloc(cardData, size);
    if (p != nullptr && data != nullptr)
        std::memcpy(p, data, size);
    return p;
}

void hostFree(CARD_DATA* cardData, void* p) {
    if (p != nullptr && cardData != nullptr && cardData->pfnCspFree != nullptr)
        cardData->pfnCspFree(p);
}

}  // namespace minidriver

namespace {
const size_t kRecordSize = sizeof(CONTAINERMAPRECORD);

bool entryExists(int reader, int index) {
    return CProfile::validReader(reader) && index >= 0 && index < CProfile::m_certnum[reader] &&
           index < VN_LEGACY_CERTS;
}

void fillRecord(const CProfileCertEntry& e, CONTAINERMAPRECORD* out) {
    std::memset(out, 0, sizeof *out);
    std::memcpy(out->GuidInfo, e.containerName, sizeof out->GuidInfo);
    out->GuidInfo[VN_CONTAINER_NAME_CHARS - 1] = L'\0';
    out->Flags = e.containerFlags;
    out->RFUPadding = e.reserved;
    out->ui16SigKeySize = e.sigKeySize;
    out->ui16KeyExchangeKeySize = e.keyExKeySize;
}
}  // namespace

int CCardData::GetContNum(int reader, int) { return CProfile::validReader(reader) ? CProfile::m_certnum[reader] : 0; }

int CCardData::GetCertNum(int reader, int cardType) { return GetContNum(reader, cardType); }

int CCardData::GetCont(int reader, int, int index, CONTAINERMAPRECORD* out) {
    if (out == nullptr || !entryExists(reader, index)) {
        vn_log(1, "error : wrong index (CProfile::m_certnum[m_readerId] : %d)\n",
               CProfile::validReader(reader) ? CProfile::m_certnum[reader] : 0);
        return 0;
    }
    fillRecord(CProfile::m_certinfo[reader][index], out);
    vn_log(3, "container->GuidInfo               : %ls\n", out->GuidInfo);
    vn_log(3, "container->Flags                  : %x\n", out->Flags);
    vn_log(3, "container->RFUPadding             : %x\n", out->RFUPadding);
    vn_log(3, "container->ui16KeyExchangeKeySize : %d\n", out->ui16KeyExchangeKeySize);
    vn_log(3, "container->ui16SigKeySize         : %d\n", out->ui16SigKeySize);
    return 1;
}

int CCardData::GetContainerMap(int reader, int, int index, CONTAINERMAPRECORD* out) {
    if (out == nullptr || !entryExists(reader, index))
        return 0;
    fillRecord(CProfile::m_certinfo[reader][index], out);
    return 1;
}

int CCardData::GetContainerMaps(CARD_DATA* cardData, unsigned char** data, unsigned long* length) {
    if (data == nullptr || length == nullptr)
        return 0;
    *data = nullptr;
    *length = 0;
    const int reader = minidriver::readerOf(cardData);
    if (reader < 0)
        return 0;
    int count = CProfile::m_certnum[reader];
    if (count < 0)
        count = 0;
    if (count > VN_LEGACY_CERTS)
        count = VN_LEGACY_CERTS;
    vn_log(3, "iContainerNum : %d\n", count);
    if (count == 0)
        return 1;
    const size_t size = static_cast<size_t>(count) * kRecordSize;
    vn_log(3, "allocating memory ( size: %d)\n", static_cast<int>(size));
    unsigned char* buffer = minidriver::hostAlloc(cardData, size);
    if (buffer == nullptr)
        return 0;
    std::memset(buffer, 0, size);
    for (int i = 0; i < count; ++i) {
        CONTAINERMAPRECORD record;
        fillRecord(CProfile::m_certinfo[reader][i], &record);
        std::memcpy(buffer + static_cast<size_t>(i) * kRecordSize, &record, kRecordSize);
    }
    *data = buffer;
    *length = static_cast<unsigned long>(size);
    return 1;
}

int CCardData::CopyContainerInfo(CARD_DATA* cardData, CONTAINER_INFO* out, CONTAINER_INFO* in) {
    if (out == nullptr || in == nullptr)
        return 0;
    CONTAINER_INFO copy;
    std::memset(&copy, 0, sizeof copy);
    copy.dwVersion = in->dwVersion;
    copy.dwReserved = in->dwReserved;
    if (in->pbSigPublicKey != nullptr && in->cbSigPublicKey != 0) {
        copy.pbSigPublicKey = minidriver::hostCopy(cardData, in->pbSigPublicKey, in->cbSigPublicKey);
        if (copy.pbSigPublicKey == nullptr)
            return 0;
        copy.cbSigPublicKey = in->cbSigPublicKey;
    }
    if (in->pbKeyExPublicKey != nullptr && in->cbKeyExPublicKey != 0) {
        copy.pbKeyExPublicKey = minidriver::hostCopy(cardData, in->pbKeyExPublicKey, in->cbKeyExPublicKey);
        if (copy.pbKeyExPublicKey == nullptr) {
            minidriver::hostFree(cardData, copy.pbSigPublicKey);
            return 0;
        }
        copy.cbKeyExPublicKey = in->cbKeyExPublicKey;
    }
    *out = copy;
    return 1;
}
