// CCardData: the virtual file system: file types, the "mscp" directory, the fixed files
// and the certificate and key files of the reader's file table.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "LegacyLayouts.h"
#include "LegacyProfile.h"
#include "MinidriverAlloc.h"
#include "MinidriverCardData.h"
#include "SafeMem.h"
#include "SmartCard.h"
#include "vn_log.h"

namespace {
const char kDirectory[] = "mscp";
const char* const kFixedFiles[] = {"cardid", "cardcf", "cardapps", "cmapfile"};
const size_t kCardIdSize = 16;   // card identifier
const size_t kCardCfSize = 6;    // cache file: version and PIN freshness, container and file freshness
const size_t kCardAppsSize = 8;  // one application name of 8 bytes
const int kFilesPerEntry = 4;
const long kNoMemory = static_cast<long>(SCARD_E_NO_MEMORY);

struct TypedPrefix {
    const char* prefix;
    int type;
};
const TypedPrefix kPrefixes[] = {
    {"kxc", VN_FILE_KXC}, {"ksc", VN_FILE_KSC}, {"kxp", VN_FILE_KXP},
    {"kxs", VN_FILE_KXS}, {"ksp", VN_FILE_KSP}, {"kss", VN_FILE_KSS},
};

bool entryExists(int reader, int index) {
    return CProfile::validReader(reader) && index >= 0 && index < CProfile::m_certnum[reader] &&
           index < VN_LEGACY_CERTS;
}

// A file name of the table, terminated within its field.
std::string fileName(const CProfileFileEntry& f) { return std::string(f.name, strnlen(f.name, sizeof f.name)); }
std::string filePath(const CProfileFileEntry& f) { return std::string(f.path, strnlen(f.path, sizeof f.path)); }

int fileCount(int reader) {
    int n = CProfile::m_cardfilenum[reader];
    return n < 0 ? 0 : n > VN_LEGACY_FILES ? VN_LEGACY_FILES : n;
}

// The content of a fixed file; false for other names.
bool fixedFile(int reader, const std::string& name, std::vector<unsigned char>& out) {
    if (name == "cardid") {
        // The serial number text of the card, zero-filled to the identifier's size.
        out.assign(kCardIdSize, 0);
        const unsigned char* serial = CProfile::m_cardnum[reader];
        for (size_t i = 0; i < kCardIdSize && serial[i] != 0; ++i)
            out[i] = serial[i];
        return true;
    }
    if (name == "cardcf") {
        out.assign(CProfile::m_cachever[reader], CProfile::m_cachever[reader] + kCardCfSize);
        return true;
    }
    if (name == "cardapps") {
        out.assign(kCardAppsSize, 0);
        std::memcpy(out.data(), kDirectory, std::strlen(kDirectory));
        return true;
    }
    if (name == "cmapfile") {
        out.clear();
        const int count = CCardData::GetContNum(reader, 0);
        for (int i = 0; i < count; ++i) {
            CONTAINERMAPRECORD record;
            if (CCardData::GetContainerMap(reader, 0, i, &record) != 1)
                break;
            const unsigned char* p = reinterpret_cast<const unsigned char*>(&record);
            out.insert(out.end(), p, p + sizeof record);
        }
        return true;
    }
    return false;
}
}  // namespace

int CCardData::GetFileType(char* name) {
    if (name == nullptr)
        return VN_FILE_UNKNOWN;
    for (int i = 0; i < 4; ++i)
        if (std::strcmp(name, kFixedFiles[i]) == 0)
            return VN_FILE_CARDID + i;
    for (const TypedPrefix& p : kPrefixes)
        if (std::strncmp(name, p.prefix, 3) == 0)
            return p.type;
    return VN_FILE_UNKNOWN;
}

int CCardData::GetFileName(int, int, int, char*) { return 1; }

int CCardData::GetFileIndex(CARD_DATA*) { return -1; }

long CCardData::GetDirectory(CARD_DATA* cardData, char* directory, char** list, unsigned long* length) {
    if (list != nullptr)
        *list = nullptr;
    if (length != nullptr)
        *length = 0;
    if (directory == nullptr || std::strcmp(directory, kDirectory) != 0)
        return static_cast<long>(SCARD_E_DIR_NOT_FOUND);
    const int reader = minidriver::readerOf(cardData);
    if (reader < 0 || CProfile::m_certnum[reader] <= 0)
        return static_cast<long>(SCARD_E_FILE_NOT_FOUND);
    if (list == nullptr || length == nullptr)
        return kNoMemory;
    std::vector<char> names;
    auto add = [&names](const std::string& n) {
        names.insert(names.end(), n.begin(), n.end());
        names.push_back('\0');
    };
    for (const char* f : kFixedFiles)
        add(f);
    for (int i = 0; i < fileCount(reader); ++i)
        if (!fileName(CProfile::m_cardfile[reader][i]).empty())
            add(fileName(CProfile::m_cardfile[reader][i]));
    names.push_back('\0');
    unsigned char* buffer =
        minidriver::hostCopy(cardData, reinterpret_cast<const unsigned char*>(names.data()), names.size());
    if (buffer == nullptr)
        return kNoMemory;
    *list = reinterpret_cast<char*>(buffer);
    *length = static_cast<unsigned long>(names.size());
    return 0;
}

namespace {
// Copies one path field of the entry into `out` (room for the field); 0 with an empty
// name for a missing entry.
template <size_t N>
int copyEntryPath(CARD_DATA* cardData, unsigned char index, char (CProfileCertEntry::*field)[N], char* out) {
    if (out == nullptr)
        return 0;
    *out = '\0';
    const int reader = minidriver::readerOf(cardData);
    if (!entryExists(reader, index))
        return 0;
    const char* path = CProfile::m_certinfo[reader][index].*field;
    CSafeMem::strcpy(out, N, std::string(path, strnlen(path, N)).c_str());
    return 1;
}
}  // namespace

int CCardData::GetKeyPath(CARD_DATA* cardData, unsigned char index, char* out) {
    return copyEntryPath(cardData, index, &CProfileCertEntry::keyPath, out);
}

int CCardData::GetPINPath(CARD_DATA* cardData, unsigned char index, char* out) {
    return copyEntryPath(cardData, index, &CProfileCertEntry::pinPath, out);
}

int CCardData::GetCertFileName(CARD_DATA* cardData, unsigned char index, char* out) {
    if (out == nullptr)
        return 0;
    *out = '\0';
    const int reader = minidriver::readerOf(cardData);
    if (!entryExists(reader, index))
        return 0;
    CSafeMem::sprintf(out, 6, "kxc%02d", index % 100);
    return 1;
}

bool CCardData::ReadFile(CARD_DATA* cardData, char* name, unsigned char** data, unsigned long* length) {
    if (data == nullptr || length == nullptr)
        return false;
    *data = nullptr;
    *length = 0;
    if (name == nullptr)
        return false;
    try {
        const int reader = minidriver::readerOf(cardData);
        if (reader < 0)
            return false;
        const std::string wanted(name);
        std::vector<unsigned char> content;
        if (!fixedFile(reader, wanted, content)) {
            bool found = false;
            std::unique_ptr<CSmartCard> card;
            for (int i = 0; i < fileCount(reader) && !found; ++i) {
                const CProfileFileEntry& f = CProfile::m_cardfile[reader][i];
                const std::string path = filePath(f);
                if (fileName(f) != wanted || path.empty())
                    continue;
                const int entry = i / kFilesPerEntry;
                if (!entryExists(reader, entry))
                    continue;
                const CProfileCertEntry& e = CProfile::m_certinfo[reader][entry];
                // The entry's certificate file is read once; key files every time.
                const bool certificate = path == std::string(e.certPath, strnlen(e.certPath, sizeof e.certPath));
                if (certificate)
                    content = legacy::keptCertificate(reader, entry);
                if (content.empty()) {
                    if (!card)
                        card.reset(new CSmartCard(cardData));
                    content = legacy::readCertificate(*card, path.c_str(), static_cast<int>(e.certOffset),
                                                      static_cast<int>(e.certLength));
                    if (certificate)
                        legacy::keepCertificate(reader, entry, content);
                }
                found = !content.empty();
            }
            if (!found)
                return false;
        }
        if (content.empty())
            return false;
        unsigned char* buffer = minidriver::hostCopy(cardData, content.data(), content.size());
        if (buffer == nullptr)
            return false;
        *data = buffer;
        *length = static_cast<unsigned long>(content.size());
        return true;
    } catch (...) {
        return false;
    }
}
