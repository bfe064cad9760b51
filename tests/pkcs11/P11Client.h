// The module as a PKCS#11 application loads it: dlopen, C_GetFunctionList, and small
// helpers for the tests (slots with tokens, objects by class, signatures checked with
// OpenSSL against the token's certificate).
#pragma once

#include <dlfcn.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <p11-kit/pkcs11.h>

#include <cstring>
#include <string>
#include <vector>

namespace p11test {

using Bytes = std::vector<unsigned char>;

inline CK_FUNCTION_LIST_PTR functions() {
    // Loaded once and kept: a module is not unloaded while the process may call it.
    static CK_FUNCTION_LIST_PTR list = []() -> CK_FUNCTION_LIST_PTR {
        void* h = dlopen(VN_PKCS11_MODULE, RTLD_NOW | RTLD_LOCAL);
        if (h == nullptr)
            return nullptr;
        auto get = reinterpret_cast<CK_C_GetFunctionList>(dlsym(h, "C_GetFunctionList"));
        CK_FUNCTION_LIST_PTR f = nullptr;
        return get != nullptr && get(&f) == CKR_OK ? f : nullptr;
    }();
    return list;
}

inline std::vector<CK_SLOT_ID> slots(bool withToken) {
    CK_ULONG n = 0;
    if (functions()->C_GetSlotList(withToken ? CK_TRUE : CK_FALSE, nullptr, &n) != CKR_OK)
        return {};
    std::vector<CK_SLOT_ID> s(n);
    if (functions()->C_GetSlotList(withToken ? CK_TRUE : CK_FALSE, s.data(), &n) != CKR_OK)
        return {};
    s.resize(n);
    return s;
}

inline std::vector<CK_OBJECT_HANDLE> find(CK_SESSION_HANDLE s, CK_OBJECT_CLASS cls) {
    CK_ATTRIBUTE t = {CKA_CLASS, &cls, sizeof cls};
    std::vector<CK_OBJECT_HANDLE> out;
    if (functions()->C_FindObjectsInit(s, &t, 1) != CKR_OK)
        return out;
    CK_OBJECT_HANDLE h[16];
    CK_ULONG n = 0;
    while (functions()->C_FindObjects(s, h, 16, &n) == CKR_OK && n > 0)
        out.insert(out.end(), h, h + n);
    functions()->C_FindObjectsFinal(s);
    return out;
}

inline Bytes attribute(CK_SESSION_HANDLE s, CK_OBJECT_HANDLE o, CK_ATTRIBUTE_TYPE type) {
    CK_ATTRIBUTE a = {type, nullptr, 0};
    if (functions()->C_GetAttributeValue(s, o, &a, 1) != CKR_OK || a.ulValueLen == CK_UNAVAILABLE_INFORMATION)
        return {};
    Bytes v(a.ulValueLen);
    a.pValue = v.data();
    if (functions()->C_GetAttributeValue(s, o, &a, 1) != CKR_OK)
        return {};
    return v;
}

inline bool boolAttribute(CK_SESSION_HANDLE s, CK_OBJECT_HANDLE o, CK_ATTRIBUTE_TYPE type) {
    Bytes v = attribute(s, o, type);
    return v.size() == 1 && v[0] == CK_TRUE;
}

// The certificate of the same CKA_ID as the key.
inline Bytes certificateOf(CK_SESSION_HANDLE s, CK_OBJECT_HANDLE key) {
    Bytes id = attribute(s, key, CKA_ID);
    for (CK_OBJECT_HANDLE c : find(s, CKO_CERTIFICATE))
        if (attribute(s, c, CKA_ID) == id)
            return attribute(s, c, CKA_VALUE);
    return {};
}

// Signs with CKM_SHA256_RSA_PKCS or CKM_ECDSA_SHA256 (by the key type); the result code.
inline CK_RV sign(CK_SESSION_HANDLE s, CK_OBJECT_HANDLE key, const std::string& data, Bytes& sig,
                  const char* contextPin = nullptr) {
    Bytes type = attribute(s, key, CKA_KEY_TYPE);
    CK_KEY_TYPE kt = CKK_RSA;
    if (type.size() == sizeof kt)
        memcpy(&kt, type.data(), sizeof kt);
    CK_MECHANISM m = {kt == CKK_EC ? CKM_ECDSA_SHA256 : CKM_SHA256_RSA_PKCS, nullptr, 0};
    CK_RV rv = functions()->C_SignInit(s, &m, key);
    if (rv != CKR_OK)
        return rv;
    if (contextPin != nullptr) {
        rv = functions()->C_Login(s, CKU_CONTEXT_SPECIFIC, (CK_UTF8CHAR_PTR)contextPin, strlen(contextPin));
        if (rv != CKR_OK)
            return rv;
    }
    CK_ULONG n = 0;
    rv = functions()->C_Sign(s, (CK_BYTE_PTR)data.data(), data.size(), nullptr, &n);
    if (rv != CKR_OK)
        return rv;
    sig.assign(n, 0);
    rv = functions()->C_Sign(s, (CK_BYTE_PTR)data.data(), data.size(), sig.data(), &n);
    sig.resize(rv == CKR_OK ? n : 0);
    return rv;
}

// Whether OpenSSL accepts a SHA-256 signature (PKCS#1 v1.5, or ECDSA r||s) of data
// with the certificate's key.
inline bool verifies(const Bytes& certDer, const std::string& data, const Bytes& sig) {
    const unsigned char* p = certDer.data();
    X509* x = d2i_X509(nullptr, &p, static_cast<long>(certDer.size()));
    if (x == nullptr)
        return false;
    EVP_PKEY* key = X509_get0_pubkey(x);
    Bytes der = sig;
    if (EVP_PKEY_get_base_id(key) == EVP_PKEY_EC) {
        ECDSA_SIG* es = ECDSA_SIG_new();
        size_t h = sig.size() / 2;
        ECDSA_SIG_set0(es, BN_bin2bn(sig.data(), static_cast<int>(h), nullptr),
                       BN_bin2bn(sig.data() + h, static_cast<int>(h), nullptr));
        unsigned char* out = nullptr;
        int n = i2d_ECDSA_SIG(es, &out);
        der.assign(out, out + (n > 0 ? n : 0));
        OPENSSL_free(out);
        ECDSA_SIG_free(es);
    }
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    bool ok = EVP_DigestVerifyInit(ctx, nullptr, EVP_sha256(), nullptr, key) == 1 &&
              EVP_DigestVerify(ctx, der.data(), der.size(), reinterpret_cast<const unsigned char*>(data.data()),
                               data.size()) == 1;
    EVP_MD_CTX_free(ctx);
    X509_free(x);
    return ok;
}

}  // namespace p11test
