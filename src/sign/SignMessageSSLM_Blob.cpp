// Signed data over a buffer, and the length it will have.
#include <cstring>

#include "SignMessage.h"
#include "infra/Loggers.h"
#include "sign/SignBuild.h"
#include "sign/SignKeys.h"

namespace {

const int32_t kSignFailed = -24;
const int32_t kLengthFailed = -29;
const int32_t kNoOutput = -300;
const int32_t kNoKey = -37;
const int32_t kHashOnlySha256 = -88;
const int32_t kHashNone = -89;

int32_t leave(const char* name, int32_t rc) {
    LOG4CXX_DEBUG(CSignMessage::m_logger, "leaving " << name << ": " << rc);
    return rc;
}

bool isKeyCheckCode(int32_t rc) { return rc == kNoKey || rc == kHashOnlySha256 || rc == kHashNone; }

}  // namespace

namespace vn_sign {

int32_t buildSignedData(CPkcs7tool& tool, unsigned char* data, uint32_t dataLength, timeb* signingTime, X509* cert,
                        uint32_t* key, int nAlgoID, bool attach, _ASN1_CERT_BLOB* moreCerts, int moreCertsCount,
                        uint32_t* length) {
    tool.cadesLevel = CSignMessage::m_cadesLevel;
    CSignMessage::InitSignAlgoOID(&tool, cert);
    const int32_t check = CSignMessage::checkSignHashAlgoPKey(key, nAlgoID);
    if (check != 0)
        return check;
    tool.signMode = CSignMessage::getSignAlgoFromPKey(key);
    if (dataLength > 0x7FFFFFFFu)
        return kLengthFailed;
    return tool.prepare2sign(cert, nAlgoID, data, static_cast<int>(dataLength), signingTime, attach, length, moreCerts,
                             moreCertsCount);
}

int32_t finishSignedData(CPkcs7tool& tool, uint32_t* key, unsigned char* out, uint32_t* outLength) {
    if (tool.signIt(0, key, nullptr, isP12Key(key)) != 0)
        return kSignFailed;
    const uint32_t length = tool.getSignedPkcs7Length();
    const uint32_t capacity = *outLength;
    *outLength = length;
    if (tool.getSignedPkcs7() == nullptr || length == 0)
        return kSignFailed;
    if (capacity < length)
        return kNoOutput;
    std::memcpy(out, tool.getSignedPkcs7(), length);
    return 0;
}

}  // namespace vn_sign

int32_t CSignMessage::SignBlobSSL(unsigned char* data, uint32_t dataLength, unsigned char* out, uint32_t* outLength,
                                  timeb* signingTime, X509* cert, uint32_t* key, int nAlgoID, bool attach,
                                  _ASN1_CERT_BLOB* moreCerts, int moreCertsCount) {
    VN_TRACE_ENTER(m_logger, "SignBlobSSL");
    if (out == nullptr || outLength == nullptr)
        return leave("SignBlobSSL", kNoOutput);
    CPkcs7tool tool;
    uint32_t length = 0;
    int32_t rc = vn_sign::buildSignedData(tool, data, dataLength, signingTime, cert, key, nAlgoID, attach, moreCerts,
                                          moreCertsCount, &length);
    if (rc == kLengthFailed)
        rc = kSignFailed;
    if (rc == 0)
        rc = vn_sign::finishSignedData(tool, key, out, outLength);
    return leave("SignBlobSSL", rc);
}

int32_t CSignMessage::SignBlobSSLForLength(unsigned char* data, uint32_t dataLength, unsigned char*,
                                           uint32_t* outLength, timeb* signingTime, X509* cert, uint32_t* key,
                                           int nAlgoID, bool attach, _ASN1_CERT_BLOB* moreCerts, int moreCertsCount) {
    VN_TRACE_ENTER(m_logger, "SignBlobSSLForLength");
    if (outLength == nullptr)
        return leave("SignBlobSSLForLength", kLengthFailed);
    CPkcs7tool tool;
    uint32_t length = 0;
    int32_t rc = vn_sign::buildSignedData(tool, data, dataLength, signingTime, cert, key, nAlgoID, attach, moreCerts,
                                          moreCertsCount, &length);
    if (rc != 0 && !isKeyCheckCode(rc))
        rc = kLengthFailed;
    if (rc == 0)
        *outLength = length;
    return leave("SignBlobSSLForLength", rc);
}
