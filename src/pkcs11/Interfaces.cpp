// The PKCS#11 3.0 way in: C_GetInterfaceList and C_GetInterface. The module has one
// interface, "PKCS 11", whose function list is the 2.40 one of C_GetFunctionList; a
// caller tells it from a 3.0 list by the list's version. The header of p11-kit knows
// PKCS#11 2.40 only, so the interface record is declared here as 3.0 lays it out.
#include <cstring>

#include "Entries.h"
#include "Interfaces.h"

namespace vn_p11 {
namespace {

const char kInterfaceName[] = "PKCS 11";

CK_INTERFACE& standardInterface() {
    static CK_INTERFACE one = [] {
        CK_INTERFACE i;
        i.pInterfaceName = reinterpret_cast<CK_UTF8CHAR*>(const_cast<char*>(kInterfaceName));
        i.pFunctionList = functionList();
        // No CKF_INTERFACE_FORK_SAFE: a forked child initialises the module again.
        i.flags = 0;
        return i;
    }();
    return one;
}

}  // namespace
}  // namespace vn_p11

extern "C" __attribute__((visibility("default"))) CK_RV C_GetInterfaceList(vn_p11::CK_INTERFACE* list,
                                                                           CK_ULONG_PTR count) {
    if (count == nullptr)
        return CKR_ARGUMENTS_BAD;
    const CK_ULONG kInterfaces = 1;
    if (list != nullptr && *count < kInterfaces) {
        *count = kInterfaces;
        return CKR_BUFFER_TOO_SMALL;
    }
    if (list != nullptr)
        list[0] = vn_p11::standardInterface();
    *count = kInterfaces;
    return CKR_OK;
}

extern "C" __attribute__((visibility("default"))) CK_RV C_GetInterface(CK_UTF8CHAR_PTR name, CK_VERSION_PTR version,
                                                                       vn_p11::CK_INTERFACE** out, CK_FLAGS flags) {
    if (out == nullptr)
        return CKR_ARGUMENTS_BAD;
    vn_p11::CK_INTERFACE& i = vn_p11::standardInterface();
    const auto* list = static_cast<const CK_FUNCTION_LIST*>(i.pFunctionList);
    // Not found (another name or version, or flags it lacks) is CKR_ARGUMENTS_BAD.
    if ((name != nullptr && std::strcmp(reinterpret_cast<const char*>(name), vn_p11::kInterfaceName) != 0) ||
        (version != nullptr && (version->major != list->version.major || version->minor != list->version.minor)) ||
        (flags & ~i.flags) != 0)
        return CKR_ARGUMENTS_BAD;
    *out = &i;
    return CKR_OK;
}
