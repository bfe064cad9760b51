// The card operating systems: one class per system, each supplying only the commands
// in which it differs from CSC_Profile_Base.
#ifndef VN_SC_PROFILE_CARDOS_H
#define VN_SC_PROFILE_CARDOS_H

#include <string>
#include <vector>

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

#define VN_CARDOS_FORMAT2_PIN                                                                                 \
    int SCVerify(unsigned char ref, unsigned char* pin, unsigned char length) override;                       \
    int SCChangeRef(unsigned char ref, unsigned char* oldPin, unsigned char oldLength, unsigned char* newPin, \
                    unsigned char newLength) override;                                                        \
    int SCUnblockPin(unsigned char ref, unsigned char* puk, unsigned char pukLength, unsigned char* newPin,   \
                     unsigned char newLength) override;                                                       \
    int SCUnblockPin2(unsigned char ref, unsigned char* puk, unsigned char pukLength) override

// Adjustments of the pin-pad structures to the card's PIN format.
#define VN_CARDOS_PINPAD_STRUCTS                                                                       \
    void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s) override; \
    void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s) override

#define VN_CARDOS_PINPAD_START        \
    int startPinPadVerify() override; \
    int startPinPadModify() override

#define VN_CARDOS_SIGN_BUFFER                                                                           \
    int BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength, \
                        unsigned char** out, unsigned long* outLength, bool pad) override

#define VN_CARDOS_AUTHENTICATE                                                                                        \
    int InitSM() override;                                                                                            \
    int InternalAuthenticate(unsigned char* in, unsigned long inLength, unsigned char* out, unsigned long* outLength) \
        override;                                                                                                     \
    int ExternalAuthenticate(unsigned char* in, unsigned long inLength) override

#define VN_CARDOS_MANAGE_SE int SCManageSE(std::string keyPath, unsigned char keyRef, unsigned int algId)

// The CardOS family: PIN limits by profile, the CardOS status mapping and chip serial.
#define VN_CARDOS_FAMILY                \
    void SetMinMaxPINLength() override; \
    VN_CARDOS_PINPAD_STRUCTS;           \
    int returnResult() override;        \
    int getUniqueChipID();              \
    VN_CARDOS_MANAGE_SE

// CardOS 4: keys are objects of directories; the public key is not read from the card.
#define VN_CARDOS_DIRECTORY_KEYS                                                                                     \
    int GetPubKey(std::string keyPath, unsigned char keyRef, unsigned char* out, unsigned long* outLength) override; \
    int PreSigning(int profileType, std::string keyPath) override

// CardOS 5: stored environments restored by number, sizes from the FCP.
#define VN_CARDOS_STORED_SE                          \
    bool isSupportedHashAlgo(int a, int b) override; \
    VN_CARDOS_SIGN_BUFFER;                           \
    int SCManageSE_restore(unsigned char se);        \
    int SearchSizeFCPTag(unsigned char* fcp, int length)

// Whether the security environment of the last signature is still set on the card,
// and which environment it is (the only state these classes add).
#define VN_CARDOS_SE_FLAG                                     \
    void setSecurityEnvironmentSet(bool v) { m_seSet = v; }   \
    bool isSecurityEnvironmentSet() const { return m_seSet; } \
                                                              \
private:                                                      \
    std::vector<unsigned char> m_seData;                      \
    bool m_seSet

class VN_EXPORT CSC_Profile_TCOS20 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    void SetMinMaxKeyLength() override;
    VN_CARDOS_MANAGE_SE;
};

class VN_EXPORT CSC_Profile_TCOS30 : public CSC_Profile_Base {
public:
    // Ends the secure-messaging session this object agreed, if it is still in force.
    ~CSC_Profile_TCOS30() override;
    VN_CARDOS_COMMON;
    VN_CARDOS_AUTHENTICATE;
    VN_CARDOS_MANAGE_SE;
    // True only while the process-wide session is the one this object agreed.
    bool isSmInitialized() override;
    // The keys that the card uses only under secure messaging.
    static bool needsSecureMessaging(const std::string& keyPath);

private:
    int SignProtected(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength,
                      unsigned char* signature, unsigned long* signatureLength);
};

class VN_EXPORT CSC_Profile_TCOS30V2 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    VN_CARDOS_AUTHENTICATE;
    int SCSelectAID(unsigned char* aid, unsigned int length) override;
    VN_CARDOS_SIGN_BUFFER;
    VN_CARDOS_MANAGE_SE;
};

class VN_EXPORT CSC_Profile_Micardo21 : public CSC_Profile_Base {
public:
    CSC_Profile_Micardo21();
    VN_CARDOS_COMMON;
    void SetMinMaxPINLength() override;
    void SetMinMaxKeyLength() override;
    VN_CARDOS_PINPAD_STRUCTS;
    int startPinPadModify() override;
    VN_CARDOS_MANAGE_SE;
};

// CardOS 4.3b and its successors share the CardOS status mapping and chip serial.
class VN_EXPORT CSC_Profile_CardOS43b : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    VN_CARDOS_FAMILY;
    VN_CARDOS_DIRECTORY_KEYS;
};

class VN_EXPORT CSC_Profile_CardOS44 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    VN_CARDOS_FAMILY;
    VN_CARDOS_DIRECTORY_KEYS;
};

class VN_EXPORT CSC_Profile_CardOS50 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    VN_CARDOS_FAMILY;
    VN_CARDOS_STORED_SE;
};

class VN_EXPORT CSC_Profile_CardOS54 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    VN_CARDOS_FAMILY;
    VN_CARDOS_STORED_SE;
    bool isECCProfile();
    // Keeps the card's own profile (83 to 87) when a layout row names the card type 17.
    int PreSigning(int profileType, std::string keyPath) override;
};

class VN_EXPORT CSC_Profile_StarCos30 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    VN_CARDOS_FORMAT2_PIN;
    void SetMinMaxPINLength() override;
    VN_CARDOS_PINPAD_STRUCTS;
    VN_CARDOS_PINPAD_START;
    VN_CARDOS_MANAGE_SE;
};

class VN_EXPORT CSC_Profile_StarCos32 : public CSC_Profile_Base {
public:
    VN_CARDOS_COMMON;
    VN_CARDOS_FORMAT2_PIN;
    void SetMinMaxPINLength() override;
    VN_CARDOS_PINPAD_STRUCTS;
    VN_CARDOS_PINPAD_START;
    int returnResult() override;
    VN_CARDOS_MANAGE_SE;
};

class VN_EXPORT CSC_Profile_StarCos34 : public CSC_Profile_Base {
public:
    CSC_Profile_StarCos34() : m_seSet(false) {}
    VN_CARDOS_COMMON;
    VN_CARDOS_FORMAT2_PIN;
    void SetMinMaxPINLength() override;
    void SetUnblockMethod() override;
    VN_CARDOS_PINPAD_STRUCTS;
    VN_CARDOS_PINPAD_START;
    int PreSigning(int profileType, std::string keyPath) override;
    int returnResult() override;
    VN_CARDOS_MANAGE_SE;
    VN_CARDOS_SE_FLAG;
};

class VN_EXPORT CSC_Profile_StarCos35 : public CSC_Profile_Base {
public:
    CSC_Profile_StarCos35() : m_seSet(false) {}
    VN_CARDOS_COMMON;
    VN_CARDOS_FORMAT2_PIN;
    void SetMinMaxPINLength() override;
    void SetUnblockMethod() override;
    VN_CARDOS_PINPAD_STRUCTS;
    VN_CARDOS_PINPAD_START;
    int PreSigning(int profileType, std::string keyPath) override;
    VN_CARDOS_SIGN_BUFFER;
    int returnResult() override;
    VN_CARDOS_MANAGE_SE;
    VN_CARDOS_SE_FLAG;
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
    VN_CARDOS_PINPAD_STRUCTS;
    VN_CARDOS_PINPAD_START;
    VN_CARDOS_SIGN_BUFFER;
    VN_CARDOS_MANAGE_SE;
    bool isSupportedHashAlgo(int signAlgorithm, int nAlgoID) override;
};

class VN_EXPORT CSC_Profile_SetCos441 : public CSC_Profile_Base {
public:
    CSC_Profile_SetCos441();
    VN_CARDOS_COMMON;
    void SetMinMaxKeyLength() override;
    int EraseFile() override;
    int GenRSAKeyPair() override;
    int GetPubKey(std::string keyPath, unsigned char keyRef, unsigned char* out, unsigned long* outLength) override;
    VN_CARDOS_MANAGE_SE;
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
    VN_CARDOS_PINPAD_STRUCTS;
    VN_CARDOS_PINPAD_START;
    VN_CARDOS_MANAGE_SE;
};

class VN_EXPORT CSC_Profile_SmartCardHSM : public CSC_Profile_Base {
public:
    CSC_Profile_SmartCardHSM();
    VN_CARDOS_COMMON;
    VN_CARDOS_FORMAT2_PIN;
    void SetMinMaxPINLength() override;
    void SetUnblockMethod() override;
    int SCSelectAID(unsigned char* aid, unsigned int length) override;
    int SCEnumerateObjects(unsigned char* out, unsigned long* outLength) override;
    int SCReadBinary(unsigned char* out, unsigned short offset, unsigned char length) override;
    VN_CARDOS_PINPAD_STRUCTS;
    VN_CARDOS_PINPAD_START;
    int returnResult() override;
    VN_CARDOS_SE_FLAG;
};

#undef VN_CARDOS_COMMON
#undef VN_CARDOS_FORMAT2_PIN
#undef VN_CARDOS_PINPAD_STRUCTS
#undef VN_CARDOS_PINPAD_START
#undef VN_CARDOS_SIGN_BUFFER
#undef VN_CARDOS_AUTHENTICATE
#undef VN_CARDOS_MANAGE_SE
#undef VN_CARDOS_FAMILY
#undef VN_CARDOS_DIRECTORY_KEYS
#undef VN_CARDOS_STORED_SE
#undef VN_CARDOS_SE_FLAG

#endif
