// Part 10 feature request: which pin-pad control codes the reader offers.
#include "ScPcsc.h"

#include <cstring>

CSC_Pcsc::CSC_Pcsc(long hCard)
    : m_hCard(hCard),
      m_features(nullptr),
      m_featureBuffer{},
      m_featureCount(0),
      m_verifyPinDirect(0),
      m_verifyPinStart(0),
      m_verifyPinFinish(0),
      m_modifyPinDirect(0),
      m_modifyPinStart(0),
      m_modifyPinFinish(0),
      m_getKeyPressed(0),
      m_hasPinPad(false) {
    InitTlv();
}

CSC_Pcsc::~CSC_Pcsc() = default;

long CSC_Pcsc::InitTlv() {
    m_hasPinPad = false;
    m_features = nullptr;
    m_featureCount = 0;
    m_verifyPinDirect = m_verifyPinStart = m_verifyPinFinish = 0;
    m_modifyPinDirect = m_modifyPinStart = m_modifyPinFinish = 0;
    m_getKeyPressed = 0;

    DWORD received = 0;
    std::memset(m_featureBuffer, 0, sizeof(m_featureBuffer));
    LONG rv = SCardControl(m_hCard, VN_CM_IOCTL_GET_FEATURE_REQUEST, nullptr, 0, m_featureBuffer,
                           sizeof(m_featureBuffer), &received);
    if (rv != SCARD_S_SUCCESS)
        return rv;
    // A reader that claims more bytes than the buffer holds is not trusted.
    if (received > sizeof(m_featureBuffer) || received % 6 != 0)
        return rv;
    // Every entry is tag, length 4, and a big-endian control code; an entry with
    // another length makes the whole answer malformed.
    for (DWORD pos = 0; pos < received; pos += 6)
        if (m_featureBuffer[pos + 1] != 4)
            return rv;
    m_featureCount = received / 6;
    m_features = m_featureBuffer;
    for (unsigned long i = 0; i < m_featureCount; ++i) {
        const unsigned char* e = m_features + i * 6;
        unsigned long code = (static_cast<unsigned long>(e[2]) << 24) | (static_cast<unsigned long>(e[3]) << 16) |
                             (static_cast<unsigned long>(e[4]) << 8) | e[5];
        switch (e[0]) {
        case VN_FEATURE_VERIFY_PIN_DIRECT: m_verifyPinDirect = code; break;
        case VN_FEATURE_VERIFY_PIN_START: m_verifyPinStart = code; break;
        case VN_FEATURE_VERIFY_PIN_FINISH: m_verifyPinFinish = code; break;
        case VN_FEATURE_MODIFY_PIN_DIRECT: m_modifyPinDirect = code; break;
        case VN_FEATURE_MODIFY_PIN_START: m_modifyPinStart = code; break;
        case VN_FEATURE_MODIFY_PIN_FINISH: m_modifyPinFinish = code; break;
        case VN_FEATURE_GET_KEY_PRESSED: m_getKeyPressed = code; break;
        default: break;
        }
    }
    m_hasPinPad = true;
    return rv;
}
