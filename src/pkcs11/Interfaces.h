// The interface record of PKCS#11 3.0 (CK_INTERFACE), which p11-kit's 2.40 header lacks,
// and the module's two functions that hand it out.
#ifndef VN_PKCS11_INTERFACES_H
#define VN_PKCS11_INTERFACES_H

#include "P11.h"

namespace vn_p11 {

struct CK_INTERFACE {
    CK_UTF8CHAR* pInterfaceName;
    CK_VOID_PTR pFunctionList;
    CK_FLAGS flags;
};

}  // namespace vn_p11

extern "C" {
CK_RV C_GetInterfaceList(vn_p11::CK_INTERFACE* list, CK_ULONG_PTR count);
CK_RV C_GetInterface(CK_UTF8CHAR_PTR name, CK_VERSION_PTR version, vn_p11::CK_INTERFACE** out, CK_FLAGS flags);
}

#endif
