// The private key of a PKCS#12 file, each password-derived key computed only where needed.
#include "sign/P12Key.h"

#include <cstring>

namespace vn_sign {

namespace {

// The key of the first key bag among bags (nested safe contents included); null when none.
vn_ossl::EvpPkeyPtr keyOfBags(const STACK_OF(PKCS12_SAFEBAG) * bags, const char* password, int depth) {
    // Nested safe contents deeper than this are not a key file anyone writes.
    const int kMaxDepth = 4;
    const int passLength = password == nullptr ? 0 : static_cast<int>(std::strlen(password));
    for (int i = 0; i < sk_PKCS12_SAFEBAG_num(bags); ++i) {
        const PKCS12_SAFEBAG* bag = sk_PKCS12_SAFEBAG_value(bags, i);
        switch (PKCS12_SAFEBAG_get_nid(bag)) {
        case NID_keyBag:
            if (const PKCS8_PRIV_KEY_INFO* p8 = PKCS12_SAFEBAG_get0_p8inf(bag))
                return vn_ossl::EvpPkeyPtr(EVP_PKCS82PKEY(p8));
            return nullptr;
        case NID_pkcs8ShroudedKeyBag: {
            vn_ossl::Pkcs8KeyInfoPtr p8(PKCS12_decrypt_skey(bag, password, passLength));
            return vn_ossl::EvpPkeyPtr(p8 ? EVP_PKCS82PKEY(p8.get()) : nullptr);
        }
        case NID_safeContentsBag:
            if (depth < kMaxDepth)
                if (vn_ossl::EvpPkeyPtr key = keyOfBags(PKCS12_SAFEBAG_get0_safes(bag), password, depth + 1))
                    return key;
            break;
        default: break;
        }
    }
    return nullptr;
}

// The key of the first safe of the kind (plain or encrypted) that holds one.
vn_ossl::EvpPkeyPtr keyOfSafes(STACK_OF(PKCS7) * safes, const char* password, bool encrypted) {
    const int passLength = password == nullptr ? 0 : static_cast<int>(std::strlen(password));
    for (int i = 0; i < sk_PKCS7_num(safes); ++i) {
        PKCS7* safe = sk_PKCS7_value(safes, i);
        vn_ossl::SafeBagsPtr bags;
        if (!encrypted && PKCS7_type_is_data(safe))
            bags.reset(PKCS12_unpack_p7data(safe));
        else if (encrypted && PKCS7_type_is_encrypted(safe))
            bags.reset(PKCS12_unpack_p7encdata(safe, password, passLength));
        vn_ossl::EvpPkeyPtr key = bags ? keyOfBags(bags.get(), password, 0) : nullptr;
        if (key)
            return key;
    }
    return nullptr;
}

}  // namespace

vn_ossl::EvpPkeyPtr readP12Key(PKCS12* p12, const char* password) {
    if (p12 == nullptr)
        return nullptr;
    const char* pass = password;
    if (pass == nullptr || *pass == '\0') {
        if (!PKCS12_mac_present(p12) || PKCS12_verify_mac(p12, nullptr, 0) == 1)
            pass = nullptr;
        else if (PKCS12_verify_mac(p12, "", 0) == 1)
            pass = "";
        else
            return nullptr;
    } else if (PKCS12_mac_present(p12) && PKCS12_verify_mac(p12, pass, -1) != 1) {
        return nullptr;
    }
    vn_ossl::Pkcs7StackPtr safes(PKCS12_unpack_authsafes(p12));
    if (!safes)
        return nullptr;
    vn_ossl::EvpPkeyPtr key = keyOfSafes(safes.get(), pass, false);
    if (!key)
        key = keyOfSafes(safes.get(), pass, true);
    return key;
}

}  // namespace vn_sign
