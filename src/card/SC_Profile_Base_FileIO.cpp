// Transparent and record files in chunks, and GET CHALLENGE.
#include <cstring>

#include "IsoCommands.h"
#include "SC_Profile_Base.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
// A non-zero *length on entry is the capacity of the caller's buffer.
unsigned long capacityOf(const unsigned short* length) { return (length && *length) ? *length : 0xFFFFUL; }

const unsigned char kMultiByteTag = 0x1F;
const unsigned char kMoreTagBytes = 0x80;
const unsigned char kLongLength = 0x80;
const unsigned char kLargestLengthBytes = 3;

// Tag and length bytes of the TLV object at the start of a record (tags of one or more
// bytes, short or long length forms); the whole record when they do not fit in it.
unsigned long recordHeaderLength(const unsigned char* r, unsigned long n) {
    unsigned long at = 0;
    if (n == 0)
        return 0;
    if ((r[at++] & kMultiByteTag) == kMultiByteTag)
        while (at < n && (r[at++] & kMoreTagBytes))
            ;
    if (at >= n)
        return n;
    unsigned char first = r[at++];
    if (first & kLongLength) {
        unsigned long count = first & ~kLongLength;
        if (count == 0 || count > kLargestLengthBytes)
            return n;
        at += count;
    }
    return at < n ? at : n;
}
}  // namespace

int CSC_Profile_Base::SCReadBinary(unsigned char* out, unsigned short offset, unsigned char length) {
    vn_log(1, "--entering CSC_Profile_Base::SCReadBinary\n");
    vn_log(3, "index: %d\n", offset);
    FormatAPDU(kApduRead, 0x00, 0xB0, static_cast<unsigned char>((offset >> 8) & 0x7F),
               static_cast<unsigned char>(offset & 0xFF), length, 0, nullptr, 0);
    if (!SendToCard())
        return SC_CMD_FAILED;
    int r = mapStatus(getSW(), vn_cardos::kReadBinaryStatus);
    // The card may answer more than asked: the caller's buffer holds only what was asked.
    unsigned short asked = length == 0 ? 256 : length;
    if (m_respLen > asked)
        m_respLen = asked;
    if ((r == 0 || r == 3) && out != nullptr)
        std::memcpy(out, m_response.data(), m_respLen);
    vn_log(3, "iReturn : %d \n", r);
    return r;
}

int CSC_Profile_Base::SCReadRecord(unsigned char number, unsigned char* out) {
    FormatAPDU(kApduRead, 0x00, 0xB2, number, 0x04, 0, 0, nullptr, 0);
    if (!SendToCard())
        return SC_CMD_FAILED;
    // A T=0 card tells the record's length with 6C xx; the command is repeated once with it.
    if (m_sw1 == 0x6C) {
        FormatAPDU(kApduRead, 0x00, 0xB2, number, 0x04, static_cast<unsigned short>(m_sw2), 0, nullptr, 0);
        if (!SendToCard())
            return SC_CMD_FAILED;
    }
    if (out != nullptr)
        std::memcpy(out, m_response.data(), m_respLen);
    return mapStatus(getSW(), vn_cardos::kRecordStatus);
}

int CSC_Profile_Base::SCWriteBinary(unsigned char* data, unsigned short offset, unsigned char length) {
    FormatAPDU(kApduCase3, 0x00, 0xD6, static_cast<unsigned char>((offset >> 8) & 0x7F),
               static_cast<unsigned char>(offset & 0xFF), length, 0, data, length);
    if (!SendToCard())
        return SC_CMD_FAILED;
    return mapStatus(getSW(), vn_cardos::kRecordStatus);
}

int CSC_Profile_Base::ReadFile(unsigned char* buffer, unsigned short* length) {
    VnTraceScope trace("CSC_Profile_Base::ReadFile");
    if (buffer == nullptr || length == nullptr)
        return SC_CMD_FAILED;
    unsigned long capacity = capacityOf(length);
    int size = GetFileLen();
    *length = 0;
    if (size < 1)
        return 0;
    if (static_cast<unsigned long>(size) > capacity)
        return SC_CMD_FAILED;
    unsigned long total = static_cast<unsigned long>(size);
    unsigned long offset = 0;
    bool reselected = false;
    while (offset < total) {
        unsigned long chunk = total - offset < m_maxRead ? total - offset : m_maxRead;
        int r = SCReadBinary(buffer + offset, static_cast<unsigned short>(offset), static_cast<unsigned char>(chunk));
        if (r == 11 && !reselected && m_currEFLen == 2) {
            reselected = true;
            unsigned char ef[2] = {m_currEF[0], m_currEF[1]};
            SCSelectEF(ef);
            continue;
        }
        if (r != 0 && r != 3)
            return r;
        unsigned long got = m_respLen < chunk ? m_respLen : chunk;
        offset += got;
        if (r == 3 || got == 0)
            break;  // end of file, or a card that answers no data would never finish
    }
    *length = static_cast<unsigned short>(offset);
    return 0;
}

int CSC_Profile_Base::ReadFileOffset(unsigned char* buffer, unsigned short* length, unsigned short offset,
                                     unsigned short wanted) {
    if (buffer == nullptr || length == nullptr)
        return SC_CMD_FAILED;
    unsigned long capacity = capacityOf(length);
    *length = 0;
    int size = GetFileLen();
    if (wanted == 0 || size < 1 || offset >= size)
        return 0;
    unsigned long end = static_cast<unsigned long>(offset) + wanted;
    if (end > static_cast<unsigned long>(size))
        end = static_cast<unsigned long>(size);
    if (end - offset > capacity)
        end = offset + capacity;
    unsigned long pos = offset;
    while (pos < end) {
        unsigned long chunk = end - pos < m_maxRead ? end - pos : m_maxRead;
        int r =
            SCReadBinary(buffer + (pos - offset), static_cast<unsigned short>(pos), static_cast<unsigned char>(chunk));
        if (r != 0 && r != 3)
            return SC_CMD_FAILED;
        unsigned long got = m_respLen < chunk ? m_respLen : chunk;
        pos += got;
        if (r == 3 || got == 0)
            break;
    }
    *length = static_cast<unsigned short>(pos - offset);
    return 0;
}

int CSC_Profile_Base::ReadFilePart(unsigned char* buffer, unsigned short* length, unsigned short wanted) {
    return ReadFileOffset(buffer, length, 0, wanted);
}

int CSC_Profile_Base::UpdateFile(unsigned char* data, unsigned short length) {
    if (data == nullptr && length > 0)
        return SC_CMD_FAILED;
    unsigned long offset = 0;
    while (offset < length) {
        unsigned long chunk = length - offset < m_maxRead ? length - offset : m_maxRead;
        int r = SCWriteBinary(data + offset, static_cast<unsigned short>(offset), static_cast<unsigned char>(chunk));
        if (r != 0 && r != 3)
            return SC_CMD_FAILED;
        offset += chunk;
    }
    return 0;
}

int CSC_Profile_Base::ReadRecord(unsigned char number, unsigned char* buffer, unsigned short* length) {
    if (buffer == nullptr || length == nullptr)
        return SC_CMD_FAILED;
    unsigned long capacity = capacityOf(length);
    unsigned char record[512];
    int r = SCReadRecord(number, record);
    if (r != 0 && r != 3)
        return SC_CMD_FAILED;
    unsigned long n = m_respLen < capacity ? m_respLen : capacity;
    std::memcpy(buffer, record, n);
    *length = static_cast<unsigned short>(n);
    return 0;
}

int CSC_Profile_Base::ReadAllRecords(unsigned char* buffer, unsigned short* length) {
    if (buffer == nullptr || length == nullptr)
        return SC_CMD_FAILED;
    unsigned long capacity = capacityOf(length);
    unsigned long total = 0;
    unsigned char record[512];
    int number = 1;
    // Record numbers are one byte; 255 is not a record number.
    for (; number <= 254; ++number) {
        int r = SCReadRecord(static_cast<unsigned char>(number), record);
        if (r != 0 && r != 3)
            break;
        unsigned long header = recordHeaderLength(record, m_respLen);
        if (m_respLen > header) {
            unsigned long n = m_respLen - header;
            if (total + n > capacity)
                return SC_CMD_FAILED;
            std::memcpy(buffer + total, record + header, n);
            total += n;
        }
    }
    *length = static_cast<unsigned short>(total);
    return number == 1 ? SC_CMD_FAILED : 0;
}

int CSC_Profile_Base::GetChallange(unsigned char* out, unsigned long length) {
    VnTraceScope trace("CSmartCard::GetChallange");
    if (out == nullptr || length == 0)
        return SC_CMD_FAILED;
    unsigned long done = 0;
    bool first = true;
    while (done < length) {
        FormatAPDU(kApduCase2Lc, 0x00, 0x84, 0x00, 0x00, 8, 0, nullptr, 0);
        if (!SendToCard())
            return SC_CMD_FAILED;
        if (!isSW(0x90, 0x00)) {
            if (first && (isSW(0x69, 0x85) || isSW(0x68, 0x00)))
                return kCardNoChallenge;
            return SC_CMD_FAILED;
        }
        unsigned long n = length - done < 8 ? length - done : 8;
        // A short answer would leave bytes of the challenge unset.
        if (m_respLen < n)
            return SC_CMD_FAILED;
        std::memcpy(out + done, m_response.data(), n);
        done += n;
        first = false;
    }
    return 0;
}
