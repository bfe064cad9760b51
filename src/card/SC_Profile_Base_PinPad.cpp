// Pin-pad entry through the reader's PC/SC part 10 control codes.
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <memory>

#include "ConfigSC.h"
#include "PinInterface.h"
#include "SC_Profile_Base.h"
#include "ScPcsc.h"
#include "vn_log.h"

namespace {
const unsigned int kDefaultPadTimeout = 60;  // seconds, when the structure leaves it to the reader
const unsigned int kTimeoutMargin = 2;       // seconds beyond the pin pad's own timeout
const int kMaxFailedPolls = 20;
const useconds_t kPollPause = 50000;

bool haveCallback() { return gConfigSC.canUsePINDlgCallbackFunc(); }

// The pin pad's own timeout from bTimerOut and bTimerOut2.
unsigned int padTimeout(const unsigned char* s) {
    unsigned int t = s[0] > s[1] ? s[0] : s[1];
    return t == 0 ? kDefaultPadTimeout : t;
}
}  // namespace

PIN_VERIFY_STRUCTURE* CSC_Profile_Base::NewVerifyStructure() {
    return reinterpret_cast<PIN_VERIFY_STRUCTURE*>(new unsigned char[VN_PIN_VERIFY_SIZE]());
}

PIN_MODIFY_STRUCTURE* CSC_Profile_Base::NewModifyStructure() {
    return reinterpret_cast<PIN_MODIFY_STRUCTURE*>(new unsigned char[VN_PIN_MODIFY_SIZE]());
}

void CSC_Profile_Base::FreeVerifyStructure(PIN_VERIFY_STRUCTURE* s) { delete[] reinterpret_cast<unsigned char*>(s); }
void CSC_Profile_Base::FreeModifyStructure(PIN_MODIFY_STRUCTURE* s) { delete[] reinterpret_cast<unsigned char*>(s); }

bool CSC_Profile_Base::readerPCSC_Part10() {
    FreePinPad();
    m_pcsc = new CSC_Pcsc(m_hScard);
    m_pinVerify = InitPart10_Verify();
    m_pinModify = InitPart10_Modify();
    m_readerName = GetReaderName();
    return m_pcsc->HasPinPad();
}

void CSC_Profile_Base::setPinIndex(unsigned char ref) {
    if (m_pinVerify)
        bytesOf(m_pinVerify)[VN_PIN_VERIFY_SIZE - 1] = ref;
    if (m_pinModify)
        bytesOf(m_pinModify)[VN_PIN_MODIFY_SIZE - 1] = ref;
}

void CSC_Profile_Base::setPart10_Index(unsigned char ref) { setPinIndex(ref); }

void CSC_Profile_Base::ModifyVerifyStruct(std::string, unsigned char, PIN_VERIFY_STRUCTURE* s) {
    if (s == nullptr)
        return;
    std::string upper = m_readerName;
    for (auto& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (upper.rfind("REINER SCT CYBERJACK PINPAD", 0) != 0)
        return;
    // wPINMaxExtraDigit is little-endian: low byte maximum, high byte minimum.
    unsigned char* b = bytesOf(s);
    if (b[5] >= 16)
        b[5] = 15;
}

void CSC_Profile_Base::ModifyModifyStruct(std::string, unsigned char, PIN_MODIFY_STRUCTURE*) {}

int CSC_Profile_Base::startPinPadVerify() {
    if (m_pcsc == nullptr || m_pinVerify == nullptr)
        return 1;
    unsigned long code = m_pcsc->getVerifyStartIoctl() ? m_pcsc->getVerifyStartIoctl() : m_pcsc->getVerifyDirectIoctl();
    return TransmitControl(code, m_pinVerify, VN_PIN_VERIFY_SIZE) ? 0 : 1;
}

int CSC_Profile_Base::stopPinPadVerify() {
    if (m_pcsc == nullptr || m_pcsc->getVerifyStartIoctl() == 0)
        return 0;
    unsigned char finish[2] = {0xFF, 0xFF};
    return TransmitControl(m_pcsc->getVerifyFinishIoctl(), finish, sizeof(finish)) ? 0 : 1;
}

int CSC_Profile_Base::startPinPadModify() {
    if (m_pcsc == nullptr || m_pinModify == nullptr)
        return 1;
    unsigned long code = m_pcsc->getModifyStartIoctl() ? m_pcsc->getModifyStartIoctl() : m_pcsc->getModifyDirectIoctl();
    return TransmitControl(code, m_pinModify, VN_PIN_MODIFY_SIZE) ? 0 : 1;
}

int CSC_Profile_Base::stopPinPadModify() {
    if (m_pcsc == nullptr || m_pcsc->getModifyStartIoctl() == 0)
        return 0;
    unsigned char finish[2] = {0xFF, 0xFF};
    return TransmitControl(m_pcsc->getModifyFinishIoctl(), finish, sizeof(finish)) ? 0 : 1;
}

unsigned char CSC_Profile_Base::getPinPadKey() {
    if (m_pcsc == nullptr)
        return 0;
    if (!TransmitControl(m_pcsc->getKeyIoctl(), nullptr, 0))
        return 0;
    return m_respLen == 1 ? m_response[0] : 0;
}

int CSC_Profile_Base::RunKeyLoop(CPIN_Interface* dialog, bool useDialog, unsigned int timeoutSeconds) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::seconds(timeoutSeconds + kTimeoutMargin);
    int failed = 0;
    while (clock::now() < deadline) {
        m_lastControlOk = true;
        unsigned char key = getPinPadKey();
        if (!m_lastControlOk) {
            if (++failed >= kMaxFailedPolls)
                return -1;
            usleep(kPollPause);
            continue;
        }
        failed = 0;
        switch (key) {
        case 0x00: usleep(kPollPause); break;
        case 0x0D:
        case 0x40: m_pinCancelled = false; return 0;
        case 0x1B: m_pinCancelled = true; return 1;
        default:
            if (dialog != nullptr && useDialog)
                dialog->PollDialog(static_cast<char>(key));
            break;
        }
    }
    return -1;
}

int CSC_Profile_Base::PinPadEntry(bool modify, const std::string& pinPath, unsigned char pinRef,
                                  const std::string& label, void* parent, unsigned long value, int userValue) {
    const bool useDialog = gConfigSC.pinDialogEnabled || haveCallback();
    std::unique_ptr<CPIN_Interface> dialog;
    if (gConfigSC.isService) {
        vn_log(3, "---CSC_Profile_Base::Verify -> no PIN Pad Dialog \n");
    } else {
        if (haveCallback()) {
            vn_log(3, "---CSC_Profile_Base::Verify -> new CPIN_PinPad_Dialog_Callback \n");
            dialog.reset(new CPIN_PinPad_Dialog_Callback(m_hScard, parent, value, label, userValue));
        } else {
            vn_log(3, "---CSC_Profile_Base::Verify -> new CPIN_PinPad_Dialog \n");
            dialog.reset(new CPIN_PinPad_Dialog(m_hScard, parent, value, label));
        }
        if (useDialog) {
            vn_log(3, "---CSC_Profile_Base::Verify -> show PIN Pad Dialog \n");
            dialog->ShowDialog(m_readerName);
        } else {
            vn_log(3, "---CSC_Profile_Base::Verify -> no PIN Pad Dialog \n");
        }
    }
    if (modify)
        ModifyModifyStruct(pinPath, pinRef, m_pinModify);
    else
        ModifyVerifyStruct(pinPath, pinRef, m_pinVerify);

    // The result comes from the card's answer to this entry only: a status word left
    // from an earlier command must not read as success.
    m_sw1 = m_sw2 = 0;
    unsigned long startCode = 0, directCode = 0;
    if (m_pcsc != nullptr) {
        startCode = modify ? m_pcsc->getModifyStartIoctl() : m_pcsc->getVerifyStartIoctl();
        directCode = modify ? m_pcsc->getModifyDirectIoctl() : m_pcsc->getVerifyDirectIoctl();
    }
    bool haveStructure = modify ? m_pinModify != nullptr : m_pinVerify != nullptr;
    bool failed = false;
    if ((startCode == 0 && directCode == 0) || !haveStructure) {
        vn_log(3, "---CSC_Profile_Base::Verify -> can not startPinPadVerify\n");
    } else if ((modify ? startPinPadModify() : startPinPadVerify()) != 0) {
        failed = true;
    } else if (startCode != 0) {
        // With the direct code the reader has finished the entry already; keys are
        // polled only between start and finish.
        if (m_pcsc->getKeyIoctl() == 0) {
            vn_log(3, "---CSC_Profile_Base::Verify -> m_pcsc->getKeyIoctl() == 0\n");
        } else {
            const unsigned char* s = modify ? bytesOf(m_pinModify) : bytesOf(m_pinVerify);
            if (RunKeyLoop(dialog.get(), useDialog, padTimeout(s)) < 0)
                failed = true;
        }
        if (modify)
            stopPinPadModify();
        else
            stopPinPadVerify();
    }
    int r = returnResult();
    if (failed)
        r = SC_CMD_FAILED;
    if (dialog) {
        if (useDialog)
            dialog->DestroyDialog();
        dialog.reset();
    }
    return static_cast<int>(vn_log_dw_return("CSC_Profile_Base::returnResult", static_cast<unsigned>(r)));
}
