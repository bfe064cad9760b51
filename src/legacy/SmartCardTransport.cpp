// The command record of the legacy card class: commands go to the card through the
// card-OS object on the same handle, reader control calls straight to the reader.
#include <unistd.h>

#include <cstring>
#include <vector>

#include "LegacyProfile.h"
#include "SC_Profile_Base.h"
#include "SmartCard.h"
#include "card/CardResults.h"
#include "card/CardTypes.h"
#include "infra/Secrets.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
// Largest answer of a reader control call kept by the legacy class: a response and its status word.
const DWORD kControlAnswer = CSmartCard::RESPONSE_SIZE + 2;
}  // namespace

void CSmartCard::FormatAPDU(unsigned char form, unsigned char cla, unsigned char ins, unsigned char p1,
                            unsigned char p2, unsigned short lc, unsigned short le, unsigned char* data,
                            unsigned short dataLength) {
    m_apduForm = form;
    m_cla = cla;
    m_ins = ins;
    m_p1 = p1;
    m_p2 = p2;
    m_lc = form == kApduCase2 ? le : lc;
    m_le = le;
    m_data = data;
    m_dataLen = data != nullptr ? dataLength : 0;
    m_respLen = 0;
}

bool CSmartCard::SendToCard() {
    VnTraceScope trace("CSmartCard::SendToCard", 2);
    m_respLen = 0;
    m_sw1 = m_sw2 = 0;
    if (m_cardOS == nullptr || m_response == nullptr)
        return false;
    m_cardOS->FormatAPDU(static_cast<unsigned char>(m_apduForm), m_cla, m_ins, m_p1, m_p2, m_lc, m_le, m_data,
                         m_dataLen);
    if (!m_cardOS->SendToCard())
        return false;
    unsigned short n = m_cardOS->getResponseLength();
    if (n > RESPONSE_SIZE)
        n = RESPONSE_SIZE;
    std::memcpy(m_response, m_cardOS->getResponse(), n);
    m_respLen = n;
    uint32_t sw = m_cardOS->getSW();
    m_sw1 = static_cast<unsigned char>(sw & 0xFF);
    m_sw2 = static_cast<unsigned char>((sw >> 16) & 0xFF);
    return true;
}

bool CSmartCard::TransmitControl(unsigned long controlCode, unsigned char* data, unsigned long length) {
    VnTraceScope trace("CSmartCard::TransmitControl", 2);
    m_respLen = 0;
    if (m_response == nullptr || m_hCard == 0)
        return false;
    if (data == nullptr)
        length = 0;
    unsigned char answer[kControlAnswer];
    vn_secret::WipeOnExit wipe(answer, sizeof answer);
    DWORD received = 0;
    LONG rv =
        SCardControl(m_hCard, controlCode, length != 0 ? data : nullptr, length, answer, sizeof answer, &received);
    if (rv != SCARD_S_SUCCESS) {
        vn_log(1, "SCardControl failed (0x%016lX)\n", static_cast<unsigned long>(rv));
        return false;
    }
    DWORD kept = received < static_cast<DWORD>(RESPONSE_SIZE) ? received : static_cast<DWORD>(RESPONSE_SIZE);
    std::memcpy(m_response, answer, kept);
    m_respLen = static_cast<unsigned short>(kept);
    return true;
}

int CSmartCard::TC_GetKey(unsigned long controlCode) {
    VnTraceScope trace("CSmartCard::TC_GetKey", 2);
    const vn_card::CardTypeRow* row = vn_card::cardType(m_cardType);
    if (row != nullptr && row->t0Only)
        m_t1Allowed = false;
    int result = TransmitControl(controlCode, nullptr, 0) ? kCardOk : kCardFailed;
    return result;
}

SCARDHANDLE CSmartCard::GetSCardHandle() { return m_hCard; }

unsigned long CSmartCard::GetProtocol() {
    char name[512];
    DWORD nameLen = sizeof name, state = 0, protocol = 0;
    unsigned char atr[MAX_ATR_SIZE];
    DWORD atrLen = sizeof atr;
    if (m_hCard == 0 || SCardStatus(m_hCard, name, &nameLen, &state, &protocol, atr, &atrLen) != SCARD_S_SUCCESS)
        return 0;
    return protocol;
}

int CSmartCard::ResetCard() {
    VnTraceScope trace("CSmartCard::ResetCard", 2);
    DWORD active = 0;
    if (m_hCard == 0 || SCardReconnect(m_hCard, SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1,
                                       SCARD_RESET_CARD, &active) != SCARD_S_SUCCESS)
        return kCardFailed;
    // After a reset the MF is current and no PIN is verified.
    ResetCurrPath(m_readerId);
    if (m_cardOS != nullptr) {
        const unsigned char mf[] = {0x3F, 0x00};
        m_cardOS->setCurrDF(mf, sizeof mf);
        m_cardOS->setCurrEF(nullptr, 0);
    }
    return kCardOk;
}
