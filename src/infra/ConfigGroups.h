// Named groups of string settings in the settings file, read apart from the main
// settings (whose reading stops at the first missing key).
#ifndef VN_INFRA_CONFIGGROUPS_H
#define VN_INFRA_CONFIGGROUPS_H

#include <string>
#include <vector>

namespace vnconfig {

enum class GroupRead {
    Absent,   // no such file, a file that does not parse, or no such group
    Read,     // every name read into values, in the order of names
    Invalid,  // the group is there but a name is missing or not a string
};

// Reads the string settings `names` of the group `group` of the libconfig file `file`.
// Never throws.
GroupRead readStringGroup(const char* file, const char* group, const std::vector<const char*>& names,
                          std::vector<std::string>& values);

}  // namespace vnconfig

#endif
