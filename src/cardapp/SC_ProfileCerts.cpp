// CSC_Profile: certificate presence test, reading certificates, SECCOS product data,
// PKCS#15 certificates and the registration of layout tables.
#include <cstring>
#include <vector>

#include "CardFileCache.h"
#include "CertInfoSC.h"
#include "ConfigSC.h"
#include "Layouts.h"
#include "Pkcs15.h"
#include "Pkcs15Quirks.h"
#include "SC_Profile.h"
#include "SC_Profile_Base.h"
#include "SafeMem.h"
#include "vn_log.h"

namespace {
const unsigned char kUserCertificateOid[] = {0x06, 0x03, 0x55, 0x04, 0x24};
// The read size of a card object that was not told a smaller one, and the most one
// short READ BINARY returns (Le 00): certificate files are read in pieces of the latter.
const unsigned int kDefaultChunk = 240;
const unsigned int kLargestChunk = 256;
// SW1 of a T=0 card's answer that gives the length it can answer in SW2.
const uint32_t kWrongLe = 0x6C;
// Size assumed for a certificate file selected without its control parameters: the DER
// header of its content bounds the reading.
const int kUnknownFileSize = 0xFFFF;
// Bytes of a certificate file's start that the presence test looks at.
const unsigned short kHeadBytes = 10;

bool contains(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }

unsigned int certChunk(const CSC_Profile_Base& card) {
    const unsigned int told = card.readChunk();
    return told == 0 || told >= kDefaultChunk ? kLargestChunk : told;
}

// Reads bytes from to to of the selected transparent file in chunks into out; got is
// the count read (less at the end of the file).
bool readRange(CSC_Profile_Base& card, unsigned char* out, unsigned int from, unsigned int to, unsigned int chunk,
               unsigned int& got) {
    unsigned int pos = from;
    bool retold = false;
    while (pos < to) {
        unsigned int n = to - pos < chunk ? to - pos : chunk;
        int r = card.SCReadBinary(out + (pos - from), static_cast<unsigned short>(pos), static_cast<unsigned char>(n));
        // A T=0 card tells with 6C xx that only xx bytes are left: asked once more for them.
        const uint32_t status = card.getSW();
        if (r != 0 && r != 3 && !retold && (status & 0xFF) == kWrongLe && (status >> 16) > 0 && (status >> 16) < n) {
            retold = true;
            n = status >> 16;
            r = card.SCReadBinary(out + (pos - from), static_cast<unsigned short>(pos), static_cast<unsigned char>(n));
        }
        if (r != 0 && r != 3)
            return false;
        const unsigned int answered = card.getResponseLength() < n ? card.getResponseLength() : n;
        pos += answered;
        if (r == 3 || answered == 0)
            break;  // end of the file, or a card that answers no data would never finish
    }
    got = pos - from;
    return true;
}
// How much of a certificate file readSelectedCert reads.
enum ReadExtent { kHeadOnly, kWholeObject };

// Reads the DER object at the start of the selected file of fileLength bytes: the first
// chunk holds its header, the rest follows. With kHeadOnly only the first chunk.
bool readSelectedCert(CSC_Profile_Base& card, int fileLength, std::vector<unsigned char>& data, ReadExtent extent) {
    if (fileLength <= 0)
        return false;
    const unsigned int chunk = certChunk(card);
    const unsigned int size = fileLength > 0xFFFF ? 0xFFFFu : static_cast<unsigned int>(fileLength);
    data.assign(size, 0);
    unsigned int have = 0;
    if (!readRange(card, data.data(), 0, size < chunk ? size : chunk, chunk, have) || have == 0) {
        data.clear();
        return false;
    }
    if (extent == kHeadOnly) {
        data.resize(have);
        return true;
    }
    unsigned int hdr = 0, total = 0;
    if (have < 2 || !CCertInfoSC::derHeader(data.data(), have, &hdr, &total)) {
        data.clear();
        return false;
    }
    // Never more than the file holds.
    if (total > size)
        total = size;
    if (total > have) {
        unsigned int more = 0;
        if (!readRange(card, data.data() + have, have, total, chunk, more)) {
            data.clear();
            return false;
        }
        have += more;
    }
    data.resize(have < total ? have : total);
    return !data.empty();
}

}  // namespace

namespace {
// The presence test's judgement of a file's first bytes: a SEQUENCE whose first element
// is a SEQUENCE (the TBSCertificate) or the userCertificate attribute type in front of a
// wrapped certificate.
bool looksLikeCertificate(const unsigned char* head, unsigned short got) {
    // Number of length bytes of a long-form length; a short form has none.
    const unsigned n = got > 1 && (head[1] & 0x80) ? (head[1] & 0x0Fu) : 0u;
    const bool tbs = 2 + n < got && head[2 + n] == 0x30;
    const bool wrapped = 6 + n < got && std::memcmp(head + 2 + n, kUserCertificateOid, 5) == 0;
    return got > 0 && head[0] == 0x30 && (tbs || wrapped);
}
}  // namespace

bool CSC_Profile::CheckCert(std::string path) {
    if (m_card == nullptr)
        return false;
    bool valid = false;
    // From where the last selection left the card: certificates side by side in one
    // directory need one selection each.
    if (m_card->SelectPathFromKnown(path, true, true) != 0) {
        vn_log(3, "Error : invalid cert path not found\n");
    } else {
        // The whole certificate is read here once and kept for its listing.
        std::vector<unsigned char> data;
        const int fileLength = m_card->answerLeftOnCard() ? kUnknownFileSize : m_card->GetFileLen();
        if (!readSelectedCert(*m_card, fileLength, data, kHeadOnly)) {
            vn_log(3, "Error : invalid cert error while reading\n");
        } else {
            const unsigned short got = data.size() < kHeadBytes ? static_cast<unsigned short>(data.size()) : kHeadBytes;
            valid = looksLikeCertificate(data.data(), got);
            vn_log(3, valid ? "Vailid Cert\n" : "Error : invalid cert error parsing asn1\n");
            if (valid)
                KeepCertFile(path, fileLength, data);
        }
    }
    return valid;
}

void CSC_Profile::KeepCertFile(const std::string& path, int fileLength, std::vector<unsigned char>& head) {
    if (!m_files)
        return;
    std::vector<unsigned char> data;
    // The rest of the file continues the first chunk.
    unsigned int hdr = 0, total = 0;
    if (head.size() < 2 || !CCertInfoSC::derHeader(head.data(), head.size(), &hdr, &total))
        return;
    const unsigned int size = fileLength > 0xFFFF ? 0xFFFFu : static_cast<unsigned int>(fileLength);
    if (total > size)
        total = size;
    const unsigned int have = static_cast<unsigned int>(head.size());
    data = head;
    if (total > have) {
        const unsigned int chunk = certChunk(*m_card);
        data.resize(total);
        unsigned int more = 0;
        if (!readRange(*m_card, data.data() + have, have, total, chunk, more) || have + more < total) {
            m_unreadable[strTools::uniformPath(path)] = true;
            return;
        }
    }
    data.resize(total);
    unsigned short got = static_cast<unsigned short>(data.size());
    CCertInfoSC::CorrectCert(data.data(), &got);
    if (got > 0)
        m_files->put(path, 0, 0, data.data(), got);
}

bool CSC_Profile::Present(const std::string& path) {
    const std::string key = "C" + strTools::uniformPath(path);
    auto it = m_presence.find(key);
    if (it != m_presence.end())
        return it->second;
    // A certificate file read whole before (a CA whose name detection looked at) is not
    // read again.
    std::vector<unsigned char> kept;
    bool present = false;
    if (m_files && m_files->find(path, 0, 0, kept) && !kept.empty()) {
        const unsigned short got = kept.size() < kHeadBytes ? static_cast<unsigned short>(kept.size()) : kHeadBytes;
        present = looksLikeCertificate(kept.data(), got);
    } else {
        present = CheckCert(path);
    }
    m_presence[key] = present;
    return present;
}

bool CSC_Profile::Selectable(const std::string& path) {
    if (m_card == nullptr)
        return false;
    const std::string key = "S" + strTools::uniformPath(path);
    auto it = m_presence.find(key);
    if (it != m_presence.end())
        return it->second;
    bool ok = m_card->SelectPath(path, true, true, false, false) == 0;
    m_presence[key] = ok;
    return ok;
}

CCertInfoSC* CSC_Profile::ReadCertFile(const std::string& path, int offset, int length, const std::string& label) {
    if (offset < 0 || length < 0 || offset > 0xFFFF || length > 0xFFFF)
        return nullptr;
    std::vector<unsigned char> data;
    if (m_files && m_files->find(path, offset, length, data) && !data.empty())
        return new CCertInfoSC(label, data.data(), static_cast<unsigned short>(data.size()));
    if (offset == 0 && length == 0 && m_unreadable.count(strTools::uniformPath(path)) != 0)
        return nullptr;
    // A certificate at the start of its file is read by its DER length: its file's
    // control parameters are not needed then.
    const bool whole = offset == 0 && length == 0;
    if (m_card == nullptr || m_card->SelectPathFromKnown(path, true, whole) != 0)
        return nullptr;
    const int fileLength = whole && m_card->answerLeftOnCard() ? kUnknownFileSize : m_card->GetFileLen();
    if (fileLength <= 0)
        return nullptr;
    unsigned short got = 0;
    if (offset == 0 && length == 0) {
        if (!readSelectedCert(*m_card, fileLength, data, kWholeObject))
            return nullptr;
        got = static_cast<unsigned short>(data.size());
    } else {
        data.assign(static_cast<size_t>(length), 0);
        got = static_cast<unsigned short>(length);
        if (m_card->ReadFileOffset(data.data(), &got, static_cast<unsigned short>(offset),
                                   static_cast<unsigned short>(length)) != 0)
            return nullptr;
    }
    if (got == 0)
        return nullptr;
    CCertInfoSC::CorrectCert(data.data(), &got);
    if (got == 0)
        return nullptr;
    if (m_files)
        m_files->put(path, offset, length, data.data(), got);
    return new CCertInfoSC(label, data.data(), got);
}

CCertInfoSC* CSC_Profile::readCert(int index) {
    CCardObject* o = getCert(index);
    if (o == nullptr || m_card == nullptr)
        return nullptr;
    CCertInfoSC* cert = nullptr;
    try {
        cert = ReadCertFile(o->m_certPath, o->m_certOffset, o->m_certLength, o->m_label);
    } catch (...) {
        return nullptr;
    }
    if (cert != nullptr)
        cert->setCA(o->m_isCA);
    return cert;
}

void CSC_Profile::GetSeccosInfo(int* authKeyBits, int* sigKeyBits, int*, bool* singleSign) {
    if (m_card == nullptr)
        return;
    // Room for the longest answer a card can give (extended length).
    std::vector<unsigned char> answer(65538, 0);
    unsigned long length = 0;
    if (m_card->GetData(0xDF, 0x20, 0x00, answer.data(), &length) != 0 || length < 112 + 16)
        return;
    const unsigned char* text = answer.data() + 112;
    char collected[8] = {0};
    int n = 0;
    for (int i = 8; i <= 14; ++i)
        if (text[i] != ' ' && text[i] != '.')
            collected[n++] = static_cast<char>(text[i]);
    if (n < 3)
        return;
    for (const SeccosProduct* row = st_tab; row->sigKeyBits != 0; ++row) {
        if (std::strlen(row->productCode) == 8 && std::memcmp(row->productCode, text, 8) == 0 &&
            row->variant[0] == collected[1] && row->variant[1] == collected[2]) {
            if (authKeyBits)
                *authKeyBits = row->authKeyBits;
            if (sigKeyBits)
                *sigKeyBits = static_cast<int>(row->sigKeyBits);
            if (singleSign)
                *singleSign = row->singleSign != 0;
            return;
        }
    }
}

int CSC_Profile::CheckPKCS15() {
    if (m_pkcs15 == nullptr || m_card == nullptr)
        return 0;
    m_pkcs15->ReadCerts();
    const vn_cardapp::Pkcs15Quirks& quirks = vn_cardapp::pkcs15Quirks(m_card->getCardType());
    auto bounded = [](const std::string& s) { return s.size() > 255 ? s.substr(0, 255) : s; };
    std::vector<CCardObject*> added;
    bool anyAuth = false;
    for (int i = 0; i < m_pkcs15->getNumcerts(); ++i) {
        CPkcs15ExportCert* e = m_pkcs15->getCert(i);
        std::string keyPath = bounded(strTools::uniformPath(e->getKeypath()));
        std::string pinPath = bounded(strTools::uniformPath(e->getPinpath()));
        if (quirks.paths != nullptr)
            quirks.paths(m_profileType, keyPath, pinPath);
        const bool auth = contains(e->getCertLabel(), "Auth");
        anyAuth = anyAuth || auth;
        bool single =
            e->isSiglesign() ||
            (m_singleSign && (contains(e->getPinname(), "Signature") || contains(e->getPinname(), "underskrift")));
        AddCardObject(1, e->getCertLabel(), m_profileType, e->getCertpath(), e->getCertoffset(), e->getCertlength(),
                      keyPath, pinPath, e->getPinindex(), e->getKeyindex(), e->getKeysize(), 128, e->getPinname(),
                      single, e->isCacert(), auth ? 3 : 1, false);
        added.push_back(m_objects.back());
    }
    if (!added.empty() && !anyAuth) {
        CCardObject* chosen = added.front();
        for (CCardObject* o : added)
            if (contains(o->m_label, "Advanced")) {
                chosen = o;
                break;
            }
        chosen->m_usage = 3;
    }
    return static_cast<int>(added.size());
}

int CSC_Profile::AddLayout(const CardLayout& layout) { return AddLayout(layout, LayoutValues()); }

int CSC_Profile::AddLayout(const CardLayout& l, const LayoutValues& v) {
    using namespace layout;
    int added = 0;
    for (size_t i = 0; i < l.numCerts; ++i) {
        const LayoutCertRow& r = l.certs[i];
        if ((r.flags & HIDE) && gConfig.hideUnusedCerts)
            continue;
        if (r.ifPresent && !Present(r.ifPresent))
            continue;
        if (r.ifAbsent && Present(r.ifAbsent))
            continue;
        const char* probe = r.presence ? r.presence : r.certPath;
        if (*probe && !Present(probe))
            continue;
        int bits = r.keyBits == KB_SIG    ? v.sigKeyBits
                   : r.keyBits == KB_AUTH ? v.authKeyBits
                   : r.keyBits == KB_CARD ? m_keySize
                                          : r.keyBits;
        int profile = r.profile == PT_CARD         ? m_profileType
                      : r.profile == PT_SECCOS_SIG ? (v.seccosSingle ? CP_STRUST_SINGLE : CP_STRUST)
                                                   : r.profile;
        int pinRef = r.pinRef == REF_MEDISIGN ? v.medisignRef : r.pinRef;
        bool single = (r.flags & S1) ? true : (r.flags & S) ? m_singleSign : false;
        AddCardObject(1, r.label, profile, r.certPath, 0, 0, r.keyPath, r.pinPath, pinRef, r.keyRef, bits, r.keyClass,
                      CMsg::GetRessString(r.pinMsg), single, (r.flags & CA) != 0, (r.flags & A) ? 3 : 1,
                      (r.flags & D) != 0);
        ++added;
    }
    for (size_t i = 0; i < l.numPins; ++i) {
        const LayoutPinRow& p = l.pins[i];
        int ref = p.ref == REF_MEDISIGN ? v.medisignRef : p.ref;
        AddPinObject(CMsg::GetRessString(p.msg), p.index, p.path, static_cast<unsigned char>(ref), p.local, false,
                     nullptr, p.minLength, p.maxLength, -1, p.option);
    }
    return added;
}
