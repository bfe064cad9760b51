// The legacy profile's registration helpers: the card-layout tables and the main
// detection's certificate objects turned into legacy entries, and certificate reading
// on the legacy command class.
#ifndef VN_CARDAPP_LEGACYLAYOUTS_H
#define VN_CARDAPP_LEGACYLAYOUTS_H

#include <vector>

#include "cardapp/Layouts.h"

class CProfile;
class CSmartCard;
class CSC_Profile;

namespace legacy {

// Values a layout row takes from the card.
struct RowValues {
    int sigKeyBits = 0;   // SECCOS signature key
    int authKeyBits = 0;  // SECCOS authentication key
    bool seccosSingle = false;
    int medisignRef = 0;  // medisign 1k PIN reference
    int cardKeyBits = 2048;
};

// Adds the layout's certificate rows that pass their presence tests; profileType is the
// profile the rows carry unless they name one. Returns the number of entries added.
int addLayout(CProfile& profile, CSmartCard& card, const CardLayout& layout, int profileType,
              const RowValues& values = RowValues());

// Adds an entry for each certificate object of a main-path profile, in order.
int addCardObjects(CProfile& profile, const CSC_Profile& source);

// Container flags of the next entry of a reader: valid and default for the first
// key-bearing certificate, valid for every other.
unsigned long containerFlags(int readerId, bool keyBearing);

// The certificate in the file at path (the whole DER object at its start when offset
// and length are both 0), its userCertificate wrapper dropped; empty on any failure.
std::vector<unsigned char> readCertificate(CSmartCard& card, const char* path, int offset, int length);

// Presence answers of a reader's detection: each path probed once (CProfile::CheckCert).
bool present(CProfile& profile, CSmartCard& card, const char* path);

// Certificates of a reader's entries as read from the card, kept until the entry
// changes or the reader's entries are cleared: each certificate file is read once.
// Empty when the entry's certificate was not read yet.
std::vector<unsigned char> keptCertificate(int readerId, int entry);
void keepCertificate(int readerId, int entry, const std::vector<unsigned char>& der);
// Forgets one entry's certificate, or (entry -1) everything kept for the reader, its
// presence answers included.
void forget(int readerId, int entry);

// Whether a security environment record asks for one signature per PIN entry
// (the first 9F 22 followed by 01 01).
bool singleSignatureRecord(const unsigned char* record, unsigned short length);

}  // namespace legacy

#endif
