// Feeds arbitrary bytes to every CASN1 walker and reader and to the ASN.1 object classes.
// The input is also read as a tree: every item is visited through GetNextSubItem and
// GetNextItem, and each item is handed to the typed readers.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ASN1.h"
#include "Asn1AlgoIdent.h"
#include "Asn1Base.h"
#include "Asn1Cert.h"

namespace {

volatile size_t sink;

void touch(const char* s) {
    if (s)
        sink += std::strlen(s);
}

void readItem(const unsigned char* p, uint32_t total) {
    touch(CASN1::getOID(p, total, false));
    touch(CASN1::getOID(p, total, true));
    sink += CASN1::getInteger(p, total);
    touch(CASN1::getString(p, total));
    sink += CASN1::getBoolean(p, total);
    touch(CASN1::getOctetString(p, total));
    touch(CASN1::getBitString(p, total));
    sink += CASN1::getBmpString(p, total)[0];
    touch(CASN1::getGenTime(p, total));
    touch(CASN1::getGenTimeDate(p, total));
    touch(CASN1::getGenTimeTime(p, total));
    touch(CASN1::getGenTimeRaw(p, total));
    touch(CASN1::getGenName(p, total));
    sink += static_cast<size_t>(CASN1::getSubItems(p, total));
    DBs rec;
    rec.data = const_cast<unsigned char*>(p);
    rec.length = total;
    sink += CASN1::getAlgoId(rec);
}

// Visits every item below rec (depth-limited) with the readers.
void walk(DBs rec, int depth) {
    if (depth > 40 || !rec.data || rec.length == 0)
        return;
    int guard = 0;
    do {
        readItem(rec.data, rec.length);
        if (rec.data[0] & 0x20 || rec.data[0] == 0x03 || rec.data[0] == 0x04) {
            DBs child = rec;
            if (CASN1::GetNextSubItem(rec.data, &child))
                walk(child, depth + 1);
        }
    } while (++guard < 100000 && CASN1::GetNextItem(rec.data, &rec));
}

template <class T>
void object(const unsigned char* p, size_t n) {
    T obj(p, static_cast<unsigned int>(n));
    sink += static_cast<size_t>(obj.getError()) + obj.getAsn1Length() + obj.getDERlength();
    obj.resetPosition();
    for (int i = 0; i < 16; ++i) {
        if (!(i % 3 == 0 ? obj.nextSubItem() : obj.nextItem()))
            break;
        sink += obj.getItemLen() + obj.getDataLen();
        const unsigned char* d = obj.getData();
        if (d && obj.getDataLen() > 0)
            sink += d[obj.getDataLen() - 1];
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 1 << 16)
        return 0;
    // An exact-size heap copy, so that every read past the end is caught.
    std::vector<unsigned char> buf(data, data + size);
    unsigned char* p = buf.data();
    const uint32_t n = static_cast<uint32_t>(size);

    uint32_t pos = 0;
    unsigned char hdr = 0;
    sink += CASN1::getSeqLength(p, pos, &hdr, n);

    DBs top;
    top.data = p;
    top.length = n;
    top.end = p + n;
    Asn1Header h;
    if (CASN1::readHeader(p, n, h))
        top.length = h.total();
    walk(top, 0);

    static const int certCodes[] = {100, 101, 102, 103, 104, 105, 106, 109, 110, 111, 112, 113, 114, 200};
    for (int code : certCodes) {
        DBs rec;
        if (CASN1::GetCertItem(p, n, code, &rec))
            readItem(rec.data, rec.length);
        if (CASN1::GetAttrCertItem(p, n, code, &rec))
            readItem(rec.data, rec.length);
        if (CASN1::GetCmsItem(p, n, code, &rec))
            readItem(rec.data, rec.length);
    }
    sink += static_cast<size_t>(CASN1::GetCertSignatureAlgo(p, n));
    uint32_t valueLen = 0;
    if (CASN1::GetCertValue(p, n, nullptr, 0, &valueLen) && valueLen <= n) {
        std::vector<unsigned char> out(valueLen);
        CASN1::GetCertValue(p, n, out.data(), valueLen, &valueLen);
    }

    char label[33];
    unsigned char serial[32];
    unsigned char serialLen = 0;
    sink += static_cast<size_t>(CASN1::getCardName(p, n, label, sizeof(label)));
    sink += static_cast<size_t>(CASN1::getCardName1k(p, n, label, sizeof(label)));
    sink += static_cast<size_t>(CASN1::getCardSerial(p, n, serial, sizeof(serial), &serialLen));
    DBs pk;
    if (CASN1::getPKCS1(p, n, pk))
        sink += pk.length;
    unsigned char* d2 = nullptr;
    uint32_t l2 = n;
    if (CASN1::getPKCS1_2(p, &d2, &l2))
        sink += l2;

    object<CAsn1_Cert>(p, size);
    {
        CAsn1_Cert cert(p, n);
        sink += static_cast<size_t>(cert.getPublicKeyLength()) + cert.getIssuerDnLength() + cert.getSerialLength();
        sink += cert.getPublicKeyOID().size() + cert.isPublicKeyEC() + cert.isPublicKeyRSA();
    }
    {
        CAsn1_PublicKey key(p, n);
        sink += static_cast<size_t>(key.getKeyLength()) + key.getAlgoOID().size();
        if (key.getECKey()) {
            CAsn1_OctetString* v = key.getECKey()->getKeyValue();
            delete v;
        }
    }
    object<CAsn1_AlgoIdent>(p, size);
    object<CAsn1_PublicKeyRSA>(p, size);
    object<CAsn1_PublicKeyEC>(p, size);
    object<CAsn1_Int>(p, size);
    object<CAsn1_Oid>(p, size);
    object<CAsn1_BitString>(p, size);
    object<CAsn1_OctetString>(p, size);
    object<CAsn1_IA5String>(p, size);
    object<CAsn1_BmpString>(p, size);
    object<CAsn1_UtcTime>(p, size);
    object<CAsn1_GeneralizedTime>(p, size);
    object<CAsn1_Universal>(p, size);

    unsigned char* der = nullptr;
    const int dl = pkcs1_like_from_raw_ecdsa_signature(p, n, &der);
    if (dl > 0)
        sink += der[dl - 1];
    std::free(der);

    const std::string text(reinterpret_cast<const char*>(p), size);
    sink += static_cast<size_t>(CAsn1Helper::getUTCTime(text));
    int len = 0;
    if (CAsn1Helper::str2hex(text, nullptr, len) && len > 0) {
        std::vector<unsigned char> out(static_cast<size_t>(len));
        CAsn1Helper::str2hex(text, out.data(), len);
    }
    CAsn1_Oid oid(text, "");
    CAsn1_OctetString octets(text);
    return 0;
}
