#include "PinPadStructures.h"

#include "ScPcsc.h"

namespace vn_cardos {

void setMaxExtra(unsigned char* at, unsigned minimum, unsigned maximum) {
    at[0] = static_cast<unsigned char>(maximum);
    at[1] = static_cast<unsigned char>(minimum);
}

void setDataLength(unsigned char* at, uint32_t length) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(length >> (8 * i));
}

PIN_VERIFY_STRUCTURE* defaultVerifyStructure(unsigned char minimum, unsigned char maximum) {
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

PIN_MODIFY_STRUCTURE* defaultModifyStructure(unsigned char minimum, unsigned char maximum) {
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

void format2AdjustVerify(PIN_VERIFY_STRUCTURE* s, unsigned char ref, unsigned char minimum, unsigned char maximum) {
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

void format2AdjustModify(PIN_MODIFY_STRUCTURE* s, unsigned char ref, unsigned char minimum, unsigned char maximum,
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

void adjustLimits(PIN_VERIFY_STRUCTURE* s, unsigned char minimum, unsigned char maximum) {
    if (s != nullptr)
        setMaxExtra(CSC_Profile_Base::bytesOf(s) + pv::MaxExtra, minimum, maximum);
}

void adjustLimits(PIN_MODIFY_STRUCTURE* s, unsigned char minimum, unsigned char maximum) {
    if (s != nullptr)
        setMaxExtra(CSC_Profile_Base::bytesOf(s) + pm::MaxExtra, minimum, maximum);
}

void asciiAdjustVerify(PIN_VERIFY_STRUCTURE* s, unsigned char ref, unsigned char blockString, uint32_t dataLength,
                       unsigned char minimum, unsigned char maximum) {
    if (s == nullptr)
        return;
    unsigned char* b = CSC_Profile_Base::bytesOf(s);
    b[pv::FormatString] = 0x82;
    b[pv::BlockString] = blockString;
    b[pv::LengthFormat] = 0x00;
    setMaxExtra(b + pv::MaxExtra, minimum, maximum);
    setDataLength(b + pv::DataLength, dataLength);
    b[pv::Data + 3] = ref;
}

void asciiAdjustModify(PIN_MODIFY_STRUCTURE* s, unsigned char ref, unsigned char minimum, unsigned char maximum) {
    if (s == nullptr)
        return;
    unsigned char* b = CSC_Profile_Base::bytesOf(s);
    b[pm::FormatString] = 0x82;
    b[pm::BlockString] = 0x08;
    b[pm::LengthFormat] = 0x00;
    b[pm::OffsetOld] = 0x00;
    b[pm::OffsetNew] = 0x08;
    setMaxExtra(b + pm::MaxExtra, minimum, maximum);
    setDataLength(b + pm::DataLength, 21);
    b[pm::Data + 3] = ref;
}

Bytes format2VerifyMessage(const PIN_VERIFY_STRUCTURE* s) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(s);
    Bytes m;
    m.reserve(64);
    m.insert(m.end(), b, b + VN_PIN_VERIFY_SIZE);
    const unsigned char tail[9] = {0x08, 0x20, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    m.insert(m.end(), tail, tail + sizeof(tail));
    return m;
}

Bytes format2ModifyMessage(const PIN_MODIFY_STRUCTURE* s) {
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

int startPinPad(CSC_Profile_Base& card, bool modify, Bytes message) {
    const CSC_Pcsc* p = card.getPcsc();
    if (p == nullptr)
        return 1;
    unsigned long code = modify ? (p->getModifyStartIoctl() ? p->getModifyStartIoctl() : p->getModifyDirectIoctl())
                                : (p->getVerifyStartIoctl() ? p->getVerifyStartIoctl() : p->getVerifyDirectIoctl());
    return card.TransmitControl(code, message.data(), message.size()) ? 0 : 1;
}

int startFormat2Verify(CSC_Profile_Base& card) {
    if (card.getVerifyStructure() == nullptr)
        return 1;
    return startPinPad(card, false, format2VerifyMessage(card.getVerifyStructure()));
}

int startFormat2Modify(CSC_Profile_Base& card) {
    if (card.getModifyStructure() == nullptr)
        return 1;
    return startPinPad(card, true, format2ModifyMessage(card.getModifyStructure()));
}

int startPinPadTemplate(CSC_Profile_Base& card, bool modify, unsigned char templateLength, unsigned char filler) {
    const unsigned char* b = modify ? CSC_Profile_Base::bytesOf(card.getModifyStructure())
                                    : CSC_Profile_Base::bytesOf(card.getVerifyStructure());
    if (b == nullptr)
        return 1;
    Bytes m;
    m.reserve(64);
    m.insert(m.end(), b, b + (modify ? VN_PIN_MODIFY_SIZE : VN_PIN_VERIFY_SIZE));
    m.push_back(templateLength);
    m.insert(m.end(), templateLength, filler);
    return startPinPad(card, modify, m);
}

}  // namespace vn_cardos
