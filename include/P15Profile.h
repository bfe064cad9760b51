// Built-in PKCS#15 layouts of the card families the minidriver card data serves with a
// fixed layout: keys, PINs and certificate files as tables filled by the constructors.
#ifndef VN_P15PROFILE_H
#define VN_P15PROFILE_H

#include <string>

#include "vn_export.h"

namespace p15table {
struct Table;
}

class VN_EXPORT IP15Profile {
public:
    virtual ~IP15Profile() {}
    virtual int getCardType() = 0;
    virtual int getKeyNum() = 0;
    virtual int getKeyUsage(int index) = 0;
    virtual std::string getKeyName(int index) = 0;
    virtual std::string getKeyPath(int index) = 0;
    virtual int getKeyRef(int index) = 0;
    virtual int getKeySize(int index) = 0;
    virtual int getKeyAccessFlag(int index) = 0;
    // The signature key kind (2) answers with entry 1, the key-exchange kind (any other) with entry 0.
    virtual std::string getKeyPathBySpec(int keySpec) = 0;
    virtual int getKeyAuthIdBySpec(int keySpec) = 0;
    virtual std::string getKeyNameBySpec(int keySpec) = 0;
    virtual int getKeyAuthId(int index) = 0;
    virtual int getKeyId(int index) = 0;
    virtual int getPinNum() = 0;
    virtual int getPinRef(int index) = 0;
    virtual std::string getPinName(int index) = 0;
    virtual std::string getPinPath(int index) = 0;
    virtual int getPinId(int index) = 0;
    virtual int getPinAuth(int index) = 0;
    virtual int getPinMinLen() = 0;
    virtual int getPinMaxLen() = 0;
    virtual int getCardPinIndex() = 0;
    virtual std::string getCertPath(int index) = 0;
    virtual std::string getCertName(int index) = 0;
    virtual int getCertAuthId(int index) = 0;
    virtual int getCertId(int index) = 0;
    virtual int getCertNum() = 0;
    virtual int getCertId(std::string name) = 0;
};

// The table every built-in layout holds, and the getters over it (an index outside
// the table gives 0 or the empty text).
class VN_EXPORT CP15ProfileTable : public IP15Profile {
public:
    enum : int { MAX_ENTRIES = 10 };

    ~CP15ProfileTable() override;
    int getCardType() override;
    int getKeyNum() override;
    int getKeyUsage(int index) override;
    std::string getKeyName(int index) override;
    std::string getKeyPath(int index) override;
    int getKeyRef(int index) override;
    int getKeySize(int index) override;
    int getKeyAccessFlag(int index) override;
    std::string getKeyPathBySpec(int keySpec) override;
    int getKeyAuthIdBySpec(int keySpec) override;
    std::string getKeyNameBySpec(int keySpec) override;
    int getKeyAuthId(int index) override;
    int getKeyId(int index) override;
    int getPinNum() override;
    int getPinRef(int index) override;
    std::string getPinName(int index) override;
    std::string getPinPath(int index) override;
    int getPinId(int index) override;
    int getPinAuth(int index) override;
    int getPinMinLen() override;
    int getPinMaxLen() override;
    int getCardPinIndex() override;
    std::string getCertPath(int index) override;
    std::string getCertName(int index) override;
    int getCertAuthId(int index) override;
    int getCertId(int index) override;
    int getCertNum() override;
    int getCertId(std::string name) override;

protected:
    CP15ProfileTable();
    // Takes a member's rows into the table.
    void fill(const p15table::Table& table);

    int m_keyNum;
    int m_keyUsage[MAX_ENTRIES];
    std::string m_keyPath[MAX_ENTRIES];
    std::string m_keyName[MAX_ENTRIES];
    int m_keyAuthId[MAX_ENTRIES];
    int m_keyId[MAX_ENTRIES];
    int m_pinNum;
    int m_pinRef[MAX_ENTRIES];
    std::string m_pinPath[MAX_ENTRIES];
    std::string m_pinName[MAX_ENTRIES];
    int m_pinMinLen;
    int m_pinMaxLen;
    int m_cardType;
    int m_cardPinIndex;
    std::string m_certPath[MAX_ENTRIES];
    std::string m_certName[MAX_ENTRIES];
    int m_certNum;
    int m_keyRef[MAX_ENTRIES];
    int m_keySize[MAX_ENTRIES];
    int m_keyAccessFlag[MAX_ENTRIES];
    int m_certAuthId[MAX_ENTRIES];
    int m_certId[MAX_ENTRIES];
    int m_pinAuth[MAX_ENTRIES];
    int m_pinId[MAX_ENTRIES];
};

class VN_EXPORT CP15Profile_CardOS43b : public CP15ProfileTable {
public:
    CP15Profile_CardOS43b();
};

class VN_EXPORT CP15Profile_Vozed : public CP15ProfileTable {
public:
    CP15Profile_Vozed();
};

class VN_EXPORT CP15Profile_SetCos : public CP15ProfileTable {
public:
    CP15Profile_SetCos();
};

class VN_EXPORT CP15Profile_Telia : public CP15ProfileTable {
public:
    CP15Profile_Telia();
};

#endif
