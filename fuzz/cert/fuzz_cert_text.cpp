// Feeds arbitrary bytes to the static certificate and attribute-certificate readers of
// CCertInfo and to every extension and attribute text formatter, and parses the bytes as an
// X509 to fill a certificate entry.
#include <cstdint>
#include <cstring>
#include <vector>

#include "CertHandler.h"
#include "CertInfo.h"
#include "ExtensionSSL.h"

namespace {

volatile size_t sink;

void touch(const char* s) {
    if (s)
        sink += std::strlen(s);
}

typedef char* (*Formatter)(const unsigned char*, unsigned int);

const Formatter Formatters[] = {
    CExtensionSSL::getSubjectAltName,
    CExtensionSSL::getIssuerAltName,
    CExtensionSSL::getKeyUsage,
    CExtensionSSL::getSubjectKeyIdent,
    CExtensionSSL::getAuthorityKeyIdent,
    CExtensionSSL::getCertPolicies,
    CExtensionSSL::getQSTatements,
    CExtensionSSL::getAuthorityInfoAccess,
    CExtensionSSL::getCRLDistrbutionPoints,
    CExtensionSSL::getRestriction,
    CRestrictionSSL::getRestriction,
    CRestrictionSSL::getRestrictionAdditional,
    CRestrictionSSL::getRestrictionMonetary,
    CRestrictionSSL::getRestrictionMajority,
    CRestrictionSSL::getRestrictionProkura,
    CRestrictionSSL::getRestrictionAdmission,
    CRestrictionSSL::getRestrictionIdentity,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 1 << 16)
        return 0;
    // An exact-size heap copy, so that every read past the end is caught.
    std::vector<unsigned char> buf(data, data + size);
    const unsigned char* p = buf.data();
    const unsigned int n = static_cast<unsigned int>(size);

    for (Formatter f : Formatters)
        touch(f(p, n));

    touch(CCertInfo::getSubject(p, n));
    touch(CCertInfo::getIssuer(p, n));
    touch(CCertInfo::getSerialNum(p, n));
    touch(CCertInfo::getVersion(p, n));
    touch(CCertInfo::getPkOID(p, n));
    touch(CCertInfo::getPkMod(p, n));
    touch(CCertInfo::getPkExp(p, n));
    touch(CCertInfo::getSignaturOID(p, n));
    touch(CCertInfo::getCertSigOID(p, n));
    touch(CCertInfo::getCertSigValue(p, n));
    sink += static_cast<size_t>(CCertInfo::getNotBefore(p, n) + CCertInfo::getNotAfter(p, n));
    sink += static_cast<size_t>(CCertInfo::getPublicKeyBits(p, n) + CCertInfo::getPublicKeySize(p, n));
    if (DBs* key = CCertInfo::getPublicKey(p, n))
        sink += key->length;
    const int extensions = CCertInfo::getExtensionNum(p, n);
    for (int i = 0; i <= extensions && i < 64; ++i) {
        touch(CCertInfo::getExtensionOID(p, n, i));
        touch(CCertInfo::getExtensionValue(p, n, i));
    }

    touch(CCertInfo::A_getSubject(p, n));
    touch(CCertInfo::A_getSubjectSerial(p, n));
    touch(CCertInfo::A_getIssuer(p, n));
    touch(CCertInfo::A_getSignatureOID(p, n));
    touch(CCertInfo::A_getSerial(p, n));
    sink += static_cast<size_t>(CCertInfo::A_getNotBefore(p, n) + CCertInfo::A_getNotAfter(p, n));
    const int attributes = CCertInfo::A_getAttributeNum(p, n);
    for (int i = 0; i <= attributes && i < 64; ++i) {
        touch(CCertInfo::A_getAttributeOID(p, n, i));
        touch(CCertInfo::A_getAttributeValue(p, n, i));
    }
    const int aExtensions = CCertInfo::A_getExtensionNum(p, n);
    for (int i = 0; i <= aExtensions && i < 64; ++i) {
        touch(CCertInfo::A_getExtensionOID(p, n, i));
        touch(CCertInfo::A_getExtensionValue(p, n, i));
    }

    CCertInfo entry;
    if (entry.SetX509Cert(p, n) == 0) {
        CCertHandler handler;
        if (CCertInfo* e = handler.GetEntrySSL(entry.GetX509Cert())) {
            for (int f = 0; f < e->GetNumberOfFields(); ++f)
                for (int d = 0; d < e->GetNumberOfDetails(f) && d < 16; ++d)
                    touch(e->GetDetails(f, d));
        }
    }
    return 0;
}
