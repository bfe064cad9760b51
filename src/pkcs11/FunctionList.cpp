// The function list and the one exported entry point, C_GetFunctionList.
#include "Entries.h"
#include "Module.h"

namespace vn_p11 {
namespace {

template <class... A>
CK_RV notSupported(A...) {
    return module() != nullptr ? CKR_FUNCTION_NOT_SUPPORTED : CKR_CRYPTOKI_NOT_INITIALIZED;
}

// The token has no random number generator of its own (no CKF_RNG).
template <class... A>
CK_RV noRng(A...) {
    return module() != nullptr ? CKR_RANDOM_NO_RNG : CKR_CRYPTOKI_NOT_INITIALIZED;
}

template <class... A>
CK_RV noSeed(A...) {
    return module() != nullptr ? CKR_RANDOM_SEED_NOT_SUPPORTED : CKR_CRYPTOKI_NOT_INITIALIZED;
}

CK_RV notParallel(CK_SESSION_HANDLE) {
    return module() != nullptr ? CKR_FUNCTION_NOT_PARALLEL : CKR_CRYPTOKI_NOT_INITIALIZED;
}

CK_RV getFunctionList(CK_FUNCTION_LIST_PTR_PTR out);

CK_FUNCTION_LIST makeList() {
    CK_FUNCTION_LIST f;
    std::memset(&f, 0, sizeof f);
    f.version.major = 2;
    f.version.minor = 40;
    f.C_Initialize = Initialize;
    f.C_Finalize = Finalize;
    f.C_GetInfo = GetInfo;
    f.C_GetFunctionList = getFunctionList;
    f.C_GetSlotList = GetSlotList;
    f.C_GetSlotInfo = GetSlotInfo;
    f.C_GetTokenInfo = GetTokenInfo;
    f.C_GetMechanismList = GetMechanismList;
    f.C_GetMechanismInfo = GetMechanismInfo;
    f.C_InitToken = notSupported;
    f.C_InitPIN = notSupported;
    f.C_SetPIN = notSupported;
    f.C_OpenSession = OpenSession;
    f.C_CloseSession = CloseSession;
    f.C_CloseAllSessions = CloseAllSessions;
    f.C_GetSessionInfo = GetSessionInfo;
    f.C_GetOperationState = notSupported;
    f.C_SetOperationState = notSupported;
    f.C_Login = Login;
    f.C_Logout = Logout;
    f.C_CreateObject = notSupported;
    f.C_CopyObject = notSupported;
    f.C_DestroyObject = notSupported;
    f.C_GetObjectSize = notSupported;
    f.C_GetAttributeValue = GetAttributeValue;
    f.C_SetAttributeValue = notSupported;
    f.C_FindObjectsInit = FindObjectsInit;
    f.C_FindObjects = FindObjects;
    f.C_FindObjectsFinal = FindObjectsFinal;
    f.C_EncryptInit = notSupported;
    f.C_Encrypt = notSupported;
    f.C_EncryptUpdate = notSupported;
    f.C_EncryptFinal = notSupported;
    f.C_DecryptInit = DecryptInit;
    f.C_Decrypt = Decrypt;
    f.C_DecryptUpdate = notSupported;
    f.C_DecryptFinal = notSupported;
    f.C_DigestInit = notSupported;
    f.C_Digest = notSupported;
    f.C_DigestUpdate = notSupported;
    f.C_DigestKey = notSupported;
    f.C_DigestFinal = notSupported;
    f.C_SignInit = SignInit;
    f.C_Sign = Sign;
    f.C_SignUpdate = SignUpdate;
    f.C_SignFinal = SignFinal;
    f.C_SignRecoverInit = notSupported;
    f.C_SignRecover = notSupported;
    f.C_VerifyInit = notSupported;
    f.C_Verify = notSupported;
    f.C_VerifyUpdate = notSupported;
    f.C_VerifyFinal = notSupported;
    f.C_VerifyRecoverInit = notSupported;
    f.C_VerifyRecover = notSupported;
    f.C_DigestEncryptUpdate = notSupported;
    f.C_DecryptDigestUpdate = notSupported;
    f.C_SignEncryptUpdate = notSupported;
    f.C_DecryptVerifyUpdate = notSupported;
    f.C_GenerateKey = notSupported;
    f.C_GenerateKeyPair = notSupported;
    f.C_WrapKey = notSupported;
    f.C_UnwrapKey = notSupported;
    f.C_DeriveKey = notSupported;
    f.C_SeedRandom = noSeed;
    f.C_GenerateRandom = noRng;
    f.C_GetFunctionStatus = notParallel;
    f.C_CancelFunction = notParallel;
    f.C_WaitForSlotEvent = WaitForSlotEvent;
    return f;
}

CK_FUNCTION_LIST g_functions = makeList();

CK_RV getFunctionList(CK_FUNCTION_LIST_PTR_PTR out) {
    if (out == nullptr)
        return CKR_ARGUMENTS_BAD;
    *out = &g_functions;
    return CKR_OK;
}

}  // namespace

CK_FUNCTION_LIST_PTR functionList() { return &g_functions; }

}  // namespace vn_p11

extern "C" __attribute__((visibility("default"))) CK_RV C_GetFunctionList(CK_FUNCTION_LIST_PTR_PTR out) {
    return vn_p11::getFunctionList(out);
}
