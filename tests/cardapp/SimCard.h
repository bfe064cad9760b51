// A simulated card (card simulator engine) in an in-process PC/SC reader, with a
// generic ISO card-OS object on it, for the card application tests.
#ifndef VN_TESTS_CARDAPP_SIMCARD_H
#define VN_TESTS_CARDAPP_SIMCARD_H

#include <pcscsim/Simulator.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "SC_Profile.h"
#include "SC_Profile_Base.h"

// ISO selection with FCP answers, READ BINARY/RECORD of the base class, GET DATA, and
// the serial number from EF.GDO (3F00/2F02, tag 5A).
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

inline std::string pkiDir() { return std::string(VN_BINARY_DIR) + "/pki"; }
inline std::string imageDir() { return std::string(VN_SOURCE_DIR) + "/tools/cardsim/images"; }

inline std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline std::string hexOf(const std::vector<uint8_t>& b) {
    static const char d[] = "0123456789ABCDEF";
    std::string s;
    for (uint8_t c : b) {
        s += d[c >> 4];
        s += d[c & 15];
        s += ' ';
    }
    return s;
}

// One reader with one card; the card-OS object is connected and typed.
class SimBench {
public:
    static constexpr const char* Reader = "VN Cardapp Reader 0";

    // image: a file name in the image folder ("starcos35-a") or image text (with "[card]").
    SimBench(const std::string& image, int cardType) {
        pcscsim::reset();
        if (image.find("[card]") != std::string::npos)
            m_card = std::shared_ptr<cardsim::Card>(cardsim::Card::fromText(image, pkiDir()));
        else
            m_card = std::shared_ptr<cardsim::Card>(cardsim::Card::fromFile(imageDir() + "/" + image + ".card", pkiDir()));
        pcscsim::addReader(Reader, pcscsim::plainReader());
        pcscsim::insertCard(Reader, m_card);
        m_os = new CSimCardOs();
        m_os->UpdateSCardType(cardType);
        m_connected = m_os->connectCard(Reader, 0) == 0;
        m_card->clearTranscript();
    }
    ~SimBench() {
        m_profile.reset();
        delete m_os;
        pcscsim::reset();
    }
    bool connected() const { return m_connected; }
    CSimCardOs* os() { return m_os; }
    cardsim::Card& card() { return *m_card; }
    CSC_Profile* detect() {
        m_profile.reset(new CSC_Profile(m_os));
        return m_profile.get();
    }
    size_t commands() const {
        size_t n = 0;
        for (const auto& e : m_card->transcript())
            if (e.kind == cardsim::Exchange::Kind::Apdu)
                ++n;
        return n;
    }

private:
    std::shared_ptr<cardsim::Card> m_card;
    CSimCardOs* m_os = nullptr;
    bool m_connected = false;
    std::unique_ptr<CSC_Profile> m_profile;
};

#endif
