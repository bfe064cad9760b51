// Dialogs that hand every step to the host's PIN dialog callback.
#include "ConfigSC.h"
#include "PinInterface.h"

CPIN_Callback_Base::CPIN_Callback_Base(long hCard, void* parent, unsigned long value, std::string label, int userValue)
    : CPIN_Interface(hCard, parent, value, std::move(label)), m_params(), m_userValue(userValue) {
    m_params.action = PIN_DLG_SHOW;
    m_params.pinPad = false;
    m_params.keyEvent = 2;
    m_params.messageCode = 0;
    m_params.userValue = userValue;
    m_params.reserved = 0;
}

bool CPIN_Callback_Base::Call() {
    if (!gConfigSC.canUsePINDlgCallbackFunc())
        return false;
    m_params.userValue = m_userValue;
    m_params.reserved = 0;
    try {
        return gConfigSC.pinDialogCallback(&m_params);
    } catch (...) {
        return false;  // nothing thrown by the host leaves the library
    }
}

CPIN_Window_Dialog_Callback::CPIN_Window_Dialog_Callback(long hCard, void* parent, unsigned long value,
                                                         std::string label, int userValue)
    : CPIN_Callback_Base(hCard, parent, value, std::move(label), userValue) {}

bool CPIN_Window_Dialog_Callback::ShowDialog(std::string readerName) {
    m_params.action = PIN_DLG_SHOW;
    m_params.pinPad = false;
    m_params.text = m_label;
    m_params.readerName = readerName;
    m_params.pin.clear();
    if (!Call())
        return false;
    if (m_params.pin.empty()) {
        m_params.action = PIN_DLG_PIN_MISSING;
        if (!Call())
            return false;
    }
    // A host that still gives no PIN has not supplied one.
    if (m_params.pin.empty())
        return false;
    m_pin = m_params.pin;
    for (auto& c : m_params.pin)
        c = '\0';
    m_params.pin.clear();
    return true;
}

bool CPIN_Window_Dialog_Callback::PollDialog(char) { return true; }

bool CPIN_Window_Dialog_Callback::DestroyDialog() {
    m_params.action = PIN_DLG_CLOSE;
    return Call();
}

bool CPIN_Window_Dialog_Callback::DisplayText(std::string text) {
    m_params.action = PIN_DLG_TEXT;
    m_params.text = std::move(text);
    return Call();
}

CPIN_PinPad_Dialog_Callback::CPIN_PinPad_Dialog_Callback(long hCard, void* parent, unsigned long value,
                                                         std::string label, int userValue)
    : CPIN_Callback_Base(hCard, parent, value, std::move(label), userValue) {}

bool CPIN_PinPad_Dialog_Callback::ShowDialog(std::string readerName) {
    m_params.action = PIN_DLG_SHOW;
    m_params.pinPad = true;
    m_params.text = m_label;
    m_params.readerName = readerName;
    m_params.keyEvent = 2;
    m_params.messageCode = 0;
    return Call();
}

bool CPIN_PinPad_Dialog_Callback::PollDialog(char key) {
    m_params.action = PIN_DLG_KEY;
    if (key == '+') {
        m_params.keyEvent = 0;
        return Call();
    }
    if (key == 0x08 || key == 0x0A) {
        m_params.keyEvent = 1;
        return Call();
    }
    m_params.keyEvent = 2;
    return true;
}

bool CPIN_PinPad_Dialog_Callback::DestroyDialog() {
    m_params.action = PIN_DLG_CLOSE;
    return Call();
}

bool CPIN_PinPad_Dialog_Callback::DisplayText(std::string text) {
    m_params.action = PIN_DLG_TEXT;
    m_params.text = std::move(text);
    return Call();
}

CPIN_Error_Dialog_Callback::CPIN_Error_Dialog_Callback(long hCard, void* parent, unsigned long value, std::string label,
                                                       int userValue)
    : CPIN_Callback_Base(hCard, parent, value, std::move(label), userValue),
      m_messageCode(static_cast<int>(value)),
      m_pinPad(false) {}

CPIN_Error_Dialog_Callback::CPIN_Error_Dialog_Callback(long hCard, void* parent, int messageCode, std::string text,
                                                       bool pinPad, int userValue)
    : CPIN_Callback_Base(hCard, parent, static_cast<unsigned long>(messageCode), std::move(text), userValue),
      m_messageCode(messageCode),
      m_pinPad(pinPad) {}

bool CPIN_Error_Dialog_Callback::ShowDialog(std::string readerName) {
    m_params.action = PIN_DLG_MESSAGE;
    m_params.pinPad = m_pinPad;
    m_params.text = m_label;
    m_params.readerName = readerName;
    m_params.messageCode = m_messageCode;
    m_params.pin.clear();
    return Call();
}

bool CPIN_Error_Dialog_Callback::PollDialog(char) { return true; }

bool CPIN_Error_Dialog_Callback::DestroyDialog() {
    m_params.action = PIN_DLG_CLOSE;
    m_params.pinPad = false;
    return Call();
}

bool CPIN_Error_Dialog_Callback::DisplayText(std::string) { return true; }
