// The CAdES baseline levels by name, the named level of new signatures, and extending an
// existing signature to a higher level.
#include "CadesLevel.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "SignMessage.h"
#include "TimeStampSSL.h"
#include "asn1/OidTable.h"
#include "infra/Loggers.h"
#include "sign/CadesInternal.h"

namespace {

struct LevelRow {
    int level;
    const char* name;
};
const LevelRow kLevels[] = {
    {VN_CADES_B_B, "B-B"},
    {VN_CADES_B_T, "B-T"},
    {VN_CADES_B_LT, "B-LT"},
    {VN_CADES_B_LTA, "B-LTA"},
};

int g_baselineLevel = VN_CADES_LEVEL_NONE;
std::string g_caFile;

// The imprint of a signature timestamp added by extending: SHA-256.
const int kTimestampDigest = VN_SIGN_SHA256;

log4cxx::LoggerPtr logger() {
    static log4cxx::LoggerPtr l = vnLogger("VornCryptoSSL.Cades");
    return l;
}

bool hasSignatureTimestamp(const vn_sign::SignerInfoParts& signer) {
    const vn_sign::Bytes oid = vn_asn1::oid_der("id-aa-signatureTimeStampToken");
    return std::any_of(signer.unsignedAttrs.begin(), signer.unsignedAttrs.end(),
                       [&oid](const vn_sign::Bytes& a) { return vn_sign::attribute_has_oid(a, oid); });
}

// The timestamp service address for the time of one call, set back afterwards.
class TsaUrlScope {
public:
    explicit TsaUrlScope(const std::string& url) : saved_(CSignMessage::m_tsURL) { CSignMessage::setTSUrl(url); }
    ~TsaUrlScope() { CSignMessage::setTSUrl(saved_); }
    TsaUrlScope(const TsaUrlScope&) = delete;
    TsaUrlScope& operator=(const TsaUrlScope&) = delete;

private:
    std::string saved_;
};

// A signature timestamp over the first signer's signature value.
int32_t addSignatureTimestamp(vn_sign::SignedDataParts& parts, const std::string& tsaUrl) {
    vn_sign::Bytes der = vn_sign::join_signed_data(parts);
    const unsigned int length = static_cast<unsigned int>(der.size());
    der.resize(der.size() + MAX_TS_ADD_SIZE);
    unsigned int capacity = static_cast<unsigned int>(der.size());
    int32_t rc;
    {
        TsaUrlScope scope(tsaUrl);
        rc = CSignMessage::addTimestamp(der.data(), length, &capacity, kTimestampDigest, 0);
    }
    if (rc != 0)
        return rc;
    der.resize(capacity);
    return vn_sign::split_signed_data(der.data(), der.size(), parts) ? 0 : VN_CADES_NOT_SIGNED_DATA;
}

int32_t extend(const std::vector<uint8_t>& in, int toLevel, const CCadesExtendOptions& options,
               std::vector<uint8_t>& out, CCadesExtendResult& result) {
    vn_sign::SignedDataParts parts;
    if (!vn_sign::split_signed_data(in.data(), in.size(), parts) || parts.signers.size() != 1) {
        result.message = "not a DER CMS signed data with one signer";
        return VN_CADES_NOT_SIGNED_DATA;
    }
    result.levelBefore = vn_sign::level_of(parts);
    if (toLevel < VN_CADES_B_T || toLevel > VN_CADES_B_LTA) {
        result.message = "extending goes to B-T, B-LT or B-LTA";
        return VN_CADES_NOT_BUILT;
    }
    if (result.levelBefore > toLevel) {
        result.message = std::string("the signature is already ") + vn_cades_level_name(result.levelBefore);
        return VN_CADES_LOWER_LEVEL;
    }
    if (!hasSignatureTimestamp(parts.signers.front())) {
        if (options.tsaUrl.empty()) {
            result.message = "a signature timestamp is needed: no timestamp service given";
            return VN_CADES_NO_TSA;
        }
        const int32_t rc = addSignatureTimestamp(parts, options.tsaUrl);
        if (rc != 0) {
            result.message = "no signature timestamp (" + std::to_string(rc) + "): " + TimeStampFailureText();
            return rc;
        }
    }
    if (toLevel >= VN_CADES_B_LT) {
        const int32_t rc = vn_sign::add_long_term_evidence(parts, options, result);
        if (rc != 0)
            return rc;
    }
    if (toLevel == VN_CADES_B_LTA) {
        const int32_t rc = vn_sign::add_archive_timestamp(parts, options, result);
        if (rc != 0)
            return rc;
    }
    out = vn_sign::join_signed_data(parts);
    result.levelAfter = vn_sign::level_of(parts);
    return 0;
}

}  // namespace

namespace vn_sign {

void set_baseline_level(int level) { g_baselineLevel = level; }
int baseline_level() { return g_baselineLevel; }
const std::string& cades_ca_file() { return g_caFile; }

int32_t add_evidence_to(Bytes& signedData, int level, const std::string& tsaUrl, const std::string& contentFile) {
    SignedDataParts parts;
    if (!split_signed_data(signedData.data(), signedData.size(), parts))
        return VN_CADES_NOT_SIGNED_DATA;
    CCadesExtendOptions options;
    options.caFile = g_caFile;
    options.tsaUrl = tsaUrl;
    options.contentFile = contentFile;
    CCadesExtendResult result;
    int32_t rc = add_long_term_evidence(parts, options, result);
    if (rc == 0 && level >= VN_CADES_B_LTA)
        rc = add_archive_timestamp(parts, options, result);
    for (const std::string& note : result.notes)
        LOG4CXX_INFO(logger(), "evidence: " << note);
    if (rc != 0) {
        LOG4CXX_ERROR(logger(),
                      "not extended to " << vn_cades_level_name(level) << " (" << rc << "): " << result.message);
        return rc;
    }
    signedData = join_signed_data(parts);
    return 0;
}

}  // namespace vn_sign

int vn_cades_level_from_name(const char* name) {
    if (!name)
        return VN_CADES_LEVEL_NONE;
    for (const LevelRow& r : kLevels)
        if (std::strcmp(r.name, name) == 0)
            return r.level;
    return VN_CADES_LEVEL_NONE;
}

const char* vn_cades_level_name(int level) {
    for (const LevelRow& r : kLevels)
        if (r.level == level)
            return r.name;
    return "";
}

int vn_cades_level_of(const std::vector<uint8_t>& signedData) {
    try {
        vn_sign::SignedDataParts parts;
        if (!vn_sign::split_signed_data(signedData.data(), signedData.size(), parts))
            return VN_CADES_LEVEL_NONE;
        return vn_sign::level_of(parts);
    } catch (...) {
        return VN_CADES_LEVEL_NONE;
    }
}

int32_t vn_cades_extend(const std::vector<uint8_t>& in, int toLevel, const CCadesExtendOptions& options,
                        std::vector<uint8_t>& out, CCadesExtendResult* result) {
    CCadesExtendResult local;
    CCadesExtendResult& r = result ? *result : local;
    r = CCadesExtendResult();
    try {
        r.code = extend(in, toLevel, options, out, r);
    } catch (...) {
        r.code = VN_CADES_NOT_SIGNED_DATA;
        r.message = "out of memory";
    }
    if (r.code != 0)
        LOG4CXX_ERROR(logger(), "extending failed (" << r.code << "): " << r.message);
    return r.code;
}

int32_t CSignMessage::setCAdES_LevelName(const char* name) {
    const int level = vn_cades_level_from_name(name);
    if (level == VN_CADES_LEVEL_NONE)
        return -1;
    m_cadesLevel = 0;
    g_baselineLevel = level;
    return 0;
}

void CSignMessage::setCAdES_CaFile(std::string path) { g_caFile = std::move(path); }
