// Archive timestamps (archive-time-stamp-v3 with ats-hash-index-v3) of one signer: each
// token is verified as a timestamp (signature, authority's chain at its time), its imprint is
// recomputed from the bytes the signature holds now (content type, content, the signer's
// fields, the hash index as carried in the token), every item its index names must still be
// there, and each later archive timestamp must cover the timestamps before it. A token over
// other bytes is reported and never trusted.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "asn1/DerTags.h"
#include "asn1/OidTable.h"
#include "asn1/Pkcs7Der.h"
#include "crypto/Algorithms.h"
#include "sign/CadesInternal.h"
#include "verify/VerifyInternal.h"

using namespace vn_der;

namespace vn_verify {

namespace {

using vn_sign::Bytes;

const char kFormatFailure[] = "FORMAT_FAILURE";
const char kArchivedData[] = "the archived data";

bool readHashList(pkcs7der::Children& c, std::vector<Bytes>& out) {
    pkcs7der::Item list, hash;
    if (!c.expect(TAG_SEQUENCE, list))
        return false;
    pkcs7der::Children items(list);
    while (items.next(hash)) {
        if (hash.tag != TAG_OCTETSTRING)
            return false;
        out.emplace_back(hash.content, hash.content + hash.contentLength);
    }
    return !items.bad();
}

// ATSHashIndexV3 with SHA-256 (given or by default); why on failure.
bool readIndex(const Bytes& value, vn_sign::HashIndexItems& index, std::string& why) {
    pkcs7der::Item seq, first, algorithm;
    if (!pkcs7der::read(value.data(), value.size(), seq) || seq.tag != TAG_SEQUENCE) {
        why = "the hash index cannot be read";
        return false;
    }
    pkcs7der::Children c(seq);
    pkcs7der::Children probe(seq);
    if (probe.next(first) && first.tag == TAG_SEQUENCE) {
        pkcs7der::Children alg(first);
        if (alg.next(algorithm) && algorithm.tag == TAG_OID) {
            const Bytes sha = vn_asn1::oid_der(vn_crypto::algorithm_of(vn_crypto::DigestKind::SHA256).oidName);
            if (algorithm.total != sha.size() || !std::equal(sha.begin(), sha.end(), algorithm.p)) {
                why = "the hash index uses a hash algorithm other than SHA-256";
                return false;
            }
            c.next(first);  // the algorithm is consumed
        }
    }
    if (!readHashList(c, index.certificates) || !readHashList(c, index.crls) || !readHashList(c, index.unsignedAttrs)) {
        why = "the hash index cannot be read";
        return false;
    }
    return true;
}

bool allPresent(const std::vector<Bytes>& wanted, const std::vector<Bytes>& present) {
    for (const Bytes& w : wanted)
        if (std::find(present.begin(), present.end(), w) == present.end())
            return false;
    return true;
}

CTimestampCheck failed(const std::string& reason) {
    CTimestampCheck c;
    c.kind = "archive";
    c.subIndication = kFormatFailure;
    c.reason = reason;
    return c;
}

// One archive timestamp attribute (the k-th unsigned attribute of the signer).
CTimestampCheck checkOne(const vn_sign::SignedDataParts& parts, size_t signer, size_t k,
                         const vn_sign::ContentFeeder& content, X509_STORE* store) {
    const vn_sign::SignerInfoParts& s = parts.signers[signer];
    const std::vector<Bytes> values = vn_sign::attribute_values(s.unsignedAttrs[k]);
    vn_sign::SignedDataParts token;
    if (values.size() != 1 || !vn_sign::split_signed_data(values[0].data(), values[0].size(), token) ||
        token.signers.size() != 1)
        return failed("the archive timestamp token cannot be read");
    const Bytes indexOid = vn_asn1::oid_der("id-aa-ATSHashIndex-v3");
    const Bytes* indexAttribute = nullptr;
    for (const Bytes& a : token.signers[0].unsignedAttrs)
        if (vn_sign::attribute_has_oid(a, indexOid))
            indexAttribute = &a;
    const std::vector<Bytes> indexValues =
        indexAttribute ? vn_sign::attribute_values(*indexAttribute) : std::vector<Bytes>();
    if (indexValues.size() != 1)
        return failed("the archive timestamp carries no ats-hash-index-v3");
    vn_sign::HashIndexItems index;
    std::string why;
    if (!readIndex(indexValues[0], index, why))
        return failed(why);

    const vn_sign::HashIndexItems present = vn_sign::hash_index_items(parts, signer);
    const std::vector<Bytes>& attrs = present.unsignedAttrs;
    if (!allPresent(index.certificates, present.certificates))
        return failed("a certificate the archive timestamp covers is missing or changed");
    if (!allPresent(index.crls, present.crls))
        return failed("a revocation value the archive timestamp covers is missing or changed");
    if (!allPresent(index.unsignedAttrs, attrs))
        return failed("an unsigned attribute the archive timestamp covers is missing or changed");
    // Every timestamp before this one (signature and archive) must be covered by it.
    const Bytes signatureTs = vn_asn1::oid_der("id-aa-signatureTimeStampToken");
    const Bytes archiveTs = vn_asn1::oid_der("id-aa-ets-archiveTimestampV3");
    for (size_t j = 0; j < k; ++j) {
        const Bytes& a = s.unsignedAttrs[j];
        if ((vn_sign::attribute_has_oid(a, signatureTs) || vn_sign::attribute_has_oid(a, archiveTs)) &&
            std::find(index.unsignedAttrs.begin(), index.unsignedAttrs.end(), attrs[j]) == index.unsignedAttrs.end())
            return failed("the archive timestamp does not cover the timestamp before it");
    }

    Bytes digest;
    if (!vn_sign::archive_imprint_sha256(parts, signer, *indexAttribute, content, digest))
        return failed("the signed content is not available for the archive timestamp");
    CTimestampCheck c = checkTimestamp(values[0].data(), values[0].size(), nullptr, 0, store, kArchivedData, &digest);
    c.kind = "archive";
    return c;
}

}  // namespace

std::vector<CTimestampCheck> checkArchiveTimestamps(const vn_sign::SignedDataParts& parts, size_t signer,
                                                    const vn_sign::ContentFeeder& content, X509_STORE* store) {
    std::vector<CTimestampCheck> out;
    if (signer >= parts.signers.size())
        return out;
    const Bytes archiveTs = vn_asn1::oid_der("id-aa-ets-archiveTimestampV3");
    time_t previous = -1;
    for (size_t k = 0; k < parts.signers[signer].unsignedAttrs.size(); ++k) {
        if (!vn_sign::attribute_has_oid(parts.signers[signer].unsignedAttrs[k], archiveTs))
            continue;
        CTimestampCheck c = checkOne(parts, signer, k, content, store);
        if (c.verified && previous >= 0 && c.genTime < previous) {
            c.verified = false;
            c.subIndication = "TIMESTAMP_ORDER_FAILURE";
            c.reason = "the archive timestamp is older than the one before it";
        }
        if (c.verified)
            previous = c.genTime;
        out.push_back(c);
    }
    return out;
}

}  // namespace vn_verify
