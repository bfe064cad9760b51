// PIN verification, change and unblocking: the flows and the base card commands.
#include <cstring>
#include <memory>

#include "CardResults.h"
#include "CardTypes.h"
#include "ConfigSC.h"
#include "IsoCommands.h"
#include "PinInterface.h"
#include "ProfileTypes.h"
#include "SC_Profile_Base.h"
#include "infra/Secrets.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
bool haveCallback() { return gConfigSC.canUsePINDlgCallbackFunc(); }

// Asks one PIN on the keyboard, through the host or the console; false when cancelled.
bool askPin(long hCard, void* parent, unsigned long value, const std::string& label, int userValue,
            const std::string& readerName, std::string& pin) {
    std::unique_ptr<CPIN_Interface> dlg;
    if (haveCallback()) {
        vn_log(3, "---CSC_Profile_Base::Verify -> new CPIN_Window_Dialog_Callback \n");
        dlg.reset(new CPIN_Window_Dialog_Callback(hCard, parent, value, label, userValue));
    } else {
        vn_log(3, "---CSC_Profile_Base::Verify -> new CPIN_Window_Dialog \n");
        dlg.reset(new CPIN_Window_Dialog(hCard, parent, value, label));
    }
    vn_log(3, "---CSC_Profile_Base::Verify -> show Window Dialog \n");
    bool ok = dlg->ShowDialog(readerName);
    if (ok)
        pin = dlg->GetPin();
    dlg->DestroyDialog();
    dlg->ClearPin();
    return ok;
}

enum class Entry { Typed, Cancelled, Mismatch };

// Asks for the old secret (PIN or PUK), the new PIN and its repetition, as a change
// and an unblock both do when nothing was passed in.
Entry askOldNewRepeat(long hCard, void* parent, unsigned long value, const std::string& labelOld,
                      const std::string& labelNew, const std::string& labelRepeat, const std::string& readerName,
                      std::string& oldSecret, std::string& newPin) {
    std::string repeat;
    vn_secret::WipeOnExit w(repeat);
    if (!askPin(hCard, parent, value, labelOld, -1, readerName, oldSecret) ||
        !askPin(hCard, parent, value, labelNew, -1, readerName, newPin) ||
        !askPin(hCard, parent, value, labelRepeat, -1, readerName, repeat))
        return Entry::Cancelled;
    return repeat == newPin ? Entry::Typed : Entry::Mismatch;
}
}  // namespace

int CSC_Profile_Base::SCVerify(unsigned char ref, unsigned char* pin, unsigned char length) {
    if ((pin == nullptr && length != 0) ||
        !send(*this, Command::iso(kApduCase3, kInsVerify, 0x00, ref).withData(pin, length)))
        return SC_CMD_FAILED;
    return returnResult();
}

int CSC_Profile_Base::SCChangeRef(unsigned char ref, unsigned char* oldPin, unsigned char oldLength,
                                  unsigned char* newPin, unsigned char newLength) {
    SetMinMaxPINLength();
    if (newLength < m_minPinLen || newLength > m_maxPinLen)
        return SC_CMD_FAILED;
    unsigned total = static_cast<unsigned>(oldLength) + newLength;
    if (total > 255 || (oldLength && !oldPin) || !newPin)
        return SC_CMD_FAILED;
    vn_secret::WipedBytes data(total);
    if (oldLength)
        std::memcpy(data.data(), oldPin, oldLength);
    std::memcpy(data.data() + oldLength, newPin, newLength);
    bool sent = send(*this, Command::iso(kApduCase3, kInsChangeReference, 0x00, ref).withData(data.data(), total));
    return sent ? returnResult() : SC_CMD_FAILED;
}

int CSC_Profile_Base::SCUnblockPin(unsigned char ref, unsigned char* puk, unsigned char pukLength,
                                   unsigned char* newPin, unsigned char newLength) {
    SetMinMaxPINLength();
    if (newLength < m_minPinLen || newLength > m_maxPinLen)
        return SC_CMD_FAILED;
    // The data field is twice the PUK length: a longer new PIN would not fit.
    if (newLength > pukLength || pukLength > 127 || !puk || !newPin)
        return SC_CMD_FAILED;
    vn_secret::WipedBytes data(2u * pukLength, 0);
    std::memcpy(data.data(), puk, pukLength);
    std::memcpy(data.data() + pukLength, newPin, newLength);
    bool sent =
        send(*this, Command::iso(kApduCase3, kInsResetRetryCounter, 0x00, ref).withData(data.data(), data.size()));
    if (!sent)
        return SC_CMD_FAILED;
    int r = returnResult();
    return static_cast<int>(vn_log_dw_return("CSC_Profile_Base::SCUnblockPin", static_cast<unsigned>(r)));
}

int CSC_Profile_Base::SCUnblockPin2(unsigned char ref, unsigned char* puk, unsigned char pukLength) {
    if (pukLength > 127 || (!puk && pukLength))
        return SC_CMD_FAILED;
    vn_secret::WipedBytes data(2u * pukLength, 0);
    if (pukLength)
        std::memcpy(data.data(), puk, pukLength);
    bool sent =
        send(*this, Command::iso(kApduCase3, kInsResetRetryCounter, 0x00, ref).withData(data.data(), data.size()));
    if (!sent)
        return SC_CMD_FAILED;
    int r = returnResult();
    return static_cast<int>(vn_log_dw_return("CSC_Profile_Base::SCUnblockPin2", static_cast<unsigned>(r)));
}

int CSC_Profile_Base::SelectPinPath(const std::string& pinPath) {
    const vn_card::CardTypeRow* row = vn_card::cardType(m_cardType);
    vn_card::PinPathKind kind = row != nullptr ? row->pinPath : vn_card::PinPathKind::File;
    bool isDF = kind == vn_card::PinPathKind::Directory || m_profileType == CP_SWISSSIGN_CARDOS44;
    bool isAID = kind == vn_card::PinPathKind::Application;
    if (SelectPath(pinPath, false, false, isDF, isAID) == 0)
        return 0;
    if (SelectPath(pinPath, true, false, isDF, false) == 0)
        return 0;
    return SC_CMD_FAILED;
}

int CSC_Profile_Base::Verify(std::string pinPath, std::string label, unsigned char pinRef, bool selectPath,
                             bool usePinPad, void* parent, unsigned long value, std::string pin, int pinGiven,
                             int userValue) {
    vn_secret::WipeOnExit w(pin);
    VnTraceScope trace(1, "<--entering CSC_Profile_Base::Verify\n", 1, "--leaving CSC_Profile_Base::Verify\n");
    m_pinCancelled = false;
    SetMinMaxPINLength();
    if (selectPath && SelectPinPath(pinPath) != 0)
        return SC_CMD_FAILED;
    if (usePinPad) {
        vn_log(3, "---CSC_Profile_Base::Verify -> usepinpad\n");
        setPinIndex(pinRef);
        return PinPadEntry(false, pinPath, pinRef, label, parent, value, userValue);
    }
    vn_log(3, "---CSC_Profile_Base::Verify -> use keyboard\n");
    if (pinGiven != 0 || !pin.empty()) {
        if (pin.size() > 255)
            return SC_CMD_FAILED;
        return SCVerify(pinRef, reinterpret_cast<unsigned char*>(&pin[0]), static_cast<unsigned char>(pin.size()));
    }
    if (gConfigSC.isService)
        return SC_CMD_FAILED;
    std::string typed;
    vn_secret::WipeOnExit wt(typed);
    if (!askPin(m_hScard, parent, value, label, userValue, m_readerName, typed)) {
        m_pinCancelled = true;
        return SC_CMD_FAILED;
    }
    if (typed.size() > 255)
        return SC_CMD_FAILED;
    return SCVerify(pinRef, reinterpret_cast<unsigned char*>(&typed[0]), static_cast<unsigned char>(typed.size()));
}

int CSC_Profile_Base::ChangeRef(std::string pinPath, std::string labelOld, std::string labelNew,
                                std::string labelRepeat, std::string labelPinPad, unsigned char pinRef, bool usePinPad,
                                void* parent, unsigned long value, std::string oldPin, int oldGiven, std::string newPin,
                                int newGiven, bool selectPath) {
    vn_secret::WipeOnExit w1(oldPin), w2(newPin);
    VnTraceScope trace("CSC_Profile_Base::ChangeRef");
    m_pinCancelled = false;
    SetMinMaxPINLength();
    if (selectPath && SelectPinPath(pinPath) != 0)
        return SC_CMD_FAILED;
    if (usePinPad) {
        setPinIndex(pinRef);
        return PinPadEntry(true, pinPath, pinRef, labelPinPad, parent, value, -1);
    }
    if (!(oldGiven != 0 || !oldPin.empty() || newGiven != 0 || !newPin.empty())) {
        if (gConfigSC.isService)
            return SC_CMD_FAILED;
        Entry e =
            askOldNewRepeat(m_hScard, parent, value, labelOld, labelNew, labelRepeat, m_readerName, oldPin, newPin);
        if (e == Entry::Cancelled) {
            m_pinCancelled = true;
            return SC_CMD_FAILED;
        }
        if (e == Entry::Mismatch)
            return kCardPinPadCancelled;
    }
    if (oldPin.size() > 255 || newPin.size() > 255)
        return SC_CMD_FAILED;
    return SCChangeRef(pinRef, reinterpret_cast<unsigned char*>(&oldPin[0]), static_cast<unsigned char>(oldPin.size()),
                       reinterpret_cast<unsigned char*>(&newPin[0]), static_cast<unsigned char>(newPin.size()));
}

int CSC_Profile_Base::UnblockRef(std::string pinPath, std::string labelOld, std::string labelNew,
                                 std::string labelRepeat, std::string, unsigned char pinRef, bool, void* parent,
                                 unsigned long value, std::string puk, int pukGiven, std::string newPin, int newGiven,
                                 bool selectPath) {
    vn_secret::WipeOnExit w1(puk), w2(newPin);
    vn_log(1, "<--enterning CSC_Profile_Base::UnblockRef\n");
    m_pinCancelled = false;
    SetUnblockMethod();
    SetMinMaxPINLength();
    if (selectPath && SelectPinPath(pinPath) != 0) {
        vn_log(1, "--leaving CSC_Profile_Base::UnblockRef\n");
        return SC_CMD_FAILED;
    }
    int r;
    if (GetUnblockMethod() == 1) {
        if (pukGiven == 0 && puk.empty()) {
            if (gConfigSC.isService || !askPin(m_hScard, parent, value, labelOld, -1, m_readerName, puk)) {
                m_pinCancelled = !gConfigSC.isService;
                return SC_CMD_FAILED;
            }
        }
        if (puk.size() > 255)
            return SC_CMD_FAILED;
        r = SCUnblockPin2(pinRef, reinterpret_cast<unsigned char*>(&puk[0]), static_cast<unsigned char>(puk.size()));
    } else {
        if (pukGiven == 0 && puk.empty() && newGiven == 0 && newPin.empty()) {
            if (gConfigSC.isService)
                return SC_CMD_FAILED;
            Entry e =
                askOldNewRepeat(m_hScard, parent, value, labelOld, labelNew, labelRepeat, m_readerName, puk, newPin);
            if (e == Entry::Cancelled) {
                m_pinCancelled = true;
                return SC_CMD_FAILED;
            }
            if (e == Entry::Mismatch)
                return kCardPinPadCancelled;
        }
        if (puk.size() > 255 || newPin.size() > 255)
            return SC_CMD_FAILED;
        r = SCUnblockPin(pinRef, reinterpret_cast<unsigned char*>(&puk[0]), static_cast<unsigned char>(puk.size()),
                         reinterpret_cast<unsigned char*>(&newPin[0]), static_cast<unsigned char>(newPin.size()));
    }
    return static_cast<int>(vn_log_dw_return("CSC_Profile_Base::UnblockRef", static_cast<unsigned>(r)));
}
