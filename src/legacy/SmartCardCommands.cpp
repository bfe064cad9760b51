// The commands the legacy card class sends itself: the null-PIN test of TCOS 2.0 cards
// and GET DATA of SECCOS and SetCOS 4.4.1 cards.
#include <unistd.h>

#include <cstring>

#include "SmartCard.h"
#include "card/CardResults.h"
#include "card/CardTypes.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
// Where a TCOS 2.0 card keeps the PIN whose transport state is asked, and its reference.
const char kTcosNullPinPath[] = "3f00df065081";
const unsigned char kTcosNullPinRef = 0x81;
// Pause after the null-PIN test before the card is used again.
const useconds_t kNullPinPauseMicros = 100000;
// The tag byte under which SECCOS keeps its data objects, and the P1 of SetCOS 4.4.1.
const unsigned char kSeccosDataTag = 0xDF;
const unsigned char kSetcosDataP1 = 0x01;
}  // namespace

bool CSmartCard::IsNullPIN() {
    // Every way out but the last answers "no".
    VnTraceScope trace(2, "--entering CSmartCard::IsNullPIN\n", 2, "--leaving CSmartCard::IsNullPIN (0)\n");
    const vn_card::CardTypeRow* row = vn_card::cardType(m_cardType);
    if (row == nullptr || !row->nullPinProbe)
        return false;
    bool nullPin = false;
    if (SelectPath(kTcosNullPinPath, false, false) == kCardOk) {
        FormatAPDU(kApduCase1, 0x00, 0x20, 0x00, kTcosNullPinRef, 0, 0, nullptr, 0);
        // A PIN in its transport state refuses verification (6985); a PIN in use tells
        // its remaining tries (63Cx).
        if (SendToCard())
            nullPin = !(m_sw1 == 0x63 && (m_sw2 & 0xF0) == 0xC0);
    }
    usleep(kNullPinPauseMicros);
    if (nullPin)
        trace.leaveWith("--leaving CSmartCard::IsNullPIN (1)\n");
    return nullPin;
}

int CSmartCard::GetData(unsigned char p1, unsigned char p2, unsigned char* out, unsigned char* outLength) {
    VnTraceScope trace("CSmartCard::GetData", 2);
    if (out == nullptr || outLength == nullptr)
        return kCardFailed;
    const unsigned capacity = *outLength != 0 ? *outLength : 255u;
    *outLength = 0;
    const vn_card::CardTypeRow* row = vn_card::cardType(m_cardType);
    const vn_card::LegacyGetData form = row != nullptr ? row->legacyGetData : vn_card::LegacyGetData::None;
    if (form == vn_card::LegacyGetData::Seccos)
        FormatAPDU(kApduCase2, 0x00, 0xCA, kSeccosDataTag, p1, 0, 0, nullptr, 0);
    else if (form == vn_card::LegacyGetData::Setcos)
        FormatAPDU(kApduCase2, 0x00, 0xCA, kSetcosDataP1, p1, 0, p2, nullptr, 0);
    else
        return kCardFailed;
    if (!SendToCard() || m_sw1 != 0x90 || m_sw2 != 0x00)
        return kCardFailed;
    unsigned n = m_respLen < capacity ? m_respLen : capacity;
    std::memcpy(out, m_response, n);
    *outLength = static_cast<unsigned char>(n);
    return kCardOk;
}
