// Process-wide settings of the facade: log file and level, language, service mode and
// the host's PIN dialog callback. All of them live in gConfigSC.
#include "SCUtils.h"

#include "ConfigSC.h"
#include "PinInterface.h"

bool CSCUtils::InitLogging(std::string logFile, int level) {
    gConfigSC.logFile = logFile;
    SetLogLevel(level);
    return true;
}

void CSCUtils::SetLogLevel(int level) {
    gConfigSC.logLevel = level;
    gConfigSC.logEnabled = level != 0;
}

int CSCUtils::GetLogLevel() { return gConfigSC.logLevel; }

int CSCUtils::SetLanguage(int language) {
    // 0 English, 1 German, 2 Swedish
    if (language < 0 || language > 2)
        return 0;
    gConfigSC.language = language;
    CMsg::m_iLanguage = language;
    return 1;
}

int CSCUtils::GetLanguage() { return gConfigSC.language; }

void CSCUtils::SetIsService(bool isService) { gConfigSC.isService = isService; }

bool CSCUtils::GetIsService() { return gConfigSC.isService; }

void CSCUtils::SetUsePINDialogCallback(bool use) { gConfigSC.usePINDialogCallback = use; }

bool CSCUtils::GetUsePINDialogCallback() { return gConfigSC.usePINDialogCallback; }

void CSCUtils::SetPINDialogCallbackFunc(bool (*callback)(FPINDialogCallBackParams*)) {
    gConfigSC.pinDialogCallback = callback;
}

bool (*CSCUtils::GetPINDialogCallbackFunc())(FPINDialogCallBackParams*) { return gConfigSC.pinDialogCallback; }
