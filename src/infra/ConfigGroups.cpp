// Named groups of string settings in the settings file.
#include "infra/ConfigGroups.h"

#include <libconfig.h++>

namespace vnconfig {

GroupRead readStringGroup(const char* file, const char* group, const std::vector<const char*>& names,
                          std::vector<std::string>& values) {
    values.clear();
    if (file == nullptr || group == nullptr)
        return GroupRead::Absent;
    try {
        libconfig::Config cfg;
        try {
            cfg.readFile(file);
        } catch (const libconfig::FileIOException&) {
            return GroupRead::Absent;
        } catch (const libconfig::ParseException&) {
            return GroupRead::Absent;
        }
        if (!cfg.exists(group))
            return GroupRead::Absent;
        const libconfig::Setting& g = cfg.lookup(group);
        if (!g.isGroup())
            return GroupRead::Invalid;
        for (const char* name : names) {
            std::string value;
            if (name == nullptr || !g.lookupValue(name, value)) {
                values.clear();
                return GroupRead::Invalid;
            }
            values.push_back(value);
        }
        return GroupRead::Read;
    } catch (...) {
        values.clear();
        return GroupRead::Invalid;
    }
}

}  // namespace vnconfig
