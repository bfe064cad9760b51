// Reading a card into tokens and objects: the card application's certificate entries
// grouped by their PIN, with the attributes taken from each certificate.
#include "Token.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

#include "CardObject.h"
#include "CertInfoSC.h"
#include "Keys.h"
#include "Mechanisms.h"
#include "PinObj.h"
#include "Reader.h"
#include "SC_Profile.h"
#include "SC_Profile_Base.h"
#include "card/CardTypes.h"
#include "infra/OpenSslPtr.h"

namespace vn_p11 {

namespace {

const int kNoPin = -1;
// What a card OS can do beyond PKCS#1 v1.5 signatures and decipherment, where it
// differs from the default (no PSS, no OAEP): its card type row says. The hashes it signs
// are the profile's (CSC_Profile::isSupportedHashAlgo, which asks the card-OS object too).
struct Abilities {
    bool pss;   // its signing environment makes RSA-PSS signatures
    bool oaep;  // it deciphers OAEP blocks
};

Abilities abilitiesOf(int cardType) {
    const vn_card::CardTypeRow* row = vn_card::cardType(cardType);
    return row != nullptr ? Abilities{row->signsPss, row->deciphersOaep} : Abilities{false, false};
}

Bytes ulongBytes(CK_ULONG v) {
    Bytes b(sizeof v);
    std::memcpy(b.data(), &v, sizeof v);
    return b;
}

Bytes boolBytes(bool v) { return Bytes{static_cast<uint8_t>(v ? CK_TRUE : CK_FALSE)}; }

Bytes textBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

template <class T, class F>
Bytes der(T* item, F encode) {
    if (item == nullptr)
        return Bytes();
    int n = encode(item, nullptr);
    if (n <= 0)
        return Bytes();
    Bytes b(static_cast<size_t>(n));
    unsigned char* p = b.data();
    encode(item, &p);
    return b;
}

Bytes bignumParam(const EVP_PKEY* key, const char* name) {
    BIGNUM* bn = nullptr;
    if (EVP_PKEY_get_bn_param(key, name, &bn) != 1)
        return Bytes();
    vn_ossl::BignumPtr owner(bn);
    Bytes b(static_cast<size_t>(BN_num_bytes(bn)));
    BN_bn2bin(bn, b.data());
    return b;
}

// The EC point as DER OCTET STRING, and the curve's OID as DER.
bool ecAttributes(const EVP_PKEY* key, Bytes& params, Bytes& point) {
    char curve[80];
    size_t len = 0;
    if (EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, curve, sizeof curve, &len) != 1)
        return false;
    int nid = OBJ_sn2nid(curve);
    if (nid == NID_undef)
        nid = EC_curve_nist2nid(curve);
    ASN1_OBJECT* oid = OBJ_nid2obj(nid);
    params = der(oid, [](ASN1_OBJECT* o, unsigned char** p) { return i2d_ASN1_OBJECT(o, p); });
    unsigned char raw[200];
    size_t rawLength = 0;
    if (EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_ENCODED_PUBLIC_KEY, raw, sizeof raw, &rawLength) != 1)
        return false;
    // OCTET STRING: short length up to 127 bytes, one length byte after 81 above.
    const size_t kShortLength = 127;
    point.assign({0x04});
    if (rawLength > kShortLength)
        point.push_back(0x81);
    point.push_back(static_cast<uint8_t>(rawLength));
    point.insert(point.end(), raw, raw + rawLength);
    return !params.empty();
}

struct CertFacts {
    vn_ossl::X509Ptr x509;
    Bytes der, subject, issuer, serial, spki;
    EVP_PKEY* key = nullptr;  // owned by x509
    bool canDecipher = false;
};

bool parseCert(const unsigned char* data, size_t length, CertFacts& f) {
    const unsigned char* p = data;
    f.x509.reset(d2i_X509(nullptr, &p, static_cast<long>(length)));
    if (!f.x509)
        return false;
    f.der.assign(data, data + (p - data));
    f.subject =
        der(X509_get_subject_name(f.x509.get()), [](X509_NAME* n, unsigned char** o) { return i2d_X509_NAME(n, o); });
    f.issuer =
        der(X509_get_issuer_name(f.x509.get()), [](X509_NAME* n, unsigned char** o) { return i2d_X509_NAME(n, o); });
    f.serial = der(const_cast<ASN1_INTEGER*>(X509_get0_serialNumber(f.x509.get())),
                   [](ASN1_INTEGER* i, unsigned char** o) { return i2d_ASN1_INTEGER(i, o); });
    f.key = X509_get0_pubkey(f.x509.get());
    f.spki = der(f.key, [](EVP_PKEY* k, unsigned char** o) { return i2d_PUBKEY(k, o); });
    uint32_t ku = X509_get_key_usage(f.x509.get());
    f.canDecipher = ku == UINT32_MAX || (ku & (KU_KEY_ENCIPHERMENT | KU_DATA_ENCIPHERMENT)) != 0;
    return f.key != nullptr;
}

void add(Object& o, CK_ATTRIBUTE_TYPE type, Bytes value) { o.attributes.emplace_back(type, std::move(value)); }

void addCommon(Object& o, CK_OBJECT_CLASS cls, bool isPrivate, const std::string& label, const Bytes& id) {
    o.objectClass = cls;
    o.isPrivate = isPrivate;
    add(o, CKA_CLASS, ulongBytes(cls));
    add(o, CKA_TOKEN, boolBytes(true));
    add(o, CKA_PRIVATE, boolBytes(isPrivate));
    add(o, CKA_MODIFIABLE, boolBytes(false));
    add(o, CKA_COPYABLE, boolBytes(false));
    add(o, CKA_DESTROYABLE, boolBytes(false));
    add(o, CKA_LABEL, textBytes(label));
    add(o, CKA_ID, id);
}

Object certificateObject(const CertFacts& f, const std::string& label, const Bytes& id, bool isCA) {
    Object o;
    addCommon(o, CKO_CERTIFICATE, false, label, id);
    add(o, CKA_CERTIFICATE_TYPE, ulongBytes(CKC_X_509));
    add(o, CKA_TRUSTED, boolBytes(false));
    add(o, CKA_CERTIFICATE_CATEGORY, ulongBytes(isCA ? 2 : 1));  // authority : token user
    add(o, CKA_SUBJECT, f.subject);
    add(o, CKA_ISSUER, f.issuer);
    add(o, CKA_SERIAL_NUMBER, f.serial);
    add(o, CKA_VALUE, f.der);
    return o;
}

void addKeyAttributes(Object& o, const CertFacts& f, CK_KEY_TYPE type) {
    add(o, CKA_KEY_TYPE, ulongBytes(type));
    add(o, CKA_SUBJECT, f.subject);
    add(o, CKA_LOCAL, boolBytes(false));
    add(o, CKA_KEY_GEN_MECHANISM, ulongBytes(CK_UNAVAILABLE_INFORMATION));
    add(o, CKA_DERIVE, boolBytes(false));
    add(o, CKA_PUBLIC_KEY_INFO, f.spki);
    if (type == CKK_RSA) {
        add(o, CKA_MODULUS, bignumParam(f.key, OSSL_PKEY_PARAM_RSA_N));
        add(o, CKA_PUBLIC_EXPONENT, bignumParam(f.key, OSSL_PKEY_PARAM_RSA_E));
        add(o, CKA_MODULUS_BITS, ulongBytes(static_cast<CK_ULONG>(EVP_PKEY_get_bits(f.key))));
    } else {
        Bytes params, point;
        ecAttributes(f.key, params, point);
        add(o, CKA_EC_PARAMS, params);
        if (o.objectClass == CKO_PUBLIC_KEY)
            add(o, CKA_EC_POINT, point);
    }
}

Object publicKeyObject(const CertFacts& f, const std::string& label, const Bytes& id, const Key& k) {
    Object o;
    addCommon(o, CKO_PUBLIC_KEY, false, label, id);
    addKeyAttributes(o, f, k.keyType);
    add(o, CKA_VERIFY, boolBytes(true));
    add(o, CKA_VERIFY_RECOVER, boolBytes(false));
    add(o, CKA_ENCRYPT, boolBytes(k.decrypt));
    add(o, CKA_WRAP, boolBytes(false));
    add(o, CKA_TRUSTED, boolBytes(false));
    return o;
}

Object privateKeyObject(const CertFacts& f, const std::string& label, const Bytes& id, const Key& k) {
    Object o;
    addCommon(o, CKO_PRIVATE_KEY, true, label, id);
    addKeyAttributes(o, f, k.keyType);
    add(o, CKA_SENSITIVE, boolBytes(true));
    add(o, CKA_ALWAYS_SENSITIVE, boolBytes(true));
    add(o, CKA_EXTRACTABLE, boolBytes(false));
    add(o, CKA_NEVER_EXTRACTABLE, boolBytes(true));
    add(o, CKA_SIGN, boolBytes(true));
    add(o, CKA_SIGN_RECOVER, boolBytes(false));
    add(o, CKA_DECRYPT, boolBytes(k.decrypt));
    add(o, CKA_UNWRAP, boolBytes(false));
    add(o, CKA_WRAP_WITH_TRUSTED, boolBytes(false));
    add(o, CKA_ALWAYS_AUTHENTICATE, boolBytes(k.alwaysAuthenticate));
    return o;
}

// The mechanisms of a token: those its keys and the card can do.
std::vector<CK_MECHANISM_TYPE> mechanismsOf(const Token& t, const CSC_Profile& profile, int cardType) {
    bool rsa = false, ec = false, decrypt = false;
    for (const auto& k : t.keys) {
        rsa = rsa || k.second.keyType == CKK_RSA;
        ec = ec || k.second.keyType == CKK_EC;
        decrypt = decrypt || k.second.decrypt;
    }
    const Abilities can = abilitiesOf(cardType);
    std::vector<CK_MECHANISM_TYPE> out;
    for (const Mechanism& m : mechanisms()) {
        if (m.nAlgoID >= 0 && !profile.isSupportedHashAlgo(m.nAlgoID))
            continue;
        bool wanted;
        if (m.kind == MechKind::DecryptOaep)
            wanted = decrypt && can.oaep;
        else if (isPss(m.kind))
            wanted = rsa && can.pss;
        else
            wanted = isRsa(m.kind) ? rsa : ec;
        if (wanted)
            out.push_back(m.type);
    }
    return out;
}

std::string tokenLabel(const Card& card, const std::string& pinLabel, bool several) {
    if (several && !pinLabel.empty())
        return pinLabel;
    return card.cardName;
}

}  // namespace

const Bytes* Object::find(CK_ATTRIBUTE_TYPE type) const {
    for (const auto& a : attributes)
        if (a.first == type)
            return &a.second;
    return nullptr;
}

bool loadCard(const std::string& readerName, Card& out, CSC_ProfileHandle& profileOut) {
    out = Card();
    CReader reader;
    int index = reader.GetReaderIndex(readerName.c_str());
    if (index < 0 || reader.GetCardType(index) <= 0)
        return false;
    CSC_ProfileHandle profile(reader.ReadSCProfile(index));
    CSC_Profile_Base* cardOs = reader.GetBaseProfile();
    if (!profile || cardOs == nullptr || profile->m_certCount <= 0) {
        if (profile)
            profile.reset();
        return false;
    }
    out.cardType = cardOs->getCardType();
    out.cardName = cardOs->getCardName();
    out.serial = profile->getSerialNumber();
    out.manufacturer = profile->getManufacturer();
    out.pinPad = canVerifyOnPinPad(cardOs);

    // One token per PIN that guards a certificate entry, in the order of the PINs;
    // entries without a PIN (CA certificates) go to the first of them.
    std::map<int, size_t> tokenOfPin;
    std::vector<int> pinOfEntry(static_cast<size_t>(profile->m_certCount), kNoPin);
    for (int i = 0; i < profile->m_certCount; ++i) {
        CCardObject* entry = profile->getCert(i);
        if (entry == nullptr)
            continue;
        pinOfEntry[static_cast<size_t>(i)] = profile->GetPinObjectIndex(entry->m_pinPath, entry->m_pinRef);
        tokenOfPin.emplace(pinOfEntry[static_cast<size_t>(i)], 0);
    }
    if (tokenOfPin.size() > 1)
        tokenOfPin.erase(kNoPin);
    if (tokenOfPin.empty())
        return false;
    for (auto& p : tokenOfPin) {
        p.second = out.tokens.size();
        Token t;
        t.pinIndex = p.first;
        CPinObj* pin = p.first >= 0 ? profile->GetPinObject(p.first) : nullptr;
        if (pin != nullptr) {
            t.pinLabel = pin->getLabel();
            t.minPin = pin->m_minLength;
            t.maxPin = pin->m_maxLength;
        }
        if (t.minPin <= 0 || t.maxPin < t.minPin) {
            t.minPin = cardOs->getMinPinLength();
            t.maxPin = cardOs->getMaxPinLength();
        }
        out.tokens.push_back(std::move(t));
    }
    for (Token& t : out.tokens)
        t.label = tokenLabel(out, t.pinLabel, out.tokens.size() > 1);

    for (int i = 0; i < profile->m_certCount; ++i) {
        CCardObject* entry = profile->getCert(i);
        if (entry == nullptr)
            continue;
        std::unique_ptr<CCertInfoSC> cert(profile->readCert(i));
        CertFacts f;
        if (!cert || cert->getCertData() == nullptr ||
            !parseCert(cert->getCertData(), static_cast<size_t>(cert->getCertDataLen()), f))
            continue;
        auto owner = tokenOfPin.find(pinOfEntry[static_cast<size_t>(i)]);
        Token& t = out.tokens[owner != tokenOfPin.end() ? owner->second : 0];
        const Bytes id{static_cast<uint8_t>(i + 1)};
        const std::string label = entry->m_label.empty() ? profile->getCertLabel(i) : entry->m_label;
        Object certificate = certificateObject(f, label, id, entry->m_isCA);
        certificate.certIndex = i;
        t.objects.push_back(std::move(certificate));
        if (entry->m_isCA)
            continue;
        const int baseId = EVP_PKEY_get_base_id(f.key);
        if (baseId != EVP_PKEY_RSA && baseId != EVP_PKEY_EC)
            continue;
        Key k;
        k.certIndex = i;
        k.keyType = baseId == EVP_PKEY_RSA ? CKK_RSA : CKK_EC;
        k.bits = EVP_PKEY_get_bits(f.key);
        k.decrypt = k.keyType == CKK_RSA && f.canDecipher;
        k.alwaysAuthenticate = entry->m_singleSign;
        k.spki = f.spki;
        Object pub = publicKeyObject(f, label, id, k), priv = privateKeyObject(f, label, id, k);
        pub.certIndex = priv.certIndex = i;
        t.objects.push_back(std::move(pub));
        t.objects.push_back(std::move(priv));
        t.keys[i] = k;
    }
    for (Token& t : out.tokens)
        t.mechanisms = mechanismsOf(t, *profile, out.cardType);
    profileOut = std::move(profile);
    return true;
}

}  // namespace vn_p11
