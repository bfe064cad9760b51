// CardOS 4.4: signatures for the D-TRUST, QuoVadis and SwissSign profiles through the
// private-key operation of DECIPHER; keys live in directories; CardOS status mapping.
#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinPadStructures.h"
#include "card/cardos/CardOsFamily.h"
#include "vn_log.h"

using namespace vn_cardos;

void CSC_Profile_CardOS44::SetMinMaxPINLength() { cardosPinLimits(m_profileType, false, m_minPinLen, m_maxPinLen); }

int CSC_Profile_CardOS44::SCSelectMF() { return cardosSelectMF(*this); }

int CSC_Profile_CardOS44::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, 0x04, id, 0x00, false);
}
int CSC_Profile_CardOS44::SCSelectEF(unsigned char* id) {
    return selectId(*this, kApduCase4, 0x02, 0x04, id, 0x00, false);
}
int CSC_Profile_CardOS44::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, false); }

int CSC_Profile_CardOS44::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                  unsigned long* outLength) {
    return getDataNoLe(*this, 0x00, p1, p2, out, outLength);
}

int CSC_Profile_CardOS44::returnResult() { return loggedResult(cardosResult(getSW(), m_remainingTries)); }

int CSC_Profile_CardOS44::getUniqueChipID() { return cardosChipId(*this); }
void CSC_Profile_CardOS44::ReadCardSerial() { getUniqueChipID(); }

std::string CSC_Profile_CardOS44::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

// CardOS keys are objects of a directory: the directory that holds the key (the key
// path without its last identifier) is selected.
int CSC_Profile_CardOS44::PreSigning(int profileType, std::string keyPath) {
    return cardosSelectKeyDirectory(*this, m_profileType, m_profileType2, m_keyPath, profileType, keyPath);
}

// The public key is not read from the card.
int CSC_Profile_CardOS44::GetPubKey(std::string, unsigned char, unsigned char*, unsigned long*) {
    vn_log(1, "--CSC_Profile_CardOS44::GetPubKey: not available\n");
    return SC_CMD_FAILED;
}

int CSC_Profile_CardOS44::SCManageSE(std::string, unsigned char keyRef, unsigned int) {
    if (!send(*this,
              Command::iso(kApduCase3, kInsManageSe, kMseSet, kTemplateCipher).withData(Bytes{0x83, 0x01, keyRef})) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    return 0;
}

int CSC_Profile_CardOS44::SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                                     unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                     unsigned long* signatureLength, int profileType) {
    vn_log(1, "--entering CSC_Profile_CardOS44::SCSignData\n");
    if (!isProfileOf(profileType, {CP_DTRUST_CARDOS44, CP_QUOVADIS_CARDOS44, CP_SWISSSIGN_CARDOS44}))
        return SC_CMD_FAILED;
    if (SCManageSE(keyPath, keyRef, algId) != 0)
        return SC_CMD_FAILED;
    SignBlock block;
    if (!buildSignBlock(*this, algId, keyBits, hash, hashLength, true, block))
        return SC_CMD_FAILED;
    prependZero(block);
    if (!send(*this,
              Command::iso(kApduCase4Extended, kInsPso, kPsoPlain, kPsoPaddedCryptogram).withData(block).withLe(256)))
        return SC_CMD_FAILED;
    return signResult(*this, signature, signatureLength, {kSwSecurityNotSatisfied, kSwSmObjectsIncorrect});
}

int CSC_Profile_CardOS44::SCRSADecrypt(std::string, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                                       unsigned char* out, unsigned long* outLength, int) {
    return decipher(*this, Bytes{0x84, 0x01, keyRef}, 0x81, in, inLength, out, outLength, true);
}

PIN_VERIFY_STRUCTURE* CSC_Profile_CardOS44::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_CardOS44::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}

void CSC_Profile_CardOS44::ModifyVerifyStruct(std::string, unsigned char, PIN_VERIFY_STRUCTURE* s) {
    adjustLimits(s, m_minPinLen, m_maxPinLen);
}

void CSC_Profile_CardOS44::ModifyModifyStruct(std::string, unsigned char, PIN_MODIFY_STRUCTURE* s) {
    adjustLimits(s, m_minPinLen, m_maxPinLen);
}
