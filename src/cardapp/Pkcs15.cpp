// CPkcs15: finds the PKCS#15 application of a card, reads its directory files and
// links certificates to their private keys and PINs.
#include "Pkcs15.h"

#include <cstring>
#include <map>

#include "ConfigSC.h"
#include "Layouts.h"
#include "Pkcs15Quirks.h"
#include "SC_Profile_Base.h"
#include "SafeMem.h"
#include "card/IsoCommands.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

namespace {
constexpr size_t FileBufferSize = 10000;
}  // namespace

CPkcs15::CPkcs15(CSC_Profile_Base* card) : m_card(card) {
    try {
        Init();
    } catch (...) {  // out of memory: the reader stays without files
        setError(ERR_NO_EFDIR);
    }
}

CPkcs15::CPkcs15() = default;

CPkcs15::~CPkcs15() = default;

std::unique_ptr<CPkcs15> CPkcs15::copyFound() const {
    std::unique_ptr<CPkcs15> copy(new CPkcs15());
    copy->m_error = m_error;
    copy->m_root = m_root;
    if (m_ti)
        copy->m_ti = std::make_unique<CPkcs15DfTi>(*m_ti);
    for (const auto& r : m_results)
        copy->m_results.push_back(std::make_unique<CPkcs15ExportCert>(*r));
    return copy;
}

void CPkcs15::setError(int code) {
    if (m_error == 0)
        m_error = code;
}

CPkcs15ExportCert* CPkcs15::getCert(int i) const {
    return i >= 0 && i < getNumcerts() ? m_results[static_cast<size_t>(i)].get() : nullptr;
}

CPkcs15Cert* CPkcs15::getP15Cert(int i) const {
    return i >= 0 && i < getNumP15Certs() ? m_cdfs[static_cast<size_t>(i)].get() : nullptr;
}

int CPkcs15::getNumAuthInfo() const {
    int n = 0;
    for (const auto& a : m_aodfs)
        n += a->getNum();
    return n;
}

const CPkcs15AuthInfo* CPkcs15::getAuthInfo(int i) const {
    if (i < 0)
        return nullptr;
    for (const auto& a : m_aodfs) {
        if (i < a->getNum())
            return a->getAI(i);
        i -= a->getNum();
    }
    return nullptr;
}

const CPkcs15PrKeyInfo* CPkcs15::GetPrKeyByCert(int i) const {
    return i >= 0 && i < static_cast<int>(m_resultKeys.size()) ? m_resultKeys[static_cast<size_t>(i)] : nullptr;
}

bool CPkcs15::readTransparent(std::vector<uint8_t>& out, bool wholeRecords) {
    // A record file by the descriptor of its selection: no READ BINARY is tried, and the
    // records it counts are read.
    unsigned records = 0;
    const bool recordFile = vn_cardos::fcpRecordFile(m_card->getResponse(), m_card->getResponseLength(), records);
    if (recordFile && wholeRecords)
        return readWholeRecords(out, records);
    out.assign(FileBufferSize, 0);
    unsigned short length = static_cast<unsigned short>(FileBufferSize);
    // A record file known by its descriptor counts as one whose READ BINARY was refused.
    const int r = recordFile ? vn_cardos::kCardSecurityNotSatisfiedRead : m_card->ReadFile(out.data(), &length);
    if (r == vn_cardos::kCardOk && length > 0) {
        out.resize(length);
        return true;
    }
    // A record file: the card refuses READ BINARY, or its FCP names no size.
    if (r == vn_cardos::kCardSecurityNotSatisfiedRead || (r == vn_cardos::kCardOk && length == 0)) {
        if (wholeRecords)
            return readWholeRecords(out);
        length = static_cast<unsigned short>(FileBufferSize);
        if (m_card->ReadAllRecords(out.data(), &length) == 0) {
            out.resize(length);
            return true;
        }
    }
    out.clear();
    return false;
}

bool CPkcs15::readWholeRecords(std::vector<uint8_t>& out, unsigned records) {
    out.clear();
    int number = 1;
    // Record numbers are one byte; 255 is not a record number. A count from the file's
    // descriptor ends the reading at its last record.
    const int last = records > 0 && records < 254 ? static_cast<int>(records) : 254;
    for (; number <= last; ++number) {
        unsigned char record[512];
        unsigned short length = sizeof record;
        if (m_card->ReadRecord(static_cast<unsigned char>(number), record, &length) != 0)
            break;
        if (out.size() + length > FileBufferSize) {
            out.clear();
            return false;
        }
        out.insert(out.end(), record, record + length);
    }
    return number > 1;
}

CPkcs15::Read CPkcs15::readFile(const std::string& path, bool absolute, std::vector<uint8_t>& out) {
    const int r =
        absolute ? m_card->SelectPathFromKnown(path, true) : m_card->SelectPath(path, false, false, false, false);
    if (r != 0)
        return Read::NotFound;
    return readTransparent(out) ? Read::Ok : Read::Unreadable;
}

void CPkcs15::Init() {
    VnTraceScope trace("CPkcs15::Init");
    if (m_card == nullptr) {
        setError(ERR_NO_EFDIR);
        return;
    }
    std::vector<uint8_t> data;
    const char* tokenInfo = vn_cardapp::pkcs15Quirks(m_card->getCardType()).tokenInfoPath;
    const std::string first = tokenInfo != nullptr ? tokenInfo : "3f002f00";
    if (m_card->SelectPathFromKnown(first, true) == 0) {
        // EF.DIR may be a record file of application templates (ISO/IEC 7816-4): each
        // record is one template and is kept whole.
        if (!readTransparent(data, tokenInfo == nullptr)) {
            setError(ERR_NO_EFDIR);
            return;
        }
        if (tokenInfo != nullptr) {
            m_ti.reset(new CPkcs15DfTi(data.data(), static_cast<unsigned int>(data.size())));
            return;
        }
        if (data.empty() || data[0] != 0x61) {
            setError(ERR_EFDIR_FORMAT);
            return;
        }
        m_efDir.reset(new CPkcs15EfDir(data.data(), static_cast<unsigned int>(data.size())));
    } else if (m_card->SelectPath(std::string("3f005015") + "5031", true, true, false, false) == 0) {
        m_efDir.reset(new CPkcs15EfDir(CPkcs15EfDir::Pkcs15Aid, "", "3F005015"));
    } else {
        if (m_card->SelectPath("3f00", true, true, false, false) != 0) {
            setError(ERR_NO_EFDIR);
            return;
        }
        m_efDir.reset(new CPkcs15EfDir(CPkcs15EfDir::Pkcs15Aid, "", "3F00"));
        m_root = true;
        if (m_card->SelectPath("5031", false, false, false, false) != 0) {
            setError(ERR_ODF_NOT_FOUND);
            return;
        }
    }

    // ODF and token information, each from where the selection before left the card.
    if (!m_root && m_card->SelectPathFromKnown(m_efDir->getPath() + "5031", true) != 0) {
        setError(ERR_ODF_NOT_FOUND);
        return;
    }
    if (!readTransparent(data)) {
        setError(ERR_ODF_READ);
        return;
    }
    m_odf.reset(new CPkcs15DfOdf(data.data(), static_cast<unsigned int>(data.size())));

    // TokenInfo
    Read r = m_root ? readFile("5032", false, data) : readFile(m_efDir->getPath() + "5032", true, data);
    if (r == Read::NotFound) {
        setError(m_root ? ERR_ODF_NOT_FOUND : ERR_TI_NOT_FOUND);
        return;
    }
    if (r == Read::Unreadable) {
        setError(ERR_TI_READ);
        return;
    }
    m_ti.reset(new CPkcs15DfTi(data.data(), static_cast<unsigned int>(data.size())));
}

int CPkcs15::ReadCerts() {
    try {
        return ReadDirectories();
    } catch (...) {  // out of memory: no linked certificates
        m_results.clear();
        m_resultKeys.clear();
        setError(ERR_DF_READ);
        return 0;
    }
}

int CPkcs15::ReadDirectories() {
    VnTraceScope trace("CPkcs15::ReadCerts");
    m_error = 0;
    if (m_card == nullptr || !m_odf)
        return 0;
    static const int order[] = {CPkcs15DfOdf::CDF, CPkcs15DfOdf::USEFUL_CDF, CPkcs15DfOdf::TRUSTED_CDF,
                                CPkcs15DfOdf::AODF, CPkcs15DfOdf::PRKDF};
    const bool skipFirstCdf =
        m_root && gConfig.hideUnusedCerts && vn_cardapp::pkcs15Quirks(m_card->getCardType()).skipFirstCdfWhenHiding;
    std::vector<uint8_t> data;
    for (int kind : order) {
        for (int i = 0; i < m_odf->getNum(kind) && m_error == 0; ++i) {
            if (kind == CPkcs15DfOdf::CDF && i == 0 && skipFirstCdf)
                continue;
            Read r = readFile(m_odf->getPath(kind, i), false, data);
            if (r == Read::NotFound) {
                setError(ERR_DF_NOT_FOUND);
                break;
            }
            if (r == Read::Unreadable) {
                setError(ERR_DF_READ);
                break;
            }
            const unsigned char* p = data.data();
            unsigned int n = static_cast<unsigned int>(data.size());
            switch (kind) {
            case CPkcs15DfOdf::CDF:
                if (m_cdfs.size() < MaxFiles)
                    m_cdfs.emplace_back(new CPkcs15Cert(p, n));
                break;
            case CPkcs15DfOdf::USEFUL_CDF:
            case CPkcs15DfOdf::TRUSTED_CDF:
                if (m_otherCdfs.size() < MaxFiles)
                    m_otherCdfs.emplace_back(new CPkcs15Cert(p, n));
                break;
            case CPkcs15DfOdf::AODF:
                if (m_aodfs.size() < MaxFiles)
                    m_aodfs.emplace_back(new CPkcs15Auth(p, n));
                break;
            default:
                if (m_prkdfs.size() < MaxFiles)
                    m_prkdfs.emplace_back(new CPkcs15PrKey(p, n));
                break;
            }
        }
    }
    int linked = 0;
    if (!m_cdfs.empty() && !m_aodfs.empty() && !m_prkdfs.empty()) {
        MatchCerts();
        linked = 1;
    }
    return linked;
}

void CPkcs15::MatchCerts() {
    m_results.clear();
    m_resultKeys.clear();
    const vn_cardapp::Pkcs15Quirks& quirks = vn_cardapp::pkcs15Quirks(m_card ? m_card->getCardType() : 0);
    // Keys by identifier and PINs by authentication identifier, each in file order.
    std::multimap<std::string, const CPkcs15PrKeyInfo*> keysById;
    for (const auto& prkdf : m_prkdfs)
        for (int ki = 0; ki < prkdf->getNum(); ++ki)
            keysById.emplace(prkdf->getPI(ki)->getCommKeyAttrib()->getId(), prkdf->getPI(ki));
    std::multimap<std::string, const CPkcs15AuthInfo*> pinsByAuthId;
    for (const auto& aodf : m_aodfs)
        for (int ai = 0; ai < aodf->getNum(); ++ai)
            pinsByAuthId.emplace(aodf->getAI(ai)->getAuthAttrib()->getAuthId(), aodf->getAI(ai));
    for (const auto& cdf : m_cdfs) {
        for (int ci = 0; ci < cdf->getNum(); ++ci) {
            const CPkcs15CertInfo* cert = cdf->getCI(ci);
            const std::string certId = cert->getCertAttrib()->getId();
            auto keys = keysById.equal_range(certId);
            for (auto k = keys.first; k != keys.second; ++k) {
                const CPkcs15PrKeyInfo* key = k->second;
                const std::string& keyAuth = key->getCommAttrib()->getAuthId();
                auto pins = pinsByAuthId.equal_range(keyAuth);
                for (auto p = pins.first; p != pins.second; ++p) {
                    const CPkcs15AuthInfo* auth = p->second;
                    if (m_results.size() >= MaxResults)
                        return;
                    std::string keyPath = key->getKeyAttrib()->getPath();
                    if (m_root)
                        keyPath = "3f00" + keyPath;
                    std::string pinPath = auth->getPin()->getPath();
                    if (!m_root && pinPath.empty())
                        pinPath = "3f0050154407";
                    bool single = m_root && certId == "02";
                    vn_log(9, "original keyPath : %s\n", keyPath.c_str());
                    vn_log(9, "original pinPath : %s\n", pinPath.c_str());
                    if (quirks.link != nullptr)
                        quirks.link(keyPath, pinPath, single);
                    vn_log(9, "modified keyPath : %s\n", keyPath.c_str());
                    vn_log(9, "modified pinPath : %s\n", pinPath.c_str());
                    const CPkcs15Path* path = cert->getPath();
                    int keyRef = key->getCommKeyAttrib()->getKeyReference();
                    m_results.emplace_back(new CPkcs15ExportCert(
                        cert->getCommAttrib()->getLabel(), path->getPath(), path->getIndex(), path->getLength(),
                        keyPath, pinPath, auth->getPin()->getReference(), keyRef < 0 ? 0 : keyRef,
                        key->getKeyAttrib()->getModulus(), auth->getCommAttrib()->getLabel(), single, false, 0, m_root,
                        keyAuth, certId));
                    m_resultKeys.push_back(key);
                }
            }
        }
    }
    // CA and other certificates of the trusted and useful CDFs: no key, no PIN.
    for (const auto& cdf : m_otherCdfs) {
        for (int ci = 0; ci < cdf->getNum(); ++ci) {
            if (m_results.size() >= MaxResults)
                return;
            const CPkcs15CertInfo* cert = cdf->getCI(ci);
            const CPkcs15Path* path = cert->getPath();
            m_results.emplace_back(new CPkcs15ExportCert(cert->getCommAttrib()->getLabel(), path->getPath(),
                                                         path->getIndex(), path->getLength(), "", "", 255, 255, 1024,
                                                         "", false, true, 0, m_root, cert->getCommAttrib()->getAuthId(),
                                                         cert->getCertAttrib()->getId()));
            m_resultKeys.push_back(nullptr);
        }
    }
}
