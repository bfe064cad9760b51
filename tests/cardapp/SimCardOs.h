// A generic ISO card-OS object for the card application tests: ISO selection with FCP
// answers, the base class's file commands, GET DATA, and the serial from EF.GDO.
#ifndef VN_TESTS_CARDAPP_SIMCARDOS_H
#define VN_TESTS_CARDAPP_SIMCARDOS_H

#include <cstring>
#include <string>

#include "../card/TestCardOs.h"

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

// The card layer's test object (ISO selection with FCP answers, GET DATA) with what
// detection needs beside it: sizes also from tag 81, the SmartCard-HSM object list,
// the serial number from EF.GDO (3F00/2F02, tag 5A), no signing and empty pin-pad
// structures.
class CSimCardOs : public CTestCardOs {
public:
    using CTestCardOs::CTestCardOs;

    int GetFileLen() override { return fcpFileSize(true); }
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
    PIN_VERIFY_STRUCTURE* InitPart10_Verify() override { return NewVerifyStructure(); }
    PIN_MODIFY_STRUCTURE* InitPart10_Modify() override { return NewModifyStructure(); }
};

#endif
