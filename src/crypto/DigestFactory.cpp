#include "crypto/DigestFactory.h"

#include <climits>

namespace vn_crypto {

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

int digest_length(DigestKind kind) { return algorithm_of(kind).digestLength; }

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
    const Algorithm* a = algorithm_for_blob_index(index);
    if (a == nullptr)
        return false;
    kind = a->kind;
    return true;
}

DigestKind digest_kind_for_sign_algo(int nAlgoID) { return algorithm_for_sign_id(nAlgoID).kind; }

int hash_blob(const unsigned char* data, unsigned int length, int index, unsigned char* digest, int* digestLength) {
    DigestKind kind;
    if (!digest_kind_for_blob_index(index, kind) || !digest || !digestLength || (!data && length))
        return 0;
    digest_buffer(kind, data, length, digest);
    *digestLength = digest_length(kind);
    return 0;
}

}  // namespace vn_crypto
