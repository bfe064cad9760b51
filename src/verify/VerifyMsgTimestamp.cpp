// Timestamp tokens: the token's own signature, the TSA certificate (a chain to the trust
// anchors at the token's genTime and a critical extended key usage of id-kp-timeStamping
// alone) and the message imprint against the data the token is meant to cover.
#include <openssl/err.h>

#include <cstdint>
#include <cstring>

#include "VerifyMsg.h"
#include "verify/CrlInternal.h"
#include "verify/VerifyInternal.h"

namespace vn_verify {

namespace {

const char kFormatFailure[] = "FORMAT_FAILURE";
const char kSigCryptoFailure[] = "SIG_CRYPTO_FAILURE";
const char kHashFailure[] = "HASH_FAILURE";
const char kNoChain[] = "NO_CERTIFICATE_CHAIN_FOUND";
const char kChainConstraints[] = "CHAIN_CONSTRAINTS_FAILURE";
const char kNoSigningCertificate[] = "NO_SIGNING_CERTIFICATE_FOUND";
// Read at most this much TSTInfo from a token.
const int kMaxTstInfo = 64 * 1024;

// clang-format off
const int kUntrustedErrors[] = {
    X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT, X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY,
    X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT, X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN,
    X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE, X509_V_ERR_CERT_UNTRUSTED,
};
// clang-format on

CTimestampCheck failed(CTimestampCheck c, const char* sub, const std::string& reason) {
    c.verified = false;
    c.subIndication = sub;
    c.reason = reason;
    return c;
}

bool untrusted(int error) {
    for (int e : kUntrustedErrors)
        if (e == error)
            return true;
    return false;
}

// The TSA certificate must carry id-kp-timeStamping as its only, critical, extended key usage.
bool timestampingOnly(X509* tsa) {
    const int index = X509_get_ext_by_NID(tsa, NID_ext_key_usage, -1);
    if (index < 0 || X509_EXTENSION_get_critical(X509_get_ext(tsa, index)) != 1)
        return false;
    return X509_get_extended_key_usage(tsa) == XKU_TIMESTAMP;
}

// The chain of the TSA certificate at genTime; empty when it holds, else why not.
std::string tsaChainProblem(X509* tsa, STACK_OF(X509) * untrustedCerts, X509_STORE* store, time_t genTime,
                            const char*& sub) {
    if (!timestampingOnly(tsa)) {
        sub = kChainConstraints;
        return "the TSA certificate lacks a critical extended key usage of id-kp-timeStamping alone";
    }
    StoreCtxPtr ctx(X509_STORE_CTX_new());
    if (store == nullptr || !ctx || X509_STORE_CTX_init(ctx.get(), store, tsa, untrustedCerts) != 1) {
        sub = kNoChain;
        return "no trusted certificates to check the TSA with";
    }
    X509_STORE_CTX_set_purpose(ctx.get(), X509_PURPOSE_TIMESTAMP_SIGN);
    X509_STORE_CTX_set_time(ctx.get(), 0, genTime);
    std::vector<int> errors;
    X509_STORE_CTX_set_verify_cb(ctx.get(), recordingCallback);
    X509_STORE_CTX_set_app_data(ctx.get(), &errors);
    if (X509_verify_cert(ctx.get()) <= 0 && errors.empty())
        errors.push_back(X509_STORE_CTX_get_error(ctx.get()));
    ERR_clear_error();
    for (int e : errors) {
        if (e == X509_V_OK)
            continue;
        sub = untrusted(e) ? kNoChain : kChainConstraints;
        return std::string("the TSA certificate does not verify: ") + X509_verify_cert_error_string(e);
    }
    return "";
}

}  // namespace

CTimestampCheck checkTimestamp(const unsigned char* token, size_t tokenLength, const unsigned char* data,
                               size_t dataLength, X509_STORE* store, const char* dataName,
                               const std::vector<unsigned char>* sha256) {
    CTimestampCheck c;
    const unsigned char* p = token;
    CmsPtr cms(token != nullptr && tokenLength > 0 && tokenLength < static_cast<size_t>(INT32_MAX)
                   ? d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(tokenLength))
                   : nullptr);
    if (!cms || OBJ_obj2nid(CMS_get0_type(cms.get())) != NID_pkcs7_signed ||
        OBJ_obj2nid(CMS_get0_eContentType(cms.get())) != NID_id_smime_ct_TSTInfo) {
        ERR_clear_error();
        return failed(c, kFormatFailure, "the token is not a timestamp token");
    }
    // The TSTInfo as signed, for the imprint and the time.
    ASN1_OCTET_STRING** content = CMS_get0_content(cms.get());
    if (content == nullptr || *content == nullptr || ASN1_STRING_length(*content) > kMaxTstInfo)
        return failed(c, kFormatFailure, "the token carries no TSTInfo");
    const unsigned char* q = ASN1_STRING_get0_data(*content);
    TstInfoPtr info(d2i_TS_TST_INFO(nullptr, &q, ASN1_STRING_length(*content)));
    if (!info) {
        ERR_clear_error();
        return failed(c, kFormatFailure, "the token's TSTInfo cannot be read");
    }
    c.genTime = vn_crl::utcSeconds(TS_TST_INFO_get_time(info.get()));

    X509StackPtr certs(CMS_get1_certs(cms.get()));
    if (CMS_set1_signers_certs(cms.get(), nullptr, 0) <= 0 ||
        sk_CMS_SignerInfo_num(CMS_get0_SignerInfos(cms.get())) != 1) {
        ERR_clear_error();
        return failed(c, kNoSigningCertificate, "the TSA certificate is not in the token");
    }
    CMS_SignerInfo* si = sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(cms.get()), 0);
    X509* tsa = nullptr;
    CMS_SignerInfo_get0_algs(si, nullptr, &tsa, nullptr, nullptr);
    if (tsa == nullptr)
        return failed(c, kNoSigningCertificate, "the TSA certificate is not in the token");
    c.tsa = nameText(X509_get_subject_name(tsa));
    c.tsaNotAfter = vn_crl::utcSeconds(X509_get0_notAfter(tsa));

    // The token's signature over its signed attributes, and their digest of the TSTInfo.
    BioPtr sink(BIO_new(BIO_s_null()));
    const bool signatureOk = sink && CMS_verify(cms.get(), nullptr, nullptr, nullptr, sink.get(),
                                                CMS_NO_SIGNER_CERT_VERIFY | CMS_BINARY) == 1;
    ERR_clear_error();
    if (!signatureOk)
        return failed(c, kSigCryptoFailure, "the token's signature does not verify");

    TS_MSG_IMPRINT* imprint = TS_TST_INFO_get_msg_imprint(info.get());
    X509_ALGOR* algorithm = TS_MSG_IMPRINT_get_algo(imprint);
    const ASN1_OBJECT* object = nullptr;
    if (algorithm != nullptr)
        X509_ALGOR_get0(&object, nullptr, nullptr, algorithm);
    const EVP_MD* md = object != nullptr ? EVP_get_digestbyobj(object) : nullptr;
    if (md == nullptr)
        return failed(c, kFormatFailure, "the token's imprint algorithm is not known");
    c.hashAlgorithm = OBJ_nid2sn(EVP_MD_get_type(md));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    ASN1_OCTET_STRING* expected = TS_MSG_IMPRINT_get_msg(imprint);
    if (sha256 != nullptr && EVP_MD_get_type(md) == NID_sha256 && sha256->size() <= sizeof(digest)) {
        std::memcpy(digest, sha256->data(), sha256->size());
        digestLength = static_cast<unsigned int>(sha256->size());
    } else if (sha256 != nullptr) {
        return failed(c, kFormatFailure, "the token's imprint algorithm is not SHA-256");
    }
    if ((sha256 == nullptr && EVP_Digest(data, dataLength, digest, &digestLength, md, nullptr) != 1) ||
        expected == nullptr || ASN1_STRING_length(expected) != static_cast<int>(digestLength) ||
        std::memcmp(ASN1_STRING_get0_data(expected), digest, digestLength) != 0)
        return failed(c, kHashFailure, std::string("the token's imprint is not the hash of ") + dataName);

    const char* sub = kNoChain;
    const std::string problem = tsaChainProblem(tsa, certs.get(), store, c.genTime, sub);
    if (!problem.empty())
        return failed(c, sub, problem);
    c.verified = true;
    return c;
}

}  // namespace vn_verify

CTimestampCheck CVerifyMsg::CheckTimestampToken(const unsigned char* token, size_t tokenLen, const unsigned char* data,
                                                size_t dataLen, const char* CAfile, const char* CApath) {
    try {
        X509_STORE* raw = nullptr;
        if (setup_verify(vn_verify::errorBio(), CAfile, CApath, &raw) != 1) {
            CTimestampCheck c;
            c.subIndication = "NO_CERTIFICATE_CHAIN_FOUND";
            c.reason = "the trusted certificates cannot be loaded";
            return c;
        }
        vn_ossl::StorePtr store(raw);
        return vn_verify::checkTimestamp(token, tokenLen,
                                         data != nullptr ? data : reinterpret_cast<const unsigned char*>(""), dataLen,
                                         store.get(), "the given data");
    } catch (...) {
        CTimestampCheck c;
        c.subIndication = "FORMAT_FAILURE";
        c.reason = "internal failure";
        return c;
    }
}
