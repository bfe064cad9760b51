// Construction of the legacy card class on the host's card handle: the card-OS object on
// the same handle and the reader's directory cache carried between objects.
#include <cstring>
#include <new>

#include "LegacyProfile.h"
#include "SC_Profile_CardOS.h"
#include "SmartCard.h"
#include "card/CardFactory.h"
#include "card/CardTypes.h"
#include "infra/Secrets.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

namespace {
// The card types that get a card-OS object on the minidriver path.
bool hasCardOs(int type) {
    const vn_card::CardTypeRow* row = vn_card::cardType(type);
    return row != nullptr && row->legacy == vn_card::LegacySupport::CardOs;
}
}  // namespace

CSmartCard::CSmartCard(_CARD_DATA* cardData)
    : m_apduForm(0),
      m_cla(0),
      m_ins(0),
      m_p1(0),
      m_p2(0),
      m_lc(0),
      m_le(0),
      m_data(nullptr),
      m_dataLen(0),
      m_response(new (std::nothrow) unsigned char[RESPONSE_SIZE]()),
      m_respLen(0),
      m_sw1(0),
      m_sw2(0),
      m_hCard(cardData != nullptr ? cardData->hScard : 0),
      m_cardType(0),
      m_t1Allowed(true),
      m_readerId(-1),
      m_cardData(cardData),
      m_cardOS(nullptr) {
    VnTraceScope trace("CSmartCard::CSmartCard");
    if (cardData == nullptr)
        return;
    try {
        m_readerId = CProfile::GetReaderID(cardData);
        m_cardType = GetCardType(cardData->pwszCardName);
        vn_log(2, "card type : %d, reader id : %d\n", m_cardType, m_readerId);
        if (hasCardOs(m_cardType))
            m_cardOS = vn_create_card_os(m_cardType);
        if (m_cardOS != nullptr) {
            m_cardOS->UpdateSCardHandle(m_hCard);
            m_cardOS->UpdateSCardContext(cardData->hSCardCtx);
            m_cardOS->UpdateSCardType(m_cardType);
            if (auto* starcos34 = dynamic_cast<CSC_Profile_StarCos34*>(m_cardOS))
                starcos34->setSecurityEnvironmentSet(false);
            loadCache();
        }
    } catch (...) {
        delete m_cardOS;
        m_cardOS = nullptr;
    }
}

CSmartCard::~CSmartCard() {
    if (m_cardOS != nullptr) {
        storeCache();
        delete m_cardOS;
    }
    if (m_response != nullptr) {
        vn_secret::cleanse(m_response, RESPONSE_SIZE);
        delete[] m_response;
    }
}

bool CSmartCard::readerInRange() const { return m_readerId >= 0 && m_readerId < VN_LEGACY_READERS; }

void CSmartCard::loadCache() {
    if (m_cardOS == nullptr || !readerInRange())
        return;
    const int r = m_readerId;
    if (m_currPathLen[r] >= 2 && m_currPathLen[r] <= PATH_SIZE)
        m_cardOS->setCurrDF(m_currPath[r], m_currPathLen[r]);
    if (m_currFileLen[r] > 0 && m_currFileLen[r] <= FILE_SIZE)
        m_cardOS->setCurrEF(m_currFile[r], m_currFileLen[r]);
    else
        m_cardOS->setCurrEF(nullptr, 0);
}

void CSmartCard::storeCache() {
    if (m_cardOS == nullptr || !readerInRange())
        return;
    const int r = m_readerId;
    int len = m_cardOS->getCurrDF(m_currPath[r], PATH_SIZE);
    if (len > 0)
        m_currPathLen[r] = len;
    m_currFileLen[r] = m_cardOS->getCurrEF(m_currFile[r], FILE_SIZE);
}
