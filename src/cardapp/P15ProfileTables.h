// The fixed PKCS#15 layouts of the cards the minidriver card data serves without
// reading their PKCS#15 directory: keys, PINs and certificate files as rows.
#ifndef VN_CARDAPP_P15PROFILETABLES_H
#define VN_CARDAPP_P15PROFILETABLES_H

namespace p15table {

constexpr int kRows = 3;  // rows given per table; the profiles hold up to 10

struct KeyRow {
    int usage;  // PKCS#15 key usage bits
    const char* path;
    const char* name;
    int authId;
    int id;
    int ref;
    int size;  // bits
    int accessFlags;
};

struct PinRow {
    int ref;  // bit 7 set: local PIN
    const char* path;
    unsigned nameMsg;  // message id of the display name
    int auth;
    int id;
};

struct CertRow {
    const char* path;
    const char* name;
    int authId;
    int id;
};

struct Table {
    int cardType;
    int keyNum;
    int pinNum;
    int certNum;
    int pinMinLen;
    int pinMaxLen;
    int cardPinIndex;
    KeyRow keys[kRows];
    PinRow pins[kRows];
    CertRow certs[kRows];
};

extern const Table kTelia, kVozed, kSetCos, kCardOS43b;

}  // namespace p15table

#endif
