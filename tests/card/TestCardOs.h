// A concrete card-OS object for the tests: ISO selection with FCP answers, as the
// STARCOS 3.5 family does it, and the base class for everything else.
#ifndef VN_TESTS_CARD_TESTCARDOS_H
#define VN_TESTS_CARD_TESTCARDOS_H

#include <cstring>

#include "SC_Profile_Base.h"

class CTestCardOs : public CSC_Profile_Base {
public:
    using CSC_Profile_Base::CSC_Profile_Base;

    int GetFileLen() override { return static_cast<int16_t>(fcpFileSize(false)); }
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
    int SCSignData(std::string, unsigned char, int keyBits, unsigned int algId, unsigned char* hash,
                   unsigned long hashLength, unsigned char* signature, unsigned long* signatureLength, int) override {
        unsigned char* block = nullptr;
        unsigned long blockLength = 0;
        if (BuildSignBuffer(algId, keyBits, hash, hashLength, &block, &blockLength, false) != 0)
            return SC_CMD_FAILED;
        FormatAPDU(5, 0x00, 0x2A, 0x9E, 0x9A, static_cast<unsigned short>(blockLength), 0, block,
                   static_cast<unsigned short>(blockLength));
        bool sent = SendToCard();
        delete[] block;
        if (!sent || !isSW(0x90, 0x00))
            return SC_CMD_FAILED;
        std::memcpy(signature, m_response.data(), m_respLen);
        *signatureLength = m_respLen;
        return 0;
    }
    int SCRSADecrypt(std::string, unsigned char, unsigned char*, unsigned long, unsigned char*, unsigned long*,
                     int) override {
        return SC_CMD_FAILED;
    }
    PIN_VERIFY_STRUCTURE* InitPart10_Verify() override {
        PIN_VERIFY_STRUCTURE* s = NewVerifyStructure();
        unsigned char* b = bytesOf(s);
        b[0] = verifyTimeout;
        b[1] = verifyTimeout;
        b[2] = 0x02;
        b[5] = m_maxPinLen;
        b[6] = m_minPinLen;
        b[7] = 0x02;
        b[8] = 0x01;
        b[15] = 4;
        b[19] = 0x00;
        b[20] = 0x20;
        return s;
    }
    PIN_MODIFY_STRUCTURE* InitPart10_Modify() override {
        PIN_MODIFY_STRUCTURE* s = NewModifyStructure();
        unsigned char* b = bytesOf(s);
        b[0] = verifyTimeout;
        b[1] = verifyTimeout;
        b[2] = 0x02;
        b[7] = m_maxPinLen;
        b[8] = m_minPinLen;
        b[9] = 0x03;
        b[10] = 0x02;
        b[11] = 0x03;
        b[20] = 4;
        b[25] = 0x24;
        return s;
    }

    // Test access to protected state.
    int currDFLen() const { return m_currDFLen; }
    int currEFLen() const { return m_currEFLen; }
    unsigned short maxRead() const { return m_maxRead; }
    void setMaxRead(unsigned short n) { m_maxRead = n; }
    void setReaderName(const std::string& name) { m_readerName = name; }
    void setSW(unsigned char a, unsigned char b) { m_sw1 = a; m_sw2 = b; }

    unsigned char verifyTimeout = 30;

protected:
    // File size from the FCP template 62 L ... of the last selection: tag 80 (and 81
    // where asked); 0 without a template or size.
    int fcpFileSize(bool alsoTag81) const {
        if (m_respLen <= 5 || m_response[0] != 0x62)
            return 0;
        size_t end = 2u + m_response[1] < m_respLen ? 2u + m_response[1] : m_respLen;
        for (size_t i = 2; i + 1 < end;) {
            unsigned char tag = m_response[i], len = m_response[i + 1];
            if (i + 2 + len > end)
                return 0;
            if (tag == 0x80 || (alsoTag81 && tag == 0x81)) {
                int v = 0;
                for (unsigned j = 0; j < len; ++j)
                    v = v * 256 + m_response[i + 2 + j];
                return v;
            }
            i += 2u + len;
        }
        return 0;
    }

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
