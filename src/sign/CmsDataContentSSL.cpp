// CCmsDataContent: a copy of some bytes of a CMS blob.
#include "Cms.h"
#include "infra/Loggers.h"

log4cxx::LoggerPtr CCmsDataContent::m_logger = vnLogger("VornCryptoSSL::CmsDataContentSSL");

namespace {
constexpr int MISSING_DATA = 1000;
}

CCmsDataContent::CCmsDataContent() : m_error(MISSING_DATA) {}

CCmsDataContent::CCmsDataContent(unsigned char* data, unsigned int length) {
    VN_TRACE_ENTER(m_logger, "CCmsDataContent");
    if (!data || length == 0) {
        m_error = MISSING_DATA;
        return;
    }
    try {
        m_data.assign(data, data + length);
    } catch (...) {
        m_error = MISSING_DATA;
    }
}

CCmsDataContent::CCmsDataContent(const CCmsDataContent& other) = default;
CCmsDataContent& CCmsDataContent::operator=(const CCmsDataContent& other) = default;
CCmsDataContent::~CCmsDataContent() = default;

unsigned char* CCmsDataContent::getPbCmsData() const {
    return m_data.empty() ? nullptr : const_cast<unsigned char*>(m_data.data());
}

unsigned int CCmsDataContent::getCbCmsData() const { return static_cast<unsigned int>(m_data.size()); }
