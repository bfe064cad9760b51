// The SignedData of a CAdES signature taken apart into its DER items and put together
// again. Only the enclosing lengths (and the SignedData version) are written anew; every
// item inside, the signed attributes and the signature value above all, is copied as read.
#include <cstring>

#include "asn1/DerTags.h"
#include "asn1/OidTable.h"
#include "asn1/Pkcs7Der.h"
#include "sign/CadesAttributes.h"
#include "sign/CadesInternal.h"

using namespace vn_der;

namespace vn_sign {

namespace {

constexpr uint8_t TAG_IMPLICIT_SIGNED_ATTRS = vn_der::TAG_CONTEXT_0;
constexpr uint8_t TAG_IMPLICIT_UNSIGNED_ATTRS = vn_der::TAG_CONTEXT_1;
constexpr uint8_t INDEFINITE_LENGTH = 0x80;
// A SignedData version must be 5 when other revocation information is present (RFC 5652).
constexpr int VERSION_WITH_OTHER_REVOCATION = 5;
constexpr uint8_t TAG_OTHER_REVOCATION = vn_der::TAG_CONTEXT_1;

Bytes whole(const pkcs7der::Item& item) { return Bytes(item.p, item.p + item.total); }

bool definite(const pkcs7der::Item& item) { return item.total >= 2 && item.p[1] != INDEFINITE_LENGTH; }

// The children of item, each whole; false on any malformed or indefinite child.
bool childrenOf(const pkcs7der::Item& item, std::vector<Bytes>& out) {
    pkcs7der::Children c(item);
    pkcs7der::Item child;
    while (c.next(child)) {
        if (!definite(child))
            return false;
        out.push_back(whole(child));
    }
    return !c.bad();
}

bool splitSigner(const pkcs7der::Item& item, SignerInfoParts& s) {
    pkcs7der::Children c(item);
    pkcs7der::Item version, sid, digest, next, algorithm, signature;
    if (!c.expect(TAG_INTEGER, version) || !c.next(sid) || !c.expect(TAG_SEQUENCE, digest) || !c.next(next))
        return false;
    s.version = whole(version);
    s.sid = whole(sid);
    s.digestAlgorithm = whole(digest);
    if (next.tag == TAG_IMPLICIT_SIGNED_ATTRS) {
        s.signedAttrs = whole(next);
        if (!c.next(next))
            return false;
    }
    algorithm = next;
    if (algorithm.tag != TAG_SEQUENCE || !c.expect(0x04, signature))
        return false;
    s.signatureAlgorithm = whole(algorithm);
    s.signature = whole(signature);
    pkcs7der::Item unsignedAttrs;
    if (c.next(unsignedAttrs)) {
        if (unsignedAttrs.tag != TAG_IMPLICIT_UNSIGNED_ATTRS || !definite(unsignedAttrs) ||
            !childrenOf(unsignedAttrs, s.unsignedAttrs))
            return false;
    }
    return c.atEnd() && !c.bad();
}

int versionOf(const pkcs7der::Item& item) { return item.contentLength == 1 ? item.content[0] : -1; }

}  // namespace

Bytes tlv(uint8_t tag, const Bytes& content) {
    Bytes out;
    pkcs7der::appendTlv(out, tag, content);
    return out;
}

bool split_signed_data(const uint8_t* data, size_t length, SignedDataParts& out) {
    out = SignedDataParts();
    pkcs7der::Item contentInfo, type, explicitContent, signedData;
    if (!data || !pkcs7der::read(data, length, contentInfo) || contentInfo.tag != TAG_SEQUENCE ||
        contentInfo.total != length || !definite(contentInfo))
        return false;
    pkcs7der::Children top(contentInfo);
    if (!top.expect(TAG_OID, type) || !top.expect(TAG_CONTEXT_0, explicitContent) || !definite(explicitContent) ||
        !top.atEnd())
        return false;
    out.contentType = whole(type);
    pkcs7der::Children inner(explicitContent);
    if (!inner.expect(TAG_SEQUENCE, signedData) || !definite(signedData) || !inner.atEnd())
        return false;
    pkcs7der::Children c(signedData);
    pkcs7der::Item version, digests, encap, next;
    if (!c.expect(TAG_INTEGER, version) || !c.expect(TAG_SET, digests) || !c.expect(TAG_SEQUENCE, encap) ||
        !c.next(next))
        return false;
    out.version = versionOf(version);
    out.digestAlgorithms = whole(digests);
    out.encapContentInfo = whole(encap);
    if (next.tag == TAG_CONTEXT_0) {
        if (!definite(next) || !childrenOf(next, out.certificates) || !c.next(next))
            return false;
    }
    if (next.tag == TAG_CONTEXT_1) {
        if (!definite(next) || !childrenOf(next, out.crls) || !c.next(next))
            return false;
    }
    if (next.tag != TAG_SET || !definite(next) || !c.atEnd() || c.bad())
        return false;
    pkcs7der::Children signers(next);
    pkcs7der::Item signer;
    while (signers.next(signer)) {
        SignerInfoParts s;
        if (signer.tag != TAG_SEQUENCE || !definite(signer) || !splitSigner(signer, s))
            return false;
        out.signers.push_back(std::move(s));
    }
    return !signers.bad() && out.version >= 0 && !out.signers.empty();
}

Bytes join_signer_info(const SignerInfoParts& s) {
    Bytes content;
    for (const Bytes* b : {&s.version, &s.sid, &s.digestAlgorithm, &s.signedAttrs, &s.signatureAlgorithm, &s.signature})
        content.insert(content.end(), b->begin(), b->end());
    if (!s.unsignedAttrs.empty()) {
        Bytes attrs;
        for (const Bytes& a : s.unsignedAttrs)
            attrs.insert(attrs.end(), a.begin(), a.end());
        const Bytes wrapped = tlv(TAG_IMPLICIT_UNSIGNED_ATTRS, attrs);
        content.insert(content.end(), wrapped.begin(), wrapped.end());
    }
    return tlv(TAG_SEQUENCE, content);
}

Bytes join_signed_data(const SignedDataParts& p) {
    Bytes content;
    int version = p.version;
    for (const Bytes& r : p.crls)
        if (!r.empty() && r[0] == TAG_OTHER_REVOCATION && version < VERSION_WITH_OTHER_REVOCATION)
            version = VERSION_WITH_OTHER_REVOCATION;
    const Bytes versionItem = tlv(TAG_INTEGER, Bytes{static_cast<uint8_t>(version)});
    content.insert(content.end(), versionItem.begin(), versionItem.end());
    content.insert(content.end(), p.digestAlgorithms.begin(), p.digestAlgorithms.end());
    content.insert(content.end(), p.encapContentInfo.begin(), p.encapContentInfo.end());
    for (const auto& [tag, items] :
         {std::make_pair(TAG_CONTEXT_0, &p.certificates), std::make_pair(TAG_CONTEXT_1, &p.crls)}) {
        if (items->empty())
            continue;
        Bytes set;
        for (const Bytes& b : *items)
            set.insert(set.end(), b.begin(), b.end());
        const Bytes wrapped = tlv(tag, set);
        content.insert(content.end(), wrapped.begin(), wrapped.end());
    }
    Bytes signers;
    for (const SignerInfoParts& s : p.signers) {
        const Bytes one = join_signer_info(s);
        signers.insert(signers.end(), one.begin(), one.end());
    }
    const Bytes signerSet = tlv(TAG_SET, signers);
    content.insert(content.end(), signerSet.begin(), signerSet.end());
    Bytes info = p.contentType;
    const Bytes explicitContent = tlv(TAG_CONTEXT_0, tlv(TAG_SEQUENCE, content));
    info.insert(info.end(), explicitContent.begin(), explicitContent.end());
    return tlv(TAG_SEQUENCE, info);
}

bool attribute_has_oid(const Bytes& attribute, const Bytes& oid) {
    pkcs7der::Item seq, type;
    if (!pkcs7der::read(attribute.data(), attribute.size(), seq) || seq.tag != TAG_SEQUENCE)
        return false;
    pkcs7der::Children c(seq);
    return c.expect(TAG_OID, type) && type.total == oid.size() && std::memcmp(type.p, oid.data(), oid.size()) == 0;
}

std::vector<Bytes> attribute_values(const Bytes& attribute) {
    std::vector<Bytes> out;
    pkcs7der::Item seq, type, values;
    if (!pkcs7der::read(attribute.data(), attribute.size(), seq) || seq.tag != TAG_SEQUENCE)
        return out;
    pkcs7der::Children c(seq);
    if (c.expect(TAG_OID, type) && c.expect(TAG_SET, values) && !childrenOf(values, out))
        out.clear();
    return out;
}

Bytes make_attribute(const Bytes& oid, const Bytes& value) {
    Bytes content = oid;
    const Bytes set = tlv(TAG_SET, value);
    content.insert(content.end(), set.begin(), set.end());
    return tlv(TAG_SEQUENCE, content);
}

int level_of(const SignedDataParts& parts) { return level_of_signer(parts, 0); }

int level_of_signer(const SignedDataParts& parts, size_t index) {
    if (index >= parts.signers.size())
        return VN_CADES_LEVEL_NONE;
    return cades_level_of(parts.signers[index].unsignedAttrs, !parts.crls.empty());
}

}  // namespace vn_sign
