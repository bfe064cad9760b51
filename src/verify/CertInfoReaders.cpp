// CCertInfo: static readers of DER certificates on the library's own decoder.
#include <string>

#include "CertInfo.h"
#include "infra/Loggers.h"
#include "verify/CertReadSupport.h"

using vncert::field;
using vncert::result;
using vnder::Item;

namespace {

char subjectBuf[vncert::ReaderTextSize];
char issuerBuf[vncert::ReaderTextSize];
char issuerNameBuf[vncert::ReaderTextSize];
char serialNumBuf[vncert::ReaderTextSize];
char serialBuf[vncert::ReaderTextSize];
char versionBuf[vncert::ReaderTextSize];
char pkOidBuf[vncert::ReaderTextSize];
char pkModBuf[vncert::ReaderTextSize];
char pkExpBuf[vncert::ReaderTextSize];
char signatureOidBuf[vncert::ReaderTextSize];
char certSigOidBuf[vncert::ReaderTextSize];
char certSigValueBuf[vncert::ReaderTextSize];
char extensionOidBuf[vncert::ReaderTextSize];
char extensionValueBuf[vncert::ReaderTextSize];
DBs publicKeyRec;

const char* const RsaKeyOid = "1.2.840.113549.1.1.1";
const char* const EcKeyOid = "1.2.840.10045.2.1";

std::string nameText(const unsigned char* cert, unsigned int length, int code) {
    Item name;
    if (!field(cert, length, code, false, name))
        return std::string();
    return CASN1::getGenName(name.p, name.total);
}

std::string serialText(const unsigned char* cert, unsigned int length) {
    Item serial;
    return field(cert, length, CASN1::CERT_SERIAL, false, serial) ? vncert::serialHex(serial) : std::string();
}

// The validity time at index 0 (notBefore) or 1 (notAfter).
time_t validityTime(const unsigned char* cert, unsigned int length, int index, bool attr) {
    Item validity, t;
    if (!field(cert, length, CASN1::CERT_VALIDITY, attr, validity) || !vnder::child(validity, index, t))
        return 0;
    return vncert::timeSeconds(t);
}

// The parts of subjectPublicKeyInfo: algorithm OID, its parameters and the key BIT STRING.
struct KeyInfo {
    std::string algorithm;
    Item parameters;
    Item bits;
};

bool keyInfo(const unsigned char* cert, unsigned int length, KeyInfo& k) {
    Item spki, alg, id;
    if (!field(cert, length, CASN1::CERT_PUBLICKEY, false, spki) || !vnder::first(spki, alg) || alg.tag() != 0x30 ||
        !vnder::next(spki, alg, k.bits) || k.bits.tag() != 0x03 || !vnder::first(alg, id))
        return false;
    k.algorithm = vnder::oid(id);
    if (!vnder::next(alg, id, k.parameters))
        k.parameters = Item();
    return !k.algorithm.empty();
}

// Modulus and exponent of an RSA key's RSAPublicKey SEQUENCE.
bool rsaKey(const KeyInfo& k, Item& sequence, Item& modulus, Item& exponent) {
    return k.algorithm == RsaKeyOid && vnder::first(k.bits, sequence, true) && sequence.tag() == 0x30 &&
           vnder::first(sequence, modulus) && modulus.tag() == 0x02 && vnder::next(sequence, modulus, exponent) &&
           exponent.tag() == 0x02;
}

// Upper-case hex of an INTEGER without its leading zero bytes.
std::string integerHex(const Item& i) { return vncert::serialHex(i); }

bool extensionList(const unsigned char* cert, unsigned int length, Item& list) {
    Item wrapper;
    return field(cert, length, CASN1::CERT_EXTENSIONS, false, wrapper) && vnder::inner(wrapper, list) &&
           list.tag() == 0x30;
}

// The outer signature algorithm and value of a certificate.
bool outerSignature(const unsigned char* cert, unsigned int length, Item& algorithm, Item& value) {
    Item c, tbs;
    return vnder::at(cert, length, c) && c.tag() == 0x30 && vnder::first(c, tbs) && vnder::next(c, tbs, algorithm) &&
           algorithm.tag() == 0x30 && vnder::next(c, algorithm, value) && value.tag() == 0x03;
}

template <class F>
char* guarded(char* buf, F text) {
    try {
        return result(buf, text());
    } catch (...) {
        return result(buf, std::string());
    }
}

}  // namespace

char* CCertInfo::getSubject(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getSubject");
    return guarded(subjectBuf, [&] { return nameText(cert, length, CASN1::CERT_SUBJECT); });
}

char* CCertInfo::getIssuer(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getIssuer");
    return guarded(issuerBuf, [&] { return nameText(cert, length, CASN1::CERT_ISSUER); });
}

char* CCertInfo::S_getIssuerName(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "S_getIssuerName");
    return guarded(issuerNameBuf, [&] { return nameText(cert, length, CASN1::CERT_ISSUER); });
}

char* CCertInfo::getSerialNum(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getSerialNum");
    return guarded(serialNumBuf, [&] { return serialText(cert, length); });
}

char* CCertInfo::S_getSerial(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "S_getSerial");
    return guarded(serialBuf, [&] { return serialText(cert, length); });
}

time_t CCertInfo::getNotBefore(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getNotBefore");
    return validityTime(cert, length, 0, false);
}

time_t CCertInfo::getNotAfter(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getNotAfter");
    return validityTime(cert, length, 1, false);
}

char* CCertInfo::getVersion(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getVersion");
    return guarded(versionBuf, [&] {
        Item wrapper, version;
        // A certificate without the version element is a version 1 certificate (0).
        Item tbs;
        if (!field(cert, length, CASN1::CERT_SERIAL, false, tbs))
            return std::string();
        if (!field(cert, length, CASN1::CERT_VERSION, false, wrapper))
            return std::string("0");
        if (!vnder::inner(wrapper, version) || version.tag() != 0x02 || version.n > 4)
            return std::string();
        return std::to_string(CASN1::getInteger(version.p, version.total));
    });
}

char* CCertInfo::getPkOID(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getPkOID");
    return guarded(pkOidBuf, [&] {
        KeyInfo k;
        return keyInfo(cert, length, k) ? k.algorithm : std::string();
    });
}

char* CCertInfo::getPkMod(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getPkMod");
    return guarded(pkModBuf, [&] {
        KeyInfo k;
        Item seq, mod, exp;
        if (!keyInfo(cert, length, k))
            return std::string();
        if (rsaKey(k, seq, mod, exp))
            return integerHex(mod);
        if (k.algorithm == EcKeyOid)
            return vnder::hex(k.bits, 1);
        return std::string();
    });
}

char* CCertInfo::getPkExp(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getPkExp");
    return guarded(pkExpBuf, [&] {
        KeyInfo k;
        Item seq, mod, exp;
        if (!keyInfo(cert, length, k))
            return std::string();
        if (rsaKey(k, seq, mod, exp))
            return integerHex(exp);
        if (k.algorithm == EcKeyOid)
            return vnder::oid(k.parameters);
        return std::string();
    });
}

int CCertInfo::getPkLen(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getPkLen");
    return static_cast<int>(4 * std::strlen(getPkMod(cert, length)));
}

char* CCertInfo::getSignaturOID(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getSignaturOID");
    return guarded(signatureOidBuf, [&] {
        Item alg, id;
        if (!field(cert, length, CASN1::CERT_SIGNATURE, false, alg) || !vnder::first(alg, id))
            return std::string();
        return vnder::oid(id);
    });
}

char* CCertInfo::getCertSigOID(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getCertSigOID");
    return guarded(certSigOidBuf, [&] {
        Item alg, value, id;
        if (!outerSignature(cert, length, alg, value) || !vnder::first(alg, id))
            return std::string();
        return vnder::oid(id);
    });
}

char* CCertInfo::getCertSigValue(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getCertSigValue");
    return guarded(certSigValueBuf, [&] {
        Item alg, value;
        if (!outerSignature(cert, length, alg, value) || value.n == 0)
            return std::string();
        return vnder::hex(value, 1);
    });
}

int CCertInfo::getExtensionNum(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getExtensionNum");
    Item list;
    return extensionList(cert, length, list) ? vnder::count(list) : 0;
}

char* CCertInfo::getExtensionOID(const unsigned char* cert, unsigned int length, int index) {
    VN_TRACE_ENTER(m_logger, "getExtensionOID");
    return guarded(extensionOidBuf, [&] {
        Item list, ext, id;
        if (!extensionList(cert, length, list) || !vncert::listElement(list, index, ext) || !vnder::first(ext, id))
            return std::string();
        return vnder::oid(id);
    });
}

char* CCertInfo::getExtensionValue(const unsigned char* cert, unsigned int length, int index) {
    VN_TRACE_ENTER(m_logger, "getExtensionValue");
    return guarded(extensionValueBuf, [&] {
        Item list, ext;
        if (!extensionList(cert, length, list) || !vncert::listElement(list, index, ext))
            return std::string();
        return vncert::extensionText(ext);
    });
}

int CCertInfo::getPublicKeyBits(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getPublicKeyBits");
    KeyInfo k;
    Item seq, mod, exp;
    if (!keyInfo(cert, length, k))
        return -1;
    if (rsaKey(k, seq, mod, exp))
        return mod.n > 0 ? static_cast<int>(mod.n - 1) : 0;
    if (k.algorithm == EcKeyOid)
        return static_cast<int>(k.bits.total);
    return -1;
}

int CCertInfo::getPublicKeySize(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getPublicKeySize");
    KeyInfo k;
    Item seq, mod, exp;
    if (!keyInfo(cert, length, k))
        return -1;
    if (rsaKey(k, seq, mod, exp))
        return static_cast<int>(seq.total);
    if (k.algorithm == EcKeyOid)
        return static_cast<int>(k.bits.total);
    return -1;
}

DBs* CCertInfo::getPublicKey(const unsigned char* cert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "getPublicKey");
    publicKeyRec = DBs();
    KeyInfo k;
    Item seq, mod, exp;
    if (!keyInfo(cert, length, k))
        return nullptr;
    const Item* key = nullptr;
    if (rsaKey(k, seq, mod, exp))
        key = &seq;
    else if (k.algorithm == EcKeyOid)
        key = &k.bits;
    if (!key)
        return nullptr;
    publicKeyRec.data = const_cast<unsigned char*>(key->p);
    publicKeyRec.length = key->total;
    publicKeyRec.end = key->p + key->total;
    return &publicKeyRec;
}
