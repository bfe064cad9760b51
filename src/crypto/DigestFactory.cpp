#include "crypto/DigestFactory.h"

#include <climits>

namespace vn_crypto {

namespace {
// Index of HashBlob -> digest; one row per index.
const DigestKind kBlobIndex[] = {
    DigestKind::SHA1,
    DigestKind::SHA256,
    DigestKind::SHA384,
    DigestKind::SHA512,
    DigestKind::MD5,
    DigestKind::RIPEMD160,
};
// nAlgoID of signing -> digest; one row per number.
const DigestKind kSignAlgo[] = {
    DigestKind::SHA1,
    DigestKind::SHA256,
    DigestKind::SHA384,
    DigestKind::SHA512,
    DigestKind::RIPEMD160,
    DigestKind::MD5,
};
}  // namespace

std::unique_ptr<IMessageDigest> make_digest(DigestKind kind) {
    switch (kind) {
    case DigestKind::SHA1: return std::make_unique<CSHA>(0);
    case DigestKind::SHA256: return std::make_unique<CSHA>(1);
    case DigestKind::SHA384: return std::make_unique<CSHA>(2);
    case DigestKind::SHA512: return std::make_unique<CSHA>(3);
    case DigestKind::MD5: return std::make_unique<CMD5>();
    case DigestKind::RIPEMD160: return std::make_unique<CRIPEMD>(1);
    }
    return std::make_unique<CSHA>(1);
}

int digest_length(DigestKind kind) {
    switch (kind) {
    case DigestKind::SHA1: return 20;
    case DigestKind::SHA256: return 32;
    case DigestKind::SHA384: return 48;
    case DigestKind::SHA512: return 64;
    case DigestKind::MD5: return 16;
    case DigestKind::RIPEMD160: return 20;
    }
    return 0;
}

void digest_buffer(DigestKind kind, const unsigned char* data, std::size_t length, unsigned char* out) {
    auto d = make_digest(kind);
    d->Reset();
    if (data) {
        while (length) {
            const std::size_t piece = length > static_cast<std::size_t>(INT_MAX) ? 0x40000000u : length;
            d->AddData(reinterpret_cast<const char*>(data), static_cast<int>(piece));
            data += piece;
            length -= piece;
        }
    }
    d->FinalDigest(reinterpret_cast<char*>(out));
}

bool digest_kind_for_blob_index(int index, DigestKind& kind) {
    if (index < 0 || index >= static_cast<int>(sizeof kBlobIndex / sizeof kBlobIndex[0]))
        return false;
    kind = kBlobIndex[index];
    return true;
}

DigestKind digest_kind_for_sign_algo(int nAlgoID) {
    if (nAlgoID < 0 || nAlgoID >= static_cast<int>(sizeof kSignAlgo / sizeof kSignAlgo[0]))
        return DigestKind::SHA256;
    return kSignAlgo[nAlgoID];
}

int hash_blob(const unsigned char* data, unsigned int length, int index, unsigned char* digest, int* digestLength) {
    DigestKind kind;
    if (!digest_kind_for_blob_index(index, kind) || !digest || !digestLength || (!data && length))
        return 0;
    digest_buffer(kind, data, length, digest);
    *digestLength = digest_length(kind);
    return 0;
}

}  // namespace vn_crypto
