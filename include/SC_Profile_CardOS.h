// The card operating systems: one class per system, each supplying only the commands
// in which it differs from CSC_Profile_Base.
#ifndef VN_SC_PROFILE_CARDOS_H
#define VN_SC_PROFILE_CARDOS_H

#include <string>

#include "SC_Profile_Base.h"
#include "vn_export.h"

// Operations every card operating system supplies.
#define VN_CARDOS_COMMON                                                                                            \
    std::string getCardSerial() override;                                                                           \
    int GetFileLen() override;                                                                                      \
    int GetData(unsigned char p1, unsigned char p2, unsigned char le, unsigned char* out, unsigned long* outLength) \
        override;                                                                                                   \
    int SCSelectMF() override;                                                                                      \
    int SCSelectDF(unsigned char* id, int length) override;                                                         \
    int SCSelectEF(unsigned char* id) override;                                                                     \
    int SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId, unsigned char* hash, \
                   unsigned long hashLength, unsigned char* signature, unsigned long* signatureLength,              \
                   int profileType) override;                                                                       \
    int SCRSADecrypt(std::string keyPath, unsigned char keyRef, unsigned char* in, unsigned long inLength,          \
                     unsigned char* out, unsigned long* outLength, int flag) override;                              \
    PIN_MODIFY_STRUCTURE* InitPart10_Modify() override;                                                             \
    PIN_VERIFY_STRUCTURE* InitPart10_Verify() override;                                                             \
    void ReadCardSerial()

#define VN_CARDOS_FORMAT2_PIN                                                                                      \
    int SCVerify(unsigned char ref, unsigned char* pin, unsigned char length) override;                            \
    int SCChangeRef(unsigned char ref, unsigned char* oldPin, unsigned char oldLength, unsigned char* newPin,      \
                    unsigned char newLength) override;                                                             \
    int SCUnblockPin(unsigned char ref, unsigned char* puk, unsigned char pukLength, unsigned char* newPin,        \
                     unsigned char newLength) override;                                                            \
    int SCUnblockPin2(unsigned char ref, unsigned char* puk, unsigned char pukLength) override

class VN_EXPORT CSC_Profile_TCOS20 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    void SetMinMaxKeyLength() override;
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
};

class VN_EXPORT CSC_Profile_TCOS30 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    int InitSM() override;
    int InternalAuthenticate(unsigned char* in, unsigned long inLength, unsigned char* out,
                             unsigned long* outLength) override;
    int ExternalAuthenticate(unsigned char* in, unsigned long inLength) override;
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
    // The keys that the card uses only under secure messaging.
    static bool needsSecureMessaging(const std::string& keyPath);
};

class VN_EXPORT CSC_Profile_TCOS30V2 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    int InitSM() override;
    int InternalAuthenticate(unsigned char* in, unsigned long inLength, unsigned char* out,
                             unsigned long* outLength) override;
    int ExternalAuthenticate(unsigned char* in, unsigned long inLength) override;
    int SCSelectAID(unsigned char* aid, unsigned int length) override;
    int BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength,
                        unsigned char** out, unsigned long* outLength, bool pad) override;
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
};

class VN_EXPORT CSC_Profile_Micardo21 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    void SetMinMaxPINLength() override;
    void SetMinMaxKeyLength() override;
    void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) override;
    void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) override;
    int startPinPadModify() override;
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
};

// CardOS 4.3b and its successors share the CardOS status mapping and chip serial.
class VN_EXPORT CSC_Profile_CardOS43b : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    void SetMinMaxPINLength() override;
    void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) override;
    void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) override;
    int GetPubKey(std::string keyPath, unsigned char keyRef, unsigned char* out, unsigned long* outLength) override;
    int PreSigning(int profileType, std::string keyPath) override;
    int returnResult() override;
    int getUniqueChipID();
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
};

class VN_EXPORT CSC_Profile_CardOS44 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    void SetMinMaxPINLength() override;
    void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) override;
    void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) override;
    int GetPubKey(std::string keyPath, unsigned char keyRef, unsigned char* out, unsigned long* outLength) override;
    int PreSigning(int profileType, std::string keyPath) override;
    int returnResult() override;
    int getUniqueChipID();
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
};

class VN_EXPORT CSC_Profile_CardOS50 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    void SetMinMaxPINLength() override;
    void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) override;
    void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) override;
    bool isSupportedHashAlgo(int a, int b) override;
    int BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength,
                        unsigned char** out, unsigned long* outLength, bool pad) override;
    int returnResult() override;
    int getUniqueChipID();
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
    int SCManageSE_restore(unsigned char se);
    int SearchSizeFCPTag(unsigned char* fcp, int length);
};

class VN_EXPORT CSC_Profile_CardOS54 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    void SetMinMaxPINLength() override;
    void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) override;
    void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) override;
    bool isSupportedHashAlgo(int a, int b) override;
    int BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength,
                        unsigned char** out, unsigned long* outLength, bool pad) override;
    int returnResult() override;
    int getUniqueChipID();
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
    int SCManageSE_restore(unsigned char se);
    int SearchSizeFCPTag(unsigned char* fcp, int length);
    bool isECCProfile();
};

class VN_EXPORT CSC_Profile_StarCos30 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    VN_CARDOS_FORMAT2_PIN;
    void SetMinMaxPINLength() override;
    void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) override;
    void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) override;
    int startPinPadVerify() override;
    int startPinPadModify() override;
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
};

class VN_EXPORT CSC_Profile_StarCos32 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    VN_CARDOS_FORMAT2_PIN;
    void SetMinMaxPINLength() override;
    void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) override;
    void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) override;
    int startPinPadVerify() override;
    int startPinPadModify() override;
    int returnResult() override;
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
};

class VN_EXPORT CSC_Profile_StarCos34 : public CSC_Profile_Base {
public:
    CSC_Profile_StarCos34() : m_seSet(false) {}
    VN_CARDOS_COMMON;
    VN_CARDOS_FORMAT2_PIN;
    void SetMinMaxPINLength() override;
    void SetUnblockMethod() override;
    void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) override;
    void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) override;
    int startPinPadVerify() override;
    int startPinPadModify() override;
    int PreSigning(int profileType, std::string keyPath) override;
    int returnResult() override;
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
    void setSecurityEnvironmentSet(bool v) { m_seSet = v; }
    bool isSecurityEnvironmentSet() const { return m_seSet; }

private:
    bool m_seSet;
};

class VN_EXPORT CSC_Profile_StarCos35 : public CSC_Profile_Base {
public:
    CSC_Profile_StarCos35() : m_seSet(false) {}
    VN_CARDOS_COMMON;
    VN_CARDOS_FORMAT2_PIN;
    void SetMinMaxPINLength() override;
    void SetUnblockMethod() override;
    void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) override;
    void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) override;
    int startPinPadVerify() override;
    int startPinPadModify() override;
    int PreSigning(int profileType, std::string keyPath) override;
    int BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength,
                        unsigned char** out, unsigned long* outLength, bool pad) override;
    int returnResult() override;
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
    void setSecurityEnvironmentSet(bool v) { m_seSet = v; }
    bool isSecurityEnvironmentSet() const { return m_seSet; }

private:
    bool m_seSet;
};

class VN_EXPORT CSC_Profile_SecCos5 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    int SCVerify(unsigned char ref, unsigned char* pin, unsigned char length) override;
    int SCChangeRef(unsigned char ref, unsigned char* oldPin, unsigned char oldLength, unsigned char* newPin,
                    unsigned char newLength) override;
    int SCUnblockPin(unsigned char ref, unsigned char* puk, unsigned char pukLength, unsigned char* newPin,
                     unsigned char newLength) override;
    void SetMinMaxPINLength() override;
    void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) override;
    void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) override;
    int startPinPadVerify() override;
    int startPinPadModify() override;
    int BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength,
                        unsigned char** out, unsigned long* outLength, bool pad) override;
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
};

class VN_EXPORT CSC_Profile_SetCos441 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    void SetMinMaxKeyLength() override;
    int EraseFile() override;
    int GenRSAKeyPair() override;
    int GetPubKey(std::string keyPath, unsigned char keyRef, unsigned char* out, unsigned long* outLength) override;
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
};

class VN_EXPORT CSC_Profile_SetCos442 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    VN_CARDOS_FORMAT2_PIN;  // PINs go as ASCII zero-padded to 8 bytes
    void SetMinMaxPINLength() override;
    void SetMinMaxKeyLength() override;
    int EraseFile() override;
    int GenRSAKeyPair() override;
    int GetPubKey(std::string keyPath, unsigned char keyRef, unsigned char* out, unsigned long* outLength) override;
    void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) override;
    void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) override;
    int startPinPadVerify() override;
    int startPinPadModify() override;
    int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId);
};

class VN_EXPORT CSC_Profile_SmartCardHSM : public CSC_Profile_Base {
public:
    CSC_Profile_SmartCardHSM() : m_seSet(false) {}
    VN_CARDOS_COMMON;
    VN_CARDOS_FORMAT2_PIN;
    void SetMinMaxPINLength() override;
    void SetUnblockMethod() override;
    int SCSelectAID(unsigned char* aid, unsigned int length) override;
    int SCEnumerateObjects(unsigned char* out, unsigned long* outLength) override;
    int SCReadBinary(unsigned char* out, unsigned short offset, unsigned char length) override;
    void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) override;
    void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) override;
    int startPinPadVerify() override;
    int startPinPadModify() override;
    int returnResult() override;
    void setSecurityEnvironmentSet(bool v) { m_seSet = v; }
    bool isSecurityEnvironmentSet() const { return m_seSet; }

private:
    bool m_seSet;
};

#undef VN_CARDOS_COMMON
#undef VN_CARDOS_FORMAT2_PIN

#endif
