// CCertInfo: static readers of DER attribute certificates on the library's own decoder,
// and the readers kept only for older hosts.
#include <string>

#include "CertInfo.h"
#include "infra/Loggers.h"
#include "verify/CertReadSupport.h"

using vncert::field;
using vncert::result;
using vnder::Item;

namespace {

char subjectBuf[vncert::ReaderTextSize];
char subjectSerialBuf[vncert::ReaderTextSize];
char issuerBuf[vncert::ReaderTextSize];
char signatureOidBuf[vncert::ReaderTextSize];
char serialBuf[vncert::ReaderTextSize];
char attributeOidBuf[vncert::ReaderTextSize];
char attributeValueBuf[vncert::ReaderTextSize];
char extensionOidBuf[vncert::ReaderTextSize];
char extensionValueBuf[vncert::ReaderTextSize];

// The name line of a holder or issuer element: a [1] entityName holds GeneralNames, other
// forms are read as they are.
std::string nameOf(const Item& it) {
    if (it.tag() == 0xA1) {
        Item first;
        return vnder::first(it, first) ? CASN1::getGenName(first.p, static_cast<uint32_t>(it.c + it.n - first.p))
                                       : std::string();
    }
    return CASN1::getGenName(it.p, it.total);
}

// The holder's baseCertificateID (IssuerSerial): a [0] element standing as the holder, or
// the first element of the holder SEQUENCE.
bool baseCertificateId(const unsigned char* acert, unsigned int length, Item& id) {
    Item a, info, holder;
    if (!vnder::at(acert, length, a) || a.tag() != 0x30 || !vnder::first(a, info) || info.tag() != 0x30 ||
        !vnder::first(info, holder))
        return false;
    if (holder.tag() == 0x02 && !vnder::next(info, holder, holder))
        return false;
    if (holder.tag() == 0xA0) {
        id = holder;
        return true;
    }
    return holder.tag() == 0x30 && vnder::first(holder, id) && id.tag() == 0xA0;
}

time_t validityTime(const unsigned char* acert, unsigned int length, int index) {
    Item validity, t;
    if (!field(acert, length, CASN1::CERT_VALIDITY, true, validity) || !vnder::child(validity, index, t))
        return 0;
    return vncert::timeSeconds(t);
}

bool listItem(const unsigned char* acert, unsigned int length, int code, int index, Item& element) {
    Item list;
    return field(acert, length, code, true, list) && list.tag() == 0x30 && vncert::listElement(list, index, element);
}

std::string elementOid(const Item& element) {
    Item id;
    return element.tag() == 0x30 && vnder::first(element, id) ? vnder::oid(id) : std::string();
}

int listCount(const unsigned char* acert, unsigned int length, int code) {
    Item list;
    return field(acert, length, code, true, list) && list.tag() == 0x30 ? vnder::count(list) : 0;
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

char* CCertInfo::A_getSubject(const unsigned char* acert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "A_getSubject");
    return guarded(subjectBuf, [&] {
        Item name;
        return field(acert, length, CASN1::CERT_SUBJECT, true, name) ? nameOf(name) : std::string();
    });
}

char* CCertInfo::A_getSubjectSerial(const unsigned char* acert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "A_getSubjectSerial");
    return guarded(subjectSerialBuf, [&] {
        Item id, e;
        if (!baseCertificateId(acert, length, id))
            return std::string();
        for (bool ok = vnder::first(id, e); ok; ok = vnder::next(id, e, e))
            if (e.tag() == 0x02)
                return vncert::serialHex(e);
        return std::string();
    });
}

char* CCertInfo::A_getIssuer(const unsigned char* acert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "A_getIssuer");
    return guarded(issuerBuf, [&] {
        Item name;
        return field(acert, length, CASN1::CERT_ISSUER, true, name) ? nameOf(name) : std::string();
    });
}

char* CCertInfo::A_getSignatureOID(const unsigned char* acert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "A_getSignatureOID");
    return guarded(signatureOidBuf, [&] {
        Item alg, id;
        if (!field(acert, length, CASN1::CERT_SIGNATURE, true, alg) || !vnder::first(alg, id))
            return std::string();
        return vnder::oid(id);
    });
}

char* CCertInfo::A_getSerial(const unsigned char* acert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "A_getSerial");
    return guarded(serialBuf, [&] {
        Item serial;
        return field(acert, length, CASN1::CERT_SERIAL, true, serial) ? vncert::serialHex(serial) : std::string();
    });
}

time_t CCertInfo::A_getNotBefore(const unsigned char* acert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "A_getNotBefore");
    return validityTime(acert, length, 0);
}

time_t CCertInfo::A_getNotAfter(const unsigned char* acert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "A_getNotAfter");
    return validityTime(acert, length, 1);
}

int CCertInfo::A_getAttributeNum(const unsigned char* acert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "A_getAttributeNum");
    return listCount(acert, length, CASN1::CERT_ATTRIBUTES);
}

char* CCertInfo::A_getAttributeOID(const unsigned char* acert, unsigned int length, int index) {
    VN_TRACE_ENTER(m_logger, "A_getAttributeOID");
    return guarded(attributeOidBuf, [&] {
        Item e;
        return listItem(acert, length, CASN1::CERT_ATTRIBUTES, index, e) ? elementOid(e) : std::string();
    });
}

char* CCertInfo::A_getAttributeValue(const unsigned char* acert, unsigned int length, int index) {
    VN_TRACE_ENTER(m_logger, "A_getAttributeValue");
    return guarded(attributeValueBuf, [&] {
        Item e;
        return listItem(acert, length, CASN1::CERT_ATTRIBUTES, index, e) ? vncert::attributeText(e) : std::string();
    });
}

int CCertInfo::A_getExtensionNum(const unsigned char* acert, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "A_getExtensionNum");
    return listCount(acert, length, CASN1::CERT_EXTENSIONS);
}

char* CCertInfo::A_getExtensionOID(const unsigned char* acert, unsigned int length, int index) {
    VN_TRACE_ENTER(m_logger, "A_getExtensionOID");
    return guarded(extensionOidBuf, [&] {
        Item e;
        return listItem(acert, length, CASN1::CERT_EXTENSIONS, index, e) ? elementOid(e) : std::string();
    });
}

char* CCertInfo::A_getExtensionValue(const unsigned char* acert, unsigned int length, int index) {
    VN_TRACE_ENTER(m_logger, "A_getExtensionValue");
    return guarded(extensionValueBuf, [&] {
        Item e;
        return listItem(acert, length, CASN1::CERT_EXTENSIONS, index, e) ? vncert::extensionText(e) : std::string();
    });
}

int CCertInfo::getDisplayname(const unsigned char*, unsigned int) { return 0; }
int CCertInfo::getFingerprint(const unsigned char*, unsigned int) { return 0; }
int CCertInfo::getSignatur(const unsigned char*, unsigned int) { return 0; }
int CCertInfo::getKeyUsage(const unsigned char*, unsigned int) { return 0; }
int CCertInfo::S_getPublicKey(const unsigned char*, unsigned int) { return 0; }
int CCertInfo::S_getHash(const unsigned char*, unsigned int) { return 0; }
int CCertInfo::GetCertRawLength(const unsigned char*, unsigned int) { return 0; }
int CCertInfo::GetCertRaw(const unsigned char*, unsigned int, unsigned char*) { return 0; }
int CCertInfo::GetChainSize(const unsigned char*, unsigned int) { return 0; }
int CCertInfo::GetNextChainCert(const unsigned char*, unsigned int, unsigned char*, unsigned int*) { return 0; }
int CCertInfo::CheckCertSignature(const unsigned char*, unsigned int, const unsigned char*, unsigned int) { return 0; }
