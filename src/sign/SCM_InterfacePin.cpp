// PIN verification and change for the key of one certificate: entry mode, prompts,
// the error and retry dialogs after a failed entry, and the PIN object's verified flag.
#include "SCM_Interface.h"

#include <string>

#include "CardObject.h"
#include "ConfigSC.h"
#include "ConsoleDialogs.h"
#include "PinInterface.h"
#include "PinObj.h"
#include "SC_Profile.h"
#include "SC_Profile_Base.h"
#include "SafeMem.h"
#include "ScPcsc.h"
#include "StatusThread.h"
#include "card/CardResults.h"
#include "infra/MsgTables.h"
#include "infra/Secrets.h"
#include "vn_log.h"

namespace {

const int kPromptSize = 200;
const unsigned long kPinPadDialog = 220;
const unsigned long kKeyboardDialog = 301;
// PIN references with this bit are local to their application (their folder is selected).
const unsigned char kLocalPinRef = 0x80;
// Readers of this family announce a pin pad they do not have.
const char kNoPinPadReader[] = "ACS CCID USB Reader";
// Interactive attempts in one verification; the card blocks the PIN long before, but a
// card that keeps failing without counting must not keep the caller in the loop.
const int kMaxAttempts = 16;

// Error dialog kinds handed to the host.
enum { KIND_INITIAL_PIN = 1, KIND_WRONG_PIN = 2, KIND_BLOCKED = 3, KIND_CANCELLED = 4 };

std::string prompt(unsigned int messageId, const std::string& name) {
    char text[kPromptSize];
    CSafeMem::sprintf(text, kPromptSize, CMsg::GetRessString(messageId), name.c_str());
    return text;
}

// A console box while the keep-alive worker polls the card; its answer.
int consoleBox(long hCard, const char* text, int type) {
    CStatusThread::startThread(hCard);
    int value;
    if (type < 0) {
        CMessageBox box(text, CMsg::GetRessString(msgid::kError));
        value = box.GetValue();
    } else {
        CMessageBox box(text, CMsg::GetRessString(msgid::kError), type);
        value = box.GetValue();
    }
    CStatusThread::stopThread();
    return value;
}

bool hostDialog(long hCard, void* hostContext, int kind, unsigned int messageId, bool pinPad, int userValue,
                const std::string& readerName) {
    CPIN_Error_Dialog_Callback dialog(hCard, hostContext, kind, CMsg::GetRessString(messageId), pinPad, userValue);
    return dialog.ShowDialog(readerName);
}

// Any well-formed answer to the feature request counts as a pin pad, also an empty
// one; entry on the reader needs the control codes that start it.
bool canVerifyOnPinPad(CSC_Profile_Base* card) {
    const CSC_Pcsc* pcsc = card->getPcsc();
    return pcsc != nullptr && (pcsc->getVerifyStartIoctl() != 0 || pcsc->getVerifyDirectIoctl() != 0);
}

bool canModifyOnPinPad(CSC_Profile_Base* card) {
    const CSC_Pcsc* pcsc = card->getPcsc();
    return pcsc != nullptr && (pcsc->getModifyStartIoctl() != 0 || pcsc->getModifyDirectIoctl() != 0);
}

}  // namespace

bool CSCM_Interface::VerifyPIN(std::string pin) {
    vn_secret::WipeOnExit wipe(pin);
    if (profile == nullptr)
        return true;
    CCardObject* cert = profile->getCert(certIndex);
    if (cert == nullptr)
        return true;
    CPinObj* pinObj = profile->GetPinObject(cert->m_pinPath, cert->m_pinRef);
    if (pinObj == nullptr)
        return true;
    if (cardProfile == nullptr) {
        pinObj->setVerified(false);
        return false;
    }

    bool usePinPad = false;
    if (!gConfigSC.keyboardPIN)
        usePinPad = cardProfile->readerPCSC_Part10() && canVerifyOnPinPad(cardProfile) && pin.empty();
    const std::string readerName = cardProfile->GetReaderName();
    if (readerName.compare(0, sizeof(kNoPinPadReader) - 1, kNoPinPadReader) == 0)
        usePinPad = false;

    const std::string label = prompt(usePinPad ? msgid::kPinPadEnter : msgid::kKeyboardEnter, pinObj->getLabel());
    const unsigned long dialogCode = usePinPad ? kPinPadDialog : kKeyboardDialog;
    const long hCard = cardProfile->getCardHandle();
    const int pinIndex = pinObj->m_kind;

    pinObj->setVerified(false);
    int status = vn_cardos::kCardFailed;
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        status = cardProfile->Verify(cert->m_pinPath, label, cert->m_pinRef, (cert->m_pinRef & kLocalPinRef) != 0,
                                     usePinPad, hostContext, dialogCode, pin, static_cast<int>(pin.size()), pinIndex);
        if (gConfigSC.isService)
            break;  // no dialogs in a service
        if (cardProfile->isPinEntryCancelled()) {
            if (gConfigSC.canUsePINDlgCallbackFunc())
                hostDialog(hCard, hostContext, KIND_CANCELLED,
                           usePinPad ? msgid::kPinPadCancelled : msgid::kKeyboardCancelled, usePinPad, pinIndex,
                           readerName);
            break;
        }
        bool again = false;
        const bool useHost = gConfigSC.canUsePINDlgCallbackFunc();
        if (status == vn_cardos::kCardConditionsNotSatisfied) {
            // The transport PIN is active: told even when the caller passed the PIN.
            if (useHost)
                hostDialog(hCard, hostContext, KIND_INITIAL_PIN, msgid::kInitialPin, usePinPad, pinIndex, readerName);
            else
                consoleBox(hCard, CMsg::GetRessString(msgid::kInitialPin), -1);
        } else if ((status == vn_cardos::kCardReferenceUnusable || status == vn_cardos::kCardPinBlocked) &&
                   pin.empty()) {
            if (useHost)
                hostDialog(hCard, hostContext, KIND_BLOCKED, msgid::kPinBlocked, usePinPad, pinIndex, readerName);
            else
                consoleBox(hCard, CMsg::GetRessString(msgid::kPinBlocked), -1);
        } else if ((status == vn_cardos::kCardPinPadCancelled || status == vn_cardos::kCardAuthFailed ||
                    status == vn_cardos::kCardFailed) &&
                   pin.empty()) {
            if (useHost)
                again =
                    hostDialog(hCard, hostContext, KIND_WRONG_PIN, msgid::kWrongPin, usePinPad, pinIndex, readerName);
            else
                again = consoleBox(hCard, "Falscher PIN. Neu eingegeb?", 5) == 2;
        }
        // A PIN given by the caller is tried once; only interactive entry is repeated.
        if (!(again && status != vn_cardos::kCardOk && pin.empty()))
            break;
    }
    pinObj->setVerified(status == vn_cardos::kCardOk);
    return status == vn_cardos::kCardOk;
}

bool CSCM_Interface::ModifyPIN(std::string oldPin, std::string newPin) {
    vn_secret::WipeOnExit wipeOld(oldPin), wipeNew(newPin);
    if (profile == nullptr)
        return true;
    if (gConfigSC.isService)
        return gConfigSC.isService;
    CCardObject* cert = profile->getCert(certIndex);
    if (cert == nullptr)
        return true;
    CPinObj* pinObj = profile->GetPinObject(cert->m_pinPath, cert->m_pinRef);
    if (pinObj == nullptr)
        return true;
    if (cardProfile == nullptr) {
        pinObj->setVerified(false);
        return false;
    }

    bool usePinPad = false;
    if (!gConfigSC.keyboardPIN)
        usePinPad =
            cardProfile->readerPCSC_Part10() && canModifyOnPinPad(cardProfile) && oldPin.empty() && newPin.empty();
    const std::string& name = cert->m_pinName;
    std::string labelOld, labelNew, labelRepeat, labelPinPad;
    if (usePinPad) {
        labelOld = prompt(msgid::kPinPadEnterOld, name);
        labelNew = prompt(msgid::kPinPadEnterNew, name);
        labelRepeat = prompt(msgid::kRepeatPin, name);
        labelPinPad = prompt(msgid::kPinPadChange, name);
    } else {
        labelOld = prompt(msgid::kKeyboardEnterOld, name);
        labelNew = prompt(msgid::kKeyboardEnterNew, name);
        labelRepeat = prompt(msgid::kKeyboardRepeatNew, name);
    }
    const unsigned long dialogCode = usePinPad ? kPinPadDialog : kKeyboardDialog;

    pinObj->setVerified(false);
    // A PIN local to its application lives in that folder: select it as VerifyPIN does,
    // rather than depend on whatever the card had selected last.
    int status = cardProfile->ChangeRef(cert->m_pinPath, labelOld, labelNew, labelRepeat, labelPinPad, cert->m_pinRef,
                                        usePinPad, hostContext, dialogCode, oldPin, static_cast<int>(oldPin.size()),
                                        newPin, static_cast<int>(newPin.size()), (cert->m_pinRef & kLocalPinRef) != 0);
    const long hCard = cardProfile->getCardHandle();
    if (status == vn_cardos::kCardPinPadCancelled || status == vn_cardos::kCardFailed)
        consoleBox(hCard, CMsg::GetRessString(msgid::kWrongPin), -1);
    else if (status == vn_cardos::kCardReferenceUnusable || status == vn_cardos::kCardPinBlocked)
        consoleBox(hCard, CMsg::GetRessString(msgid::kPinBlocked), -1);
    pinObj->setVerified(status == vn_cardos::kCardOk);
    return status == vn_cardos::kCardOk;
}
