// PIN dialogs: the record handed to the host's callback and the dialog classes that
// either call the host or fall back to the console.
#ifndef VN_PININTERFACE_H
#define VN_PININTERFACE_H

#include <cstdint>
#include <string>
#include "vn_export.h"

struct FPINDialogCallBackParams {
    int32_t action;    // 0 show, 1 close, 2 pin-pad key, 3 PIN still missing, 4 new text, 5 message
    bool pinPad;       // the user types on the reader
    std::string text;  // prompt, new text or message
    std::string readerName;
    int32_t keyEvent;     // 0 digit entered, 1 digit removed or entry cleared, 2 nothing yet
    std::string pin;      // keyboard dialogs: filled in by the host
    int32_t messageCode;  // action 5: the caller's message code, else 0
    int32_t userValue;    // given when the dialog was made, -1 when none
    int64_t reserved;
};

enum : int32_t {
    PIN_DLG_SHOW = 0,
    PIN_DLG_CLOSE = 1,
    PIN_DLG_KEY = 2,
    PIN_DLG_PIN_MISSING = 3,
    PIN_DLG_TEXT = 4,
    PIN_DLG_MESSAGE = 5,
};

class CDlgBase;

class VN_EXPORT CPIN_Interface {
public:
    CPIN_Interface(long hCard, void* parent, unsigned long value, std::string label);
    CPIN_Interface(long hCard, void* parent, unsigned long value, std::string label, std::string text2,
                   std::string text3);
    virtual ~CPIN_Interface();
    virtual bool ShowDialog(std::string readerName) = 0;
    virtual bool PollDialog(char key) = 0;
    virtual bool DestroyDialog() = 0;
    virtual bool DisplayText(std::string text) = 0;

    const std::string& GetPin() const { return m_pin; }
    void ClearPin();

protected:
    std::string m_pin;
    void* m_parent;
    std::string m_label;
    std::string m_text2;
    std::string m_text3;
    unsigned long m_value;
    CDlgBase* m_dlg;
    long m_hCard;
};

// Keyboard PIN on the console; starts the card keep-alive worker while it reads.
class VN_EXPORT CPIN_Window_Dialog : public CPIN_Interface {
public:
    CPIN_Window_Dialog(long hCard, void* parent, unsigned long value, std::string label);
    ~CPIN_Window_Dialog() override;
    bool ShowDialog(std::string readerName) override;
    bool PollDialog(char key) override;
    bool DestroyDialog() override;
    bool DisplayText(std::string text) override;

private:
    bool m_startedThread;
};

// Base of the dialogs that forward every step to the host's callback.
class VN_EXPORT CPIN_Callback_Base : public CPIN_Interface {
public:
    CPIN_Callback_Base(long hCard, void* parent, unsigned long value, std::string label, int userValue);

protected:
    // Calls the registered callback with params; false when none is registered.
    bool Call();
    FPINDialogCallBackParams m_params;
    int m_userValue;
};

class VN_EXPORT CPIN_Window_Dialog_Callback : public CPIN_Callback_Base {
public:
    CPIN_Window_Dialog_Callback(long hCard, void* parent, unsigned long value, std::string label, int userValue = -1);
    bool ShowDialog(std::string readerName) override;
    bool PollDialog(char key) override;
    bool DestroyDialog() override;
    bool DisplayText(std::string text) override;
};

class VN_EXPORT CPIN_PinPad_Dialog : public CPIN_Interface {
public:
    CPIN_PinPad_Dialog(long hCard, void* parent, unsigned long value, std::string label);
    ~CPIN_PinPad_Dialog() override;
    bool ShowDialog(std::string readerName) override;
    bool PollDialog(char key) override;
    bool DestroyDialog() override;
    bool DisplayText(std::string text) override;
};

class VN_EXPORT CPIN_PinPad_Dialog_Callback : public CPIN_Callback_Base {
public:
    CPIN_PinPad_Dialog_Callback(long hCard, void* parent, unsigned long value, std::string label, int userValue = -1);
    bool ShowDialog(std::string readerName) override;
    bool PollDialog(char key) override;
    bool DestroyDialog() override;
    bool DisplayText(std::string text) override;
};

class VN_EXPORT CPIN_Error_Dialog_Callback : public CPIN_Callback_Base {
public:
    CPIN_Error_Dialog_Callback(long hCard, void* parent, unsigned long value, std::string label, int userValue = -1);
    CPIN_Error_Dialog_Callback(long hCard, void* parent, int messageCode, std::string text, bool pinPad, int userValue);
    bool ShowDialog(std::string readerName) override;
    bool PollDialog(char key) override;
    bool DestroyDialog() override;
    bool DisplayText(std::string text) override;

private:
    int m_messageCode;
    bool m_pinPad;
};

#endif
