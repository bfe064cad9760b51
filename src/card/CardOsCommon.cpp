#include "CardOsCommon.h"

#include <cctype>
#include <cstring>

#include "ScPcsc.h"
#include "vn_log.h"

namespace vn_cardos {

bool send(CSC_Profile_Base& card, unsigned char form, unsigned char cla, unsigned char ins, unsigned char p1,
          unsigned char p2, const Bytes& data, unsigned short le) {
    if (data.size() > 0xFFFF)
        return false;
    unsigned short lc = static_cast<unsigned short>(data.size());
    card.FormatAPDU(form, cla, ins, p1, p2, lc, le, lc ? const_cast<unsigned char*>(data.data()) : nullptr, lc);
    return card.SendToCard();
}

bool format2Block(const unsigned char* pin, unsigned length, unsigned char out[8]) {
    if (pin == nullptr || length == 0 || length > 14)
        return false;
    std::memset(out, 0xFF, 8);
    out[0] = static_cast<unsigned char>(0x20 | length);
    for (unsigned i = 0; i < length; ++i) {
        if (pin[i] < '0' || pin[i] > '9')
            return false;
        unsigned char digit = static_cast<unsigned char>(pin[i] - '0');
        unsigned char& b = out[1 + i / 2];
        b = (i % 2 == 0) ? static_cast<unsigned char>((digit << 4) | 0x0F) : static_cast<unsigned char>((b & 0xF0) | digit);
    }
    return true;
}

bool paddedBlock(const unsigned char* pin, unsigned length, unsigned size, Bytes& out) {
    if ((pin == nullptr && length) || length > size)
        return false;
    out.assign(size, 0x00);
    if (length)
        std::memcpy(out.data(), pin, length);
    return true;
}

int fcpFileSize(const unsigned char* r, unsigned length, bool acceptFci) {
    if (r == nullptr || length <= 5 || (r[0] != 0x62 && !(acceptFci && r[0] == 0x6F)))
        return 0;
    unsigned end = 2u + r[1] < length ? 2u + r[1] : length;
    int found81 = -1;
    for (unsigned i = 2; i + 1 < end;) {
        unsigned char tag = r[i], len = r[i + 1];
        if (i + 2u + len > end)
            break;
        if (tag == 0x80 || tag == 0x81) {
            int v = 0;
            for (unsigned j = 0; j < len && j < 4; ++j)
                v = v * 256 + r[i + 2 + j];
            v = static_cast<int16_t>(v & 0xFFFF);
            if (tag == 0x80) {
                vn_log(3, "value : %d\n", v);
                return v;
            }
            found81 = v;
        }
        i += 2u + len;
    }
    if (found81 >= 0 && acceptFci) {
        vn_log(3, "value : %d\n", found81);
        return found81;
    }
    return 0;
}

int selectResult(uint32_t status, bool notFound) {
    switch (status) {
    case sw(0x90, 0x00): return 0;
    case sw(0x67, 0x00): return 1;
    case sw(0x6A, 0x87): return 2;
    case sw(0x6A, 0x82): return notFound ? 12 : CSC_Profile_Base::SC_CMD_FAILED;
    default: return CSC_Profile_Base::SC_CMD_FAILED;
    }
}

bool copyResponse(const CSC_Profile_Base& card, unsigned char* out, unsigned long* outLength,
                  unsigned long capacity) {
    unsigned long n = card.getResponseLength();
    if (out == nullptr || outLength == nullptr || (capacity != 0 && n > capacity))
        return false;
    if (n)
        std::memcpy(out, card.getResponse(), n);
    *outLength = n;
    return true;
}

void readSerialFile(CSC_Profile_Base& card, const std::string& path) {
    if (card.SelectPath(path, true, true, false, false) != 0) {
        card.SetSerialNumber(nullptr, 0);
        return;
    }
    unsigned char buffer[1024];
    unsigned short length = sizeof(buffer);
    if (card.ReadFile(buffer, &length) != 0) {
        card.SetSerialNumber(nullptr, 0);
        return;
    }
    if (length >= 2 && 2u + buffer[1] <= length)
        card.SetSerialNumber(buffer + 2, buffer[1]);
    else
        card.SetSerialNumber(buffer, length);
}

int starcosResult(uint32_t status, bool with6982, int& tries) {
    tries = -1;
    unsigned sw1 = status & 0xFFFF, sw2 = status >> 16;
    if (sw1 == 0x63 && (sw2 & 0xF0) == 0xC0)
        tries = static_cast<int>(sw2 & 0x0F);
    switch (status) {
    case sw(0x90, 0x00): return 0;
    case sw(0x69, 0x85): return 4;
    case sw(0x69, 0x84): return 5;
    case sw(0x69, 0x83): return CSC_Profile_Base::SC_CMD_COUNTERFAILED;
    case sw(0x69, 0x82): return with6982 ? 13 : CSC_Profile_Base::SC_CMD_FAILED;
    default: return CSC_Profile_Base::SC_CMD_FAILED;
    }
}

int cardosResult(uint32_t status, int& tries) {
    tries = -1;
    switch (status) {
    case sw(0x90, 0x00): return 0;
    case sw(0x63, 0x00): return CSC_Profile_Base::SC_CMD_AUTH_FAILED;
    case sw(0x69, 0x83): return CSC_Profile_Base::SC_CMD_COUNTERFAILED;
    case sw(0x64, 0x01):
    case sw(0x64, 0x02):
    case sw(0x64, 0x03): return 7;
    default: return CSC_Profile_Base::SC_CMD_FAILED;
    }
}

std::string upperPath(const std::string& path) {
    std::string out;
    for (char c : path)
        if (c != '/')
            out.push_back(static_cast<char>(toupper(static_cast<unsigned char>(c))));
    return out;
}

unsigned char hashRef(unsigned int algId) {
    unsigned char h = 0x30;
    if (algId & 4)
        h = 0x10;
    if ((algId & 7) == 7)
        h = 0x20;
    if ((algId & 12) == 12)
        h = 0x30;
    if ((algId & 13) == 13)
        h = 0x40;
    if ((algId & 14) == 14)
        h = 0x50;
    return h;
}

void setMaxExtra(unsigned char* at, unsigned minimum, unsigned maximum) {
    at[0] = static_cast<unsigned char>(maximum);
    at[1] = static_cast<unsigned char>(minimum);
}

void setDataLength(unsigned char* at, uint32_t length) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(length >> (8 * i));
}

PIN_VERIFY_STRUCTURE* starcosVerifyStructure(unsigned char minimum, unsigned char maximum) {
    PIN_VERIFY_STRUCTURE* s = CSC_Profile_Base::NewVerifyStructure();
    unsigned char* b = CSC_Profile_Base::bytesOf(s);
    b[pv::TimerOut] = 30;
    b[pv::TimerOut2] = 30;
    b[pv::FormatString] = 0x02;
    setMaxExtra(b + pv::MaxExtra, minimum, maximum);
    b[pv::Validation] = 0x02;
    b[pv::NumberMessage] = 0x01;
    setDataLength(b + pv::DataLength, 4);
    b[pv::Data + 1] = 0x20;
    return s;
}

PIN_MODIFY_STRUCTURE* starcosModifyStructure(unsigned char minimum, unsigned char maximum) {
    PIN_MODIFY_STRUCTURE* s = CSC_Profile_Base::NewModifyStructure();
    unsigned char* b = CSC_Profile_Base::bytesOf(s);
    b[pm::TimerOut] = 30;
    b[pm::TimerOut2] = 30;
    b[pm::FormatString] = 0x02;
    setMaxExtra(b + pm::MaxExtra, minimum, maximum);
    b[pm::Confirm] = 0x03;
    b[pm::Validation] = 0x02;
    b[pm::NumberMessage] = 0x03;
    b[pm::MsgIndex2] = 0x01;
    b[pm::MsgIndex3] = 0x02;
    setDataLength(b + pm::DataLength, 4);
    b[pm::Data + 1] = 0x24;
    return s;
}

void starcosAdjustVerify(PIN_VERIFY_STRUCTURE* s, unsigned char ref, unsigned char minimum, unsigned char maximum) {
    if (s == nullptr)
        return;
    unsigned char* b = CSC_Profile_Base::bytesOf(s);
    b[pv::FormatString] = 0x89;
    b[pv::BlockString] = 0x47;
    b[pv::LengthFormat] = 0x04;
    setMaxExtra(b + pv::MaxExtra, minimum, maximum);
    setDataLength(b + pv::DataLength, 13);
    b[pv::Data] = 0x00;
    b[pv::Data + 1] = 0x20;
    b[pv::Data + 2] = 0x00;
    b[pv::Data + 3] = ref;
}

void starcosAdjustModify(PIN_MODIFY_STRUCTURE* s, unsigned char ref, unsigned char minimum, unsigned char maximum,
                         const std::string& readerName) {
    if (s == nullptr)
        return;
    unsigned char* b = CSC_Profile_Base::bytesOf(s);
    b[pm::FormatString] = 0x89;
    b[pm::BlockString] = 0x47;
    b[pm::LengthFormat] = 0x04;
    b[pm::OffsetOld] = 0x00;
    b[pm::OffsetNew] = 0x08;
    if (readerName.find("KOBIL Systems KAAN Advanced") != std::string::npos) {
        b[pm::OffsetOld] = 0x01;
        b[pm::OffsetNew] = 0x09;
    }
    setMaxExtra(b + pm::MaxExtra, minimum > 0 ? minimum - 1u : 0u, maximum);
    setDataLength(b + pm::DataLength, 21);
    b[pm::Data] = 0x00;
    b[pm::Data + 1] = 0x24;
    b[pm::Data + 2] = 0x00;
    b[pm::Data + 3] = ref;
}

Bytes starcosVerifyMessage(const PIN_VERIFY_STRUCTURE* s) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(s);
    Bytes m;
    m.reserve(64);
    m.insert(m.end(), b, b + VN_PIN_VERIFY_SIZE);
    const unsigned char tail[9] = {0x08, 0x20, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    m.insert(m.end(), tail, tail + sizeof(tail));
    return m;
}

Bytes starcosModifyMessage(const PIN_MODIFY_STRUCTURE* s) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(s);
    Bytes m;
    m.reserve(64);
    m.insert(m.end(), b, b + VN_PIN_MODIFY_SIZE);
    m.push_back(0x10);
    for (int i = 0; i < 2; ++i) {
        m.push_back(0x2F);
        m.insert(m.end(), 7, 0xFF);
    }
    return m;
}

int f2Verify(CSC_Profile_Base& card, unsigned char ref, const unsigned char* pin, unsigned length) {
    unsigned char block[8];
    if (!format2Block(pin, length, block))
        return CSC_Profile_Base::SC_CMD_FAILED;
    bool sent = send(card, 6, 0x00, 0x20, 0x00, ref, Bytes(block, block + 8), 0);
    std::memset(block, 0, sizeof(block));
    return sent ? card.returnResult() : CSC_Profile_Base::SC_CMD_FAILED;
}

namespace {
int twoBlocks(CSC_Profile_Base& card, unsigned char p1, unsigned char ins, unsigned char ref, const unsigned char* a,
              unsigned aLength, const unsigned char* b, unsigned bLength) {
    unsigned char first[8], second[8];
    int r = CSC_Profile_Base::SC_CMD_FAILED;
    if (format2Block(a, aLength, first) && format2Block(b, bLength, second)) {
        Bytes data(first, first + 8);
        data.insert(data.end(), second, second + 8);
        if (send(card, 6, 0x00, ins, p1, ref, data, 0))
            r = card.returnResult();
        std::fill(data.begin(), data.end(), 0);
    }
    std::memset(first, 0, 8);
    std::memset(second, 0, 8);
    return r;
}
}  // namespace

int f2Change(CSC_Profile_Base& card, unsigned char ref, const unsigned char* oldPin, unsigned oldLength,
             const unsigned char* newPin, unsigned newLength, unsigned minNew, unsigned maxNew) {
    if (newLength < minNew || newLength > maxNew)
        return CSC_Profile_Base::SC_CMD_FAILED;
    return twoBlocks(card, 0x00, 0x24, ref, oldPin, oldLength, newPin, newLength);
}

int f2Unblock(CSC_Profile_Base& card, unsigned char ref, const unsigned char* puk, unsigned pukLength,
              const unsigned char* newPin, unsigned newLength, unsigned minNew, unsigned maxNew) {
    if (newLength < minNew || newLength > maxNew)
        return CSC_Profile_Base::SC_CMD_FAILED;
    return twoBlocks(card, 0x00, 0x2C, ref, puk, pukLength, newPin, newLength);
}

int f2Unblock2(CSC_Profile_Base& card, unsigned char ref, const unsigned char* puk, unsigned pukLength) {
    unsigned char block[8];
    if (!format2Block(puk, pukLength, block))
        return CSC_Profile_Base::SC_CMD_FAILED;
    bool sent = send(card, 6, 0x00, 0x2C, 0x01, ref, Bytes(block, block + 8), 0);
    std::memset(block, 0, sizeof(block));
    return sent ? card.returnResult() : CSC_Profile_Base::SC_CMD_FAILED;
}

int selectId(CSC_Profile_Base& card, unsigned char form, unsigned char p1, unsigned char p2, const unsigned char* id,
             unsigned short le, bool notFound) {
    if (id == nullptr || !send(card, form, 0x00, 0xA4, p1, p2, Bytes(id, id + 2), le))
        return CSC_Profile_Base::SC_CMD_FAILED;
    return selectResult(card.getSW(), notFound);
}

int startPinPad(CSC_Profile_Base& card, bool modify, Bytes message) {
    const CSC_Pcsc* p = card.getPcsc();
    if (p == nullptr)
        return 1;
    unsigned long code = modify ? (p->getModifyStartIoctl() ? p->getModifyStartIoctl() : p->getModifyDirectIoctl())
                                : (p->getVerifyStartIoctl() ? p->getVerifyStartIoctl() : p->getVerifyDirectIoctl());
    return card.TransmitControl(code, message.data(), message.size()) ? 0 : 1;
}

int startStarcosVerify(CSC_Profile_Base& card) {
    if (card.getVerifyStructure() == nullptr)
        return 1;
    return startPinPad(card, false, starcosVerifyMessage(card.getVerifyStructure()));
}

int startStarcosModify(CSC_Profile_Base& card) {
    if (card.getModifyStructure() == nullptr)
        return 1;
    return startPinPad(card, true, starcosModifyMessage(card.getModifyStructure()));
}

int decipher(CSC_Profile_Base& card, const Bytes& se, unsigned char prefix, const unsigned char* in,
             unsigned long inLength, unsigned char* out, unsigned long* outLength, bool extended) {
    if (in == nullptr || inLength == 0 || inLength > 0xFFF0 || outLength == nullptr ||
        (!extended && inLength > 254))
        return CSC_Profile_Base::SC_CMD_FAILED;
    if (!se.empty() && (!send(card, 6, 0x00, 0x22, 0x41, 0xB8, se, 0) || card.getSW() != sw(0x90, 0x00)))
        return CSC_Profile_Base::SC_CMD_FAILED;
    Bytes data(in, in + inLength);
    data.insert(data.begin(), prefix);
    if (!send(card, extended ? 7 : 5, 0x00, 0x2A, 0x80, 0x86, data, 0x0000))
        return CSC_Profile_Base::SC_CMD_FAILED;
    if (card.getSW() == sw(0x69, 0x82))
        return 13;
    if (card.getSW() != sw(0x90, 0x00) || !copyResponse(card, out, outLength, *outLength))
        return CSC_Profile_Base::SC_CMD_FAILED;
    return 0;
}

int signResult(CSC_Profile_Base& card, unsigned char* signature, unsigned long* signatureLength,
               std::initializer_list<uint32_t> authFailures) {
    if (card.getSW() == sw(0x90, 0x00))
        return copyResponse(card, signature, signatureLength, signatureLength ? *signatureLength : 0)
                   ? 0
                   : CSC_Profile_Base::SC_CMD_FAILED;
    for (uint32_t s : authFailures)
        if (card.getSW() == s)
            return 13;
    return CSC_Profile_Base::SC_CMD_FAILED;
}

int cardosChipId(CSC_Profile_Base& card) {
    card.FormatAPDU(4, 0x00, 0xCA, 0x01, 0x81, 0, 0, nullptr, 0);
    if (!card.SendToCard() || card.getSW() != sw(0x90, 0x00)) {
        card.SetSerialNumber(nullptr, 0);
        return CSC_Profile_Base::SC_CMD_FAILED;
    }
    unsigned char id[8];
    int n = card.getResponseLength() < 8 ? card.getResponseLength() : 8;
    std::memcpy(id, card.getResponse(), static_cast<size_t>(n));
    card.SetSerialNumber(id, n);
    return 0;
}

int cardosSelectMF(CSC_Profile_Base& card) {
    markMasterFile(card);
    if (!send(card, 2, 0x00, 0xA4, 0x00, 0x04, Bytes(), 0x00))
        return CSC_Profile_Base::SC_CMD_FAILED;
    return selectResult(card.getSW(), false);
}

void cardosPinLimits(int profileType, bool fiveFor41, unsigned char& minimum, unsigned char& maximum) {
    maximum = 15;
    minimum = 8;
    if (profileType == 21 || profileType == 24 || profileType == 25 || profileType == 29)
        minimum = 6;
    if (profileType == 40 || (fiveFor41 && profileType == 41))
        minimum = 5;
}

}  // namespace vn_cardos
