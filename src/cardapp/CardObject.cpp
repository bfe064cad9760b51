// One certificate entry of a card application.
#include "CardObject.h"

CCardObject::CCardObject(int type, std::string label, int profileType, std::string certPath, int certOffset,
                         int certLength, std::string keyPath, std::string pinPath, unsigned char pinRef,
                         unsigned char keyRef, int keyBits, int keyClass, std::string pinName, bool singleSign,
                         bool isCA, int usage, bool decipherFlag)
    : m_type(type),
      m_label(std::move(label)),
      m_profileType(profileType),
      m_certPath(std::move(certPath)),
      m_certOffset(certOffset),
      m_certLength(certLength),
      m_keyPath(std::move(keyPath)),
      m_pinPath(std::move(pinPath)),
      m_pinRef(pinRef),
      m_keyRef(keyRef),
      m_keyBits(keyBits),
      m_keyClass(keyClass),
      m_pinName(std::move(pinName)),
      m_singleSign(singleSign),
      m_isCA(isCA),
      m_usage(usage),
      m_decipherFlag(decipherFlag) {}

CCardObject::~CCardObject() = default;
