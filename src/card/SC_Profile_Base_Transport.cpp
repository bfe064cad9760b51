// APDU record, transmission to the card and to the reader, status word mapping.
#include <PCSC/pcsclite.h>

#include <cstring>

#include "ApduLog.h"
#include "IsoCommands.h"
#include "SC_Profile_Base.h"
#include "ScPcsc.h"
#include "infra/Secrets.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
const unsigned long kMaxControlAnswer = 65536;
}  // namespace

void CSC_Profile_Base::FormatAPDU(unsigned char form, unsigned char cla, unsigned char ins, unsigned char p1,
                                  unsigned char p2, unsigned short lc, unsigned short le, unsigned char* data,
                                  unsigned short dataLength) {
    m_apduForm = form;
    m_cla = cla;
    m_ins = ins;
    m_p1 = p1;
    m_p2 = p2;
    m_lc = lc;
    m_le = le;
    if (form == kApduCase2)
        m_lc = le;
    m_data = data;
    m_dataLen = dataLength;
    m_response.assign((form == kApduCase4Extended || form == kApduNotSent) ? 512 : 256, 0);
    m_respLen = static_cast<unsigned short>(m_response.size());
}

bool CSC_Profile_Base::LayoutCommand(std::vector<unsigned char>& cmd) const {
    cmd = {m_cla, m_ins, m_p1, m_p2};
    // The data pointer is not owned: never read past what the caller said it holds.
    bool dataOk = m_lc == 0 || (m_data != nullptr && m_dataLen >= m_lc);
    switch (m_apduForm) {
    case kApduLcOnly:
    case kApduCase2Lc:
    case kApduRead: cmd.push_back(static_cast<unsigned char>(m_lc & 0xFF)); return true;
    case kApduCase1: return true;
    case kApduCase2: cmd.push_back(static_cast<unsigned char>(m_le & 0xFF)); return true;
    case kApduCase4:
    case kApduCase3:
        if (!dataOk || m_lc > 255)
            return false;
        cmd.push_back(static_cast<unsigned char>(m_lc));
        cmd.insert(cmd.end(), m_data, m_data + m_lc);
        if (m_apduForm == kApduCase4)
            cmd.push_back(static_cast<unsigned char>(m_le & 0xFF));
        return true;
    case kApduCase4Extended:
        if (!dataOk)
            return false;
        cmd.push_back(0x00);
        cmd.push_back(static_cast<unsigned char>(m_lc >> 8));
        cmd.push_back(static_cast<unsigned char>(m_lc & 0xFF));
        cmd.insert(cmd.end(), m_data, m_data + m_lc);
        cmd.push_back(static_cast<unsigned char>(m_le >> 8));
        cmd.push_back(static_cast<unsigned char>(m_le & 0xFF));
        return true;
    default: return false;
    }
}

bool CSC_Profile_Base::TransmitBytes(const std::vector<unsigned char>& command) {
    m_mfJustSelected = false;
    // A selection moves the card away from what the selection cache knows; the callers
    // that keep the cache true with it say so again after it succeeded.
    if (command.size() > 1 && command[1] == kInsSelect)
        m_selectionKnown = false;
    const bool leaveAnswer = m_leaveAnswer;
    m_leaveAnswer = false;
    NoteCommandSent();
    unsigned long protocol = GetProtocol();
    if (protocol == SCARD_PROTOCOL_T0)
        m_t1Allowed = false;
    const SCARD_IO_REQUEST* pci = m_t1Allowed ? SCARD_PCI_T1 : SCARD_PCI_T0;
    vn_log(2, m_t1Allowed ? "using T1 protocol\n" : "using T0 protocol\n");
    {
        char name[256];
        DWORD nameLen = sizeof(name), state = 0, proto = 0;
        unsigned char atr[MAX_ATR_SIZE];
        DWORD atrLen = sizeof(atr);
        LONG st = SCardStatus(m_hScard, name, &nameLen, &state, &proto, atr, &atrLen);
        vn_log(2, "SendToCard (SCardStatus) lRet : 0x%016lX\n", static_cast<unsigned long>(st));
    }
    std::vector<unsigned char> shown = vn_mask_command(command);
    vn_log_buffer(5, "[data sent to card]", shown.data(), static_cast<unsigned int>(shown.size()));

    // The answer may carry a deciphered key or plaintext.
    std::vector<unsigned char> answer(m_response.size() + 2);
    vn_secret::WipeOnExit wipeAnswer(answer);
    DWORD received = static_cast<DWORD>(answer.size());
    LONG rv = SCardTransmit(m_hScard, pci, command.data(), static_cast<DWORD>(command.size()), nullptr, answer.data(),
                            &received);
    if (rv != SCARD_S_SUCCESS) {
        vn_log(2, "SCardTransmit failed (0x%016lX Error:%s)\n", static_cast<unsigned long>(rv),
               pcsc_stringify_error(rv));
        m_respLen = 0;
        m_sw1 = m_sw2 = 0;
        return false;
    }
    if (received > answer.size())
        received = static_cast<DWORD>(answer.size());
    if (!m_t1Allowed && received == 2 && answer[0] == 0x61 && !leaveAnswer) {
        unsigned char getResponse[5] = {0x00, 0xC0, 0x00, 0x00, answer[1]};
        vn_log_buffer(5, "[data sent to card]", getResponse, sizeof(getResponse));
        answer.assign(258, 0);
        received = static_cast<DWORD>(answer.size());
        rv = SCardTransmit(m_hScard, pci, getResponse, sizeof(getResponse), nullptr, answer.data(), &received);
        if (rv != SCARD_S_SUCCESS) {
            vn_log(2, "SCardTransmit failed (0x%016lX Error:%s)\n", static_cast<unsigned long>(rv),
                   pcsc_stringify_error(rv));
            m_respLen = 0;
            m_sw1 = m_sw2 = 0;
            return false;
        }
        if (received > answer.size())
            received = static_cast<DWORD>(answer.size());
    }
    if (received >= 2) {
        size_t dataLen = received - 2;
        // An answer longer than the response buffer keeps only what fits.
        size_t kept = dataLen < m_response.size() ? dataLen : m_response.size();
        std::memcpy(m_response.data(), answer.data(), kept);
        m_respLen = static_cast<unsigned short>(kept);
        m_sw1 = answer[received - 2];
        m_sw2 = answer[received - 1];
        vn_log_buffer(5, "[data received from card]", answer.data(), static_cast<unsigned int>(received));
    } else {
        // Fewer than two bytes carry no status word: nothing of an earlier answer stays.
        m_respLen = 0;
        m_sw1 = m_sw2 = 0;
    }
    return true;
}

bool CSC_Profile_Base::SendToCard() {
    VnTraceScope trace("CSC_Profile_Base::SendToCard", 2);
    vn_log(2, "m_hScard : 0x%016lX\n", static_cast<unsigned long>(m_hScard));
    // The copy of the command may carry a PIN: wiped however the transmission ends.
    std::vector<unsigned char> cmd;
    vn_secret::WipeOnExit wipe(cmd);
    if (!LayoutCommand(cmd)) {
        trace.leaveWith("leaving CSC_Profile_Base::SendToCard\n");
        return false;
    }
    if (!TransmitBytes(cmd)) {
        trace.leaveWith("leavingCSC_Profile_Base::SendToCard\n");
        return false;
    }
    return true;
}

// Sends long command data in pieces of the largest read size; every piece but the
// last has the chaining bit (CLA OR 10) set and no Le. The last piece keeps the form's
// Le. A piece answered with anything but 9000 ends the chain with that status.
bool CSC_Profile_Base::SendToCardChained() {
    VnTraceScope trace("CSC_Profile_Base::SendToCardChained", 2);
    if (m_apduForm != kApduCase4 && m_apduForm != kApduCase3 && m_apduForm != kApduCase4Extended)
        return SendToCard();
    if (m_lc != 0 && (m_data == nullptr || m_dataLen < m_lc))
        return false;
    size_t piece = m_maxRead == 0 ? 240 : m_maxRead;
    size_t offset = 0;
    do {
        size_t n = m_lc - offset < piece ? m_lc - offset : piece;
        bool last = offset + n >= m_lc;
        std::vector<unsigned char> cmd = {static_cast<unsigned char>(last ? m_cla : (m_cla | 0x10)), m_ins, m_p1, m_p2,
                                          static_cast<unsigned char>(n)};
        cmd.insert(cmd.end(), m_data + offset, m_data + offset + n);
        if (last && m_apduForm != kApduCase3)
            cmd.push_back(static_cast<unsigned char>(m_le & 0xFF));
        if (!TransmitBytes(cmd))
            return false;
        offset += n;
        if (!last && !isSW(0x90, 0x00))
            break;
    } while (offset < m_lc);
    return true;
}

bool CSC_Profile_Base::TransmitControl(unsigned long controlCode, void* data, unsigned long length) {
    m_mfJustSelected = false;
    NoteCommandSent();
    VnTraceScope trace("CSC_Profile_Base::TransmitControl", 2);
    m_lastControlOk = false;
    if (GetProtocol() == SCARD_PROTOCOL_T0)
        m_t1Allowed = false;
    if (data == nullptr)
        length = 0;
    if (length > 0) {
        unsigned long head = 0;
        if (m_pcsc != nullptr &&
            (controlCode == m_pcsc->getVerifyStartIoctl() || controlCode == m_pcsc->getVerifyDirectIoctl()))
            head = VN_PIN_VERIFY_HEAD;
        else if (m_pcsc != nullptr &&
                 (controlCode == m_pcsc->getModifyStartIoctl() || controlCode == m_pcsc->getModifyDirectIoctl()))
            head = VN_PIN_MODIFY_HEAD;
        std::vector<unsigned char> shown = head
                                               ? vn_mask_pinpad(static_cast<unsigned char*>(data), length, head)
                                               : std::vector<unsigned char>(static_cast<unsigned char*>(data),
                                                                            static_cast<unsigned char*>(data) + length);
        vn_log_buffer(5, "[data sent to card]", shown.data(), static_cast<unsigned int>(shown.size()));
    }
    std::vector<unsigned char> answer(kMaxControlAnswer);
    DWORD received = 0;
    LONG rv = SCardControl(m_hScard, controlCode, length ? data : nullptr, length, answer.data(),
                           static_cast<DWORD>(answer.size()), &received);
    if (rv != SCARD_S_SUCCESS) {
        vn_log(1, "SCardControl failed (0x%016lX Error:%s)\n", static_cast<unsigned long>(rv),
               pcsc_stringify_error(rv));
        m_respLen = 0;
        return false;
    }
    if (received > answer.size())
        received = static_cast<DWORD>(answer.size());
    if (length > 0) {
        if (!m_t1Allowed && received == 2 && answer[0] == 0x61) {
            unsigned char getResponse[5] = {0x00, 0xC0, 0x00, 0x00, answer[1]};
            DWORD got = 258;
            std::vector<unsigned char> again(got);
            rv = SCardTransmit(m_hScard, SCARD_PCI_T0, getResponse, sizeof(getResponse), nullptr, again.data(), &got);
            if (rv != SCARD_S_SUCCESS)
                return false;
            answer.swap(again);
            received = got > answer.size() ? static_cast<DWORD>(answer.size()) : got;
        }
        if (received >= 2) {
            size_t dataLen = received - 2;
            size_t kept = dataLen < m_response.size() ? dataLen : m_response.size();
            std::memcpy(m_response.data(), answer.data(), kept);
            m_respLen = static_cast<unsigned short>(kept);
            m_sw1 = answer[received - 2];
            m_sw2 = answer[received - 1];
            vn_log_buffer(5, "[data received from card]", answer.data(), static_cast<unsigned int>(received));
        } else {
            m_respLen = 0;
        }
    } else {
        size_t kept = received < m_response.size() ? received : m_response.size();
        std::memcpy(m_response.data(), answer.data(), kept);
        m_respLen = static_cast<unsigned short>(kept);
    }
    m_lastControlOk = true;
    return true;
}

int CSC_Profile_Base::returnResult() {
    int r = vn_cardos::mapStatus(getSW(), vn_cardos::kBaseStatus);
    return static_cast<int>(vn_log_dw_return("CSC_Profile_Base::returnResult", static_cast<unsigned int>(r)));
}
