// STARCOS 3.2: selection as STARCOS 3.5, format-2 PINs; the signature command depends
// on the key path and the profile type.
#include "ProfileTypes.h"
#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinBlocks.h"
#include "card/PinPadStructures.h"
#include "card/starcos/StarcosFamily.h"
#include "vn_log.h"

using namespace vn_cardos;

void CSC_Profile_StarCos32::SetMinMaxPINLength() {
    m_minPinLen = 6;
    m_maxPinLen = 12;
}

int CSC_Profile_StarCos32::SCSelectMF() { return selectMasterFile(*this, kApduCase4, 0x04, 0x00); }

int CSC_Profile_StarCos32::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, 0x04, id, 0xFF, false);
}

int CSC_Profile_StarCos32::SCSelectEF(unsigned char* id) { return selectFileFcp(*this, id); }

int CSC_Profile_StarCos32::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, false); }

int CSC_Profile_StarCos32::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                   unsigned long* outLength) {
    return getDataNoLe(*this, 0x00, p1, p2, out, outLength);
}

int CSC_Profile_StarCos32::returnResult() { return loggedResult(starcosResult(getSW(), false, m_remainingTries)); }

int CSC_Profile_StarCos32::SCVerify(unsigned char ref, unsigned char* pin, unsigned char length) {
    return f2Verify(*this, ref, pin, length);
}

int CSC_Profile_StarCos32::SCChangeRef(unsigned char ref, unsigned char* oldPin, unsigned char oldLength,
                                       unsigned char* newPin, unsigned char newLength) {
    return f2ChangeLimited(*this, ref, oldPin, oldLength, newPin, newLength, 0);
}

int CSC_Profile_StarCos32::SCUnblockPin(unsigned char ref, unsigned char* puk, unsigned char pukLength,
                                        unsigned char* newPin, unsigned char newLength) {
    return f2UnblockLimited(*this, ref, puk, pukLength, newPin, newLength);
}

int CSC_Profile_StarCos32::SCUnblockPin2(unsigned char ref, unsigned char* puk, unsigned char pukLength) {
    return f2Unblock2(*this, ref, puk, pukLength);
}

// The environment for the qualified key: digital signature template, algorithm 42.
int CSC_Profile_StarCos32::SCManageSE(std::string, unsigned char keyRef, unsigned int) {
    const Bytes data = {0x84, 0x01, keyRef, 0x80, 0x01, 0x42};
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateSign).withData(data)) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    return 0;
}

int CSC_Profile_StarCos32::SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                                      unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                      unsigned long* signatureLength, int profileType) {
    vn_log(1, "--entering CSC_Profile_StarCos32::SCSignData\n");
    keyPath = upperPath(keyPath);
    SignBlock block;
    if (keyPath == "3F003F04C000") {
        if (SCManageSE(keyPath, keyRef, algId) != 0 ||
            !buildSignBlock(*this, algId, keyBits, hash, hashLength, false, block))
            return SC_CMD_FAILED;
        if (!send(*this, Command::iso(kApduCase4, kInsPso, kPsoSignature, kPsoToBeSigned).withData(block).withLe(0x00)))
            return SC_CMD_FAILED;
        return signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied});
    }
    if (profileType == CP_MEDISIGN2K) {
        if (!send(*this, Command::iso(kApduCase1, kInsManageSe, kMseRestore, 0x01)) || !isSW(0x90, 0x00))
            return SC_CMD_FAILED;
        send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateAuth)
                        .withData(Bytes{0x84, 0x01, keyRef, 0x80, 0x01, 0x05}));
        if (!buildSignBlock(*this, algId, keyBits, hash, hashLength, false, block))
            return SC_CMD_FAILED;
        if (!send(*this, Command::iso(kApduCase4, kInsInternalAuthenticate, 0x00, 0x00).withData(block).withLe(0x00)))
            return SC_CMD_FAILED;
        return signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied});
    }
    // Other keys: the padded block goes through the private-key operation of DECIPHER.
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateCipher)
                         .withData(Bytes{0x84, 0x03, 0x80, 0x06, 0x00})) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    if (!buildSignBlock(*this, algId, keyBits, hash, hashLength, true, block))
        return SC_CMD_FAILED;
    prependZero(block);
    if (!send(
            *this,
            Command::iso(kApduCase4Extended, kInsPso, kPsoPlain, kPsoPaddedCryptogram).withData(block).withLe(0x0000)))
        return SC_CMD_FAILED;
    return signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied});
}

int CSC_Profile_StarCos32::SCRSADecrypt(std::string, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                        unsigned char* out, unsigned long* outLength, int) {
    return decipher(*this, Bytes{0x84, 0x01, keyRef}, 0x81, in, inLength, out, outLength, true);
}

void CSC_Profile_StarCos32::ReadCardSerial() { readSerialFile(*this, "3f002f02"); }

std::string CSC_Profile_StarCos32::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

PIN_VERIFY_STRUCTURE* CSC_Profile_StarCos32::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_StarCos32::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}

void CSC_Profile_StarCos32::ModifyVerifyStruct(std::string, unsigned char ref, PIN_VERIFY_STRUCTURE* s) {
    format2AdjustVerify(s, ref, m_minPinLen, m_maxPinLen);
}

void CSC_Profile_StarCos32::ModifyModifyStruct(std::string, unsigned char ref, PIN_MODIFY_STRUCTURE* s) {
    format2AdjustModify(s, ref, m_minPinLen, m_maxPinLen, m_readerName);
}

int CSC_Profile_StarCos32::startPinPadVerify() { return startFormat2Verify(*this); }
int CSC_Profile_StarCos32::startPinPadModify() { return startFormat2Modify(*this); }
