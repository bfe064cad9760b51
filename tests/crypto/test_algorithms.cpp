// The algorithm table, row by row, against what OpenSSL knows of each digest: OID, NID,
// digest size, signature algorithms, and the DigestInfo it encodes itself.
#include <gtest/gtest.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "crypto/Algorithms.h"
#include "crypto/DigestFactory.h"

namespace {
using vn_crypto::Algorithm;
using Bytes = std::vector<unsigned char>;

struct ObjFree {
    void operator()(ASN1_OBJECT* o) const { ASN1_OBJECT_free(o); }
};
struct SigFree {
    void operator()(X509_SIG* s) const { X509_SIG_free(s); }
};

Bytes derOfOid(const char* dotted) {
    std::unique_ptr<ASN1_OBJECT, ObjFree> obj(OBJ_txt2obj(dotted, 1));
    if (!obj)
        return {};
    unsigned char* der = nullptr;
    const int n = i2d_ASN1_OBJECT(obj.get(), &der);
    Bytes out(der, der + (n > 0 ? n : 0));
    OPENSSL_free(der);
    return out;
}

int nidOf(const char* dotted) {
    std::unique_ptr<ASN1_OBJECT, ObjFree> obj(OBJ_txt2obj(dotted, 1));
    return obj ? OBJ_obj2nid(obj.get()) : NID_undef;
}

// DigestInfo { AlgorithmIdentifier { oid, NULL }, OCTET STRING digest } as OpenSSL encodes it.
Bytes opensslDigestInfo(int nid, const Bytes& digest) {
    std::unique_ptr<X509_SIG, SigFree> sig(X509_SIG_new());
    X509_ALGOR* alg = nullptr;
    ASN1_OCTET_STRING* octets = nullptr;
    X509_SIG_getm(sig.get(), &alg, &octets);
    X509_ALGOR_set0(alg, OBJ_nid2obj(nid), V_ASN1_NULL, nullptr);
    ASN1_OCTET_STRING_set(octets, digest.data(), static_cast<int>(digest.size()));
    unsigned char* der = nullptr;
    const int n = i2d_X509_SIG(sig.get(), &der);
    Bytes out(der, der + (n > 0 ? n : 0));
    OPENSSL_free(der);
    return out;
}

std::string rowName(const Algorithm& a) { return a.hashName; }

}  // namespace

TEST(AlgorithmTable, EveryRowAgreesWithOpenSSL) {
    ASSERT_EQ(vn_crypto::algorithm_count(), 6u);
    const std::string abc = "abc";
    for (size_t i = 0; i < vn_crypto::algorithm_count(); ++i) {
        const Algorithm& a = vn_crypto::algorithms()[i];
        SCOPED_TRACE(rowName(a));
        // OID, its DER and the NID.
        EXPECT_EQ(nidOf(a.oid), a.nid);
        const Bytes der = derOfOid(a.oid);
        ASSERT_FALSE(der.empty());
        EXPECT_EQ(Bytes(vn_crypto::oid_der(a), vn_crypto::oid_der(a) + vn_crypto::oid_der_length(a)), der);
        EXPECT_EQ(Bytes(vn_crypto::oid_content(a), vn_crypto::oid_content(a) + vn_crypto::oid_content_length(a)),
                  Bytes(der.begin() + 2, der.end()));
        // The digest: size, OpenSSL's NID, and the library's own digest class for the kind.
        ASSERT_NE(a.evp(), nullptr);
        EXPECT_EQ(EVP_MD_get_size(a.evp()), a.digestLength);
        EXPECT_EQ(EVP_MD_get_type(a.evp()), a.nid);
        EXPECT_EQ(vn_crypto::digest_length(a.kind), a.digestLength);
        Bytes ours(static_cast<size_t>(a.digestLength)), theirs(EVP_MAX_MD_SIZE);
        unsigned int n = 0;
        vn_crypto::digest_buffer(a.kind, reinterpret_cast<const unsigned char*>(abc.data()), abc.size(), ours.data());
        ASSERT_EQ(EVP_Digest(abc.data(), abc.size(), theirs.data(), &n, a.evp(), nullptr), 1);
        theirs.resize(n);
        EXPECT_EQ(ours, theirs);
        // The signature algorithms are this digest with RSA and with ECDSA.
        int digestNid = NID_undef, keyNid = NID_undef;
        ASSERT_EQ(OBJ_find_sigid_algs(nidOf(a.rsaOid), &digestNid, &keyNid), 1);
        EXPECT_EQ(digestNid, a.nid);
        EXPECT_EQ(keyNid, NID_rsaEncryption);
        if (a.ecdsaOid) {
            ASSERT_EQ(OBJ_find_sigid_algs(nidOf(a.ecdsaOid), &digestNid, &keyNid), 1);
            EXPECT_EQ(digestNid, a.nid);
            EXPECT_EQ(keyNid, NID_X9_62_id_ecPublicKey);
            EXPECT_STRCASEEQ(a.ecdsaName, OBJ_nid2ln(nidOf(a.ecdsaOid)));
        }
        // The DigestInfo prefix is OpenSSL's DigestInfo up to the digest, which follows it.
        const Bytes digest(static_cast<size_t>(a.digestLength), 0xA5);
        const Bytes info = opensslDigestInfo(a.nid, digest);
        ASSERT_EQ(info.size(), static_cast<size_t>(a.prefixLength) + digest.size());
        EXPECT_EQ(Bytes(info.begin(), info.begin() + a.prefixLength),
                  Bytes(vn_crypto::prefix_bytes(a), vn_crypto::prefix_bytes(a) + a.prefixLength));
        EXPECT_LE(a.prefixLength, vn_crypto::kMaxDigestInfoPrefix);
        // Card codes are 0x80xx.
        EXPECT_EQ(a.cardAlgId & 0xFF00u, 0x8000u);
    }
}

TEST(AlgorithmTable, NumberingsAreOneToOneAndLookupsFindTheirRow) {
    std::set<int> signIds, blobIndexes, hashIds;
    std::set<unsigned> cardIds;
    std::set<int> kinds;
    for (size_t i = 0; i < vn_crypto::algorithm_count(); ++i) {
        const Algorithm& a = vn_crypto::algorithms()[i];
        SCOPED_TRACE(rowName(a));
        signIds.insert(a.signId);
        blobIndexes.insert(a.blobIndex);
        hashIds.insert(a.hashId);
        cardIds.insert(a.cardAlgId);
        kinds.insert(static_cast<int>(a.kind));
        EXPECT_EQ(&vn_crypto::algorithm_of(a.kind), &a);
        EXPECT_EQ(&vn_crypto::algorithm_for_sign_id(a.signId), &a);
        EXPECT_EQ(vn_crypto::algorithm_for_blob_index(a.blobIndex), &a);
        EXPECT_EQ(vn_crypto::algorithm_for_hash_id(a.hashId), &a);
        EXPECT_EQ(vn_crypto::algorithm_for_card_id(a.cardAlgId), &a);
        EXPECT_EQ(vn_crypto::algorithm_for_card_id(a.cardAlgId | 0x10000u), &a);  // flag bits
        EXPECT_EQ(vn_crypto::algorithm_for_oid(a.oid), &a);
        EXPECT_EQ(vn_crypto::algorithm_for_oid(a.rsaOid), nullptr);
        EXPECT_EQ(vn_crypto::algorithm_for_oid(a.rsaOid, true), &a);
        EXPECT_EQ(vn_crypto::algorithm_for_oid_der(vn_crypto::oid_der(a), vn_crypto::oid_der_length(a)), &a);
        EXPECT_EQ(vn_crypto::algorithm_for_nid(a.nid), &a);
    }
    // nAlgoID and HashBlob index both run 0 to 5, the CHashSSL id 1 to 6.
    EXPECT_EQ(signIds, (std::set<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(blobIndexes, (std::set<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(hashIds, (std::set<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(cardIds.size(), 6u);
    EXPECT_EQ(kinds.size(), 6u);
    // The numberings differ: nAlgoID 4 is RIPEMD-160 where HashBlob index 4 is MD5.
    EXPECT_EQ(vn_crypto::algorithm_for_sign_id(4).kind, vn_crypto::DigestKind::RIPEMD160);
    EXPECT_EQ(vn_crypto::algorithm_for_blob_index(4)->kind, vn_crypto::DigestKind::MD5);
    // Outside the table: nAlgoID means SHA-256, the others find nothing.
    EXPECT_EQ(vn_crypto::algorithm_for_sign_id(9).kind, vn_crypto::DigestKind::SHA256);
    EXPECT_EQ(vn_crypto::algorithm_for_sign_id(-1).kind, vn_crypto::DigestKind::SHA256);
    EXPECT_EQ(vn_crypto::algorithm_for_blob_index(6), nullptr);
    EXPECT_EQ(vn_crypto::algorithm_for_hash_id(0), nullptr);
    EXPECT_EQ(vn_crypto::algorithm_for_hash_id(7), nullptr);
    EXPECT_EQ(vn_crypto::algorithm_for_card_id(vn_crypto::kCardAlgMd5Sha1), nullptr);
    EXPECT_EQ(vn_crypto::algorithm_for_card_id(vn_crypto::kCardAlgRaw), nullptr);
    EXPECT_EQ(vn_crypto::algorithm_for_oid(nullptr, true), nullptr);
    EXPECT_EQ(vn_crypto::algorithm_for_oid("1.2.840.113549.2.2", true), nullptr);  // MD2
    const unsigned char truncated[] = {0x06, 0x05, 0x2B, 0x0E, 0x03, 0x02};
    EXPECT_EQ(vn_crypto::algorithm_for_oid_der(truncated, sizeof truncated), nullptr);
    EXPECT_EQ(vn_crypto::algorithm_for_oid_der(nullptr, 7), nullptr);
}
