// Two small holders of a CMS blob for the host: CCms keeps a copy of a ContentInfo and its
// content-type item (as a CCmsDataContent).
#ifndef VN_CMS_H
#define VN_CMS_H

#include <log4cxx/logger.h>

#include <vector>

#include "vn_export.h"

// A copy of some bytes of a CMS blob.
class VN_EXPORT CCmsDataContent {
public:
    CCmsDataContent();
    CCmsDataContent(unsigned char* data, unsigned int length);
    CCmsDataContent(const CCmsDataContent& other);
    CCmsDataContent& operator=(const CCmsDataContent& other);
    virtual ~CCmsDataContent();

    unsigned char* getPbCmsData() const;
    unsigned int getCbCmsData() const;
    // 0, or 1000 when the bytes are missing.
    int getError() const { return m_error; }

    static log4cxx::LoggerPtr m_logger;

private:
    std::vector<unsigned char> m_data;
    int m_error = 0;
};

class VN_EXPORT CCms {
public:
    // Error of a blob without an OBJECT IDENTIFIER content type.
    static constexpr int CMS_ERROR = 1000;

    CCms();
    CCms(unsigned char* der, unsigned int length);
    CCms(const CCms& other);
    CCms& operator=(const CCms& other);
    virtual ~CCms();

    unsigned char* getPbCms() const;
    unsigned int getCbCms() const;
    // The content-type item (owned by this object).
    CCmsDataContent* getDataContent() const { return m_dataContent; }
    // The dotted text of the content type; empty when there is none.
    const char* getDataContentType() const;
    void setDataContentType(const char* oid);
    // Takes a copy of the holder.
    void setDataContent(const CCmsDataContent* content);
    int getError() const { return m_error; }

    // 0 when the bytes parse as a CMS ContentInfo with OpenSSL, -22 otherwise.
    static int GetData(unsigned char* der, unsigned int length);

    static log4cxx::LoggerPtr m_logger;

private:
    void parse();

    std::vector<unsigned char> m_cms;
    CCmsDataContent* m_dataContent = nullptr;
    std::vector<char> m_contentType;
    int m_error = 0;
};

#endif
