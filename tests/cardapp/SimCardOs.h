// A generic ISO card-OS object for the card application tests: ISO selection with FCP
// answers, the base class's file commands, GET DATA, and the serial from EF.GDO.
#ifndef VN_TESTS_CARDAPP_SIMCARDOS_H
#define VN_TESTS_CARDAPP_SIMCARDOS_H

#include <cstring>
#include <string>

#include "SC_Profile_Base.h"

// Replaces every line that begins with prefix by line, and every occurrence of from by to.
inline std::string replaceLines(std::string text, const std::string& prefix, const std::string& line) {
    size_t at = 0;
    while ((at = text.find("\n" + prefix, at)) != std::string::npos) {
        size_t end = text.find('\n', at + 1);
        text.replace(at + 1, (end == std::string::npos ? text.size() : end) - at - 1, line);
        at += 1 + line.size();
    }
    return text;
}
inline std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}


// ISO selection with FCP answers, READ BINARY/RECORD of the base class, GET DATA, the
// SmartCard-HSM object list, and the serial number from EF.GDO (3F00/2F02, tag 5A).
class CSimCardOs : public CSC_Profile_Base {
public:
    using CSC_Profile_Base::CSC_Profile_Base;

    int GetFileLen() override {
        if (m_respLen <= 5 || m_response[0] != 0x62)
            return 0;
        size_t end = 2u + m_response[1] < m_respLen ? 2u + m_response[1] : m_respLen;
        for (size_t i = 2; i + 1 < end;) {
            unsigned char tag = m_response[i], len = m_response[i + 1];
            if (i + 2 + len > end)
                return 0;
            if (tag == 0x80 || tag == 0x81) {
                int v = 0;
                for (unsigned j = 0; j < len; ++j)
                    v = v * 256 + m_response[i + 2 + j];
                return v;
            }
            i += 2u + len;
        }
        return 0;
    }
    int GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out, unsigned long* outLength) override {
        FormatAPDU(4, 0x00, 0xCA, p1, p2, 0, 0, nullptr, 0);
        if (!SendToCard() || !isSW(0x90, 0x00))
            return SC_CMD_FAILED;
        std::memcpy(out, m_response.data(), m_respLen);
        *outLength = m_respLen;
        return 0;
    }
    int SCSelectMF() override {
        unsigned char mf[2] = {0x3F, 0x00};
        FormatAPDU(5, 0x00, 0xA4, 0x00, 0x04, 2, 0, mf, 2);
        m_currDF[0] = 0x3F;
        m_currDF[1] = 0x00;
        m_currDFLen = 2;
        m_currEFLen = 0;
        if (!SendToCard())
            return SC_CMD_FAILED;
        return selectResult();
    }
    int SCSelectDF(unsigned char* id, int) override {
        FormatAPDU(5, 0x00, 0xA4, 0x01, 0x04, 2, 0xFF, id, 2);
        if (!SendToCard())
            return SC_CMD_FAILED;
        return selectResult();
    }
    int SCSelectEF(unsigned char* id) override {
        FormatAPDU(5, 0x00, 0xA4, 0x02, 0x04, 2, 0x00, id, 2);
        return SCSelect();
    }
    std::string getCardSerial() override {
        if (m_serial.empty() && SelectPath("3f002f02", true, true, false, false) == 0) {
            unsigned char gdo[64];
            unsigned short n = sizeof gdo;
            if (ReadFile(gdo, &n) == 0 && n > 2 && gdo[0] == 0x5A && 2u + gdo[1] <= n)
                m_serial = hex2str(gdo + 2, gdo[1]);
        }
        return m_serial;
    }
    // The SmartCard-HSM object list (80 58), answered by the hsm dialect only.
    int SCEnumerateObjects(unsigned char* out, unsigned long* outLength) override {
        FormatAPDU(2, 0x80, 0x58, 0x00, 0x00, 0, 0, nullptr, 0);
        if (!SendToCard() || !isSW(0x90, 0x00) || m_respLen > *outLength)
            return SC_CMD_FAILED;
        std::memcpy(out, m_response.data(), m_respLen);
        *outLength = m_respLen;
        return 0;
    }
    int SCSignData(std::string, unsigned char, int, unsigned int, unsigned char*, unsigned long, unsigned char*,
                   unsigned long*, int) override {
        return SC_CMD_FAILED;
    }
    int SCRSADecrypt(std::string, unsigned char, unsigned char*, unsigned long, unsigned char*, unsigned long*,
                     int) override {
        return SC_CMD_FAILED;
    }
    PIN_VERIFY_STRUCTURE* InitPart10_Verify() override { return NewVerifyStructure(); }
    PIN_MODIFY_STRUCTURE* InitPart10_Modify() override { return NewModifyStructure(); }

private:
    int selectResult() {
        switch (getSW()) {
        case sw(0x90, 0x00): return 0;
        case sw(0x67, 0x00): return 1;
        case sw(0x6A, 0x87): return 2;
        default: return SC_CMD_FAILED;
        }
    }
};

#endif
