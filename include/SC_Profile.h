// The card application profile: which known layout a card has (its profile type), with
// the certificate objects and PIN objects of that layout.
#ifndef VN_SC_PROFILE_H
#define VN_SC_PROFILE_H

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CardObject.h"
#include "ProfileTypes.h"
#include "vn_export.h"

class CSC_Profile_Base;
class CPkcs15;
class CPkcs15ExportCert;
class CPinObj;
class CCertInfoSC;
class CCardFileCache;
struct CardLayout;

// One row of the SECCOS product table.
struct VN_EXPORT SeccosProduct {
    char productCode[10];
    char variant[2];
    uint32_t sigKeyBits;
    int32_t authKeyBits;
    uint8_t singleSign;
};
// 86 products, then all-zero rows (the first ends the table).
extern VN_EXPORT const SeccosProduct st_tab[89];

// Known medisign CA subject names (DER).
struct VN_EXPORT MedicardName {
    const unsigned char* der;
    unsigned int length;
};
extern VN_EXPORT const MedicardName medicards[2];

class VN_EXPORT CSC_Profile {
public:
    explicit CSC_Profile(CSC_Profile_Base* card);
    virtual ~CSC_Profile();
    CSC_Profile(const CSC_Profile&) = delete;
    CSC_Profile& operator=(const CSC_Profile&) = delete;

    int Init();
    void FreeProfile();
    // A copy of what detection found (layout, objects, PINs not verified, token
    // information, the certificate files read so far) on another card-OS object of the
    // same card, made without a card command.
    std::unique_ptr<CSC_Profile> copyFor(CSC_Profile_Base* card) const;
    // The certificate files read from the card, shared by the copies of this profile.
    const std::shared_ptr<CCardFileCache>& fileCache() const { return m_files; }

    int AddCardObject(int type, std::string label, int profileType, std::string certPath, int certOffset,
                      int certLength, std::string keyPath, std::string pinPath, int pinRef, int keyRef, int keyBits,
                      int keyClass, std::string pinName, bool singleSign, bool isCA, unsigned int usage,
                      bool decipherFlag);
    int AddPinObject(std::string name, int pinIndex, std::string path, unsigned char pinRef, bool local, bool flag2,
                     CPinObj* related, int minLength, int maxLength, int third, bool option);
    int AddPinObject(CPinObj* pin);

    CCardObject* getCert(int index) const;
    CCertInfoSC* readCert(int index);
    std::string getCertLabel(int index) const;
    CPkcs15ExportCert* getPkcs15Cert(int index) const;
    CPinObj* GetPinObject(std::string path, int pinRef) const;
    int GetPinObjectIndex(std::string path, int pinRef) const;
    CPinObj* GetPinObject(int index) const;
    std::string getManufacturer() const;
    std::string getModel() const;
    std::string getLabel() const;
    std::string getSerialNumber() const { return m_serial; }
    unsigned int getFlags() const;
    int getSignAlgorithm() const { return m_signAlgorithm; }
    bool isSupportedHashAlgo(int nAlgoID) const;
    void setSerial(std::string hex);

    // Certificate presence test: the file exists and begins with an X.509 certificate or
    // a userCertificate wrapper.
    bool CheckCert(std::string path);
    // SECCOS product data (GET DATA DF 20) looked up in st_tab.
    void GetSeccosInfo(int* authKeyBits, int* sigKeyBits, int* third, bool* singleSign);
    // PKCS#15 certificates to certificate objects.
    int CheckPKCS15();

    int getProfileType() const { return m_profileType; }
    int getCertCount() const { return m_certCount; }
    int getPinCount() const { return m_pinCount; }
    bool isSingleSign() const { return m_singleSign; }
    bool isSignCardToken() const { return m_signCardToken; }
    int getKeySize() const { return m_keySize; }
    const unsigned char* getSerialBin() const { return m_serialBin; }
    CPkcs15* getPkcs15() const { return m_pkcs15; }
    CSC_Profile_Base* getCard() const { return m_card; }

    CSC_Profile_Base* m_card;
    int32_t m_certCount;
    int32_t m_pinCount;
    bool m_signCardToken;
    CPkcs15* m_pkcs15;
    unsigned char m_serialBin[16];
    std::string m_serial;
    int32_t m_profileType;
    bool m_singleSign;
    int32_t m_signAlgorithm;
    int32_t m_keySize;
    std::list<CCardObject*> m_objects;
    std::list<CPinObj*> m_pins;

private:
    // Detection routines, one per card type; true when a certificate object was added.
    bool CheckTCOS2();
    bool CheckTCOS3();
    bool CheckMicardo21();
    bool CheckCardOS43();
    bool CheckStarCos30();
    bool CheckSecCos5x();
    bool CheckSetCos441();
    bool CheckStarCos32();
    bool CheckSetCos442();
    bool CheckCardOS44();
    bool CheckStarCos34();
    bool CheckTCOS3v2();
    bool CheckStarCos35();
    bool CheckCardOS50();
    bool CheckSmartCardHSM();
    bool CheckCardOS54();
    bool CheckSetCos(bool v442);
    bool CheckMedisign1k();
    int SetCardOS43Profile();
    int SetCardOS44Profile();
    int SetCardOS5xProfile(bool v54);
    // Serial number of the card object into m_serial and m_serialBin.
    void TakeCardSerial();
    // The PKCS#15 token serial, or the card's when the token has none.
    void TakeTokenSerial();
    bool Selectable(const std::string& path);
    // Reads the certificate in the file at path (whole DER object when offset and length are 0).
    CCertInfoSC* ReadCertFile(const std::string& path, int offset, int length, const std::string& label);
    // Reads the rest of a certificate whose first chunk the presence test read and keeps it.
    void KeepCertFile(const std::string& path, int fileLength, std::vector<unsigned char>& head);
    // Presence test with a per-detection cache: one probe per path.
    bool Present(const std::string& path);

public:
    // Layout registration (the tables of each card family).
    struct LayoutValues {
        int sigKeyBits = 0;   // SECCOS signature key size
        int authKeyBits = 0;  // SECCOS authentication key size
        bool seccosSingle = false;
        int medisignRef = 0;  // PIN reference of the medisign 1k layout
    };
    // Adds the layout's certificate rows that pass their tests and all its PIN rows;
    // returns the number of certificate objects added.
    int AddLayout(const CardLayout& layout, const LayoutValues& values);
    int AddLayout(const CardLayout& layout);

private:
    struct Copying {};
    CSC_Profile(CSC_Profile_Base* card, const CSC_Profile& found, Copying);
    std::map<std::string, bool> m_presence;
    std::shared_ptr<CCardFileCache> m_files;
    // Certificate files whose reading failed after the presence test: this profile does
    // not ask the card for them again (a later call does).
    std::map<std::string, bool> m_unreadable;
};

// Owns a profile together with its card-OS object.
struct CSC_ProfileRelease {
    void operator()(CSC_Profile* profile) const {
        if (profile == nullptr)
            return;
        profile->FreeProfile();
        delete profile;
    }
};
using CSC_ProfileHandle = std::unique_ptr<CSC_Profile, CSC_ProfileRelease>;

#endif
