// STARCOS 3.5: FCP selection, format-2 PINs, RSA-PSS or PKCS#1 v1.5 signatures with a
// security environment kept across signatures.
#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinBlocks.h"
#include "card/PinPadStructures.h"
#include "card/starcos/StarcosFamily.h"
#include "vn_log.h"

using namespace vn_cardos;

void CSC_Profile_StarCos35::SetMinMaxPINLength() {
    m_minPinLen = 6;
    m_maxPinLen = 12;
}

void CSC_Profile_StarCos35::SetUnblockMethod() { m_unblockMethod = 1; }

int CSC_Profile_StarCos35::SCSelectMF() { return selectMasterFile(*this, kApduCase4, 0x04, 0x00); }

int CSC_Profile_StarCos35::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, 0x04, id, 0xFF, false);
}

int CSC_Profile_StarCos35::SCSelectEF(unsigned char* id) { return selectFileFcp(*this, id); }

int CSC_Profile_StarCos35::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, false); }

int CSC_Profile_StarCos35::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                   unsigned long* outLength) {
    return getDataNoLe(*this, 0xA0, p1, p2, out, outLength);
}

int CSC_Profile_StarCos35::returnResult() { return loggedResult(starcosResult(getSW(), true, m_remainingTries)); }

int CSC_Profile_StarCos35::SCVerify(unsigned char ref, unsigned char* pin, unsigned char length) {
    return f2Verify(*this, ref, pin, length);
}

// A new PIN may be one digit shorter than the minimum here.
int CSC_Profile_StarCos35::SCChangeRef(unsigned char ref, unsigned char* oldPin, unsigned char oldLength,
                                       unsigned char* newPin, unsigned char newLength) {
    int r = f2ChangeLimited(*this, ref, oldPin, oldLength, newPin, newLength, 1);
    vn_log(1, "--leaving CSC_Profile_StarCos35::SCChangeRef: %d\n", r);
    return r;
}

int CSC_Profile_StarCos35::SCUnblockPin(unsigned char ref, unsigned char* puk, unsigned char pukLength,
                                        unsigned char* newPin, unsigned char newLength) {
    return f2UnblockLimited(*this, ref, puk, pukLength, newPin, newLength);
}

int CSC_Profile_StarCos35::SCUnblockPin2(unsigned char ref, unsigned char* puk, unsigned char pukLength) {
    return f2Unblock2(*this, ref, puk, pukLength);
}

int CSC_Profile_StarCos35::PreSigning(int profileType, std::string keyPath) {
    m_profileType = profileType;
    m_profileType2 = profileType;
    m_keyPath = keyPath;
    return SelectPath(keyPath, false, false, false, false);
}

int CSC_Profile_StarCos35::SCManageSE(std::string, unsigned char keyRef, unsigned int) {
    const Bytes data = {0x80, 0x01, 0x10, 0x84, 0x01, keyRef};
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetBoth, kTemplateCipher).withData(data)) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    return 0;
}

int CSC_Profile_StarCos35::BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash,
                                           unsigned long hashLength, unsigned char** out, unsigned long* outLength,
                                           bool) {
    if (m_noRsaPss && !(algId & kAlgFlagPss))
        return CSC_Profile_Base::BuildSignBuffer(algId, keyBits, hash, hashLength, out, outLength, false);
    if (hash == nullptr && hashLength)
        return SC_CMD_FAILED;
    return handOut(SignBlock(hash, hash + hashLength), out, outLength);
}

int CSC_Profile_StarCos35::SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                                      unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                      unsigned long* signatureLength, int) {
    vn_log(1, "--entering CSC_Profile_StarCos35::SCSignData\n");
    keyPath = upperPath(keyPath);
    if (algId & kAlgFlagPss) {
        m_noRsaPss = false;
        vn_log(9, "using RSAPSS\n");
    }
    Bytes data = m_noRsaPss ? Bytes{0x84, 0x01, keyRef, 0x89, 0x02, 0x13, 0x23}
                            : Bytes{0x84, 0x01, keyRef, 0x89, 0x03, 0x13, 0x33, hashRef(algId)};
    // The environment kept from the last signature serves only the same key, padding and hash.
    if (!m_seSet || data != m_seData) {
        if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateSign).withData(data)) ||
            !isSW(0x90, 0x00)) {
            m_seSet = false;
            return static_cast<int>(vn_log_dw_return("CSC_Profile_StarCos35::SCSignData", SC_CMD_FAILED));
        }
        m_seData = data;
        m_seSet = true;
    }
    SignBlock block;
    if (!buildSignBlock(*this, algId, keyBits, hash, hashLength, false, block))
        return static_cast<int>(vn_log_dw_return("CSC_Profile_StarCos35::SCSignData", SC_CMD_FAILED));
    m_seSet = false;
    int r = signKeepingEnvironment(*this, m_seSet, block, signature, signatureLength, {kSwSecurityNotSatisfied});
    return static_cast<int>(vn_log_dw_return("CSC_Profile_StarCos35::SCSignData", static_cast<unsigned>(r)));
}

int CSC_Profile_StarCos35::SCRSADecrypt(std::string, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                        unsigned char* out, unsigned long* outLength, int) {
    return starcosDecipher(*this, keyRef, in, inLength, out, outLength);
}

void CSC_Profile_StarCos35::ReadCardSerial() { readSerialFile(*this, "3f002f02"); }

std::string CSC_Profile_StarCos35::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

PIN_VERIFY_STRUCTURE* CSC_Profile_StarCos35::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_StarCos35::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}

void CSC_Profile_StarCos35::ModifyVerifyStruct(std::string, unsigned char ref, PIN_VERIFY_STRUCTURE* s) {
    format2AdjustVerify(s, ref, m_minPinLen, m_maxPinLen);
    vn_log(1, "--leaving CSC_Profile_StarCos35::ModifyVerifyStruct\n");
}

void CSC_Profile_StarCos35::ModifyModifyStruct(std::string, unsigned char ref, PIN_MODIFY_STRUCTURE* s) {
    format2AdjustModify(s, ref, m_minPinLen, m_maxPinLen, m_readerName);
}

int CSC_Profile_StarCos35::startPinPadVerify() {
    m_response.assign(256, 0);
    return startFormat2Verify(*this);
}

int CSC_Profile_StarCos35::startPinPadModify() {
    m_response.assign(256, 0);
    return startFormat2Modify(*this);
}
