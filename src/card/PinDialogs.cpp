// The dialog interface and its console implementations.
#include "ConsoleDialogs.h"
#include "PinInterface.h"
#include "StatusThread.h"

CPIN_Interface::CPIN_Interface(long hCard, void* parent, unsigned long value, std::string label)
    : m_parent(parent), m_label(std::move(label)), m_value(value), m_dlg(nullptr), m_hCard(hCard) {}

CPIN_Interface::CPIN_Interface(long hCard, void* parent, unsigned long value, std::string label, std::string text2,
                               std::string text3)
    : m_parent(parent),
      m_label(std::move(label)),
      m_text2(std::move(text2)),
      m_text3(std::move(text3)),
      m_value(value),
      m_dlg(nullptr),
      m_hCard(hCard) {}

CPIN_Interface::~CPIN_Interface() {
    ClearPin();
    delete m_dlg;
}

void CPIN_Interface::ClearPin() {
    for (auto& c : m_pin)
        c = '\0';
    m_pin.clear();
}

CPIN_Window_Dialog::CPIN_Window_Dialog(long hCard, void* parent, unsigned long value, std::string label)
    : CPIN_Interface(hCard, parent, value, std::move(label)), m_startedThread(false) {}

CPIN_Window_Dialog::~CPIN_Window_Dialog() { DestroyDialog(); }

bool CPIN_Window_Dialog::ShowDialog(std::string) {
    m_startedThread = CStatusThread::startThread(m_hCard);
    CDlgInputPin* dlg = new CDlgInputPin(m_parent);
    delete m_dlg;
    m_dlg = dlg;
    dlg->SetText(m_label.c_str());
    bool ok = dlg->ShowModal();
    m_pin = dlg->GetPin();
    // Nothing typed (input closed): no PIN is sent to the card.
    return ok && !m_pin.empty();
}

bool CPIN_Window_Dialog::PollDialog(char) { return true; }

bool CPIN_Window_Dialog::DestroyDialog() {
    // The worker started for this dialog must not outlive it.
    if (m_startedThread) {
        m_startedThread = false;
        CStatusThread::stopThread();
    }
    return true;
}

bool CPIN_Window_Dialog::DisplayText(std::string text) {
    m_label = std::move(text);
    return true;
}

CPIN_PinPad_Dialog::CPIN_PinPad_Dialog(long hCard, void* parent, unsigned long value, std::string label)
    : CPIN_Interface(hCard, parent, value, std::move(label)) {}

CPIN_PinPad_Dialog::~CPIN_PinPad_Dialog() = default;

bool CPIN_PinPad_Dialog::ShowDialog(std::string readerName) {
    CDlgPinCardreader* dlg = new CDlgPinCardreader();
    delete m_dlg;
    m_dlg = dlg;
    dlg->SetReader(readerName.c_str());
    dlg->SetText(m_label.c_str());
    dlg->Show();
    return true;
}

bool CPIN_PinPad_Dialog::PollDialog(char key) {
    if (auto* dlg = dynamic_cast<CDlgPinCardreader*>(m_dlg))
        dlg->PollPin(key);
    return true;
}

bool CPIN_PinPad_Dialog::DestroyDialog() {
    if (auto* dlg = dynamic_cast<CDlgPinCardreader*>(m_dlg)) {
        dlg->Show(false);
        dlg->Destroy();
    }
    delete m_dlg;
    m_dlg = nullptr;
    return true;
}

bool CPIN_PinPad_Dialog::DisplayText(std::string text) {
    m_label = std::move(text);
    if (auto* dlg = dynamic_cast<CDlgPinCardreader*>(m_dlg))
        dlg->SetText(m_label.c_str());
    return true;
}
