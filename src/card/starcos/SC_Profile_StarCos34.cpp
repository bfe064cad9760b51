// STARCOS 3.4: selection and PINs as STARCOS 3.5; PKCS#1 v1.5 signatures over the
// DigestInfo with the security environment kept across signatures.
#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinBlocks.h"
#include "card/PinPadStructures.h"
#include "card/starcos/StarcosFamily.h"
#include "vn_log.h"

using namespace vn_cardos;

void CSC_Profile_StarCos34::SetMinMaxPINLength() {
    m_minPinLen = 6;
    m_maxPinLen = 12;
}

void CSC_Profile_StarCos34::SetUnblockMethod() { m_unblockMethod = 1; }

int CSC_Profile_StarCos34::SCSelectMF() { return selectMasterFile(*this, kApduCase4, 0x04, 0x00); }

int CSC_Profile_StarCos34::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, 0x04, id, 0xFF, false);
}

int CSC_Profile_StarCos34::SCSelectEF(unsigned char* id) { return selectFileFcp(*this, id); }

int CSC_Profile_StarCos34::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, false); }

int CSC_Profile_StarCos34::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                   unsigned long* outLength) {
    return getDataNoLe(*this, 0x00, p1, p2, out, outLength);
}

int CSC_Profile_StarCos34::returnResult() { return loggedResult(starcosResult(getSW(), true, m_remainingTries)); }

int CSC_Profile_StarCos34::SCVerify(unsigned char ref, unsigned char* pin, unsigned char length) {
    return f2Verify(*this, ref, pin, length);
}

int CSC_Profile_StarCos34::SCChangeRef(unsigned char ref, unsigned char* oldPin, unsigned char oldLength,
                                       unsigned char* newPin, unsigned char newLength) {
    return f2ChangeLimited(*this, ref, oldPin, oldLength, newPin, newLength, 1);
}

int CSC_Profile_StarCos34::SCUnblockPin(unsigned char ref, unsigned char* puk, unsigned char pukLength,
                                        unsigned char* newPin, unsigned char newLength) {
    return f2UnblockLimited(*this, ref, puk, pukLength, newPin, newLength);
}

int CSC_Profile_StarCos34::SCUnblockPin2(unsigned char ref, unsigned char* puk, unsigned char pukLength) {
    return f2Unblock2(*this, ref, puk, pukLength);
}

int CSC_Profile_StarCos34::PreSigning(int profileType, std::string keyPath) {
    m_seSet = false;
    m_profileType = profileType;
    m_profileType2 = profileType;
    m_keyPath = keyPath;
    // The D-TRUST layouts name the key by its directory ("3f000604"): a path that is
    // not a file is selected as a directory.
    int r = SelectPath(keyPath, false, false, false, false);
    if (r != 0)
        r = SelectPath(keyPath, true, false, true, false);
    return r;
}

int CSC_Profile_StarCos34::SCManageSE(std::string, unsigned char keyRef, unsigned int) {
    const Bytes data = {0x84, 0x01, keyRef, 0x89, 0x02, 0x13, 0x23};
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateSign).withData(data)) ||
        !isSW(0x90, 0x00)) {
        m_seSet = false;
        return SC_CMD_FAILED;
    }
    m_seSet = true;
    return 0;
}

int CSC_Profile_StarCos34::SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                                      unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                      unsigned long* signatureLength, int) {
    if (!m_seSet && SCManageSE(keyPath, keyRef, algId) != 0)
        return SC_CMD_FAILED;
    SignBlock block;
    if (!digestInfoBlock(algId, keyBits, hash, hashLength, false, block)) {
        m_seSet = false;
        return SC_CMD_FAILED;
    }
    m_seSet = false;
    return signKeepingEnvironment(*this, m_seSet, block, signature, signatureLength,
                                  {kSwConditionsNotSatisfied, kSwSecurityNotSatisfied, kSwSmObjectsIncorrect});
}

int CSC_Profile_StarCos34::SCRSADecrypt(std::string, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                        unsigned char* out, unsigned long* outLength, int) {
    return starcosDecipher(*this, keyRef, in, inLength, out, outLength);
}

void CSC_Profile_StarCos34::ReadCardSerial() { readSerialFile(*this, "3f002f02"); }

std::string CSC_Profile_StarCos34::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

PIN_VERIFY_STRUCTURE* CSC_Profile_StarCos34::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_StarCos34::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}

void CSC_Profile_StarCos34::ModifyVerifyStruct(std::string, unsigned char ref, PIN_VERIFY_STRUCTURE* s) {
    format2AdjustVerify(s, ref, m_minPinLen, m_maxPinLen);
}

void CSC_Profile_StarCos34::ModifyModifyStruct(std::string, unsigned char ref, PIN_MODIFY_STRUCTURE* s) {
    format2AdjustModify(s, ref, m_minPinLen, m_maxPinLen, m_readerName);
}

int CSC_Profile_StarCos34::startPinPadVerify() { return startFormat2Verify(*this); }
int CSC_Profile_StarCos34::startPinPadModify() { return startFormat2Modify(*this); }
