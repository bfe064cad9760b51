// CSignMessage: the timestamp settings and addTimestamp, which timestamps the signature value
// of finished signed data and inserts the token as the signer's unsigned attribute.
#include <cstring>
#include <vector>

#include "ASN1.h"
#include "Asn1Pkcs7.h"
#include "HashSSL.h"
#include "SignMessage.h"
#include "TimeStampAlgos.h"
#include "TimeStampSSL.h"
#include "infra/Loggers.h"
#include "sign/CadesInternal.h"
#include "sign/TimestampAttribute.h"

int32_t CSignMessage::m_cadesLevel = 0;
std::string CSignMessage::m_tsURL;

namespace {

log4cxx::LoggerPtr logger() {
    static log4cxx::LoggerPtr l = vnLogger("VornCryptoSSL.CSignMessage");
    return l;
}

// Room for the attribute wrapping around the token (25 bytes) and for enclosing lengths
// that need more length bytes afterwards.
const unsigned int kTimestampAttributeRoom = 64;
const size_t kDigestBuffer = 256;
// Imprint algorithm, as a HashBlob index (the request's index for the SHA digests): RIPEMD-160,
// MD5 and unknown values are timestamped with SHA-256, so that the imprint's algorithm and bytes
// match.
int imprintAlgo(int nAlgoID) {
    const vn_crypto::Algorithm& a = vn_crypto::algorithm_for_sign_id(nAlgoID);
    return static_cast<unsigned int>(a.blobIndex) < vn_tsp::kImprintAlgoCount
               ? a.blobIndex
               : vn_crypto::algorithm_of(vn_crypto::DigestKind::SHA256).blobIndex;
}

// Length of the signed data from its own outer header, bounded by the given length; 0 when it
// is no definite-length SEQUENCE inside it.
unsigned int encodedLength(const unsigned char* data, unsigned int length) {
    Asn1Header h;
    if (length == 0 || data[0] != 0x30 || !CASN1::readHeader(data, length, h) || h.indefinite || h.total() > length)
        return 0;
    return h.total();
}

// The signer's signature value as encoded, read by the PKCS#7 model from signed data whose
// header has at most three length bytes; empty when there is none.
std::vector<unsigned char> signatureValue(unsigned char* signedData, unsigned int length, int signerIndex) {
    constexpr unsigned int kLongestModelHeader = 5;
    Asn1Header h;
    std::vector<unsigned char> value;
    if (length == 0 || !CASN1::readHeader(signedData, length, h) || h.headerLength > kLongestModelHeader)
        return value;
    CAsn1_Pkcs7 p7(signedData, length);
    const CAsn1_OctetString* signature = p7.getError() ? nullptr : p7.getSignature(signerIndex, true);
    if (signature && signature->getBinaryDataLen() > 0)
        value.assign(signature->getBinaryData(), signature->getBinaryData() + signature->getBinaryDataLen());
    return value;
}

}  // namespace

void CSignMessage::setTSUrl(std::string url) { m_tsURL = std::move(url); }

void CSignMessage::setCAdES_Level(int level) {
    m_cadesLevel = level;
    vn_sign::set_baseline_level(VN_CADES_LEVEL_NONE);
}

int32_t CSignMessage::addTimestamp(unsigned char* signedData, unsigned int signedLength, unsigned int* capacity,
                                   int nAlgoID, int signerIndex) {
    try {
        VN_TRACE_ENTER(logger(), "addTimestamp");
        if (!signedData || !capacity || signedLength > *capacity) {
            LOG4CXX_ERROR(logger(), "leaving addTimestamp: " << SM_TS_NO_BUFFER);
            return SM_TS_NO_BUFFER;
        }
        const unsigned int length = encodedLength(signedData, signedLength);
        std::vector<unsigned char> signature = signatureValue(signedData, length, signerIndex);
        if (signature.empty()) {
            LOG4CXX_ERROR(logger(), "no signed data found");
            return SM_TS_NO_SIGNATURE;
        }

        const int algo = imprintAlgo(nAlgoID);
        unsigned char digest[kDigestBuffer] = {0};
        int digestLength = 0;
        CHashSSL::HashBlob(signature.data(), static_cast<unsigned int>(signature.size()), algo, digest, &digestLength);

        LOG4CXX_DEBUG(logger(), "ceate CTimeStampSSL");
        CTimeStampSSL ts(m_tsURL, digest, static_cast<unsigned char>(digestLength), algo);
        LOG4CXX_DEBUG(logger(), "send timestamp request");
        ts.sendRequest();
        LOG4CXX_DEBUG(logger(), "timestamp request error: " << ts.error);
        if (ts.error != 0)
            return ts.error;

        const unsigned int tokenLength = static_cast<unsigned int>(ts.token.size());
        LOG4CXX_DEBUG(logger(), "adding timestamp to pkcs#7");
        LOG4CXX_DEBUG(logger(), "tstampSize:       " << tokenLength);
        LOG4CXX_DEBUG(logger(), "pkcs7BlockLen:    " << signedLength);
        // The token goes into a copy first, so that the grown size is known before a single
        // byte of the caller's buffer moves.
        std::vector<unsigned char> grown(signedData, signedData + length);
        grown.resize(static_cast<size_t>(length) + tokenLength + kTimestampAttributeRoom);
        unsigned int newLength = length;
        if (!vn_sign::insert_timestamp_token(grown.data(), &newLength, ts.token.data(), tokenLength,
                                             static_cast<unsigned int>(grown.size()))) {
            LOG4CXX_ERROR(logger(), "timestamp could not be inserted");
            return SM_TS_NO_BUFFER;
        }
        LOG4CXX_DEBUG(logger(), "pkcs7BlockLenOut: " << newLength);
        if (newLength > *capacity) {
            LOG4CXX_ERROR(logger(), "timestamp to int32_t: " << newLength);
            *capacity = signedLength;
            return SM_TS_NO_ROOM;
        }
        std::memcpy(signedData, grown.data(), newLength);
        *capacity = newLength;
        VN_TRACE_LEAVE(logger(), "addTimestamp");
        return 0;
    } catch (...) {
        return SM_TS_NO_BUFFER;
    }
}
