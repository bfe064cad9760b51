// Card-side settings ("settings.cfg") and the user-visible message tables.
#ifndef VN_CONFIGSC_H
#define VN_CONFIGSC_H

#include <cstdint>
#include <string>
#include "vn_export.h"

struct FPINDialogCallBackParams;
typedef bool (*FPINDialogCallBack)(FPINDialogCallBackParams*);

class VN_EXPORT ConfigSC {
public:
    ConfigSC();
    virtual ~ConfigSC();

    // Read "settings.cfg" from the working directory; both always return 1.
    int readLUConfigSC();
    int readLMConfigSC();
    // Nothing is written; returns 1.
    int writeLUConfigSC();
    bool canUsePINDlgCallbackFunc();

    int32_t language;
    bool logEnabled;
    int32_t logLevel;
    uint32_t maxReadChunk;
    std::string logFile;
    bool hideUnusedCerts;
    bool hasAuthCert;
    bool keyboardPIN;
    bool pinDialogEnabled;
    bool isService;
    bool usePINDialogCallback;
    FPINDialogCallBack pinDialogCallback;
};

// gConfigSC is filled from the file and used by logging, PIN entry and the facades;
// gConfig keeps its defaults and carries the card detection's flags.
extern VN_EXPORT ConfigSC gConfigSC;
extern VN_EXPORT ConfigSC gConfig;

class VN_EXPORT CMsg {
public:
    CMsg();
    virtual ~CMsg();
    // Text of id in the current language (0 English, 2 Swedish, otherwise German).
    static const char* GetRessString(unsigned int id);
    // German text of id, whatever the language.
    const char* LoadString(unsigned int id);

    static int32_t m_iLanguage;
};

#endif
