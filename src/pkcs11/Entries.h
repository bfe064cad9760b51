// The PKCS#11 functions of the module, assembled into the function list in
// FunctionList.cpp. Every one catches what the library throws and answers a code.
#ifndef VN_PKCS11_ENTRIES_H
#define VN_PKCS11_ENTRIES_H

#include <new>

#include "P11.h"

namespace vn_p11 {

template <class F>
CK_RV guarded(F f) {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return CKR_HOST_MEMORY;
    } catch (...) {
        return CKR_GENERAL_ERROR;
    }
}

// The module's function list (the one C_GetFunctionList hands out; called directly, so
// that no other module's exported C_GetFunctionList is reached).
CK_FUNCTION_LIST_PTR functionList();

CK_RV Initialize(CK_VOID_PTR args);
CK_RV Finalize(CK_VOID_PTR reserved);
CK_RV GetInfo(CK_INFO_PTR info);
CK_RV GetSlotList(CK_BBOOL tokenPresent, CK_SLOT_ID_PTR list, CK_ULONG_PTR count);
CK_RV GetSlotInfo(CK_SLOT_ID slot, CK_SLOT_INFO_PTR info);
CK_RV GetTokenInfo(CK_SLOT_ID slot, CK_TOKEN_INFO_PTR info);
CK_RV GetMechanismList(CK_SLOT_ID slot, CK_MECHANISM_TYPE_PTR list, CK_ULONG_PTR count);
CK_RV GetMechanismInfo(CK_SLOT_ID slot, CK_MECHANISM_TYPE type, CK_MECHANISM_INFO_PTR info);
CK_RV WaitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR slot, CK_VOID_PTR reserved);

CK_RV OpenSession(CK_SLOT_ID slot, CK_FLAGS flags, CK_VOID_PTR app, CK_NOTIFY notify, CK_SESSION_HANDLE_PTR out);
CK_RV CloseSession(CK_SESSION_HANDLE h);
CK_RV CloseAllSessions(CK_SLOT_ID slot);
CK_RV GetSessionInfo(CK_SESSION_HANDLE h, CK_SESSION_INFO_PTR info);
CK_RV Login(CK_SESSION_HANDLE h, CK_USER_TYPE user, CK_UTF8CHAR_PTR pin, CK_ULONG pinLength);
CK_RV Logout(CK_SESSION_HANDLE h);

CK_RV GetAttributeValue(CK_SESSION_HANDLE h, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_PTR attrs, CK_ULONG count);
CK_RV FindObjectsInit(CK_SESSION_HANDLE h, CK_ATTRIBUTE_PTR attrs, CK_ULONG count);
CK_RV FindObjects(CK_SESSION_HANDLE h, CK_OBJECT_HANDLE_PTR out, CK_ULONG max, CK_ULONG_PTR count);
CK_RV FindObjectsFinal(CK_SESSION_HANDLE h);

CK_RV SignInit(CK_SESSION_HANDLE h, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key);
CK_RV Sign(CK_SESSION_HANDLE h, CK_BYTE_PTR data, CK_ULONG length, CK_BYTE_PTR sig, CK_ULONG_PTR sigLength);
CK_RV SignUpdate(CK_SESSION_HANDLE h, CK_BYTE_PTR part, CK_ULONG length);
CK_RV SignFinal(CK_SESSION_HANDLE h, CK_BYTE_PTR sig, CK_ULONG_PTR sigLength);
CK_RV DecryptInit(CK_SESSION_HANDLE h, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key);
CK_RV Decrypt(CK_SESSION_HANDLE h, CK_BYTE_PTR in, CK_ULONG length, CK_BYTE_PTR out, CK_ULONG_PTR outLength);

}  // namespace vn_p11

#endif
