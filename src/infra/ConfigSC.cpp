// Card-side settings and their reading from "settings.cfg".
#include "ConfigSC.h"

#include <iostream>
#include <libconfig.h++>

ConfigSC gConfigSC;
ConfigSC gConfig;

ConfigSC::ConfigSC()
    : language(1),
      logEnabled(true),
      logLevel(9),
      maxReadChunk(240),
      logFile("./vn.log"),
      hideUnusedCerts(false),
      hasAuthCert(false),
      keyboardPIN(false),
      pinDialogEnabled(false),
      isService(false),
      usePINDialogCallback(false),
      pinDialogCallback(nullptr) {}

ConfigSC::~ConfigSC() = default;

namespace {

const char kConfigFile[] = "settings.cfg";

template <typename T>
T settingValue(const libconfig::Setting& setting) {
    return setting;
}

template <>
std::string settingValue<std::string>(const libconfig::Setting& setting) {
    return static_cast<const char*>(setting);
}

// Reads one key into a field. A missing key or a value of the wrong type ends the
// reading: the fields read so far keep their new values, the rest stay as they were.
template <typename T>
bool readKey(const libconfig::Config& cfg, const char* key, T& field) {
    try {
        field = settingValue<T>(cfg.lookup(key));
        return true;
    } catch (const libconfig::SettingNotFoundException&) {
        std::cerr << "Setting in configuration file not found." << std::endl;
    } catch (const libconfig::SettingTypeException&) {
        std::cerr << "Setting in configuration file has the wrong type: " << key << std::endl;
    }
    return false;
}

void readConfig(ConfigSC& c) {
    libconfig::Config cfg;
    try {
        cfg.readFile(kConfigFile);
    } catch (const libconfig::FileIOException&) {
        std::cerr << "I/O error while reading file: " << kConfigFile << std::endl;
        return;
    } catch (const libconfig::ParseException& e) {
        std::cerr << "Parse error at " << (e.getFile() ? e.getFile() : "") << ":" << e.getLine() << " - "
                  << e.getError() << std::endl;
        return;
    } catch (...) {
        return;
    }
    readKey(cfg, "language", c.language) && readKey(cfg, "logEnabled", c.logEnabled) &&
        readKey(cfg, "logFile", c.logFile) && readKey(cfg, "hideUnusedCerts", c.hideUnusedCerts) &&
        readKey(cfg, "keyboardPIN", c.keyboardPIN) && readKey(cfg, "logLevel", c.logLevel) &&
        readKey(cfg, "pinDialogEnabled", c.pinDialogEnabled);
}

}  // namespace

int ConfigSC::readLUConfigSC() {
    readConfig(*this);
    return 1;
}

int ConfigSC::readLMConfigSC() {
    readConfig(*this);
    return 1;
}

int ConfigSC::writeLUConfigSC() { return 1; }

bool ConfigSC::canUsePINDlgCallbackFunc() { return usePINDialogCallback && pinDialogCallback != nullptr; }
