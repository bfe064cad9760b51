// CCertStore: placeholder whose operations return 0.
#include "CertStore.h"

int CCertStore::GetCertNum() { return 0; }

int CCertStore::GetCert(int, unsigned char*, unsigned int*) { return 0; }

int CCertStore::EncryptMsg(const unsigned char*, unsigned int, const unsigned char*, unsigned int, unsigned char*,
                           unsigned int*) {
    return 0;
}

int CCertStore::EncryptMsgMulti(const unsigned char*, unsigned int, const unsigned char**, const unsigned int*, int,
                                unsigned char*, unsigned int*) {
    return 0;
}

int CCertStore::GetCipherCert(const unsigned char*, unsigned int, unsigned char*, unsigned int*) { return 0; }

int CCertStore::DecryptMsg(const unsigned char*, unsigned int, unsigned char*, unsigned int*) { return 0; }
