// CProfile: the per-reader certificate entries and their virtual files, and the
// certificate presence test on the legacy command class.
#include <cstring>
#include <cwchar>

#include "LegacyLayouts.h"
#include "LegacyProfile.h"
#include "Pkcs15.h"
#include "SafeMem.h"
#include "vn_log.h"

namespace {
const wchar_t kContainerName[] = L"2e0caa00-0efd-11dc-8314-0800200c9a66";
const wchar_t kClearedContainerName[] = L"{2e0caa00-0efd-11dc-8314-0800200c9a66}";
// Characters of the container name that tell the entry apart (positions 5 to 8).
const int kNameIsCA = 4, kNameReader = 5, kNameCardType = 6, kNameIndex = 7;
const int kFilesPerEntry = 4;
const unsigned char kUserCertificateOid[] = {0x06, 0x03, 0x55, 0x04, 0x24};
const unsigned short kProbeLength = 10;

void setFile(CProfileFileEntry& f, const char* format, int index, const char* path) {
    CSafeMem::sprintf(f.name, sizeof f.name, format, index);
    CSafeMem::strcpy(f.path, sizeof f.path, path ? path : "");
}

// Empties a reader's entries, kept certificates and files (four per entry, in entry order).
void clearEntries(int r) {
    CProfile::m_certnum[r] = 0;
    legacy::forget(r, -1);
    for (CProfileCertEntry& e : CProfile::m_certinfo[r]) {
        std::memset(&e, 0, sizeof e);
        CSafeMem::wcscpy(e.containerName, VN_CONTAINER_NAME_CHARS, kClearedContainerName);
    }
    CProfile::m_cardfilenum[r] = 0;
    std::memset(CProfile::m_cardfile[r], 0, sizeof CProfile::m_cardfile[r]);
}
}  // namespace

int CProfile::AddCert(int profileType, const char* certPath, int offset, int length, const char* keyPath,
                      const char* pinPath, int pinRef, int keyRef, int keySize, int keyClass, const char* pinName,
                      bool singleSign, bool isCA, unsigned long containerFlags) {
    if (!validReader(m_readerId))
        return 0;
    const int r = m_readerId;
    const int n = m_certnum[r];
    if (n < 0 || n >= VN_LEGACY_CERTS || m_cardfilenum[r] < 0 || m_cardfilenum[r] + kFilesPerEntry > VN_LEGACY_FILES) {
        vn_log(1, "CProfile::AddCert: no room for another certificate (reader %d)\n", r);
        return 0;
    }
    // The new entry is written as an existing one.
    m_certnum[r] = n + 1;
    if (UpdateCert(n, profileType, certPath, offset, length, keyPath, pinPath, pinRef, keyRef, keySize, keyClass,
                   pinName, singleSign, isCA, containerFlags) != 1) {
        m_certnum[r] = n;
        return 0;
    }
    CProfileFileEntry* files = &m_cardfile[r][m_cardfilenum[r]];
    setFile(files[0], "kxc%02d", n, certPath);
    setFile(files[1], "ksc%02d", n, certPath);
    setFile(files[2], "kxp%02d", n, keyPath);
    setFile(files[3], "ksp%02d", n, keyPath);
    m_cardfilenum[r] += kFilesPerEntry;
    return 1;
}

int CProfile::UpdateCert(int index, int profileType, const char* certPath, int offset, int length, const char* keyPath,
                         const char* pinPath, int pinRef, int keyRef, int keySize, int keyClass, const char* pinName,
                         bool singleSign, bool isCA, unsigned long containerFlags) {
    if (!validReader(m_readerId) || index < 0 || index >= m_certnum[m_readerId] || index >= VN_LEGACY_CERTS)
        return 0;
    const int n = index;
    legacy::forget(m_readerId, n);
    CProfileCertEntry& e = m_certinfo[m_readerId][n];
    std::memset(&e, 0, sizeof e);
    e.cardType = static_cast<uint32_t>(m_cardType);
    e.profileType = static_cast<uint32_t>(profileType);
    e.index = static_cast<uint32_t>(n);
    CSafeMem::strcpy(e.certPath, sizeof e.certPath, certPath ? certPath : "");
    e.valid = 1;
    e.certOffset = static_cast<uint32_t>(offset);
    e.certLength = static_cast<uint32_t>(length);
    CSafeMem::strcpy(e.keyPath, sizeof e.keyPath, keyPath ? keyPath : "");
    e.keyRef = static_cast<uint32_t>(keyRef);
    CSafeMem::strcpy(e.pinPath, sizeof e.pinPath, pinPath ? pinPath : "");
    e.pinRef = static_cast<uint32_t>(pinRef);
    e.keyClass = static_cast<uint32_t>(keyClass);
    CSafeMem::strcpy(e.pinName, sizeof e.pinName, pinName ? pinName : "");
    CSafeMem::wcscpy(e.containerName, VN_CONTAINER_NAME_CHARS, kContainerName);
    e.containerName[kNameIsCA] = isCA ? L'1' : L'0';
    e.containerName[kNameReader] = static_cast<wchar_t>(L'0' + m_readerId + 2 * m_readerNum);
    e.containerName[kNameCardType] = static_cast<wchar_t>(L'0' + m_cardType);
    e.containerName[kNameIndex] = static_cast<wchar_t>(L'0' + n);
    e.containerFlags = static_cast<uint8_t>(containerFlags);
    e.reserved = 0;
    e.sigKeySize = 0;
    e.keyExKeySize = static_cast<uint16_t>(keySize);
    e.singleSign = singleSign ? 1 : 0;
    e.lastFlag = 0;
    return 1;
}

int CProfile::AddEmptyCert(CONTAINERMAPRECORD* container) {
    if (container == nullptr || !validReader(m_readerId))
        return 0;
    const int r = m_readerId;
    const int n = m_certnum[r];
    if (AddCert(0, "", 0, 0, "", "", 0, 0, container->ui16KeyExchangeKeySize, 128, "", false, false,
                container->Flags) != 1)
        return 0;
    CProfileCertEntry& e = m_certinfo[r][n];
    // The host's name, cut to the field and always terminated.
    wchar_t name[VN_CONTAINER_NAME_CHARS];
    std::memcpy(name, container->GuidInfo, sizeof name);
    name[VN_CONTAINER_NAME_CHARS - 1] = L'\0';
    CSafeMem::wcscpy(e.containerName, VN_CONTAINER_NAME_CHARS, name);
    e.reserved = container->RFUPadding;
    e.sigKeySize = container->ui16SigKeySize;
    e.keyExKeySize = container->ui16KeyExchangeKeySize;
    return 1;
}

void CProfile::ClearCertList() {
    if (!validReader(m_readerId))
        return;
    clearEntries(m_readerId);
}

void CProfile::FreeCertList(CARD_DATA*) {
    vn_log(3, "delete CProfile::m_certinfo\n");
    vn_log(3, "reseting CProfile::m_certinfo\n");
    for (int r = 0; r < VN_LEGACY_READERS; ++r) {
        clearEntries(r);
        m_initialized[r] = false;
        if (pkcs15[r] != nullptr) {
            vn_log(3, "free CProfile::pkcs15[%i]\n", r);
            delete pkcs15[r];
            pkcs15[r] = nullptr;
        }
    }
}

bool CProfile::CheckCert(const char* path, int offset, int, CSmartCard& card) {
    if (path == nullptr || *path == '\0' || offset < 0 || offset > 0xFFFF)
        return false;
    bool valid = false;
    // The MF is selected (the last probe ended there): the path is selected from it.
    if (card.SelectPath(path, false, false) != 0) {
        vn_log(3, "Error : invalid cert path not found\n");
    } else {
        unsigned char head[kProbeLength] = {0};
        unsigned short got = sizeof head;
        if (card.ReadFileOffset(head, &got, static_cast<unsigned short>(offset), kProbeLength) != 0 || got == 0) {
            vn_log(3, "Error : invalid cert error while reading\n");
        } else {
            if (got > sizeof head)
                got = sizeof head;
            // Number of length bytes of a long-form length; a short form has none.
            const unsigned n = (got > 1 && (head[1] & 0x80)) ? (head[1] & 0x0Fu) : 0u;
            const bool tbs = 2 + n < got && head[2 + n] == 0x30;
            const bool wrapped = 6 + n < got && std::memcmp(head + 2 + n, kUserCertificateOid, 5) == 0;
            valid = head[0] == 0x30 && (tbs || wrapped);
            vn_log(3, valid ? "Vailid Cert\n" : "Error : invalid cert error parsing asn1\n");
        }
    }
    card.SCSelectMF();
    return valid;
}
