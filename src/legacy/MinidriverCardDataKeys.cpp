// CCardData: serial number, public keys and container information, and the built-in
// PKCS#15 layout of the card.
#include <cstring>
#include <vector>

#include "CertInfoSC.h"
#include "LegacyLayouts.h"
#include "LegacyProfile.h"
#include "MinidriverAlloc.h"
#include "MinidriverCardData.h"
#include "P15Profile.h"
#include "Pkcs15.h"
#include "card/CardTypes.h"
#include "vn_log.h"

namespace {
const char kSerialPath[] = "3f002f02";
const size_t kSerialSize = 16;  // bytes handed out: the end of the file
const size_t kFileBufferSize = 65540;
const size_t kBlobHeaderSize = sizeof(VN_RSA_PUBLIC_BLOB);
const unsigned int kModulusSize = 1024;  // up to 8192-bit keys
const char kTeliaLabel[] = "Telia EID IP2i";

bool entryExists(int reader, int index) {
    return CProfile::validReader(reader) && index >= 0 && index < CProfile::m_certnum[reader] &&
           index < VN_LEGACY_CERTS;
}

// The certificate of an entry, or the placeholder of a container without one.
CCertInfoSC readEntryCert(CARD_DATA* cardData, int reader, int index) {
    std::vector<unsigned char> der;
    if (entryExists(reader, index)) {
        const CProfileCertEntry& e = CProfile::m_certinfo[reader][index];
        const std::string path(e.certPath, strnlen(e.certPath, sizeof e.certPath));
        der = legacy::keptCertificate(reader, index);
        if (der.empty() && !path.empty()) {
            CSmartCard card(cardData);
            der = legacy::readCertificate(card, path.c_str(), static_cast<int>(e.certOffset),
                                          static_cast<int>(e.certLength));
            legacy::keepCertificate(reader, index, der);
        }
    }
    if (der.empty() || der.size() > 0xFFFF)
        return CCertInfoSC("dummy", nullptr, 0);
    return CCertInfoSC("", der.data(), static_cast<unsigned short>(der.size()));
}

// The public-key blob of an RSA key: header, RSA numbers, modulus least significant byte first.
std::vector<unsigned char> rsaBlob(const unsigned char* modulus, unsigned int modulusLength, unsigned int bits,
                                   const unsigned char* exponent, unsigned int exponentLength) {
    std::vector<unsigned char> blob;
    if (exponentLength == 0 || exponentLength > sizeof(DWORD) || bits == 0)
        return blob;
    const size_t width = (bits + 7) / 8;
    if (modulusLength > width)
        return blob;
    VN_RSA_PUBLIC_BLOB head;
    std::memset(&head, 0, sizeof head);
    head.header.bType = PUBLICKEYBLOB;
    head.header.bVersion = CUR_BLOB_VERSION;
    head.header.reserved = 0;
    head.header.aiKeyAlg = CALG_RSA_KEYX;
    head.rsa.magic = VN_RSA1_MAGIC;
    head.rsa.bitlen = bits;
    DWORD e = 0;
    for (unsigned int i = 0; i < exponentLength; ++i)
        e = (e << 8) | exponent[i];
    head.rsa.pubexp = e;
    blob.assign(kBlobHeaderSize + width, 0);
    std::memcpy(blob.data(), &head, kBlobHeaderSize);
    for (unsigned int i = 0; i < modulusLength; ++i)
        blob[kBlobHeaderSize + i] = modulus[modulusLength - 1 - i];
    return blob;
}
}  // namespace

int CCardData::ReadSerial(CARD_DATA* cardData, void** data, unsigned long* length) {
    if (data == nullptr || length == nullptr)
        return 0;
    *data = nullptr;
    *length = 0;
    try {
        if (minidriver::readerOf(cardData) < 0)
            return 0;
        CSmartCard card(cardData);
        if (card.SelectPath(kSerialPath, false, false) != 0 && card.SelectPath(kSerialPath, true, false) != 0)
            return 0;
        std::vector<unsigned char> content(kFileBufferSize, 0);
        unsigned short got = 0xFFFF;
        if (card.ReadFile(content.data(), &got) != 0 || got == 0 || got > content.size())
            return 0;
        const size_t n = got < kSerialSize ? got : kSerialSize;
        unsigned char* buffer = minidriver::hostCopy(cardData, content.data() + (got - n), n);
        if (buffer == nullptr)
            return 0;
        *data = buffer;
        *length = static_cast<unsigned long>(n);
        return 1;
    } catch (...) {
        return 0;
    }
}

int CCardData::GetPubKey(CARD_DATA* cardData, int index, unsigned long* bits, unsigned char* modulus,
                         unsigned long* length) {
    if (length == nullptr)
        return 0;
    try {
        const int reader = minidriver::readerOf(cardData);
        if (!entryExists(reader, index))
            return 0;
        CCertInfoSC cert = readEntryCert(cardData, reader, index);
        if (cert.IsVistaDummyCert())
            return 0;
        unsigned int size = *length > 0xFFFFFFFFUL ? 0xFFFFFFFFU : static_cast<unsigned int>(*length);
        unsigned int keyBits = 0;
        if (cert.GetPublicKeyMod(modulus, &size, &keyBits) != 1)
            return 0;
        *length = size;
        if (bits != nullptr)
            *bits = keyBits;
        return 1;
    } catch (...) {
        return 0;
    }
}

int CCardData::GetContainerInfo(CARD_DATA* cardData, int index, CONTAINER_INFO* out) {
    vn_log(3, "GetContainerInfo Index : %d\n", index);
    if (out == nullptr)
        return 0;
    std::memset(out, 0, sizeof *out);
    out->dwVersion = CONTAINER_INFO_CURRENT_VERSION;
    try {
        const int reader = minidriver::readerOf(cardData);
        if (!entryExists(reader, index))
            return 0;
        CCertInfoSC cert = readEntryCert(cardData, reader, index);
        if (cert.IsVistaDummyCert())
            return 1;  // a container without a certificate has no public key to show
        unsigned char modulus[kModulusSize];
        unsigned int modulusLength = sizeof modulus;
        unsigned int bits = 0;
        unsigned char exponent[16];
        unsigned int exponentLength = sizeof exponent;
        if (cert.GetPublicKeyMod(modulus, &modulusLength, &bits) != 1 ||
            cert.GetPublicKeyExp(exponent, &exponentLength) != 1)
            return 0;
        const std::vector<unsigned char> blob = rsaBlob(modulus, modulusLength, bits, exponent, exponentLength);
        if (blob.empty())
            return 0;
        unsigned char* buffer = minidriver::hostCopy(cardData, blob.data(), blob.size());
        if (buffer == nullptr)
            return 0;
        out->pbKeyExPublicKey = buffer;
        out->cbKeyExPublicKey = static_cast<DWORD>(blob.size());
        return 1;
    } catch (...) {
        return 0;
    }
}

IP15Profile* CCardData::GetP15CardProfile(CARD_DATA* cardData) {
    if (cardData == nullptr || cardData->pwszCardName == nullptr)
        return nullptr;
    try {
        const vn_card::CardTypeRow* row = vn_card::cardType(CSmartCard::GetCardType(cardData->pwszCardName));
        const vn_card::MinidriverP15 p15Kind = row != nullptr ? row->minidriverP15 : vn_card::MinidriverP15::None;
        if (p15Kind == vn_card::MinidriverP15::CardOs43b)
            return new CP15Profile_CardOS43b();
        if (p15Kind != vn_card::MinidriverP15::FromCard)
            return nullptr;
        const int reader = minidriver::readerOf(cardData);
        if (reader < 0 || CProfile::pkcs15[reader] == nullptr)
            return nullptr;
        const CPkcs15* p15 = CProfile::pkcs15[reader];
        if (p15->getDf_ti() != nullptr && p15->getDf_ti()->getLabel() == kTeliaLabel)
            return new CP15Profile_Telia();
        if (p15->isRoot())
            return new CP15Profile_Vozed();
        return new CP15Profile_SetCos();
    } catch (...) {
        return nullptr;
    }
}
