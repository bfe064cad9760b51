// Console stand-ins for the PIN dialogs and message boxes: standard output and input.
#ifndef VN_CONSOLEDIALOGS_H
#define VN_CONSOLEDIALOGS_H

#include <string>
#include "vn_export.h"

class VN_EXPORT CDlgBase {
public:
    virtual ~CDlgBase();
};

class VN_EXPORT CDlgInputPin : public CDlgBase {
public:
    explicit CDlgInputPin(void* parent);
    ~CDlgInputPin() override;
    void SetText(const char* text);
    // Prints the prompt and reads one word; false when standard input has nothing.
    bool ShowModal();
    std::string GetPin() const { return m_pin; }

private:
    void* m_parent;
    std::string m_text;
    std::string m_pin;
};

class VN_EXPORT CDlgPinCardreader : public CDlgBase {
public:
    CDlgPinCardreader();
    void SetText(const char* text);
    void SetReader(const char* reader);
    void Show();
    void Show(bool show);
    void Update();
    bool PollPin(char key);
    void Destroy();

private:
    std::string m_text;
    std::string m_reader;
    bool m_visible;
};

class VN_EXPORT CMessageBox {
public:
    CMessageBox(const char* text, const char* caption);
    CMessageBox(const char* text, const char* caption, int type);
    int GetValue() const { return m_value; }

private:
    int m_value;
};

#endif
