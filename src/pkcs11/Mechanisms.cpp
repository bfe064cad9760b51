#include "Mechanisms.h"

#include <cstring>

#include "crypto/Algorithms.h"
#include "crypto/DigestFactory.h"

namespace vn_p11 {

namespace {
const int kSha1 = 0, kSha256 = 1, kSha384 = 2, kSha512 = 3, kNone = -1;

// clang-format off
const std::vector<Mechanism> kMechanisms = {
    {CKM_RSA_PKCS,              MechKind::RsaPkcs,     kNone},
    {CKM_SHA1_RSA_PKCS,         MechKind::RsaPkcsHash, kSha1},
    {CKM_SHA256_RSA_PKCS,       MechKind::RsaPkcsHash, kSha256},
    {CKM_SHA384_RSA_PKCS,       MechKind::RsaPkcsHash, kSha384},
    {CKM_SHA512_RSA_PKCS,       MechKind::RsaPkcsHash, kSha512},
    {CKM_RSA_PKCS_PSS,          MechKind::RsaPss,      kNone},
    {CKM_SHA1_RSA_PKCS_PSS,     MechKind::RsaPssHash,  kSha1},
    {CKM_SHA256_RSA_PKCS_PSS,   MechKind::RsaPssHash,  kSha256},
    {CKM_SHA384_RSA_PKCS_PSS,   MechKind::RsaPssHash,  kSha384},
    {CKM_SHA512_RSA_PKCS_PSS,   MechKind::RsaPssHash,  kSha512},
    {CKM_ECDSA,                 MechKind::Ecdsa,       kNone},
    {CKM_ECDSA_SHA1,            MechKind::EcdsaHash,   kSha1},
    {CKM_ECDSA_SHA256,          MechKind::EcdsaHash,   kSha256},
    {CKM_ECDSA_SHA384,          MechKind::EcdsaHash,   kSha384},
    {CKM_ECDSA_SHA512,          MechKind::EcdsaHash,   kSha512},
    // CKM_RSA_PKCS also deciphers; its row above serves both.
    {CKM_RSA_PKCS_OAEP,         MechKind::DecryptOaep, kSha256},
};

const struct { CK_MECHANISM_TYPE type; int nAlgoID; } kHashMechanisms[] = {
    {CKM_SHA_1, kSha1}, {CKM_SHA256, kSha256}, {CKM_SHA384, kSha384}, {CKM_SHA512, kSha512},
};
// clang-format on
}  // namespace

const Mechanism* mechanism(CK_MECHANISM_TYPE type) {
    for (const Mechanism& m : kMechanisms)
        if (m.type == type)
            return &m;
    return nullptr;
}

const std::vector<Mechanism>& mechanisms() { return kMechanisms; }

bool isDecrypt(MechKind kind) { return kind == MechKind::DecryptPkcs || kind == MechKind::DecryptOaep; }
bool isRsa(MechKind kind) { return kind != MechKind::Ecdsa && kind != MechKind::EcdsaHash; }
bool hashesData(MechKind kind) {
    return kind == MechKind::RsaPkcsHash || kind == MechKind::RsaPssHash || kind == MechKind::EcdsaHash;
}
bool isPss(MechKind kind) { return kind == MechKind::RsaPss || kind == MechKind::RsaPssHash; }

int digestLength(int nAlgoID) {
    if (nAlgoID < kSha1 || nAlgoID > kSha512)
        return 0;
    return vn_crypto::algorithm_for_sign_id(nAlgoID).digestLength;
}

int hashOfMechanism(CK_MECHANISM_TYPE hashMechanism) {
    for (const auto& h : kHashMechanisms)
        if (h.type == hashMechanism)
            return h.nAlgoID;
    return kNone;
}

bool parseDigestInfo(const unsigned char* data, size_t length, int& nAlgoID, Bytes& hash) {
    for (int id = kSha1; id <= kSha512; ++id) {
        const vn_crypto::Algorithm& a = vn_crypto::algorithm_for_sign_id(id);
        const size_t prefix = a.prefixLength, total = prefix + static_cast<size_t>(a.digestLength);
        if (length == total && std::memcmp(data, a.prefix, prefix) == 0) {
            nAlgoID = id;
            hash.assign(data + prefix, data + total);
            return true;
        }
    }
    return false;
}

}  // namespace vn_p11
