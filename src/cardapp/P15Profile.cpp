// The built-in PKCS#15 layouts: the getters over the table, and the four members, each
// filling the table from its rows.
#include "P15Profile.h"

#include "ConfigSC.h"
#include "P15ProfileTables.h"

namespace {
bool inRange(int index, int count) { return index >= 0 && index < count && index < CP15ProfileTable::MAX_ENTRIES; }
int bySpec(int keySpec) { return keySpec == 2 ? 1 : 0; }  // 2: signature key
}  // namespace

CP15ProfileTable::CP15ProfileTable()
    : m_keyNum(0),
      m_keyUsage(),
      m_keyAuthId(),
      m_keyId(),
      m_pinNum(0),
      m_pinRef(),
      m_pinMinLen(0),
      m_pinMaxLen(0),
      m_cardType(0),
      m_cardPinIndex(0),
      m_certNum(0),
      m_keyRef(),
      m_keySize(),
      m_keyAccessFlag(),
      m_certAuthId(),
      m_certId(),
      m_pinAuth(),
      m_pinId() {}

CP15ProfileTable::~CP15ProfileTable() = default;

void CP15ProfileTable::fill(const p15table::Table& t) {
    m_cardType = t.cardType;
    m_keyNum = t.keyNum;
    m_pinNum = t.pinNum;
    m_certNum = t.certNum;
    m_pinMinLen = t.pinMinLen;
    m_pinMaxLen = t.pinMaxLen;
    m_cardPinIndex = t.cardPinIndex;
    for (int i = 0; i < p15table::kRows; ++i) {
        const p15table::KeyRow& k = t.keys[i];
        m_keyUsage[i] = k.usage;
        m_keyPath[i] = k.path;
        m_keyName[i] = k.name;
        m_keyAuthId[i] = k.authId;
        m_keyId[i] = k.id;
        m_keyRef[i] = k.ref;
        m_keySize[i] = k.size;
        m_keyAccessFlag[i] = k.accessFlags;
        const p15table::PinRow& p = t.pins[i];
        m_pinRef[i] = p.ref;
        m_pinPath[i] = p.path;
        m_pinName[i] = CMsg::GetRessString(p.nameMsg);
        m_pinAuth[i] = p.auth;
        m_pinId[i] = p.id;
        const p15table::CertRow& c = t.certs[i];
        m_certPath[i] = c.path;
        m_certName[i] = c.name;
        m_certAuthId[i] = c.authId;
        m_certId[i] = c.id;
    }
}

CP15Profile_Telia::CP15Profile_Telia() { fill(p15table::kTelia); }
CP15Profile_Vozed::CP15Profile_Vozed() { fill(p15table::kVozed); }
CP15Profile_SetCos::CP15Profile_SetCos() { fill(p15table::kSetCos); }
CP15Profile_CardOS43b::CP15Profile_CardOS43b() { fill(p15table::kCardOS43b); }

int CP15ProfileTable::getCardType() { return m_cardType; }
int CP15ProfileTable::getKeyNum() { return m_keyNum; }
int CP15ProfileTable::getKeyUsage(int i) { return inRange(i, m_keyNum) ? m_keyUsage[i] : 0; }
std::string CP15ProfileTable::getKeyName(int i) { return inRange(i, m_keyNum) ? m_keyName[i] : std::string(); }
std::string CP15ProfileTable::getKeyPath(int i) { return inRange(i, m_keyNum) ? m_keyPath[i] : std::string(); }
int CP15ProfileTable::getKeyRef(int i) { return inRange(i, m_keyNum) ? m_keyRef[i] : 0; }
int CP15ProfileTable::getKeySize(int i) { return inRange(i, m_keyNum) ? m_keySize[i] : 0; }
int CP15ProfileTable::getKeyAccessFlag(int i) { return inRange(i, m_keyNum) ? m_keyAccessFlag[i] : 0; }
int CP15ProfileTable::getKeyAuthId(int i) { return inRange(i, m_keyNum) ? m_keyAuthId[i] : 0; }
int CP15ProfileTable::getKeyId(int i) { return inRange(i, m_keyNum) ? m_keyId[i] : 0; }
// The key kind picks a table entry: entry 1 also on a card with one key.
std::string CP15ProfileTable::getKeyPathBySpec(int keySpec) { return m_keyPath[bySpec(keySpec)]; }
int CP15ProfileTable::getKeyAuthIdBySpec(int keySpec) { return m_keyAuthId[bySpec(keySpec)]; }
std::string CP15ProfileTable::getKeyNameBySpec(int keySpec) { return m_keyName[bySpec(keySpec)]; }

int CP15ProfileTable::getPinNum() { return m_pinNum; }
int CP15ProfileTable::getPinRef(int i) { return inRange(i, m_pinNum) ? m_pinRef[i] : 0; }
std::string CP15ProfileTable::getPinName(int i) { return inRange(i, m_pinNum) ? m_pinName[i] : std::string(); }
std::string CP15ProfileTable::getPinPath(int i) { return inRange(i, m_pinNum) ? m_pinPath[i] : std::string(); }
int CP15ProfileTable::getPinId(int i) { return inRange(i, m_pinNum) ? m_pinId[i] : 0; }
int CP15ProfileTable::getPinAuth(int i) { return inRange(i, m_pinNum) ? m_pinAuth[i] : 0; }
int CP15ProfileTable::getPinMinLen() { return m_pinMinLen; }
int CP15ProfileTable::getPinMaxLen() { return m_pinMaxLen; }
int CP15ProfileTable::getCardPinIndex() { return m_cardPinIndex; }

std::string CP15ProfileTable::getCertPath(int i) { return inRange(i, m_certNum) ? m_certPath[i] : std::string(); }
std::string CP15ProfileTable::getCertName(int i) { return inRange(i, m_certNum) ? m_certName[i] : std::string(); }
int CP15ProfileTable::getCertAuthId(int i) { return inRange(i, m_certNum) ? m_certAuthId[i] : 0; }
int CP15ProfileTable::getCertId(int i) { return inRange(i, m_certNum) ? m_certId[i] : 0; }
int CP15ProfileTable::getCertNum() { return m_certNum; }
// The id of the certificate with that name; 0 for none.
int CP15ProfileTable::getCertId(std::string name) {
    for (int i = 0; i < m_certNum && i < MAX_ENTRIES; ++i)
        if (m_certName[i] == name)
            return m_certId[i];
    return 0;
}
