// B-LTA: the archive-time-stamp-v3 of one signer and its ats-hash-index-v3. The index holds
// a SHA-256 hash of every certificate, every revocation value and every unsigned attribute of
// the signer as the SignedData stands when the timestamp is made; the timestamp's imprint is
// the hash of the content type, the content octets, the signer's version, sid, digest
// algorithm, signed attributes, signature algorithm and signature value, and the DER of the
// index attribute. The index goes into the token's own signer as an unsigned attribute, so
// the token stays what the authority signed.
#include <openssl/evp.h>

#include <cstdio>
#include <memory>

#include "SignMessage.h"
#include "TimeStampSSL.h"
#include "asn1/DerTags.h"
#include "asn1/OidTable.h"
#include "asn1/Pkcs7Der.h"
#include "crypto/Algorithms.h"
#include "infra/OpenSslPtr.h"
#include "sign/CadesInternal.h"

using namespace vn_der;

namespace vn_sign {

namespace {

constexpr size_t kSha256Length = 32;
// Pieces in which detached content is read for the imprint.
constexpr size_t kPiece = 64 * 1024;

Bytes sha256(const Bytes& data) {
    Bytes out(kSha256Length);
    unsigned int n = 0;
    EVP_Digest(data.data(), data.size(), out.data(), &n, EVP_sha256(), nullptr);
    return out;
}

Bytes concat(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes hashList(const std::vector<Bytes>& hashes) {
    std::vector<Bytes> items;
    for (const Bytes& h : hashes)
        items.push_back(tlv(TAG_OCTETSTRING, h));
    return tlv(TAG_SEQUENCE, concat(items));
}

}  // namespace

Bytes unsigned_attribute_hash_input(const Bytes& attribute) {
    pkcs7der::Item seq, type, values;
    if (!pkcs7der::read(attribute.data(), attribute.size(), seq) || seq.tag != TAG_SEQUENCE)
        return attribute;
    pkcs7der::Children c(seq);
    if (!c.expect(TAG_OID, type) || !c.expect(TAG_SET, values))
        return attribute;
    Bytes out(type.p, type.p + type.total);
    out.insert(out.end(), values.content, values.content + values.contentLength);
    return out;
}

HashIndexItems hash_index_items(const SignedDataParts& parts, size_t signer) {
    HashIndexItems items;
    for (const Bytes& c : parts.certificates)
        items.certificates.push_back(sha256(c));
    for (const Bytes& r : parts.crls)
        items.crls.push_back(sha256(r));
    for (const Bytes& a : parts.signers.at(signer).unsignedAttrs)
        items.unsignedAttrs.push_back(sha256(unsigned_attribute_hash_input(a)));
    return items;
}

Bytes ats_hash_index(const SignedDataParts& parts, size_t signer) {
    const HashIndexItems items = hash_index_items(parts, signer);
    // hashIndAlgorithm is left out: SHA-256 is its default.
    return tlv(TAG_SEQUENCE,
               concat({hashList(items.certificates), hashList(items.crls), hashList(items.unsignedAttrs)}));
}

bool content_type_and_octets(const SignedDataParts& parts, Bytes& contentType, Bytes& octets, bool& detached) {
    pkcs7der::Item encap, type, wrapped, value;
    if (!pkcs7der::read(parts.encapContentInfo.data(), parts.encapContentInfo.size(), encap))
        return false;
    pkcs7der::Children c(encap);
    if (!c.expect(TAG_OID, type))
        return false;
    contentType.assign(type.p, type.p + type.total);
    detached = !c.next(wrapped);
    if (detached)
        return true;
    pkcs7der::Children inner(wrapped);
    if (wrapped.tag != TAG_CONTEXT_0 || !inner.expect(TAG_OCTETSTRING, value))
        return false;
    octets.assign(value.content, value.content + value.contentLength);
    return true;
}

// The archived bytes in their order, handed to sink; detached content from feedContent.
bool feed_archive_imprint(const SignedDataParts& parts, size_t signer, const Bytes& hashIndexAttribute,
                          const ContentFeeder& feedContent, const ContentSink& sink) {
    Bytes contentType, octets;
    bool detached = false;
    if (signer >= parts.signers.size() || !content_type_and_octets(parts, contentType, octets, detached))
        return false;
    bool ok = sink(contentType.data(), contentType.size());
    if (ok && !detached)
        ok = sink(octets.data(), octets.size());
    else if (ok)
        ok = feedContent && feedContent(sink);
    const SignerInfoParts& s = parts.signers[signer];
    for (const Bytes* b : {&s.version, &s.sid, &s.digestAlgorithm, &s.signedAttrs, &s.signatureAlgorithm, &s.signature})
        ok = ok && sink(b->data(), b->size());
    return ok && sink(hashIndexAttribute.data(), hashIndexAttribute.size());
}

bool archive_imprint_input(const SignedDataParts& parts, size_t signer, const Bytes& hashIndexAttribute,
                           const std::string& contentFile, const Bytes* givenContent, Bytes& out) {
    out.clear();
    const ContentFeeder given = [givenContent](const ContentSink& sink) {
        return sink(givenContent->data(), givenContent->size());
    };
    return feed_archive_imprint(parts, signer, hashIndexAttribute, givenContent ? given : file_content(contentFile),
                                [&out](const unsigned char* p, size_t n) {
                                    out.insert(out.end(), p, p + n);
                                    return true;
                                });
}

bool archive_imprint_sha256(const SignedDataParts& parts, size_t signer, const Bytes& hashIndexAttribute,
                            const ContentFeeder& feedContent, Bytes& digest) {
    vn_ossl::EvpMdCtxPtr ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        return false;
    const bool fed = feed_archive_imprint(
        parts, signer, hashIndexAttribute, feedContent,
        [&ctx](const unsigned char* p, size_t n) { return EVP_DigestUpdate(ctx.get(), p, n) == 1; });
    digest.assign(kSha256Length, 0);
    unsigned int length = 0;
    return fed && EVP_DigestFinal_ex(ctx.get(), digest.data(), &length) == 1 && length == kSha256Length;
}

ContentFeeder file_content(const std::string& path) {
    return [path](const ContentSink& sink) {
        // The detached content is read once, piece by piece.
        std::unique_ptr<FILE, int (*)(FILE*)> f(path.empty() ? nullptr : std::fopen(path.c_str(), "rb"), &std::fclose);
        if (!f)
            return false;
        Bytes piece(kPiece);
        size_t n;
        bool ok = true;
        while (ok && (n = std::fread(piece.data(), 1, piece.size(), f.get())) > 0)
            ok = sink(piece.data(), n);
        return ok && !std::ferror(f.get());
    };
}

int32_t add_archive_timestamp(SignedDataParts& parts, const CCadesExtendOptions& options, CCadesExtendResult& result) {
    if (options.tsaUrl.empty()) {
        result.message = "an archive timestamp needs a timestamp service";
        return VN_CADES_NO_TSA;
    }
    const Bytes indexAttribute = make_attribute(vn_asn1::oid_der("id-aa-ATSHashIndex-v3"), ats_hash_index(parts, 0));
    Bytes digest;
    if (!archive_imprint_sha256(parts, 0, indexAttribute, file_content(options.contentFile), digest)) {
        result.message = "the content of the detached signature cannot be read (give it)";
        return VN_CADES_NO_CONTENT;
    }
    const int algo = vn_crypto::algorithm_of(vn_crypto::DigestKind::SHA256).blobIndex;
    CTimeStampSSL ts(options.tsaUrl, digest.data(), static_cast<unsigned char>(digest.size()), algo);
    ts.sendRequest();
    if (ts.error != 0) {
        result.message = std::string("no archive timestamp: ") + TimeStampFailureText();
        return ts.error;
    }
    SignedDataParts token;
    if (!split_signed_data(ts.token.data(), ts.token.size(), token) || token.signers.size() != 1) {
        result.message = "the archive timestamp token cannot be read";
        return VN_CADES_NOT_SIGNED_DATA;
    }
    token.signers[0].unsignedAttrs.push_back(indexAttribute);
    parts.signers[0].unsignedAttrs.push_back(
        make_attribute(vn_asn1::oid_der("id-aa-ets-archiveTimestampV3"), join_signed_data(token)));
    return 0;
}

}  // namespace vn_sign
