// A concrete card-OS object for the tests: ISO selection with FCP answers, as the
// STARCOS 3.5 family does it, and the base class for everything else.
#ifndef VN_TESTS_CARD_TESTCARDOS_H
#define VN_TESTS_CARD_TESTCARDOS_H

#include <cstring>

#include "SC_Profile_Base.h"
#include "card/IsoCommands.h"
#include "card/PinPadStructures.h"

class CTestCardOs : public CSC_Profile_Base {
public:
    using CSC_Profile_Base::CSC_Profile_Base;

    int GetFileLen() override { return fcpFileSize(false); }
    int GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                unsigned long* outLength) override {
        return vn_cardos::getDataNoLe(*this, 0x00, p1, p2, out, outLength);
    }
    int SCSelectMF() override { return vn_cardos::selectMasterFile(*this, vn_cardos::kApduCase4, 0x04, 0x00); }
    int SCSelectDF(unsigned char* id, int) override {
        return vn_cardos::selectId(*this, vn_cardos::kApduCase4, 0x01, 0x04, id, 0xFF, false);
    }
    int SCSelectEF(unsigned char* id) override { return vn_cardos::selectFileFcp(*this, id); }
    int SCSignData(std::string, unsigned char, int keyBits, unsigned int algId, unsigned char* hash,
                   unsigned long hashLength, unsigned char* signature, unsigned long* signatureLength, int) override {
        return vn_cardos::signBlock(*this, vn_cardos::psoSignature(vn_cardos::kApduCase4, 0), keyBits, algId, hash,
                                    hashLength, signature, signatureLength, {});
    }
    int SCRSADecrypt(std::string, unsigned char, unsigned char*, unsigned long, unsigned char*, unsigned long*,
                     int) override {
        return SC_CMD_FAILED;
    }
    PIN_VERIFY_STRUCTURE* InitPart10_Verify() override {
        PIN_VERIFY_STRUCTURE* s = vn_cardos::defaultVerifyStructure(m_minPinLen, m_maxPinLen);
        bytesOf(s)[vn_cardos::pv::TimerOut] = verifyTimeout;
        bytesOf(s)[vn_cardos::pv::TimerOut2] = verifyTimeout;
        return s;
    }
    PIN_MODIFY_STRUCTURE* InitPart10_Modify() override {
        PIN_MODIFY_STRUCTURE* s = vn_cardos::defaultModifyStructure(m_minPinLen, m_maxPinLen);
        bytesOf(s)[vn_cardos::pm::TimerOut] = verifyTimeout;
        bytesOf(s)[vn_cardos::pm::TimerOut2] = verifyTimeout;
        return s;
    }

    // Test access to protected state.
    int currDFLen() const { return m_currDFLen; }
    int currEFLen() const { return m_currEFLen; }
    unsigned short maxRead() const { return m_maxRead; }
    void setMaxRead(unsigned short n) { m_maxRead = n; }
    void setReaderName(const std::string& name) { m_readerName = name; }
    void setSW(unsigned char a, unsigned char b) {
        m_sw1 = a;
        m_sw2 = b;
    }

    unsigned char verifyTimeout = 30;

protected:
    // File size from the FCP template of the last selection: tag 80 (and 81 where asked);
    // 0 without a template or size.
    int fcpFileSize(bool alsoTag81) const { return vn_cardos::fcpFileSize(m_response.data(), m_respLen, alsoTag81); }
};

#endif
