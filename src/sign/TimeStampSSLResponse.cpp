// CTimeStampSSL::extractTimestamp: reads the TimeStampResp with the library's DER reader and
// accepts the token only when it was granted for this very request.
#include <algorithm>
#include <cstring>
#include <string>

#include "ASN1.h"
#include "TimeStampAlgos.h"
#include "TimeStampSSL.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"

using namespace vn_tsp;

namespace {

const size_t kShortestResponse = 9;  // an answer of 8 bytes or fewer cannot hold a status
const size_t kLongestToken = 63999;

const unsigned char kOidSignedData[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};
const unsigned char kOidTstInfo[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x10, 0x01, 0x04};

enum : uint8_t {
    kBoolean = 0x01,
    kInteger = 0x02,
    kOctetString = 0x04,
    kNull = 0x05,
    kOid = 0x06,
    kGeneralizedTime = 0x18,
    kSequence = 0x30,
    kSet = 0x31,
    kContext0 = 0xA0
};

// One DER item inside a bounded buffer.
struct Item {
    uint8_t tag = 0;
    const unsigned char* start = nullptr;
    size_t total = 0;
    const unsigned char* content = nullptr;
    size_t length = 0;

    bool is(const unsigned char* bytes, size_t n) const { return length == n && std::memcmp(content, bytes, n) == 0; }
};

// The items of one level, in order. Only definite lengths (a timestamp answer is DER).
class Items {
public:
    Items(const unsigned char* p, size_t n) : m_p(p), m_end(p + n) {}
    explicit Items(const Item& parent) : Items(parent.content, parent.length) {}

    bool atEnd() const { return m_p == m_end; }
    // Next item with the given tag; false at the end, on another tag or a malformed item.
    bool next(uint8_t tag, Item& out) { return peek(out) && out.tag == tag && advance(out); }
    // Skips the next item when it has the given tag.
    void skipIf(uint8_t tag) {
        Item i;
        if (peek(i) && i.tag == tag)
            advance(i);
    }

private:
    bool peek(Item& out) const {
        Asn1Header h;
        const size_t avail = static_cast<size_t>(m_end - m_p);
        if (avail == 0 || !CASN1::readHeader(m_p, avail, h) || h.indefinite || h.total() > avail)
            return false;
        out.tag = h.tag;
        out.start = m_p;
        out.total = h.total();
        out.content = m_p + h.headerLength;
        out.length = h.contentLength;
        return true;
    }
    bool advance(const Item& i) {
        m_p = i.start + i.total;
        return true;
    }

    const unsigned char* m_p;
    const unsigned char* m_end;
};

const uint8_t kUtf8String = 0x0C;
// Longest status text taken from a refusal into the failure text.
const size_t kLongestStatusText = 200;

// PKIStatusInfo: status 0 (granted) only; statusString and failInfo may follow. Otherwise
// the status and the service's first status text go into why.
bool granted(const Item& statusInfo, std::string& why) {
    Items in(statusInfo);
    Item status;
    if (!in.next(kInteger, status) || status.length == 0) {
        why = "the timestamp service's answer has no status";
        return false;
    }
    if (status.length == 1 && status.content[0] == 0)
        return true;
    why = "the timestamp service refused (status " + std::to_string(status.length == 1 ? status.content[0] : -1) + ")";
    Item texts, text;
    if (in.next(kSequence, texts)) {
        Items t(texts);
        if (t.next(kUtf8String, text)) {
            std::string s(reinterpret_cast<const char*>(text.content), std::min(text.length, kLongestStatusText));
            for (char& c : s)
                if (static_cast<unsigned char>(c) < 0x20)
                    c = ' ';
            why += ": " + s;
        }
    }
    return false;
}

// The TSTInfo DER inside a timestamp token (ContentInfo with SignedData).
bool tstInfoOf(const Item& tokenItem, Item& tstInfo) {
    Items ci(tokenItem);
    Item type, wrapper, signedData, version, digestAlgos, encap;
    if (!ci.next(kOid, type) || !type.is(kOidSignedData, sizeof(kOidSignedData)) || !ci.next(kContext0, wrapper))
        return false;
    Items w(wrapper);
    if (!w.next(kSequence, signedData))
        return false;
    Items sd(signedData);
    if (!sd.next(kInteger, version) || !sd.next(kSet, digestAlgos) || !sd.next(kSequence, encap))
        return false;
    Items e(encap);
    Item contentType, explicitContent, octets;
    if (!e.next(kOid, contentType) || !contentType.is(kOidTstInfo, sizeof(kOidTstInfo)) ||
        !e.next(kContext0, explicitContent))
        return false;
    Items x(explicitContent);
    if (!x.next(kOctetString, octets))
        return false;
    Items t(octets.content, octets.length);
    return t.next(kSequence, tstInfo) && t.atEnd();
}

// messageImprint: the algorithm (parameters absent or NULL) and the hash that were asked for.
bool sameImprint(const Item& imprint, const ImprintAlgo& algo, const unsigned char* hash) {
    Items in(imprint);
    Item algorithm, hashed, oid, params;
    if (!in.next(kSequence, algorithm) || !in.next(kOctetString, hashed) || !in.atEnd())
        return false;
    Items a(algorithm);
    if (!a.next(kOid, oid) || !oid.is(algo.oid, algo.oidLength))
        return false;
    if (!a.atEnd() && (!a.next(kNull, params) || params.length != 0 || !a.atEnd()))
        return false;
    return hashed.is(hash, algo.hashLength);
}

// TSTInfo: version, policy, messageImprint, serialNumber, genTime, accuracy OPTIONAL,
// ordering DEFAULT FALSE, nonce OPTIONAL, ... TS_REASON_NONE when it answers this request.
int matchesRequest(const Item& tstInfo, const ImprintAlgo& algo, const unsigned char* hash,
                   const unsigned char* nonce) {
    Items in(tstInfo);
    Item version, policy, imprint, serial, genTime, tokenNonce;
    if (!in.next(kInteger, version) || !in.next(kOid, policy) || !in.next(kSequence, imprint) ||
        !in.next(kInteger, serial) || !in.next(kGeneralizedTime, genTime))
        return TS_REASON_MALFORMED;
    if (!sameImprint(imprint, algo, hash))
        return TS_REASON_IMPRINT;
    in.skipIf(kSequence);
    in.skipIf(kBoolean);
    return in.next(kInteger, tokenNonce) && tokenNonce.is(nonce, kNonceLength) ? TS_REASON_NONE : TS_REASON_NONCE;
}

}  // namespace

bool CTimeStampSSL::extractTimestamp() {
    VnLoggerTraceScope trace(m_logger, "CTimeStampSSL::extractTimestamp");
    token.clear();
    tokenLength = 0;
    bool ok = false;
    const ImprintAlgo a = imprintAlgo(algo);
    const size_t expectedRequest = static_cast<size_t>(a.hashLength + a.oidLength + kRequestOverhead);
    Items body(response.data(), response.size());
    Item resp, statusInfo, tokenItem, tstInfo;
    int reason = TS_REASON_MALFORMED;
    std::string why;
    if (response.size() < kShortestResponse) {
        why = "the timestamp service's answer of " + std::to_string(response.size()) + " bytes is too short";
    } else if (request.size() != expectedRequest) {
        why = "no timestamp request to match the answer with";
    } else if (!body.next(kSequence, resp) || !body.atEnd()) {
        why = "the timestamp service's answer is no timestamp response";
    } else {
        Items r(resp);
        if (!r.next(kSequence, statusInfo)) {
            why = "the timestamp service's answer has no status";
        } else if (!granted(statusInfo, why)) {
            reason = TS_REASON_REFUSED;
        } else if (!r.next(kSequence, tokenItem) || !r.atEnd() || tokenItem.total > kLongestToken) {
            why = "the timestamp service's answer holds no usable token";
        } else if (!tstInfoOf(tokenItem, tstInfo)) {
            why = "the timestamp token holds no TSTInfo";
        } else {
            reason =
                matchesRequest(tstInfo, a, request.data() + hashPosition(a), request.data() + noncePosition(a) + 2);
            if (reason == TS_REASON_IMPRINT)
                why = "the timestamp is for another hash (its imprint differs from the request)";
            else if (reason == TS_REASON_NONCE)
                why = "the timestamp carries another nonce than the request";
            else if (reason != TS_REASON_NONE)
                why = "the timestamp token's TSTInfo cannot be read";
            if (reason == TS_REASON_NONE) {
                token.assign(tokenItem.start, tokenItem.start + tokenItem.total);
                tokenLength = static_cast<int32_t>(token.size());
                ok = true;
            }
        }
    }
    if (!ok) {
        LOG4CXX_ERROR(m_logger, why);
        vn_tsp::setFailure(reason, why);
    }
    return ok;
}
