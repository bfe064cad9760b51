// CCms: a copy of a CMS ContentInfo and its content-type item.
#include <openssl/cms.h>

#include <cstring>
#include <memory>

#include "ASN1.h"
#include "Cms.h"
#include "asn1/DerTags.h"
#include "infra/Loggers.h"
#include "infra/OpenSslPtr.h"

using namespace vn_der;

log4cxx::LoggerPtr CCms::m_logger = vnLogger("VornCryptoSSL::CmsSSL");

namespace {}

CCms::CCms() : m_error(CMS_ERROR) {}

CCms::CCms(unsigned char* der, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "CCms");
    try {
        if (der && length)
            m_cms.assign(der, der + length);
    } catch (...) {
        m_cms.clear();
    }
    parse();
}

CCms::CCms(const CCms& other) : m_cms(other.m_cms), m_contentType(other.m_contentType), m_error(other.m_error) {
    if (other.m_dataContent)
        m_dataContent = new CCmsDataContent(*other.m_dataContent);
}

CCms& CCms::operator=(const CCms& other) {
    if (this != &other) {
        CCms copy(other);
        std::swap(m_cms, copy.m_cms);
        std::swap(m_dataContent, copy.m_dataContent);
        std::swap(m_contentType, copy.m_contentType);
        std::swap(m_error, copy.m_error);
    }
    return *this;
}

CCms::~CCms() { delete m_dataContent; }

void CCms::parse() {
    m_error = CMS_ERROR;
    DBs item;
    if (m_cms.empty() ||
        !CASN1::GetCmsItem(m_cms.data(), static_cast<uint32_t>(m_cms.size()), CASN1::CMS_CONTENTTYPE, &item) ||
        !item.data || item.data[0] != TAG_OID)
        return;
    std::unique_ptr<CCmsDataContent> content(new CCmsDataContent(item.data, item.length));
    if (content->getError())
        return;
    const char* text = CASN1::getOID(item.data, item.length, false);
    m_contentType.assign(text, text + std::strlen(text) + 1);
    delete m_dataContent;
    m_dataContent = content.release();
    m_error = 0;
}

unsigned char* CCms::getPbCms() const { return m_cms.empty() ? nullptr : const_cast<unsigned char*>(m_cms.data()); }
unsigned int CCms::getCbCms() const { return static_cast<unsigned int>(m_cms.size()); }

const char* CCms::getDataContentType() const { return m_contentType.empty() ? "" : m_contentType.data(); }

void CCms::setDataContentType(const char* oid) {
    if (!oid) {
        m_contentType.clear();
        return;
    }
    m_contentType.assign(oid, oid + std::strlen(oid) + 1);
}

void CCms::setDataContent(const CCmsDataContent* content) {
    CCmsDataContent* copy = content ? new CCmsDataContent(*content) : nullptr;
    delete m_dataContent;
    m_dataContent = copy;
}

int CCms::GetData(unsigned char* der, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "GetData");
    if (!der || length == 0 || length > static_cast<unsigned int>(INT32_MAX))
        return -22;
    const unsigned char* p = der;
    vn_ossl::CmsPtr cms(d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(length)));
    return cms ? 0 : -22;
}
