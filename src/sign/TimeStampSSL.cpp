// CTimeStampSSL: the object and the request, laid out byte by byte from a fixed template.
#include "TimeStampSSL.h"

#include <openssl/rand.h>
#include <sys/sysinfo.h>

#include <cstring>

#include "TimeStampAlgos.h"
#include "asn1/DerTags.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"

using namespace vn_der;

using namespace vn_tsp;

log4cxx::LoggerPtr CTimeStampSSL::m_logger = vnLogger("VornCryptoSSL::CTimeStampSSL");

namespace {

const unsigned char kRequestVersion = 1;
const unsigned char kTrue = 0xFF;

// A positive INTEGER of exactly kNonceLength content bytes in its minimal form: the first
// byte from 01 to 7F. False when no random bytes could be drawn.
bool drawNonce(unsigned char* out) {
    if (RAND_bytes(out, kNonceLength) != 1)
        return false;
    out[0] &= 0x7F;
    if (out[0] == 0)
        out[0] = 1;
    return true;
}

}  // namespace

CTimeStampSSL::CTimeStampSSL(std::string url_, unsigned char* digest_, unsigned char digestLength_, int algo_)
    : algo(algo_ >= 0 && algo_ <= 0xFF ? static_cast<uint8_t>(algo_) : 0),
      digestLength(0),
      requestLength(0),
      responseLength(0),
      tokenLength(0),
      url(std::move(url_)),
      error(0) {
    LOG4CXX_INFO(m_logger, "CTimeStampSSL::CTimeStampSSL");
    if (digest_ && digestLength_ > 0) {
        digest.assign(digest_, digest_ + digestLength_);
        digestLength = digestLength_;
    }
}

CTimeStampSSL::~CTimeStampSSL() {}

void CTimeStampSSL::addElement(int position, unsigned char tag, unsigned char length) {
    addValue(position, tag);
    addValue(position + 1, length);
}

void CTimeStampSSL::addValue(int position, unsigned char value) {
    if (position >= 0 && static_cast<size_t>(position) < request.size())
        request[static_cast<size_t>(position)] = value;
}

int CTimeStampSSL::buildRequest() {
    VnLoggerTraceScope trace(m_logger, "CTimeStampSSL::buildRequest");
    request.clear();
    requestLength = 0;
    algo = imprintIndex(algo);
    const ImprintAlgo a = imprintAlgo(algo);
    const int h = a.hashLength;
    const int o = a.oidLength;
    // The imprint must be exactly the algorithm's hash: a shorter digest would be padded
    // with bytes that are not ours, a longer one cut to another value.
    if (digestLength != static_cast<uint32_t>(h)) {
        LOG4CXX_ERROR(m_logger, "digest of " << digestLength << " bytes for a hash of " << h << " bytes");
        return -1;
    }
    unsigned char nonce[kNonceLength];
    if (!drawNonce(nonce)) {
        LOG4CXX_ERROR(m_logger, "no random nonce");
        return -1;
    }

    request.assign(static_cast<size_t>(h + o + kRequestOverhead), 0);
    addElement(0, TAG_SEQUENCE, static_cast<unsigned char>(h + o + 26));
    addElement(2, TAG_INTEGER, 1);
    addValue(4, kRequestVersion);
    addElement(kImprintPosition, TAG_SEQUENCE, static_cast<unsigned char>(h + o + 8));
    addElement(7, TAG_SEQUENCE, static_cast<unsigned char>(o + 4));
    addElement(9, TAG_OID, static_cast<unsigned char>(o));
    for (int i = 0; i < o; ++i)
        addValue(11 + i, a.oid[i]);
    addElement(11 + o, TAG_NULL, 0);
    addElement(13 + o, TAG_OCTETSTRING, static_cast<unsigned char>(h));
    for (int i = 0; i < h; ++i)
        addValue(hashPosition(a) + i, digest[static_cast<size_t>(i)]);
    const int n = noncePosition(a);
    addElement(n, TAG_INTEGER, kNonceLength);
    for (int i = 0; i < kNonceLength; ++i)
        addValue(n + 2 + i, nonce[i]);
    addElement(25 + o + h, TAG_BOOLEAN, 1);
    addValue(27 + o + h, kTrue);
    requestLength = static_cast<int32_t>(request.size());
    return 0;
}

uint32_t GetTickCount() {
    struct sysinfo info;
    std::memset(&info, 0, sizeof(info));
    if (sysinfo(&info) != 0)
        return 0xFFFFFFFFu;
    return static_cast<uint32_t>(info.uptime);
}
