// Pin-pad capabilities of one connected card handle (PC/SC part 10 feature request).
#ifndef VN_SCPCSC_H
#define VN_SCPCSC_H

#include <PCSC/winscard.h>
#include "vn_export.h"

// Control code of the part 10 feature request, SCARD_CTL_CODE(3400).
#define VN_CM_IOCTL_GET_FEATURE_REQUEST 0x42000D48UL

enum : unsigned char {
    VN_FEATURE_VERIFY_PIN_START = 0x01,
    VN_FEATURE_VERIFY_PIN_FINISH = 0x02,
    VN_FEATURE_MODIFY_PIN_START = 0x03,
    VN_FEATURE_MODIFY_PIN_FINISH = 0x04,
    VN_FEATURE_GET_KEY_PRESSED = 0x05,
    VN_FEATURE_VERIFY_PIN_DIRECT = 0x06,
    VN_FEATURE_MODIFY_PIN_DIRECT = 0x07,
};

class VN_EXPORT CSC_Pcsc {
public:
    explicit CSC_Pcsc(long hCard);
    virtual ~CSC_Pcsc();

    // Asks the reader for its feature list and records the pin-pad control codes;
    // returns the PC/SC result of the request.
    long InitTlv();
    bool HasPinPad() const { return m_hasPinPad; }

    unsigned long getVerifyDirectIoctl() const { return m_verifyPinDirect; }
    unsigned long getVerifyStartIoctl() const { return m_verifyPinStart; }
    unsigned long getVerifyFinishIoctl() const { return m_verifyPinFinish; }
    unsigned long getModifyDirectIoctl() const { return m_modifyPinDirect; }
    unsigned long getModifyStartIoctl() const { return m_modifyPinStart; }
    unsigned long getModifyFinishIoctl() const { return m_modifyPinFinish; }
    unsigned long getKeyIoctl() const { return m_getKeyPressed; }

private:
    SCARDHANDLE m_hCard;
    unsigned char* m_features;
    unsigned char m_featureBuffer[256];
    unsigned long m_featureCount;
    unsigned long m_verifyPinDirect;
    unsigned long m_verifyPinStart;
    unsigned long m_verifyPinFinish;
    unsigned long m_modifyPinDirect;
    unsigned long m_modifyPinStart;
    unsigned long m_modifyPinFinish;
    unsigned long m_getKeyPressed;
    bool m_hasPinPad;
};

#endif
