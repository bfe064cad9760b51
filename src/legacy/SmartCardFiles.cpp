// File selection and reading of the legacy card class, forwarded to the card-OS object.
#include <string>

#include "SC_Profile_Base.h"
#include "SmartCard.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

namespace {
const int kFailed = CSC_Profile_Base::SC_CMD_FAILED;
}

int CSmartCard::SelectPath(const char* path, bool force, bool isDF) {
    VnTraceScope trace("CSmartCard::SelectPath", 2);
    vn_log(3, "path: %s   , force : %d\n", path != nullptr ? path : "", force ? 1 : 0);
    if (readerInRange()) {
        vn_log_buffer(3, "Currpath: ", m_currPath[m_readerId], static_cast<unsigned int>(m_currPathLen[m_readerId]));
        vn_log_buffer(3, "CurrEF: ", m_currFile[m_readerId], static_cast<unsigned int>(m_currFileLen[m_readerId]));
    }
    int result = kFailed;
    if (m_cardOS != nullptr && path != nullptr) {
        try {
            // A file is always selected again, so that the card's answer to it (the file's
            // size) is current; directories come from the cache.
            result = m_cardOS->SelectPath(std::string(path), force, !isDF, isDF, false);
        } catch (...) {
            result = kFailed;
        }
        storeCache();
    }
    return result;
}

int CSmartCard::SelectPathByName(unsigned char* aid, unsigned int length) {
    VnTraceScope trace("CSmartCard::SelectPathByName", 2);
    if (m_cardOS == nullptr || aid == nullptr)
        return kFailed;
    int result = m_cardOS->SCSelectAID(aid, length);
    return result;
}

int CSmartCard::ReadFile(unsigned char* buffer, unsigned short* length) {
    VnTraceScope trace("CSmartCard::ReadFile", 2);
    int result =
        m_cardOS != nullptr && buffer != nullptr && length != nullptr ? m_cardOS->ReadFile(buffer, length) : kFailed;
    return result;
}

int CSmartCard::ReadFileOffset(unsigned char* buffer, unsigned short* length, unsigned short offset,
                               unsigned short wanted) {
    VnTraceScope trace("CSmartCard::ReadFileOffset", 2);
    int result = m_cardOS != nullptr && buffer != nullptr && length != nullptr
                     ? m_cardOS->ReadFileOffset(buffer, length, offset, wanted)
                     : kFailed;
    return result;
}

int CSmartCard::ReadFilePart(unsigned char* buffer, unsigned short* length, unsigned short wanted) {
    VnTraceScope trace("CSmartCard::ReadFilePart", 2);
    int result = m_cardOS != nullptr && buffer != nullptr && length != nullptr
                     ? m_cardOS->ReadFilePart(buffer, length, wanted)
                     : kFailed;
    return result;
}

int CSmartCard::ReadRecord(unsigned char number, unsigned char* buffer, unsigned short* length) {
    VnTraceScope trace("CSmartCard::ReadRecord", 2);
    int result = m_cardOS != nullptr && buffer != nullptr && length != nullptr
                     ? m_cardOS->ReadRecord(number, buffer, length)
                     : kFailed;
    return result;
}

int CSmartCard::ReadAllRecords(unsigned char* buffer, unsigned short* length) {
    VnTraceScope trace("CSmartCard::ReadAllRecords", 2);
    int result = m_cardOS != nullptr && buffer != nullptr && length != nullptr
                     ? m_cardOS->ReadAllRecords(buffer, length)
                     : kFailed;
    return result;
}

int CSmartCard::SCReadFile(unsigned char* out, unsigned short offset, unsigned char length) {
    return m_cardOS != nullptr && out != nullptr ? m_cardOS->SCReadBinary(out, offset, length) : kFailed;
}

int CSmartCard::SCReadRecord(unsigned char number, unsigned char* out) {
    return m_cardOS != nullptr && out != nullptr ? m_cardOS->SCReadRecord(number, out) : kFailed;
}

int CSmartCard::GetFileLen() { return m_cardOS != nullptr ? m_cardOS->GetFileLen() : 0; }

int CSmartCard::UpdateFile(unsigned char* data, unsigned short length) {
    return m_cardOS != nullptr && data != nullptr ? m_cardOS->UpdateFile(data, length) : kFailed;
}

int CSmartCard::EraseFile() { return m_cardOS != nullptr ? m_cardOS->EraseFile() : kFailed; }

int CSmartCard::SCSelectMF() {
    int result = m_cardOS != nullptr ? m_cardOS->SCSelectMF() : kFailed;
    storeCache();
    return result;
}

int CSmartCard::SCSelectDF(unsigned char* id, int length) {
    return m_cardOS != nullptr && id != nullptr ? m_cardOS->SCSelectDF(id, length) : kFailed;
}

int CSmartCard::SCSelectEF(unsigned char* id) {
    return m_cardOS != nullptr && id != nullptr ? m_cardOS->SCSelectEF(id) : kFailed;
}

bool CSmartCard::ConvertPath(char* path, unsigned char* out, unsigned int* length) {
    if (m_cardOS == nullptr || path == nullptr || out == nullptr || length == nullptr)
        return false;
    try {
        return m_cardOS->ConvertPath(std::string(path), out, length);
    } catch (...) {
        return false;
    }
}

void CSmartCard::GetRequestedPathPart(unsigned char* path, unsigned int* length, bool reselect, bool isDF) {
    if (m_cardOS != nullptr && path != nullptr && length != nullptr)
        m_cardOS->GetRequestedPathPart(path, length, reselect, isDF);
}
