// CSC_Profile: certificate presence test, reading certificates, SECCOS product data,
// PKCS#15 certificates and the registration of layout tables.
#include <cstring>
#include <vector>

#include "CardFileCache.h"
#include "CertInfoSC.h"
#include "ConfigSC.h"
#include "Layouts.h"
#include "Pkcs15.h"
#include "card/CardTypes.h"
#include "SC_Profile.h"
#include "SC_Profile_Base.h"
#include "SafeMem.h"
#include "vn_log.h"

namespace {
const unsigned char kUserCertificateOid[] = {0x06, 0x03, 0x55, 0x04, 0x24};
// First read of a certificate file when the card object names no chunk size.
const unsigned int kFirstChunk = 240;

bool contains(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }
}  // namespace

bool CSC_Profile::CheckCert(std::string path) {
    if (m_card == nullptr)
        return false;
    bool valid = false;
    if (m_card->SelectPath(path, true, true, false, false) != 0) {
        vn_log(3, "Error : invalid cert path not found\n");
    } else {
        unsigned char head[10] = {0};
        unsigned short got = sizeof head;
        if (m_card->ReadFilePart(head, &got, sizeof head) != 0 || got == 0) {
            vn_log(3, "Error : invalid cert error while reading\n");
        } else {
            // Number of length bytes of a long-form length; a short form has none.
            const unsigned n = (head[1] & 0x80) ? (head[1] & 0x0Fu) : 0u;
            const bool tbs = 2 + n < got && head[2 + n] == 0x30;
            const bool wrapped = 6 + n < got && std::memcmp(head + 2 + n, kUserCertificateOid, 5) == 0;
            valid = head[0] == 0x30 && (tbs || wrapped);
            vn_log(3, valid ? "Vailid Cert\n" : "Error : invalid cert error parsing asn1\n");
        }
    }
    m_card->SCSelectMF();
    return valid;
}

bool CSC_Profile::Present(const std::string& path) {
    const std::string key = "C" + strTools::uniformPath(path);
    auto it = m_presence.find(key);
    if (it != m_presence.end())
        return it->second;
    bool present = CheckCert(path);
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
    if (m_card == nullptr || m_card->SelectPath(path, false, true, false, false) != 0)
        return nullptr;
    const int fileLength = m_card->GetFileLen();
    if (fileLength <= 0)
        return nullptr;
    unsigned short got = 0;
    if (offset == 0 && length == 0) {
        // The first chunk holds the DER header; the rest follows from where it ended,
        // on the file just selected.
        const unsigned int chunk = m_card->m_maxRead > 0 ? m_card->m_maxRead : kFirstChunk;
        const unsigned int first = static_cast<unsigned int>(fileLength) < chunk ? fileLength : chunk;
        data.assign(first, 0);
        got = static_cast<unsigned short>(first);
        if (m_card->ReadFilePart(data.data(), &got, static_cast<unsigned short>(first)) != 0 || got < 2)
            return nullptr;
        unsigned int hdr = 0, total = 0;
        if (!CCertInfoSC::derHeader(data.data(), got, &hdr, &total))
            return nullptr;
        // Never more than the file holds.
        if (total > static_cast<unsigned int>(fileLength))
            total = static_cast<unsigned int>(fileLength);
        if (total > 0xFFFF)
            total = 0xFFFF;
        if (total > got) {
            const unsigned short have = got;
            data.resize(total);
            unsigned short more = static_cast<unsigned short>(total - have);
            if (m_card->ReadFileOffset(data.data() + have, &more, have, static_cast<unsigned short>(total - have)) != 0)
                return nullptr;
            got = static_cast<unsigned short>(have + more);
        } else {
            got = static_cast<unsigned short>(total);
        }
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
    const int cardType = m_card->getCardType();
    auto bounded = [](const std::string& s) { return s.size() > 255 ? s.substr(0, 255) : s; };
    std::vector<CCardObject*> added;
    bool anyAuth = false;
    for (int i = 0; i < m_pkcs15->getNumcerts(); ++i) {
        CPkcs15ExportCert* e = m_pkcs15->getCert(i);
        std::string keyPath = bounded(strTools::uniformPath(e->getKeypath()));
        std::string pinPath = bounded(strTools::uniformPath(e->getPinpath()));
        switch (cardType) {
        case vn_card::kCardOs43b:
        case vn_card::kCardOs44:
        case vn_card::kCardOs50:
        case vn_card::kCardOs54:
            cardosPkcs15Paths(m_profileType == CP_QUORVEL, keyPath, pinPath);
            break;
        case vn_card::kSetcos441:
            setcos441Pkcs15Paths(keyPath, pinPath);
            m_profileType = CP_SETCOS;
            break;
        case vn_card::kSetcos442:
            pinPath = keyPath;
            break;
        default:
            break;
        }
        const bool auth = contains(e->getCertLabel(), "Auth");
        anyAuth = anyAuth || auth;
        bool single = e->isSiglesign() ||
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
        int bits = r.keyBits == KB_SIG ? v.sigKeyBits
                   : r.keyBits == KB_AUTH ? v.authKeyBits
                   : r.keyBits == KB_CARD ? m_keySize
                                          : r.keyBits;
        int profile = r.profile == PT_CARD ? m_profileType
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
