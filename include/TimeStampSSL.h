// RFC 3161 timestamp client: builds the request for one hash, posts it to the timestamp
// service over HTTP and takes the token out of the answer.
#ifndef VN_TIMESTAMPSSL_H
#define VN_TIMESTAMPSSL_H

#include <log4cxx/logger.h>

#include <cstdint>
#include <string>
#include <vector>

#include "vn_export.h"

// Results kept in CTimeStampSSL::error.
#define TS_ERROR_HTTP (-91)      // the HTTP request failed (or no request could be made)
#define TS_ERROR_RESPONSE (-92)  // the answer holds no granted token for this request

// Largest answer taken from a timestamp service.
#define TS_MAX_RESPONSE (1024u * 1024u)

// Why the last timestamp request of the calling thread got no token (TimeStampFailureReason).
#define TS_REASON_NONE 0         // a token was taken
#define TS_REASON_UNREACHABLE 1  // no connection, or the request or answer broke off
#define TS_REASON_TIMEOUT 2      // the exchange did not end within the time limit
#define TS_REASON_TOO_LARGE 3    // the answer is larger than TS_MAX_RESPONSE
#define TS_REASON_HTTP_STATUS 4  // an HTTP status other than 200
#define TS_REASON_REFUSED 5      // the service refused (PKIStatus other than granted)
#define TS_REASON_MALFORMED 6    // the answer is no timestamp response with a token
#define TS_REASON_IMPRINT 7      // the token is for another hash
#define TS_REASON_NONCE 8        // the token carries another nonce

class VN_EXPORT CTimeStampSSL {
public:
    // Copies the address and the digest (nothing is copied when digest is null or its
    // length zero). algo: 0 SHA-1, 1 SHA-256, 2 SHA-384, 3 SHA-512; any other value
    // becomes 0 when the request is built.
    CTimeStampSSL(std::string url, unsigned char* digest, unsigned char digestLength, int algo);
    virtual ~CTimeStampSSL();

    // Fills request: version 1, the message imprint, a fresh 8-byte nonce, certReq TRUE.
    // 0, or -1 when the digest does not have the length of the algorithm's hash or no
    // random nonce could be drawn (request stays empty then).
    int buildRequest();
    // Writes tag and length at position (both bytes must lie inside request).
    void addElement(int position, unsigned char tag, unsigned char length);
    // Writes one byte at position (inside request).
    void addValue(int position, unsigned char value);
    // Builds the request, posts it and extracts the token; the outcome is in error
    // (0, TS_ERROR_HTTP or TS_ERROR_RESPONSE).
    void sendRequest();
    // Takes the token out of response. True only for status 0 (granted) with a token
    // whose TSTInfo carries this request's message imprint and nonce.
    bool extractTimestamp();

    uint8_t algo;
    std::vector<unsigned char> digest;
    uint32_t digestLength;
    std::vector<unsigned char> request;
    int32_t requestLength;
    std::vector<unsigned char> response;
    uint32_t responseLength;
    std::vector<unsigned char> token;
    int32_t tokenLength;
    std::string url;
    int32_t error;

    static log4cxx::LoggerPtr m_logger;

private:
    void dropResult();
};

// The reason (TS_REASON_...) and a text for people, for the last timestamp request of the
// calling thread; TS_REASON_NONE and "" after a token was taken.
VN_EXPORT int TimeStampFailureReason();
VN_EXPORT const char* TimeStampFailureText();

// Seconds since system start, or 0xFFFFFFFF when the system does not tell.
VN_EXPORT uint32_t GetTickCount();

#endif
