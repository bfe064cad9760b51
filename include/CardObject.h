// One certificate on a card with the private key and the PIN that belong to it.
#ifndef VN_CARDOBJECT_H
#define VN_CARDOBJECT_H

#include <string>

#include "vn_export.h"

class VN_EXPORT CCardObject {
public:
    CCardObject(int type, std::string label, int profileType, std::string certPath, int certOffset, int certLength,
                std::string keyPath, std::string pinPath, unsigned char pinRef, unsigned char keyRef, int keyBits,
                int keyClass, std::string pinName, bool singleSign, bool isCA, int usage, bool decipherFlag);
    virtual ~CCardObject();

    int m_type;
    std::string m_label;
    int m_profileType;
    std::string m_certPath;
    int m_certOffset;
    int m_certLength;
    std::string m_keyPath;
    std::string m_pinPath;
    unsigned char m_pinRef;
    unsigned char m_keyRef;
    int m_keyBits;
    int m_keyClass;
    std::string m_pinName;
    bool m_singleSign;
    bool m_isCA;
    int m_usage;
    bool m_decipherFlag;
};

#endif
