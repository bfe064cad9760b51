// Legacy entries from the card-layout tables and from main-path certificate objects.
#include "LegacyLayouts.h"

#include <map>
#include <string>

#include "CertInfoSC.h"
#include "ConfigSC.h"
#include "LegacyProfile.h"
#include "SC_Profile.h"
#include "SafeMem.h"
#include "SmartCard.h"

namespace legacy {
namespace {
const int kNoReference = 255;
const size_t kCertBufferSize = 65540;

std::map<std::string, bool> g_presence[VN_LEGACY_READERS];
std::vector<unsigned char> g_certificates[VN_LEGACY_READERS][VN_LEGACY_CERTS];

bool validEntry(int readerId, int entry) {
    return CProfile::validReader(readerId) && entry >= 0 && entry < VN_LEGACY_CERTS;
}
}  // namespace

bool present(CProfile& profile, CSmartCard& card, const char* path) {
    const int reader = profile.getReaderId();
    if (!CProfile::validReader(reader))
        return profile.CheckCert(path, 0, 0, card);
    const std::string key = strTools::uniformPath(path);
    auto it = g_presence[reader].find(key);
    if (it != g_presence[reader].end())
        return it->second;
    const bool answer = profile.CheckCert(path, 0, 0, card);
    g_presence[reader][key] = answer;
    return answer;
}

std::vector<unsigned char> keptCertificate(int readerId, int entry) {
    return validEntry(readerId, entry) ? g_certificates[readerId][entry] : std::vector<unsigned char>();
}

void keepCertificate(int readerId, int entry, const std::vector<unsigned char>& der) {
    if (validEntry(readerId, entry))
        g_certificates[readerId][entry] = der;
}

void forget(int readerId, int entry) {
    if (!CProfile::validReader(readerId))
        return;
    if (entry >= 0) {
        if (entry < VN_LEGACY_CERTS)
            g_certificates[readerId][entry].clear();
        return;
    }
    g_presence[readerId].clear();
    for (auto& c : g_certificates[readerId])
        std::vector<unsigned char>().swap(c);
}

unsigned long containerFlags(int readerId, bool keyBearing) {
    if (!CProfile::validReader(readerId))
        return CONTAINER_MAP_VALID_CONTAINER;
    const int count = CProfile::m_certnum[readerId];
    for (int i = 0; i < count && i < VN_LEGACY_CERTS; ++i)
        if (CProfile::m_certinfo[readerId][i].containerFlags & CONTAINER_MAP_DEFAULT_CONTAINER)
            return CONTAINER_MAP_VALID_CONTAINER;
    return keyBearing ? CONTAINER_MAP_VALID_CONTAINER | CONTAINER_MAP_DEFAULT_CONTAINER : CONTAINER_MAP_VALID_CONTAINER;
}

int addLayout(CProfile& profile, CSmartCard& card, const CardLayout& l, int profileType, const RowValues& v) {
    using namespace layout;
    const int reader = profile.getReaderId();
    if (!CProfile::validReader(reader))
        return 0;
    auto isPresent = [&](const char* path) { return present(profile, card, path); };
    int added = 0;
    for (size_t i = 0; i < l.numCerts; ++i) {
        const LayoutCertRow& r = l.certs[i];
        if ((r.flags & HIDE) && gConfig.hideUnusedCerts)
            continue;
        if (r.ifPresent && !isPresent(r.ifPresent))
            continue;
        if (r.ifAbsent && isPresent(r.ifAbsent))
            continue;
        const char* probe = r.presence ? r.presence : r.certPath;
        if (*probe && !isPresent(probe))
            continue;
        const int bits = r.keyBits == KB_SIG    ? v.sigKeyBits
                         : r.keyBits == KB_AUTH ? v.authKeyBits
                         : r.keyBits == KB_CARD ? v.cardKeyBits
                                                : r.keyBits;
        const int rowProfile = r.profile == PT_CARD         ? profileType
                               : r.profile == PT_SECCOS_SIG ? (v.seccosSingle ? CP_STRUST_SINGLE : CP_STRUST)
                                                            : r.profile;
        const int pinRef = r.pinRef == REF_MEDISIGN ? v.medisignRef : r.pinRef;
        const bool single = (r.flags & S1) ? true : (r.flags & S) ? CProfile::m_singelsign[reader] : false;
        const bool isCA = (r.flags & CA) != 0;
        const bool keyBearing = !isCA && r.keyRef != kNoReference;
        if (profile.AddCert(rowProfile, r.certPath, 0, 0, r.keyPath, r.pinPath, pinRef, r.keyRef, bits, r.keyClass,
                            CMsg::GetRessString(r.pinMsg), single, isCA, containerFlags(reader, keyBearing)) == 1)
            ++added;
    }
    return added;
}

int addCardObjects(CProfile& profile, const CSC_Profile& source) {
    const int reader = profile.getReaderId();
    int added = 0;
    for (int i = 0; source.getCert(i) != nullptr; ++i) {
        const CCardObject* o = source.getCert(i);
        const bool keyBearing = !o->m_isCA && o->m_keyRef != kNoReference && !o->m_keyPath.empty();
        if (profile.AddCert(o->m_profileType, o->m_certPath.c_str(), o->m_certOffset, o->m_certLength,
                            o->m_keyPath.c_str(), o->m_pinPath.c_str(), o->m_pinRef, o->m_keyRef, o->m_keyBits,
                            o->m_keyClass, o->m_pinName.c_str(), o->m_singleSign, o->m_isCA,
                            containerFlags(reader, keyBearing)) == 1)
            ++added;
    }
    return added;
}

std::vector<unsigned char> readCertificate(CSmartCard& card, const char* path, int offset, int length) {
    std::vector<unsigned char> data;
    if (path == nullptr || *path == '\0' || offset < 0 || length < 0 || offset > 0xFFFF || length > 0xFFFF)
        return data;
    if (card.SelectPath(path, false, false) != 0)
        return data;
    data.assign(kCertBufferSize, 0);
    // The capacity of the buffer the card may fill (an unsigned short counts it).
    unsigned short got = 0xFFFF;
    int result;
    if (offset == 0 && length == 0)
        result = card.ReadFile(data.data(), &got);
    else
        result = card.ReadFileOffset(data.data(), &got, static_cast<unsigned short>(offset),
                                     static_cast<unsigned short>(length));
    if (result != 0 || got == 0) {
        data.clear();
        return data;
    }
    CCertInfoSC::CorrectCert(data.data(), &got);
    data.resize(got);
    return data;
}

bool singleSignatureRecord(const unsigned char* rec, unsigned short length) {
    for (unsigned i = 0; i + 2 < length; ++i) {
        if (rec[i] == 0x9F && rec[i + 1] == 0x22)
            return i + 3 < length && rec[i + 2] == 0x01 && rec[i + 3] == 0x01;
    }
    return false;
}

}  // namespace legacy
