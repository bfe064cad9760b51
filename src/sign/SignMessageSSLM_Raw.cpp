// Bare signatures and decryption of one block with the card key.
#include "SignMessage.h"

#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <cstring>
#include <vector>

#include "infra/Loggers.h"
#include "infra/Secrets.h"
#include "sign/SignKeys.h"

using namespace vn_sign;

namespace {

const int32_t kFailed = -24;
const int32_t kNoOutput = -301;
// Largest RSA block the card layer handles (4096-bit key).
const uint32_t kMaxBlock = 512;

int32_t leave(const char* name, int32_t rc) {
    LOG4CXX_DEBUG(CSignMessage::m_logger, "leaving " << name << ": " << rc);
    return rc;
}

}  // namespace

int32_t CSignMessage::SignBlobSSLRaw(unsigned char* data, uint32_t dataLength, unsigned char* out, uint32_t* outLength,
                                     timeb*, X509*, uint32_t* key, int nAlgoID, int, bool isHash, bool allowPSS) {
    VN_TRACE_ENTER(m_logger, "SignBlobSSLRaw");
    if (out == nullptr || outLength == nullptr)
        return leave("SignBlobSSLRaw", kNoOutput);
    const bool p12 = isP12Key(key);
    if (key == nullptr)
        return leave("SignBlobSSLRaw", p12 ? kFailed : 255);
    if (dataLength > 0x7FFFFFFFu)
        return leave("SignBlobSSLRaw", p12 ? kFailed : 255);
    CPkcs7tool tool;
    const int32_t rc =
        tool.signItRaw(data, static_cast<int>(dataLength), key, out, outLength, nAlgoID, isHash, !allowPSS, p12);
    return leave("SignBlobSSLRaw", rc);
}

int32_t CSignMessage::RSADecryptBlobSSL(unsigned char* data, uint32_t dataLength, unsigned char* out,
                                        uint32_t* outLength, X509*, uint32_t* key, bool useOAEP) {
    VN_TRACE_ENTER(m_logger, "RSADecryptBlobSSL");
    if (out == nullptr || outLength == nullptr)
        return leave("RSADecryptBlobSSL", kNoOutput);
    if (key == nullptr || isP12Key(key) || data == nullptr || dataLength == 0 || dataLength > kMaxBlock)
        return leave("RSADecryptBlobSSL", kFailed);
    CPkcs7tool tool;
    vn_secret::WipedBytes block(kMaxBlock);
    uint32_t blockLength = kMaxBlock;
    // The card layer removes and checks the padding (OAEP with SHA-256 for both the hash
    // and MGF1 and an empty label, or PKCS#1 v1.5): the result is the message.
    if (tool.decryptBlob(data, static_cast<int>(dataLength), key, block.data(), &blockLength, useOAEP) != 0)
        return leave("RSADecryptBlobSSL", kFailed);
    if (*outLength < blockLength) {
        *outLength = blockLength;
        return leave("RSADecryptBlobSSL", kFailed);
    }
    std::memcpy(out, block.data(), blockLength);
    *outLength = blockLength;
    return leave("RSADecryptBlobSSL", 0);
}
